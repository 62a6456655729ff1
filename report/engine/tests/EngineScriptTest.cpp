// The band engine with the register's own memos: group conditions, aggregates and memo texts are
// the report's expressions, and the report's script runs on the engine's events.
#include "report/engine/tests/EngineTestSupport.h"

namespace orv::test {
namespace {

using Rows = std::vector<std::map<String, Variant>>;
using Texts = std::vector<std::string>;

Rows Parishioners() {
  // Zones compare on their first letter only: A1 and A2 are one group.
  const char* zones[] = {"A1", "A2", "B1", "C1", "C2"};
  Rows rows;
  for (int i = 0; i < 5; ++i)
    rows.push_back({{"Zone", Variant(String(zones[i]))}, {"Name", Variant("N" + std::to_string(i + 1))},
                    {"Amount", Variant(i + 1)}});
  return rows;
}

TEST(EngineScript, GroupConditionAndAggregatesAreExpressions) {
  TEngineReport r(297);
  auto* m = r.Data("M", Parishioners());
  auto* gh = r.Band<TkvxGroupHeader>("GH", 20, 20);
  gh->Condition = "Copy(<M.\"Zone\">, 1, 1)";
  r.MemoView(gh, "Zone", "Zone [Copy(<M.\"Zone\">, 1, 1)]");
  auto* data = r.Band<TkvxMasterData>("Data", 40, 20);
  data->SetDataSet(m);
  r.MemoView(data, "Row", "[Line] [M.\"Name\"]");
  auto* gf = r.Band<TkvxGroupFooter>("GF", 60, 20);
  r.MemoView(gf, "Totals", "twice=[SUM(<M.\"Amount\"> * 2, Data)] n=[COUNT(Data)]");
  r.MemoView(r.Band<TkvxReportSummary>("Sum", 100, 20), "Total", "total=[SUM(<M.\"Amount\"> + 10, Data)]");
  auto pages = r.Run();
  ASSERT_EQ(pages.size(), 1u);
  // Amounts 1..5: A holds 1 and 2 (twice 6), B holds 3 (6), C holds 4 and 5 (18); the summary
  // adds 10 to each of the five amounts: 15 + 50.
  Texts expected{"Zone A", "1 N1", "2 N2", "twice=6 n=2", "Zone B", "1 N3", "twice=6 n=1",
                 "Zone C", "1 N4", "2 N5", "twice=18 n=2", "total=65"};
  EXPECT_EQ(pages[0], expected);
}

TEST(EngineScript, PageOfTotalPagesComesFromTheSecondPass) {
  TEngineReport r;
  r.Report->EngineOptions()->DoublePass = true;
  auto* data = r.Band<TkvxMasterData>("Data", 20, 20);
  Rows rows;
  for (int i = 1; i <= 20; ++i) rows.push_back({{"Name", Variant("N" + std::to_string(i))}});
  data->SetDataSet(r.Data("M", rows));
  r.MemoView(data, "Row", "[M.\"Name\"]");
  auto* footer = r.Band<TkvxPageFooter>("PF", 200, 30);
  r.MemoView(footer, "Foot", "Page [Page#] of [<TotalPages#>]", 30);
  // The bare marker is left, as a mark of its own, for the page's drawing, which knows the
  // final count.
  r.MemoView(footer, "Marker", "of [TotalPages#]", 30)->SetLeft(310);
  // 377.953 - 30 leaves room for 17 rows of 20: 17 and 3.
  auto pages = r.Run();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].size(), 19u);
  EXPECT_EQ(pages[0][16], "N17");
  EXPECT_EQ(pages[0][17], "Page 1 of 2");
  EXPECT_EQ(pages[1], (Texts{"N18", "N19", "N20", "Page 2 of 2", "of \uE002"}));
}

// The total's mark, left for the drawing, shares its first bytes with the page number's: a page
// number behind it is still put in.
TEST(EngineScript, PageNumberBehindTheTotalsMarkIsPutIn) {
  TEngineReport r;
  auto* data = r.Band<TkvxMasterData>("Data", 20, 20);
  Rows rows;
  for (int i = 1; i <= 20; ++i) rows.push_back({{"Name", Variant("N" + std::to_string(i))}});
  data->SetDataSet(r.Data("M", rows));
  r.MemoView(data, "Row", "[M.\"Name\"]");
  r.MemoView(r.Band<TkvxPageFooter>("PF", 200, 30), "Foot", "of [TotalPages#] page [Page#]", 30);
  auto pages = r.Run();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].back(), "of \uE002 page 1");
  EXPECT_EQ(pages[1].back(), "of \uE002 page 2");
}

