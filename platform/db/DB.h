#pragma once
// The dataset model: a dataset holds an open snapshot of rows with a cursor, fields and an edit
// state; data sources connect it to data-aware controls through data links.
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/db/Fields.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"

namespace orv {

// Another connection (another program) holds the lock a statement needed.
ORV_DECLARE_EXCEPTION(EDatabaseLocked, EDatabaseError);
// The file at the database's path is no longer the one the connection opened.
ORV_DECLARE_EXCEPTION(EDatabaseReplaced, EDatabaseError);
// The file was replaced while a write reached the disk: the write went into the file that was
// there before, not into the one at the path now.
ORV_DECLARE_EXCEPTION(EDatabaseWrittenIntoReplaced, EDatabaseReplaced);
// A statement ran past the connection's time limit and was stopped.
ORV_DECLARE_EXCEPTION(EDatabaseInterrupted, EDatabaseError);
// The log beside the database file was written for another file; it is neither read nor merged.
ORV_DECLARE_EXCEPTION(EDatabaseForeignLog, EDatabaseError);
// The database may only be read (the file or its folder cannot be written, or it was opened so).
ORV_DECLARE_EXCEPTION(EDatabaseReadOnly, EDatabaseError);
// A constraint or a trigger of the database refused the change; the message is its own.
ORV_DECLARE_EXCEPTION(EDatabaseRefused, EDatabaseError);
// The record being written is no longer in the table as it was read: another program deleted
// or changed it meanwhile.
ORV_DECLARE_EXCEPTION(ERecordChanged, EDatabaseError);

// A write found no room: the disk is full, the user's quota is used up, or the file reached the
// size the process may write (EFBIG).
class EDatabaseFull : public EDatabaseError {
 public:
  EDatabaseFull(String message, int systemError)
      : EDatabaseError(std::move(message)), systemError_(systemError) {}
  const char* ClassName() const override { return "EDatabaseFull"; }
  // The errno of the failed write; 0 when the system did not say.
  int SystemError() const { return systemError_; }

 private:
  int systemError_;
};

class RowStore;
class TDataSource;
class TDataLink;

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// What a dataset tells its data sources.
enum TDataEvent {
  deFieldChange,     // one field of the current record was written
  deRecordChange,    // the current record was re-read (Cancel, Post)
  deDataSetChange,   // rows came or went (open, post, delete, enable controls)
  deDataSetScroll,   // the cursor moved
  deLayoutChange,    // fields changed
  deUpdateState      // State changed
};

// Options of Locate.
using TLocateOptions = unsigned;
inline constexpr TLocateOptions loCaseInsensitive = 1;
inline constexpr TLocateOptions loPartialKey = 2;

// A record's place in an open dataset; valid while that record exists and until the dataset
// is closed or requeried. A default-made bookmark marks no record.
struct TBookmark {
  Int64 Row = -1;
  Cardinal Generation = 0;
  bool IsNull() const { return Row < 0; }
  bool operator==(const TBookmark&) const = default;
};

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

// A dataset: the rows of an opened statement held in memory, a cursor over them, the fields of
// the current record and the edit cycle (Edit/Insert/Append, Post, Cancel, Delete). Descendants
// supply the rows (InternalOpen) and write changes back (InternalPost, InternalDelete). A
// descendant may leave rows unread at open and give their places only: such a row is read
// (InternalReadRows) when something first needs it, so that a long list shows its first rows at
// once.
class TDataSet : public TComponent {
  ORV_CLASS(TDataSet, TComponent)

 public:
  explicit TDataSet(TComponent* owner);
  ~TDataSet() override;

  void Open();
  void Close();
  bool Active() const { return state_ != dsInactive; }
  void SetActive(bool active);
  TDataSetState State() const { return state_; }

  TFields& Fields() { return fields_; }
  const TFields& Fields() const { return fields_; }
  Integer FieldCount() const { return fields_.Count(); }
  // Case-blind. EDatabaseError "Field '%s' not found".
  TField* FieldByName(const String& name) const { return fields_.FieldByName(name); }
  TField* FindField(const String& name) const { return fields_.FindField(name); }

  void First();
  void Last();
  void Next();
  void Prior();
  // Returns how many records the cursor moved (negative backwards).
  Integer MoveBy(Integer distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool IsEmpty() const;
  Integer RecordCount() const;
  // 1-based; -1 when there is no current record.
  Integer RecNo() const;
  void SetRecNo(Integer recNo);

  // keyFields is "A;B"; keyValues one value, or a Variant array with one value per field.
  // loPartialKey matches text that begins with the key; loCaseInsensitive folds case (all
  // scripts). Moves to the first match and returns true, or stays and returns false.
  bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options);
  // The value of resultFields ("A;B" gives an array) in the first exact match, Null when none;
  // the cursor does not move.
  Variant Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields);

