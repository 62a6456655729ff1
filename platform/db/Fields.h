#pragma once
// The field classes: one object per column of an open dataset, reading and writing the column's
// value in the dataset's current record.
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/Persistent.h"
#include "platform/rtl/Variant.h"

namespace orv {

class TDataSet;
class TStream;
struct CellView;  // platform/db/RowStore.h

// Where the data layer tells of a value it shows otherwise than it would: a date column's text
// that is no date. Standard error unless set; each message is given once.
using TDataWarningHandler = std::function<void(const String& message)>;
void SetDataWarningHandler(TDataWarningHandler handler);

// Column types in the class library's order.
enum TFieldType {
  ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
  ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
  ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
  ftLargeint, ftADT, ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant,
  ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd
};

// One column of a dataset. Reading gives the value of the current record (Null reads as "", 0,
// false); writing needs the dataset in edit or insert state.
class TField : public TPersistent {
  ORV_CLASS(TField, TPersistent)

 public:
  TField(TDataSet* dataSet, const String& fieldName, TFieldType dataType, Integer size);

  TDataSet* DataSet() const { return dataSet_; }
  const String& FieldName() const { return fieldName_; }
  TFieldType DataType() const { return dataType_; }
  // Declared length of a text column; 0 for other types.
  Integer Size() const { return size_; }
  // Position in the dataset's Fields.
  Integer Index() const { return index_; }

  const String& DisplayLabel() const { return displayLabel_; }
  void SetDisplayLabel(const String& label) { displayLabel_ = label; }
  // The display label, or the field name when there is none.
  const String& DisplayName() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
  // In characters.
  Integer DisplayWidth() const;
  void SetDisplayWidth(Integer width) { displayWidth_ = width; }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  // Columns that are not a plain column of the dataset's table (expressions, joins) are read-only.
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  // A FormatFloat picture for numeric fields, a FormatDateTime one for date fields; empty uses
  // the program's locale defaults.
  const String& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const String& format) { displayFormat_ = format; }

  bool IsNull() const;
  virtual bool IsBlob() const { return false; }
  // Size of the value in a record buffer: the declared size + 1 for text, 8 for numbers and dates.
  virtual Integer DataSize() const;

  Variant Value() const;
  void SetValue(const Variant& value);
  Variant AsVariant() const { return Value(); }
  void SetAsVariant(const Variant& value) { SetValue(value); }
  String AsString() const;
  // The empty string stores Null in every field that is not a text field.
  void SetAsString(const String& value);
  Integer AsInteger() const;
  void SetAsInteger(Integer value);
  Int64 AsLargeInt() const;
  void SetAsLargeInt(Int64 value);
  double AsFloat() const;
  void SetAsFloat(double value);
  TDateTime AsDateTime() const;
  void SetAsDateTime(TDateTime value);
  bool AsBoolean() const;
  void SetAsBoolean(bool value);
  void Clear();

  // The text shown in grids and reports; never raises for a stored value the type cannot read,
  // it shows that value's text instead.
  String DisplayText() const;
  // The text an editor starts from.
  String Text() const;
  void SetText(const String& text) { SetAsString(text); }

  // Replaces DisplayText and Text: text arrives filled with the default and may be changed.
  std::function<void(TField* sender, String& text, bool displayText)> OnGetText;

 protected:
  // The value of a stored cell as this field's type; EDatabaseError when it cannot be read so.
  virtual Variant CellToVariant(const CellView& cell) const = 0;
  // Stores a value (never Null or Empty: the base handles those) in the current record.
  virtual void StoreVariant(const Variant& value) = 0;
  // The default text of a non-null value.
  virtual String FormatText(const Variant& value, bool displayText) const;
  virtual String ParseableText(const CellView& cell) const;
  virtual Integer DefaultDisplayWidth() const { return 10; }

  // Writes one cell of the current record after checking state and read-only.
  void StoreCell(const CellView& cell);
  void StoreText(std::string_view text);
  void StoreInteger(Int64 value);
  void StoreFloat(double value);
  [[noreturn]] void ConvertError(const CellView& cell, const char* typeName) const;
  CellView CurrentCell() const;

 private:
  friend class TDataSet;
  friend class TFields;
  String GetText(bool displayText) const;

