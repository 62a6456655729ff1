#pragma once
// TkvxDialogForm: the base of report dialog windows. It ends through a modal result (its buttons,
// or Cancel when shown modally); a close request without one is refused.
#include <functional>

#include "platform/gui/Forms.h"

namespace orv {

class TkvxDialogForm : public TForm {
  ORV_CLASS(TkvxDialogForm, TForm)

 public:
  // Made without an owner; an owner whose Tag is 318 marks a form built in code rather than
  // from a stored window.
  explicit TkvxDialogForm(TComponent* AOwner);
  bool BuiltInCode() const { return builtInCode_; }

 private:
  bool builtInCode_;
};

}  // namespace orv
