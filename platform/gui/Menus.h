#pragma once
// Menus: the main menu of a form, pop-up menus, and their items.
#include <memory>
#include <vector>

#include "platform/gui/Controls.h"

class QAction;
class QMenu;
class QMenuBar;

namespace orv {

class TImageList;

ORV_DECLARE_EXCEPTION(EMenuError, Exception);

// A key with its modifiers, as the class library packs it: the virtual key in the low byte,
// scShift, scCtrl and scAlt above.
using TShortCut = Word;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
TShortCut ShortCut(Word Key, TShiftState Shift);

// One command of a menu, or a submenu when it has items of its own. The caption "-" makes a
// separator; "&" marks the access key. Freeing an item frees the items under it.
class TMenuItem : public TComponent {
  ORV_CLASS(TMenuItem, TComponent)

 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  const String& Caption() const { return caption_; }
  void SetCaption(const String& Value);
  bool Checked() const;
  void SetChecked(bool Value);
  bool Enabled() const;
  void SetEnabled(bool Value);
  bool Visible() const;
  void SetVisible(bool Value);
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut Value);
  const String& Hint() const { return hint_; }
  void SetHint(const String& Value) { hint_ = Value; }
  bool IsLine() const { return caption_ == "-"; }
  // The picture beside the caption, from the menu's Images; -1 for none.
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int Value);

  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int Index) const;
  TMenuItem* Parent() const { return parent_; }
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  void Remove(TMenuItem* Item);
  // Removes and frees the item at Index.
  void Delete(int Index);
  // Frees every item under this one.
  void Clear();
  int IndexOf(const TMenuItem* Item) const;
  // Fires OnClick as choosing the item does.
  virtual void Click();

  TNotifyEvent OnClick;

 private:
  friend class TMenu;
  friend class TPopupMenu;
  friend class TToolButton;
  friend struct MenuItemAccess;
  QAction* Action() const;
  QMenu* SubMenu();
  void Rebuild();
  // Shows the picture of this item and of the items under it.
  void UpdateImages();

  struct Impl;
  std::unique_ptr<Impl> impl_;
  String caption_;
  String hint_;
  TShortCut shortCut_ = 0;
  int imageIndex_ = -1;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
};

// A tree of menu items under the root item Items.
class TMenu : public TComponent {
  ORV_CLASS(TMenu, TComponent)

 public:
  ~TMenu() override;
  TMenuItem* Items() const { return items_; }
  // The pictures the items show by their ImageIndex; not owned.
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* Value);

 protected:
  explicit TMenu(TComponent* AOwner);
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TMenuItem* items_;
  TImageList* images_ = nullptr;
};

// The menu bar of a form; created on a form without a menu, it becomes that form's Menu.
class TMainMenu : public TMenu {
  ORV_CLASS(TMainMenu, TMenu)

 public:
  explicit TMainMenu(TComponent* AOwner);
  ~TMainMenu() override;
  // The Qt menu bar the form shows; platform-internal.
  QMenuBar* MenuBar() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A menu that appears at the mouse, by itself (Popup) or on a control's right click.
class TPopupMenu : public TMenu {
  ORV_CLASS(TPopupMenu, TMenu)

 public:
  explicit TPopupMenu(TComponent* AOwner);
  // Shows the menu at screen position (X, Y) and returns once it is closed.
  virtual void Popup(int X, int Y);
  // The control the menu was last shown for.
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* Value) { popupComponent_ = Value; }

  TNotifyEvent OnPopup;

 private:
  TComponent* popupComponent_ = nullptr;
};

}  // namespace orv
