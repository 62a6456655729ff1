#pragma once
// Cursor numbers of the class library and the hourglass guard.
#include "platform/rtl/Types.h"

namespace orv {

using TCursor = Integer;

inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;
// The class library numbers crSize like crSizeAll; -5 is unused.
inline constexpr TCursor crSize = -22;

class TBitmap;

// Enters a cursor of the program's own drawing in the screen's cursor table under id: pixels of
// the image's transparent colour are see-through, (hotX, hotY) is the point that clicks.
void RegisterCursor(TCursor id, TBitmap& image, int hotX, int hotY);
// The image and hot spot entered under id; false when none was.
bool RegisteredCursor(TCursor id, TBitmap& image, int& hotX, int& hotY);

// Shows the hourglass as the screen cursor for its lifetime and puts the previous cursor back
// when it ends, also when an exception leaves the scope.
class THourGlass {
 public:
  THourGlass();
  ~THourGlass();
  THourGlass(const THourGlass&) = delete;
  THourGlass& operator=(const THourGlass&) = delete;

 private:
  TCursor saved_;
};

}  // namespace orv
