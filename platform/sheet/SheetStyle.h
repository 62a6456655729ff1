#pragma once
// The look of a cell: font, fill, four border edges, alignment and number format, kept once per
// workbook in a style table so that a cell carries only a small index.
#include <array>
#include <compare>
#include <map>
#include <vector>

#include "platform/rtl/Types.h"

namespace orv {

// Constants of the automation interface, as callers send them.
inline constexpr int xlNone = -4142;
inline constexpr int xlContinuous = 1;
inline constexpr int xlThin = 2;
inline constexpr int xlHAlignGeneral = 1;

// One border edge as the automation interface describes it: a line style and a weight constant
// and a 0x00BBGGRR colour.
struct SheetBorderEdge {
  int LineStyle = xlNone;
  int Weight = xlThin;
  int Color = 0;
  auto operator<=>(const SheetBorderEdge&) const = default;
};

// Edge indexes of the automation interface: left 7, top 8, bottom 9, right 10.
inline constexpr int xlEdgeLeft = 7;
inline constexpr int xlEdgeRight = 10;

// The font of cells whose style names none, as the written workbook declares it.
inline constexpr const char* SheetDefaultFontName = "Calibri";
inline constexpr double SheetDefaultFontSize = 11;

struct SheetStyle {
  String FontName;      // empty: the workbook's font
  double FontSize = 0;  // points; 0: the workbook's size
  int FontColor = -1;   // 0x00BBGGRR; -1: automatic
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  int FillColor = -1;   // -1: no fill
  std::array<SheetBorderEdge, 4> Edges;  // edge index - 7
  int HorizontalAlignment = xlHAlignGeneral;
  bool WrapText = false;
  int Orientation = 0;  // degrees
  String NumberFormat;  // empty: General
  auto operator<=>(const SheetStyle&) const = default;
};

// The distinct styles of a workbook; index 0 is the default style.
class SheetStyleTable {
 public:
  SheetStyleTable();
  std::uint32_t Intern(const SheetStyle& style);
  const SheetStyle& operator[](std::uint32_t id) const { return styles_[id]; }
  std::uint32_t Count() const { return static_cast<std::uint32_t>(styles_.size()); }

 private:
  std::vector<SheetStyle> styles_;
  std::map<SheetStyle, std::uint32_t> ids_;
};

}  // namespace orv
