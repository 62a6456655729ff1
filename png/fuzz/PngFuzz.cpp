// libFuzzer target: any input given to the PNG decoder or the gzip reader either loads or
// fails with the codec's own exceptions; whatever loaded can be saved and drawn again.
#include <cstddef>
#include <cstdint>

#include "png/KvxCompression.h"
#include "png/PngErrors.h"
#include "png/PngImage.h"

using namespace orv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream input;
  input.Write(data, Int64(size));

  input.SetPosition(0);
  TPngImage image;
  try {
    image.LoadFromStream(input);
  } catch (const EPngError&) {
    // A failed load keeps what was read; that must stay safe to use.
  }
  if (!image.Empty()) {
    TMemoryStream output;
    image.SaveToStream(output);
    image.RenderArgb();
  }

  input.SetPosition(0);
  TMemoryStream inflated;
  String fileName;
  try {
    kvxDecompressStream(input, inflated, fileName);
  } catch (const EZDecompressionError&) {
  }
  return 0;
}
