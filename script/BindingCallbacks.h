#pragma once
// The pieces every binding module builds its script callbacks from: the instance as the class
// that registered the member, argument conversions, and method and property callbacks over it.
#include <type_traits>

#include "platform/rtl/Exceptions.h"
#include "script/ClassModel.h"

namespace orv::sxbind {

using Caller = TsxMethodHelper;

// The instance as the class that registered the member; nil or a foreign object is an invalid
// reference.
template <class T>
T& Self(TObject* instance) {
  // The class chain names the registering class in a few steps, where the language's cast
  // compares type names; it speaks for T only when T declares its own class info.
  if constexpr (requires { static_cast<T*>(instance); } &&
                std::is_same_v<decltype(&T::ClassType), TClass (T::*)() const>) {
    if (instance) {
      // A callback meets objects of one or two classes again and again: the class found to
      // descend from T last time is taken at once.
      thread_local TClass known = nullptr;
      const TClass type = instance->ClassType();
      if (type == known) return *static_cast<T*>(instance);
      const TClass target = T::StaticClass();
      for (TClass c = type; c; c = c->ClassParent())
        if (c == target) {
          known = type;
          return *static_cast<T*>(instance);
        }
    }
  }
  auto* self = dynamic_cast<T*>(instance);
  if (!self) throw EInvalidPointer("Invalid object reference");
  return *self;
}

inline Integer IntArg(Caller& c, int i) {
  const Variant& v = c.ParamRef(i);
  return v.VType() == varInteger ? v.UncheckedInteger() : v.ToInteger();
}
inline String TextArg(Caller& c, int i) { return c.ParamRef(i).ToString(); }
inline Variant Handle(TObject* obj) { return sxObjectToValue(obj); }

// A method of class T: body receives the instance and the caller, and its result is the method's.
template <class T, class F>
TsxCallMethodNewEvent Method(F body) {
  return [body](TObject* instance, TClass, const String&, Caller& c) -> Variant { return body(Self<T>(instance), c); };
}

template <class T, class F>
TsxGetValueEvent Getter(F body) {
  return [body](TObject* instance, TClass, const String&) -> Variant { return body(Self<T>(instance)); };
}

template <class T, class F>
TsxSetValueEvent Setter(F body) {
  return [body](TObject* instance, TClass, const String&, const Variant& v) { body(Self<T>(instance), v); };
}

}  // namespace orv::sxbind
