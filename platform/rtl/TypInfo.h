#pragma once
// Run-time type information of published properties: the class info every class declares
// (ORV_CLASS / ORV_IMPLEMENT_CLASS), the type records of property values, and the routines
// that list, read and write properties by name, as the report serializer, the diff text and the
// script bindings need them.
//
// Declaring a class's published properties, in its .cpp:
//
//   ORV_IMPLEMENT_CLASS(TFoo, c) {
//     c.Prop("Left", &TFoo::Left, &TFoo::SetLeft);                     // float: no default
//     c.Prop("Visible", &TFoo::Visible, &TFoo::SetVisible).Default(true);
//     c.Prop("HAlign", &TFoo::HAlign, &TFoo::SetHAlign).Default(haLeft);
//     c.Prop("Font", &TFoo::Font, &TFoo::SetFont);                     // class kind
//     c.Prop("Count", &TFoo::Count);                                   // read-only
//     c.Prop("Tag2", &TFoo::Tag2, &TFoo::SetTag2).Stored(&TFoo::IsTag2Stored);
//     c.Event("OnClick", &TFoo::OnClick);                              // std::function member
//   }
//
// Getters and setters are member functions or callables taking the object (TFoo&). The value
// type decides the kind: integers, bool (the enumeration "Boolean"), char, char16_t, floating
// point, String, WideString, Variant, pointers to TObject classes, enumerations declared with
// ORV_ENUM / ORV_ENUM_INFO and sets declared with ORV_SET_INFO. Properties are listed
// ancestors' first, each class's in declaration order; a class that declares a property of an
// ancestor's name again replaces it in the ancestor's position (to change its default).
#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Variant.h"

namespace orv {

class TComponent;
class TCollection;
class TCollectionItem;

enum TTypeKind {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkWChar,
  tkLString,
  tkWString,
  tkVariant,
  tkArray,
  tkRecord,
  tkInterface,
  tkInt64,
  tkDynArray
};

// The type of a property value. Enumeration records carry their value names ("haLeft") and are
// shared by every property of that type; set records carry their element enumeration.
class TTypeInfo {
 public:
  TTypeInfo(TTypeKind kind, String name) : kind_(kind), name_(std::move(name)) {}
  // names: the value names separated by commas, as in the enumeration's declaration.
  static TTypeInfo MakeEnum(const char* name, const char* names);
  static TTypeInfo MakeSet(const char* name, const TTypeInfo* elementType);
  static TTypeInfo MakeClass(TClass (*classOf)());

  TTypeKind Kind() const { return kind_; }
  // For a class type the class's name.
  const String& Name() const;
  const std::vector<String>& EnumNames() const { return names_; }
  // The element enumeration of a set type.
  const TTypeInfo* CompType() const { return compType_; }
  // The class of a class type; nullptr for other kinds.
  TClass ClassType() const { return classOf_ ? classOf_() : nullptr; }
  // The value range of integer and character types.
  Int64 MinValue() const { return min_; }
  Int64 MaxValue() const { return max_; }
  void SetRange(Int64 minValue, Int64 maxValue) {
    min_ = minValue;
    max_ = maxValue;
  }