  TBookmark GetBookmark() const;
  // EDatabaseError "Record not found" when the bookmark is no longer valid.
  void GotoBookmark(const TBookmark& bookmark);
  void FreeBookmark(TBookmark& bookmark) { bookmark = TBookmark(); }
  bool BookmarkValid(const TBookmark& bookmark) const;
  // < 0, 0, > 0 by record order; a null bookmark sorts first.
  Integer CompareBookmarks(const TBookmark& a, const TBookmark& b) const;
  TBookmark Bookmark() const { return GetBookmark(); }
  void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }

  // Nested; while disabled, data-aware controls are not told of moves and changes, and they
  // are refreshed once when the outermost EnableControls runs.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ > 0; }

  // Edit on an empty dataset inserts instead.
  void Edit();
  // The new record goes before the current one (Insert) or after the last (Append); it stays
  // in that place after Post.
  void Insert();
  void Append();
  // Writes the record in edit or insert state and re-reads it; nothing in browse state.
  void Post();
  void Cancel();
  // EDatabaseError "Cannot perform this operation on an empty dataset"; the cursor goes to the
  // next record, or the new last one.
  void Delete();
  bool Modified() const { return modified_; }
  virtual bool CanModify() const { return false; }

  // A reader that goes through every record in order from here on (a report, an export) says
  // so: once it has read a record, the unread records are read in long runs of the columns it
  // read, as a walk the dataset notices by itself is read only after some 2,000 records. Until
  // WalkAhead(false), the dataset's close, or a read that is not the next one.
  void WalkAhead(bool on) { walkAhead_ = on ? kWalkSaid : kNoWalkSaid; }

  // Reads a field of any record without moving the cursor or firing events (grids paint this
  // way); recNo is 1-based.
  String DisplayTextAt(TField* field, Integer recNo) const;
  Variant ValueAt(TField* field, Integer recNo) const;

  // bmRead copies the value; bmWrite starts empty, bmReadWrite from the value, and both store
  // the stream's contents into the field when the stream is freed (the dataset must be in edit
  // or insert state when the stream is made).
  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);

  std::function<void(TDataSet*)> BeforeOpen;
  std::function<void(TDataSet*)> AfterOpen;
  std::function<void(TDataSet*)> BeforeClose;
  std::function<void(TDataSet*)> AfterClose;
  std::function<void(TDataSet*)> BeforeScroll;
  std::function<void(TDataSet*)> AfterScroll;
  std::function<void(TDataSet*)> BeforeInsert;
  std::function<void(TDataSet*)> AfterInsert;
  std::function<void(TDataSet*)> OnNewRecord;
  std::function<void(TDataSet*)> BeforePost;
  std::function<void(TDataSet*)> AfterPost;
  std::function<void(TDataSet*)> BeforeDelete;
  std::function<void(TDataSet*)> AfterDelete;

 protected:
  // Runs the statement, creates the fields (CreateFieldsIfChanged) and fills Store().
  virtual void InternalOpen() = 0;
  virtual void InternalClose() {}
  // Writes the current record. Changed(i) tells which fields were written since Edit/Insert;
  // original is the row as it was read (an edit) or -1 (an insert). Afterwards the current row
  // holds the record as stored.
  virtual void InternalPost(Int64 row, Int64 original) = 0;
  virtual void InternalDelete(Int64 row) = 0;
  // Fills rows of the store with unread rows: each pair is the descendant's ticket of a row and
  // the store's row to fill. columns names the columns to read (the rest stay Null until
  // InternalReadRest); empty reads them all.
  virtual void InternalReadRows(const std::vector<std::pair<Int64, Int64>>& rows,
                                const std::vector<bool>& columns) {
    (void)rows, (void)columns;
  }
  // Reads the columns that are not in read of a row InternalReadRows filled with read alone.
  virtual void InternalReadRest(Int64 row, const std::vector<bool>& read) { (void)row, (void)read; }
  // How many unread records a walk that reads columns (empty: all of them) reads at a time; 0
  // reads all that are left at once.
  virtual Integer InternalWalkRows(const std::vector<bool>& columns) const {
    (void)columns;
    return 0;
  }
  // Whether the unread row matches a Locate key without reading it: 1 or 0, or -1 when only
  // reading the row can tell.
  virtual int InternalMatchUnread(Int64 ticket, const std::vector<TField*>& keys,
                                  const std::vector<Variant>& values, TLocateOptions options) const {
    (void)ticket, (void)keys, (void)values, (void)options;
    return -1;
  }

  // A fresh, empty row store for InternalOpen to fill.
  RowStore& NewStore(Integer columns);
  // The records in order, set by InternalOpen when they are not the store's rows as added: a
  // row of the store, or -1 - ticket for a row not read yet.
  void SetRowOrder(std::vector<Int64> order);
  RowStore& Store() { return *store_; }
  const RowStore& Store() const { return *store_; }
  // Replaces the fields unless the new ones have the same names and types as the present ones
  // (so that field pointers held by the application survive a requery).
  void SetFields(std::vector<std::unique_ptr<TField>> fields);
  bool FieldChanged(Integer index) const { return changed_[static_cast<size_t>(index)]; }
  // Re-runs InternalOpen on an open dataset and goes to the first record.
  void Reopen();
  // Leaves edit or insert state by posting (modified) or cancelling.
  void CheckBrowseMode();
  [[noreturn]] void DatabaseError(const String& message) const;
  void CheckActive() const;

 private:
  friend class TField;
  friend class TDataSource;
  friend class TBlobWriteStream;

  CellView CurrentCell(Integer fieldIndex) const;
  // A cell of a row of the store, the rest of the row read first when a walk left it unread.
  CellView Cell(Int64 row, Integer fieldIndex) const;
  void CompleteRow(Int64 row) const;
  void SetCurrentCell(TField* field, const CellView& cell);
  void SetState(TDataSetState state);
  void DataEvent(TDataEvent event, TField* field = nullptr);
  void DoScroll(const std::function<void()>& move);
  void BeginInsertAppend(bool append);
  void ClearBuffers();
  Int64 CurrentRow() const;
  // The store's row of the record at pos (0-based), read first when it was not.
  Int64 RowAt(Integer pos) const;
  // Reads the unread records from pos up to end, or a block of them when end is -1.
  void ReadRows(Integer pos, Integer end = -1);
  void StartCursor();
  Integer PositionOf(Int64 row) const;
  Variant RowValue(TField* field, Int64 row) const;
  bool RowMatches(Int64 row, const std::vector<TField*>& keys,
                  const std::vector<Variant>& values, TLocateOptions options) const;
  std::vector<TField*> FieldList(const String& names) const;
  Integer FindRecord(const String& keyFields, const Variant& keyValues,
                     TLocateOptions options) const;

  TDataSetState state_ = dsInactive;
  TFields fields_;
  std::unique_ptr<RowStore> store_;
  std::vector<Int64> order_;  // rows in display order; < 0: not read yet
  bool orderGiven_ = false;
  Integer walkEnd_ = -1;  // where the last block read ended
  Integer walked_ = 0;    // blocks read one right after another
  // WalkAhead: said, and whether a read came since.
  enum TWalkAhead { kNoWalkSaid, kWalkSaid, kWalkGoing };
  TWalkAhead walkAhead_ = kNoWalkSaid;
  // The columns read through fields since the dataset opened. A walk through the records reads
  // only these of its rows: a report prints a few columns of a wide table.
  mutable std::vector<bool> asked_;
  std::vector<bool> walkColumns_;   // what the walks read; empty while none did
  mutable std::vector<bool> partial_;  // by row of the store: read with walkColumns_ alone
  Integer cursor_ = -1;       // index into order_
  bool bof_ = true;
  bool eof_ = true;
  Cardinal generation_ = 0;
  Int64 backupRow_ = -1;      // the record as it was before Edit
  bool modified_ = false;
  std::vector<bool> changed_;
  Integer disableCount_ = 0;
  bool pendingStateChange_ = false;
  mutable Int64 peekRow_ = -1;  // the row DisplayTextAt and ValueAt read
  std::vector<TDataSource*> dataSources_;
};

