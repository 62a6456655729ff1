#include "report/model/XmlSerializer.h"

#include <cmath>
#include <map>
#include <set>

#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/KvxComponent.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"
#include "report/model/PropertyIndex.h"
#include "report/model/PropertyLimits.h"
#include "report/model/Report.h"
#include "report/model/ReportUtils.h"
#include "report/model/Resources.h"
#include "report/model/Styles.h"
#include "report/model/VariantText.h"
#include "report/model/WideStrings.h"
#include "report/model/XmlEscape.h"

namespace orv {

namespace {

// The object as a report component, nullptr when it is none. The class registry answers
// without the cost of a dynamic_cast down a deep hierarchy, on every attribute of every object.
TkvxComponent* AsComponent(TPersistent* obj) {
  return obj->InheritsFrom(TkvxComponent::StaticClass()) ? static_cast<TkvxComponent*>(obj) : nullptr;
}

// A class property's object, when it can hold properties of its own (a font, a frame, lines):
// asked for every dotted attribute of every object rebuilt, the registry again answers.
TPersistent* AsPersistent(TObject* obj) {
  return obj && obj->InheritsFrom(TPersistent::StaticClass()) ? static_cast<TPersistent*>(obj) : nullptr;
}

// The property that holds a memo view's lines: a report object's class property "Memo".
const TPropInfo* MemoProp(TPersistent* obj) {
  // Asked for every object of every page rebuilt, mostly of the class asked last; a class's
  // properties never change once registered. Pages are rebuilt on a thread of their own.
  thread_local TClass lastClass = nullptr;
  thread_local const TPropInfo* lastProp = nullptr;
  const TClass cls = obj->ClassType();
  if (cls != lastClass) {
    const TPropInfo* prop = AsComponent(obj) ? kvxFindProp(cls, "Memo") : nullptr;
    lastProp = prop && prop->Kind() == tkClass ? prop : nullptr;
    lastClass = cls;
  }
  return lastProp;
}

// A memo view: a report object that publishes its lines as "Memo".
TWideStrings* MemoOf(TPersistent* obj) {
  const TPropInfo* prop = MemoProp(obj);
  if (!prop) return nullptr;
  TObject* lines = prop->GetObject(obj);
  return lines && lines->InheritsFrom(TWideStrings::StaticClass()) ? static_cast<TWideStrings*>(lines) : nullptr;
}

// A text as report files keep it: without its one trailing line break.
String WithoutLastBreak(String s) {
  if (s.size() >= 2 && s.compare(s.size() - 2, 2, "\r\n") == 0) s.resize(s.size() - 2);
  return s;
}

void AppendAttr(String& out, const String& prefix, const String& name, std::string_view escapedValue) {
  out += ' ';
  out += prefix;
  out += name;
  out += "=\"";
  out.append(escapedValue);
  out += '"';
}

// An element with its children, as it was read.
void CopyItem(const TkvxXMLItem& from, TkvxXMLItem& to) {
  to.Name = from.Name;
  to.Text = from.Text;
  to.Value = from.Value;
  for (Integer i = 0; i < from.Count(); ++i) CopyItem(*from.Items(i), *to.Add());
}

// Most values hold no entity: they go to the file-text check as they stand, without a copy.
String Unescaped(std::string_view raw) {
  if (raw.find('&') == std::string_view::npos) return kvxFileText(raw);
  return kvxFileText(kvxXMLToStr(raw));
}

// A text value as wide characters: most are plain UTF-8 and are converted from where they stand.
// Converted before it is checked: bytes that are not UTF-8 leave a replacement character, and
// only a text holding one is checked, so every memo of every page read back is read once.
WideString UnescapedWide(std::string_view raw) {
  if (raw.find('&') == std::string_view::npos) {
    WideString wide = kvxUtf8ToWide(raw);
    if (wide.find(u'\uFFFD') == WideString::npos || IsValidUtf8(raw)) return wide;
  }
  return kvxUtf8ToWide(Unescaped(raw));
}

// What a new object of a class holds in its properties where writing only what differs would
// lose a value: the text properties that hold text (an empty value of such a property must be
// written, or reading the file back would bring the constructor's text back), and the Variant
// properties' values. One new object answers for every property of its class: making a report
// is costly (its script bindings).
struct TNewObjectValues {
  std::set<const TPropInfo*> WithText;
  std::map<const TPropInfo*, Variant> Variants;
};

const TNewObjectValues& NewObjectValues(TObject* obj) {
  static std::map<TClass, TNewObjectValues> known;
  TClass cls = obj->ClassType();
  auto it = known.find(cls);
  if (it != known.end()) return it->second;
  TNewObjectValues values;
  auto collect = [&](TObject* fresh) {
    for (const TPropInfo* p : GetPropList(fresh)) {
      const TTypeKind kind = p->Kind();
      try {
        if (kind == tkVariant) values.Variants[p] = p->GetVariant(fresh);
        else if ((kind == tkString || kind == tkLString || kind == tkWString) && !p->GetStr(fresh).empty())
          values.WithText.insert(p);
      } catch (const Exception&) {
        // A property that cannot be read on a new object has no constructor value to restore.
      }
    }
  };
  try {
    if (cls == TkvxReport::StaticClass()) {
      // The script's class registration sets no property: a report without it answers alike.
      TkvxReport fresh(nullptr, false);
      collect(&fresh);
    } else if (cls->InheritsFrom(TComponent::StaticClass())) {
      std::unique_ptr<TComponent> fresh(cls->CreateComponent(nullptr));
      collect(fresh.get());
    } else if (cls->InheritsFrom(TCollectionItem::StaticClass())) {
      // An item is made by a collection of its class.
      TCollection scratch(cls);
      collect(scratch.Add());
    } else {
      std::unique_ptr<TObject> fresh = cls->CreateObject();
      collect(fresh.get());
    }
  } catch (const Exception&) {
    // A class that cannot be made without arguments has no constructor values to restore.
  }
  return known.emplace(cls, std::move(values)).first->second;
}

bool HasTextByDefault(TObject* obj, const TPropInfo* prop) { return NewObjectValues(obj).WithText.count(prop) != 0; }

// Whether two values are the same value of the same type.
bool SameVariant(const Variant& a, const Variant& b) { return a.VType() == b.VType() && VarToStr(a) == VarToStr(b); }

}  // namespace

String kvxFormatFloat(Extended value) {
  if (std::isnan(value) || std::isinf(value)) return "0";
  // Positions and sizes are mostly whole pixels, written for every object of every row; below
  // 15 digits the general format writes a whole number as its digits alone.
  if (std::fabs(value) < 1e15 && value == std::trunc(value)) return IntToStr(static_cast<Int64>(value));
  return FloatToStr(value);
}

TkvxXMLSerializer::TkvxXMLSerializer(TStream* stream)
    : stream_(stream), reader_(std::make_unique<TReader>(data_)) {
  Errors.SetSorted(true);
  Errors.SetDuplicates(dupIgnore);
}

TkvxXMLSerializer::~TkvxXMLSerializer() = default;

String TkvxXMLSerializer::DefinedData(TPersistent* obj) {
  data_.SetSize(0);
  data_.SetPosition(0);
  TWriter writer(data_);
  writer.SetRoot(Owner);
  obj->DefineProperties(&writer);
  return data_.Size() > 0 ? kvxStreamToHex(data_) : String();
}

String TkvxXMLSerializer::ObjToXML(TPersistent* obj, const String& prefix, TPersistent* ancestor) {
  String out;
  if (!obj) return out;
  auto* component = dynamic_cast<TkvxComponent*>(obj);
  if (component) {
    component->IsWriting = true;
    if (!ancestor && OnGetAncestor) OnGetAncestor(component->Name(), ancestor);
  }
  auto* ancestorComponent = dynamic_cast<TkvxComponent*>(ancestor);
  if (ancestorComponent) ancestorComponent->IsWriting = true;
  try {
    AppendProps(out, obj, prefix, ancestor);
  } catch (...) {
    if (component) component->IsWriting = false;
    if (ancestorComponent) ancestorComponent->IsWriting = false;
    throw;
  }
  if (component) component->IsWriting = false;
  if (ancestorComponent) ancestorComponent->IsWriting = false;
  return out;
}

void TkvxXMLSerializer::AppendProps(String& out, TPersistent* obj, const String& prefix, TPersistent* ancestor) {
  if (ancestor && ancestor->ClassType() != obj->ClassType() && !obj->InheritsFrom(ancestor->ClassType()))
    ancestor = nullptr;
  const std::unique_ptr<TComponent> styled = StyledReference(obj, ancestor);
  TPersistent* const objAncestor = ancestor;
  for (const TPropInfo* prop : GetPropList(obj)) {
    ancestor = styled && TakenFromStyle(*prop) ? styled.get() : objAncestor;
    // A value the object does not store because it is the default is written all the same
    // where the ancestor stores another: reading the file must bring the default back.
    if (!prop->IsStored(obj) && !(ancestor && prop->IsStored(ancestor))) continue;
    String value;
    bool equal = false;
    switch (prop->Kind()) {
      case tkInteger:
      case tkChar:
      case tkWChar:
      case tkSet:
      case tkInt64:
      case tkEnumeration: {
        Int64 v = prop->GetOrd(obj);
        value = prop->Kind() == tkEnumeration ? GetEnumName(prop->PropType(), static_cast<Integer>(v)) : IntToStr(v);
        equal = ancestor ? prop->GetOrd(ancestor) == v : (prop->HasDefault() && prop->Default() == v);
        break;
      }
      case tkFloat: {
        Extended v = prop->GetFloat(obj);
        value = kvxFormatFloat(v);
        equal = ancestor && std::fabs(prop->GetFloat(ancestor) - v) <= 1e-6;
        break;
      }
      case tkString:
      case tkLString:
      case tkWString: {
        String v = prop->GetStr(obj);
        value = kvxStrToXML(v);
        equal = ancestor ? prop->GetStr(ancestor) == v : v.empty();
        if (v.empty() && !ancestor && HasTextByDefault(obj, prop)) {
          AppendAttr(out, prefix, prop->Name(), "");
          continue;
        }
        break;
      }
      case tkVariant: {
        // Written with its type unless it is a text: a date read back as text would be the
        // expression of a division.
        Variant v = prop->GetVariant(obj);
        if (ancestor) {
          equal = SameVariant(prop->GetVariant(ancestor), v);
        } else {
          const auto& variants = NewObjectValues(obj).Variants;
          auto byDefault = variants.find(prop);
          equal = byDefault == variants.end() ? v.IsNull() : SameVariant(byDefault->second, v);
        }
        String typeName;
        if ((equal && !SerializeDefaultValues) || !kvxVariantToText(v, value, typeName)) continue;
        AppendAttr(out, prefix, prop->Name(), kvxStrToXML(value));
        if (!typeName.empty()) AppendAttr(out, prefix, prop->Name() + ".VarType", typeName);
        continue;
      }
      case tkClass: {
        TObject* o = prop->GetObject(obj);
        TObject* a = ancestor ? prop->GetObject(ancestor) : nullptr;
        if (prop->PropType()->ClassType() && prop->PropType()->ClassType()->InheritsFrom(TComponent::StaticClass())) {
          auto* ref = dynamic_cast<TComponent*>(o);
          auto* ancRef = dynamic_cast<TComponent*>(a);
          if (ancestor) {
            if (!ref && !ancRef) continue;
            if (ref && ancRef && SameText(ref->Name(), ancRef->Name())) continue;
            if (!ref) {
              AppendAttr(out, prefix, prop->Name(), "nil");
              continue;
            }
          }
          if (!ref) continue;
          value = kvxStrToXML(kvxGetReferenceName(Owner, ref));
          break;
        }
        if (auto* strings = dynamic_cast<TStrings*>(o)) {
          auto* ancStrings = dynamic_cast<TStrings*>(a);
          if (ancStrings && ancStrings->Text() == strings->Text()) continue;
          AppendAttr(out, prefix, prop->Name() + ".Text", kvxStrToXML(WithoutLastBreak(strings->Text())));
          continue;
        }
        if (dynamic_cast<TWideStrings*>(o)) continue;
        if (auto* nested = dynamic_cast<TPersistent*>(o))
          out += ObjToXML(nested, prefix + prop->Name() + ".", dynamic_cast<TPersistent*>(a));
        continue;
      }
      default:
        continue;
    }
    // An empty text is written where it differs from the ancestor's.
    if ((value.empty() && (!ancestor || equal)) || (equal && !SerializeDefaultValues)) continue;
    AppendAttr(out, prefix, prop->Name(), value);
  }
  ancestor = objAncestor;
  if (TWideStrings* memo = MemoOf(obj)) {
    TWideStrings* ancMemo = ancestor ? MemoOf(ancestor) : nullptr;
    if (!ancMemo || ancMemo->Text() != memo->Text())
      AppendAttr(out, "", "Text", kvxStrToXML(WithoutLastBreak(kvxWideToUtf8(memo->Text()))));
  }
  String data = DefinedData(obj);
  if (!data.empty()) {
    bool same = false;
    if (ancestor) {
      Cardinal mine = kvxStreamCRC32(data_);
      same = DefinedData(ancestor).size() == data.size() && kvxStreamCRC32(data_) == mine;
    }
    if (!same) AppendAttr(out, prefix, "PropData", data);
  }
}

bool TkvxXMLSerializer::TakenFromStyle(const TPropInfo& prop) {
  const String& name = prop.Name();
  return name == "Color" || name == "Font" || name == "Frame" || name == "ParentFont";
}

std::unique_ptr<TComponent> TkvxXMLSerializer::StyledReference(TPersistent* obj, TPersistent* ancestor) {
  // Reading a memo's style gives it the style's colour, font and frame before the memo's own
  // values are read: those are written where they differ from what the style gives, also where
  // the memo's value is the default.
  if (!obj->InheritsFrom(TkvxCustomMemoView::StaticClass())) return nullptr;
  auto* memo = static_cast<TkvxCustomMemoView*>(obj);
  if (memo->Style().empty()) return nullptr;
  TkvxStyleItem* style = memo->FoundStyle();
  auto* ancestorMemo = dynamic_cast<TkvxCustomMemoView*>(ancestor);
  // An ancestor of the same style is read without the style: its own values are the reference.
  if (!style || (ancestorMemo && ancestorMemo->Style() == memo->Style())) return nullptr;
  std::unique_ptr<TComponent> made(obj->ClassType()->CreateComponent(nullptr));
  auto* reference = static_cast<TkvxCustomMemoView*>(made.get());
  if (ancestorMemo) reference->Assign(ancestorMemo);
  reference->TakeStyle(*style);
  return made;
}

String TkvxXMLSerializer::ObjToText(TPersistent* obj) { return obj->ClassName() + ObjToXML(obj); }

void TkvxXMLSerializer::WriteComponent(TComponent* component) {
  if (!stream_) return;
  stream_->WriteString("<" + ObjToText(component) + "/>");
}

void TkvxXMLSerializer::XMLToObj(std::string_view text, TPersistent* obj) { ReadAttributes(text, obj, false); }

bool TkvxXMLSerializer::ApplyVarType(TPersistent* obj, const TPropInfo* prop, std::string_view rest,
                                     std::string_view raw) {
  if (prop->Kind() != tkVariant || !kvxSameXMLName(rest, "VarType")) return false;
  try {
    prop->SetVariant(obj, kvxVariantFromText(VarToStr(prop->GetVariant(obj)), Unescaped(raw)));
  } catch (const std::exception& e) {
    Errors.Add(String(e.what()) + " (" + prop->Name() + ")");
  }
  return true;
}

namespace {

// When an attribute is applied, whatever order a file gives them in. Some setters set other
// properties too: a parent report brings its script, variables and options, an orientation
// turns the paper and margins, a style gives a memo its colour, font and frame, a frame's
// colour, style and width go to its four lines, a paper width or height makes the paper a
// custom size, and taking the parent's font replaces the font. Those go first (the parent's
// font last), before the values they set, so that each attribute the file holds is the value
// the object keeps; the rest go by depth, an object's own values before those of its parts.
int AttributeRank(std::string_view name) {
  size_t dots = 0;
  for (char c : name) dots += c == '.';
  if (dots > 0) return 4 + static_cast<int>(std::min<size_t>(dots, 16));
  if (kvxSameXMLName(name, "ParentReport")) return 0;
  if (kvxSameXMLName(name, "Orientation") || kvxSameXMLName(name, "Style")) return 1;
  if (kvxSameXMLName(name, "PaperWidth") || kvxSameXMLName(name, "PaperHeight")) return 2;
  if (kvxSameXMLName(name, "PaperSize")) return 3;
  if (kvxSameXMLName(name, "ParentFont")) return 100;
  return 4;
}

struct TRankedAttribute {
  int Rank;
  std::string_view Name, Raw;
};

}  // namespace

void TkvxXMLSerializer::ReadAttributes(std::string_view text, TPersistent* obj, bool keepName) {
  // Every object of every page rebuilt comes here: the list keeps its room from one to the next.
  // A serializer reading a file may read another (a parent report) in the middle of one.
  thread_local std::vector<std::vector<TRankedAttribute>> lists;
  thread_local size_t depth = 0;
  if (lists.size() <= depth) lists.resize(depth + 1);
  std::vector<TRankedAttribute>& attributes = lists[depth];
  attributes.clear();
  size_t i = 0;
  std::string_view name, raw;
  bool ordered = true;
  while (kvxNextAttribute(text, i, name, raw)) {
    if (keepName && kvxSameXMLName(name, "Name")) continue;
    const int rank = AttributeRank(name);
    ordered &= attributes.empty() || attributes.back().Rank <= rank;
    attributes.push_back({rank, name, raw});
  }
  if (!ordered)
    std::stable_sort(attributes.begin(), attributes.end(),
                     [](const TRankedAttribute& a, const TRankedAttribute& b) { return a.Rank < b.Rank; });
  ++depth;
  try {
    for (const TRankedAttribute& a : attributes) ReadAttribute(obj, a.Name, a.Raw);
  } catch (...) {
    --depth;
    throw;
  }
  --depth;
}

void TkvxXMLSerializer::ReadAttribute(TPersistent* obj, std::string_view name, std::string_view raw) {
  TPersistent* target = obj;
  for (size_t dot = name.find('.'); dot != std::string_view::npos; dot = name.find('.')) {
    const TPropInfo* prop = kvxFindProp(target->ClassType(), name.substr(0, dot));
    if (!prop) break;
    if (ApplyVarType(target, prop, name.substr(dot + 1), raw)) return;
    TPersistent* next = prop->Kind() == tkClass ? AsPersistent(prop->GetObject(target)) : nullptr;
    if (!next) return;
    target = next;
    name.remove_prefix(dot + 1);
  }
  ApplyReporting(target, name, raw);
}

void TkvxXMLSerializer::ApplyReporting(TPersistent* obj, std::string_view name, std::string_view raw) {
  try {
    ApplyAttribute(obj, name, raw);
  } catch (const std::exception& e) {
    // The attribute's name tells the user which setting of the file was refused.
    Errors.Add(String(e.what()) + " (" + String(name) + ")");
  }
}

TkvxXMLAttributes::TkvxXMLAttributes(std::string_view text) {
  size_t i = 0;
  std::string_view name, raw;
  while (kvxNextAttribute(text, i, name, raw)) {
    TAttribute& a = attributes_.emplace_back();
    a.Name = String(name);
    a.Raw = String(raw);
    for (size_t dot = a.Name.find('.'); dot != String::npos; dot = a.Name.find('.', dot + 1)) a.Dots.push_back(dot);
    a.Steps.resize(a.Dots.size());
    a.Last = a.Dots.empty() ? a.Name : a.Name.substr(a.Dots.back() + 1);
    a.IsText = a.Dots.empty() && kvxSameXMLName(a.Name, "Text");
  }
}

void TkvxXMLSerializer::ApplyAttributes(TkvxXMLAttributes& attributes, TPersistent* obj, bool withoutMemoText) {
  // Every attribute starts from the same object: its class is asked for once.
  const TClass objClass = obj->ClassType();
  for (TkvxXMLAttributes::TAttribute& a : attributes.attributes_) {
    if (withoutMemoText && a.IsText && MemoProp(obj)) continue;
    // The dotted path as XMLToObj walks it, each step looked up again only for another class.
    TPersistent* target = obj;
    TClass targetClass = objClass;
    size_t k = 0;
    bool reachable = true;
    for (; k < a.Dots.size(); ++k) {
      TkvxXMLAttributes::TStep& step = a.Steps[k];
      if (step.Class != targetClass) {
        const size_t from = k == 0 ? 0 : a.Dots[k - 1] + 1;
        step.Prop = kvxFindProp(targetClass, std::string_view(a.Name).substr(from, a.Dots[k] - from));
        step.Class = targetClass;
      }
      if (!step.Prop) break;
      const TTypeKind kind = step.Prop->Kind();
      if (kind == tkVariant && ApplyVarType(target, step.Prop, std::string_view(a.Name).substr(a.Dots[k] + 1), a.Raw)) {
        reachable = false;
        break;
      }
      TObject* next = kind == tkClass ? step.Prop->GetObject(target) : nullptr;
      if (!next) {
        reachable = false;
        break;
      }
      // Whether the object reached holds properties of its own, asked of its class once.
      const TClass nextClass = next->ClassType();
      if (step.NextClass != nextClass) {
        step.NextClass = nextClass;
        step.NextIsPersistent = nextClass->InheritsFrom(TPersistent::StaticClass());
      }
      if (!step.NextIsPersistent) {
        reachable = false;
        break;
      }
      target = static_cast<TPersistent*>(next);
      targetClass = nextClass;
    }
    if (!reachable) continue;
    // A part of the path that names no property: the rest of the name goes to the object reached.
    if (k < a.Dots.size()) {
      ApplyReporting(target, std::string_view(a.Name).substr(k == 0 ? 0 : a.Dots[k - 1] + 1), a.Raw);
      continue;
    }
    if (a.Class != targetClass) PrepareAction(a, target);
    try {
      ApplyPrepared(a, target);
    } catch (const std::exception& e) {
      Errors.Add(String(e.what()) + " (" + a.Last + ")");
    }
  }
}

void TkvxXMLSerializer::PrepareAction(TkvxXMLAttributes::TAttribute& a, TPersistent* obj) {
  using TAction = TkvxXMLAttributes::TAction;
  const TClass cls = obj->ClassType();
  a.Class = cls;
  a.Action = TAction::Generic;
  a.Prop = nullptr;
  const String& name = a.Last;
  // Each case converts the value as ApplyAttribute does, for the kind of object the class
  // makes; a value it refuses is left to ApplyAttribute, which refuses it again for every
  // object and is reported as always.
  try {
    if (name.size() == 1 && (name[0] == 'l' || name[0] == 't' || name[0] == 'w' || name[0] == 'h')) {
      if (!AsComponent(obj)) return;
      a.Float = kvxClampCoordinate(kvxStrToFloat(a.Raw));
      a.Action = TAction::Position;
      return;
    }
    if (name.size() == 1 && (name[0] == 'u' || name[0] == 'x')) {
      a.Prop = MemoProp(obj);
      a.Wide = kvxUtf8ToWide(Unescaped(a.Raw));
      a.Action = TAction::MemoText;
      return;
    }
    if (kvxSameXMLName(name, "Text")) {
      a.Text = Unescaped(a.Raw);
      a.Wide = kvxUtf8ToWide(a.Text);
      if (dynamic_cast<TStrings*>(obj)) {
        a.Action = TAction::StringsText;
      } else if (dynamic_cast<TWideStrings*>(obj)) {
        a.Action = TAction::WideText;
      } else if ((a.Prop = MemoProp(obj))) {
        a.Action = TAction::MemoText;
      }
      return;
    }
    // Defined-property data goes through the reader, and a report keeps its own name. Any
    // other object's name is a text property like the rest: every copy of a source object a
    // page holds is named from it.
    if (kvxSameXMLName(name, "PropData")) return;
    if (kvxSameXMLName(name, "Name") && obj->InheritsFrom(TkvxReport::StaticClass())) return;
    PrepareProperty(a, kvxFindProp(cls, name), a.Raw);
  } catch (const std::exception&) {
    a.Action = TAction::Generic;
  }
}

void TkvxXMLSerializer::PrepareProperty(TkvxXMLAttributes::TAttribute& a, const TPropInfo* prop, std::string_view raw) {
  using TAction = TkvxXMLAttributes::TAction;
  a.Prop = prop;
  a.Action = TAction::Nothing;
  if (!prop || !prop->IsWritable()) return;
  switch (prop->Kind()) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkSet:
    case tkInt64:
      a.Ord = kvxClampReadOrd(*prop, StrToInt64(String(raw)));
      a.Action = TAction::Ord;
      return;
    case tkEnumeration: {
      String v(raw);
      if (!TryStrToInt64(v, a.Ord)) {
        a.Ord = GetEnumValue(prop->PropType(), v);
        if (a.Ord < 0) throw EPropertyError("Invalid property value: " + prop->Name() + "=\"" + v + "\"");
      }
      a.Action = TAction::Ord;
      return;
    }
    case tkFloat:
      a.Float = kvxClampReadFloat(*prop, kvxStrToFloat(String(raw)));
      a.Action = TAction::Float;
      return;
    case tkString:
    case tkLString:
    case tkWString:
      a.Text = Unescaped(raw);
      a.Action = TAction::Str;
      return;
    case tkClass:
      a.Text = Unescaped(raw);
      a.Action = TAction::Reference;
      return;
    case tkVariant:
      a.Text = Unescaped(raw);
      a.Action = TAction::Var;
      return;
    default:
      return;
  }
}

