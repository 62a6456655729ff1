// drilldown_click ZOOM: shows a report with page margins and a closed drill-down group in the
// preview window at ZOOM, finds the group's header where the window shows it (its red fill),
// clicks there with xdotool and waits for the group to open. Exit 0 when it opened, 1 when not,
// 2 when the header is not to be seen.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/gui/Application.h"
#include "platform/gui/FormImage.h"
#include "report/engine/PreviewForm.h"
#include "report/engine/tests/EngineObjects.h"
#include "report/model/MemoView.h"

using namespace orv;
using namespace orv::test;

namespace {

void Wait(int milliseconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  double zoom = std::atof(argv[1]);
  RegisterEngineObjects();
  TRowsDataSet rows(nullptr);
  rows.SetName("M");
  for (int i = 1; i <= 6; ++i) rows.Rows.push_back({{"Zone", Variant(String(i <= 3 ? "A" : "B"))}, {"No", Variant(i)}});
  TkvxReport report(nullptr);
  report.DataSets->Add()->SetDataSet(&rows);
  report.PreviewOptions()->Modal = false;
  report.PreviewOptions()->Maximized = false;
  auto* page = new TkvxReportPage(&report);
  page->SetName("Page1");
  page->SetLeftMargin(10), page->SetTopMargin(10), page->SetRightMargin(10), page->SetBottomMargin(10);
  auto* group = new TkvxGroupHeader(page);
  group->SetName("Zone");
  group->SetBounds(0, 0, 600, 30);
  group->Condition = "M.\"Zone\"";
  group->DrillDown = true;
  auto* heading = new TkvxMemoView(group);
  heading->SetName("ZoneText");
  heading->SetBounds(0, 0, 200, 30);
  heading->SetColor(clRed);
  heading->SetText(u"หมู่ [M.\"Zone\"]");
  auto* data = new TkvxMasterData(page);
  data->SetName("Data");
  data->SetBounds(0, 40, 600, 20);
  data->SetDataSet(&rows);
  auto* no = new TkvxMemoView(data);
  no->SetName("RowNo");
  no->SetBounds(0, 0, 200, 20);
  no->SetText(u"[M.\"No\"]");
  if (!report.PrepareReport()) return 2;
  report.ShowPreparedReport();
  auto* preview = dynamic_cast<TkvxPreview*>(report.Preview());
  auto* form = preview ? dynamic_cast<TCustomForm*>(preview->Owner()) : nullptr;
  if (!form) return 2;
  form->SetBounds(0, 0, 1000, 760);
  preview->SetZoom(zoom);
  Wait(600);
  // The first group's red header as the window shows it.
  std::unique_ptr<TBitmap> image = GetFormImage(*form);
  int left = -1, top = -1, right = -1, bottom = -1;
  for (int y = 0; image && y < image->Height(); ++y)
    for (int x = 0; x < image->Width(); ++x)
      if (image->Canvas().Pixels(x, y) == clRed) {
        if (left < 0 || x < left) left = x;
        if (top < 0) top = y;
        right = std::max(right, x);
        bottom = y;
      }
  if (left < 0) return 2;
  // The middle of the first header: the closed second group's header follows right below it.
  TPoint at = form->ClientToScreen(TPoint{(left + right) / 2, top + static_cast<int>(15 * zoom)});
  std::printf("header at %d,%d-%d,%d, clicked at %d,%d\n", left, top, right, bottom, at.X, at.Y);
  std::fflush(stdout);
  std::string click = "xdotool mousemove " + std::to_string(at.X) + " " + std::to_string(at.Y) + " click 1";
  if (std::system(click.c_str()) != 0) return 2;
  for (int i = 0; i < 200 && report.DrillDownState->Count() == 0; ++i) Wait(15);
  std::printf("expanded: %s\n", report.DrillDownState->Text().c_str());
  bool opened = report.DrillDownState->Count() == 1 && report.DrillDownState->Strings(0) == "Zone.1";
  form->Close();
  Wait(100);
  return opened ? 0 : 1;
}
