#pragma once
// The drawing tools of a canvas: font, pen and brush, and the small value types they use.
#include <functional>
#include <vector>

#include "platform/gui/Colors.h"
#include "platform/rtl/Persistent.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/TypInfo.h"

namespace orv {

struct TSize {
  int cx = 0;
  int cy = 0;
  bool operator==(const TSize&) const = default;
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// As an integer fsBold is 1, fsItalic 2, fsUnderline 4, fsStrikeOut 8.
using TFontStyles = TSet<TFontStyle>;

enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = Byte;
constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SYMBOL_CHARSET = 2;
constexpr TFontCharset THAI_CHARSET = 222;

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
// How the ends of a pen's strokes look. pecDefault is the cosmetic behaviour: a one-pixel line
// leaves out its last pixel, a wider one has round ends.
enum TPenEndCap { pecDefault, pecRound, pecSquare, pecFlat };
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

ORV_ENUM_INFO(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut);
ORV_SET_INFO(TFontStyles);
ORV_ENUM_INFO(TFontPitch, fpDefault, fpVariable, fpFixed);
ORV_ENUM_INFO(TPenStyle, psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame);
ORV_ENUM_INFO(TPenMode, pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot,
              pmMaskPenNot, pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask,
              pmXor, pmNotXor);
ORV_ENUM_INFO(TBrushStyle, bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal,
              bsCross, bsDiagCross);

using TNotifyHandler = std::function<void(TObject* sender)>;

// The largest font height, in pixels of the target, that is drawn as asked; larger heights
// are drawn at this one. A page is 7000 pixels tall at 600 dots per inch, while a font of
// 32,000 pixels once took gigabytes and seconds to measure.
inline constexpr int MaxFontHeight = 4096;

// What a font draws with, as a plain value (recorded in metafiles, compared cheaply).
struct TFontData {
  String Name = "Tahoma";
  // Pixels of the target device; negative is the character height without internal leading,
  // positive the cell height, as the class library means it.
  int Height = -11;
  TFontStyles Style;
  TColor Color = clWindowText;
  TFontCharset Charset = DEFAULT_CHARSET;
  TFontPitch Pitch = fpDefault;
  // Tenths of a degree, counter-clockwise.
  int Orientation = 0;
  bool operator==(const TFontData&) const = default;
};

struct TPenData {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = psSolid;
  TPenMode Mode = pmCopy;
  TPenEndCap EndCap = pecDefault;
  // Dash and gap lengths in pixels for a geometric pen; empty for the style's own pattern.
  std::vector<int> DashPattern;
  bool operator==(const TPenData&) const = default;
};

struct TBrushData {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
  bool operator==(const TBrushData&) const = default;
};

// A font: face, size and style. Size is in points at PixelsPerInch; Height in device pixels.
class TFont : public TPersistent {
  ORV_CLASS(TFont, TPersistent)

 public:
  TFont();
  void Assign(TPersistent* source) override;

  const String& Name() const { return data_.Name; }
  void SetName(const String& name);
  int Size() const;
  void SetSize(int points);
  int Height() const { return data_.Height; }
  void SetHeight(int height);
  TFontStyles Style() const { return data_.Style; }
  void SetStyle(TFontStyles style);
  TColor Color() const { return data_.Color; }
  void SetColor(TColor color);
  TFontCharset Charset() const { return data_.Charset; }
  void SetCharset(TFontCharset charset);
  TFontPitch Pitch() const { return data_.Pitch; }
  void SetPitch(TFontPitch pitch);
  int Orientation() const { return data_.Orientation; }
  void SetOrientation(int tenthsOfDegree);
  // The resolution that converts Size to Height; a canvas sets its device's resolution.
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int ppi);

  const TFontData& Data() const { return data_; }
  void SetData(const TFontData& data);

  TNotifyHandler OnChange;

 private:
  void Changed();
  TFontData data_;
  int pixelsPerInch_ = 96;
};

// A pen: the colour, width and pattern of lines and outlines.
class TPen : public TPersistent {
  ORV_CLASS(TPen, TPersistent)

 public:
  TPen();
  void Assign(TPersistent* source) override;

  TColor Color() const { return data_.Color; }
  void SetColor(TColor color);
  int Width() const { return data_.Width; }
  void SetWidth(int width);
  TPenStyle Style() const { return data_.Style; }
  void SetStyle(TPenStyle style);
  TPenMode Mode() const { return data_.Mode; }
  void SetMode(TPenMode mode);
  TPenEndCap EndCap() const { return data_.EndCap; }
  void SetEndCap(TPenEndCap cap);
  const std::vector<int>& DashPattern() const { return data_.DashPattern; }
  void SetDashPattern(std::vector<int> pattern);

  const TPenData& Data() const { return data_; }
  void SetData(const TPenData& data);

  TNotifyHandler OnChange;

 private:
  void Changed();
  TPenData data_;
};

// A brush: the colour and pattern that fill shapes.
class TBrush : public TPersistent {
  ORV_CLASS(TBrush, TPersistent)

 public:
  TBrush();
  void Assign(TPersistent* source) override;

  TColor Color() const { return data_.Color; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return data_.Style; }
  void SetStyle(TBrushStyle style);

  const TBrushData& Data() const { return data_; }
  void SetData(const TBrushData& data);

  TNotifyHandler OnChange;

 private:
  void Changed();
  TBrushData data_;
};

}  // namespace orv