 private:
  TTypeKind kind_;
  Int64 min_ = INT64_MIN;
  Int64 max_ = INT64_MAX;
  String name_;
  std::vector<String> names_;
  const TTypeInfo* compType_ = nullptr;
  TClass (*classOf_)() = nullptr;
};

// Maps a C++ value type to its type record. Enumerations and sets get theirs from the macros
// below; an undeclared one is a compile error here.
template <class V, class = void>
struct TTypeInfoTraits;

template <class V>
const TTypeInfo* TypeInfoOf() {
  return TTypeInfoTraits<std::remove_cvref_t<V>>::Get();
}

namespace detail {
const TTypeInfo* IntegerTypeInfo(bool isSigned, int bytes);
const TTypeInfo* SimpleTypeInfo(TTypeKind kind);
template <class V>
constexpr bool kIsOrdinalInteger = std::is_integral_v<V> && !std::is_same_v<V, bool> &&
                                   !std::is_same_v<V, char> && !std::is_same_v<V, char16_t>;
}  // namespace detail

template <class V>
struct TTypeInfoTraits<V, std::enable_if_t<detail::kIsOrdinalInteger<V>>> {
  static const TTypeInfo* Get() {
    return detail::IntegerTypeInfo(std::is_signed_v<V>, static_cast<int>(sizeof(V)));
  }
};
template <>
struct TTypeInfoTraits<bool> {
  static const TTypeInfo* Get();
};
template <>
struct TTypeInfoTraits<char> {
  static const TTypeInfo* Get() { return detail::SimpleTypeInfo(tkChar); }
};
template <>
struct TTypeInfoTraits<char16_t> {
  static const TTypeInfo* Get() { return detail::SimpleTypeInfo(tkWChar); }
};
template <class V>
struct TTypeInfoTraits<V, std::enable_if_t<std::is_floating_point_v<V>>> {
  static const TTypeInfo* Get() { return detail::SimpleTypeInfo(tkFloat); }
};
template <>
struct TTypeInfoTraits<String> {
  static const TTypeInfo* Get() { return detail::SimpleTypeInfo(tkLString); }
};
template <>
struct TTypeInfoTraits<WideString> {
  static const TTypeInfo* Get() { return detail::SimpleTypeInfo(tkWString); }
};
template <>
struct TTypeInfoTraits<Variant> {
  static const TTypeInfo* Get() { return detail::SimpleTypeInfo(tkVariant); }
};
template <class C>
struct TTypeInfoTraits<C*, std::enable_if_t<std::is_class_v<C>>> {
  static const TTypeInfo* Get() {
    static const TTypeInfo info = TTypeInfo::MakeClass(&C::StaticClass);
    return &info;
  }
};

// At namespace orv scope, after the enumeration: its type record with the value names.
// The values must run from 0 in the order given.
#define ORV_ENUM_INFO(E, ...)                                                   \
  template <>                                                                   \
  struct TTypeInfoTraits<E> {                                                   \
    static const ::orv::TTypeInfo* Get() {                                      \
      static const ::orv::TTypeInfo info = ::orv::TTypeInfo::MakeEnum(#E, #__VA_ARGS__); \
      return &info;                                                             \
    }                                                                           \
  }

// Declares the enumeration and its type record at once: ORV_ENUM(THAlign, haLeft, haRight);
#define ORV_ENUM(E, ...)   \
  enum E { __VA_ARGS__ };  \
  ORV_ENUM_INFO(E, __VA_ARGS__)

// At namespace orv scope, for a set type S = TSet<E> whose E has its enumeration record.
#define ORV_SET_INFO(S)                                                                       \
  template <>                                                                                 \
  struct TTypeInfoTraits<S> {                                                                 \
    static const ::orv::TTypeInfo* Get() {                                                    \
      static const ::orv::TTypeInfo info =                                                    \
          ::orv::TTypeInfo::MakeSet(#S, ::orv::TypeInfoOf<typename S::Element>());            \
      return &info;                                                                           \
    }                                                                                         \
  }

// One published property: its name, type, accessors, default and stored condition.
// Ordinal kinds (integer, char, enumeration, set, Int64) travel as Int64: an enumeration as its
// ordinal, a set as its bit mask, a Boolean as 0 or 1. Event properties (tkMethod) read and write
// the NAME of their handler, as report files store it; their handler itself is reached with
// GetHandler/SetHandler as a std::any holding the member's exact std::function type.
class TPropInfo {
 public:
  const String& Name() const { return name_; }
  const TTypeInfo* PropType() const { return type_; }
  TTypeKind Kind() const { return type_->Kind(); }
  // The class whose ORV_IMPLEMENT_CLASS declared the property.
  TClass DeclaringClass() const { return declaringClassOf_(); }
  bool IsWritable() const;
  // Ordinal kinds only; a property declared without a default never equals one.
  bool HasDefault() const { return hasDefault_; }
  Int64 Default() const { return default_; }
  bool IsStored(TObject* obj) const { return !stored_ || stored_(obj); }

