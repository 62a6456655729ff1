// The band engine over small reports, read back through the prepared report file they save.
// Pages are 100 mm high (377.953 pixels) unless said otherwise; rows are 20 pixels high.
#include <algorithm>

#include "report/engine/tests/EngineTestSupport.h"

namespace orv::test {
namespace {

using Rows = std::vector<std::map<String, Variant>>;
using Texts = std::vector<std::string>;

Rows Members(int n) {
  Rows rows;
  for (int i = 1; i <= n; ++i) rows.push_back({{"Name", Variant("N" + std::to_string(i))}});
  return rows;
}

TEST(Engine, PageNumbersOfTotalComeFromTheSecondPassAndPageFootersSumTheirPage) {
  TEngineReport r;
  r.Report->EngineOptions()->DoublePass = true;
  r.MemoView(r.Band<TkvxPageHeader>("PH", 0, 40), "Title", "Members", 40);
  auto* data = r.Band<TkvxMasterData>("Data", 60, 20);
  Rows rows = Members(40);
  for (int i = 0; i < 40; ++i) rows[i]["Amount"] = Variant(i + 1);
  data->SetDataSet(r.Data("M", rows));
  r.MemoView(data, "Row", "[Line]. [M.\"Name\"]");
  auto* footer = r.Band<TkvxPageFooter>("PF", 200, 30);
  r.MemoView(footer, "Foot", "Page [Page#] of [<TotalPages#>]", 30);
  r.MemoView(footer, "PageSum", "sum [SUM(<M.\"Amount\">)] running [SUM(<M.\"Amount\">,Data,2)]", 30)->SetLeft(310);
  // 377.953 - 40 - 30 leaves room for 15 rows: 15, 15 and 10. Page sums: 1 to 15 is 120, 16 to
  // 30 is 345, 31 to 40 is 355.
  auto pages = r.Run();
  ASSERT_EQ(pages.size(), 3u);
  Texts first{"Members"};
  for (int i = 1; i <= 15; ++i) first.push_back(std::to_string(i) + ". N" + std::to_string(i));
  first.insert(first.end(), {"Page 1 of 3", "sum 120 running 120"});
  EXPECT_EQ(pages[0], first);
  EXPECT_EQ(pages[1][1], "16. N16");
  EXPECT_EQ(pages[1][16], "Page 2 of 3");
  EXPECT_EQ(pages[1][17], "sum 345 running 465");
  EXPECT_EQ(pages[2].size(), 13u);
  EXPECT_EQ(pages[2][10], "40. N40");
  EXPECT_EQ(pages[2][11], "Page 3 of 3");
  EXPECT_EQ(pages[2][12], "sum 355 running 820");
}

TEST(Engine, AMemoGetsItsDesignTextBackAfterEveryRowAndAChangedTextPrintsFromTheNextRow) {
  // A memo's design text, paragraphs and all, goes back after every row and after the run; a
  // text the memo is given between runs is what the next run prints on every row.
  TEngineReport r;
  auto* data = r.Band<TkvxMasterData>("Data", 0, 40);
  data->SetDataSet(r.Data("M", Members(3)));
  r.MemoView(data, "Row", "[Line]. [M.\"Name\"]\r\nsecond", 40);
  // The run gives the report back as it was before: its objects are found again after it.
  auto memo = [&] { return static_cast<TkvxMemoView*>(r.Report->FindObject("Row")); };
  const WideString design = memo()->Text();
  auto pages = r.Run();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0], (Texts{"1. N1\r\nsecond", "2. N2\r\nsecond", "3. N3\r\nsecond"}));
  ASSERT_NE(memo(), nullptr);
  EXPECT_EQ(memo()->Text(), design);
  EXPECT_EQ(memo()->Memo()->Count(), 2);
  memo()->SetText(u"row [Line]");
  pages = r.Run();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0], (Texts{"row 1", "row 2", "row 3"}));
  ASSERT_NE(memo(), nullptr);
  EXPECT_EQ(memo()->Text(), u"row [Line]\r\n");
}

