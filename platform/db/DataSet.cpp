#include <algorithm>

#include "platform/db/DB.h"
#include "platform/db/RowStore.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TDataSet, c) {}

// Stores what was written to it into a blob field when freed, if the record is still being
// edited then.
class TBlobWriteStream : public TMemoryStream {
 public:
  TBlobWriteStream(TField* field) : field_(field), dataSet_(field->DataSet()) {
    row_ = dataSet_->CurrentRow();
  }
  ~TBlobWriteStream() override {
    TDataSetState s = dataSet_->State();
    if ((s != dsEdit && s != dsInsert) || dataSet_->CurrentRow() != row_) return;
    std::string_view bytes(reinterpret_cast<const char*>(Memory()), static_cast<size_t>(Size()));
    try {
      dataSet_->SetCurrentCell(field_, field_->DataType() == ftMemo ? CellView::MakeText(bytes)
                                                                      : CellView::MakeBlob(bytes));
    } catch (const Exception&) {
      // A destructor cannot report; the state and read-only checks were made when the stream
      // was created, so only a change of record in between ends here.
    }
  }

 private:
  TField* field_;
  TDataSet* dataSet_;
  Int64 row_;
};

TDataSet::TDataSet(TComponent* owner) : TComponent(owner) {}

TDataSet::~TDataSet() {
  for (TDataSource* source : std::vector<TDataSource*>(dataSources_)) source->SetDataSet(nullptr);
}

void TDataSet::DatabaseError(const String& message) const {
  throw EDatabaseError(Name().empty() ? message : Name() + ": " + message);
}

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError("Cannot perform this operation on a closed dataset");
}

RowStore& TDataSet::NewStore(Integer columns) {
  store_ = std::make_unique<RowStore>(columns);
  order_.clear();
  orderGiven_ = false;
  walkColumns_.clear();
  partial_.clear();
  return *store_;
}

void TDataSet::SetRowOrder(std::vector<Int64> order) {
  order_ = std::move(order);
  orderGiven_ = true;
}

Int64 TDataSet::RowAt(Integer pos) const {
  Int64 row = order_[static_cast<size_t>(pos)];
  if (row >= 0) return row;
  // Reading a record changes what the dataset holds, not the records it shows, so readers that
  // promise no change may do it.
  const_cast<TDataSet*>(this)->ReadRows(pos);
  return order_[static_cast<size_t>(pos)];
}

void TDataSet::ReadRows(Integer pos, Integer end) {
  // A grid shows a screenful at a time. Walking the records one after another (an export, a
  // report) soon needs them all, and one pass over them costs far less than a read per record.
  constexpr Integer kBlock = 32;
  constexpr Integer kWalk = 64;
  Integer count = static_cast<Integer>(order_.size());
  walked_ = pos == walkEnd_ ? walked_ + 1 : 0;
  // A reader that said it walks reads one block as usual (the columns a walk reads are those
  // it read there) and walks from the next; if it jumps elsewhere instead, it does not walk.
  if (walkAhead_ == kWalkSaid) walkAhead_ = kWalkGoing;
  else if (walked_ == 0) walkAhead_ = kNoWalkSaid;
  const bool anyAsked = std::find(asked_.begin(), asked_.end(), true) != asked_.end();
  bool walk = end < 0 && (walked_ >= kWalk || (walkAhead_ == kWalkGoing && walked_ > 0 && anyAsked));
  // By then the walker has read every column it reads of each record.
  if (walk && walkColumns_.empty() && anyAsked && std::find(asked_.begin(), asked_.end(), false) != asked_.end())
    walkColumns_ = asked_;
  if (end < 0) {
    end = std::min(pos + kBlock, count);
    if (walk) {
      // The last piece joins the one before it rather than being read on its own.
      const Integer window = InternalWalkRows(walkColumns_);
      end = window > 0 && count - pos > 2 * window ? pos + window : count;
    }
  }
  walkEnd_ = end;
  const std::vector<bool> all;
  const std::vector<bool>& columns = walk ? walkColumns_ : all;
  std::vector<std::pair<Int64, Int64>> wanted;
  std::vector<Integer> places;
  for (Integer p = pos; p < end; ++p) {
    Int64 entry = order_[static_cast<size_t>(p)];
    if (entry >= 0) continue;
    wanted.push_back({-entry - 1, store_->AddRow()});
    places.push_back(p);
  }
  InternalReadRows(wanted, columns);
  if (!columns.empty() && !wanted.empty()) {
    partial_.resize(static_cast<size_t>(store_->Rows()), false);
    for (const auto& w : wanted) partial_[static_cast<size_t>(w.second)] = true;
  }
  for (size_t i = 0; i < places.size(); ++i) order_[static_cast<size_t>(places[i])] = wanted[i].second;
  // A walk goes on past the records that were read before it came to them.
  while (walk && walkEnd_ < count && order_[static_cast<size_t>(walkEnd_)] >= 0) ++walkEnd_;
}

