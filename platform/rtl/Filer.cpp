#include "platform/rtl/Filer.h"

#include <cstring>

#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TFiler, c) {}
ORV_IMPLEMENT_CLASS(TWriter, c) {}
ORV_IMPLEMENT_CLASS(TReader, c) {}

namespace {

// Nested lists and collections deeper than this are not data a program wrote.
constexpr int kMaxDepth = 64;

}  // namespace

// ---- writing ----

void TWriter::WriteValue(TValueType value) {
  Byte b = value;
  WriteRaw(&b, 1);
}

void TWriter::WriteInteger(Int64 value) {
  if (value >= INT8_MIN && value <= INT8_MAX) {
    WriteValue(vaInt8);
    std::int8_t v = static_cast<std::int8_t>(value);
    WriteRaw(&v, 1);
  } else if (value >= INT16_MIN && value <= INT16_MAX) {
    WriteValue(vaInt16);
    std::int16_t v = static_cast<std::int16_t>(value);
    WriteRaw(&v, 2);
  } else if (value >= INT32_MIN && value <= INT32_MAX) {
    WriteValue(vaInt32);
    std::int32_t v = static_cast<std::int32_t>(value);
    WriteRaw(&v, 4);
  } else {
    WriteValue(vaInt64);
    WriteRaw(&value, 8);
  }
}

void TWriter::WriteFloat(double value) {
  WriteValue(vaDouble);
  WriteRaw(&value, 8);
}

void TWriter::WriteString(std::string_view value) {
  if (value.size() > 255) {
    WriteLongString(value);
    return;
  }
  WriteValue(vaString);
  Byte n = static_cast<Byte>(value.size());
  WriteRaw(&n, 1);
  WriteRaw(value.data(), value.size());
}

void TWriter::WriteLongString(std::string_view value) {
  WriteValue(vaLString);
  std::uint32_t n = static_cast<std::uint32_t>(value.size());
  WriteRaw(&n, 4);
  WriteRaw(value.data(), value.size());
}

void TWriter::WriteWideString(const WideString& value) {
  WriteValue(vaWString);
  std::uint32_t n = static_cast<std::uint32_t>(value.size());
  WriteRaw(&n, 4);
  for (char16_t c : value) {
    Byte b[2] = {static_cast<Byte>(c & 0xFF), static_cast<Byte>(c >> 8)};
    WriteRaw(b, 2);
  }
}

void TWriter::WriteIdent(std::string_view ident) {
  WriteValue(vaIdent);
  Byte n = static_cast<Byte>(std::min<size_t>(ident.size(), 255));
  WriteRaw(&n, 1);
  WriteRaw(ident.data(), n);
}

void TWriter::WritePropName(std::string_view name) {
  Byte n = static_cast<Byte>(std::min<size_t>(name.size(), 255));
  WriteRaw(&n, 1);
  WriteRaw(name.data(), n);
}

void TWriter::DefineProperty(const String& name, const TReaderProc&, const TWriterProc& writeData,
                             bool hasData) {
  if (!hasData || !writeData) return;
  WritePropName(prefix_ + name);
  writeData(*this);
}

void TWriter::DefineBinaryProperty(const String& name, const TStreamProc&,
                                   const TStreamProc& writeData, bool hasData) {
  if (!hasData || !writeData) return;
  TMemoryStream data;
  writeData(data);
  WritePropName(prefix_ + name);
  WriteValue(vaBinary);
  std::uint32_t n = static_cast<std::uint32_t>(data.Size());
  WriteRaw(&n, 4);
  WriteRaw(data.Memory(), n);
}

void TWriter::WriteProperties(TPersistent* instance) {
  for (const TPropInfo* prop : GetPropList(instance))
    if (prop->IsStored(instance)) WriteProperty(instance, prop);
  instance->DefineProperties(this);
}

