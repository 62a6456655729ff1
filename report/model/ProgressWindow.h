#pragma once
// TkvxProgress: the small window that shows how far preparing, printing or exporting has come,
// with a Cancel button. While it shows, the window that was active is disabled.
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/ProgressBar.h"
#include "platform/gui/StdCtrls.h"

namespace orv {

class TkvxProgress : public TForm {
  ORV_CLASS(TkvxProgress, TForm)

 public:
  explicit TkvxProgress(TComponent* AOwner);
  ~TkvxProgress() override;

  // Shows the window with the bar running to maxValue; the label sits lower when there is no bar.
  void Execute(int maxValue, const String& msg, bool showCancel, bool showProgress);
  const String& Message() const { return message_; }
  // Shows the text at once.
  void SetMessage(const String& value);
  int Position() const { return Bar->Position(); }
  // Moves the bar and lets the program handle pending events, so Cancel can be pressed.
  void SetPosition(int value);

  // Set by Cancel.
  bool Terminated = false;

  TPanel* Panel1;
  TLabel* LMessage;
  TProgressBar* Bar;
  TButton* CancelB;

 private:
  void EnableRemembered();
  TCustomForm* remembered_ = nullptr;
  String message_;
  TPoint dragFrom_;
  bool dragging_ = false;
};

}  // namespace orv
