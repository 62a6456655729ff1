#pragma once
// Component streaming: the binary property stream of the class library. TWriter writes an
// object's published properties and the data it declares in DefineProperties as named
// property records; TReader reads them back. The report library keeps such data inside its XML
// files (hex "PropData") and stores collections with it.
//
// A property record is the name as a short string (one length byte) followed by one value: a
// type byte, then the value's bytes (integers and lengths little-endian).
#include <functional>
#include <string_view>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace orv {

class TCollection;
class TReader;
class TWriter;

enum TValueType : Byte {
  vaNull, vaList, vaInt8, vaInt16, vaInt32, vaExtended, vaString, vaIdent, vaFalse, vaTrue,
  vaBinary, vaSet, vaLString, vaNil, vaCollection, vaSingle, vaCurrency, vaDate, vaWString,
  vaInt64, vaUTF8String, vaDouble
};

using TReaderProc = std::function<void(TReader&)>;
using TWriterProc = std::function<void(TWriter&)>;
using TStreamProc = std::function<void(TStream&)>;

// What reading and writing share: the stream, the root whose components references name, and
// the defined-property protocol.
class TFiler : public TObject {
  ORV_CLASS(TFiler, TObject)

 public:
  explicit TFiler(TStream& stream) : stream_(stream) {}
  TStream& Stream() const { return stream_; }
  TComponent* Root() const { return root_; }
  void SetRoot(TComponent* root) { root_ = root; }

  // hasData tells the writer whether to write the property; the reader calls readData when it
  // meets a record of that name.
  virtual void DefineProperty(const String& name, const TReaderProc& readData,
                              const TWriterProc& writeData, bool hasData) = 0;
  // The same for a block of bytes stored as one vaBinary value.
  virtual void DefineBinaryProperty(const String& name, const TStreamProc& readData,
                                    const TStreamProc& writeData, bool hasData) = 0;

 protected:
  TStream& stream_;
  TComponent* root_ = nullptr;
};

class TWriter : public TFiler {
  ORV_CLASS(TWriter, TFiler)

 public:
  using TFiler::TFiler;

  void DefineProperty(const String& name, const TReaderProc& readData,
                      const TWriterProc& writeData, bool hasData) override;
  void DefineBinaryProperty(const String& name, const TStreamProc& readData,
                            const TStreamProc& writeData, bool hasData) override;

  void WriteValue(TValueType value);
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  // The smallest integer form that holds the value.
  void WriteInteger(Int64 value);
  void WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }
  void WriteFloat(double value);
  // A short string up to 255 bytes, else a long one (vaLString).
  void WriteString(std::string_view value);
  void WriteLongString(std::string_view value);
  void WriteWideString(const WideString& value);
  void WriteIdent(std::string_view ident);
  void WritePropName(std::string_view name);
  // Every stored published property that differs from its default, then the defined ones.
  void WriteProperties(TPersistent* instance);
  // vaCollection, then each item's properties as a list.
  void WriteCollection(TCollection* collection);

 private:
  void WriteProperty(TPersistent* instance, const TPropInfo* prop);
  void WriteRaw(const void* data, size_t count) { stream_.WriteBuffer(data, static_cast<Int64>(count)); }
  String prefix_;
};

class TReader : public TFiler {
  ORV_CLASS(TReader, TFiler)

 public:
  using TFiler::TFiler;

  void DefineProperty(const String& name, const TReaderProc& readData,
                      const TWriterProc& writeData, bool hasData) override;
  void DefineBinaryProperty(const String& name, const TStreamProc& readData,
                            const TStreamProc& writeData, bool hasData) override;

  // The type of the next value without consuming it; EReadError at the end of the stream.
  TValueType NextValue();
  TValueType ReadValue();
  bool EndOfList() { return NextValue() == vaNull; }
  void ReadListBegin() { CheckValue(vaList); }
  void ReadListEnd() { CheckValue(vaNull); }
  Int64 ReadInteger();
  bool ReadBoolean();
  double ReadFloat();
  // Any string form (short, long, wide, UTF-8), as UTF-8.
  String ReadString();
  WideString ReadWideString();
  String ReadIdent();
  String ReadPropName();
  // Skips one value of any type.
  void SkipValue();
  // Reads one property record into instance: a defined property when instance declares one of
  // that name, else a published property (dotted names reach nested objects); unknown names
  // are skipped. EReadError for a value that does not fit the property.
  void ReadProperty(TPersistent* instance);
  // After vaCollection: clears collection and reads each item.
  void ReadCollection(TCollection* collection);
  // Until the end of the stream.
  bool AtEnd() { return stream_.Position() >= stream_.Size(); }

  // References to components read as names are resolved against Root when FixupReferences
  // runs; until then they are collected.
  void BeginReferences() { collecting_ = true; }
  void FixupReferences();
  void EndReferences() {
    collecting_ = false;
    fixups_.clear();
  }

 private:
  void CheckValue(TValueType expected);
  void ReadRaw(void* data, size_t count);
  void Skip(size_t count);
  // A byte count from the stream, refused when more than what is left.
  size_t ReadLength(size_t bytes);
  void ReadPropValue(TPersistent* instance, const TPropInfo* prop);
  [[noreturn]] void Invalid() const;

  struct TFixup {
    TPersistent* Instance;
    const TPropInfo* Prop;
    String Name;
  };
  std::vector<TFixup> fixups_;
  bool collecting_ = false;
  // The record being read and whether a defined property took it.
  String propName_;
  bool propHandled_ = false;
  int depth_ = 0;
};

}  // namespace orv