CellView TDataSet::Cell(Int64 row, Integer fieldIndex) const {
  auto column = static_cast<size_t>(fieldIndex);
  if (column < asked_.size()) asked_[column] = true;
  if (static_cast<size_t>(row) < partial_.size() && partial_[static_cast<size_t>(row)] &&
      !walkColumns_[column])
    CompleteRow(row);
  return store_->Get(row, fieldIndex);
}

void TDataSet::CompleteRow(Int64 row) const {
  if (static_cast<size_t>(row) >= partial_.size() || !partial_[static_cast<size_t>(row)]) return;
  // Reading a record changes what the dataset holds, not the records it shows.
  const_cast<TDataSet*>(this)->InternalReadRest(row, walkColumns_);
  partial_[static_cast<size_t>(row)] = false;
}

void TDataSet::SetFields(std::vector<std::unique_ptr<TField>> fields) {
  bool same = static_cast<Integer>(fields.size()) == fields_.Count();
  for (size_t i = 0; same && i < fields.size(); ++i) {
    TField* old = fields_[static_cast<Integer>(i)];
    same = old->FieldName() == fields[i]->FieldName() && old->DataType() == fields[i]->DataType();
  }
  if (same) {
    for (size_t i = 0; i < fields.size(); ++i)
      fields_[static_cast<Integer>(i)]->SetReadOnly(fields[i]->ReadOnly());
    return;
  }
  fields_.Clear();
  for (auto& f : fields) fields_.Add(std::move(f));
  DataEvent(deLayoutChange);
}

