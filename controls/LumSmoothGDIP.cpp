#include "controls/LumSmoothGDIP.h"

#include <cstring>

#include "platform/gui/Canvas.h"

namespace orv {

ARGB MakeARGB(Byte A, Byte R, Byte G, Byte B) {
  return ARGB(A) << 24 | ARGB(R) << 16 | ARGB(G) << 8 | ARGB(B);
}

ARGB MakeColor(Byte Alpha, TColor Color) {
  TColor rgb = ColorToRGB(Color);
  return MakeARGB(Alpha, GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

ARGB ColorToARGB(TColor Color) { return MakeColor(255, Color); }

// ---- pens, paths, regions ----

TGPPen::TGPPen(ARGB Color, float Width) {
  pen_.Color = Color;
  pen_.Width = Width;
}

TStatus TGPPen::SetDashStyle(TDashStyle Style) {
  if (Style < DashStyleSolid || Style > DashStyleDashDotDot) return SetStatus(InvalidParameter);
  pen_.Dash = static_cast<TPaintDash>(Style);
  return Ok;
}

TGPGraphicsPath::TGPGraphicsPath(TFillMode FillMode) : path_(FillMode == FillModeWinding) {}

TStatus TGPGraphicsPath::AddLine(float X1, float Y1, float X2, float Y2) {
  path_.AddLine(X1, Y1, X2, Y2);
  return Ok;
}

TStatus TGPGraphicsPath::AddArc(float X, float Y, float Width, float Height, float StartAngle, float SweepAngle) {
  if (Width <= 0 || Height <= 0) return SetStatus(InvalidParameter);
  path_.AddArc({X, Y, Width, Height}, StartAngle, SweepAngle);
  return Ok;
}

TStatus TGPGraphicsPath::AddRectangle(const TGPRectF& Rect) {
  path_.AddRectangle(Rect);
  return Ok;
}

TStatus TGPGraphicsPath::AddEllipse(const TGPRectF& Rect) {
  path_.AddEllipse(Rect);
  return Ok;
}

TStatus TGPGraphicsPath::AddPath(const TGPGraphicsPath& Path) {
  path_.AddPath(Path.path_);
  return Ok;
}

TStatus TGPGraphicsPath::CloseFigure() {
  path_.CloseFigure();
  return Ok;
}

// ---- images ----

TGPImage::TGPImage(const void* Data, std::size_t Size) {
  rawFormat_ = rfUnknown;
  if (!image_.Decode(Data, Size)) {
    SetStatus(UnknownImageFormat);
    return;
  }
  static const std::pair<const char*, TImageRawFormat> kFormats[] = {
      {"BMP", rfBMP}, {"JPEG", rfJPEG}, {"PNG", rfPNG}, {"GIF", rfGIF}, {"TIFF", rfTIFF}, {"ICO", rfIcon}};
  for (const auto& [name, code] : kFormats)
    if (!std::strcmp(image_.FileFormat(), name)) rawFormat_ = code;
}

TGPBitmap::TGPBitmap(int Width, int Height) {
  image_ = TPaintImage(Width, Height);
  if (image_.Null()) SetStatus(InvalidParameter);
}

TStatus TGPBitmap::GetPixel(int X, int Y, ARGB& Color) const {
  if (X < 0 || Y < 0 || X >= image_.Width() || Y >= image_.Height()) return InvalidParameter;
  Color = image_.Pixel(X, Y);
  return Ok;
}

// ---- brushes ----

TGPSolidBrush::TGPSolidBrush(ARGB Color) : TGPBrush(TPaintBrush::Solid(Color)), color_(Color) {}

TGPHatchBrush::TGPHatchBrush(THatchStyle Style, ARGB ForeColor, ARGB BackColor)
    : TGPBrush(TPaintBrush::Hatch(HatchPattern(Style), ForeColor, BackColor)) {}

TGPTextureBrush::TGPTextureBrush(const TGPImage& Image) : TGPBrush(TPaintBrush::Texture(Image.Image())) {
  if (Image.Image().Null()) SetStatus(InvalidParameter);
}

namespace {

float ModeAngle(TLinearGradientMode Mode) {
  switch (Mode) {
    case LinearGradientModeHorizontal: return 0;
    case LinearGradientModeVertical: return 90;
    case LinearGradientModeForwardDiagonal: return 45;
    case LinearGradientModeBackwardDiagonal: return 135;
  }
  return 0;
}

std::vector<TPaintStop> MakeStops(const ARGB* Colors, const float* Positions, int Count) {
  std::vector<TPaintStop> stops;
  for (int i = 0; i < Count; ++i) stops.push_back({Positions[i], Colors[i]});
  return stops;
}

}  // namespace

TGPLinearGradientBrush::TGPLinearGradientBrush(const TGPRectF& Rect, ARGB Color1, ARGB Color2,
                                               TLinearGradientMode Mode)
    : TGPLinearGradientBrush(Rect, Color1, Color2, ModeAngle(Mode)) {}

TGPLinearGradientBrush::TGPLinearGradientBrush(const TGPRectF& Rect, ARGB Color1, ARGB Color2, float Angle)
    : TGPBrush(TPaintBrush::Linear(Rect, Angle, Color1, Color2)) {
  if (Rect.Width <= 0 || Rect.Height <= 0) SetStatus(InvalidParameter);
}

TStatus TGPLinearGradientBrush::SetGammaCorrection(bool UseGammaCorrection) {
  brush_.SetGammaCorrection(UseGammaCorrection);
  return Ok;
}

TStatus TGPLinearGradientBrush::SetInterpolationColors(const ARGB* Colors, const float* Positions, int Count) {
  if (Count <= 0 || !Colors || !Positions) return SetStatus(InvalidParameter);
  brush_.SetStops(MakeStops(Colors, Positions, Count));
  return Ok;
}

TGPPathGradientBrush::TGPPathGradientBrush(const TGPGraphicsPath& Path)
    : TGPBrush(TPaintBrush::PathGradient(Path.Path())), pointCount_(Path.GetPointCount()) {
  if (pointCount_ == 0) SetStatus(InvalidParameter);
}

TStatus TGPPathGradientBrush::SetCenterColor(ARGB Color) {
  brush_.SetCenterColor(Color);
  return Ok;
}

TStatus TGPPathGradientBrush::SetCenterPoint(const TGPPointF& Point) {
  brush_.SetCenterPoint({Point.X, Point.Y});
  return Ok;
}

TStatus TGPPathGradientBrush::SetSurroundColors(const ARGB* Colors, int& Count) {
  if (!Colors || pointCount_ <= 0 || Count <= 0 || Count > pointCount_) return SetStatus(InvalidParameter);
  brush_.SetSurroundColor(Colors[0]);
  return Ok;
}

TStatus TGPPathGradientBrush::SetWrapMode(TWrapMode Mode) {
  return Mode == WrapModeClamp ? Ok : SetStatus(InvalidParameter);
}

TStatus TGPPathGradientBrush::SetInterpolationColors(const ARGB* Colors, const float* Positions, int Count) {
  if (Count < 1 || !Colors || !Positions) return SetStatus(InvalidParameter);
  brush_.SetStops(MakeStops(Colors, Positions, Count));
  return Ok;
}

// ---- text ----

TGPFont::TGPFont(const String& FamilyName, float EmSize, int Style) : font_(std::make_shared<TFont>()) {
  font_->SetName(FamilyName);
  // Points at 96 pixels per inch: the kit draws at screen resolution.
  font_->SetHeight(-static_cast<int>(EmSize * 96.0f / 72.0f + 0.5f));
  TFontStyles styles;
  if (Style & 1) styles.Include(fsBold);
  if (Style & 2) styles.Include(fsItalic);
  if (Style & 4) styles.Include(fsUnderline);
  font_->SetStyle(styles);
  if (EmSize <= 0) SetStatus(InvalidParameter);
}

namespace {

TPaintAlign ToPaintAlign(TStringAlignment Align) {
  return Align == StringAlignmentCenter ? paCenter : Align == StringAlignmentFar ? paFar : paNear;
}

}  // namespace

TStatus TGPStringFormat::SetAlignment(TStringAlignment Align) {
  format_.Alignment = ToPaintAlign(Align);
  return Ok;
}

TStatus TGPStringFormat::SetLineAlignment(TStringAlignment Align) {
  format_.LineAlignment = ToPaintAlign(Align);
  return Ok;
}

TStatus TGPStringFormat::SetHotkeyPrefix(THotkeyPrefix Prefix) {
  format_.ShowPrefix = Prefix == HotkeyPrefixShow;
  return Ok;
}

TStatus TGPImageAttributes::SetColorKey(ARGB ColorLow, ARGB ColorHigh) {
  if (ColorLow != ColorHigh) return SetStatus(InvalidParameter);
  hasKey_ = true;
  key_ = ColorLow;
  return Ok;
}

// ---- graphics ----

TGPGraphics::TGPGraphics(TGPImage* Image) {
  if (Image && !Image->Image().Null())
    painter_ = std::make_unique<TSmoothPainter>(Image->Image());
  else
    SetStatus(InvalidParameter);
}

TGPGraphics::TGPGraphics(TCanvas& Canvas) : painter_(std::make_unique<TSmoothPainter>(Canvas)) {
  if (!painter_->Active()) {
    painter_.reset();
    SetStatus(WrongState);
  }
}

TStatus TGPGraphics::Clear(ARGB Color) {
  if (!painter_) return SetStatus(WrongState);
  painter_->Clear(Color);
  return Ok;
}

TStatus TGPGraphics::SetSmoothingMode(TSmoothingMode Mode) {
  if (!painter_) return SetStatus(WrongState);
  painter_->SetAntialias(Mode == SmoothingModeAntiAlias);
  return Ok;
}

int TGPGraphics::GetSmoothingMode() const {
  if (!painter_) return -1;
  return painter_->Antialias() ? SmoothingModeAntiAlias : SmoothingModeDefault;
}

// Text is always drawn antialiased by the platform's text renderer.
TStatus TGPGraphics::SetTextRenderingHint(TTextRenderingHint) { return painter_ ? Ok : SetStatus(WrongState); }

TStatus TGPGraphics::FillPath(const TGPBrush& Brush, const TGPGraphicsPath& Path) {
  if (!painter_) return SetStatus(WrongState);
  if (Brush.GetLastStatus() != Ok) return SetStatus(InvalidParameter);
  painter_->FillPath(Brush.Brush(), Path.Path());
  return Ok;
}

TStatus TGPGraphics::DrawPath(const TGPPen& Pen, const TGPGraphicsPath& Path) {
  if (!painter_) return SetStatus(WrongState);
  painter_->DrawPath(Pen.Pen(), Path.Path());
  return Ok;
}

TStatus TGPGraphics::FillRectangle(const TGPBrush& Brush, const TGPRectF& Rect) {
  if (Rect.Width == 0 || Rect.Height == 0 || !painter_ || Brush.GetLastStatus() != Ok) return Ok;
  painter_->FillRect(Brush.Brush(), Rect);
  return Ok;
}

TStatus TGPGraphics::DrawRectangle(const TGPPen& Pen, const TGPRectF& Rect) {
  if (!painter_) return SetStatus(WrongState);
  painter_->DrawRect(Pen.Pen(), Rect);
  return Ok;
}

TStatus TGPGraphics::DrawLine(const TGPPen& Pen, float X1, float Y1, float X2, float Y2) {
  if (!painter_) return SetStatus(WrongState);
  painter_->DrawLine(Pen.Pen(), X1, Y1, X2, Y2);
  return Ok;
}

TStatus TGPGraphics::DrawImage(const TGPImage& Image, float X, float Y) {
  return DrawImage(Image, {X, Y, float(Image.GetWidth()), float(Image.GetHeight())});
}

TStatus TGPGraphics::DrawImage(const TGPImage& Image, const TGPRectF& Dest) {
  if (!painter_) return SetStatus(WrongState);
  if (Image.Image().Null()) return SetStatus(InvalidParameter);
  painter_->DrawImage(Image.Image(), Dest);
  return Ok;
}

TStatus TGPGraphics::DrawImage(const TGPImage& Image, const TGPRectF& Dest, const TGPImageAttributes& Attributes) {
  if (!Attributes.HasKey()) return DrawImage(Image, Dest);
  if (!painter_) return SetStatus(WrongState);
  if (Image.Image().Null()) return SetStatus(InvalidParameter);
  painter_->DrawImageKeyed(Image.Image(), Dest, Attributes.Key());
  return Ok;
}

TStatus TGPGraphics::SetClip(const TGPRegion& Region) {
  if (!painter_) return SetStatus(WrongState);
  painter_->SetClip(Region.Path());
  return Ok;
}

TStatus TGPGraphics::SetClip(const TGPGraphicsPath& Path) {
  if (!painter_) return SetStatus(WrongState);
  painter_->SetClip(Path.Path());
  return Ok;
}

TStatus TGPGraphics::ResetClip() {
  if (!painter_) return SetStatus(WrongState);
  painter_->ResetClip();
  return Ok;
}

TStatus TGPGraphics::DrawText(const String& Text, const TGPFont& Font, const TGPRectF& Box,
                              const TGPStringFormat& Format, const TGPBrush& Brush) {
  if (!painter_) return SetStatus(WrongState);
  // Text is written in one colour: the kit writes with solid brushes only.
  auto* solid = dynamic_cast<const TGPSolidBrush*>(&Brush);
  if (!solid) return SetStatus(InvalidParameter);
  ARGB color = solid->Color();
  painter_->DrawText(Text, Font.Font(), color, Box, Format.Format());
  return Ok;
}

TStatus TGPGraphics::DrawString(const String& Text, const TGPFont& Font, const TGPRectF& Layout,
                                const TGPStringFormat& Format, const TGPBrush& Brush) {
  return DrawText(Text, Font, Layout, Format, Brush);
}

TStatus TGPGraphics::DrawString(const String& Text, const TGPFont& Font, const TGPPointF& Origin,
                                const TGPStringFormat& Format, const TGPBrush& Brush) {
  return DrawText(Text, Font, {Origin.X, Origin.Y, 0, 0}, Format, Brush);
}

TStatus TGPGraphics::MeasureString(const String& Text, const TGPFont& Font, const TGPRectF& Layout,
                                   const TGPStringFormat& Format, TGPRectF& Bounds) const {
  if (!painter_) return WrongState;
  Bounds = painter_->MeasureText(Text, Font.Font(), Layout, Format.Format());
  return Ok;
}

}  // namespace orv
