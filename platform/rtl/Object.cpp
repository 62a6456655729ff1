#include "platform/rtl/Object.h"

#include "platform/rtl/ObjectHandles.h"
#include "platform/rtl/TypInfo.h"

namespace orv {

TObject::TObject() { AddLiveObject(this); }

TObject::~TObject() { ForgetObject(this); }

void TObject::Free() {
  BeforeDestruction();
  delete this;
}

namespace {

[[gnu::noinline]] TClass BuildObjectClass() {
  static const TClassInfo info =
      TClassBuilder<TObject>::Build("TObject", nullptr, [](TClassBuilder<TObject>&) {});
  return &info;
}

}  // namespace

// As ORV_IMPLEMENT_CLASS does: the class info is built apart from the call every ClassType() makes.
TClass TObject::StaticClass() {
  static const TClass info = BuildObjectClass();
  return info;
}

TClass TObject::ClassType() const { return TObject::StaticClass(); }

const String& TObject::ClassName() const { return ClassType()->ClassName(); }

TClass TObject::ClassParent() const { return ClassType()->ClassParent(); }

bool TObject::InheritsFrom(TClass cls) const { return ClassType()->InheritsFrom(cls); }

}  // namespace orv
