#pragma once
// The one limit on decoded pictures. Every decoder compares the size a file's header claims
// with it before allocating pixels, so a file of a few hundred bytes cannot ask for gigabytes.
#include <algorithm>
#include <cmath>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

namespace orv {

// 2^24 pixels (64 MB at 32 bits): a 16-megapixel picture decodes whole; larger JPEG photos
// are decoded scaled down, other kinds are refused.
inline constexpr Int64 kMaxPicturePixels = Int64(1) << 24;

inline bool PictureFitsBudget(Int64 width, Int64 height) {
  // Each side alone first: the product of two hostile 64-bit sides would overflow.
  return width > 0 && height > 0 && width <= kMaxPicturePixels && height <= kMaxPicturePixels &&
         width * height <= kMaxPicturePixels;
}

// The largest size of the proportions of width x height that fits the budget, each side at
// least 1; the size itself when it fits. For copies drawn of a picture: a box or a header may
// ask for any size, the copy never holds more than the budget.
inline void FitPictureBudget(Int64& width, Int64& height) {
  if (width <= 0 || height <= 0 || PictureFitsBudget(width, height)) return;
  const long double k = std::sqrt(static_cast<long double>(kMaxPicturePixels) /
                                  (static_cast<long double>(width) * static_cast<long double>(height)));
  width = std::max<Int64>(1, static_cast<Int64>(static_cast<long double>(width) * k));
  height = std::max<Int64>(1, static_cast<Int64>(static_cast<long double>(height) * k));
  // A side of 1 may leave the other over the budget (a picture of 1 x 2^30).
  width = std::min(width, kMaxPicturePixels / height);
}

inline String PictureTooLargeText(Int64 width, Int64 height) {
  return "The picture is too large to show: " + std::to_string(width) + " x " + std::to_string(height) +
         " pixels (at most " + std::to_string(kMaxPicturePixels / 1000000) + " megapixels)";
}

// EInvalidGraphic naming the claimed size when it does not fit, or when a side is not positive.
inline void CheckPictureBudget(Int64 width, Int64 height) {
  if (width <= 0 || height <= 0)
    throw EInvalidGraphic("The picture states no size (" + std::to_string(width) + " x " +
                          std::to_string(height) + " pixels)");
  if (!PictureFitsBudget(width, height)) throw EInvalidGraphic(PictureTooLargeText(width, height));
}

}  // namespace orv
