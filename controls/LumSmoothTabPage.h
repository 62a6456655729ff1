#pragma once
// One page of a TLumSmoothTabPager with the look of its tab: the badge, the tab appearance and
// the page's own background fill.
#include <memory>

#include "controls/GDIPButton.h"
#include "controls/QorStyle.h"
#include "platform/gui/Controls.h"

namespace orv {

class TLumSmoothTabPager;

// The badge of a tab; every change fires OnChange.
class TLumSmoothTabStatus : public TPersistent {
  ORV_CLASS(TLumSmoothTabStatus, TPersistent)

 public:
  TLumSmoothTabStatus();
  ~TLumSmoothTabStatus() override;
  void Assign(TPersistent* Source) override;

  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  const String& Caption() const { return caption_; }
  void SetCaption(const String& Value);
  int OffsetLeft() const { return offsetLeft_; }
  void SetOffsetLeft(int Value);
  int OffsetTop() const { return offsetTop_; }
  void SetOffsetTop(int Value);
  TGDIPStatus* Appearance() const { return appearance_.get(); }
  void SetAppearance(TGDIPStatus* Value) { appearance_->Assign(Value); }

  TNotifyEvent OnChange;

 private:
  void Changed();
  bool visible_ = false;
  String caption_ = "0";
  int offsetLeft_ = 0, offsetTop_ = 0;
  std::unique_ptr<TGDIPStatus> appearance_;
};

// The look of one tab in each of its states.
class TLumSmoothTabAppearance : public TPersistent {
  ORV_CLASS(TLumSmoothTabAppearance, TPersistent)

 public:
  TLumSmoothTabAppearance();
  ~TLumSmoothTabAppearance() override;
  void Assign(TPersistent* Source) override;

  TGDIPButton* Appearance() const { return appearance_.get(); }
  void SetAppearance(TGDIPButton* Value) { appearance_->Assign(Value); }
  TLumSmoothTabStatus* Status() const { return status_.get(); }
  void SetStatus(TLumSmoothTabStatus* Value) { status_->Assign(Value); }
  TLumGDIPPicture* Picture() const { return picture_.get(); }
  void SetPicture(TLumGDIPPicture* Value);

#define ORV_TAB_PROP(Type, Name, Field) \
  Type Name() const { return Field; }  \
  void Set##Name(Type Value) {         \
    if (Field == Value) return;        \
    Field = Value;                     \
    Changed();                         \
  }
  ORV_TAB_PROP(bool, Bevel, bevel_)
  ORV_TAB_PROP(TColor, BevelColor, bevelColor_)
  ORV_TAB_PROP(TColor, Color, color_)
  ORV_TAB_PROP(TColor, ColorDown, colorDown_)
  ORV_TAB_PROP(TColor, ColorSelected, colorSelected_)
  ORV_TAB_PROP(TColor, ColorHot, colorHot_)
  ORV_TAB_PROP(TColor, ColorDisabled, colorDisabled_)
  ORV_TAB_PROP(bool, Shadow, shadow_)
  ORV_TAB_PROP(int, HorizontalSpacing, horizontalSpacing_)
  ORV_TAB_PROP(int, VerticalSpacing, verticalSpacing_)
#undef ORV_TAB_PROP

  TNotifyEvent OnChange;

 private:
  void Changed();
  std::unique_ptr<TGDIPButton> appearance_;
  std::unique_ptr<TLumSmoothTabStatus> status_;
  std::unique_ptr<TLumGDIPPicture> picture_;
  bool bevel_ = true;
  TColor bevelColor_ = clGray, color_ = clSilver, colorDown_ = clGray, colorSelected_ = 0xAAD9FF;
  TColor colorHot_ = clWhite, colorDisabled_ = 0x545454;
  bool shadow_ = false;
  int horizontalSpacing_ = 0, verticalSpacing_ = 0;
};

class TLumSmoothTabPage : public TCustomControl, public IQorStyle {
  ORV_CLASS(TLumSmoothTabPage, TCustomControl)

 public:
  explicit TLumSmoothTabPage(TComponent* AOwner);
  ~TLumSmoothTabPage() override;

  TLumSmoothTabPager* Pager() const { return pager_; }
  // Puts the page on APager as its last page (nullptr takes it off its pager).
  void SetPager(TLumSmoothTabPager* APager);
  // A pager as parent makes the page one of its pages; a page of a pager as parent puts this
  // page at that page's place. "Invalid Parent" for a parent elsewhere while on a pager.
  void SetParent(TWinControl* AParent) override;
  void SetComponentStyle(TQorStyle AStyle) override;

  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int Value) { imageIndex_ = Value; }
  TGDIPFill* PageAppearance() const { return pageAppearance_.get(); }
  void SetPageAppearance(TGDIPFill* Value) { pageAppearance_->Assign(Value); }
  TLumSmoothTabAppearance* TabAppearance() const { return tabAppearance_.get(); }
  void SetTabAppearance(TLumSmoothTabAppearance* Value) { tabAppearance_->Assign(Value); }
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool Value);
  bool TabEnabled() const { return tabEnabled_; }
  void SetTabEnabled(bool Value);
  // The page's place among its pager's pages; -1 off a pager.
  int PageIndex() const;
  void SetPageIndex(int Value);

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

 protected:
  void Paint() override;
  void TextChanged() override;
  // Children keep two pixels clear of the page's edges, where its fill's border runs.
  void AdjustClientRect(TRect& Rect) const override;

 private:
  friend class TLumSmoothTabPager;
  void LookChanged();
  TLumSmoothTabPager* pager_ = nullptr;
  int imageIndex_ = -1;
  std::unique_ptr<TGDIPFill> pageAppearance_;
  std::unique_ptr<TLumSmoothTabAppearance> tabAppearance_;
  bool tabVisible_ = true, tabEnabled_ = true;
};

}  // namespace orv