void TkvxXMLSerializer::SetProperty(const TkvxXMLAttributes::TAttribute& a, TPersistent* obj) {
  using TAction = TkvxXMLAttributes::TAction;
  switch (a.Action) {
    case TAction::Ord:
      a.Prop->SetOrd(obj, a.Ord);
      return;
    case TAction::Float:
      a.Prop->SetFloat(obj, a.Float);
      return;
    case TAction::Str:
      a.Prop->SetStr(obj, a.Text);
      return;
    case TAction::Reference:
      if (a.Text == "nil") a.Prop->SetObject(obj, nullptr);
      else fixups_.push_back({obj, a.Prop, a.Text});
      return;
    case TAction::Var:
      a.Prop->SetVariant(obj, Variant(a.Text));
      return;
    default:
      return;
  }
}

void TkvxXMLSerializer::ApplyPrepared(TkvxXMLAttributes::TAttribute& a, TPersistent* obj) {
  using TAction = TkvxXMLAttributes::TAction;
  switch (a.Action) {
    case TAction::Position: {
      auto* component = static_cast<TkvxComponent*>(obj);
      const char c = a.Last[0];
      if (c == 'l') component->SetLeft(a.Float);
      else if (c == 't') component->SetTop(a.Float);
      else if (c == 'w') component->SetWidth(a.Float);
      else component->SetHeight(a.Float);
      return;
    }
    case TAction::MemoText:
      if (!a.Prop) return;
      if (auto* memo = dynamic_cast<TWideStrings*>(a.Prop->GetObject(obj))) memo->SetText(a.Wide);
      else if (kvxSameXMLName(a.Last, "Text")) break;
      return;
    case TAction::StringsText:
      static_cast<TStrings*>(obj)->SetText(a.Text);
      return;
    case TAction::WideText:
      static_cast<TWideStrings*>(obj)->SetText(a.Wide);
      return;
    case TAction::Generic:
      break;
    default:
      SetProperty(a, obj);
      return;
  }
  ApplyAttribute(obj, a.Last, a.Raw);
}

