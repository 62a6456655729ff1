#include "platform/gui/Menus.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include <algorithm>

#include "platform/gui/Forms.h"
#include "platform/gui/ImageList.h"
#include "platform/gui/QtBridge.h"

namespace orv {

TShortCut ShortCut(Word Key, TShiftState Shift) {
  TShortCut s = Key & 0xFF;
  if (Shift.Contains(ssShift)) s |= scShift;
  if (Shift.Contains(ssCtrl)) s |= scCtrl;
  if (Shift.Contains(ssAlt)) s |= scAlt;
  return s;
}

static QKeySequence ToKeySequence(TShortCut s) {
  int key = VirtualKeyToKey(s & 0xFF);
  if (!key) return {};
  int mods = 0;
  if (s & scShift) mods |= Qt::SHIFT;
  if (s & scCtrl) mods |= Qt::CTRL;
  if (s & scAlt) mods |= Qt::ALT;
  return QKeySequence(key | mods);
}

struct TMenuItem::Impl {
  QPointer<QAction> action;
  QPointer<QMenu> menu;
};

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), impl_(std::make_unique<Impl>()) {
  EnsureQtApplication();
  impl_->action = new QAction;
  QObject::connect(impl_->action.data(), &QAction::triggered, [this] { CallSafely(this, [this] { Click(); }); });
}

TMenuItem::~TMenuItem() {
  Clear();
  if (parent_) parent_->Remove(this);
  delete impl_->menu.data();
  delete impl_->action.data();
}

QAction* TMenuItem::Action() const { return impl_->action; }

QAction* MenuItemAccess::Action(const TMenuItem* item) { return item->Action(); }

QMenu* TMenuItem::SubMenu() {
  if (!impl_->menu) {
    impl_->menu = new QMenu;
    impl_->menu->setTitle(QStr(caption_));
    impl_->action->setMenu(impl_->menu);
  }
  return impl_->menu;
}

void TMenuItem::SetCaption(const String& Value) {
  caption_ = Value;
  impl_->action->setSeparator(IsLine());
  // Qt draws a separator that has a text as a heading with that text.
  impl_->action->setText(IsLine() ? QString() : QStr(Value));
  if (impl_->menu) impl_->menu->setTitle(QStr(Value));
}

bool TMenuItem::Checked() const { return impl_->action->isChecked(); }

void TMenuItem::SetChecked(bool Value) {
  impl_->action->setCheckable(Value || impl_->action->isCheckable());
  impl_->action->setChecked(Value);
}

bool TMenuItem::Enabled() const { return impl_->action->isEnabled(); }
void TMenuItem::SetEnabled(bool Value) { impl_->action->setEnabled(Value); }
bool TMenuItem::Visible() const { return impl_->action->isVisible(); }
void TMenuItem::SetVisible(bool Value) { impl_->action->setVisible(Value); }

void TMenuItem::SetShortCut(TShortCut Value) {
  shortCut_ = Value;
  impl_->action->setShortcut(ToKeySequence(Value));
}

TMenuItem* TMenuItem::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EMenuError("Menu index out of range");
  return items_[Index];
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (Item->parent_) throw EMenuError("Menu inserted twice");
  if (Index < 0 || Index > Count()) throw EMenuError("Menu index out of range");
  items_.insert(items_.begin() + Index, Item);
  Item->parent_ = this;
  Item->UpdateImages();
  Rebuild();
}

void TMenuItem::Remove(TMenuItem* Item) {
  auto it = std::find(items_.begin(), items_.end(), Item);
  if (it == items_.end()) throw EMenuError("Sub-menu is not in menu");
  items_.erase(it);
  Item->parent_ = nullptr;
  Rebuild();
}

void TMenuItem::Delete(int Index) { delete Items(Index); }

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
  auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Click() {
  if (OnClick) OnClick(this);
}

void TMenuItem::SetImageIndex(int Value) {
  imageIndex_ = Value;
  UpdateImages();
}

void TMenuItem::UpdateImages() {
  const TMenuItem* root = this;
  while (root->parent_) root = root->parent_;
  auto* menu = dynamic_cast<TMenu*>(root->Owner());
  TImageList* images = menu && menu->Items() == root ? menu->Images() : nullptr;
  impl_->action->setIcon(images && imageIndex_ >= 0 ? QIcon(ImageListAccess::Pixmap(images, imageIndex_)) : QIcon());
  for (TMenuItem* item : items_) item->UpdateImages();
}

void TMenuItem::Rebuild() {
  // The root item of a main menu shows its items on the bar itself.
  if (auto* main = dynamic_cast<TMainMenu*>(Owner()); main && main->Items() == this) {
    QMenuBar* bar = main->MenuBar();
    // The bar went with its window when Qt shut down before the menu object was freed.
    if (!bar) return;
    bar->clear();
    for (TMenuItem* item : items_) bar->addAction(item->Action());
    return;
  }
  if (items_.empty() && !impl_->menu) return;
  QMenu* menu = SubMenu();
  menu->clear();
  for (TMenuItem* item : items_) menu->addAction(item->Action());
}

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(this)) {}

TMenu::~TMenu() {
  if (images_) ImageListAccess::Unlisten(images_, this);
}

void TMenu::SetImages(TImageList* Value) {
  if (ImageListAccess::Switch(this, images_, Value, [this] { items_->UpdateImages(); })) items_->UpdateImages();
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == images_) {
    images_ = nullptr;
    items_->UpdateImages();
  }
}

struct TMainMenu::Impl {
  QPointer<QMenuBar> bar;
};

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner), impl_(std::make_unique<Impl>()) {
  impl_->bar = new QMenuBar;
  if (auto* form = dynamic_cast<TCustomForm*>(AOwner); form && !form->Menu()) form->SetMenu(this);
}

TMainMenu::~TMainMenu() {
  // The items go first: their actions sit on the bar.
  Items()->Clear();
  delete impl_->bar.data();
}

QMenuBar* TMainMenu::MenuBar() const { return impl_->bar; }

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

void TPopupMenu::Popup(int X, int Y) {
  if (OnPopup) OnPopup(this);
  QMenu menu;
  for (int i = 0; i < Items()->Count(); ++i) menu.addAction(Items()->Items(i)->Action());
  menu.exec(QPoint(X, Y));
}

ORV_IMPLEMENT_CLASS(TMenuItem, c) {
  c.Prop("Caption", [](TMenuItem& m) { return m.Caption(); }, &TMenuItem::SetCaption);
  c.Prop("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked).Default(false);
  c.Prop("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled).Default(true);
  c.Prop("Hint", [](TMenuItem& m) { return m.Hint(); }, &TMenuItem::SetHint);
  c.Prop("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut).Default(0);
  c.Prop("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible).Default(true);
  c.Event("OnClick", &TMenuItem::OnClick);
}

ORV_IMPLEMENT_CLASS(TMenu, c) { c.Prop("Items", &TMenu::Items); }
ORV_IMPLEMENT_CLASS(TMainMenu, c) {}
ORV_IMPLEMENT_CLASS(TPopupMenu, c) { c.Event("OnPopup", &TPopupMenu::OnPopup); }

}  // namespace orv
