#pragma once
// TkvxSearchDialog: asks the preview for the text to find and how to look for it; the text
// searched for last comes back the next time it opens.
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

namespace orv {

class TkvxSearchDialog : public TForm {
  ORV_CLASS(TkvxSearchDialog, TForm)

 public:
  explicit TkvxSearchDialog(TComponent* AOwner);

  // The caller reads TextE, CaseCB and TopCB after OK.
  TLabel* TextL;
  TEdit* TextE;
  TGroupBox* SearchL;
  TCheckBox* TopCB;
  TCheckBox* CaseCB;
  TPanel* ReplacePanel;
  TLabel* ReplaceL;
  TEdit* ReplaceE;
  TButton* OkB;
  TButton* CancelB;

 private:
  void FormShow(TObject* Sender);
  void FormHide(TObject* Sender);
  void FormActivate(TObject* Sender);
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
};

}  // namespace orv
