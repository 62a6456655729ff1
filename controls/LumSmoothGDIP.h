#pragma once
// The kit's drawing objects: graphics, pens, brushes, paths, regions, fonts, string formats,
// images and bitmaps over the platform's antialiased painter. Objects never raise; each keeps
// the status of its last failed call and every operation returns its own status.
#include <memory>
#include <vector>

#include "controls/HatchStyles.h"
#include "platform/gui/Colors.h"
#include "platform/rtl/TypInfo.h"
#include "platform/gui/SmoothPaint.h"

namespace orv {

class TCanvas;

enum TStatus {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  OutOfMemory = 3,
  WrongState = 8,
  UnknownImageFormat = 13,
};

using ARGB = TArgb;

// The kit's points and rectangles are the painter's own, handed through unchanged.
using TGPPointF = TPaintPoint;
using TGPRectF = TPaintRect;

inline TGPPointF MakePoint(float X, float Y) { return {X, Y}; }
inline TGPRectF MakeRect(float X, float Y, float Width, float Height) { return {X, Y, Width, Height}; }

ARGB MakeARGB(Byte A, Byte R, Byte G, Byte B);
// The colour through ColorToRGB (system colours resolved) with the given alpha.
ARGB MakeColor(Byte Alpha, TColor Color);
ARGB ColorToARGB(TColor Color);
inline Byte GetRed(ARGB Color) { return Byte(Color >> 16); }
inline Byte GetGreen(ARGB Color) { return Byte(Color >> 8); }
inline Byte GetBlue(ARGB Color) { return Byte(Color); }

enum TSmoothingMode { SmoothingModeDefault = 0, SmoothingModeAntiAlias = 4 };
enum TTextRenderingHint { TextRenderingHintSystemDefault = 0, TextRenderingHintAntiAlias = 4, TextRenderingHintClearTypeGridFit = 5 };
enum TFillMode { FillModeAlternate = 0, FillModeWinding = 1 };
enum TWrapMode { WrapModeClamp = 4 };
enum TLinearGradientMode {
  LinearGradientModeHorizontal, LinearGradientModeVertical,
  LinearGradientModeForwardDiagonal, LinearGradientModeBackwardDiagonal
};
enum TDashStyle { DashStyleSolid, DashStyleDash, DashStyleDot, DashStyleDashDot, DashStyleDashDotDot };
enum TStringAlignment { StringAlignmentNear, StringAlignmentCenter, StringAlignmentFar };
enum THotkeyPrefix { HotkeyPrefixNone, HotkeyPrefixShow, HotkeyPrefixHide };

// Raw format codes of decoded images.
enum TImageRawFormat { rfUnknown = 0, rfMemoryBMP = 1, rfBMP = 2, rfJPEG = 5, rfPNG = 6, rfGIF = 7, rfTIFF = 8, rfIcon = 10 };

// The status bookkeeping every drawing object shares.
class TGPObject {
 public:
  TStatus GetLastStatus() const { return lastStatus_; }

 protected:
  TStatus SetStatus(TStatus status) {
    if (status != Ok) lastStatus_ = status;
    return status;
  }

 private:
  TStatus lastStatus_ = Ok;
};

class TGPPen : public TGPObject {
 public:
  TGPPen(ARGB Color, float Width = 1);
  TStatus SetDashStyle(TDashStyle Style);
  const TPaintPen& Pen() const { return pen_; }

 private:
  TPaintPen pen_;
};

class TGPGraphicsPath : public TGPObject {
 public:
  explicit TGPGraphicsPath(TFillMode FillMode = FillModeAlternate);
  TStatus AddLine(float X1, float Y1, float X2, float Y2);
  TStatus AddArc(float X, float Y, float Width, float Height, float StartAngle, float SweepAngle);
  TStatus AddArc(const TGPRectF& Rect, float StartAngle, float SweepAngle) {
    return AddArc(Rect.X, Rect.Y, Rect.Width, Rect.Height, StartAngle, SweepAngle);
  }
  TStatus AddRectangle(const TGPRectF& Rect);
  TStatus AddEllipse(const TGPRectF& Rect);
  TStatus AddPath(const TGPGraphicsPath& Path);
  TStatus CloseFigure();
  int GetPointCount() const { return path_.PointCount(); }
  const TPaintPath& Path() const { return path_; }

 private:
  TPaintPath path_;
};

class TGPRegion : public TGPObject {
 public:
  explicit TGPRegion(const TGPGraphicsPath& Path) : path_(Path.Path()) {}
  const TPaintPath& Path() const { return path_; }

 private:
  TPaintPath path_;
};

class TGPImage : public TGPObject {
 public:
  // Decodes an image file's bytes; a file that cannot be read leaves the status
  // UnknownImageFormat and an image of no size.
  TGPImage(const void* Data, std::size_t Size);
  TGPImage(TPaintImage Image, TImageRawFormat RawFormat) : image_(std::move(Image)), rawFormat_(RawFormat) {}
  unsigned GetWidth() const { return unsigned(image_.Width()); }
  unsigned GetHeight() const { return unsigned(image_.Height()); }
  TImageRawFormat GetRawFormat() const { return rawFormat_; }
  const TPaintImage& Image() const { return image_; }
  TPaintImage& Image() { return image_; }