void TDataSet::StartCursor() {
  if (!orderGiven_) {
    order_.resize(static_cast<size_t>(store_->Rows()));
    for (size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<Int64>(i);
  }
  walkEnd_ = -1;
  walked_ = 0;
  walkAhead_ = kNoWalkSaid;
  asked_.assign(static_cast<size_t>(fields_.Count()), false);
  cursor_ = order_.empty() ? -1 : 0;
  bof_ = true;
  eof_ = order_.empty();
  ++generation_;
  backupRow_ = -1;
  changed_.assign(static_cast<size_t>(fields_.Count()), false);
  modified_ = false;
}

void TDataSet::ClearBuffers() {
  store_.reset();
  order_.clear();
  orderGiven_ = false;
  walkEnd_ = -1;
  walked_ = 0;
  walkAhead_ = kNoWalkSaid;
  asked_.clear();
  walkColumns_.clear();
  partial_.clear();
  cursor_ = -1;
  bof_ = eof_ = true;
  backupRow_ = -1;
  changed_.clear();
  modified_ = false;
}

void TDataSet::Open() {
  if (Active()) return;
  if (BeforeOpen) BeforeOpen(this);
  try {
    InternalOpen();
  } catch (...) {
    ClearBuffers();
    throw;
  }
  StartCursor();
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
  if (AfterOpen) AfterOpen(this);
  if (!IsEmpty() && AfterScroll) AfterScroll(this);
}

void TDataSet::Close() {
  if (!Active()) return;
  if (BeforeClose) BeforeClose(this);
  // Pending edits are dropped, as closing a window drops what was not posted.
  InternalClose();
  ClearBuffers();
  SetState(dsInactive);
  if (AfterClose) AfterClose(this);
}

void TDataSet::SetActive(bool active) {
  if (active)
    Open();
  else
    Close();
}

void TDataSet::Reopen() {
  CheckActive();
  CheckBrowseMode();
  try {
    InternalClose();
    InternalOpen();
  } catch (...) {
    ClearBuffers();
    SetState(dsInactive);
    throw;
  }
  StartCursor();
  DataEvent(deDataSetChange);
  if (!IsEmpty() && AfterScroll) AfterScroll(this);
}

// Navigation.

bool TDataSet::IsEmpty() const { return order_.empty(); }

Integer TDataSet::RecordCount() const { return static_cast<Integer>(order_.size()); }

Integer TDataSet::RecNo() const { return Active() && cursor_ >= 0 ? cursor_ + 1 : -1; }

Int64 TDataSet::CurrentRow() const {
  if (peekRow_ >= 0) return peekRow_;
  return cursor_ >= 0 ? RowAt(cursor_) : -1;
}

void TDataSet::DoScroll(const std::function<void()>& move) {
  CheckBrowseMode();
  if (BeforeScroll) BeforeScroll(this);
  move();
  DataEvent(deDataSetScroll);
  if (AfterScroll) AfterScroll(this);
}

void TDataSet::First() {
  DoScroll([this] {
    cursor_ = order_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = order_.empty();
  });
}

void TDataSet::Last() {
  DoScroll([this] {
    cursor_ = static_cast<Integer>(order_.size()) - 1;
    eof_ = true;
    bof_ = order_.empty();
  });
}

void TDataSet::Next() { MoveBy(1); }
void TDataSet::Prior() { MoveBy(-1); }

Integer TDataSet::MoveBy(Integer distance) {
  Integer moved = 0;
  DoScroll([&] {
    Integer n = static_cast<Integer>(order_.size());
    if (n == 0) {
      bof_ = eof_ = true;
      return;
    }
    Integer target = cursor_ + distance;
    if (distance > 0) {
      bof_ = false;
      eof_ = target > n - 1;
      target = std::min(target, n - 1);
    } else if (distance < 0) {
      eof_ = false;
      bof_ = target < 0;
      target = std::max(target, 0);
    } else {
      return;
    }
    moved = target - cursor_;
    cursor_ = target;
  });
  return moved;
}

void TDataSet::SetRecNo(Integer recNo) {
  CheckActive();
  if (order_.empty()) return;
  Integer target = std::clamp(recNo, 1, static_cast<Integer>(order_.size())) - 1;
  DoScroll([&] {
    cursor_ = target;
    bof_ = eof_ = false;
  });
}

// Searching.

std::vector<TField*> TDataSet::FieldList(const String& names) const {
  std::vector<TField*> list;
  size_t start = 0;
  while (start <= names.size()) {
    size_t end = names.find(';', start);
    if (end == String::npos) end = names.size();
    String name = Trim(names.substr(start, end - start));
    if (!name.empty()) list.push_back(FieldByName(name));
    start = end + 1;
  }
  return list;
}

Variant TDataSet::RowValue(TField* field, Int64 row) const {
  CellView cell = Cell(row, field->Index());
  if (cell.IsNull()) return Null();
  try {
    return field->CellToVariant(cell);
  } catch (const Exception&) {
    return Variant(field->ParseableText(cell));
  }
}

bool TDataSet::RowMatches(Int64 row, const std::vector<TField*>& keys,
                          const std::vector<Variant>& values, TLocateOptions options) const {
  bool textual = (options & (loPartialKey | loCaseInsensitive)) != 0;
  for (size_t i = 0; i < keys.size(); ++i) {
    Variant v = RowValue(keys[i], row);
    const Variant& key = values[i];
    if (key.IsNull() || key.IsEmpty()) {
      if (!v.IsNull()) return false;
      continue;
    }
    if (v.IsNull()) return false;
    if (textual) {
      // The key text was folded once by FindRecord.
      String text = VarToStr(v);
      if (options & loCaseInsensitive) text = AnsiLowerCase(text);
      std::string_view k = key.StrView();
      bool ok = (options & loPartialKey) ? text.compare(0, k.size(), k) == 0 : text == k;
      if (!ok) return false;
      continue;
    }
    try {
      if (!(v == key)) return false;
    } catch (const Exception&) {
      return false;  // a key that is not even of the field's kind matches nothing
    }
  }
  return true;
}

Integer TDataSet::FindRecord(const String& keyFields, const Variant& keyValues,
                             TLocateOptions options) const {
  CheckActive();
  std::vector<TField*> keys = FieldList(keyFields);
  std::vector<Variant> values;
  if (keys.size() == 1 && !keyValues.IsArray()) {
    values.push_back(keyValues);
  } else {
    if (!keyValues.IsArray()) DatabaseError("Locate needs one key value per field");
    Integer lo = VarArrayLowBound(keyValues, 1), hi = VarArrayHighBound(keyValues, 1);
    if (hi - lo + 1 != static_cast<Integer>(keys.size()))
      DatabaseError("Locate needs one key value per field");
    for (Integer i = lo; i <= hi; ++i) values.push_back(VarArrayGet(keyValues, {i}));
  }
  if (options & (loPartialKey | loCaseInsensitive)) {
    for (Variant& v : values) {
      if (v.IsNull() || v.IsEmpty()) continue;
      String text = VarToStr(v);
      v = Variant((options & loCaseInsensitive) ? AnsiLowerCase(text) : text);
    }
  }
  for (Integer pos = 0; pos < static_cast<Integer>(order_.size()); ++pos) {
    Int64 entry = order_[static_cast<size_t>(pos)];
    if (entry < 0) {
      int known = InternalMatchUnread(-entry - 1, keys, values, options);
      if (known == 0) continue;
      if (known == 1) return pos;
      // Every record after this one may have to be compared too.
      const_cast<TDataSet*>(this)->ReadRows(pos, static_cast<Integer>(order_.size()));
      entry = order_[static_cast<size_t>(pos)];
    }
    if (RowMatches(entry, keys, values, options)) return pos;
  }
  return -1;
}

bool TDataSet::Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
  CheckBrowseMode();
  Integer pos = FindRecord(keyFields, keyValues, options);
  if (pos < 0) return false;
  DoScroll([&] {
    cursor_ = pos;
    bof_ = eof_ = false;
  });
  return true;
}

