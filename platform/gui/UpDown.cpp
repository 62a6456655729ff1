#include "platform/gui/UpDown.h"

#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>

#include "platform/gui/QtBridge.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TUpDown, c) {
  c.Prop("Associate", &TUpDown::Associate, &TUpDown::SetAssociate);
  c.Prop("Increment", &TUpDown::Increment, &TUpDown::SetIncrement).Default(1);
  c.Prop("Max", &TUpDown::Max, &TUpDown::SetMax).Default(100);
  c.Prop("Min", &TUpDown::Min, &TUpDown::SetMin).Default(0);
  c.Prop("Position", &TUpDown::Position, &TUpDown::SetPosition).Default(0);
  c.Prop("Wrap", &TUpDown::Wrap, &TUpDown::SetWrap).Default(false);
  c.Event("OnChanging", &TUpDown::OnChanging);
}

TUpDown::TUpDown(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QWidget>()) {
  QWidget* box = Widget();
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (int delta : {1, -1}) {
    auto* arrow = new QToolButton(box);
    arrow->setArrowType(delta > 0 ? Qt::UpArrow : Qt::DownArrow);
    arrow->setAutoRepeat(true);
    arrow->setFocusPolicy(Qt::NoFocus);
    arrow->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout->addWidget(arrow);
    QObject::connect(arrow, &QToolButton::clicked, impl_->bridge, [this, delta] {
      if (impl_->bridge->Control()) CallSafely(this, [this, delta] { Step(delta); });
    });
  }
  SetBounds(0, 0, 17, 21);
}

void TUpDown::SetMin(int Value) {
  min_ = Value;
  SetPosition(position_);
}

void TUpDown::SetMax(int Value) {
  max_ = Value;
  SetPosition(position_);
}

void TUpDown::SetPosition(int Value) {
  position_ = std::clamp(Value, std::min(min_, max_), std::max(min_, max_));
  if (associate_) associate_->SetText(std::to_string(position_));
}

void TUpDown::Step(int Delta) {
  // What the user typed since is where the step starts; text that is no number leaves the
  // last position.
  if (associate_) {
    String text = associate_->Text();
    int typed = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), typed);
    if (ec == std::errc() && end == text.data() + text.size()) position_ = typed;
  }
  long long next = static_cast<long long>(position_) + static_cast<long long>(Delta) * increment_;
  if (next > max_) next = wrap_ ? min_ : max_;
  if (next < min_) next = wrap_ ? max_ : min_;
  if (OnChanging) OnChanging(this);
  SetPosition(static_cast<int>(next));
}

void TUpDown::SetAssociate(TWinControl* Value) {
  if (associate_ == Value) return;
  if (associate_) associate_->RemoveFreeNotification(this);
  associate_ = Value;
  if (!associate_) return;
  associate_->FreeNotification(this);
  // The arrows take the right end of the edit, as the class library places them.
  associate_->SetWidth(associate_->Width() - Width());
  SetParent(associate_->Parent());
  SetBounds(associate_->Left() + associate_->Width(), associate_->Top(), Width(), associate_->Height());
  SetPosition(position_);
}

void TUpDown::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == associate_) associate_ = nullptr;
}

}  // namespace orv