void TkvxXMLSerializer::ApplyAttribute(TPersistent* obj, std::string_view name, std::string_view raw) {
  if (name.size() == 1) {
    char c = name[0];
    auto* component = c == 'l' || c == 't' || c == 'w' || c == 'h' ? AsComponent(obj) : nullptr;
    if (component) {
      Extended v = kvxClampCoordinate(kvxStrToFloat(String(raw)));
      if (c == 'l') component->SetLeft(v);
      else if (c == 't') component->SetTop(v);
      else if (c == 'w') component->SetWidth(v);
      else component->SetHeight(v);
      return;
    }
    if (c == 'u' || c == 'x') {
      if (TWideStrings* memo = MemoOf(obj)) memo->SetText(UnescapedWide(raw));
      return;
    }
  }
  // The names the serializer reads itself are matched without regard to case, as property
  // names are: a file written "text=" means the memo's text.
  if (kvxSameXMLName(name, "Text")) {
    if (auto* strings = dynamic_cast<TStrings*>(obj)) {
      strings->SetText(Unescaped(raw));
      return;
    }
    if (auto* wide = dynamic_cast<TWideStrings*>(obj)) {
      wide->SetText(kvxUtf8ToWide(Unescaped(raw)));
      return;
    }
    if (TWideStrings* memo = MemoOf(obj)) {
      memo->SetText(kvxUtf8ToWide(Unescaped(raw)));
      return;
    }
  }
  if (kvxSameXMLName(name, "PropData")) {
    kvxHexToStream(raw, data_);
    reader_->SetRoot(Owner);
    while (!reader_->AtEnd()) reader_->ReadProperty(obj);
    return;
  }
  if (kvxSameXMLName(name, "Name") && dynamic_cast<TkvxReport*>(obj)) return;
  TkvxXMLAttributes::TAttribute a;
  PrepareProperty(a, kvxFindProp(obj->ClassType(), name), raw);
  SetProperty(a, obj);
}