void TWriter::WriteProperty(TPersistent* instance, const TPropInfo* prop) {
  String name = prefix_ + prop->Name();
  switch (prop->Kind()) {
    case tkInteger:
    case tkChar:
    case tkWChar:
      if (IsDefaultPropValue(instance, prop)) return;
      WritePropName(name);
      WriteInteger(prop->GetOrd(instance));
      return;
    case tkInt64:
      if (IsDefaultPropValue(instance, prop)) return;
      WritePropName(name);
      WriteValue(vaInt64);
      {
        Int64 v = prop->GetOrd(instance);
        WriteRaw(&v, 8);
      }
      return;
    case tkEnumeration:
      if (IsDefaultPropValue(instance, prop)) return;
      WritePropName(name);
      if (prop->PropType() == TypeInfoOf<bool>())
        WriteBoolean(prop->GetOrd(instance) != 0);
      else
        WriteIdent(GetEnumName(prop->PropType(), static_cast<Integer>(prop->GetOrd(instance))));
      return;
    case tkSet: {
      if (IsDefaultPropValue(instance, prop)) return;
      WritePropName(name);
      WriteValue(vaSet);
      Int64 mask = prop->GetOrd(instance);
      const auto& names = prop->PropType()->CompType()->EnumNames();
      for (size_t i = 0; i < names.size() && i < 32; ++i)
        if (mask & (Int64(1) << i)) WritePropName(names[i]);
      WritePropName("");
      return;
    }
    case tkFloat:
      WritePropName(name);
      WriteFloat(prop->GetFloat(instance));
      return;
    case tkString:
    case tkLString:
      if (IsDefaultPropValue(instance, prop)) return;
      WritePropName(name);
      WriteString(prop->GetStr(instance));
      return;
    case tkWString:
      if (IsDefaultPropValue(instance, prop)) return;
      WritePropName(name);
      WriteWideString(prop->GetWideStr(instance));
      return;
    case tkVariant: {
      Variant v = prop->GetVariant(instance);
      WritePropName(name);
      switch (v.VType()) {
        case varEmpty: WriteValue(vaNil); break;
        case varNull: WriteValue(vaNull); break;
        case varBoolean: WriteBoolean(v.ToBoolean()); break;
        case varSingle:
        case varDouble:
        case varCurrency: WriteFloat(v.ToDouble()); break;
        case varDate: {
          WriteValue(vaDate);
          double d = v.ToDateTime();
          WriteRaw(&d, 8);
          break;
        }
        case varString:
        case varOleStr: WriteString(v.ToString()); break;
        default:
          if (v.IsArray()) WriteValue(vaNil);
          else WriteInteger(v.ToInt64());
      }
      return;
    }
    case tkMethod: {
      String handler = prop->GetMethodName(instance);
      if (handler.empty()) return;
      WritePropName(name);
      WriteIdent(handler);
      return;
    }
    case tkClass: {
      TObject* obj = prop->GetObject(instance);
      if (!obj) return;
      if (auto* component = dynamic_cast<TComponent*>(obj)) {
        WritePropName(name);
        WriteIdent(component->Name());
      } else if (auto* strings = dynamic_cast<TStrings*>(obj)) {
        if (strings->Count() == 0) return;
        WritePropName(name + ".Strings");
        WriteListBegin();
        for (Integer i = 0; i < strings->Count(); ++i) WriteString(strings->Strings(i));
        WriteListEnd();
      } else if (auto* collection = dynamic_cast<TCollection*>(obj)) {
        WritePropName(name);
        WriteCollection(collection);
      } else if (auto* nested = dynamic_cast<TPersistent*>(obj)) {
        String saved = prefix_;
        prefix_ = name + ".";
        WriteProperties(nested);
        prefix_ = saved;
      }
      return;
    }
    default:
      return;
  }
}

void TWriter::WriteCollection(TCollection* collection) {
  WriteValue(vaCollection);
  String saved = prefix_;
  prefix_.clear();
  for (Integer i = 0; i < collection->Count(); ++i) {
    WriteListBegin();
    WriteProperties(collection->Items(i));
    WriteListEnd();
  }
  prefix_ = saved;
  WriteListEnd();
}

