// Every page of the 10,000-row member list rasterised at 96 dpi through the preview's page
// drawing, against poppler rendering the same pages, exported by the report's PDF filter, into
// images in memory as a viewer does (antialiased, text too): milliseconds per page for each, and
// their ratio.
#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-page-renderer.h>
#include <poppler/cpp/poppler-page.h>

#include <array>
#include <memory>
#include <cstdio>
#include <string>

#include "bench/BenchTiming.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Forms.h"
#include "report/engine/PreviewPages.h"
#include "report/engine/PreviewWorkspace.h"
#include "report/model/Bands.h"
#include "report/model/MemoView.h"
#include "report/model/Report.h"
#include "report/model/LegacyText.h"
#include "report/pdf/PdfExport.h"

using namespace orv;

namespace {

// The member list's data band: five of the register's own memos.
struct TMemberRow {
  TkvxMasterData* Band;
  std::array<TkvxMemoView*, 5> Memos;
};

TMemberRow AddMemberRow(TkvxReportPage* page) {
  TMemberRow row{new TkvxMasterData(page), {}};
  row.Band->SetName("Data");
  row.Band->SetBounds(0, 0, 700, 20);
  const char* names[] = {"No", "Name", "Surname", "Address", "Phone"};
  for (int i = 0; i < 5; ++i) {
    row.Memos[i] = new TkvxMemoView(row.Band);
    row.Memos[i]->SetName(names[i]);
    row.Memos[i]->SetBounds(i * 140, 0, 135, 20);
  }
  return row;
}

void FillMemberRow(const TMemberRow& row, int r) {
  const std::string texts[] = {std::to_string(r + 1), "สมชาย " + std::to_string(r), "ใจดี",
                               std::to_string(r % 300) + " หมู่ 4 ต.บ้านแพ้ว", "08" + std::to_string(10000000 + r)};
  for (int i = 0; i < 5; ++i) row.Memos[i]->SetText(kvxUtf8ToWide(texts[i]));
}

}  // namespace

int main() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize();
  kvxRegisterModelClasses();
  TkvxReport report(nullptr);
  auto* page = new TkvxReportPage(&report);
  page->SetName("Page1");
  TMemberRow data = AddMemberRow(page);
  TkvxPreviewPages pages(&report);
  report.PreviewPages = &pages;
  pages.Clear();
  pages.Initialize();
  pages.AddSourcePage(page);
  pages.BeginPass();
  const int rows = 10000;
  for (int r = 0; r < rows; ++r) {
    if (r % 50 == 0) pages.AddPage(page);
    data.Band->SetTop((r % 50) * 20);
    FillMemberRow(data, r);
    pages.AddObject(data.Band);
  }
  pages.Finish();
  Integer count = pages.GetCount();
  TPoint size = pages.GetPageSize(0);

  TForm form(nullptr);
  TkvxPreviewWorkspace workspace(&form, nullptr, false);
  workspace.PreviewPages = &pages;
  TBitmap bitmap(size.X, size.Y);
  double ours = Seconds([&] {
    for (Integer i = 0; i < count; ++i) workspace.DrawPage(bitmap.Canvas(), i, {0, 0, size.X, size.Y});
  });

  std::filesystem::path dir = BenchFolder("preview-raster");
  std::string pdf = (dir / "members.pdf").string();
  TkvxPDFExport filter(nullptr);
  filter.SetShowDialog(false);
  filter.SetFileName(pdf);
  if (!pages.Export(&filter)) {
    std::printf("the PDF export failed\n");
    return 1;
  }
  std::unique_ptr<poppler::document> document(poppler::document::load_from_file(pdf));
  const int popplerPages = document ? document->pages() : 0;
  poppler::page_renderer renderer;
  renderer.set_render_hints(poppler::page_renderer::antialiasing | poppler::page_renderer::text_antialiasing);
  bool rendered = popplerPages == count;
  double theirs = Seconds([&] {
    for (int i = 0; rendered && i < popplerPages; ++i) {
      std::unique_ptr<poppler::page> p(document->create_page(i));
      poppler::image image = renderer.render_page(p.get(), 96, 96);
      rendered = image.is_valid() && image.width() > 0;
    }
  });
  std::filesystem::remove_all(dir);
  report.PreviewPages = nullptr;
  if (!rendered) {
    std::printf("poppler did not render the %d pages (it read %d)\n", count, popplerPages);
    return 1;
  }
  std::printf("%d rows, %d pages at 96 dpi: preview %.2f ms per page, poppler into memory %.2f ms per page,"
              " poppler / preview = %.2f\n",
              rows, count, ours * 1000 / count, theirs * 1000 / count, theirs / ours);
  return 0;
}
