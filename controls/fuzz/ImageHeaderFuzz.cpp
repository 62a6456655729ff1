// libFuzzer target: any bytes named as any image kind give a size or 0 x 0, without reading
// past their end or looping.
#include <cstddef>
#include <cstdint>

#include "controls/ImageHeaderSize.h"

using namespace orv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<Byte> bytes(data, data + size);
  for (const char* name : {"a.jpg", "a.png", "a.bmp", "a.tiff", "a.gif"}) {
    TSize s = ImageFileHeaderSize(name, bytes);
    if (s.cx < 0 || s.cy < 0 || s.cx > 0xFFFF || s.cy > 0xFFFF) __builtin_trap();
  }
  return 0;
}
