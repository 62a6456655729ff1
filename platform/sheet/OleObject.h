#pragma once
// The caller's side of an automation object: reads, writes and calls members by name, as a
// late-bound Variant call reads in the code that drives a workbook.
#include <initializer_list>
#include <memory>

#include "platform/rtl/Dispatch.h"

namespace orv {

class OleObject {
 public:
  OleObject() = default;
  explicit OleObject(std::shared_ptr<IDispatch> object) : object_(std::move(object)) {}
  explicit OleObject(const Variant& v) : object_(v.ToDispatch()) {}

  bool Assigned() const { return object_ != nullptr; }
  const std::shared_ptr<IDispatch>& Interface() const { return object_; }
  void Clear() { object_.reset(); }

  Variant Get(const String& name, std::initializer_list<Variant> args = {}) const;
  // The member's value as an object (Range, Font ...).
  OleObject Obj(const String& name, std::initializer_list<Variant> args = {}) const { return OleObject(Get(name, args)); }
  void Set(const String& name, const Variant& value) const;
  void Set(const String& name, std::initializer_list<Variant> index, const Variant& value) const;
  Variant Call(const String& name, std::initializer_list<Variant> args = {}) const;

  // The value that stands for an omitted optional argument.
  static Variant Omitted();

 private:
  IDispatch& Target() const;
  std::shared_ptr<IDispatch> object_;
};

}  // namespace orv