void TkvxXMLSerializer::ResolveReferences() {
  auto* owner = dynamic_cast<TkvxComponent*>(Owner);
  for (const TFixup& f : fixups_) {
    TComponent* found = owner ? owner->FindObject(f.Name) : nullptr;
    if (!found) found = kvxFindComponent(Owner, f.Name);
    if (!found) continue;
    try {
      f.Prop->SetObject(f.Obj, found);
    } catch (const EPropertyError&) {
      // A name that belongs to an object of another class leaves the reference unset.
    }
  }
  fixups_.clear();
}

void TkvxXMLSerializer::ReadItem(TkvxXMLItem* item, TkvxComponent* parent, std::vector<TkvxComponent*>& read,
                                 int depth) {
  bool inherited = SameText(item->Name, "inherited");
  TClass cls = nullptr;
  if (!inherited) {
    cls = GetClass(item->Name);
    // A report is only ever the root: one inside another would own itself.
    if (!cls || !cls->InheritsFrom(TkvxComponent::StaticClass()) ||
        (parent && cls->InheritsFrom(TkvxReport::StaticClass()))) {
      Errors.Add(kvxGetResources()->Get("xrCantFindClass") + " " + item->Name);
      return;
    }
  }
  TkvxComponent* component = nullptr;
  bool renamed = false;
  if (!parent) {
    // The file's root element must describe the object it is read into.
    if (!inherited && !rootForRead_->InheritsFrom(cls)) throw TkvxInvalidXMLException("Invalid file format");
    component = rootForRead_;
  } else {
    String name = item->Prop("Name");
    if (!name.empty() && Owner) {
      auto* report = dynamic_cast<TkvxReport*>(Owner);
      component = dynamic_cast<TkvxComponent*>(report ? report->FindOwned(name) : Owner->FindComponent(name));
      // Only an inherited element (or one naming an object of the parent report) changes an
      // object that is already there. Any other element of a name already taken, in any case
      // and of any class, is an object of its own: merged into the first it would overwrite it
      // and be lost itself.
      // An object of the parent report is changed by the first element naming it; a second
      // one is a name given twice, as it is in a report without a parent.
      bool twice = false;
      if (component && component->IsAncestor()) twice = !updated_.insert(component).second;
      if (component && ((!inherited && !component->IsAncestor()) || twice)) {
        component = nullptr;
        renamed = true;
      }
      // The names the report's script gives the report, its engine and outline and the value
      // and view being printed would be hidden by an object's: such an object is renamed as a
      // second object of a name is.
      if (!component && !inherited && TkvxReport::IsScriptName(name)) renamed = true;
    }
    if (!component) {
      // What the report changed of an object its parent no longer has (renamed or removed)
      // cannot be placed: the user must hear of it before a save drops it. An element that
      // changes nothing (as the program writes every inherited object) is let go in silence.
      if (inherited) {
        auto* report = dynamic_cast<TkvxReport*>(Owner);
        if (!renamed && !ChangesSomething(*item)) return;
        // A run's snapshot read back holds what the load already said.
        if ((!report || !report->Reloading) && renamed)
          Errors.Add(kvxGetResources()->Get("prDupl") + " " + name +
                     ": a second element changes that object of the parent report; its changes are kept but not used");
        else if (!report || !report->Reloading)
          Errors.Add("The parent report has no object " + (name.empty() ? String("without a name") : name) +
                     " any more: this report's changes to it are kept but not used");
        if (report) {
          auto kept = std::make_unique<TkvxXMLItem>();
          CopyItem(*item, *kept);
          report->Unplaced.emplace_back(parent->Name(), std::move(kept));
        }
        return;
      }
      try {
        component = static_cast<TkvxComponent*>(cls->CreateComponent(parent));
      } catch (const Exception& e) {
        Errors.Add(e.Message());
        return;
      }
      if (component->Parent() != parent) component->SetParent(parent);
      if (renamed) {
        component->CreateUniqueName();
        Errors.Add(kvxGetResources()->Get("prDupl") + " " + name + ": the " + item->Name + " of that name is kept as " +
                   component->Name());
      }
    }
  }
  component->IsLoading = true;
  component->SetComponentStateFlag(csLoading, true);
  read.push_back(component);
  ReadAttributes(item->Text, component, renamed);
  for (Integer i = 0; i < item->Count(); ++i) ReadItem(item->Items(i), component, read, depth + 1);
}

