#pragma once
// TkvxXMLSerializer: report components to XML items and back. One element per object, named
// after its class; attributes are the published properties that differ from a reference (an
// ancestor object or the declared defaults); nested objects as dotted names, string lists as
// ".Text", memo texts as "Text", defined-property data as hex "PropData", references by name
// resolved once the whole tree is read.
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/rtl/Filer.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/TypInfo.h"
#include "report/model/XmlDocument.h"

namespace orv {

class TkvxComponent;

// An attribute text read once and set on many objects, as XMLToObj sets it: names are looked up
// and values converted for the classes of the first object, and again only where a later
// object's classes differ. Prepared pages rebuild thousands of objects from one source's text.
class TkvxXMLAttributes {
 public:
  explicit TkvxXMLAttributes(std::string_view text);

 private:
  friend class TkvxXMLSerializer;
  // What setting the attribute comes to on an object of the class it was worked out for;
  // Generic goes through the serializer's whole reading of the text.
  enum class TAction { Generic, Nothing, Position, MemoText, StringsText, WideText, Ord, Float, Str, Reference, Var };
  struct TStep {
    TClass Class = nullptr;
    const TPropInfo* Prop = nullptr;
    // The class of the object the property last gave, and whether it can hold properties.
    TClass NextClass = nullptr;
    bool NextIsPersistent = false;
  };
  struct TAttribute {
    String Name;
    // Where each part of a dotted name ends, and the property it names on its object's class.
    std::vector<size_t> Dots;
    std::vector<TStep> Steps;
    // The name after the last dot, and the value as written.
    String Last;
    String Raw;
    // An undotted "Text": a memo's design text, which a page's own text replaces.
    bool IsText = false;
    TClass Class = nullptr;
    TAction Action = TAction::Generic;
    const TPropInfo* Prop = nullptr;
    Int64 Ord = 0;
    Extended Float = 0;
    String Text;
    WideString Wide;
  };
  std::vector<TAttribute> attributes_;
};

class TkvxXMLSerializer {
 public:
  explicit TkvxXMLSerializer(TStream* stream);
  ~TkvxXMLSerializer();

  // One line per message of a property that could not be read or an element that was skipped.
  TStringList Errors;
  // References are looked up against and written relative to Owner (the root when unset).
  TComponent* Owner = nullptr;
  // Set from the document's header when a load reads the stream.
  bool OldFormat = true;
  bool SerializeDefaultValues = false;
  std::function<void(const String& name, TPersistent*& ancestor)> OnGetAncestor;

  void ReadRootComponent(TkvxComponent* root, TkvxXMLItem* item = nullptr);
  // The same for a root item without children, whose attributes were read once: a prepared
  // page is made from its source page's attributes for every page the report has.
  void ReadRootAttributes(TkvxComponent* root, TkvxXMLAttributes& attributes);
  void WriteRootComponent(TkvxComponent* root, bool saveChildren = true, TkvxXMLItem* item = nullptr,
                          bool keepClassNames = false);
  // Attribute text of one object (each attribute with a leading blank).
  String ObjToXML(TPersistent* obj, const String& prefix = "", TPersistent* ancestor = nullptr);
  void XMLToObj(std::string_view text, TPersistent* obj);
  // The same as XMLToObj with the text the attributes were read from. withoutMemoText leaves out a
  // memo's text, for a caller that sets the text next.
  void ApplyAttributes(TkvxXMLAttributes& attributes, TPersistent* obj, bool withoutMemoText = false);
  String ObjToText(TPersistent* obj);
  void WriteComponent(TComponent* component);
  // The object named by the first word of text (a registered class); nullptr for a blank text.
  TPersistent* CreateObjFromText(const String& text, TComponent* owner, bool skipFixups = false);
  void ReadObjFromText(TComponent* root, TPersistent* obj, const String& text);
  // Stores the objects that references read so far name, looked up against Owner.
  void ResolveReferences();

 private:
  struct TFixup {
    TPersistent* Obj;
    const TPropInfo* Prop;
    String Name;
  };
  void AppendProps(String& out, TPersistent* obj, const String& prefix, TPersistent* ancestor);
  // The memo as reading its style makes it, where the style is read (the memo has one of the
  // report's styles and the ancestor, if any, another): its colour, font and frame are written
  // where they differ from that. Null for any other object.
  static std::unique_ptr<TComponent> StyledReference(TPersistent* obj, TPersistent* ancestor);
  // Whether reading a memo's style sets the property.
  static bool TakenFromStyle(const TPropInfo& prop);
  // Gives a Variant property the type its "VarType" attribute names (rest is the name after the
  // property's); false for any other attribute.
  bool ApplyVarType(TPersistent* obj, const TPropInfo* prop, std::string_view rest, std::string_view raw);
  // XMLToObj; keepName leaves the object's name as it is (a duplicate kept under a new one).
  void ReadAttributes(std::string_view text, TPersistent* obj, bool keepName);
  // One attribute, its dotted name followed from obj to the object it names.
  void ReadAttribute(TPersistent* obj, std::string_view name, std::string_view raw);
  void ApplyAttribute(TPersistent* obj, std::string_view name, std::string_view rawValue);
  void ApplyReporting(TPersistent* obj, std::string_view name, std::string_view rawValue);
  // Works out the action for objects of obj's class.
  static void PrepareAction(TkvxXMLAttributes::TAttribute& attribute, TPersistent* obj);
  // The value converted for the property by its kind; a value the property refuses throws.
  static void PrepareProperty(TkvxXMLAttributes::TAttribute& attribute, const TPropInfo* prop, std::string_view raw);
  void SetProperty(const TkvxXMLAttributes::TAttribute& attribute, TPersistent* obj);
  void ApplyPrepared(TkvxXMLAttributes::TAttribute& attribute, TPersistent* obj);
  void ReadItem(TkvxXMLItem* item, TkvxComponent* parent, std::vector<TkvxComponent*>& read, int depth);
  // Whether an element holds any attribute but its name, or such a child.
  static bool ChangesSomething(const TkvxXMLItem& item);
  // Reads objects with their references resolved once all are read; every object read comes
  // out of its loading state, also when the reading fails.
  void ReadRoot(const std::function<void(std::vector<TkvxComponent*>&)>& readObjects);
  void WriteItem(TkvxComponent* c, TkvxXMLItem* item, bool isRoot, bool saveChildren, bool keepClassNames);
  String DefinedData(TPersistent* obj);

  TStream* stream_;
  TkvxComponent* rootForRead_ = nullptr;
  std::vector<TFixup> fixups_;
  // The parent report's objects that an element of the file being read has changed.
  std::unordered_set<TkvxComponent*> updated_;
  TMemoryStream data_;
  std::unique_ptr<TReader> reader_;
};

}  // namespace orv
