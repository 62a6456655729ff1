#pragma once
// TkvxPasswordForm: asks for the password of a report that has one.
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

namespace orv {

class TkvxPasswordForm : public TForm {
  ORV_CLASS(TkvxPasswordForm, TForm)

 public:
  explicit TkvxPasswordForm(TComponent* AOwner);

  TLabel* Label1;
  TEdit* PasswordE;
  TButton* OkB;
  TButton* CancelB;
};

}  // namespace orv
