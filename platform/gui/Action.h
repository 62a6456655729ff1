#pragma once
// TAction: a command with a caption, an enabled state and a hint, shown and run by the controls
// bound to it.
#include <vector>

#include "platform/gui/Controls.h"

namespace orv {

// One command of a window that buttons and other controls show and run. A control bound to it
// takes its caption, enabled state and hint, and follows later changes of each while its own
// value is still the action's.
class TAction : public TComponent {
  ORV_CLASS(TAction, TComponent)

 public:
  explicit TAction(TComponent* AOwner);
  ~TAction() override;

  const String& Caption() const { return caption_; }
  void SetCaption(const String& Value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  const String& Hint() const { return hint_; }
  void SetHint(const String& Value);

  // Runs OnExecute when the action is enabled and has one; true when it ran.
  virtual bool Execute();

  // Sender is the action.
  TNotifyEvent OnExecute;

 private:
  friend class TControl;
  void AddClient(TControl* Client);
  void RemoveClient(TControl* Client);
  std::vector<TControl*> clients_;  // not owned
  String caption_;
  bool enabled_ = true;
  String hint_;
};

}  // namespace orv
