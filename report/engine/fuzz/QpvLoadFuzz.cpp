// libFuzzer target: any input loaded as a prepared report either loads or fails with an
// exception of the library, and a failed load leaves the pages that were shown as they were.
// What loads rebuilds every page and saves, and that save loads again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/rtl/Exceptions.h"
#include "report/engine/PreviewPages.h"
#include "report/engine/tests/StoreObjects.h"

using namespace orv;

namespace {

// A store that always shows one page of a known source, as a preview would.
struct TShown {
  TShown() : report(nullptr), pages(&report) {
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
    }
  } catch (const Exception&) {
    // Attribute values may be refused as the objects are rebuilt; the store stays usable.
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
