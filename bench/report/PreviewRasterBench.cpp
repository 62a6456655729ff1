// Every page of the 10,000-row member list rasterised at 96 dpi through the preview's page
// drawing, against pdftoppm -r 96 on a PDF of the same pages: milliseconds per page for each,
// and their ratio. The PDF comes from Qt's PDF writer drawing the same pages, since the report
// library has no PDF export filter yet.
#include <cstdio>
#include <string>

#include "bench/BenchTiming.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Forms.h"
#include "platform/gui/PdfWriterCanvas.h"
#include "report/engine/PreviewPages.h"
#include "report/engine/PreviewWorkspace.h"
#include "bench/report/MemberRows.h"

using namespace orv;
using namespace orv::test;

int main() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize();
  RegisterStoreObjectClasses();
  TkvxReport report(nullptr);
  auto* page = new TkvxReportPage(&report);
  page->SetName("Page1");
  TMemberRow data = AddMemberRow(page, 0);
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
  {
    TPdfWriterCanvas writer(pdf, size.X * 0.75, size.Y * 0.75, 96);
    for (Integer i = 0; i < count; ++i) {
      if (i > 0) writer.NewPage();
      pages.DrawPage(i, &writer.Canvas(), 1, 1, 0, 0);
    }
    writer.Finish();
  }
  std::string command = "pdftoppm -r 96 '" + pdf + "' '" + (dir / "page").string() + "'";
  int status = 0;
  double theirs = Seconds([&] { status = std::system(command.c_str()); });
  std::filesystem::remove_all(dir);
  report.PreviewPages = nullptr;
  if (status != 0) {
    std::printf("pdftoppm failed (exit %d)\n", status);
    return 1;
  }
  std::printf("%d rows, %d pages at 96 dpi: preview %.2f ms per page, pdftoppm -r 96 %.2f ms per page,"
              " pdftoppm / preview = %.2f\n",
              rows, count, ours * 1000 / count, theirs * 1000 / count, theirs / ours);
  return 0;
}
