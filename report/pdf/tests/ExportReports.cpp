#include "report/pdf/tests/ExportReports.h"

#include <gtest/gtest.h>

#include "report/engine/Engine.h"
#include "report/model/Bands.h"
#include "report/model/DataSets.h"
#include "report/model/LineView.h"
#include "report/model/MemoView.h"
#include "report/pdf/tests/PdfTesting.h"

namespace orv::testing {

std::unique_ptr<TkvxReport> NewReport(Extended paperHeight, Extended margin) {
  EnsureGraphics();
  kvxRegisterEngine();
  auto report = std::make_unique<TkvxReport>(nullptr);
  report->EngineOptions()->NewSilentMode = simSilent;
  auto* page = new TkvxReportPage(report.get());
  page->SetName("Page1");
  page->SetPaperWidth(210);
  page->SetPaperHeight(paperHeight);
  page->SetLeftMargin(margin), page->SetRightMargin(margin);
  page->SetTopMargin(margin), page->SetBottomMargin(margin);
  return report;
}

TkvxReportPage* FirstPage(TkvxReport& report) {
  for (Integer i = 0; i < report.ComponentCount(); ++i)
    if (auto* page = dynamic_cast<TkvxReportPage*>(report.Components(i))) return page;
  return nullptr;
}

TkvxMemoView* AddMemo(TkvxBand* band, const char* name, Extended left, Extended width, const WideString& text) {
  auto* memo = Add<TkvxMemoView>(band, name, left, 0, width, 20);
  memo->Font()->Assign(ReportFont("Tahoma", 10).get());
  memo->SetText(text);
  memo->SetStretchMode(smActualHeight);
  return memo;
}

TkvxUserDataSet* AddRows(TkvxReport& report, const char* name, int count) {
  auto* rows = new TkvxUserDataSet(&report);
  rows->SetName(name);
  rows->SetRangeEnd(reCount);
  rows->SetRangeEndCount(count);
  return rows;
}

std::unique_ptr<TkvxReport> ListReport() {
  auto report = NewReport(100, 0);
  TkvxReportPage* page = FirstPage(*report);
  auto* band = Add<TkvxMasterData>(page, "Data", 0, 0, 700, 30);
  band->SetDataSet(AddRows(*report, "Rows", 40));
  Add<TkvxLineView>(band, "Rule", 0, 29, 700, 0);
  EXPECT_TRUE(report->PrepareReport()) << report->Errors->Text();
  TkvxCustomPreviewPages& pages = *report->PreviewPages;
  for (Integer i = 0; i < pages.GetCount(); ++i) {
    pages.CurPage = i;
    pages.Outline->LevelRoot();
    pages.Outline->AddItem("หน้า " + std::to_string(i + 1), 10);
  }
  return report;
}

}  // namespace orv::testing