Variant TDataSet::Lookup(const String& keyFields, const Variant& keyValues,
                         const String& resultFields) {
  Integer pos = FindRecord(keyFields, keyValues, 0);
  if (pos < 0) return Null();
  Int64 row = RowAt(pos);
  std::vector<TField*> results = FieldList(resultFields);
  if (results.size() == 1) return RowValue(results[0], row);
  std::vector<Variant> values;
  for (TField* f : results) values.push_back(RowValue(f, row));
  return VarArrayOf(std::span<const Variant>(values.data(), values.size()));
}

// Bookmarks.

Integer TDataSet::PositionOf(Int64 row) const {
  auto it = std::find(order_.begin(), order_.end(), row);
  return it == order_.end() ? -1 : static_cast<Integer>(it - order_.begin());
}

TBookmark TDataSet::GetBookmark() const {
  if (!Active() || cursor_ < 0) return TBookmark();
  return TBookmark{RowAt(cursor_), generation_};
}

bool TDataSet::BookmarkValid(const TBookmark& bookmark) const {
  return Active() && !bookmark.IsNull() && bookmark.Generation == generation_ &&
         PositionOf(bookmark.Row) >= 0;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  CheckActive();
  if (!BookmarkValid(bookmark)) DatabaseError("Record not found");
  Integer pos = PositionOf(bookmark.Row);
  DoScroll([&] {
    cursor_ = pos;
    bof_ = eof_ = false;
  });
}

Integer TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull() ? 0 : (a.IsNull() ? -1 : 1);
  Integer pa = PositionOf(a.Row), pb = PositionOf(b.Row);
  return pa < pb ? -1 : (pa > pb ? 1 : 0);
}

// Controls.

void TDataSet::DisableControls() { ++disableCount_; }

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ > 0) return;
  if (pendingStateChange_) {
    pendingStateChange_ = false;
    DataEvent(deUpdateState);
  }
  DataEvent(deDataSetChange);
}

void TDataSet::DataEvent(TDataEvent event, TField* field) {
  if (disableCount_ > 0) {
    if (event == deUpdateState) pendingStateChange_ = true;
    return;
  }
  for (TDataSource* source : std::vector<TDataSource*>(dataSources_)) source->Notify(event, field);
}

void TDataSet::SetState(TDataSetState state) {
  if (state_ == state) return;
  state_ = state;
  DataEvent(deUpdateState);
}

// Editing.

CellView TDataSet::CurrentCell(Integer fieldIndex) const {
  CheckActive();
  Int64 row = CurrentRow();
  if (row < 0) return CellView();
  return Cell(row, fieldIndex);
}

void TDataSet::SetCurrentCell(TField* field, const CellView& cell) {
  if (state_ != dsEdit && state_ != dsInsert) DatabaseError("Dataset not in edit or insert mode");
  if (field->ReadOnly()) DatabaseError(Format("Field '%s' cannot be modified", {field->FieldName()}));
  CompleteRow(CurrentRow());
  store_->Set(CurrentRow(), field->Index(), cell);
  changed_[static_cast<size_t>(field->Index())] = true;
  modified_ = true;
  DataEvent(deFieldChange, field);
}

void TDataSet::Edit() {
  CheckActive();
  if (state_ == dsEdit || state_ == dsInsert) return;
  if (order_.empty()) {
    Insert();
    return;
  }
  if (!CanModify()) DatabaseError("Cannot modify a read-only dataset");
  // The record as it was must be whole, for Cancel to give it back.
  CompleteRow(CurrentRow());
  backupRow_ = store_->AddRow();
  store_->CopyRow(CurrentRow(), backupRow_);
  changed_.assign(static_cast<size_t>(fields_.Count()), false);
  modified_ = false;
  SetState(dsEdit);
  DataEvent(deRecordChange);
}