// ---- reading ----

void TReader::Invalid() const { throw EReadError("Invalid stream format"); }

void TReader::ReadRaw(void* data, size_t count) {
  if (static_cast<Int64>(count) > stream_.Size() - stream_.Position()) Invalid();
  stream_.ReadBuffer(data, static_cast<Int64>(count));
}

void TReader::Skip(size_t count) {
  if (static_cast<Int64>(count) > stream_.Size() - stream_.Position()) Invalid();
  stream_.Seek(static_cast<Int64>(count), soCurrent);
}

size_t TReader::ReadLength(size_t bytes) {
  std::uint32_t n = 0;
  ReadRaw(&n, bytes);
  if (static_cast<Int64>(n) > stream_.Size() - stream_.Position()) Invalid();
  return n;
}

TValueType TReader::NextValue() {
  TValueType v = ReadValue();
  stream_.Seek(-1, soCurrent);
  return v;
}

TValueType TReader::ReadValue() {
  Byte b = 0;
  ReadRaw(&b, 1);
  if (b > vaDouble) Invalid();
  return static_cast<TValueType>(b);
}

void TReader::CheckValue(TValueType expected) {
  if (ReadValue() != expected) Invalid();
}

Int64 TReader::ReadInteger() {
  switch (ReadValue()) {
    case vaInt8: {
      std::int8_t v;
      ReadRaw(&v, 1);
      return v;
    }
    case vaInt16: {
      std::int16_t v;
      ReadRaw(&v, 2);
      return v;
    }
    case vaInt32: {
      std::int32_t v;
      ReadRaw(&v, 4);
      return v;
    }
    case vaInt64: {
      Int64 v;
      ReadRaw(&v, 8);
      return v;
    }
    default:
      Invalid();
  }
}

bool TReader::ReadBoolean() {
  TValueType v = ReadValue();
  if (v != vaTrue && v != vaFalse) Invalid();
  return v == vaTrue;
}

double TReader::ReadFloat() {
  TValueType v = NextValue();
  if (v == vaInt8 || v == vaInt16 || v == vaInt32 || v == vaInt64) return static_cast<double>(ReadInteger());
  ReadValue();
  if (v == vaSingle) {
    float f;
    ReadRaw(&f, 4);
    return f;
  }
  if (v == vaCurrency) {
    Int64 scaled;
    ReadRaw(&scaled, 8);
    return static_cast<double>(scaled) / 10000.0;
  }
  if (v != vaDouble && v != vaDate) Invalid();
  double d;
  ReadRaw(&d, 8);
  return d;
}

String TReader::ReadString() {
  switch (ReadValue()) {
    case vaString:
    case vaIdent: {
      String s(ReadLength(1), '\0');
      ReadRaw(s.data(), s.size());
      return s;
    }
    case vaLString:
    case vaUTF8String: {
      String s(ReadLength(4), '\0');
      ReadRaw(s.data(), s.size());
      return s;
    }
    case vaWString:
      stream_.Seek(-1, soCurrent);
      return WideToUtf8(ReadWideString());
    default:
      Invalid();
  }
}

WideString TReader::ReadWideString() {
  if (NextValue() != vaWString) return Utf8ToWide(ReadString());
  ReadValue();
  std::uint32_t n = 0;
  ReadRaw(&n, 4);
  if (static_cast<Int64>(n) * 2 > stream_.Size() - stream_.Position()) Invalid();
  WideString w(n, u'\0');
  for (auto& c : w) {
    Byte b[2];
    ReadRaw(b, 2);
    c = static_cast<char16_t>(b[0] | (b[1] << 8));
  }
  return w;
}