bool TkvxXMLSerializer::ChangesSomething(const TkvxXMLItem& item) {
  size_t i = 0;
  std::string_view name, raw;
  while (kvxNextAttribute(item.Text, i, name, raw))
    if (!kvxSameXMLName(name, "Name")) return true;
  for (Integer k = 0; k < item.Count(); ++k)
    if (ChangesSomething(*item.Items(k))) return true;
  return false;
}

void TkvxXMLSerializer::ReadRootComponent(TkvxComponent* root, TkvxXMLItem* item) {
  if (!Owner) Owner = root;
  updated_.clear();
  TkvxXMLDocument doc;
  if (!item) {
    doc.LoadFromStream(stream_, false);
    OldFormat = doc.OldVersion;
    item = doc.Root();
  }
  ReadRoot([&](std::vector<TkvxComponent*>& read) {
    rootForRead_ = root;
    ReadItem(item, nullptr, read, 0);
  });
}

void TkvxXMLSerializer::ReadRootAttributes(TkvxComponent* root, TkvxXMLAttributes& attributes) {
  if (!Owner) Owner = root;
  ReadRoot([&](std::vector<TkvxComponent*>& read) {
    root->IsLoading = true;
    root->SetComponentStateFlag(csLoading, true);
    read.push_back(root);
    ApplyAttributes(attributes, root);
  });
}

