#pragma once
// The basic value types every subsystem exchanges.
#include <cstdint>
#include <string>

namespace orv {

// 8-bit text is UTF-8; functions that count characters count code points.
using String = std::string;
// UTF-16, as the report library's wide strings.
using WideString = std::u16string;
// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using Int64 = std::int64_t;
using Byte = std::uint8_t;
using Word = std::uint16_t;
using LongWord = std::uint32_t;
using Extended = double;

struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const TRect&) const = default;
};

inline TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
inline TPoint Point(int x, int y) { return {x, y}; }

}  // namespace orv