// Connects a dataset to data-aware controls: tells them when the dataset opens or closes,
// scrolls, changes its data or its state.
class TDataSource : public TComponent {
  ORV_CLASS(TDataSource, TComponent)

 public:
  explicit TDataSource(TComponent* owner);
  ~TDataSource() override;

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);
  // A disabled source shows its controls an inactive dataset.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Whether editing a control puts the dataset into edit state by itself.
  bool AutoEdit() const { return autoEdit_; }
  void SetAutoEdit(bool autoEdit) { autoEdit_ = autoEdit; }
  // dsInactive without an enabled, active dataset.
  TDataSetState State() const;

  // field is the changed field, or nullptr when the record or the rows changed.
  std::function<void(TObject* sender, TField* field)> OnDataChange;
  std::function<void(TObject* sender)> OnStateChange;

 private:
  friend class TDataSet;
  friend class TDataLink;
  void Notify(TDataEvent event, TField* field);

  TDataSet* dataSet_ = nullptr;
  bool enabled_ = true;
  bool autoEdit_ = true;
  std::vector<TDataLink*> links_;
};

// What a data-aware control keeps to hear from its data source; the control overrides the
// notifications it cares about.
class TDataLink {
 public:
  TDataLink() = default;
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;
  virtual ~TDataLink();

  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* source);
  TDataSet* DataSet() const;
  // The data source is enabled and its dataset open.
  bool Active() const;

 protected:
  virtual void ActiveChanged() {}
  virtual void DataSetChanged() {}
  virtual void DataSetScrolled() {}
  virtual void RecordChanged(TField* field) { (void)field; }
  virtual void EditingChanged() {}
  virtual void LayoutChanged() { DataSetChanged(); }

 private:
  friend class TDataSource;
  void Notify(TDataEvent event, TField* field);
  TDataSource* dataSource_ = nullptr;
  bool active_ = false;
  TDataSetState lastState_ = dsInactive;
};

}  // namespace orv
