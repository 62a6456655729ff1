#include "platform/db/Fields.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

#include "platform/db/DB.h"
#include "platform/db/RowStore.h"
#include "platform/db/SqlValues.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TField, c) {}
ORV_IMPLEMENT_CLASS(TStringField, c) {}
ORV_IMPLEMENT_CLASS(TWideStringField, c) {}
ORV_IMPLEMENT_CLASS(TNumericField, c) {}
ORV_IMPLEMENT_CLASS(TIntegerField, c) {}
ORV_IMPLEMENT_CLASS(TSmallintField, c) {}
ORV_IMPLEMENT_CLASS(TAutoIncField, c) {}
ORV_IMPLEMENT_CLASS(TLargeintField, c) {}
ORV_IMPLEMENT_CLASS(TFloatField, c) {}
ORV_IMPLEMENT_CLASS(TCurrencyField, c) {}
ORV_IMPLEMENT_CLASS(TBooleanField, c) {}
ORV_IMPLEMENT_CLASS(TDateTimeField, c) {}
ORV_IMPLEMENT_CLASS(TDateField, c) {}
ORV_IMPLEMENT_CLASS(TBlobField, c) {}
ORV_IMPLEMENT_CLASS(TMemoField, c) {}

namespace {

// Numbers that SQLite kept as text in a numeric column (it does when they do not convert
// losslessly); the whole text must be the number.
bool ParseInt(std::string_view text, Int64& out) {
  String s(text);
  if (s.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(s.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return false;
  out = v;
  return true;
}

bool ParseFloat(std::string_view text, double& out) {
  String s(text);
  if (s.empty()) return false;
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (*end != '\0') return false;
  out = v;
  return true;
}

}  // namespace

TField::TField(TDataSet* dataSet, const String& fieldName, TFieldType dataType, Integer size)
    : dataSet_(dataSet), fieldName_(fieldName), dataType_(dataType), size_(size) {}

Integer TField::DisplayWidth() const {
  return displayWidth_ >= 0 ? displayWidth_ : DefaultDisplayWidth();
}

Integer TField::DataSize() const {
  switch (dataType_) {
    case ftString:
    case ftWideString:
    case ftFixedChar: return size_ + 1;
    case ftSmallint:
    case ftBoolean: return 2;
    case ftInteger:
    case ftAutoInc: return 4;
    default: return 8;
  }
}

CellView TField::CurrentCell() const { return dataSet_->CurrentCell(index_); }

bool TField::IsNull() const { return CurrentCell().IsNull(); }

Variant TField::Value() const {
  CellView cell = CurrentCell();
  return cell.IsNull() ? Null() : CellToVariant(cell);
}

void TField::SetValue(const Variant& value) {
  if (value.IsNull() || value.IsEmpty())
    StoreCell(CellView());
  else
    StoreVariant(value);
}

String TField::AsString() const { return GetText(false); }

void TField::SetAsString(const String& value) {
  bool text = dataType_ == ftString || dataType_ == ftWideString || dataType_ == ftFixedChar ||
              dataType_ == ftMemo || dataType_ == ftBlob;
  if (value.empty() && !text)
    Clear();
  else
    StoreVariant(Variant(value));
}

Integer TField::AsInteger() const {
  Variant v = Value();
  return v.IsNull() ? 0 : v.ToInteger();
}
void TField::SetAsInteger(Integer value) { SetValue(Variant(value)); }

Int64 TField::AsLargeInt() const {
  Variant v = Value();
  return v.IsNull() ? 0 : v.ToInt64();
}
void TField::SetAsLargeInt(Int64 value) { SetValue(Variant(value)); }

double TField::AsFloat() const {
  Variant v = Value();
  return v.IsNull() ? 0.0 : v.ToDouble();
}
void TField::SetAsFloat(double value) { SetValue(Variant(value)); }

TDateTime TField::AsDateTime() const {
  Variant v = Value();
  // A date column's text that is no date reads as its text; asked for as a date it is the
  // column's conversion error, as a text of any other column would be.
  if (VarIsStr(v) && dynamic_cast<const TDateTimeField*>(this)) ConvertError(CurrentCell(), "date");
  return v.IsNull() ? 0.0 : v.ToDateTime();
}
void TField::SetAsDateTime(TDateTime value) { SetValue(Variant::FromDate(value)); }

bool TField::AsBoolean() const {
  Variant v = Value();
  return v.IsNull() ? false : v.ToBoolean();
}
void TField::SetAsBoolean(bool value) { SetValue(Variant(value)); }

void TField::Clear() { StoreCell(CellView()); }

String TField::DisplayText() const { return GetText(true); }
String TField::Text() const { return GetText(false); }

String TField::GetText(bool displayText) const {
  String text;
  CellView cell = CurrentCell();
  if (!cell.IsNull()) {
    try {
      text = FormatText(CellToVariant(cell), displayText);
    } catch (const Exception&) {
      text = ParseableText(cell);
    }
  }
  if (OnGetText) OnGetText(const_cast<TField*>(this), text, displayText);
  return text;
}

String TField::FormatText(const Variant& value, bool) const { return VarToStr(value); }

String TField::ParseableText(const CellView& cell) const {
  switch (cell.Type) {
    case CellType::Integer: return IntToStr(cell.Int);
    case CellType::Float: return FloatToStr(cell.Float);
    case CellType::Text:
    case CellType::Blob: return String(cell.Bytes);
    case CellType::Null: break;
  }
  return String();
}

void TField::StoreCell(const CellView& cell) { dataSet_->SetCurrentCell(this, cell); }
void TField::StoreText(std::string_view text) { StoreCell(CellView::MakeText(text)); }
void TField::StoreInteger(Int64 value) { StoreCell(CellView::MakeInteger(value)); }
void TField::StoreFloat(double value) { StoreCell(CellView::MakeFloat(value)); }

void TField::ConvertError(const CellView& cell, const char* typeName) const {
  throw EDatabaseError(Format("'%s' in field '%s' is not a valid %s",
                              {ParseableText(cell), fieldName_, typeName}));
}

// Text.

Variant TStringField::CellToVariant(const CellView& cell) const {
  // Straight from the row into the Variant, without a String in between.
  if (cell.Type == CellType::Text) return Variant(cell.Bytes);
  return Variant(ParseableText(cell));
}

void TStringField::StoreVariant(const Variant& value) { StoreText(VarToStr(value)); }

// Integers.

Variant TIntegerField::CellToVariant(const CellView& cell) const {
  Int64 v = 0;
  switch (cell.Type) {
    case CellType::Integer: v = cell.Int; break;
    case CellType::Float:
      // A fraction that an INTEGER column kept is shown as it is rather than rounded away.
      if (std::trunc(cell.Float) != cell.Float) return Variant(cell.Float);
      v = static_cast<Int64>(cell.Float);
      break;
    default:
      if (!ParseInt(cell.Bytes, v)) ConvertError(cell, "integer");
  }
  if (v >= INT32_MIN && v <= INT32_MAX) return Variant(static_cast<Integer>(v));
  return Variant(v);
}

void TIntegerField::StoreVariant(const Variant& value) { StoreInteger(value.ToInt64()); }

String TIntegerField::FormatText(const Variant& value, bool displayText) const {
  if (displayText && !DisplayFormat().empty()) return FormatFloat(DisplayFormat(), value.ToDouble());
  return VarToStr(value);
}

TAutoIncField::TAutoIncField(TDataSet* dataSet, const String& fieldName)
    : TIntegerField(dataSet, fieldName, ftAutoInc) {
  SetReadOnly(true);
}

Variant TLargeintField::CellToVariant(const CellView& cell) const {
  Int64 v = 0;
  switch (cell.Type) {
    case CellType::Integer: return Variant(cell.Int);
    case CellType::Float:
      if (std::trunc(cell.Float) != cell.Float) return Variant(cell.Float);
      return Variant(static_cast<Int64>(cell.Float));
    default:
      if (!ParseInt(cell.Bytes, v)) ConvertError(cell, "integer");
      return Variant(v);
  }
}

void TLargeintField::StoreVariant(const Variant& value) { StoreInteger(value.ToInt64()); }

String TLargeintField::FormatText(const Variant& value, bool displayText) const {
  if (displayText && !DisplayFormat().empty()) return FormatFloat(DisplayFormat(), value.ToDouble());
  return VarToStr(value);
}

// Floating.

Variant TFloatField::CellToVariant(const CellView& cell) const {
  double v = 0;
  switch (cell.Type) {
    case CellType::Float: return Variant(cell.Float);
    case CellType::Integer: return Variant(static_cast<double>(cell.Int));
    default:
      if (!ParseFloat(cell.Bytes, v)) ConvertError(cell, "floating point value");
      return Variant(v);
  }
}

void TFloatField::StoreVariant(const Variant& value) { StoreFloat(value.ToDouble()); }

String TFloatField::FormatText(const Variant& value, bool displayText) const {
  if (displayText && !DisplayFormat().empty()) return FormatFloat(DisplayFormat(), value.ToDouble());
  return FloatToStr(value.ToDouble());
}

String TCurrencyField::FormatText(const Variant& value, bool displayText) const {
  if (!displayText) return FloatToStr(value.ToDouble());
  if (!DisplayFormat().empty()) return FormatFloat(DisplayFormat(), value.ToDouble());
  return FloatToStrF(value.ToDouble(), ffCurrency, 15, FormatSettings().CurrencyDecimals);
}

// Booleans.

Variant TBooleanField::CellToVariant(const CellView& cell) const {
  switch (cell.Type) {
    case CellType::Integer: return Variant(cell.Int != 0);
    case CellType::Float: return Variant(cell.Float != 0);
    default: {
      bool b;
      if (!TryStrToBool(String(cell.Bytes), b)) ConvertError(cell, "boolean value");
      return Variant(b);
    }
  }
}

void TBooleanField::StoreVariant(const Variant& value) { StoreInteger(value.ToBoolean() ? 1 : 0); }

// Warnings.

namespace {

struct TDataWarnings {
  std::mutex Lock;
  TDataWarningHandler Handler;
  std::set<String> Given;
};

TDataWarnings& DataWarnings() {
  static TDataWarnings warnings;
  return warnings;
}

void Warn(const String& message) {
  TDataWarnings& w = DataWarnings();
  TDataWarningHandler handler;
  {
    std::lock_guard guard(w.Lock);
    // A bad value is read again on every scroll and every page: it is told once, and a file
    // full of them cannot grow the list without end.
    if (w.Given.size() >= 1000 || !w.Given.insert(message).second) return;
    handler = w.Handler;
  }
  if (handler) handler(message);
  else std::fprintf(stderr, "orvane: %s\n", message.c_str());
}

}  // namespace

void SetDataWarningHandler(TDataWarningHandler handler) {
  TDataWarnings& w = DataWarnings();
  std::lock_guard guard(w.Lock);
  w.Handler = std::move(handler);
}

// Dates.

Variant TDateTimeField::CellToVariant(const CellView& cell) const {
  switch (cell.Type) {
    case CellType::Integer: return Variant::FromDate(static_cast<double>(cell.Int));
    case CellType::Float: return Variant::FromDate(cell.Float);
    default: {
      TDateTime d;
      if (!TryParseIsoDate(cell.Bytes, d)) {
        // Another program may have written any text into a date column: it is shown as it
        // stands, so one such record does not stop a whole list or certificate.
        Warn(Format("'%s' in field '%s' is not a valid date; it is shown as it stands",
                    {ParseableText(cell), FieldName()}));
        return Variant(ParseableText(cell));
      }
      return Variant::FromDate(KeepsTime() ? d : std::trunc(d));
    }
  }
}

void TDateTimeField::StoreVariant(const Variant& value) {
  TDateTime d = value.ToDateTime();
  if (!KeepsTime()) d = std::trunc(d);
  StoreText(IsoDateText(d, std::trunc(d) != d));
}

String TDateTimeField::FormatText(const Variant& value, bool displayText) const {
  if (VarIsStr(value)) return VarToStr(value);
  if (displayText && !DisplayFormat().empty())
    return FormatDateTime(DisplayFormat(), value.ToDateTime());
  return DateTimeToStr(value.ToDateTime());
}

String TDateField::FormatText(const Variant& value, bool displayText) const {
  if (VarIsStr(value)) return VarToStr(value);
  if (displayText && !DisplayFormat().empty())
    return FormatDateTime(DisplayFormat(), value.ToDateTime());
  return DateToStr(value.ToDateTime());
}

// Blobs and memos.

Variant TBlobField::CellToVariant(const CellView& cell) const { return Variant(ParseableText(cell)); }

void TBlobField::StoreVariant(const Variant& value) {
  String bytes = VarToStr(value);
  StoreCell(DataType() == ftMemo ? CellView::MakeText(bytes) : CellView::MakeBlob(bytes));
}

String TBlobField::FormatText(const Variant& value, bool displayText) const {
  return displayText ? String("(BLOB)") : VarToStr(value);
}

Integer TBlobField::DataSize() const { return static_cast<Integer>(CurrentCell().Bytes.size()); }

void TBlobField::SaveToStream(TStream& stream) const {
  CellView cell = CurrentCell();
  if (cell.Type == CellType::Text || cell.Type == CellType::Blob)
    stream.WriteBuffer(cell.Bytes.data(), static_cast<Int64>(cell.Bytes.size()));
  else if (!cell.IsNull())
    stream.WriteString(ParseableText(cell));
}

void TBlobField::LoadFromStream(TStream& stream) {
  String bytes;
  bytes.resize(static_cast<size_t>(stream.Size() - stream.Position()));
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  StoreCell(DataType() == ftMemo ? CellView::MakeText(bytes) : CellView::MakeBlob(bytes));
}

void TBlobField::SaveToFile(const String& fileName) const {
  TMemoryStream stream;
  SaveToStream(stream);
  stream.SaveToFile(fileName);
}

void TBlobField::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

Variant TMemoField::CellToVariant(const CellView& cell) const { return Variant(ParseableText(cell)); }

String TMemoField::FormatText(const Variant& value, bool) const { return VarToStr(value); }

// The list.

TField* TFields::operator[](Integer index) const {
  if (index < 0 || index >= Count())
    throw EListError(Format("List index out of bounds (%d)", {index}));
  return list_[static_cast<size_t>(index)].get();
}

TField* TFields::FindField(const String& name) const {
  for (const auto& f : list_)
    if (SameText(f->FieldName(), name)) return f.get();
  return nullptr;
}

TField* TFields::FieldByName(const String& name) const {
  TField* f = FindField(name);
  if (!f) throw EDatabaseError(Format("Field '%s' not found", {name}));
  return f;
}

void TFields::Add(std::unique_ptr<TField> field) {
  field->index_ = Count();
  list_.push_back(std::move(field));
}

}  // namespace orv
