#pragma once
// What a report or prepared-page file may give a numeric property: every number the file
// states is clamped, where the serializer reads it, to what a page can hold, so a file of a few
// hundred bytes cannot ask for millions of columns, pages or pixels.
#include "platform/rtl/TypInfo.h"

namespace orv {

// The longest paper side in millimetres (a 5 m roll).
inline constexpr Extended kvxMaxPaperLength = 5000;
// Columns of a page or a band.
inline constexpr Integer kvxMaxColumns = 100;
// Times one page is printed.
inline constexpr Integer kvxMaxPageCopies = 1000;
// Frame, shadow and line widths, arrow sizes, text gaps and spacing: pixels of 96 dpi (about
// 26 cm).
inline constexpr Extended kvxMaxLineWidth = 1000;
// Positions and sizes of objects: pixels of 96 dpi, well beyond the longest paper.
inline constexpr Extended kvxMaxCoordinate = 1e6;

Int64 kvxClampReadOrd(const TPropInfo& prop, Int64 value);
Extended kvxClampReadFloat(const TPropInfo& prop, Extended value);
// Left, top, width and height of an object.
Extended kvxClampCoordinate(Extended value);

}  // namespace orv
