#include "script/ClassLibraryBindings.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "platform/rtl/Collection.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/List.h"
#include "platform/rtl/ObjectHandles.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/TextUtils.h"
#include "script/BindingCallbacks.h"
#include "script/EventBridges.h"
#include "script/Expression.h"
#include "script/Script.h"
#include "script/XMLDocument.h"

namespace orv {

std::unique_ptr<TsxRTTIModule> sxCreateClassLibraryFunctions(TsxScript* script) {
  return std::make_unique<TsxClassLibraryFunctions>(script);
}

namespace {

using Caller = TsxMethodHelper;

using sxbind::Getter;
using sxbind::Handle;
using sxbind::IntArg;
using sxbind::Method;
using sxbind::Self;
using sxbind::Setter;
using sxbind::TextArg;

TObject* ObjectArg(Caller& c, int i) { return sxValueToObject(c.GetParamValue(i)); }

template <class T>
T& ObjectArgAs(Caller& c, int i) {
  return Self<T>(ObjectArg(c, i));
}


Variant None() { return Variant(); }

// A text argument a list keeps: its copy (and the one made on the way) is asked of the
// script's memory limit first, so that a long text added in a loop stops with an error.
String KeptText(Caller& c, int i) {
  const Variant& v = c.ParamRef(i);
  if (v.VType() == varString) TsxScript::ReserveMemory(2 * static_cast<Int64>(v.StrView().size()));
  return v.ToString();
}

// A search goes through every line of a list, but for a sorted string list's halving.
void ChargeSearch(TStrings& list) {
  auto* sorted = dynamic_cast<TStringList*>(&list);
  if (!sorted || !sorted->Sorted()) TsxScript::ChargeWork(list.Count() * TsxScript::kCompareSteps);
}

// What native work on lists, texts and files takes, in steps (a plain statement's time each):
// making a line (its blocks allocated and filled), making a line's collation key, comparing
// two keys while sorting, writing one byte of XML, and writing a file out safely to the disk.
constexpr Int64 kLineSteps = 32;
constexpr Int64 kKeySteps = 120;
constexpr Int64 kSortCompareSteps = 10;
constexpr Int64 kXMLByteSteps = 1;
constexpr Int64 kFileSteps = 4'000'000;

// Sorting n lines makes their keys and compares about n log2 n pairs of them.
void ChargeSort(const TStringList& list) {
  const Int64 n = list.Count();
  if (n > 1 && !list.Sorted())
    TsxScript::ChargeWork(n * (kKeySteps + std::bit_width(static_cast<std::uint64_t>(n)) * kSortCompareSteps));
}

// Copying or joining a list's lines: each line, and each byte of its text.
void ChargeLines(const TStrings& list, size_t bytes) {
  TsxScript::ChargeWork(list.Count() * kLineSteps);
  TsxScript::ChargeScan(bytes);
}

// A search by name goes through the lines up to the one it finds, every line when none.
Integer IndexOfNameCharged(TStrings& list, const String& name) {
  const Integer index = list.IndexOfName(name);
  TsxScript::ChargeWork(static_cast<Int64>(index < 0 ? list.Count() : index + 1) * TsxScript::kCompareSteps);
  return index;
}

// An indexed property of T: read(self, caller) serves ".GET", write(self, caller, value) ".SET".
template <class T, class R, class W>
TsxCallMethodNewEvent Indexed(R read, W write) {
  return [read, write](TObject* instance, TClass, const String& name, Caller& c) -> Variant {
    T& self = Self<T>(instance);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".SET") == 0) {
      write(self, c, c.GetParamValue(c.Count()));
      return Variant();
    }
    return read(self, c);
  };
}

// A count the script passes for a buffer: never negative, never past what there is.
Int64 ClampCount(Int64 count, Int64 available) { return std::clamp<Int64>(count, 0, std::max<Int64>(available, 0)); }