TEST(Engine, FirstAndLastPageRulesOfPageHeadersAndFooters) {
  TEngineReport r;
  auto* ph = r.Band<TkvxPageHeader>("PH", 0, 20);
  ph->PrintOnFirstPage = false;
  ph->SetPrintChildIfInvisible(true);
  r.MemoView(ph, "Head", "head");
  auto* child = r.Band<TkvxChild>("CH", 20, 20);
  r.MemoView(child, "ChildText", "child");
  ph->SetChild(child);
  auto* pf = r.Band<TkvxPageFooter>("PF", 300, 30);
  pf->PrintOnLastPage = false;
  r.MemoView(pf, "Foot", "foot", 30);
  auto* data = r.Band<TkvxMasterData>("Data", 60, 20);
  data->SetDataSet(r.Data("M", Members(40)));
  r.MemoView(data, "Row", "[M.\"Name\"]");
  // Page 1: the child alone stands for the header, 16 rows (327.953 free); page 2: header and
  // child, 15 rows; page 3: the other 9 rows and no footer.
  auto pages = r.Run();
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[0].front(), "child");
  EXPECT_EQ(pages[0].size(), 18u);
  EXPECT_EQ(pages[0][16], "N16");
  EXPECT_EQ(pages[0].back(), "foot");
  EXPECT_EQ(pages[1][0] + pages[1][1] + pages[1][2], "headchildN17");
  EXPECT_EQ(pages[1].back(), "foot");
  EXPECT_EQ(pages[2].size(), 11u);
  EXPECT_EQ(pages[2].back(), "N40");
}

TEST(Engine, GroupsPrintTheirFootersWithAggregatesAndRunningTotals) {
  TEngineReport r(297);
  Rows rows;
  const char* zones = "AAABCCC";
  for (int i = 0; i < 7; ++i) rows.push_back({{"Zone", Variant(String(1, zones[i]))}, {"Amount", Variant(i + 1)}});
  auto* m = r.Data("M", rows);
  auto* gh = r.Band<TkvxGroupHeader>("GH", 20, 20);
  gh->Condition = "M.\"Zone\"";
  r.MemoView(gh, "Zone", "Zone [M.\"Zone\"]");
  auto* data = r.Band<TkvxMasterData>("Data", 40, 20);
  data->SetDataSet(m);
  r.MemoView(data, "Row", "[Line] [M.\"Amount\"]");
  auto* gf = r.Band<TkvxGroupFooter>("GF", 60, 20);
  r.MemoView(gf, "Totals",
         "n=[COUNT(Data)] sum=[SUM(<M.\"Amount\">,Data)] avg=[AVG(<M.\"Amount\">,Data)] min=[MIN(<M.\"Amount\">,Data)] "
         "max=[MAX(<M.\"Amount\">,Data)] run=[SUM(<M.\"Amount\">,Data,2)]");
  r.MemoView(r.Band<TkvxReportSummary>("Sum", 100, 20), "Total", "total=[SUM(<M.\"Amount\">)] rows=[COUNT(Data)]");
  auto pages = r.Run();
  ASSERT_EQ(pages.size(), 1u);
  Texts expected{"Zone A", "1 1", "2 2", "3 3", "n=3 sum=6 avg=2 min=1 max=3 run=6",
                 "Zone B", "1 4", "n=1 sum=4 avg=4 min=4 max=4 run=10",
                 "Zone C", "1 5", "2 6", "3 7", "n=3 sum=18 avg=6 min=5 max=7 run=28",
                 "total=28 rows=7"};
  EXPECT_EQ(pages[0], expected);
}

TEST(Engine, GroupHeadersReprintOnNewPagesAndSingleRecordFootersHide) {
  TEngineReport r;
  Rows rows;
  for (int i = 1; i <= 20; ++i) rows.push_back({{"Zone", Variant(String(i <= 18 ? "A" : "B"))}, {"Name", Variant("N" + std::to_string(i))}});
  rows.pop_back();  // zone B keeps one member
  auto* gh = r.Band<TkvxGroupHeader>("GH", 20, 20);
  gh->Condition = "M.\"Zone\"";
  gh->ReprintOnNewPage = true;
  r.MemoView(gh, "Zone", "Zone [M.\"Zone\"]");
  auto* data = r.Band<TkvxMasterData>("Data", 40, 20);
  data->SetDataSet(r.Data("M", rows));
  r.MemoView(data, "Row", "[M.\"Name\"]");
  auto* gf = r.Band<TkvxGroupFooter>("GF", 60, 20);
  gf->HideIfSingleDataRecord = true;
  r.MemoView(gf, "Count", "count [COUNT(Data)]");
  // 377.953 pixels: zone A's header and 17 rows fill page 1 (360); page 2 repeats the header.
  auto pages = r.Run();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].size(), 18u);
  EXPECT_EQ(pages[0].back(), "N17");
  EXPECT_EQ(pages[1], (Texts{"Zone A", "N18", "count 18", "Zone B", "N19"}));
}