  // Each raises EPropertyError when the property's kind does not fit the call, or when a
  // setter is called on a read-only property. SetOrd checks the value against the type's
  // range, enumeration values or set elements (EPropertyError "Invalid property value"), so a
  // damaged file cannot plant an invalid value.
  Int64 GetOrd(TObject* obj) const;
  void SetOrd(TObject* obj, Int64 value) const;
  Extended GetFloat(TObject* obj) const;
  void SetFloat(TObject* obj, Extended value) const;
  // String kinds; a wide string property converts from and to UTF-8, a char one is one character.
  String GetStr(TObject* obj) const;
  void SetStr(TObject* obj, const String& value) const;
  WideString GetWideStr(TObject* obj) const;
  void SetWideStr(TObject* obj, const WideString& value) const;
  Variant GetVariant(TObject* obj) const;
  void SetVariant(TObject* obj, const Variant& value) const;
  TObject* GetObject(TObject* obj) const;
  // EPropertyError when value is not of the property's class.
  void SetObject(TObject* obj, TObject* value) const;
  String GetMethodName(TObject* obj) const;
  void SetMethodName(TObject* obj, const String& name) const;
  std::any GetHandler(TObject* obj) const;
  // EPropertyError when handler does not hold the event's std::function type.
  void SetHandler(TObject* obj, const std::any& handler) const;

 private:
  template <class T>
  friend class TClassBuilder;
  [[noreturn]] void KindError() const;
  [[noreturn]] void ReadOnlyError() const;

  String name_;
  const TTypeInfo* type_ = nullptr;
  TClass (*declaringClassOf_)() = nullptr;
  bool hasDefault_ = false;
  Int64 default_ = 0;
  std::function<bool(TObject*)> stored_;
  std::function<Int64(TObject*)> getOrd_;
  std::function<void(TObject*, Int64)> setOrd_;
  std::function<Extended(TObject*)> getFloat_;
  std::function<void(TObject*, Extended)> setFloat_;
  std::function<String(TObject*)> getStr_;
  std::function<void(TObject*, const String&)> setStr_;
  std::function<WideString(TObject*)> getWideStr_;
  std::function<void(TObject*, const WideString&)> setWideStr_;
  std::function<Variant(TObject*)> getVariant_;
  std::function<void(TObject*, const Variant&)> setVariant_;
  std::function<TObject*(TObject*)> getObject_;
  std::function<void(TObject*, TObject*)> setObject_;
  std::function<String(TObject*)> getMethodName_;
  std::function<void(TObject*, const String&)> setMethodName_;
  std::function<std::any(TObject*)> getHandler_;
  std::function<void(TObject*, const std::any&)> setHandler_;
};

// The class library's class reference: name, parent, factory and published properties.
class TClassInfo {
 public:
  TClassInfo(String name, TClass parent) : name_(std::move(name)), parent_(parent) {}
  TClassInfo(TClassInfo&&) noexcept;
  ~TClassInfo();

  const String& ClassName() const { return name_; }
  TClass ClassParent() const { return parent_; }
  // True for this class and every class derived from other.
  bool InheritsFrom(TClass other) const;

  // Every published property, ancestors' first.
  const std::vector<const TPropInfo*>& Properties() const { return all_; }
  // Case-blind; nullptr when the class has no such property.
  const TPropInfo* FindProperty(std::string_view name) const;

  // The virtual constructor of a component class: the most derived class's constructor runs
  // with owner, which then owns the new component. EComponentError for a class that is not a
  // creatable component.
  TComponent* CreateComponent(TComponent* owner) const;
  // A new instance of a class with a plain constructor (a component gets no owner).
  // EComponentError for an abstract class or one without such a constructor.
  std::unique_ptr<TObject> CreateObject() const;
  // A collection item added to collection (which owns it).
  TCollectionItem* CreateItem(TCollection* collection) const;

 private:
  template <class T>
  friend class TClassBuilder;
  [[noreturn]] void CannotCreate() const;

  String name_;
  TClass parent_;
  std::vector<std::unique_ptr<TPropInfo>> own_;
  std::vector<const TPropInfo*> all_;
  TComponent* (*newComponent_)(TComponent*) = nullptr;
  TObject* (*newObject_)() = nullptr;
  TCollectionItem* (*newItem_)(TCollection*) = nullptr;
};

namespace detail {
// Event handler names live in the component (TComponent::EventHandlerName).
String ComponentEventName(TObject* obj, const String& event);
void SetComponentEventName(TObject* obj, const String& event, const String& name);
}  // namespace detail

// Builds the class info of T; used through ORV_IMPLEMENT_CLASS.
template <class T>
class TClassBuilder {
 public:
  using Describe = void (*)(TClassBuilder<T>&);

