#include "png/PngFilters.h"

#include <algorithm>

namespace orv {

namespace {

// Paeth with a fixed step lets the compiler keep the left and upper-left bytes in registers;
// the general loop serves the other steps.
template <size_t Step>
void UnpaethFixed(Byte* row, const Byte* prior, size_t length) {
  for (size_t i = 0; i < Step && i < length; ++i) row[i] = Byte(row[i] + prior[i]);
  for (size_t i = Step; i < length; ++i)
    row[i] = Byte(row[i] + PaethPredictor(row[i - Step], prior[i], prior[i - Step]));
}

void Unpaeth(Byte* row, const Byte* prior, size_t length, size_t step) {
  switch (step) {
    case 1: return UnpaethFixed<1>(row, prior, length);
    case 3: return UnpaethFixed<3>(row, prior, length);
    case 4: return UnpaethFixed<4>(row, prior, length);
    case 6: return UnpaethFixed<6>(row, prior, length);
    case 8: return UnpaethFixed<8>(row, prior, length);
  }
  for (size_t i = 0; i < step && i < length; ++i) row[i] = Byte(row[i] + prior[i]);
  for (size_t i = step; i < length; ++i)
    row[i] = Byte(row[i] + PaethPredictor(row[i - step], prior[i], prior[i - step]));
}

}  // namespace

void UnfilterRow(Byte filter, Byte* row, const Byte* prior, size_t length, size_t step) {
  switch (filter) {
    case pfSub:
      for (size_t i = step; i < length; ++i) row[i] = Byte(row[i] + row[i - step]);
      break;
    case pfUp:
      for (size_t i = 0; i < length; ++i) row[i] = Byte(row[i] + prior[i]);
      break;
    case pfAverage:
      for (size_t i = 0; i < step && i < length; ++i) row[i] = Byte(row[i] + prior[i] / 2);
      for (size_t i = step; i < length; ++i)
        row[i] = Byte(row[i] + ((row[i - step] + prior[i]) >> 1));
      break;
    case pfPaeth: Unpaeth(row, prior, length, step); break;
    default: break;
  }
}

void FilterRow(TFilter filter, const Byte* row, const Byte* prior, Byte* out, size_t length,
               size_t step) {
  for (size_t i = 0; i < length; ++i) {
    int a = i >= step ? row[i - step] : 0;
    int b = prior[i];
    int c = i >= step ? prior[i - step] : 0;
    switch (filter) {
      case pfNone: out[i] = row[i]; break;
      case pfSub: out[i] = Byte(row[i] - a); break;
      case pfUp: out[i] = Byte(row[i] - b); break;
      case pfAverage: out[i] = Byte(row[i] - ((a + b) >> 1)); break;
      case pfPaeth: out[i] = Byte(row[i] - PaethPredictor(a, b, c)); break;
    }
  }
}

size_t DifferenceSum(const Byte* filtered, size_t length, size_t limit) {
  size_t sum = 0;
  // Checked against the limit every 256 bytes: a branch per byte would cost more than it saves.
  for (size_t start = 0; start < length && sum <= limit; start += 256) {
    size_t end = std::min(length, start + 256);
    for (size_t i = start; i < end; ++i) {
      int v = filtered[i];
      sum += size_t(v < 128 ? v : 256 - v);
    }
  }
  return sum;
}

}  // namespace orv