TEST(Engine, AGroupThatStartsANewPageBreaksBeforeEveryGroupButTheFirst) {
  TEngineReport r;
  Rows rows;
  for (const char* zone : {"A", "A", "B", "C"}) rows.push_back({{"Zone", Variant(String(zone))}});
  auto* gh = r.Band<TkvxGroupHeader>("GH", 20, 20);
  gh->Condition = "M.\"Zone\"";
  gh->SetStartNewPage(true);
  r.MemoView(gh, "Zone", "Zone [M.\"Zone\"]");
  auto* data = r.Band<TkvxMasterData>("Data", 40, 20);
  data->SetDataSet(r.Data("M", rows));
  r.MemoView(data, "Row", "[Line]");
  EXPECT_EQ(r.Run(), (std::vector<Texts>{{"Zone A", "1", "2"}, {"Zone B", "1"}, {"Zone C", "1"}}));
}

TEST(Engine, MasterDetailAndSubdetailNestTheirRows) {
  TEngineReport r(297);
  auto* m = r.Data("M", {{{"Id", Variant(1)}}, {{"Id", Variant(2)}}, {{"Id", Variant(3)}}});
  auto* d = r.Data("D", {{{"Id", Variant(10)}, {"M", Variant(1)}}, {{"Id", Variant(11)}, {"M", Variant(1)}},
                         {{"Id", Variant(20)}, {"M", Variant(2)}}});
  auto* s = r.Data("S", {{{"Id", Variant(100)}, {"D", Variant(10)}}, {{"Id", Variant(200)}, {"D", Variant(20)}},
                         {{"Id", Variant(201)}, {"D", Variant(20)}}});
  d->Master = m, d->KeyField = "Id", d->MasterField = "M";
  s->Master = d, s->KeyField = "Id", s->MasterField = "D";
  auto* master = r.Band<TkvxMasterData>("Master", 20, 20);
  master->SetDataSet(m);
  r.MemoView(master, "MRow", "M[M.\"Id\"]");
  auto* detail = r.Band<TkvxDetailData>("Detail", 40, 20);
  detail->SetDataSet(d);
  detail->PrintIfDetailEmpty = true;
  r.MemoView(detail, "DRow", "D[D.\"Id\"]");
  auto* sub = r.Band<TkvxSubdetailData>("Sub", 60, 20);
  sub->SetDataSet(s);
  r.MemoView(sub, "SRow", "S[S.\"Id\"]");
  // The footer lies between the detail and the subdetail: it belongs to the detail.
  r.MemoView(r.Band<TkvxFooter>("DFoot", 50, 20), "DCount", "details [COUNT(Detail)]");
  auto pages = r.Run();
  ASSERT_EQ(pages.size(), 1u);
  // D11 has no subdetail rows and prints because it asks to; master 3 has no detail rows and does not.
  EXPECT_EQ(pages[0], (Texts{"M1", "D10", "S100", "D11", "details 2", "M2", "D20", "S200", "S201", "details 1"}));
}

TEST(Engine, EmptyDataPrintsOnlyWhenAskedAndBandErrorsStopTheRun) {
  {
    TEngineReport r;
    r.Report->EngineOptions()->PrintIfEmpty = false;
    r.MemoView(r.Band<TkvxPageHeader>("PH", 0, 40), "Title", "Members", 40);
    r.Band<TkvxMasterData>("Data", 60, 20)->SetDataSet(r.Data("M", {}));
    EXPECT_TRUE(r.Run().empty());
    r.Report->EngineOptions()->PrintIfEmpty = true;
    EXPECT_EQ(r.Run(), (std::vector<Texts>{{"Members"}}));
  }
  {
    TEngineReport r;
    r.Band<TkvxDetailData>("Early", 10, 20)->SetDataSet(r.Data("D", Members(1)));
    r.Band<TkvxMasterData>("Data", 60, 20)->SetDataSet(r.Data("M", Members(1)));
    r.Band<TkvxHeader>("Loose", 100, 20);
    r.Band<TkvxGroupHeader>("G", 120, 20);
    r.Band<TkvxGroupFooter>("LooseFooter", 5, 20);
    EXPECT_TRUE(r.Run(false).empty());
    // The texts of the library's English string table; the error list keeps its lines sorted.
    EXPECT_EQ(r.Report->Errors->Text(),
              "Incorrect band position: Early\r\nNo data band for the group G\r\nNo group header for LooseFooter\r\n"
              "Unconnected header/footer Loose\r\n");
  }
}

