#include "platform/gui/ToolBar.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

#include <algorithm>

#include "platform/gui/ImageList.h"
#include "platform/gui/Menus.h"
#include "platform/gui/QtBridge.h"

namespace orv {

namespace {

QToolButton* ButtonOf(const TToolButton* b) { return static_cast<QToolButton*>(WidgetOf(b)); }

// The room a separator takes between groups of buttons.
constexpr int kSeparatorWidth = 8;

QToolButton* NewToolButton() {
  auto* button = NewWidget<QToolButton>();
  button->setFocusPolicy(Qt::NoFocus);
  button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  return button;
}

}  // namespace

// ---- TToolButton ----

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner, NewToolButton()) {
  QToolButton* button = ButtonOf(this);
  QObject::connect(button, &QToolButton::clicked, impl_->bridge, [this] {
    if (impl_->bridge->Control()) CallSafely(this, [this] { UserClicked(); });
  });
  SetBounds(0, 0, 23, 22);
}

TToolButton::~TToolButton() {
  if (dropdownMenu_) dropdownMenu_->RemoveFreeNotification(this);
}

TToolBar* TToolButton::Bar() const { return dynamic_cast<TToolBar*>(Parent()); }

String TToolButton::GetText() const { return OStr(ButtonOf(this)->text()); }

void TToolButton::SetTextValue(const String& Value) { ButtonOf(this)->setText(QStr(Value)); }

void TToolButton::TextChanged() {
  if (TToolBar* bar = Bar(); bar && bar->ShowCaptions()) bar->Realign();
}

void TToolButton::SetStyle(TToolButtonStyle Value) {
  if (style_ == Value) return;
  style_ = Value;
  QToolButton* button = ButtonOf(this);
  button->setCheckable(Value == tbsCheck);
  if (Value != tbsCheck) button->setChecked(false);
  if (Value == tbsDropDown) {
    auto* menu = new QMenu(button);
    // The menu is filled from the pop-up menu each time it drops, as a pop-up menu's own is.
    QObject::connect(menu, &QMenu::aboutToShow, impl_->bridge, [this, menu] {
      menu->clear();
      if (!dropdownMenu_ || !impl_->bridge->Control()) return;
      CallSafely(this, [this, menu] {
        if (dropdownMenu_->OnPopup) dropdownMenu_->OnPopup(dropdownMenu_);
        for (int i = 0; i < dropdownMenu_->Items()->Count(); ++i)
          menu->addAction(dropdownMenu_->Items()->Items(i)->Action());
      });
    });
    button->setMenu(menu);
    button->setPopupMode(QToolButton::MenuButtonPopup);
  } else if (QMenu* menu = button->menu()) {
    button->setMenu(nullptr);
    delete menu;
  }
  UpdateLook();
  if (TToolBar* bar = Bar()) bar->Realign();
}

void TToolButton::SetImageIndex(int Value) {
  imageIndex_ = Value;
  UpdateLook();
}

bool TToolButton::Down() const { return ButtonOf(this)->isChecked() || ButtonOf(this)->isDown(); }

void TToolButton::SetDown(bool Value) {
  QToolButton* button = ButtonOf(this);
  if (style_ == tbsCheck)
    button->setChecked(Value);
  else
    button->setDown(Value);
  if (Value && style_ == tbsCheck && grouped_) {
    if (TToolBar* bar = Bar()) {
      // The other buttons of the group: the grouped check buttons next to this one.
      int i = Index();
      auto release = [&](int step) {
        for (int j = i + step; j >= 0 && j < bar->ButtonCount(); j += step) {
          TToolButton* other = bar->Buttons(j);
          if (other->style_ != tbsCheck || !other->grouped_) break;
          ButtonOf(other)->setChecked(false);
        }
      };
      release(-1);
      release(1);
    }
  }
}

void TToolButton::UserClicked() {
  QToolButton* button = ButtonOf(this);
  // Qt has flipped a check button already; a group keeps one button down unless AllowAllUp.
  if (style_ == tbsCheck && grouped_) {
    if (button->isChecked())
      SetDown(true);
    else if (!allowAllUp_)
      button->setChecked(true);
  }
  Click();
}

void TToolButton::SetDropdownMenu(TPopupMenu* Value) {
  if (dropdownMenu_ == Value) return;
  if (dropdownMenu_) dropdownMenu_->RemoveFreeNotification(this);
  dropdownMenu_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TToolButton::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == dropdownMenu_) dropdownMenu_ = nullptr;
}

int TToolButton::Index() const {
  TToolBar* bar = Bar();
  if (!bar) return -1;
  for (int i = 0; i < bar->ButtonCount(); ++i)
    if (bar->Buttons(i) == this) return i;
  return -1;
}

void TToolButton::SetVisible(bool Value) {
  TGraphicControl::SetVisible(Value);
  if (TToolBar* bar = Bar()) bar->Realign();
}