String TReader::ReadIdent() {
  switch (NextValue()) {
    case vaIdent:
    case vaString:
    case vaLString:
    case vaUTF8String:
    case vaWString:
      return ReadString();
    case vaFalse:
      ReadValue();
      return "False";
    case vaTrue:
      ReadValue();
      return "True";
    case vaNil:
      ReadValue();
      return "nil";
    case vaNull:
      ReadValue();
      return "Null";
    default:
      Invalid();
  }
}

String TReader::ReadPropName() {
  String s(ReadLength(1), '\0');
  ReadRaw(s.data(), s.size());
  return s;
}

void TReader::SkipValue() {
  if (++depth_ > kMaxDepth) Invalid();
  switch (ReadValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
      break;
    case vaList:
      while (!EndOfList()) SkipValue();
      ReadValue();
      break;
    case vaInt8: Skip(1); break;
    case vaInt16: Skip(2); break;
    case vaInt32:
    case vaSingle: Skip(4); break;
    case vaInt64:
    case vaDouble:
    case vaDate:
    case vaCurrency: Skip(8); break;
    case vaExtended: Skip(10); break;
    case vaString:
    case vaIdent: Skip(ReadLength(1)); break;
    case vaLString:
    case vaUTF8String:
    case vaBinary: Skip(ReadLength(4)); break;
    case vaWString: {
      std::uint32_t n = 0;
      ReadRaw(&n, 4);
      Skip(static_cast<size_t>(n) * 2);
      break;
    }
    case vaSet:
      while (!ReadPropName().empty()) {
      }
      break;
    case vaCollection:
      while (!EndOfList()) {
        ReadListBegin();
        while (!EndOfList()) {
          ReadPropName();
          SkipValue();
        }
        ReadListEnd();
      }
      ReadValue();
      break;
  }
  --depth_;
}

void TReader::DefineProperty(const String& name, const TReaderProc& readData, const TWriterProc&,
                             bool) {
  if (propHandled_ || !readData || !SameText(name, propName_)) return;
  propHandled_ = true;
  readData(*this);
}

void TReader::DefineBinaryProperty(const String& name, const TStreamProc& readData,
                                   const TStreamProc&, bool) {
  if (propHandled_ || !readData || !SameText(name, propName_)) return;
  propHandled_ = true;
  CheckValue(vaBinary);
  size_t n = ReadLength(4);
  TMemoryStream data;
  data.SetSize(static_cast<Int64>(n));
  ReadRaw(data.Memory(), n);
  data.SetPosition(0);
  readData(data);
}

void TReader::ReadProperty(TPersistent* instance) {
  String path = ReadPropName();
  TPersistent* target = instance;
  size_t start = 0;
  for (size_t dot = path.find('.'); dot != String::npos; dot = path.find('.', start)) {
    String part = path.substr(start, dot - start);
    const TPropInfo* prop = GetPropInfo(target, part);
    TPersistent* next = prop && prop->Kind() == tkClass ? dynamic_cast<TPersistent*>(prop->GetObject(target)) : nullptr;
    if (!next || dynamic_cast<TComponent*>(next)) {
      SkipValue();
      return;
    }
    target = next;
    start = dot + 1;
  }
  String name = path.substr(start);
  if (auto* strings = dynamic_cast<TStrings*>(target); strings && SameText(name, "Strings")) {
    ReadListBegin();
    strings->BeginUpdate();
    strings->Clear();
    while (!EndOfList()) strings->Add(ReadString());
    strings->EndUpdate();
    ReadListEnd();
    return;
  }
  propName_ = name;
  propHandled_ = false;
  target->DefineProperties(this);
  if (propHandled_) {
    propHandled_ = false;
    return;
  }
  const TPropInfo* prop = GetPropInfo(target, name);
  if (!prop || !prop->IsWritable()) {
    if (prop && prop->Kind() == tkClass && NextValue() == vaCollection) {
      if (auto* collection = dynamic_cast<TCollection*>(prop->GetObject(target))) {
        ReadValue();
        ReadCollection(collection);
        return;
      }
    }
    SkipValue();
    return;
  }
  ReadPropValue(target, prop);
}