// The bytes of a UTF-8 sequence that starts with lead; 1 for a byte that starts none.
int SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF7) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Up to count characters from the stream's position, never more bytes than the stream holds.
String ReadCharacters(TStream& stream, Int64 count) {
  String buffer;
  Int64 chars = 0;
  count = std::max<Int64>(count, 0);
  while (chars < count) {
    const Int64 available = stream.Size() - stream.Position();
    // Every character takes at least one byte: reading the missing count never overshoots.
    const Int64 want = std::min(count - chars, available);
    if (want <= 0) break;
    const size_t start = buffer.size();
    sxCheckTextLength(start + static_cast<size_t>(want));
    buffer.resize(start + static_cast<size_t>(want));
    const Int64 read = stream.Read(buffer.data() + start, want);
    buffer.resize(start + static_cast<size_t>(std::max<Int64>(read, 0)));
    if (read <= 0) break;
    // Count the characters that began in this piece; a sequence cut at its end is completed.
    size_t at = start;
    while (at < buffer.size()) {
      const size_t length = static_cast<size_t>(SequenceLength(static_cast<unsigned char>(buffer[at])));
      ++chars;
      if (at + length > buffer.size()) {
        const size_t missing = at + length - buffer.size();
        String rest(missing, '\0');
        const Int64 got = stream.Read(rest.data(), static_cast<Int64>(missing));
        buffer.append(rest, 0, static_cast<size_t>(std::max<Int64>(got, 0)));
        at = buffer.size();
        break;
      }
      at += length;
    }
  }
  return buffer;
}

// A memory stream grows to hold what is written past its end in one block: the script's
// memory limit is asked first, so that a position far out cannot take gigabytes at once.
void ReserveGrowth(TStream& stream, Int64 bytes) {
  if (!dynamic_cast<TMemoryStream*>(&stream) || bytes <= 0) return;
  const Int64 end = stream.Position() + bytes;
  if (end > stream.Size()) TsxScript::ReserveMemory(end - stream.Size());
}

TSeekOrigin OriginOf(Integer origin) {
  switch (origin) {
    case 1: return soCurrent;
    case 2: return soEnd;
    default: return soBeginning;
  }
}

}  // namespace

TsxClassLibraryFunctions::TsxClassLibraryFunctions(TsxScript* script) : TsxRTTIModule(script) {
  TsxScript& s = *Script;
  s.AddConst("fmCreate", "Integer", Variant(0xFFFF));
  s.AddConst("fmOpenRead", "Integer", Variant(0));
  s.AddConst("fmOpenWrite", "Integer", Variant(1));
  s.AddConst("fmOpenReadWrite", "Integer", Variant(2));
  s.AddConst("fmShareExclusive", "Integer", Variant(16));
  s.AddConst("fmShareDenyWrite", "Integer", Variant(32));
  s.AddConst("fmShareDenyNone", "Integer", Variant(64));
  s.AddConst("soFromBeginning", "Integer", Variant(0));
  s.AddConst("soFromCurrent", "Integer", Variant(1));
  s.AddConst("soFromEnd", "Integer", Variant(2));
  s.AddEnum("TDuplicates", "dupIgnore, dupAccept, dupError");
  s.AddEnum("TPrinterOrientation", "poPortrait, poLandscape");
  AddObjects();
  AddLists();
  AddStrings();
  AddStreams();
  AddXML();
}

