// libFuzzer target: any input loaded as a prepared report either loads or fails with an
// exception of the library, and a failed load leaves the pages that were shown as they were.
// What loads rebuilds every page, draws it as the preview does and exports it to PDF, and saves;
// that save loads again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "report/engine/Engine.h"
#include "report/engine/PreviewPages.h"
#include "report/engine/tests/StoreObjects.h"
#include "report/pdf/PdfExport.h"

using namespace orv;

namespace {

// A store that always shows one page of a known source, as a preview would.
struct TShown {
  TShown() : report(nullptr), pages(&report) {
    Application->Initialize();
    kvxRegisterEngine();
    test::RegisterStoreObjectClasses();
    report.EngineOptions()->NewSilentMode = simSilent;
    auto* page = new TkvxReportPage(&report);
    page->SetName("Page1");
    pages.AddSourcePage(page);
    pages.AddPage(page);
    pages.Finish();
  }
  TkvxReport report;
  TkvxPreviewPages pages;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TShown* shown = new TShown;
  std::string input(reinterpret_cast<const char*>(data), size);
  TStringStream in(input);
  try {
    shown->pages.LoadFromStream(in);
  } catch (const Exception&) {
    if (shown->pages.GetCount() < 1 || shown->pages.SourcePageCount() < 1) std::abort();
    return 0;
  }
  try {
    for (Integer i = 0; i < shown->pages.GetCount(); ++i) {
      shown->pages.GetPage(i);
      shown->pages.GetPageSize(i);
      // The preview at 100 % and zoomed in.
      TBitmap screen(400, 560);
      shown->pages.DrawPage(i, &screen.Canvas(), 1, 1, 0, 0);
      shown->pages.DrawPage(i, &screen.Canvas(), 3, 3, -50, -50);
    }
  } catch (const Exception&) {
    // Attribute values may be refused as the objects are rebuilt; the store stays usable.
  }
  try {
    static const std::string pdfFile = "/tmp/qpv-load-fuzz-" + std::to_string(getpid()) + ".pdf";
    TkvxPDFExport pdf(nullptr);
    pdf.SetShowDialog(false);
    pdf.SetShowProgress(false);
    pdf.SetFileName(pdfFile);
    shown->pages.Export(&pdf);
    std::remove(pdfFile.c_str());
  } catch (const Exception&) {
    // A refused export says so; it must not bring the program down.
  }
  TStringStream out;
  shown->pages.SaveToStream(out);
  TStringStream again(out.DataString());
  TkvxReport report(nullptr);
  TkvxPreviewPages reloaded(&report);
  reloaded.LoadFromStream(again);
  if (reloaded.GetCount() != shown->pages.GetCount()) std::abort();
  // The next input starts from a store that shows a page again.
  delete shown;
  shown = new TShown;
  return 0;
}