TEST(EngineScript, ScriptEventsRunForEveryRowAndAroundTheReport) {
  TEngineReport r(297);
  auto* data = r.Band<TkvxMasterData>("Data", 20, 20);
  data->SetDataSet(r.Data("M", Parishioners()));
  auto* row = r.MemoView(data, "Row", "[Mark] [M.\"Name\"]");
  row->OnBeforePrint = "MarkRow";
  data->OnAfterPrint = "RowDone";
  r.Report->OnStartReport = "Started";
  r.Report->OnStopReport = "Stopped";
  r.Report->ScriptText()->SetText(
      "var Mark: String;\r\nvar Rows, Done, Starts, Stops: Integer;\r\n"
      "procedure Started(Sender: TObject);\r\nbegin\r\n  Starts := Starts + 1;\r\nend;\r\n"
      "procedure Stopped(Sender: TObject);\r\nbegin\r\n  Stops := Done;\r\nend;\r\n"
      "procedure RowDone(Sender: TObject);\r\nbegin\r\n  Done := Done + 1;\r\nend;\r\n"
      "procedure MarkRow(Sender: TObject);\r\nbegin\r\n  Rows := Rows + 1;\r\n"
      "  if Rows = 2 then Mark := 'second' else Mark := 'row';\r\nend;\r\n"
      "begin\r\nend.");
  auto pages = r.Run();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0], (Texts{"row N1", "second N2", "row N3", "row N4", "row N5"}));
  EXPECT_EQ(r.Report->Script->Find("Starts")->GetValue().ToInteger(), 1);
  EXPECT_EQ(r.Report->Script->Find("Stops")->GetValue().ToInteger(), 5);
}

TEST(EngineScript, ARepeatedValueShowsAgainAtTheTopOfTheNextPage) {
  TEngineReport r;
  auto* data = r.Band<TkvxMasterData>("Data", 0, 20);
  Rows rows;
  for (int i = 1; i <= 20; ++i) rows.push_back({{"Zone", Variant(String("A"))}, {"Name", Variant("N" + std::to_string(i))}});
  data->SetDataSet(r.Data("M", rows));
  r.MemoView(data, "Zone", "[M.\"Zone\"]")->SuppressRepeated = true;
  r.MemoView(data, "Row", "[Line] [M.\"Name\"]")->SetLeft(310);
  // 377.953 pixels hold 18 rows of 20; row 19 moves to the second page after it was filled.
  auto pages = r.Run();
  ASSERT_EQ(pages.size(), 2u);
  ASSERT_EQ(pages[0].size(), 36u);
  EXPECT_EQ(pages[0][0], "A");
  EXPECT_EQ(pages[0][1], "1 N1");
  EXPECT_EQ(pages[0][2], "");
  EXPECT_EQ(pages[0][35], "18 N18");
  EXPECT_EQ(pages[1], (Texts{"A", "19 N19", "", "20 N20"}));
}

}  // namespace
}  // namespace orv::test