void TsxClassLibraryFunctions::AddObjects() {
  TsxScript& s = *Script;
  TsxClassVariable* object = s.AddClass(TObject::StaticClass(), "");
  // Base construction only: the object as its class's plain constructor makes it.
  object->AddConstructor("constructor Create", [](TObject*, TClass cls, const String&, Caller&) {
    if (!cls) throw EInvalidOperation("No class to create");
    return Handle(cls->CreateObject().release());
  });
  object->AddMethod("procedure Free", [](TObject* instance, TClass, const String&, Caller&) {
    if (!instance) return None();
    // Freeing what the program holds (a bitmap's canvas, Application) would leave it a
    // dangling pointer to use later.
    if (!ScriptMayFree(instance))
      throw EInvalidOperation("Cannot free " + instance->ClassName() + ": the program still uses it");
    if (sxInOwnEvent(instance))
      throw EInvalidOperation("Cannot free " + instance->ClassName() + " inside one of its own events");
    instance->Free();
    return None();
  });
  object->AddMethod("function ClassName: String", [](TObject* instance, TClass, const String&, Caller&) {
    if (!instance) throw EInvalidPointer("Invalid object reference");
    return Variant(instance->ClassName());
  });
  TsxClassVariable* persistent = s.AddClass(TPersistent::StaticClass(), "TObject");
  persistent->AddMethod("procedure Assign(Source: TPersistent)", Method<TPersistent>([](TPersistent& self, Caller& c) {
                          auto* source = dynamic_cast<TPersistent*>(ObjectArg(c, 0));
                          if (auto* lines = dynamic_cast<TStrings*>(source)) {
                            size_t bytes = 0;
                            for (Integer i = 0; i < lines->Count(); ++i) bytes += lines->Strings(i).size();
                            ChargeLines(*lines, bytes);
                          }
                          self.Assign(source);
                          return None();
                        }));
  s.AddClass(TCollectionItem::StaticClass(), "TPersistent");
  TsxClassVariable* collection = s.AddClass(TCollection::StaticClass(), "TPersistent");
  collection->AddMethod("procedure Clear", Method<TCollection>([](TCollection& self, Caller&) {
                          self.Clear();
                          return None();
                        }));
  collection->AddProperty("Count", "Integer", Getter<TCollection>([](TCollection& self) { return Variant(self.Count()); }),
                          nullptr);
  collection->AddDefaultProperty(
      "Items", "Integer", "TCollectionItem",
      Indexed<TCollection>([](TCollection& self, Caller& c) { return Handle(self.Items(IntArg(c, 0))); },
                           [](TCollection&, Caller&, const Variant&) {}),
      true);
  TsxClassVariable* component = s.AddClass(TComponent::StaticClass(), "TPersistent");
  // The constructor of the class the script named runs, with its owner.
  component->AddConstructor("constructor Create(AOwner: TComponent)", [](TObject*, TClass cls, const String&, Caller& c) {
    if (!cls) throw EInvalidOperation("No class to create");
    TObject* owner = ObjectArg(c, 0);
    auto* ownerComponent = dynamic_cast<TComponent*>(owner);
    if (owner && !ownerComponent) throw EInvalidPointer("Invalid object reference");
    TComponent* made = cls->CreateComponent(ownerComponent);
    return Handle(made);
  });
  component->AddProperty("Owner", "TComponent",
                         Getter<TComponent>([](TComponent& self) { return Handle(self.Owner()); }), nullptr);
}

void TsxClassLibraryFunctions::AddLists() {
  TsxClassVariable* list = Script->AddClass(TList::StaticClass(), "TObject");
  list->AddMethod("function Add(Item: TObject): Integer",
                  Method<TList>([](TList& self, Caller& c) { return Variant(self.Add(ObjectArg(c, 0))); }));
  list->AddMethod("procedure Clear", Method<TList>([](TList& self, Caller&) {
                    self.Clear();
                    return None();
                  }));
  list->AddMethod("procedure Delete(Index: Integer)", Method<TList>([](TList& self, Caller& c) {
                    self.Delete(IntArg(c, 0));
                    return None();
                  }));
  list->AddMethod("function IndexOf(Item: TObject): Integer", Method<TList>([](TList& self, Caller& c) {
                    TsxScript::ChargeWork(self.Count());
                    return Variant(self.IndexOf(ObjectArg(c, 0)));
                  }));
  list->AddMethod("procedure Insert(Index: Integer; Item: TObject)", Method<TList>([](TList& self, Caller& c) {
                    self.Insert(IntArg(c, 0), ObjectArg(c, 1));
                    return None();
                  }));
  list->AddMethod("function Remove(Item: TObject): Integer", Method<TList>([](TList& self, Caller& c) {
                    TsxScript::ChargeWork(self.Count());
                    return Variant(self.Remove(ObjectArg(c, 0)));
                  }));
  list->AddProperty("Count", "Integer", Getter<TList>([](TList& self) { return Variant(self.Count()); }), nullptr);
  list->AddDefaultProperty(
      "Items", "Integer", "TObject",
      Indexed<TList>([](TList& self, Caller& c) { return Handle(self.Items(IntArg(c, 0))); },
                     [](TList& self, Caller& c, const Variant& v) { self.SetItems(IntArg(c, 0), sxValueToObject(v)); }),
      false);
}

