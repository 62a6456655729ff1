#pragma once
// The row filters of the format: reversing them when reading, applying them when writing, and
// the measure the writer chooses one by.
#include <cstdlib>

#include "png/PngImage.h"

namespace orv {

// p = a + b - c is never formed: p - a = b - c, p - b = a - c, p - c = a + b - 2c, which
// compiles to conditional moves instead of branches.
inline Byte PaethPredictor(int a, int b, int c) {
  int pa = std::abs(b - c);
  int pb = std::abs(a - c);
  int pc = std::abs(a + b - 2 * c);
  int best = pb <= pc ? b : c;
  return Byte(pa <= pb && pa <= pc ? a : best);
}

// Reverses filter on row in place; prior is the row above (zeros on a pass's first row), step
// the filter distance. An unknown filter leaves the row as it is.
void UnfilterRow(Byte filter, Byte* row, const Byte* prior, size_t length, size_t step);

// Writes row filtered with filter to out.
void FilterRow(TFilter filter, const Byte* row, const Byte* prior, Byte* out, size_t length,
               size_t step);

// How far a filtered row is from all zeros: the sum of its bytes taken as signed differences.
// The smallest sum predicts the best compression of a row; counting stops once the sum passes
// limit, since the row can no longer win.
size_t DifferenceSum(const Byte* filtered, size_t length, size_t limit);

}  // namespace orv