TEST(Engine, ObjectsOnThePageItselfPrintOnEachCopyAndAFailingRunReportsWhy) {
  TEngineReport r;
  // The page is changed after a run: the report must not be reloaded from its snapshot.
  r.Report->EngineOptions()->DestroyForms = false;
  r.Page->SetPageCount(2);
  auto* stamp = new TkvxMemoView(r.Page);
  stamp->SetName("Stamp");
  stamp->SetBounds(10, 300, 100, 20);
  stamp->SetText(u"stamp");
  auto* data = r.Band<TkvxMasterData>("Data", 60, 20);
  auto* m = r.Data("M", Members(1));
  data->SetDataSet(m);
  r.MemoView(data, "Row", "[M.\"Name\"]");
  EXPECT_EQ(r.Run(), (std::vector<Texts>{{"stamp", "N1"}, {"stamp", "N1"}}));
  EXPECT_DOUBLE_EQ(r.Pages().GetPage(1)->Objects()[0]->Objects()[0]->Top(), 300);

  // A group condition that names nothing fails the run, naming the group.
  r.Band<TkvxGroupHeader>("G", 40, 20)->Condition = "no such thing";
  EXPECT_FALSE(r.Report->PrepareReport());
  EXPECT_EQ(r.Report->Errors->Text().rfind("G: Error in expression 'no such thing'", 0), 0u) << r.Report->Errors->Text();
}

TEST(Engine, TwoBandsAtOnePositionBothPrintInChildOrder) {
  TEngineReport r;
  auto* a = r.Band<TkvxMasterData>("A", 40, 20);
  a->SetDataSet(r.Data("M", Members(2)));
  r.MemoView(a, "RowA", "a [M.\"Name\"]");
  auto* b = r.Band<TkvxMasterData>("B", 40, 20);
  b->SetDataSet(r.Data("K", Members(1)));
  r.MemoView(b, "RowB", "b [K.\"Name\"]");
  EXPECT_EQ(r.Run(), (std::vector<Texts>{{"a N1", "a N2", "b N1"}}));
}

String Lines(int n) {
  String text;
  for (int i = 1; i <= n; ++i) text += (i > 1 ? "\n" : "") + std::to_string(i);
  return text;
}

