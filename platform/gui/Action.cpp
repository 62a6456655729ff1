#include "platform/gui/Action.h"

#include <algorithm>
#include <utility>

namespace orv {

TAction::TAction(TComponent* AOwner) : TComponent(AOwner) {}

// The clients forget the action through its free notification.
TAction::~TAction() = default;

void TAction::AddClient(TControl* Client) {
  if (std::find(clients_.begin(), clients_.end(), Client) == clients_.end()) clients_.push_back(Client);
}

void TAction::RemoveClient(TControl* Client) { std::erase(clients_, Client); }

void TAction::SetCaption(const String& Value) {
  if (caption_ == Value) return;
  String old = std::exchange(caption_, Value);
  // A client given a caption of its own keeps it.
  for (TControl* c : std::vector<TControl*>(clients_))
    if (c->Caption() == old) c->SetCaption(Value);
}

void TAction::SetEnabled(bool Value) {
  if (enabled_ == Value) return;
  enabled_ = Value;
  for (TControl* c : std::vector<TControl*>(clients_))
    if (c->Enabled() != Value) c->SetEnabled(Value);
}

void TAction::SetHint(const String& Value) {
  if (hint_ == Value) return;
  String old = std::exchange(hint_, Value);
  for (TControl* c : std::vector<TControl*>(clients_))
    if (c->Hint() == old) c->SetHint(Value);
}

bool TAction::Execute() {
  if (!enabled_ || !OnExecute) return false;
  OnExecute(this);
  return true;
}

ORV_IMPLEMENT_CLASS(TAction, c) {
  c.Prop("Caption", [](TAction& a) { return a.Caption(); }, &TAction::SetCaption);
  c.Prop("Enabled", &TAction::Enabled, &TAction::SetEnabled).Default(true);
  c.Prop("Hint", [](TAction& a) { return a.Hint(); }, &TAction::SetHint);
  c.Event("OnExecute", &TAction::OnExecute);
}

}  // namespace orv
