#pragma once
// The glossy face of a smooth button or tab (TGDIPButton) and the small status badge that can
// stand in its corner (TGDIPStatus).
#include <memory>

#include "controls/GDIPFill.h"
#include "platform/gui/Graphics.h"

namespace orv {

ORV_ENUM(TGDIPButtonLayout, blPictureLeft, blPictureRight, blPictureBottom, blPictureTop);

using TFontStoredEvent = std::function<void(TObject* Sender, bool& IsStored)>;

// The colour a pressed face takes when no pressed colour is given: the same hue, its value
// times 0.8.
TColor DarkenColor(TColor Color);

// What the face painter needs beyond its appearance.
struct TGDIPButtonFace {
  String Caption;
  int Left = 0, Top = 0, Width = 0, Height = 0;
  int VerticalSpacing = 0, HorizontalSpacing = 0;
  TColor Color = clGray, ColorDown = clNone, BevelColor = clWhite;
  bool Shadow = false, Down = false, Bevel = true;
  // A tab on the left or right edge: its caption is written by the tab pager, rotated.
  bool SideTab = false, SideLeft = false;
  TFillRoundingType RoundingType = rtBoth;
  TLumGDIPPicture* Picture = nullptr;
  // The rotated caption's extent along and across the side tab, measured by the pager.
  int TextWidth = 0, TextHeight = 0;
};

class TGDIPButton : public TPersistent {
  ORV_CLASS(TGDIPButton, TPersistent)

 public:
  TGDIPButton();
  ~TGDIPButton() override;
  // From another TGDIPButton; other sources are ignored.
  void Assign(TPersistent* Source) override;
  void Draw(TGPGraphics& Graphics, const TGDIPButtonFace& Face);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* Value) { font_->Assign(Value); }
  TGDIPButtonLayout Layout() const { return layout_; }
  void SetLayout(TGDIPButtonLayout Value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int Value);
  int ShiftDown() const { return shiftDown_; }
  void SetShiftDown(int Value);
  bool FontStored() const;

  TNotifyEvent OnChange;
  TNotifyEvent OnFontChange;
  TFontStoredEvent OnIsFontStored;

 private:
  void Changed();
  TAlignment alignment_ = taLeftJustify;
  std::unique_ptr<TFont> font_;
  TGDIPButtonLayout layout_ = blPictureLeft;
  int spacing_ = 3;
  int shiftDown_ = 1;
};

class TGDIPStatus : public TPersistent {
  ORV_CLASS(TGDIPStatus, TPersistent)

 public:
  TGDIPStatus();
  ~TGDIPStatus() override;
  void Assign(TPersistent* Source) override;
  // The badge's size for Caption: the text with a margin, at least as wide as it is high, and
  // at least the fill picture's size.
  void CalculateSize(TGPGraphics& Graphics, const String& Caption);
  void Draw(TGPGraphics& Graphics, int Left, int Top, int Width, int Height, bool UseCalculatedSize,
            const String& Caption);
  int GetWidth() const { return width_; }

  TGDIPFill* Fill() const { return fill_.get(); }
  void SetFill(TGDIPFill* Value) { fill_->Assign(Value); }
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* Value) { font_->Assign(Value); }
  int Spacing() const { return spacing_; }
  void SetSpacing(int Value);
  bool Glow() const { return glow_; }
  void SetGlow(bool Value);

  TNotifyEvent OnChange;

 private:
  void Changed();
  std::unique_ptr<TGDIPFill> fill_;
  std::unique_ptr<TFont> font_;
  int spacing_ = 0;
  bool glow_ = true;
  int width_ = 0, height_ = 0;
};

// The kit's fonts from a TFont: family, size in points, bold 1, italic 2, underline 4.
TGPFont MakeGPFont(const TFont& Font);

}  // namespace orv
