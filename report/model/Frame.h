#pragma once
// TkvxFrame: the frame of a view, a style or a page: which sides are drawn, their common colour,
// style and width, a drop shadow, and one line object per side that may differ from the frame.
#include <memory>
#include <vector>

#include "platform/gui/Colors.h"
#include "platform/rtl/Persistent.h"
#include "platform/rtl/Set.h"

namespace orv {

ORV_ENUM(TkvxFrameStyle, fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble, fsAltDot, fsSquare);
ORV_ENUM(TkvxFrameType, ftLeft, ftRight, ftTop, ftBottom);
using TkvxFrameTypes = TSet<TkvxFrameType>;
ORV_SET_INFO(TkvxFrameTypes);

class TkvxFrame;

// One side of a frame; each value is stored only where it differs from the frame's.
class TkvxFrameLine : public TPersistent {
  ORV_CLASS(TkvxFrameLine, TPersistent)

 public:
  explicit TkvxFrameLine(TkvxFrame* frame = nullptr) : frame_(frame) {}
  void Assign(TPersistent* source) override;

  TColor Color() const { return color_; }
  void SetColor(TColor value) { color_ = value; }
  TkvxFrameStyle Style() const { return style_; }
  void SetStyle(TkvxFrameStyle value) { style_ = value; }
  Extended Width() const { return width_; }
  void SetWidth(Extended value) { width_ = value; }
  TkvxFrame* Frame() const { return frame_; }

  bool IsColorStored() const;
  bool IsStyleStored() const;
  bool IsWidthStored() const;

 private:
  TkvxFrame* frame_;
  TColor color_ = clBlack;
  TkvxFrameStyle style_ = fsSolid;
  Extended width_ = 1;
};

class TkvxFrame : public TPersistent {
  ORV_CLASS(TkvxFrame, TPersistent)

 public:
  TkvxFrame();
  ~TkvxFrame() override;
  void Assign(TPersistent* source) override;

  // The setters of colour, style and width set all four lines too.
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  bool DropShadow() const { return dropShadow_; }
  void SetDropShadow(bool value) { dropShadow_ = value; }
  TColor ShadowColor() const { return shadowColor_; }
  void SetShadowColor(TColor value) { shadowColor_ = value; }
  Extended ShadowWidth() const { return shadowWidth_; }
  void SetShadowWidth(Extended value) { shadowWidth_ = value; }
  TkvxFrameStyle Style() const { return style_; }
  void SetStyle(TkvxFrameStyle value);
  TkvxFrameTypes Typ() const { return typ_; }
  void SetTyp(TkvxFrameTypes value) { typ_ = value; }
  Extended Width() const { return width_; }
  void SetWidth(Extended value);
  TkvxFrameLine* LeftLine() const { return left_.get(); }
  TkvxFrameLine* TopLine() const { return top_.get(); }
  TkvxFrameLine* RightLine() const { return right_.get(); }
  TkvxFrameLine* BottomLine() const { return bottom_.get(); }

 private:
  TColor color_ = clBlack;
  bool dropShadow_ = false;
  TColor shadowColor_ = clBlack;
  Extended shadowWidth_ = 4;
  TkvxFrameStyle style_ = fsSolid;
  TkvxFrameTypes typ_;
  Extended width_ = 1;
  std::unique_ptr<TkvxFrameLine> left_, top_, right_, bottom_;
};

// The dashes of a broken frame line, on and off in pixels at 96 per inch (empty for a line
// drawn whole): the preview, the printer and the PDF draw them alike, scaled with the page.
std::vector<double> kvxFrameDashes(TkvxFrameStyle style);

}  // namespace orv