// A memo's lines as "\n"-separated text, without the memo's own line ends.
std::string Plain(std::string text) {
  std::erase(text, '\r');
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

int LineCount(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
}

// The height one more line adds to a memo of the given font size, 300 pixels wide.
Extended LineHeight(int fontSize) {
  RegisterEngineObjects();
  TkvxMemoView one(nullptr), two(nullptr);
  for (auto* memo : {&one, &two}) {
    memo->SetBounds(0, 0, 300, 20);
    memo->Font()->SetSize(fontSize);
  }
  one.SetText(u"1");
  two.SetText(u"1\n2");
  return two.CalcHeight() - one.CalcHeight();
}

TEST(Engine, StretchedMemosSplitAcrossPagesAndWhatLiesBelowFollowsTheLastPart) {
  const Extended space = 377.953 - 40 - 30;  // between page header and footer
  const Extended line = LineHeight(10);
  ASSERT_GT(line, 5);
  for (bool allowSplit : {true, false}) {
    TEngineReport r;
    r.MemoView(r.Band<TkvxPageHeader>("PH", 0, 40), "Title", "Head", 40);
    r.Band<TkvxPageFooter>("PF", 300, 30);
    auto* data = r.Band<TkvxMasterData>("Data", 60, 40);
    data->SetRowCount(1);
    data->SetAllowSplit(allowSplit);
    data->SetStretched(true);
    r.MemoView(data, "Long", Lines(50))->SetStretchMode(smActualHeight);
    // Lower than a line of its font: it prints all the same, clipped, under the last part.
    r.MemoView(data, "Below", "after")->SetTop(20);
    // Without AllowSplit the band is higher than a page and splits too. Every page takes as many
    // whole lines as its space holds; the text below follows the last of them.
    auto pages = r.Run();
    ASSERT_GE(pages.size(), 2u) << allowSplit;
    String joined;
    for (size_t p = 0; p < pages.size(); ++p) {
      ASSERT_GE(pages[p].size(), 2u);
      EXPECT_EQ(pages[p][0], "Head");
      std::string part = Plain(pages[p][1]);
      joined += (p ? "\n" : "") + part;
      if (p + 1 < pages.size()) {
        EXPECT_EQ(pages[p].size(), 2u);
        int lines = LineCount(part);
        EXPECT_LE(lines * line, space + 0.5) << "page " << p + 1;
        EXPECT_GT((lines + 1) * line, space - 0.5) << "page " << p + 1;
      }
    }
    EXPECT_EQ(joined, Lines(50)) << "a line is lost or printed twice";
    EXPECT_EQ(pages.back().back(), "after");
    TkvxComponent* band = r.Pages().GetPage(static_cast<Integer>(pages.size()) - 1)->Objects()[1];
    ASSERT_EQ(band->Objects().size(), 2u);
    TkvxComponent *last = band->Objects()[0], *below = band->Objects()[1];
    EXPECT_NEAR(below->Top(), last->Top() + last->Height(), 0.5);
  }
}

TEST(Engine, SplittingEndsWhenAPartPlacesNothingOrTheBandNeedsTooManyPages) {
  auto tallMemo = [](TEngineReport& r, const String& text, int fontSize) {
    auto* data = r.Band<TkvxMasterData>("Data", 0, 20);
    data->SetRowCount(1);
    data->SetAllowSplit(true);
    data->SetStretched(true);
    auto* memo = r.MemoView(data, "Tall", text);
    memo->SetStretchMode(smActualHeight);
    memo->Font()->SetSize(fontSize);
  };
  {
    TEngineReport r;
    ASSERT_GT(LineHeight(400), 377.953);
    tallMemo(r, "A\nB", 400);
    // Not one line fits on a fresh page: the memo is placed whole there, clipped by the page.
    auto pages = r.Run();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Plain(pages[0].at(0)), "A\nB");
  }
  {
    // 10 mm pages take one line of 12 points.
    TEngineReport r(10);
    Extended line = LineHeight(12);
    ASSERT_GT(line, 37.7953 / 2);
    ASSERT_LE(line, 37.7953);
    tallMemo(r, Lines(1100), 12);
    // One line a page would need 1,100 pages.
    EXPECT_FALSE(r.Report->PrepareReport());
    EXPECT_EQ(r.Report->Errors->Text(), "Data: the band needs more than 1000 pages\r\n");
    EXPECT_EQ(r.Pages().GetCount(), 1001);
  }
  {
    // Stopping the report while pages come in (the preview's Cancel does the same between two
    // pages) ends the split at once.
    TEngineReport r(10);
    tallMemo(r, Lines(1100), 20);
    r.Band<TkvxPageFooter>("PF", 300, 1)->OnBeforePrint = "PageDone";
    r.Report->ScriptText()->SetText(
        "var Pages: Integer;\r\nprocedure PageDone(Sender: TObject);\r\nbegin\r\n  Pages := Pages + 1;\r\n"
        "  if Pages = 4 then Report.Terminated := True;\r\nend;\r\nbegin\r\nend.");
    r.Report->PrepareReport();
    EXPECT_EQ(r.Report->Errors->Text(), "");
    EXPECT_LE(r.Pages().GetCount(), 6);
  }
}

TEST(Engine, KeepTogetherMovesAMasterRowWithItsDetails) {
  TEngineReport r;
  r.Band<TkvxPageHeader>("PH", 0, 40);
  r.Band<TkvxPageFooter>("PF", 300, 30);
  auto* m = r.Data("M", {{{"Id", Variant(1)}}, {{"Id", Variant(2)}}, {{"Id", Variant(3)}}});
  Rows details;
  for (int k = 1; k <= 3; ++k)
    for (int j = 1; j <= 5; ++j) details.push_back({{"M", Variant(k)}, {"Id", Variant(k * 10 + j)}});
  auto* d = r.Data("D", details);
  d->Master = m, d->KeyField = "Id", d->MasterField = "M";
  auto* master = r.Band<TkvxMasterData>("Master", 60, 20);
  master->SetDataSet(m);
  master->KeepTogether = true;
  r.MemoView(master, "MRow", "M[M.\"Id\"]");
  auto* detail = r.Band<TkvxDetailData>("Detail", 80, 20);
  detail->SetDataSet(d);
  r.MemoView(detail, "DRow", "[D.\"Id\"]");
  // Blocks of 120 pixels from 40: the third (280 to 400) passes 347.953 and moves whole.
  auto pages = r.Run();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].size(), 12u);
  EXPECT_EQ(pages[0].back(), "25");
  EXPECT_EQ(pages[1], (Texts{"M3", "31", "32", "33", "34", "35"}));
}