  TDataSet* dataSet_;
  String fieldName_;
  TFieldType dataType_;
  Integer size_;
  Integer index_ = -1;
  String displayLabel_;
  Integer displayWidth_ = -1;
  bool visible_ = true;
  bool readOnly_ = false;
  String displayFormat_;
};

// Text columns (declared CHAR, VARCHAR, TEXT ...).
class TStringField : public TField {
  ORV_CLASS(TStringField, TField)

 public:
  TStringField(TDataSet* dataSet, const String& fieldName, Integer size)
      : TStringField(dataSet, fieldName, ftString, size) {}

 protected:
  TStringField(TDataSet* dataSet, const String& fieldName, TFieldType type, Integer size)
      : TField(dataSet, fieldName, type, size) {}
  Variant CellToVariant(const CellView& cell) const override;
  void StoreVariant(const Variant& value) override;
  Integer DefaultDisplayWidth() const override { return Size(); }
};

// Text columns as the database driver delivers them: Unicode text.
class TWideStringField : public TStringField {
  ORV_CLASS(TWideStringField, TStringField)

 public:
  TWideStringField(TDataSet* dataSet, const String& fieldName, Integer size)
      : TStringField(dataSet, fieldName, ftWideString, size) {}
};

// The numeric fields share DisplayFormat.
class TNumericField : public TField {
  ORV_CLASS(TNumericField, TField)

 protected:
  using TField::TField;
};

// 32-bit integer columns.
class TIntegerField : public TNumericField {
  ORV_CLASS(TIntegerField, TNumericField)

 public:
  TIntegerField(TDataSet* dataSet, const String& fieldName)
      : TIntegerField(dataSet, fieldName, ftInteger) {}

 protected:
  TIntegerField(TDataSet* dataSet, const String& fieldName, TFieldType type)
      : TNumericField(dataSet, fieldName, type, 0) {}
  Variant CellToVariant(const CellView& cell) const override;
  void StoreVariant(const Variant& value) override;
  String FormatText(const Variant& value, bool displayText) const override;
};

// 16-bit integer columns (SMALLINT, TINYINT).
class TSmallintField : public TIntegerField {
  ORV_CLASS(TSmallintField, TIntegerField)

 public:
  TSmallintField(TDataSet* dataSet, const String& fieldName)
      : TIntegerField(dataSet, fieldName, ftSmallint) {}
};

// The auto-number key of a table; assigned by the database, so read-only.
class TAutoIncField : public TIntegerField {
  ORV_CLASS(TAutoIncField, TIntegerField)

 public:
  TAutoIncField(TDataSet* dataSet, const String& fieldName);
};

// 64-bit integer columns (BIGINT) and integer expressions whose values pass 32 bits.
class TLargeintField : public TNumericField {
  ORV_CLASS(TLargeintField, TNumericField)

 public:
  TLargeintField(TDataSet* dataSet, const String& fieldName)
      : TNumericField(dataSet, fieldName, ftLargeint, 0) {}

 protected:
  Variant CellToVariant(const CellView& cell) const override;
  void StoreVariant(const Variant& value) override;
  String FormatText(const Variant& value, bool displayText) const override;
  Integer DefaultDisplayWidth() const override { return 15; }
};

// Floating columns (REAL, FLOAT, DOUBLE, NUMERIC, DECIMAL).
class TFloatField : public TNumericField {
  ORV_CLASS(TFloatField, TNumericField)

 public:
  TFloatField(TDataSet* dataSet, const String& fieldName)
      : TFloatField(dataSet, fieldName, ftFloat) {}

 protected:
  TFloatField(TDataSet* dataSet, const String& fieldName, TFieldType type)
      : TNumericField(dataSet, fieldName, type, 0) {}
  Variant CellToVariant(const CellView& cell) const override;
  void StoreVariant(const Variant& value) override;
  String FormatText(const Variant& value, bool displayText) const override;
};

// Money columns (CURRENCY, MONEY): floating values shown in the locale's currency form.
class TCurrencyField : public TFloatField {
  ORV_CLASS(TCurrencyField, TFloatField)