void TsxClassLibraryFunctions::AddStrings() {
  TsxClassVariable* strings = Script->AddClass(TStrings::StaticClass(), "TPersistent");
  strings->AddMethod("function Add(const S: string): Integer",
                     Method<TStrings>([](TStrings& self, Caller& c) { return Variant(self.Add(KeptText(c, 0))); }));
  strings->AddMethod("function AddObject(const S: string; AObject: TObject): Integer",
                     Method<TStrings>([](TStrings& self, Caller& c) {
                       return Variant(self.AddObject(KeptText(c, 0), ObjectArg(c, 1)));
                     }));
  strings->AddMethod("procedure Clear", Method<TStrings>([](TStrings& self, Caller&) {
                       self.Clear();
                       return None();
                     }));
  strings->AddMethod("procedure Delete(Index: Integer)", Method<TStrings>([](TStrings& self, Caller& c) {
                       self.Delete(IntArg(c, 0));
                       return None();
                     }));
  strings->AddMethod("function IndexOf(const S: string): Integer", Method<TStrings>([](TStrings& self, Caller& c) {
                       ChargeSearch(self);
                       return Variant(self.IndexOf(TextArg(c, 0)));
                     }));
  strings->AddMethod("function IndexOfName(const Name: string): Integer", Method<TStrings>([](TStrings& self, Caller& c) {
                       return Variant(IndexOfNameCharged(self, TextArg(c, 0)));
                     }));
  strings->AddMethod("function IndexOfObject(AObject: TObject): Integer",
                     Method<TStrings>([](TStrings& self, Caller& c) {
                       TsxScript::ChargeWork(self.Count());
                       return Variant(self.IndexOfObject(ObjectArg(c, 0)));
                     }));
  strings->AddMethod("procedure Insert(Index: Integer; const S: string)", Method<TStrings>([](TStrings& self, Caller& c) {
                       self.Insert(IntArg(c, 0), KeptText(c, 1));
                       return None();
                     }));
  strings->AddMethod("procedure InsertObject(Index: Integer; const S: string; AObject: TObject)",
                     Method<TStrings>([](TStrings& self, Caller& c) {
                       self.InsertObject(IntArg(c, 0), KeptText(c, 1), ObjectArg(c, 2));
                       return None();
                     }));
  strings->AddMethod("procedure LoadFromFile(const FileName: string)", Method<TStrings>([](TStrings& self, Caller& c) {
                       self.LoadFromFile(TextArg(c, 0));
                       return None();
                     }));
  strings->AddMethod("procedure LoadFromStream(Stream: TStream)", Method<TStrings>([](TStrings& self, Caller& c) {
                       self.LoadFromStream(ObjectArgAs<TStream>(c, 0));
                       return None();
                     }));
  strings->AddMethod("procedure SaveToFile(const FileName: string)", Method<TStrings>([](TStrings& self, Caller& c) {
                       self.SaveToFile(TextArg(c, 0));
                       return None();
                     }));
  strings->AddMethod("procedure Move(CurIndex, NewIndex: Integer)", Method<TStrings>([](TStrings& self, Caller& c) {
                       self.Move(IntArg(c, 0), IntArg(c, 1));
                       return None();
                     }));
  strings->AddMethod("procedure SaveToStream(Stream: TStream)", Method<TStrings>([](TStrings& self, Caller& c) {
                       self.SaveToStream(ObjectArgAs<TStream>(c, 0));
                       return None();
                     }));
  strings->AddProperty("CommaText", "string", Getter<TStrings>([](TStrings& self) {
                         String text = self.CommaText();
                         ChargeLines(self, text.size());
                         return Variant(std::move(text));
                       }),
                       Setter<TStrings>([](TStrings& self, const Variant& v) {
                         self.SetCommaText(v.ToString());
                         ChargeLines(self, v.StrView().size());
                       }));
  strings->AddProperty("Count", "Integer", Getter<TStrings>([](TStrings& self) { return Variant(self.Count()); }),
                       nullptr);
  strings->AddIndexProperty(
      "Names", "Integer", "string",
      Indexed<TStrings>([](TStrings& self, Caller& c) { return Variant(self.Names(IntArg(c, 0))); },
                        [](TStrings&, Caller&, const Variant&) {}),
      true);
  strings->AddIndexProperty(
      "Objects", "Integer", "TObject",
      Indexed<TStrings>([](TStrings& self, Caller& c) { return Handle(self.Objects(IntArg(c, 0))); },
                        [](TStrings& self, Caller& c, const Variant& v) { self.SetObjects(IntArg(c, 0), sxValueToObject(v)); }),
      false);
  strings->AddIndexProperty(
      "Values", "String", "string",
      Indexed<TStrings>(
          [](TStrings& self, Caller& c) {
            const Integer index = IndexOfNameCharged(self, TextArg(c, 0));
            return Variant(index < 0 ? String() : self.ValueFromIndex(index));
          },
          [](TStrings& self, Caller& c, const Variant& v) {
            // The setter looks the name up again: charged as a second search.
            IndexOfNameCharged(self, TextArg(c, 0));
            self.SetValues(TextArg(c, 0), v.ToString());
          }),
      false);
  strings->AddDefaultProperty(
      "Strings", "Integer", "string",
      Indexed<TStrings>([](TStrings& self, Caller& c) { return Variant(self.Strings(IntArg(c, 0))); },
                        [](TStrings& self, Caller& c, const Variant& v) { self.SetStrings(IntArg(c, 0), v.ToString()); }),
      false);
  strings->AddProperty("Text", "string", Getter<TStrings>([](TStrings& self) {
                         String text = self.Text();
                         TsxScript::ChargeScan(text.size());
                         return Variant(std::move(text));
                       }),
                       Setter<TStrings>([](TStrings& self, const Variant& v) {
                         TsxScript::ChargeScan(v.StrView().size());
                         self.SetText(v.ToString());
                       }));

  TsxClassVariable* list = Script->AddClass(TStringList::StaticClass(), "TStrings");
  list->AddMethod("function Find(s: String; var Index: Integer): Boolean",
                  Method<TStringList>([](TStringList& self, Caller& c) {
                    Integer index = 0;
                    const bool found = self.Find(TextArg(c, 0), index);
                    c.SetParamValue(1, Variant(index));
                    return Variant(found);
                  }));
  list->AddMethod("procedure Sort", Method<TStringList>([](TStringList& self, Caller&) {
                    ChargeSort(self);
                    self.Sort();
                    return None();
                  }));
  list->AddProperty("Duplicates", "TDuplicates",
                    Getter<TStringList>([](TStringList& self) { return Variant(static_cast<Integer>(self.Duplicates())); }),
                    Setter<TStringList>([](TStringList& self, const Variant& v) {
                      const Integer d = v.ToInteger();
                      if (d < dupIgnore || d > dupError) throw ERangeError("Duplicates out of range");
                      self.SetDuplicates(static_cast<TDuplicates>(d));
                    }));
  list->AddProperty("Sorted", "Boolean", Getter<TStringList>([](TStringList& self) { return Variant(self.Sorted()); }),
                    Setter<TStringList>([](TStringList& self, const Variant& v) {
                      const bool sorted = sxIsTrue(v);
                      if (sorted) ChargeSort(self);
                      self.SetSorted(sorted);
                    }));
}

