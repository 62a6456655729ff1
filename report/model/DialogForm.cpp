#include "report/model/DialogForm.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxDialogForm, c) {}

TkvxDialogForm::TkvxDialogForm(TComponent* AOwner)
    : TForm(nullptr), builtInCode_(AOwner && AOwner->Tag() == 318) {
  // The window's own close request is refused; a button's modal result ends the dialog.
  OnCloseQuery = [this](TObject*, bool& canClose) { canClose = ModalResult() != mrNone; };
}

}  // namespace orv