 public:
  TCurrencyField(TDataSet* dataSet, const String& fieldName)
      : TFloatField(dataSet, fieldName, ftCurrency) {}

 protected:
  String FormatText(const Variant& value, bool displayText) const override;
};

// Yes/no columns (BOOLEAN, BIT, YESNO), stored as 0 and 1.
class TBooleanField : public TField {
  ORV_CLASS(TBooleanField, TField)

 public:
  TBooleanField(TDataSet* dataSet, const String& fieldName)
      : TField(dataSet, fieldName, ftBoolean, 0) {}

 protected:
  Variant CellToVariant(const CellView& cell) const override;
  void StoreVariant(const Variant& value) override;
  Integer DefaultDisplayWidth() const override { return 5; }
};

// Date and time columns (DATETIME, TIMESTAMP), stored as ISO text "YYYY-MM-DD HH:MM:SS", the
// time left out at midnight.
class TDateTimeField : public TField {
  ORV_CLASS(TDateTimeField, TField)

 public:
  TDateTimeField(TDataSet* dataSet, const String& fieldName)
      : TDateTimeField(dataSet, fieldName, ftDateTime) {}

 protected:
  TDateTimeField(TDataSet* dataSet, const String& fieldName, TFieldType type)
      : TField(dataSet, fieldName, type, 0) {}
  Variant CellToVariant(const CellView& cell) const override;
  void StoreVariant(const Variant& value) override;
  String FormatText(const Variant& value, bool displayText) const override;
  Integer DefaultDisplayWidth() const override { return 20; }
  virtual bool KeepsTime() const { return true; }
};

// Date columns (DATE), stored as ISO text "YYYY-MM-DD"; a time of day is dropped.
class TDateField : public TDateTimeField {
  ORV_CLASS(TDateField, TDateTimeField)

 public:
  TDateField(TDataSet* dataSet, const String& fieldName)
      : TDateTimeField(dataSet, fieldName, ftDate) {}

 protected:
  String FormatText(const Variant& value, bool displayText) const override;
  Integer DefaultDisplayWidth() const override { return 10; }
  bool KeepsTime() const override { return false; }
};

// Binary columns (BLOB); the value is the bytes as a string.
class TBlobField : public TField {
  ORV_CLASS(TBlobField, TField)

 public:
  TBlobField(TDataSet* dataSet, const String& fieldName)
      : TBlobField(dataSet, fieldName, ftBlob) {}

  bool IsBlob() const override { return true; }
  Integer DataSize() const override;
  // Writes the whole value to stream at its position.
  void SaveToStream(TStream& stream) const;
  // Replaces the value by the rest of stream from its position.
  void LoadFromStream(TStream& stream);
  void SaveToFile(const String& fileName) const;
  void LoadFromFile(const String& fileName);

 protected:
  TBlobField(TDataSet* dataSet, const String& fieldName, TFieldType type)
      : TField(dataSet, fieldName, type, 0) {}
  Variant CellToVariant(const CellView& cell) const override;
  void StoreVariant(const Variant& value) override;
  String FormatText(const Variant& value, bool displayText) const override;
};

// Long text columns (MEMO, LONGTEXT, CLOB).
class TMemoField : public TBlobField {
  ORV_CLASS(TMemoField, TBlobField)

 public:
  TMemoField(TDataSet* dataSet, const String& fieldName)
      : TBlobField(dataSet, fieldName, ftMemo) {}

 protected:
  Variant CellToVariant(const CellView& cell) const override;
  String FormatText(const Variant& value, bool displayText) const override;
};

// The fields of one dataset, in column order; owns them.
class TFields {
 public:
  Integer Count() const { return static_cast<Integer>(list_.size()); }
  // EListError outside 0..Count-1.
  TField* operator[](Integer index) const;
  TField* Fields(Integer index) const { return (*this)[index]; }
  // Case-blind; nullptr when absent.
  TField* FindField(const String& name) const;
  // EDatabaseError "Field '%s' not found".
  TField* FieldByName(const String& name) const;

 private:
  friend class TDataSet;
  void Add(std::unique_ptr<TField> field);
  void Clear() { list_.clear(); }
  std::vector<std::unique_ptr<TField>> list_;
};

}  // namespace orv
