// libFuzzer target: any bytes loaded as any registered graphic class either load or fail with an
// exception of the library, and what loads draws. The first byte picks the class among the file
// formats registered when the fuzzer starts, so a format registered later is fuzzed as well.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Picture.h"
#include "platform/rtl/Exceptions.h"
#include "png/PNGObject.h"

using namespace orv;

namespace {

// The extensions of "All (*.bmp;*.jpg;...)|..." of the open dialogs' filter.
std::vector<String> RegisteredExtensions() {
  String formats = TPicture::GetFileFormats();
  size_t open = formats.find('('), close = formats.find(')');
  std::vector<String> extensions;
  if (open == String::npos || close == String::npos) return extensions;
  String all = formats.substr(open + 1, close - open - 1);
  for (size_t start = 0; start <= all.size();) {
    size_t end = all.find(';', start);
    if (end == String::npos) end = all.size();
    String mask = all.substr(start, end - start);
    if (mask.size() > 2) extensions.push_back(mask.substr(2));
    start = end + 1;
  }
  return extensions;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<String> extensions = [] {
    Application->Initialize();
    // The PNG class registers itself when its unit is linked in.
    (void)TPNGObject::StaticClass();
    return RegisteredExtensions();
  }();
  if (size < 1 || extensions.empty()) return 0;
  std::unique_ptr<TGraphic> graphic = TPicture::CreateGraphicForFile("x." + extensions[data[0] % extensions.size()]);
  if (!graphic) __builtin_trap();
  TMemoryStream in;
  in.WriteBuffer(data + 1, static_cast<Int64>(size - 1));
  in.SetPosition(0);
  try {
    graphic->LoadFromStream(in);
  } catch (const Exception&) {
    return 0;
  }
  // A photo's box and a stretched thumbnail, as the windows and reports draw pictures.
  TBitmap box(64, 48, pf24bit);
  box.Canvas().StretchDraw(Rect(0, 0, 64, 48), *graphic);
  box.Canvas().StretchDraw(Rect(60, 40, -4, -8), *graphic);
  if (graphic->Width() < 0 || graphic->Height() < 0) __builtin_trap();
  return 0;
}