void TDataSet::Insert() { BeginInsertAppend(false); }
void TDataSet::Append() { BeginInsertAppend(true); }

void TDataSet::BeginInsertAppend(bool append) {
  CheckBrowseMode();
  if (!CanModify()) DatabaseError("Cannot modify a read-only dataset");
  if (BeforeInsert) BeforeInsert(this);
  if (BeforeScroll) BeforeScroll(this);
  Int64 row = store_->AddRow();
  Integer pos = append || cursor_ < 0 ? static_cast<Integer>(order_.size()) : cursor_;
  order_.insert(order_.begin() + pos, row);
  cursor_ = pos;
  bof_ = eof_ = false;
  backupRow_ = -1;
  changed_.assign(static_cast<size_t>(fields_.Count()), false);
  SetState(dsInsert);
  if (OnNewRecord) OnNewRecord(this);
  modified_ = false;
  DataEvent(deDataSetChange);
  if (AfterInsert) AfterInsert(this);
  if (AfterScroll) AfterScroll(this);
}

void TDataSet::Post() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  if (BeforePost) BeforePost(this);
  // On failure the record stays in edit or insert state with the values as typed.
  InternalPost(CurrentRow(), state_ == dsEdit ? backupRow_ : -1);
  backupRow_ = -1;
  changed_.assign(changed_.size(), false);
  modified_ = false;
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
  if (AfterPost) AfterPost(this);
}

void TDataSet::Cancel() {
  if (state_ == dsEdit) {
    store_->CopyRow(backupRow_, CurrentRow());
  } else if (state_ == dsInsert) {
    order_.erase(order_.begin() + cursor_);
    Integer n = static_cast<Integer>(order_.size());
    if (cursor_ >= n) cursor_ = n - 1;
    bof_ = n == 0;
    eof_ = n == 0;
  } else {
    return;
  }
  backupRow_ = -1;
  changed_.assign(changed_.size(), false);
  modified_ = false;
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  if (state_ != dsEdit && state_ != dsInsert) return;
  if (modified_)
    Post();
  else
    Cancel();
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert) {
    Cancel();
    return;
  }
  if (order_.empty()) DatabaseError("Cannot perform this operation on an empty dataset");
  if (!CanModify()) DatabaseError("Cannot modify a read-only dataset");
  // The row is found in the database by the values it was read with.
  if (state_ == dsEdit) Cancel();
  if (BeforeDelete) BeforeDelete(this);
  if (BeforeScroll) BeforeScroll(this);
  InternalDelete(CurrentRow());
  order_.erase(order_.begin() + cursor_);
  Integer n = static_cast<Integer>(order_.size());
  if (cursor_ >= n) cursor_ = n - 1;
  bof_ = n == 0;
  eof_ = n == 0;
  DataEvent(deDataSetChange);
  if (AfterDelete) AfterDelete(this);
  if (AfterScroll) AfterScroll(this);
}

// Reading other records.

String TDataSet::DisplayTextAt(TField* field, Integer recNo) const {
  CheckActive();
  if (recNo < 1 || recNo > RecordCount()) return String();
  Int64 saved = peekRow_;
  peekRow_ = RowAt(recNo - 1);
  try {
    String text = field->DisplayText();
    peekRow_ = saved;
    return text;
  } catch (...) {
    peekRow_ = saved;
    throw;
  }
}

Variant TDataSet::ValueAt(TField* field, Integer recNo) const {
  CheckActive();
  if (recNo < 1 || recNo > RecordCount()) return Null();
  return RowValue(field, RowAt(recNo - 1));
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  CheckActive();
  if (mode == bmRead) {
    auto stream = std::make_unique<TMemoryStream>();
    if (auto* blob = dynamic_cast<TBlobField*>(field))
      blob->SaveToStream(*stream);
    else
      stream->WriteString(field->AsString());
    stream->SetPosition(0);
    return stream;
  }
  if (state_ != dsEdit && state_ != dsInsert) DatabaseError("Dataset not in edit or insert mode");
  if (field->ReadOnly()) DatabaseError(Format("Field '%s' cannot be modified", {field->FieldName()}));
  auto stream = std::make_unique<TBlobWriteStream>(field);
  if (mode == bmReadWrite) {
    CellView cell = CurrentCell(field->Index());
    if (!cell.Bytes.empty()) stream->WriteBuffer(cell.Bytes.data(), static_cast<Int64>(cell.Bytes.size()));
    stream->SetPosition(0);
  }
  return stream;
}

}  // namespace orv