void TkvxXMLSerializer::ReadRoot(const std::function<void(std::vector<TkvxComponent*>&)>& readObjects) {
  reader_->SetRoot(Owner);
  reader_->BeginReferences();
  std::vector<TkvxComponent*> read;
  try {
    readObjects(read);
  } catch (...) {
    for (TkvxComponent* c : read) {
      c->IsLoading = false;
      c->SetComponentStateFlag(csLoading, false);
    }
    reader_->EndReferences();
    fixups_.clear();
    throw;
  }
  ResolveReferences();
  reader_->FixupReferences();
  reader_->EndReferences();
  for (TkvxComponent* c : read) {
    c->IsLoading = false;
    if (dynamic_cast<TkvxReport*>(c)) c->SetComponentStateFlag(csLoading, false);
    else c->Loaded();
  }
}

void TkvxXMLSerializer::WriteItem(TkvxComponent* c, TkvxXMLItem* item, bool isRoot, bool saveChildren,
                                  bool keepClassNames) {
  item->Name = c->IsAncestor() && !keepClassNames ? String("inherited") : c->ClassName();
  if (isRoot) {
    item->Text = ObjToXML(c);
  } else {
    item->Text = "Name=\"" + kvxStrToXML(c->Name()) + "\"" + ObjToXML(c);
  }
  if (!saveChildren) return;
  for (TkvxComponent* child : c->Objects()) WriteItem(child, item->Add(), false, true, keepClassNames);
  auto* report = dynamic_cast<TkvxReport*>(Owner);
  if (keepClassNames || !report || c->GetReport() != report) return;
  for (const auto& [parentName, kept] : report->Unplaced)
    if (SameText(parentName, c->Name())) CopyItem(*kept, *item->Add());
}

