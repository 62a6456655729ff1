#pragma once
// Reading a JPEG file's structure without decoding it: its scans, the blocks they pass over, and
// the segments that carry no picture.
#include <cstddef>
#include <string>

#include "platform/rtl/Types.h"

namespace orv {

// The most scans a picture is taken to have: a progressive photo has about ten. Each scan of a
// progressive file is a pass over the whole picture, so a file of thousands of tiny scans
// would hold its reader for minutes; one of more than this is taken for damaged.
inline constexpr int kMaxJpegScans = 256;

// The most 8 x 8 blocks all the scans of a picture may pass over together: some thirty passes
// over a picture as large as the decoder holds, three times what a progressive photo makes,
// and about a quarter of a second of decoding. A few hundred scans over a large picture would
// take seconds at every drawing.
inline constexpr Int64 kMaxJpegScanBlocks = 48LL * 1000 * 1000;

// What the scans of a JPEG file cost its decoder.
struct TJpegScanCost {
  int Scans = 0;
  Int64 Blocks = 0;  // blocks of the scans' components, summed over the scans
};

// The scans (start-of-scan markers) in data and the blocks they cover, read marker by marker
// and over each scan's coded data; counting stops once either passes its bound above. Data that
// ends early gives what was counted.
TJpegScanCost JpegScanCost(const Byte* data, size_t size);

// Why a file whose scans cost more than the bounds allow is refused; "" when they do not.
String JpegScanCostText(const TJpegScanCost& cost);

// The text of the refusal of a file with too many scans.
String TooManyJpegScansText();

// data, a JPEG file, without its comment and application segments when these together weigh
// more than the rest of it (a photo carrying megabytes of comments): the picture as every reader
// draws it, at its own weight. The segments that say how its colours are coded (JFIF, Adobe)
// stay. data as it is otherwise, or when it is no JPEG file.
std::string JpegWithoutBulkySegments(std::string data);

}  // namespace orv
