#include "platform/sheet/OleObject.h"

#include <vector>

namespace orv {

namespace {
constexpr LongWord DISP_E_PARAMNOTFOUND = 0x80020004;
}

IDispatch& OleObject::Target() const {
  if (!object_) throw EOleError("The automation object is not assigned");
  return *object_;
}

Variant OleObject::Get(const String& name, std::initializer_list<Variant> args) const {
  return Target().Invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::span<const Variant>(args.begin(), args.size()));
}

void OleObject::Set(const String& name, const Variant& value) const { Target().Invoke(name, DISPATCH_PROPERTYPUT, {&value, 1}); }

void OleObject::Set(const String& name, std::initializer_list<Variant> index, const Variant& value) const {
  std::vector<Variant> args(index);
  args.push_back(value);
  Target().Invoke(name, DISPATCH_PROPERTYPUT, args);
}

Variant OleObject::Call(const String& name, std::initializer_list<Variant> args) const {
  return Target().Invoke(name, DISPATCH_METHOD, std::span<const Variant>(args.begin(), args.size()));
}

Variant OleObject::Omitted() { return Variant::FromError(DISP_E_PARAMNOTFOUND); }

}  // namespace orv