 protected:
  TGPImage() = default;
  TPaintImage image_;
  TImageRawFormat rawFormat_ = rfMemoryBMP;
};

// A 32-bit ARGB image to draw on.
class TGPBitmap : public TGPImage {
 public:
  TGPBitmap(int Width, int Height);
  TStatus GetPixel(int X, int Y, ARGB& Color) const;
};

class TGPBrush : public TGPObject {
 public:
  virtual ~TGPBrush() = default;
  const TPaintBrush& Brush() const { return brush_; }

 protected:
  explicit TGPBrush(TPaintBrush Brush) : brush_(std::move(Brush)) {}
  TPaintBrush brush_;
};

class TGPSolidBrush : public TGPBrush {
 public:
  explicit TGPSolidBrush(ARGB Color);
  ARGB Color() const { return color_; }

 private:
  ARGB color_;
};

class TGPHatchBrush : public TGPBrush {
 public:
  TGPHatchBrush(THatchStyle Style, ARGB ForeColor, ARGB BackColor);
};

class TGPTextureBrush : public TGPBrush {
 public:
  // Tiles the image from the origin.
  explicit TGPTextureBrush(const TGPImage& Image);
};

class TGPLinearGradientBrush : public TGPBrush {
 public:
  TGPLinearGradientBrush(const TGPRectF& Rect, ARGB Color1, ARGB Color2, TLinearGradientMode Mode);
  // The angle is scaled to the rectangle's proportions.
  TGPLinearGradientBrush(const TGPRectF& Rect, ARGB Color1, ARGB Color2, float Angle);
  TStatus SetGammaCorrection(bool UseGammaCorrection);
  // No colours: InvalidParameter, nothing changed.
  TStatus SetInterpolationColors(const ARGB* Colors, const float* Positions, int Count);
};

class TGPPathGradientBrush : public TGPBrush {
 public:
  explicit TGPPathGradientBrush(const TGPGraphicsPath& Path);
  TStatus SetCenterColor(ARGB Color);
  TStatus SetCenterPoint(const TGPPointF& Point);
  // One colour all round; Count must be 1 to the path's point count.
  TStatus SetSurroundColors(const ARGB* Colors, int& Count);
  // Only clamping is painted: the brush fills its own path.
  TStatus SetWrapMode(TWrapMode Mode);
  TStatus SetInterpolationColors(const ARGB* Colors, const float* Positions, int Count);

 private:
  int pointCount_;
};

class TGPFont : public TGPObject {
 public:
  // Size in points; style bits 1 bold, 2 italic, 4 underline.
  TGPFont(const String& FamilyName, float EmSize, int Style);
  const TFont& Font() const { return *font_; }

 private:
  std::shared_ptr<TFont> font_;
};

class TGPStringFormat : public TGPObject {
 public:
  TStatus SetAlignment(TStringAlignment Align);
  TStatus SetLineAlignment(TStringAlignment Align);
  TStatus SetHotkeyPrefix(THotkeyPrefix Prefix);
  const TPaintTextFormat& Format() const { return format_; }

 private:
  TPaintTextFormat format_;
};

class TGPImageAttributes : public TGPObject {
 public:
  // Pixels whose colour lies between the two keys are left out when the image is drawn.
  TStatus SetColorKey(ARGB ColorLow, ARGB ColorHigh);
  bool HasKey() const { return hasKey_; }
  ARGB Key() const { return key_; }

 private:
  bool hasKey_ = false;
  ARGB key_ = 0;
};

// Draws on a bitmap or on a canvas.
class TGPGraphics : public TGPObject {
 public:
  explicit TGPGraphics(TGPImage* Image);
  explicit TGPGraphics(TCanvas& Canvas);

  TStatus Clear(ARGB Color);
  TStatus SetSmoothingMode(TSmoothingMode Mode);
  // -1 when the graphics cannot draw.
  int GetSmoothingMode() const;
  TStatus SetTextRenderingHint(TTextRenderingHint Hint);
  TStatus FillPath(const TGPBrush& Brush, const TGPGraphicsPath& Path);
  TStatus DrawPath(const TGPPen& Pen, const TGPGraphicsPath& Path);
  // A rectangle without width or height draws nothing and is Ok.
  TStatus FillRectangle(const TGPBrush& Brush, const TGPRectF& Rect);
  TStatus DrawRectangle(const TGPPen& Pen, const TGPRectF& Rect);
  TStatus DrawLine(const TGPPen& Pen, float X1, float Y1, float X2, float Y2);
  // At the image's own size.
  TStatus DrawImage(const TGPImage& Image, float X, float Y);
  TStatus DrawImage(const TGPImage& Image, const TGPRectF& Dest);
  TStatus DrawImage(const TGPImage& Image, const TGPRectF& Dest, const TGPImageAttributes& Attributes);
  TStatus SetClip(const TGPRegion& Region);
  TStatus SetClip(const TGPGraphicsPath& Path);
  TStatus ResetClip();
  TStatus DrawString(const String& Text, const TGPFont& Font, const TGPRectF& Layout,
                     const TGPStringFormat& Format, const TGPBrush& Brush);
  // Text starting at a point, unbounded.
  TStatus DrawString(const String& Text, const TGPFont& Font, const TGPPointF& Origin,
                     const TGPStringFormat& Format, const TGPBrush& Brush);
  TStatus MeasureString(const String& Text, const TGPFont& Font, const TGPRectF& Layout,
                        const TGPStringFormat& Format, TGPRectF& Bounds) const;

 private:
  TStatus DrawText(const String& Text, const TGPFont& Font, const TGPRectF& Box,
                   const TGPStringFormat& Format, const TGPBrush& Brush);
  std::unique_ptr<TSmoothPainter> painter_;
};

}  // namespace orv
