#include "report/engine/ComboBox.h"

#include <algorithm>
#include <cmath>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Screen.h"
#include "platform/rtl/StringList.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxCustomComboBox, c) {}

ORV_IMPLEMENT_CLASS(TkvxComboBox, c) {
  using T = TkvxComboBox;
  c.Prop("ListWidth", &T::ListWidth, &T::SetListWidth).Default(0);
  c.Prop("ReadOnly", &T::ReadOnly, &T::SetReadOnly).Default(false);
}

TColor kvxBlendColors(TColor First, TColor Second, int Percent) {
  TColor a = ColorToRGB(First), b = ColorToRGB(Second);
  int scale = Percent < 100 ? 100 : 1000;
  auto mix = [&](int x, int y) { return (x * Percent + y * (scale - Percent) + scale / 2) / scale; };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

namespace {

// The height of a line of text in the font on the screen: ascent plus descent.
int ScreenFontHeight(TFont* font) {
  TBitmap probe(1, 1);
  probe.Canvas().Font().Assign(font);
  return probe.Canvas().FontAscent() + probe.Canvas().FontDescent();
}

}  // namespace

TkvxCustomComboBox::TkvxCustomComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {
  SetOwnerDrawFrame(true);
  SetWidth(100);
  SetItemHeight(ScreenFontHeight(Font()));
}

// Both move the editor: setting the owner-drawn frame again places it anew and repaints.
void TkvxCustomComboBox::SetButtonWidth(int Value) {
  buttonWidth_ = Value;
  SetOwnerDrawFrame(true);
}

void TkvxCustomComboBox::SetChildLeft(int Value) {
  childLeft_ = Value;
  SetOwnerDrawFrame(true);
}

int TkvxCustomComboBox::DropDownHeight() const {
  int count = Items()->Count();
  if (DropDownCount() > 0 && count > 0) return ItemHeight() * std::min(DropDownCount(), count) + 2;
  return ItemHeight() + 2;
}

TRect TkvxCustomComboBox::EditRect() const {
  int left = childLeft_ + 3;
  return Rect(left, 3, left + Width() - buttonWidth_ - 8 - childLeft_, Height() - 3);
}

void TkvxCustomComboBox::PlaceList(TRect& Bounds) {
  int width = listWidth_ > 0 ? listWidth_ : Width();
  int height = DropDownHeight();
  TPoint below = ClientToScreen(Point(0, Height()));
  dropUp_ = below.Y + ItemHeight() + height + 6 > Screen->Height();
  TPoint top = ClientToScreen(Point(0, 0));
  int y = dropUp_ ? top.Y - height : below.Y;
  Bounds = Rect(below.X, y, below.X + width, y + height);
}

void TkvxCustomComboBox::MouseEnter() {
  if (!Enabled()) return;
  mouseInControl_ = true;
  Invalidate();
}

void TkvxCustomComboBox::MouseLeave() {
  mouseInControl_ = false;
  Invalidate();
}

void TkvxCustomComboBox::DoEnter() {
  editFocused_ = true;
  Invalidate();
  TCustomComboBox::DoEnter();
}

void TkvxCustomComboBox::DoExit() {
  editFocused_ = false;
  Invalidate();
  TCustomComboBox::DoExit();
}

void TkvxCustomComboBox::FontChanged() {
  SetItemHeight(ScreenFontHeight(Font()));
  TCustomComboBox::FontChanged();
}

bool TkvxCustomComboBox::Hot() const { return DroppedDown() || editFocused_ || mouseInControl_; }

void TkvxCustomComboBox::DrawArrow(TCanvas& Canvas, TColor Color) {
  int w = Width(), h = Height();
  int x = static_cast<int>(std::lrint(buttonWidth_ / 2.0)) + w - buttonWidth_ - 4;
  int y = static_cast<int>(std::lrint((h - 4) / 2.0)) + 1;
  Canvas.Pen().SetColor(Color);
  for (int row = 0; row < 3; ++row) {
    Canvas.MoveTo(x + row, y + row);
    Canvas.LineTo(x + 5 - row, y + row);
  }
}

// State 0 normal, 1 hot, 2 dropped down.
void TkvxCustomComboBox::DrawButton(TCanvas& Canvas, int State) {
  int w = Width(), h = Height();
  TRect button = Rect(w - buttonWidth_ - 3, 1, w - 1, h - 1);
  TColor separator = clHighlight;
  TColor arrow = clBtnText;
  if (State == 0) {
    Canvas.Brush().SetColor(clBtnFace);
    Canvas.FillRect(button);
    Canvas.Brush().SetColor(clWindow);
    Canvas.FrameRect(button);
    separator = clWindow;
  } else {
    Canvas.Brush().SetColor(kvxBlendColors(clHighlight, clWindow, State == 1 ? 30 : 50));
    Canvas.FillRect(button);
    if (State == 2) arrow = clCaptionText;
  }
  Canvas.Pen().SetColor(separator);
  Canvas.MoveTo(w - 4 - buttonWidth_, 1);
  Canvas.LineTo(w - 4 - buttonWidth_, h - 1);
  DrawArrow(Canvas, arrow);
}

void TkvxCustomComboBox::PaintFrame(TCanvas& Canvas) {
  int w = Width(), h = Height();
  if (!Enabled()) {
    Canvas.Brush().SetColor(clBtnFace);
    Canvas.FillRect(Rect(0, 0, w, h));
    Canvas.Brush().SetColor(clBtnShadow);
    Canvas.FrameRect(Rect(0, 0, w, h));
    DrawArrow(Canvas, clGrayText);
    return;
  }
  bool hot = Hot();
  // Behind the editor and the picture room; the editor paints over most of it.
  Canvas.Brush().SetColor(clWindow);
  Canvas.FillRect(Rect(2, 2, w - buttonWidth_ - 4, h - 2));
  Canvas.Brush().SetColor(hot ? clHighlight : clBtnFace);
  Canvas.FrameRect(Rect(0, 0, w, h));
  Canvas.Brush().SetColor(clWindow);
  Canvas.FrameRect(Rect(1, 1, w - 1, h - 1));
  Canvas.FrameRect(Rect(2, 2, w - 2 - buttonWidth_ - 2, h - 2));
  DrawButton(Canvas, DroppedDown() ? 2 : hot ? 1 : 0);
}

TkvxComboBox::TkvxComboBox(TComponent* AOwner) : TkvxCustomComboBox(AOwner) {}

}  // namespace orv
