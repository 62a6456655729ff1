// Bands and subreports: child chains, band numbers, columns, counted rows, drill-down diffs, the
// subreport's page link, and bands laid out by their page.
#include <gtest/gtest.h>

#include "report/model/Bands.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

TEST(Bands, ChildChainsMayNotCloseOnThemselves) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  auto* a = new TkvxChild(page);
  auto* b = new TkvxChild(page);
  a->SetChild(b);
  try {
    b->SetChild(a);
    ADD_FAILURE() << "circle accepted";
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "Circular child reference is not allowed");
  }
  EXPECT_EQ(b->Child(), nullptr);
  EXPECT_THROW(a->SetChild(a), EComponentError);
  EXPECT_EQ(a->Child(), b);
  a->SetChild(nullptr);
  a->SetChild(b);
  delete b;
  EXPECT_EQ(a->Child(), nullptr);
}

TEST(Bands, NumbersColumnsAndCountedRows) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  EXPECT_EQ((new TkvxGroupFooter(page))->GetBandNumber(), 13);
  EXPECT_EQ((new TkvxOverlay(page))->GetBandNumber(), 17);
  EXPECT_EQ((new TkvxNullBand(page))->GetBandNumber(), 0);
  EXPECT_EQ((new TkvxDataBand(page))->GetBandNumber(), 0);
  EXPECT_EQ((new TkvxDataBand5(page))->GetBandNumber(), 10);
  EXPECT_EQ(kvxBandClasses().size(), 18u);
  auto* data = new TkvxMasterData(page);
  data->Columns = 3;
  data->ColumnWidth = 200;
  data->ColumnGap = 10;
  data->SetCurColumn(3);
  EXPECT_DOUBLE_EQ(data->Left(), 420);
  data->SetCurColumn(4);
  EXPECT_EQ(data->CurColumn(), 1);
  EXPECT_DOUBLE_EQ(data->Left(), 0);
  data->SetRowCount(5);
  TkvxUserDataSet* rows = data->VirtualDataSet();
  EXPECT_EQ(rows->RangeEndCount(), 5);
  int count = 0;
  for (rows->First(); !rows->Eof(); rows->Next()) ++count;
  EXPECT_EQ(count, 5);
  EXPECT_EQ(data->GetDescription(), "obDataBand");
}

TEST(Bands, DrillDownHeadersCarryTheirGroupInTheDiff) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  auto* templ = new TkvxGroupHeader(page);
  auto* copy = new TkvxGroupHeader(page);
  templ->SetTop(10);
  copy->SetTop(10);
  EXPECT_EQ(copy->Diff(templ), " t=\"10\"");
  copy->DrillDown = true;
  copy->DrillDownGroup = 7;
  EXPECT_EQ(copy->Diff(templ), " t=\"10\" Tag=\"7\"");
}

TEST(Bands, SubreportAndItsPageKnowEachOther) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  auto* band = new TkvxMasterData(page);
  auto* sub = new TkvxSubreport(band);
  EXPECT_EQ(sub->Traits & otInPreparedPages, 0);
  EXPECT_EQ(sub->Color(), clSilver);
  EXPECT_EQ(sub->Font()->Name(), "Tahoma");
  EXPECT_EQ(sub->Frame()->Typ().Mask(), 15u);
  auto* second = new TkvxReportPage(report.get());
  sub->SetPage(second);
  EXPECT_TRUE(second->IsSubReport());
  delete second;
  EXPECT_EQ(sub->Page(), nullptr);
  auto* third = new TkvxReportPage(report.get());
  sub->SetPage(third);
  delete sub;
  EXPECT_FALSE(third->IsSubReport());
  // Two subreports on one page: freeing the page leaves neither pointing at it.
  auto* first = new TkvxSubreport(band);
  auto* other = new TkvxSubreport(band);
  first->SetPage(third);
  other->SetPage(third);
  delete third;
  EXPECT_EQ(first->Page(), nullptr);
  EXPECT_EQ(other->Page(), nullptr);
  // Subreports that stand on the very page they name, freed with it.
  auto* own = new TkvxReportPage(report.get());
  auto* ownBand = new TkvxMasterData(own);
  (new TkvxSubreport(ownBand))->SetPage(own);
  (new TkvxSubreport(ownBand))->SetPage(own);
  delete own;
  // A page inside another page, named by two subreports of the outer one.
  auto* outer = new TkvxReportPage(report.get());
  auto* outerBand = new TkvxMasterData(outer);
  auto* inner = new TkvxReportPage(outer);
  auto* s1 = new TkvxSubreport(outerBand);
  auto* s2 = new TkvxSubreport(outerBand);
  s1->SetPage(inner);
  s2->SetPage(inner);
  delete outer;
  EXPECT_TRUE(report->Objects().size() >= 1);
}

TEST(Bands, PagesStretchHorizontalAndVerticalBands) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  page->SetDefaults();
  auto* title = new TkvxReportTitle(page);
  title->SetBounds(0, 0, 10, 40);
  auto* side = new TkvxMasterData(page);
  side->SetVertical(true);
  side->SetBounds(0, 50, 80, 10);
  page->AlignChildren();
  EXPECT_NEAR(title->Width(), 190 * 3.77953, 1e-9);
  EXPECT_NEAR(side->Height(), 277 * 3.77953 - 50, 1e-9);
  EXPECT_DOUBLE_EQ(side->Width(), 80);
  EXPECT_EQ(page->FindBand(TkvxDataBand::StaticClass()), side);
}
