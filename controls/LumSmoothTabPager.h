#pragma once
// TLumSmoothTabPager: pages behind tabs drawn as smooth button faces along one edge.
#include <vector>

#include "controls/LumSmoothTabPage.h"

namespace orv {

ORV_ENUM(TLumSmoothTabPosition, tpTopRight, tpTopCenter, tpTopLeft, tpLeftTop, tpLeftBottom, tpLeftCenter,
         tpRightTop, tpRightBottom, tpRightCenter, tpBottomLeft, tpBottomRight, tpBottomCenter);

using TLumTabChangingEvent = std::function<void(TObject* Sender, int FromTab, int ToTab, bool& AllowChange)>;
using TTabMovedEvent = std::function<void(TObject* Sender, int FromIndex, int ToIndex)>;
using TDrawTabEvent = std::function<void(TObject* Sender, int TabIndex, TRect TabRect)>;

// Sizes of the tab strip; every change fires OnChange.
class TLumSmoothTabSettings : public TPersistent {
  ORV_CLASS(TLumSmoothTabSettings, TPersistent)

 public:
  void Assign(TPersistent* Source) override;
#define ORV_SETTING(Name, Field)      \
  int Name() const { return Field; }  \
  void Set##Name(int Value) {         \
    if (Field == Value) return;       \
    Field = Value;                    \
    if (OnChange) OnChange(this);     \
  }
  // Space before and after a tab's caption.
  ORV_SETTING(LeftMargin, leftMargin_)
  ORV_SETTING(RightMargin, rightMargin_)
  // Space before the first tab.
  ORV_SETTING(StartMargin, startMargin_)
  // Depth of the strip; 0 or less hides the tabs.
  ORV_SETTING(Height, height_)
  // Gap between tabs.
  ORV_SETTING(Spacing, spacing_)
  // Above 0: every tab this long.
  ORV_SETTING(Width, width_)
  // Trimmed from the strip's far end.
  ORV_SETTING(EndMargin, endMargin_)
#undef ORV_SETTING

  TNotifyEvent OnChange;

 private:
  int leftMargin_ = 4, rightMargin_ = 4, startMargin_ = 4, height_ = 26, spacing_ = 4, width_ = 0, endMargin_ = 0;
};

class TLumSmoothTabPager : public TCustomControl, public IQorStyle {
  ORV_CLASS(TLumSmoothTabPager, TCustomControl)

 public:
  explicit TLumSmoothTabPager(TComponent* AOwner);
  ~TLumSmoothTabPager() override;

  // "Invalid Parent" inside another pager or its page.
  void SetParent(TWinControl* AParent) override;
  void SetComponentStyle(TQorStyle AStyle) override;

  void AddPage(TLumSmoothTabPage* Page);
  void RemovePage(TLumSmoothTabPage* Page);
  void MovePage(int FromIndex, int ToIndex);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  // Exception "Index out of bounds in list read access" at or beyond the count.
  TLumSmoothTabPage* Pages(int Index) const;
  int IndexOfPage(const TLumSmoothTabPage* Page) const;

  // Setting it shows that page as a click on its tab does; a page of another pager is ignored.
  TLumSmoothTabPage* ActivePage() const;
  void SetActivePage(TLumSmoothTabPage* Value);
  int ActivePageIndex() const { return activeIndex_; }
  void SetActivePageIndex(int Index);
  // The next (or previous) page with a visible, enabled tab, wrapping round.
  void SelectNextPage(bool GoForward);

  int PageMargin() const { return pageMargin_; }
  void SetPageMargin(int Value);
  TLumSmoothTabPosition TabPosition() const { return tabPosition_; }
  void SetTabPosition(TLumSmoothTabPosition Value);
  TLumSmoothTabSettings* TabSettings() const { return tabSettings_.get(); }
  void SetTabSettings(TLumSmoothTabSettings* Value) { tabSettings_->Assign(Value); }
  bool TabReorder() const { return tabReorder_; }
  void SetTabReorder(bool Value) { tabReorder_ = Value; }
  String Version() const { return "1.0.3.1"; }

  // The tab's rectangle in the pager; empty for a page without a visible tab.
  TRect GetTabRect(int Index) const;
  // The index of the tab at (X, Y), or -1.
  int HitTest(int X, int Y) const;
  // Paints the tab again, or the whole tab strip for -1.
  void InvalidateTab(int Index);
  int HotTab() const { return hotIndex_; }
  int PressedTab() const { return pressedIndex_; }
  // The area every page takes.
  TRect PageRect() const;

  TNotifyEvent OnChange;
  TLumTabChangingEvent OnChanging;
  TTabMovedEvent OnTabMoved;
  // Reached by name from stored windows and scripts; the tabs are drawn as button faces
  // without calling it.
  TDrawTabEvent OnDrawTab;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseLeave() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  // A tab dragged by the mouse goes where it is dropped on another tab.
  void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
  void DragDrop(TObject* Source, int X, int Y) override;
  void DoEnter() override;
  void DoExit() override;
  void Resize() override;

 private:
  friend class TLumSmoothTabPage;
  void ChangeActivePage(int Index);
  void LayoutPages();
  void PageLookChanged(TLumSmoothTabPage* Page);
  void UpdateAccelerators();
  bool InStrip(int X, int Y) const;
  // The band along the tab edge, from the pager's outer edge to the pages.
  TRect StripRect() const;
  bool Loading() const;
  std::vector<TRect> TabRects() const;
  int CaptionWidth(const TLumSmoothTabPage& Page) const;
  void PaintTab(TGPGraphics& Graphics, int Index, const TRect& R);

  std::vector<TLumSmoothTabPage*> pages_;  // not owned
  std::unique_ptr<TLumSmoothTabSettings> tabSettings_;
  int activeIndex_ = -1, hotIndex_ = -1, pressedIndex_ = -1;
  int pageMargin_ = 1;
  TLumSmoothTabPosition tabPosition_ = tpTopCenter;
  bool tabReorder_ = false;
  bool focused_ = false;
};

}  // namespace orv
