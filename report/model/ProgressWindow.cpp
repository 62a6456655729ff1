#include "report/model/ProgressWindow.h"

#include <algorithm>

#include "platform/gui/Application.h"
#include "platform/gui/Screen.h"
#include "report/model/Resources.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxProgress, c) {}

TkvxProgress::TkvxProgress(TComponent* AOwner) : TForm(AOwner) {
  SetBorderStyle(bsNone);
  SetClientWidth(250);
  SetClientHeight(105);
  Panel1 = new TPanel(this);
  Panel1->SetParent(this);
  Panel1->SetAlign(alClient);
  LMessage = new TLabel(this);
  LMessage->SetParent(Panel1);
  LMessage->SetBounds(12, 15, 226, 16);
  Bar = new TProgressBar(this);
  Bar->SetParent(Panel1);
  Bar->SetBounds(12, 38, 226, 17);
  Bar->SetMin(0);
  Bar->SetMax(100);
  Bar->SetPosition(0);
  CancelB = new TButton(this);
  CancelB->SetParent(Panel1);
  CancelB->SetBounds(88, 68, 75, 25);
  CancelB->SetCaption(kvxGetResources()->Get("2"));
  CancelB->OnClick = [this](TObject*) {
    Terminated = true;
    Close();
  };
  // The whole window acts as its caption: dragging anywhere moves it.
  Panel1->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
    dragging_ = button == mbLeft;
    dragFrom_ = Point(x, y);
  };
  Panel1->OnMouseMove = [this](TObject*, TShiftState shift, int x, int y) {
    if (dragging_ && shift.Contains(ssLeft)) SetBounds(Left() + x - dragFrom_.X, Top() + y - dragFrom_.Y, Width(), Height());
  };
  Panel1->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { dragging_ = false; };
  OnHide = [this](TObject*) { EnableRemembered(); };
  // Right after a dialog closes no window is active yet: the one the work belongs to is then
  // the modal window it came back to (the preview showing the report).
  remembered_ = Screen->ActiveForm();
  if (!remembered_ || remembered_ == this) remembered_ = Screen->ModalForm();
  if (remembered_ == this) remembered_ = nullptr;
  if (remembered_) {
    // Stays in front of that window, and its Cancel takes clicks while that window is modal.
    SetPopupParent(remembered_);
    remembered_->SetEnabled(false);
    FreeNotification(remembered_);
  }
}

TkvxProgress::~TkvxProgress() { EnableRemembered(); }

void TkvxProgress::EnableRemembered() {
  if (!remembered_) return;
  SetPopupParent(nullptr);
  remembered_->SetEnabled(true);
  RemoveFreeNotification(remembered_);
  remembered_ = nullptr;
}

void TkvxProgress::Execute(int maxValue, const String& msg, bool showCancel, bool showProgress) {
  Terminated = false;
  CancelB->SetVisible(showCancel);
  Bar->SetVisible(showProgress);
  LMessage->SetTop(showProgress ? 15 : 35);
  Bar->SetMin(0);
  Bar->SetPosition(0);
  Bar->SetMax(maxValue);
  SetMessage(msg);
  Show();
  // Fully on the screen, over the window it stands for.
  int left = remembered_ ? remembered_->Left() + (remembered_->Width() - Width()) / 2 : Left();
  int top = remembered_ ? remembered_->Top() + (remembered_->Height() - Height()) / 2 : Top();
  left = std::clamp(left, 0, std::max(0, Screen->Width() - Width()));
  top = std::clamp(top, 0, std::max(0, Screen->Height() - Height()));
  SetBounds(left, top, Width(), Height());
  Application->ProcessMessages();
}

void TkvxProgress::SetMessage(const String& value) {
  message_ = value;
  LMessage->SetCaption(value);
  LMessage->Repaint();
}

void TkvxProgress::SetPosition(int value) {
  Bar->SetPosition(value);
  Repaint();
  Application->ProcessMessages();
}

}  // namespace orv