namespace orv::test {
namespace {

TEST(EngineScript, TheReportsManualBuildMakesThePagesInsteadOfTheBandsOrThePageScript) {
  TEngineReport r;
  auto* data = r.Band<TkvxMasterData>("Data", 20, 20);
  data->SetDataSet(r.Data("M", Parishioners()));
  r.MemoView(data, "Row", "[Built]");
  // Report variables hold expressions.
  r.Report->Variables->SetVariable("Built", Variant(String("''")));
  // The page's own script name gives way to the report's handler.
  r.Page->OnManualBuild = "BuildByScript";
  r.Report->ScriptText()->SetText(
      "var ByScript: Integer;\r\nprocedure BuildByScript(Sender: TObject);\r\nbegin\r\n"
      "  ByScript := ByScript + 1;\r\nend;\r\nbegin\r\nend.");
  std::vector<TkvxReportPage*> built;
  r.Report->OnManualBuild = [&](TkvxReportPage* page) {
    built.push_back(page);
    // Twenty rows of the host's own making: the band fills the first page and goes on.
    for (int i = 1; i <= 20; ++i) {
      r.Report->Variables->SetVariable("Built", Variant("'host " + std::to_string(i) + "'"));
      r.Report->Engine->ShowBand(data);
    }
  };
  auto pages = r.Run();
  ASSERT_EQ(built.size(), 1u);
  EXPECT_EQ(built[0], r.Page);
  EXPECT_EQ(r.Report->Script->Find("ByScript")->GetValue().ToInteger(), 0);
  // 377.953 pixels hold 18 rows of 20.
  ASSERT_EQ(pages.size(), 2u);
  ASSERT_EQ(pages[0].size(), 18u);
  EXPECT_EQ(pages[0][0], "host 1");
  EXPECT_EQ(pages[1], (Texts{"host 19", "host 20"}));
}

// A run's handlers share one account, so what they keep in the script's globals is limited
// over the whole run; what a handler makes and the host frees before the next one goes back to
// that account: a thousand rows of 200 KB each (200 MB in all) stay under the 128 MB a report's
// script may hold, and the run ends with every row.
TEST(EngineScript, MemoryFreedBetweenHandlersGoesBackToTheRun) {
  TEngineReport r(297);
  auto* data = r.Band<TkvxMasterData>("Data", 20, 20);
  data->SetDataSet(r.Data("M", Rows(1000, {{"Name", Variant("N")}})));
  data->OnBeforePrint = "KeepRow";
  r.MemoView(data, "Row", "[M.\"Name\"]");
  r.Report->OnBeforePrint = [&r, data](TObject* obj) {
    if (obj == data) r.Report->Variables->SetVariable("Kept", Null());
  };
  r.Report->ScriptText()->SetText(
      "var big: String; i, n: Integer;\r\n"
      "procedure KeepRow(Sender: TObject);\r\nbegin\r\n  n := n + 1;\r\n"
      "  Set('Kept', Copy(big, 1, 200000 + n));\r\nend;\r\n"
      "begin\r\n  big := 'x';\r\n  for i := 1 to 18 do big := big + big;\r\nend.");
  const auto pages = r.Run();
  size_t printed = 0;
  for (const auto& page : pages) printed += page.size();
  EXPECT_EQ(printed, 1000u);
  EXPECT_EQ(r.Report->Script->Find("n")->GetValue().ToInteger(), 1000);
}

// The steps of all a run's events count together against the report's limit: forty rows of
// ten million steps each end at a limit of a hundred million that no one row reaches.
TEST(EngineScript, TheStepsOfAllEventsCountTogether) {
  TEngineReport r(297);
  auto* data = r.Band<TkvxMasterData>("Data", 20, 20);
  data->SetDataSet(r.Data("M", Rows(40, {{"Name", Variant("N")}})));
  data->OnBeforePrint = "Spend";
  r.MemoView(data, "Row", "[M.\"Name\"]");
  r.Report->ScriptText()->SetText(
      "var i, n: Integer;\r\nprocedure Spend(Sender: TObject);\r\nbegin\r\n"
      "  for i := 1 to 5000000 do n := n + 1;\r\nend;\r\nbegin\r\nend.");
  r.Report->Script->SetStepLimit(100'000'000);
  r.Run(false);
  EXPECT_NE(r.Report->Errors->Text().find("Step limit exceeded"), String::npos) << r.Report->Errors->Text();
  EXPECT_LT(r.Report->Script->Find("n")->GetValue().ToInteger(), 40 * 5000000);
}

// A memo's text set by the main block reaches the run's copy of the page as it stands: no file
// is read, so a text of more than 32 MB is no value too long for one (a prepared report that
// holds it is refused when read back, as a file).
TEST(EngineScript, AMemoTextOfMoreThan32MBSetByTheScriptRuns) {
  TEngineReport r(297);
  auto* data = r.Band<TkvxMasterData>("Data", 20, 20);
  data->SetDataSet(r.Data("M", Rows(1, {{"Name", Variant("N")}})));
  r.MemoView(data, "Row", "[M.\"Name\"]");
  r.MemoView(data, "Big", "")->SetLeft(200);
  r.Report->ScriptText()->SetText(
      "var s: String; i: Integer;\r\nbegin\r\n  s := '0123456789abcdef';\r\n"
      "  for i := 1 to 21 do s := s + s;\r\n  Big.Text := s + 'x';\r\n  s := '';\r\n  Big.Visible := False;\r\nend.");
  EXPECT_TRUE(r.Report->PrepareReport()) << r.Report->Errors->Text();
  EXPECT_EQ(r.Report->Errors->Text(), "");
  EXPECT_EQ(r.Pages().GetCount(), 1);
}

}  // namespace
}  // namespace orv::test
