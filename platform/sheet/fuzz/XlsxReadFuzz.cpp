// libFuzzer target: a workbook whose parts come from the input is read into the model or
// refused with EOleException; what is read can be laid out and its first page drawn.
// The input holds the worksheet, the shared texts, the styles and the workbook part one after
// the other, separated by lines "----"; a missing part is left out of the file.
#include <unistd.h>
#include <zip.h>

#include <QImage>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gui/Application.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/CanvasQt.h"
#include "platform/rtl/Dispatch.h"
#include "platform/rtl/FileUtils.h"
#include "platform/sheet/SheetPages.h"
#include "platform/sheet/SheetWorkbook.h"

using namespace orv;

namespace {

// zip_close reads the buffers: they live as long as the program.
const std::string kRels =
    "<Relationships><Relationship Id=\"r\" Type=\"x/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
const std::string kBookRels =
    "<Relationships><Relationship Id=\"s1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"t\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/>"
    "<Relationship Id=\"y\" Type=\"x/styles\" Target=\"styles.xml\"/></Relationships>";

bool Add(zip_t* z, const char* name, const std::string& data) {
  zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
  if (!src) return false;
  if (zip_file_add(z, name, src, ZIP_FL_OVERWRITE) < 0) {
    zip_source_free(src);
    return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A folder of this run's own in the shared temporary folder, gone when the run ends. Its name
  // is kept where no destructor reaches it before the removal at exit.
  static char folder[4096];
  static bool made = [] {
    std::string pattern = GetTempDir() + "orvane-xlsx-fuzz.XXXXXX";
    if (pattern.size() >= sizeof folder || !mkdtemp(pattern.data())) std::abort();
    std::memcpy(folder, pattern.c_str(), pattern.size() + 1);
    std::atexit([] { rmdir(folder); });
    return true;
  }();
  (void)made;
  static const std::string file = std::string(folder) + "/book.xlsx";
  static bool started = (Application->Initialize(), true);
  (void)started;

  std::vector<std::string> parts;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  for (size_t at = 0;;) {
    size_t end = input.find("\n----\n", at);
    parts.emplace_back(input.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
    if (end == std::string_view::npos || parts.size() == 4) break;
    at = end + 6;
  }
  parts.resize(4);
  if (parts[3].empty())
    parts[3] = "<workbook><sheets><sheet name=\"S\" sheetId=\"1\" id=\"s1\"/></sheets></workbook>";

  unlink(file.c_str());
  int error = 0;
  zip_t* z = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!z) return 0;
  const char* names[] = {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml", "xl/workbook.xml"};
  bool ok = Add(z, "_rels/.rels", kRels) && Add(z, "xl/_rels/workbook.xml.rels", kBookRels);
  for (size_t i = 0; ok && i < 4; ++i)
    if (!parts[i].empty()) ok = Add(z, names[i], parts[i]);
  if (!ok || zip_close(z) != 0) {
    if (ok) zip_discard(z);
    return 0;
  }

  // The folder is shared with everyone: the file goes as soon as it has been read.
  struct Remove {
    ~Remove() { unlink(file.c_str()); }
  } remove;
  try {
    auto book = ReadXlsx(file);
    SheetPageLayout layout(*book->Sheet(1));
    // A small image: the layout and the drawing are what is tried, not the pixels.
    QImage image(50, 70, QImage::Format_RGB32);
    image.setDotsPerMeterX(240);
    image.setDotsPerMeterY(240);
    TCanvas canvas;
    AttachCanvasDevice(canvas, &image);
    layout.DrawPage(canvas, 0);
    DetachCanvas(canvas);
  } catch (const EOleException&) {
  }
  return 0;
}