TEST(Engine, MultiColumnBandsFillTheirColumnsRowByRow) {
  TEngineReport r;
  auto* data = r.Band<TkvxMasterData>("Data", 20, 20);
  data->SetDataSet(r.Data("M", Members(5)));
  data->Columns = 2;
  data->ColumnWidth = 150;
  r.MemoView(data, "Row", "[M.\"Name\"]")->SetWidth(150);
  ASSERT_TRUE(r.Report->PrepareReport());
  TkvxReportPage* page = r.Pages().GetPage(0);
  std::vector<std::string> placed;
  for (TkvxComponent* band : page->Objects())
    placed.push_back(MemoText(band->Objects()[0]).value_or("?") + "@" +
                     std::to_string(static_cast<int>(band->Left())) + "," + std::to_string(static_cast<int>(band->Top())));
  EXPECT_EQ(placed, (Texts{"N1@0,0", "N2@150,0", "N3@0,20", "N4@150,20", "N5@0,40"}));
}

TEST(Engine, PageColumnsRepeatTheirHeaderAndCloseWithTheirFooter) {
  TEngineReport r;
  r.Page->SetColumns(2);  // at 0 and 100 mm
  r.MemoView(r.Band<TkvxPageHeader>("PH", 0, 40), "Head", "head");
  r.MemoView(r.Band<TkvxColumnHeader>("CH", 40, 20), "Col", "col");
  r.MemoView(r.Band<TkvxColumnFooter>("CF", 200, 20), "End", "end");
  auto* data = r.Band<TkvxMasterData>("Data", 80, 20);
  data->SetDataSet(r.Data("M", Members(40)));
  r.MemoView(data, "Row", "[M.\"Name\"]");
  // Each column holds 14 rows between 60 and 357.953 (the column footer's top).
  auto pages = r.Run();
  ASSERT_EQ(pages.size(), 2u);
  Texts first{"head", "col"};
  for (int i = 1; i <= 28; ++i) {
    first.push_back("N" + std::to_string(i));
    if (i == 14) first.insert(first.end(), {"end", "col"});
  }
  first.push_back("end");
  EXPECT_EQ(pages[0], first);
  EXPECT_EQ(pages[1].size(), 15u);
  EXPECT_EQ(pages[1][2], "N29");
  EXPECT_EQ(pages[1].back(), "end");
  TkvxReportPage* page = r.Pages().GetPage(0);
  ASSERT_EQ(page->Objects().size(), 33u);
  EXPECT_NEAR(page->Objects()[17]->Left(), 377.953, 1e-3);  // the second column's header
  EXPECT_NEAR(page->Objects()[17]->Top(), 40, 1e-9);
}

TEST(Engine, SubreportsPrintTheirPageInPlace) {
  TEngineReport r(297);
  auto* title = r.Band<TkvxReportTitle>("Title", 0, 30);
  r.MemoView(title, "Heading", "Heading");
  auto* subPage = new TkvxReportPage(r.Report.get());
  subPage->SetName("Page2");
  auto* sub = new TkvxSubreport(title);
  sub->SetName("Sub");
  sub->SetBounds(0, 10, 100, 20);
  sub->SetPage(subPage);
  auto* inner = new TkvxMasterData(subPage);
  inner->SetName("Inner");
  inner->SetBounds(0, 0, 300, 20);
  inner->SetDataSet(r.Data("M", Members(3)));
  r.MemoView(inner, "InnerRow", "in [M.\"Name\"]");
  auto* data = r.Band<TkvxMasterData>("Data", 60, 20);
  data->SetDataSet(r.Data("K", Members(1)));
  r.MemoView(data, "Row", "after [K.\"Name\"]");
  // The subreport's rows start 10 pixels into the title and end at 70; the page goes on there.
  ASSERT_TRUE(r.Report->PrepareReport()) << r.Report->Errors->Text();
  TkvxReportPage* page = r.Pages().GetPage(0);
  std::vector<std::string> placed;
  for (TkvxComponent* band : page->Objects())
    for (TkvxComponent* obj : band->Objects())
      if (auto text = MemoText(obj))
        placed.push_back(*text + "@" + std::to_string(static_cast<int>(band->Top())));
  EXPECT_EQ(placed, (Texts{"Heading@0", "in N1@10", "in N2@30", "in N3@50", "after N1@70"}));
}

