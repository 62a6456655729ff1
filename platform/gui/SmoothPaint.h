#pragma once
// Antialiased drawing with alpha, gradients, paths and decoded images: what the control kit's
// drawing layer maps its objects onto. Coordinates are floating-point pixels: areas run between
// pixel edges (a rectangle 0, 0, 10, 10 covers ten whole columns), while lines and outlines are
// centred on the pixels they name, so a one-pixel line at x = 0 covers exactly the first column.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/Graphics.h"

namespace orv {

class TCanvas;

// 0xAARRGGBB, not premultiplied.
using TArgb = std::uint32_t;

struct TPaintPoint {
  float X = 0, Y = 0;
};

struct TPaintRect {
  float X = 0, Y = 0, Width = 0, Height = 0;
};

// Figures of lines, elliptic arcs, rectangles and ellipses; arcs and lines of one figure join.
class TPaintPath {
 public:
  // Winding fills every enclosed area; alternate (even-odd) leaves holes where figures overlap.
  explicit TPaintPath(bool winding = false);
  TPaintPath(const TPaintPath& other);
  TPaintPath& operator=(const TPaintPath& other);
  ~TPaintPath();

  void AddLine(float x1, float y1, float x2, float y2);
  // Part of the ellipse in the box, from startAngle sweeping sweepAngle degrees clockwise on
  // screen (0 degrees points right).
  void AddArc(const TPaintRect& box, float startAngle, float sweepAngle);
  void AddRectangle(const TPaintRect& r);
  void AddEllipse(const TPaintRect& r);
  // The other path's figures, as they are.
  void AddPath(const TPaintPath& other);
  void CloseFigure();
  // Points of the outline once curves are flattened; 0 for an empty path.
  int PointCount() const;

  struct Impl;
  const Impl& Data() const { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

// Pixels with alpha: the target of off-screen drawing and the decoded form of image files.
class TPaintImage {
 public:
  TPaintImage();
  // Transparent black pixels; a size of 0 or less gives a null image.
  TPaintImage(int width, int height);
  TPaintImage(const TPaintImage& other);
  TPaintImage& operator=(const TPaintImage& other);
  ~TPaintImage();

  // Decodes a BMP, JPEG, GIF, TIFF, ICO or PNG file's bytes with the platform's image readers;
  // false (and a null image) for bytes they cannot read, truncated or hostile ones included.
  bool Decode(const void* data, std::size_t size);
  // From non-premultiplied 0xAARRGGBB pixels, top row first; false when the counts disagree.
  bool SetPixels(int width, int height, const std::vector<TArgb>& pixels);

  bool Null() const;
  int Width() const;
  int Height() const;
  // Outside the image: 0.
  TArgb Pixel(int x, int y) const;
  // The decoded file's type ("BMP", "JPEG", "PNG", "GIF", "TIFF", "ICO"); empty when made in
  // memory.
  const char* FileFormat() const;

  struct Impl;
  Impl& Data() const { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

// A hatch tile of 8 x 8 pixels, one byte a row, the leftmost pixel in the high bit; a set bit is
// drawn in the foreground colour. Tiles line up with the device's origin, so neighbouring areas
// hatched alike join without a seam.
using TPaintHatch = std::array<unsigned char, 8>;

struct TPaintStop {
  float Position = 0;
  TArgb Color = 0;
};

// How an area is filled.
class TPaintBrush {
 public:
  static TPaintBrush Solid(TArgb color);
  static TPaintBrush Hatch(const TPaintHatch& pattern, TArgb foreground, TArgb background);
  // From color1 to color2 across r at angleDegrees (0 runs left to right, 90 top to bottom);
  // the angle is taken in r's own proportions, so 45 runs corner to corner. Repeats outside r.
  static TPaintBrush Linear(const TPaintRect& r, float angleDegrees, TArgb color1, TArgb color2);
  // Colours from the outline of path (position 0) to its centre point (position 1), along the
  // rays from the centre.
  static TPaintBrush PathGradient(const TPaintPath& path);
  static TPaintBrush Texture(const TPaintImage& image);

  // Replaces the two colours of a gradient with several; positions 0 to 1.
  void SetStops(std::vector<TPaintStop> stops);
  // Blends linear gradients in linear light rather than in the stored values.
  void SetGammaCorrection(bool value);
  void SetCenterColor(TArgb color);
  void SetSurroundColor(TArgb color);
  void SetCenterPoint(TPaintPoint point);

  struct Impl;
  const Impl& Data() const { return *impl_; }
  TPaintBrush(const TPaintBrush& other);
  TPaintBrush& operator=(const TPaintBrush& other);
  ~TPaintBrush();

 private:
  TPaintBrush();
  std::unique_ptr<Impl> impl_;
};

enum TPaintDash { pdSolid, pdDash, pdDot, pdDashDot, pdDashDotDot };

struct TPaintPen {
  TArgb Color = 0xFF000000;
  float Width = 1;
  TPaintDash Dash = pdSolid;
};

enum TPaintAlign { paNear, paCenter, paFar };

struct TPaintTextFormat {
  TPaintAlign Alignment = paNear;
  TPaintAlign LineAlignment = paNear;
  // "&x" underlines x and the ampersand is not drawn ("&&" is one ampersand).
  bool ShowPrefix = false;
  bool NoWrap = false;
};

// Draws on an image or on a canvas (a control's paint, a bitmap). Drawing on a canvas keeps the
// canvas's own painter state: what is changed here is undone when the painter is freed.
class TSmoothPainter {
 public:
  explicit TSmoothPainter(TPaintImage& image);
  // A canvas that cannot draw gives a painter that draws nothing (Active false).
  explicit TSmoothPainter(TCanvas& canvas);
  TSmoothPainter(const TSmoothPainter&) = delete;
  TSmoothPainter& operator=(const TSmoothPainter&) = delete;
  ~TSmoothPainter();

  bool Active() const;
  bool Antialias() const;
  void SetAntialias(bool value);
  // Every pixel becomes color (the alpha included, nothing blended).
  void Clear(TArgb color);
  void FillPath(const TPaintBrush& brush, const TPaintPath& path);
  void DrawPath(const TPaintPen& pen, const TPaintPath& path);
  void FillRect(const TPaintBrush& brush, const TPaintRect& r);
  void DrawRect(const TPaintPen& pen, const TPaintRect& r);
  void DrawLine(const TPaintPen& pen, float x1, float y1, float x2, float y2);
  // Scaled into dest; with a key, pixels of that colour (alpha ignored) are left out.
  void DrawImage(const TPaintImage& image, const TPaintRect& dest);
  void DrawImageKeyed(const TPaintImage& image, const TPaintRect& dest, TArgb key);
  void SetClip(const TPaintPath& path);
  void ResetClip();
  void DrawText(const String& text, const TFont& font, TArgb color, const TPaintRect& box,
                const TPaintTextFormat& format);
  // The size the text takes in box (its width and height limit the lines; 0 means no limit).
  TPaintRect MeasureText(const String& text, const TFont& font, const TPaintRect& box,
                         const TPaintTextFormat& format) const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace orv