void TsxClassLibraryFunctions::AddStreams() {
  TsxClassVariable* stream = Script->AddClass(TStream::StaticClass(), "TObject");
  // Read and Write both count characters (code points of the UTF-8 text), so that a Thai
  // text written and read back by the count Write returned comes back whole.
  stream->AddMethod("function Read(var Buffer: string; Count: Longint): Longint",
                    Method<TStream>([](TStream& self, Caller& c) {
                      const String buffer = ReadCharacters(self, c.GetParamValue(1).ToInt64());
                      c.SetParamValue(0, Variant(buffer));
                      return Variant(Length(buffer));
                    }));
  stream->AddMethod("function Write(Buffer: string; Count: Longint): Longint",
                    Method<TStream>([](TStream& self, Caller& c) {
                      const String text = TextArg(c, 0);
                      const Int64 count = ClampCount(c.GetParamValue(1).ToInt64(), Length(text));
                      const String part = Copy(text, 1, static_cast<Integer>(count));
                      ReserveGrowth(self, static_cast<Int64>(part.size()));
                      self.Write(part.data(), static_cast<Int64>(part.size()));
                      return Variant(static_cast<Integer>(count));
                    }));
  stream->AddMethod("function Seek(Offset: Longint; Origin: Word): Longint", Method<TStream>([](TStream& self, Caller& c) {
                      return Variant(static_cast<Integer>(self.Seek(IntArg(c, 0), OriginOf(IntArg(c, 1)))));
                    }));
  stream->AddMethod("function CopyFrom(Source: TStream; Count: Longint): Longint",
                    Method<TStream>([](TStream& self, Caller& c) {
                      TStream& source = ObjectArgAs<TStream>(c, 0);
                      const Int64 count = c.GetParamValue(1).ToInt64();
                      ReserveGrowth(self, count > 0 ? std::min(count, source.Size()) : source.Size());
                      return Variant(self.CopyFrom(source, count));
                    }));
  stream->AddProperty("Position", "Longint", Getter<TStream>([](TStream& self) { return Variant(self.Position()); }),
                      Setter<TStream>([](TStream& self, const Variant& v) { self.SetPosition(v.ToInt64()); }));
  stream->AddProperty("Size", "Longint", Getter<TStream>([](TStream& self) { return Variant(self.Size()); }), nullptr);

  TsxClassVariable* file = Script->AddClass(TFileStream::StaticClass(), "TStream");
  file->AddConstructor("constructor Create(Filename: String; Mode: Word)", [](TObject*, TClass, const String&, Caller& c) {
    const Integer mode = IntArg(c, 1);
    return Handle(new TFileStream(TextArg(c, 0), static_cast<Word>(mode)));
  });

  TsxClassVariable* memory = Script->AddClass(TMemoryStream::StaticClass(), "TStream");
  memory->AddMethod("procedure Clear", Method<TMemoryStream>([](TMemoryStream& self, Caller&) {
                      self.Clear();
                      return None();
                    }));
  memory->AddMethod("procedure LoadFromStream(Stream: TStream)", Method<TMemoryStream>([](TMemoryStream& self, Caller& c) {
                      TStream& source = ObjectArgAs<TStream>(c, 0);
                      TsxScript::ReserveMemory(source.Size() - self.Size());
                      self.LoadFromStream(source);
                      return None();
                    }));
  memory->AddMethod("procedure LoadFromFile(Filename: String)", Method<TMemoryStream>([](TMemoryStream& self, Caller& c) {
                      self.LoadFromFile(TextArg(c, 0));
                      return None();
                    }));
  memory->AddMethod("procedure SaveToStream(Stream: TStream)", Method<TMemoryStream>([](TMemoryStream& self, Caller& c) {
                      self.SaveToStream(ObjectArgAs<TStream>(c, 0));
                      return None();
                    }));
  memory->AddMethod("procedure SaveToFile(Filename: String)", Method<TMemoryStream>([](TMemoryStream& self, Caller& c) {
                      self.SaveToFile(TextArg(c, 0));
                      return None();
                    }));
}