TEST(Engine, SubreportsPrintedOnTheirParentBecomeObjectsOfTheBand) {
  TEngineReport r(297);
  // The engine itself, not the snapshot reload, must leave the title as designed.
  r.Report->EngineOptions()->DestroyForms = false;
  auto* title = r.Band<TkvxReportTitle>("Title", 0, 30);
  title->SetStretched(true);
  r.MemoView(title, "Heading", "Heading");
  auto* subPage = new TkvxReportPage(r.Report.get());
  subPage->SetName("Page2");
  auto* sub = new TkvxSubreport(title);
  sub->SetName("Sub");
  sub->SetBounds(200, 10, 100, 20);
  sub->SetPage(subPage);
  sub->PrintOnParent = true;
  auto* inner = new TkvxMasterData(subPage);
  inner->SetName("Inner");
  inner->SetBounds(0, 0, 300, 20);
  inner->SetDataSet(r.Data("M", Members(3)));
  r.MemoView(inner, "InnerRow", "in [M.\"Name\"]");
  // The three rows land inside the title at 200,10 / 30 / 50; the title stretches to 70.
  for (int run = 0; run < 2; ++run) {
    ASSERT_TRUE(r.Report->PrepareReport()) << r.Report->Errors->Text();
    TkvxReportPage* page = r.Pages().GetPage(0);
    ASSERT_EQ(page->Objects().size(), 1u);
    TkvxComponent* band = page->Objects()[0];
    EXPECT_DOUBLE_EQ(band->Height(), 70);
    std::vector<std::string> placed;
    for (TkvxComponent* obj : band->Objects())
      if (auto text = MemoText(obj))
        placed.push_back(*text + "@" + std::to_string(static_cast<int>(obj->Left())) + "," +
                         std::to_string(static_cast<int>(obj->Top())));
    EXPECT_EQ(placed, (Texts{"Heading@0,0", "in N1@200,10", "in N2@200,30", "in N3@200,50"}));
    // The report's own title is as designed again.
    EXPECT_EQ(title->Objects().size(), 2u);
    EXPECT_DOUBLE_EQ(title->Height(), 30);
  }
}

TEST(Aggregates, CallsParseAndEmptyOrNullValuesCountAsNothing) {
  TEngineReport r;
  auto* data = r.Band<TkvxMasterData>("Data", 20, 20);
  TkvxAggregateList list(r.Report.get(), [](const String&) { return Variant::MakeNull(); });
  Integer func = -1;
  bool dontReset = false, countInvisible = false;
  TkvxDataBand* band = nullptr;
  String expr;
  list.ParseName("Sum( Price * (1, 2) , Data, 3)", func, dontReset, countInvisible, band, expr);
  EXPECT_EQ(func, TkvxAggregateItem::fnSum);
  EXPECT_EQ(expr, "Price * (1, 2)");
  EXPECT_EQ(band, data);
  EXPECT_TRUE(dontReset && countInvisible);
  list.ParseName("count(Nowhere)", func, dontReset, countInvisible, band, expr);
  EXPECT_EQ(func, TkvxAggregateItem::fnCount);
  EXPECT_EQ(band, nullptr);
  EXPECT_THROW(list.ParseName("MAX(x, Data, two)", func, dontReset, countInvisible, band, expr), std::exception);

  auto* footer = r.Band<TkvxFooter>("F", 40, 20);
  list.AddCall("AVG(x)", "Memo1", footer, data);
  list.AddCall("MIN(x)", "Memo2", footer, data);
  // No rows: both give 0. Null rows leave AVG without a count and divide by nothing.
  EXPECT_EQ(list.GetValue(footer, 0, "AVG", "x", nullptr, 0), Variant(0));
  list.AddValue(data, 0);
  list.AddValue(data, 3);
  EXPECT_EQ(list.GetValue(footer, 0, "AVG", "x", data, 0), Variant(0));
  EXPECT_EQ(list.GetValue(footer, 1500, "MIN", "x", data, 0), Variant(0));
  EXPECT_TRUE(list.GetValue(footer, 0, "MAX", "x", data, 0).IsNull());
}

}  // namespace
}  // namespace orv::test
