#include "report/engine/SearchDialog.h"

#include "platform/gui/Graphics.h"
#include "report/model/Resources.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxSearchDialog, c) {}

namespace {

// Shared by every search dialog of the program run.
String& LastSearchText() {
  static String text;
  return text;
}

template <class C>
C* Make(TComponent* owner, TWinControl* parent, int left, int top, int width, int height) {
  auto* control = new C(owner);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

}  // namespace

TkvxSearchDialog::TkvxSearchDialog(TComponent* AOwner) : TForm(AOwner) {
  TkvxResources* res = kvxGetResources();
  SetBorderStyle(bsDialog);
  SetClientWidth(276);
  SetClientHeight(154);
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  Font()->SetName("Tahoma");
  Font()->SetSize(8);
  SetCaption(res->Get("300"));

  TextL = Make<TLabel>(this, this, 8, 10, 260, 13);
  TextL->SetCaption(res->Get("301"));
  TextE = Make<TEdit>(this, this, 8, 28, 260, 21);
  SearchL = Make<TGroupBox>(this, this, 8, 56, 260, 58);
  SearchL->SetCaption(res->Get("302"));
  TopCB = Make<TCheckBox>(this, SearchL, 8, 19, 244, 17);
  TopCB->SetCaption(res->Get("304"));
  CaseCB = Make<TCheckBox>(this, SearchL, 8, 37, 244, 17);
  CaseCB->SetCaption(res->Get("305"));
  // Hidden: the preview finds text but does not replace it.
  ReplacePanel = Make<TPanel>(this, this, 8, 56, 260, 44);
  ReplacePanel->SetBevelOuter(bvNone);
  ReplacePanel->SetVisible(false);
  ReplaceL = Make<TLabel>(this, ReplacePanel, 0, 2, 260, 13);
  ReplaceL->SetCaption(res->Get("303"));
  ReplaceE = Make<TEdit>(this, ReplacePanel, 0, 20, 260, 21);
  OkB = Make<TButton>(this, this, 112, 122, 75, 25);
  OkB->SetCaption(res->Get("1"));
  OkB->SetModalResult(mrOk);
  OkB->SetDefault(true);
  CancelB = Make<TButton>(this, this, 193, 122, 75, 25);
  CancelB->SetCaption(res->Get("2"));
  CancelB->SetModalResult(mrCancel);
  CancelB->SetCancel(true);

  OnShow = [this](TObject* s) { FormShow(s); };
  OnHide = [this](TObject* s) { FormHide(s); };
  OnActivate = [this](TObject* s) { FormActivate(s); };
  OnKeyDown = [this](TObject* s, Word& key, TShiftState shift) { FormKeyDown(s, key, shift); };
}

void TkvxSearchDialog::FormShow(TObject*) { TextE->SetText(LastSearchText()); }

void TkvxSearchDialog::FormActivate(TObject*) {
  if (TextE->CanFocus()) TextE->SetFocus();
  TextE->SelectAll();
}

void TkvxSearchDialog::FormHide(TObject*) {
  if (ModalResult() == mrOk) LastSearchText() = TextE->Text();
}

void TkvxSearchDialog::FormKeyDown(TObject*, Word& Key, TShiftState) {
  if (Key == VK_F1) kvxGetResources()->Help(this);
}

}  // namespace orv