void TReader::ReadPropValue(TPersistent* instance, const TPropInfo* prop) {
  switch (prop->Kind()) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkInt64:
      prop->SetOrd(instance, ReadInteger());
      return;
    case tkEnumeration: {
      TValueType v = NextValue();
      if (v == vaTrue || v == vaFalse) {
        prop->SetOrd(instance, ReadBoolean() ? 1 : 0);
      } else if (v == vaIdent || v == vaString) {
        Integer ord = GetEnumValue(prop->PropType(), ReadString());
        if (ord < 0) Invalid();
        prop->SetOrd(instance, ord);
      } else {
        prop->SetOrd(instance, ReadInteger());
      }
      return;
    }
    case tkSet: {
      CheckValue(vaSet);
      Int64 mask = 0;
      const auto& names = prop->PropType()->CompType()->EnumNames();
      for (String element = ReadPropName(); !element.empty(); element = ReadPropName()) {
        size_t i = 0;
        while (i < names.size() && !SameText(names[i], element)) ++i;
        if (i >= names.size() || i >= 32) Invalid();
        mask |= Int64(1) << i;
      }
      prop->SetOrd(instance, mask);
      return;
    }
    case tkFloat:
      prop->SetFloat(instance, ReadFloat());
      return;
    case tkString:
    case tkLString:
      prop->SetStr(instance, ReadString());
      return;
    case tkWString:
      prop->SetWideStr(instance, ReadWideString());
      return;
    case tkVariant: {
      TValueType v = NextValue();
      Variant value;
      switch (v) {
        case vaNil: ReadValue(); break;
        case vaNull: ReadValue(); value = Null(); break;
        case vaFalse:
        case vaTrue: value = ReadBoolean(); break;
        case vaInt8:
        case vaInt16:
        case vaInt32: value = static_cast<Integer>(ReadInteger()); break;
        case vaInt64: value = ReadInteger(); break;
        case vaDate: value = Variant::FromDate(ReadFloat()); break;
        case vaSingle:
        case vaDouble:
        case vaCurrency: value = ReadFloat(); break;
        default: value = ReadString();
      }
      prop->SetVariant(instance, value);
      return;
    }
    case tkMethod:
      prop->SetMethodName(instance, ReadIdent());
      return;
    case tkClass: {
      TValueType v = NextValue();
      if (v == vaNil) {
        ReadValue();
        prop->SetObject(instance, nullptr);
      } else if (v == vaIdent || v == vaString || v == vaLString) {
        String name = ReadString();
        if (collecting_) fixups_.push_back({instance, prop, name});
        else if (root_) prop->SetObject(instance, root_->FindComponent(name));
      } else if (v == vaCollection) {
        ReadValue();
        auto* collection = dynamic_cast<TCollection*>(prop->GetObject(instance));
        if (!collection) Invalid();
        ReadCollection(collection);
      } else {
        SkipValue();
      }
      return;
    }
    default:
      SkipValue();
  }
}

void TReader::ReadCollection(TCollection* collection) {
  if (++depth_ > kMaxDepth) Invalid();
  collection->BeginUpdate();
  collection->Clear();
  try {
    while (!EndOfList()) {
      ReadListBegin();
      TCollectionItem* item = collection->Add();
      while (!EndOfList()) ReadProperty(item);
      ReadListEnd();
    }
    ReadListEnd();
  } catch (...) {
    collection->EndUpdate();
    --depth_;
    throw;
  }
  collection->EndUpdate();
  --depth_;
}

void TReader::FixupReferences() {
  for (const TFixup& f : fixups_) {
    TComponent* found = root_ ? root_->FindComponent(f.Name) : nullptr;
    if (!found) continue;
    try {
      f.Prop->SetObject(f.Instance, found);
    } catch (const EPropertyError&) {
      // A name that belongs to a component of another class leaves the reference unset.
    }
  }
  fixups_.clear();
}

}  // namespace orv
