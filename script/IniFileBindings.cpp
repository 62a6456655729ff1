#include "script/IniFileBindings.h"

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "script/BindingCallbacks.h"
#include "script/Script.h"

namespace orv {

std::unique_ptr<TsxRTTIModule> sxCreateIniFileFunctions(TsxScript* script) {
  return std::make_unique<TsxIniFileFunctions>(script);
}

namespace {

using Caller = TsxMethodHelper;

using sxbind::Self;

String Text(Caller& c, int i) { return c.GetParamValue(i).ToString(); }

template <class T>
T& Arg(Caller& c, int i) {
  return Self<T>(sxValueToObject(c.GetParamValue(i)));
}

template <class F>
TsxCallMethodNewEvent Ini(F body) {
  return [body](TObject* instance, TClass, const String&, Caller& c) -> Variant {
    return body(Self<TCustomIniFile>(instance), c);
  };
}

// The lines of an ini file, whichever kind: the file's text for a TIniFile, the content for a
// TMemIniFile.
void LinesOf(TCustomIniFile& ini, TStringList& lines) {
  if (auto* memory = dynamic_cast<TMemIniFile*>(&ini)) {
    memory->GetStrings(lines);
    return;
  }
  try {
    lines.LoadFromFile(ini.FileName());
  } catch (const EFOpenError&) {
    lines.Clear();  // no file yet: no lines
  }
}

}  // namespace

TsxIniFileFunctions::TsxIniFileFunctions(TsxScript* script) : TsxRTTIModule(script) {
  TsxScript& s = *Script;
  TsxClassVariable* custom = s.AddClass(TCustomIniFile::StaticClass(), "TObject");
  // A TIniFile unless the script named a TMemIniFile; the class itself is abstract.
  custom->AddConstructor("constructor Create(const FileName: String)", [](TObject*, TClass cls, const String&, Caller& c) {
    const String name = Text(c, 0);
    if (cls && cls->InheritsFrom(TMemIniFile::StaticClass())) return sxObjectToValue(new TMemIniFile(name));
    return sxObjectToValue(new TIniFile(name));
  });
  custom->AddProperty("FileName", "String",
                      [](TObject* instance, TClass, const String&) {
                        return Variant(Self<TCustomIniFile>(instance).FileName());
                      },
                      nullptr);
  custom->AddMethod("function ReadInteger(const Section, Ident: String; Default: LongInt): LongInt",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      return Variant(ini.ReadInteger(Text(c, 0), Text(c, 1), c.GetParamValue(2).ToInteger()));
                    }));
  custom->AddMethod("procedure WriteInteger(const Section, Ident: String; Value: LongInt)",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      ini.WriteInteger(Text(c, 0), Text(c, 1), c.GetParamValue(2).ToInteger());
                      return Variant();
                    }));
  custom->AddMethod("function ReadBool(const Section, Ident: String; Default: Boolean): Boolean",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      return Variant(ini.ReadBool(Text(c, 0), Text(c, 1), c.GetParamValue(2).ToBoolean()));
                    }));
  custom->AddMethod("procedure WriteBool(const Section, Ident: String; Value: Boolean)",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      ini.WriteBool(Text(c, 0), Text(c, 1), c.GetParamValue(2).ToBoolean());
                      return Variant();
                    }));
  custom->AddMethod("function ReadDate(const Section, Name: String; Default: TDateTime): TDateTime",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      return Variant::FromDate(ini.ReadDate(Text(c, 0), Text(c, 1), c.GetParamValue(2).ToDouble()));
                    }));
  custom->AddMethod("procedure WriteDate(const Section, Name: String; Value: TDateTime)",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      ini.WriteDate(Text(c, 0), Text(c, 1), c.GetParamValue(2).ToDouble());
                      return Variant();
                    }));
  custom->AddMethod("function ReadDateTime(const Section, Name: String; Default: TDateTime): TDateTime",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      return Variant::FromDate(ini.ReadDateTime(Text(c, 0), Text(c, 1), c.GetParamValue(2).ToDouble()));
                    }));
  custom->AddMethod("procedure WriteDateTime(const Section, Name: String; Value: TDateTime)",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      ini.WriteDateTime(Text(c, 0), Text(c, 1), c.GetParamValue(2).ToDouble());
                      return Variant();
                    }));
  custom->AddMethod("function ReadFloat(const Section, Name: String; Default: Double): Double",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      return Variant(ini.ReadFloat(Text(c, 0), Text(c, 1), c.GetParamValue(2).ToDouble()));
                    }));
  custom->AddMethod("procedure WriteFloat(const Section, Name: String; Value: Double)",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      ini.WriteFloat(Text(c, 0), Text(c, 1), c.GetParamValue(2).ToDouble());
                      return Variant();
                    }));
  custom->AddMethod("function ReadTime(const Section, Name: String; Default: TDateTime): TDateTime",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      return Variant::FromDate(ini.ReadTime(Text(c, 0), Text(c, 1), c.GetParamValue(2).ToDouble()));
                    }));
  custom->AddMethod("procedure WriteTime(const Section, Name: String; Value: TDateTime);",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      ini.WriteTime(Text(c, 0), Text(c, 1), c.GetParamValue(2).ToDouble());
                      return Variant();
                    }));
  custom->AddMethod("function ReadBinaryStream(const Section, Name: String; Value: TStream): Integer",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      return Variant(ini.ReadBinaryStream(Text(c, 0), Text(c, 1), Arg<TStream>(c, 2)));
                    }));
  custom->AddMethod("procedure WriteBinaryStream(const Section, Name: String; Value: TStream)",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      ini.WriteBinaryStream(Text(c, 0), Text(c, 1), Arg<TStream>(c, 2));
                      return Variant();
                    }));
  custom->AddMethod("function SectionExists(const Section: String): Boolean", Ini([](TCustomIniFile& ini, Caller& c) {
                      return Variant(ini.SectionExists(Text(c, 0)));
                    }));
  custom->AddMethod("function ValueExists(const Section, Ident: String): Boolean",
                    Ini([](TCustomIniFile& ini, Caller& c) { return Variant(ini.ValueExists(Text(c, 0), Text(c, 1))); }));
  custom->AddMethod("procedure WriteTStrings(const Section :String; Value :TStrings; IsClear :Boolean = True)",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      const String section = Text(c, 0);
                      TStrings& lines = Arg<TStrings>(c, 1);
                      if (c.GetParamValue(2).ToBoolean()) ini.EraseSection(section);
                      for (Integer i = 0; i < lines.Count(); ++i)
                        ini.WriteString(section, "Items" + std::to_string(i), lines.Strings(i));
                      ini.WriteInteger(section, "Count", lines.Count());
                      return Variant();
                    }));
  // Returns '' rather than leaving its declared text result unset.
  custom->AddMethod("function ReadTStrings(const Section :String; Value :TStrings; IsClear :Boolean = True): String;",
                    Ini([](TCustomIniFile& ini, Caller& c) {
                      const String section = Text(c, 0);
                      TStrings& lines = Arg<TStrings>(c, 1);
                      const Integer n = ini.ReadInteger(section, "Count", 0);
                      if (c.GetParamValue(2).ToBoolean()) lines.Clear();
                      for (Integer i = 0; i < n; ++i) lines.Add(ini.ReadString(section, "Items" + std::to_string(i), ""));
                      return Variant("");
                    }));

  TsxClassVariable* memory = s.AddClass(TMemIniFile::StaticClass(), "TCustomIniFile");
  memory->AddConstructor("constructor Create(const FileName: String)", [](TObject*, TClass, const String&, Caller& c) {
    return sxObjectToValue(new TMemIniFile(Text(c, 0)));
  });
  TsxClassVariable* file = s.AddClass(TIniFile::StaticClass(), "TCustomIniFile");
  for (TsxClassVariable* cls : {memory, file}) {
    const bool isMemory = cls == memory;
    cls->AddMethod("procedure WriteString(const Section, Ident, Value: String)", Ini([](TCustomIniFile& ini, Caller& c) {
                     ini.WriteString(Text(c, 0), Text(c, 1), Text(c, 2));
                     return Variant();
                   }));
    cls->AddMethod("function ReadString(const Section, Ident, Default: String): String;",
                   Ini([](TCustomIniFile& ini, Caller& c) { return Variant(ini.ReadString(Text(c, 0), Text(c, 1), Text(c, 2))); }));
    cls->AddMethod("procedure ReadSectionValuesEx(const Section: String; Strings: TStrings)",
                   Ini([](TCustomIniFile& ini, Caller& c) {
                     TStringList pairs;
                     ini.ReadSectionValues(Text(c, 0), pairs);
                     TStrings& out = Arg<TStrings>(c, 1);
                     out.Clear();
                     for (Integer i = 0; i < pairs.Count(); ++i) out.Add(pairs.ValueFromIndex(i));
                     return Variant();
                   }));
    cls->AddMethod("procedure DeleteKey(const Section, Ident: String)", Ini([](TCustomIniFile& ini, Caller& c) {
                     ini.DeleteKey(Text(c, 0), Text(c, 1));
                     return Variant();
                   }));
    cls->AddMethod("procedure ReadSection(const Section: String; Strings: TStrings)",
                   Ini([](TCustomIniFile& ini, Caller& c) {
                     ini.ReadSection(Text(c, 0), Arg<TStrings>(c, 1));
                     return Variant();
                   }));
    cls->AddMethod("procedure ReadSections(Strings: TStrings)", Ini([](TCustomIniFile& ini, Caller& c) {
                     ini.ReadSections(Arg<TStrings>(c, 0));
                     return Variant();
                   }));
    cls->AddMethod("procedure ReadSectionValues(const Section: String; Strings: TStrings)",
                   Ini([](TCustomIniFile& ini, Caller& c) {
                     ini.ReadSectionValues(Text(c, 0), Arg<TStrings>(c, 1));
                     return Variant();
                   }));
    cls->AddMethod("procedure EraseSection(const Section: String)", Ini([](TCustomIniFile& ini, Caller& c) {
                     ini.EraseSection(Text(c, 0));
                     return Variant();
                   }));
    if (isMemory) {
      cls->AddMethod("procedure Clear", Ini([](TCustomIniFile& ini, Caller&) {
                       Self<TMemIniFile>(&ini).Clear();
                       return Variant();
                     }));
      cls->AddMethod("procedure GetStrings(List: TStrings)", Ini([](TCustomIniFile& ini, Caller& c) {
                       Self<TMemIniFile>(&ini).GetStrings(Arg<TStrings>(c, 0));
                       return Variant();
                     }));
      cls->AddMethod("procedure SetStrings(List: TStrings)", Ini([](TCustomIniFile& ini, Caller& c) {
                       Self<TMemIniFile>(&ini).SetStrings(Arg<TStrings>(c, 0));
                       return Variant();
                     }));
    }
    cls->AddMethod("procedure SaveIniFileToStream(oStream: TStream)", Ini([](TCustomIniFile& ini, Caller& c) {
                     TObject* stream = sxValueToObject(c.GetParamValue(0));
                     if (!stream) return Variant();
                     TStringList lines;
                     LinesOf(ini, lines);
                     lines.SaveToStream(Self<TStream>(stream));
                     return Variant();
                   }));
    cls->AddMethod("procedure LoadIniFileFromStream(oStream: TStream)", Ini([](TCustomIniFile& ini, Caller& c) {
                     TObject* stream = sxValueToObject(c.GetParamValue(0));
                     if (!stream) return Variant();
                     TStringList lines;
                     lines.LoadFromStream(Self<TStream>(stream));
                     if (auto* memory = dynamic_cast<TMemIniFile*>(&ini))
                       memory->SetStrings(lines);
                     else
                       lines.SaveToFile(ini.FileName());
                     return Variant();
                   }));
  }
}

}  // namespace orv