  static TClassInfo Build(const char* name, TClass parent, Describe describe) {
    TClassBuilder b(name, parent);
    describe(b);
    return b.Finish();
  }

  template <class G, class S>
  TClassBuilder& Prop(const char* name, G getter, S setter) {
    Prop(name, getter);
    using V = std::remove_cvref_t<std::invoke_result_t<G, T&>>;
    AddSetter<V>(*info_.own_.back(), setter);
    return *this;
  }

  // A read-only property.
  template <class G>
  TClassBuilder& Prop(const char* name, G getter) {
    using V = std::remove_cvref_t<std::invoke_result_t<G, T&>>;
    auto prop = std::make_unique<TPropInfo>();
    prop->name_ = name;
    prop->type_ = TypeInfoOf<V>();
    prop->declaringClassOf_ = &T::StaticClass;
    AddGetter<V>(*prop, getter);
    info_.own_.push_back(std::move(prop));
    return *this;
  }

  // A published event: an std::function member of a component. Its handler name is kept by
  // the component; its handler is reached through GetHandler/SetHandler.
  template <class F>
  TClassBuilder& Event(const char* name, F T::*member) {
    auto prop = std::make_unique<TPropInfo>();
    prop->name_ = name;
    prop->type_ = detail::SimpleTypeInfo(tkMethod);
    prop->declaringClassOf_ = &T::StaticClass;
    String event = name;
    prop->getMethodName_ = [event](TObject* o) { return detail::ComponentEventName(o, event); };
    prop->setMethodName_ = [event](TObject* o, const String& v) {
      detail::SetComponentEventName(o, event, v);
    };
    prop->getHandler_ = [member](TObject* o) { return std::any(static_cast<T*>(o)->*member); };
    prop->setHandler_ = [member, p = prop.get()](TObject* o, const std::any& h) {
      const F* f = std::any_cast<F>(&h);
      if (!f) p->KindError();
      static_cast<T*>(o)->*member = *f;
    };
    info_.own_.push_back(std::move(prop));
    return *this;
  }

  // The default of the last property (an integer, bool, enumeration value or set).
  template <class V>
  TClassBuilder& Default(V value) {
    TPropInfo& p = *info_.own_.back();
    p.hasDefault_ = true;
    if constexpr (std::is_same_v<V, bool>)
      p.default_ = value ? 1 : 0;
    else if constexpr (std::is_enum_v<V> || std::is_integral_v<V>)
      p.default_ = static_cast<Int64>(value);
    else
      p.default_ = static_cast<Int64>(value.Mask());
    return *this;
  }
  TClassBuilder& NoDefault() {
    info_.own_.back()->hasDefault_ = false;
    return *this;
  }
  // Whether the last property is written to report files: a constant, or a predicate on the
  // object (member function or callable taking T&).
  TClassBuilder& Stored(bool stored) {
    info_.own_.back()->stored_ = [stored](TObject*) { return stored; };
    return *this;
  }
  template <class P>
  TClassBuilder& Stored(P predicate) {
    info_.own_.back()->stored_ = [predicate](TObject* o) {
      return static_cast<bool>(std::invoke(predicate, *static_cast<T*>(o)));
    };
    return *this;
  }

 private:
  TClassBuilder(const char* name, TClass parent) : info_(name, parent) {}

  template <class V, class G>
  static void AddGetter(TPropInfo& p, G getter) {
    auto get = [getter](TObject* o) -> V { return std::invoke(getter, *static_cast<T*>(o)); };
    if constexpr (std::is_same_v<V, bool>) {
      p.getOrd_ = [get](TObject* o) -> Int64 { return get(o) ? 1 : 0; };
    } else if constexpr (std::is_enum_v<V> || std::is_integral_v<V>) {
      p.getOrd_ = [get](TObject* o) -> Int64 { return static_cast<Int64>(get(o)); };
    } else if constexpr (std::is_floating_point_v<V>) {
      p.getFloat_ = [get](TObject* o) -> Extended { return static_cast<Extended>(get(o)); };
    } else if constexpr (std::is_same_v<V, String>) {
      p.getStr_ = get;
    } else if constexpr (std::is_same_v<V, WideString>) {
      p.getWideStr_ = get;
    } else if constexpr (std::is_same_v<V, Variant>) {
      p.getVariant_ = get;
    } else if constexpr (std::is_pointer_v<V>) {
      p.getObject_ = [get](TObject* o) -> TObject* { return get(o); };
    } else {
      p.getOrd_ = [get](TObject* o) -> Int64 { return static_cast<Int64>(get(o).Mask()); };
    }
  }

