#include "report/model/PasswordForm.h"

#include "report/model/Resources.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxPasswordForm, c) {}

TkvxPasswordForm::TkvxPasswordForm(TComponent* AOwner) : TForm(AOwner) {
  TkvxResources* res = kvxGetResources();
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetCaption(res->Get("5000"));
  SetClientWidth(240);
  SetClientHeight(100);
  Label1 = new TLabel(this);
  Label1->SetParent(this);
  Label1->SetBounds(12, 10, 216, 16);
  Label1->SetCaption(res->Get("5001"));
  PasswordE = new TEdit(this);
  PasswordE->SetParent(this);
  PasswordE->SetBounds(12, 30, 216, 21);
  PasswordE->SetPasswordChar(U'*');
  OkB = new TButton(this);
  OkB->SetParent(this);
  OkB->SetBounds(72, 64, 75, 25);
  OkB->SetCaption(res->Get("1"));
  OkB->SetModalResult(mrOk);
  OkB->SetDefault(true);
  CancelB = new TButton(this);
  CancelB->SetParent(this);
  CancelB->SetBounds(153, 64, 75, 25);
  CancelB->SetCaption(res->Get("2"));
  CancelB->SetModalResult(mrCancel);
  CancelB->SetCancel(true);
}

}  // namespace orv
