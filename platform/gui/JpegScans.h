#pragma once
// Counting the scans of a JPEG file without decoding it.
#include <cstddef>

#include "platform/rtl/Types.h"

namespace orv {

// The most scans a picture is taken to have: a progressive photo has about ten. Each scan of a
// progressive file is a pass over the whole picture, so a file of thousands of tiny scans
// would hold its reader for minutes; one of more than this is taken for damaged.
inline constexpr int kMaxJpegScans = 256;

// The number of scans (start-of-scan markers) in data, read marker by marker and over each
// scan's coded data; counting stops at stopAfter. Data that ends early gives what was counted.
int JpegScanCount(const Byte* data, size_t size, int stopAfter);

// The text of the refusal of a file with too many scans.
String TooManyJpegScansText();

}  // namespace orv