  template <class V, class S>
  static void AddSetter(TPropInfo& p, S setter) {
    auto set = [setter](TObject* o, V v) { std::invoke(setter, *static_cast<T*>(o), std::move(v)); };
    if constexpr (std::is_same_v<V, bool>) {
      p.setOrd_ = [set](TObject* o, Int64 v) { set(o, v != 0); };
    } else if constexpr (std::is_enum_v<V> || std::is_integral_v<V>) {
      p.setOrd_ = [set](TObject* o, Int64 v) { set(o, static_cast<V>(v)); };
    } else if constexpr (std::is_floating_point_v<V>) {
      p.setFloat_ = [set](TObject* o, Extended v) { set(o, static_cast<V>(v)); };
    } else if constexpr (std::is_same_v<V, String>) {
      p.setStr_ = [set](TObject* o, const String& v) { set(o, v); };
    } else if constexpr (std::is_same_v<V, WideString>) {
      p.setWideStr_ = [set](TObject* o, const WideString& v) { set(o, v); };
    } else if constexpr (std::is_same_v<V, Variant>) {
      p.setVariant_ = [set](TObject* o, const Variant& v) { set(o, v); };
    } else if constexpr (std::is_pointer_v<V>) {
      using C = std::remove_pointer_t<V>;
      p.setObject_ = [set, &p](TObject* o, TObject* v) {
        C* typed = dynamic_cast<C*>(v);
        if (v && !typed) p.KindError();
        set(o, typed);
      };
    } else {
      p.setOrd_ = [set](TObject* o, Int64 v) { set(o, V::FromMask(static_cast<std::uint32_t>(v))); };
    }
  }

  TClassInfo Finish();

