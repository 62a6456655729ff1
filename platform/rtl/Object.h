#pragma once
// TObject: the root of the class library's classes. Every class that scripts, the report files
// or the class registry must know by name declares itself with ORV_CLASS in its body and
// ORV_IMPLEMENT_CLASS in its .cpp (platform/rtl/TypInfo.h), which also lists its published
// properties:
//
//   class TFoo : public TComponent {
//     ORV_CLASS(TFoo, TComponent)
//    public:
//     explicit TFoo(TComponent* owner);
//     double Left() const;  void SetLeft(double v);
//     THAlign HAlign() const;  void SetHAlign(THAlign v);
//   };
//
//   ORV_IMPLEMENT_CLASS(TFoo, c) {
//     c.Prop("Left", &TFoo::Left, &TFoo::SetLeft);
//     c.Prop("HAlign", &TFoo::HAlign, &TFoo::SetHAlign).Default(haLeft);
//   }
#include "platform/rtl/Types.h"

namespace orv {

class TClassInfo;
// The class library's class reference: one static TClassInfo per class (platform/rtl/TypInfo.h).
using TClass = const TClassInfo*;

// The root class: identity, class info and the handle-registry hook.
class TObject {
 public:
  // Enters the object in the live-object registry, so that handles are given only to live ones.
  TObject();
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  // Tells the object-handle registry that the object is gone, so that a script or report
  // variable still holding its handle gets an error instead of a dangling pointer.
  virtual ~TObject();

  // Runs while every derived part of the object still stands, right before Free or the owner
  // deletes it (a C++ destructor alone would run base-class code after the derived parts are
  // gone). Handlers of destruction events belong here.
  virtual void BeforeDestruction() {}
  // Frees an object made with new: BeforeDestruction, then delete.
  void Free();

  static TClass StaticClass();
  // The class of the object itself (the most derived class that declared ORV_CLASS).
  virtual TClass ClassType() const;
  const String& ClassName() const;
  TClass ClassParent() const;
  // True for cls itself and for every ancestor of the object's class.
  bool InheritsFrom(TClass cls) const;
};

// In a class body: the class's static class info and its ClassType override. Leaves the
// access at private, the default of a class body.
#define ORV_CLASS(Self, Base)                                                     \
 public:                                                                          \
  using Inherited = Base;                                                         \
  static ::orv::TClass StaticClass();                                             \
  ::orv::TClass ClassType() const override { return Self::StaticClass(); }        \
                                                                                  \
 private:

}  // namespace orv