void TToolButton::UpdateLook() {
  QToolButton* button = ButtonOf(this);
  TToolBar* bar = Bar();
  button->setAutoRaise(bar && bar->Flat());
  bool separator = style_ == tbsSeparator;
  button->setAttribute(Qt::WA_TransparentForMouseEvents, separator);
  button->setIcon(separator || !bar ? QIcon() : QIcon(ImageListAccess::Pixmap(bar->Images(), imageIndex_)));
  if (bar && bar->Images()) button->setIconSize(QSize(bar->Images()->Width(), bar->Images()->Height()));
  bool captions = bar && bar->ShowCaptions();
  bool icon = !button->icon().isNull();
  button->setToolButtonStyle(!captions ? Qt::ToolButtonIconOnly
                             : icon    ? Qt::ToolButtonTextUnderIcon
                                       : Qt::ToolButtonTextOnly);
}

// ---- TToolBar ----

TToolBar::TToolBar(TComponent* AOwner) : TWinControl(AOwner) {
  Widget()->setFocusPolicy(Qt::NoFocus);
  impl_->tabStop = false;
  SetBounds(0, 0, 150, buttonHeight_ + 7);
  SetAlign(alTop);
}

TToolBar::~TToolBar() {
  if (images_) ImageListAccess::Unlisten(images_, this);
}

int TToolBar::ButtonCount() const {
  int n = 0;
  for (int i = 0; i < ControlCount(); ++i) n += dynamic_cast<TToolButton*>(Controls(i)) ? 1 : 0;
  return n;
}

TToolButton* TToolBar::Buttons(int Index) const {
  int n = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    if (auto* b = dynamic_cast<TToolButton*>(Controls(i)); b && n++ == Index) return b;
  }
  throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

void TToolBar::SetButtonWidth(int Value) {
  buttonWidth_ = Value;
  Realign();
}

void TToolBar::SetButtonHeight(int Value) {
  buttonHeight_ = Value;
  SetHeight(Value + 7);
  Realign();
}

void TToolBar::SetShowCaptions(bool Value) {
  showCaptions_ = Value;
  UpdateButtons();
}

void TToolBar::SetFlat(bool Value) {
  flat_ = Value;
  UpdateButtons();
}

void TToolBar::SetImages(TImageList* Value) {
  if (!ImageListAccess::Switch(this, images_, Value, [this] { UpdateButtons(); })) return;
  UpdateButtons();
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == images_) {
    images_ = nullptr;
    UpdateButtons();
  }
}

void TToolBar::ControlInserted(TControl* AControl) {
  if (auto* b = dynamic_cast<TToolButton*>(AControl)) b->UpdateLook();
  Realign();
}

void TToolBar::UpdateButtons() {
  for (int i = 0; i < ButtonCount(); ++i) Buttons(i)->UpdateLook();
  Realign();
}

// The controls stand left to right in the order they were put on the bar, each as high as a
// button; with captions every button is as wide as the widest.
void TToolBar::AlignControls() {
  QWidget* client = ClientWidget();
  if (!client) return;
  int width = buttonWidth_;
  if (showCaptions_) {
    for (int i = 0; i < ButtonCount(); ++i) {
      TToolButton* b = Buttons(i);
      if (b->Visible() && b->style_ != tbsSeparator) width = std::max(width, ButtonOf(b)->sizeHint().width());
    }
  }
  int height = buttonHeight_;
  int x = 0;
  int top = std::max(0, (client->height() - height) / 2);
  impl_->aligning = true;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (!c->Visible()) continue;
    int w = c->Width();
    if (auto* b = dynamic_cast<TToolButton*>(c)) {
      w = b->style_ == tbsSeparator ? kSeparatorWidth
          : b->style_ == tbsDropDown ? width + 14
                                     : width;
    }
    c->SetBounds(x, top, w, height);
    x += w;
  }
  impl_->aligning = false;
}

ORV_IMPLEMENT_CLASS(TToolButton, c) {
  c.Prop("AllowAllUp", &TToolButton::AllowAllUp, &TToolButton::SetAllowAllUp).Default(false);
  c.Prop("Down", &TToolButton::Down, &TToolButton::SetDown).Default(false);
  c.Prop("DropdownMenu", &TToolButton::DropdownMenu, &TToolButton::SetDropdownMenu);
  c.Prop("Grouped", &TToolButton::Grouped, &TToolButton::SetGrouped).Default(false);
  c.Prop("ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex).Default(-1);
  c.Prop("Style", &TToolButton::Style, &TToolButton::SetStyle).Default(tbsButton);
}

ORV_IMPLEMENT_CLASS(TToolBar, c) {
  c.Prop("ButtonHeight", &TToolBar::ButtonHeight, &TToolBar::SetButtonHeight).Default(22);
  c.Prop("ButtonWidth", &TToolBar::ButtonWidth, &TToolBar::SetButtonWidth).Default(23);
  c.Prop("Flat", &TToolBar::Flat, &TToolBar::SetFlat).Default(false);
  c.Prop("Images", &TToolBar::Images, &TToolBar::SetImages);
  c.Prop("ShowCaptions", &TToolBar::ShowCaptions, &TToolBar::SetShowCaptions).Default(false);
}

}  // namespace orv