void TkvxXMLSerializer::WriteRootComponent(TkvxComponent* root, bool saveChildren, TkvxXMLItem* item,
                                           bool keepClassNames) {
  if (!Owner) Owner = root;
  if (item) {
    WriteItem(root, item, true, saveChildren, keepClassNames);
    return;
  }
  TkvxXMLDocument doc;
  doc.AutoIndent = true;
  WriteItem(root, doc.Root(), true, saveChildren, keepClassNames);
  if (stream_) doc.SaveToStream(*stream_);
}

TPersistent* TkvxXMLSerializer::CreateObjFromText(const String& text, TComponent* owner, bool skipFixups) {
  Owner = owner;
  String trimmed = Trim(text);
  if (trimmed.empty()) return nullptr;
  size_t blank = trimmed.find(' ');
  TClass cls = FindClass(trimmed.substr(0, blank));
  TPersistent* obj;
  if (cls->InheritsFrom(TComponent::StaticClass())) {
    obj = cls->CreateComponent(owner);
  } else {
    obj = dynamic_cast<TPersistent*>(cls->CreateObject().release());
    if (!obj) throw EComponentError("Cannot create an instance of " + cls->ClassName());
  }
  auto* component = dynamic_cast<TkvxComponent*>(obj);
  if (component) component->IsLoading = true;
  reader_->SetRoot(Owner);
  reader_->BeginReferences();
  XMLToObj(blank == String::npos ? String() : trimmed.substr(blank + 1), obj);
  if (skipFixups) {
    fixups_.clear();
    reader_->EndReferences();
  } else {
    ResolveReferences();
    reader_->FixupReferences();
    reader_->EndReferences();
  }
  if (component) {
    component->IsLoading = false;
    if (!dynamic_cast<TkvxReport*>(component)) component->Loaded();
  }
  return obj;
}

void TkvxXMLSerializer::ReadObjFromText(TComponent* root, TPersistent* obj, const String& text) {
  TComponent* saved = Owner;
  Owner = root;
  XMLToObj(text, obj);
  ResolveReferences();
  Owner = saved;
}

}  // namespace orv