void TsxClassLibraryFunctions::AddXML() {
  TsxClassVariable* item = Script->AddClass(TsxXMLItem::StaticClass(), "TObject");
  item->AddConstructor("constructor Create", [](TObject*, TClass, const String&, Caller&) {
    return Handle(new TsxXMLItem());
  });
  // An item in a tree leaves its parent first; a document's root goes with its document.
  item->AddMethod("procedure Free", [](TObject* instance, TClass, const String&, Caller&) {
    if (!instance) return None();
    auto& self = Self<TsxXMLItem>(instance);
    if (self.IsDocumentRoot()) throw EInvalidOperation("The root of an XML document is freed with its document");
    self.Release().reset();
    return None();
  });
  // The item joins this one as its last child; one made on its own is taken over.
  const auto adopt = [](TsxXMLItem& self, TsxXMLItem& child) {
    if (child.IsDocumentRoot()) throw EInvalidOperation("The root of an XML document cannot be moved");
    // An item taken into its own subtree would make the tree a loop.
    if (self.IsInSubtreeOf(child)) throw EInvalidOperation("An XML item cannot be moved into itself");
    if (child.Parent()) return self.AddItem(child);
    return self.AddItem(child.Release());
  };
  item->AddMethod("procedure AddItem(Item: TsxXMLItem)", Method<TsxXMLItem>([adopt](TsxXMLItem& self, Caller& c) {
                    adopt(self, ObjectArgAs<TsxXMLItem>(c, 0));
                    return None();
                  }));
  item->AddMethod("procedure Clear", Method<TsxXMLItem>([](TsxXMLItem& self, Caller&) {
                    self.Clear();
                    return None();
                  }));
  item->AddMethod("procedure InsertItem(Index: Integer; Item: TsxXMLItem)",
                  Method<TsxXMLItem>([adopt](TsxXMLItem& self, Caller& c) {
                    TsxXMLItem& child = ObjectArgAs<TsxXMLItem>(c, 1);
                    const Integer index = IntArg(c, 0);
                    if (index < 0 || index > self.Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
                    adopt(self, child);
                    self.InsertItem(index, child);
                    return None();
                  }));
  item->AddMethod("function Add: TsxXMLItem",
                  Method<TsxXMLItem>([](TsxXMLItem& self, Caller&) { return Handle(self.Add()); }));
  item->AddMethod("function Find(const Name: String): Integer",
                  Method<TsxXMLItem>([](TsxXMLItem& self, Caller& c) { return Variant(self.Find(TextArg(c, 0))); }));
  item->AddMethod("function FindItem(const Name: String): TsxXMLItem",
                  Method<TsxXMLItem>([](TsxXMLItem& self, Caller& c) { return Handle(self.FindItem(TextArg(c, 0))); }));
  item->AddMethod("function Root: TsxXMLItem",
                  Method<TsxXMLItem>([](TsxXMLItem& self, Caller&) { return Handle(self.Root()); }));
  item->AddProperty("Data", "Integer", Getter<TsxXMLItem>([](TsxXMLItem& self) { return Variant(self.Data()); }),
                    Setter<TsxXMLItem>([](TsxXMLItem& self, const Variant& v) { self.SetData(v.ToInt64()); }));
  item->AddProperty("Count", "Integer", Getter<TsxXMLItem>([](TsxXMLItem& self) { return Variant(self.Count()); }),
                    nullptr);
  item->AddDefaultProperty(
      "Items", "Integer", "TsxXMLItem",
      Indexed<TsxXMLItem>(
          [](TsxXMLItem& self, Caller& c) {
            const Integer i = IntArg(c, 0);
            if (i < 0 || i >= self.Count()) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
            return Handle(self.Items(i));
          },
          [](TsxXMLItem&, Caller&, const Variant&) {}),
      true);
  item->AddIndexProperty(
      "Prop", "String", "String",
      Indexed<TsxXMLItem>([](TsxXMLItem& self, Caller& c) { return Variant(self.Prop(TextArg(c, 0))); },
                          [](TsxXMLItem& self, Caller& c, const Variant& v) { self.SetProp(TextArg(c, 0), v.ToString()); }),
      false);
  item->AddProperty("Name", "String", Getter<TsxXMLItem>([](TsxXMLItem& self) { return Variant(self.Name()); }),
                    Setter<TsxXMLItem>([](TsxXMLItem& self, const Variant& v) { self.SetName(v.ToString()); }));
  item->AddProperty("Parent", "TsxXMLItem",
                    Getter<TsxXMLItem>([](TsxXMLItem& self) { return Handle(self.Parent()); }), nullptr);
  item->AddProperty("Text", "String", Getter<TsxXMLItem>([](TsxXMLItem& self) { return Variant(self.Text()); }),
                    Setter<TsxXMLItem>([](TsxXMLItem& self, const Variant& v) { self.SetText(v.ToString()); }));

  TsxClassVariable* document = Script->AddClass(TsxXMLDocument::StaticClass(), "TObject");
  document->AddConstructor("constructor Create", [](TObject*, TClass, const String&, Caller&) {
    return Handle(new TsxXMLDocument());
  });
  document->AddMethod("procedure SaveToStream(Stream: TStream)", Method<TsxXMLDocument>([](TsxXMLDocument& self, Caller& c) {
                        TStream& stream = ObjectArgAs<TStream>(c, 0);
                        const Int64 start = stream.Position();
                        self.SaveToStream(stream);
                        TsxScript::ChargeWork(std::max<Int64>(stream.Position() - start, 0) * kXMLByteSteps);
                        return None();
                      }));
  document->AddMethod("procedure LoadFromStream(Stream: TStream)",
                      Method<TsxXMLDocument>([](TsxXMLDocument& self, Caller& c) {
                        self.LoadFromStream(ObjectArgAs<TStream>(c, 0));
                        return None();
                      }));
  document->AddMethod("procedure SaveToFile(const FileName: String)",
                      Method<TsxXMLDocument>([](TsxXMLDocument& self, Caller& c) {
                        const String text = self.SaveToString();
                        TsxScript::ChargeWork(static_cast<Int64>(text.size()) * kXMLByteSteps + kFileSteps);
                        SafeWriteFile(TextArg(c, 0), text);
                        return None();
                      }));
  document->AddMethod("procedure LoadFromFile(const FileName: String)",
                      Method<TsxXMLDocument>([](TsxXMLDocument& self, Caller& c) {
                        self.LoadFromFile(TextArg(c, 0));
                        return None();
                      }));
  document->AddProperty("Root", "TsxXMLItem",
                        Getter<TsxXMLDocument>([](TsxXMLDocument& self) { return Handle(self.Root()); }), nullptr);
}

}  // namespace orv
