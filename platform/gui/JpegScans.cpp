#include "platform/gui/JpegScans.h"

namespace orv {

int JpegScanCount(const Byte* data, size_t size, int stopAfter) {
  int scans = 0;
  size_t at = 2;  // after the start-of-image marker
  while (at + 1 < size && scans < stopAfter) {
    if (data[at] != 0xFF) {
      ++at;
      continue;
    }
    const Byte marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte before a marker
      ++at;
      continue;
    }
    at += 2;
    if (marker == 0xD9) break;                                               // end of image
    if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (at + 1 >= size) break;
    const size_t length = static_cast<size_t>(data[at]) << 8 | data[at + 1];
    at += length;
    if (marker != 0xDA) continue;
    ++scans;
    // The coded data runs to the next marker: 0xFF is followed there by 0 (a stuffed byte) or
    // a restart marker only.
    while (at + 1 < size &&
           !(data[at] == 0xFF && data[at + 1] != 0x00 && !(data[at + 1] >= 0xD0 && data[at + 1] <= 0xD7)))
      ++at;
  }
  return scans;
}

String TooManyJpegScansText() {
  return "The JPEG picture is damaged: it has more than " + std::to_string(kMaxJpegScans) +
         " scans, far more than a photo has";
}

}  // namespace orv
