#pragma once
// Shared helpers of the report binding callbacks.
#include "script/BindingCallbacks.h"

namespace orv::kvxbind {

using Caller = TsxMethodHelper;

using sxbind::Getter;
using sxbind::Handle;
using sxbind::IntArg;
using sxbind::Method;
using sxbind::Self;
using sxbind::Setter;
using sxbind::TextArg;

inline WideString WideArg(Caller& c, int i) { return c.GetParamValue(i).ToWideString(); }
inline Extended FloatArg(Caller& c, int i) { return c.GetParamValue(i).ToDouble(); }

template <class T>
T* ObjectArg(Caller& c, int i) {
  TObject* obj = sxValueToObject(c.GetParamValue(i));
  return obj ? &Self<T>(obj) : nullptr;
}

// A procedure: its result is 0.
template <class T, class F>
TsxCallMethodNewEvent Proc(F body) {
  return [body](TObject* instance, TClass, const String&, Caller& c) -> Variant {
    body(Self<T>(instance), c);
    return Variant(Integer{0});
  };
}

inline bool IsWrite(const String& name) { return name.size() > 4 && name.compare(name.size() - 4, 4, ".SET") == 0; }

// An indexed property: read(self, caller) serves ".GET", write(self, caller, value) ".SET"; the
// value assigned is the argument after the index.
template <class T, class R, class W>
TsxCallMethodNewEvent Indexed(R read, W write) {
  return [read, write](TObject* instance, TClass, const String& name, Caller& c) -> Variant {
    T& self = Self<T>(instance);
    if (IsWrite(name)) {
      write(self, c, c.GetParamValue(c.Count()));
      return Variant(Integer{0});
    }
    return read(self, c);
  };
}

}  // namespace orv::kvxbind