  TClassInfo info_;
};

namespace detail {
// Links the finished class's property list onto its ancestors' and fills in the factories.
void FinishClassInfo(TClassInfo& info, std::vector<const TPropInfo*>& all,
                     std::vector<std::unique_ptr<TPropInfo>>& own);
}  // namespace detail

template <class T>
TClassInfo TClassBuilder<T>::Finish() {
  if constexpr (!std::is_abstract_v<T>) {
    if constexpr (std::is_base_of_v<TComponent, T> && std::is_constructible_v<T, TComponent*>)
      info_.newComponent_ = [](TComponent* owner) -> TComponent* { return new T(owner); };
    if constexpr (std::is_base_of_v<TCollectionItem, T> &&
                  std::is_constructible_v<T, TCollection*>)
      info_.newItem_ = [](TCollection* c) -> TCollectionItem* { return new T(c); };
    if constexpr (std::is_default_constructible_v<T>)
      info_.newObject_ = []() -> TObject* { return new T(); };
  }
  detail::FinishClassInfo(info_, info_.all_, info_.own_);
  return std::move(info_);
}

// In the class's .cpp, inside namespace orv, followed by the block that lists its properties
// through the builder named by the second argument (empty when it publishes none).
// Every virtual ClassType() comes through StaticClass: building the class info stays out of
// it, so that a call costs the test of its guard and no more.
#define ORV_IMPLEMENT_CLASS(Self, builder)                                                    \
  static void OrvDescribe##Self(::orv::TClassBuilder<Self>& builder);                         \
  [[gnu::noinline]] static ::orv::TClass OrvBuild##Self() {                                   \
    static const ::orv::TClassInfo info = ::orv::TClassBuilder<Self>::Build(                  \
        #Self, Self::Inherited::StaticClass(), &OrvDescribe##Self);                           \
    return &info;                                                                             \
  }                                                                                           \
  ::orv::TClass Self::StaticClass() {                                                         \
    static const ::orv::TClass info = OrvBuild##Self();                                       \
    return info;                                                                              \
  }                                                                                           \
  static void OrvDescribe##Self([[maybe_unused]] ::orv::TClassBuilder<Self>& builder)

// Property lookup and access by name, the class library's TypInfo routines. The name-taking
// forms raise EPropertyError "Property %s does not exist" for an unknown name.
const TPropInfo* GetPropInfo(const TObject* obj, std::string_view name);
const TPropInfo* GetPropInfo(TClass cls, std::string_view name);
const std::vector<const TPropInfo*>& GetPropList(const TObject* obj);
bool IsPublishedProp(const TObject* obj, std::string_view name);
TTypeKind PropType(const TObject* obj, std::string_view name);

// The value as a Variant: integers and Int64 as such, Booleans as Boolean, enumerations as their
// ordinal, sets as their bit mask, characters as one-character strings, objects as their
// object handle (platform/rtl/ObjectHandles.h), events as their handler name.
Variant GetPropValue(TObject* obj, const TPropInfo* prop);
Variant GetPropValue(TObject* obj, std::string_view name);
// The reverse; an enumeration also takes a value name, an object an object handle, and a set
// its element names as text ("[fsBold,fsItalic]", read as StringToSet reads it) besides its
// bit mask as a number or as text holding a decimal number (what report files store).
void SetPropValue(TObject* obj, const TPropInfo* prop, const Variant& value);
void SetPropValue(TObject* obj, std::string_view name, const Variant& value);

Int64 GetOrdProp(TObject* obj, std::string_view name);
void SetOrdProp(TObject* obj, std::string_view name, Int64 value);
String GetStrProp(TObject* obj, std::string_view name);
void SetStrProp(TObject* obj, std::string_view name, const String& value);
WideString GetWideStrProp(TObject* obj, std::string_view name);
void SetWideStrProp(TObject* obj, std::string_view name, const WideString& value);
Extended GetFloatProp(TObject* obj, std::string_view name);
void SetFloatProp(TObject* obj, std::string_view name, Extended value);
Int64 GetInt64Prop(TObject* obj, std::string_view name);
void SetInt64Prop(TObject* obj, std::string_view name, Int64 value);
Variant GetVariantProp(TObject* obj, std::string_view name);
void SetVariantProp(TObject* obj, std::string_view name, const Variant& value);
TObject* GetObjectProp(TObject* obj, std::string_view name);
void SetObjectProp(TObject* obj, std::string_view name, TObject* value);
// The value name of an enumeration property.
String GetEnumProp(TObject* obj, std::string_view name);
void SetEnumProp(TObject* obj, std::string_view name, const String& value);
// The handler name of an event property.
String GetMethodProp(TObject* obj, std::string_view name);
void SetMethodProp(TObject* obj, std::string_view name, const String& handlerName);

// "" for an ordinal outside the enumeration.
String GetEnumName(const TTypeInfo* type, Integer value);
// Case-blind; -1 for a name the enumeration does not have.
Integer GetEnumValue(const TTypeInfo* type, const String& name);

// The names of the elements of a set type's bit mask in the enumeration's order, joined by
// commas without blanks and, when brackets is true, enclosed in square brackets:
// "[fsBold,fsItalic]", "[]" for the empty set.
String SetToString(const TTypeInfo* setType, Int64 value, bool brackets = false);
// The reverse: square brackets optional, blanks around the names allowed, names case-blind,
// "" or "[]" the empty set. EPropertyError "Invalid property element: %s" for a name the
// enumeration does not have.
Int64 StringToSet(const TTypeInfo* setType, const String& value);
// A set property by its element names; EPropertyError for a property that is not a set.
String GetSetProp(TObject* obj, std::string_view name, bool brackets = false);
void SetSetProp(TObject* obj, std::string_view name, const String& value);

bool IsStoredProp(TObject* obj, const TPropInfo* prop);
bool IsStoredProp(TObject* obj, std::string_view name);
// Ordinal kinds: the value equals the declared default (never without one); string kinds:
// the value is empty; class kinds: nil; events: no handler name; floats and Variants: never.
bool IsDefaultPropValue(TObject* obj, const TPropInfo* prop);

}  // namespace orv
