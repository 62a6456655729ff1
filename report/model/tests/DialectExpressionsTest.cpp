// The same report written in each of the four script dialects: its memos take data fields,
// arithmetic, IIF, aggregates, report variables and Set through bracketed expressions, and the PDF
// of every dialect reads the same.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "report/engine/Engine.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/Bands.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"
#include "report/model/tests/ModelTestSupport.h"
#include "report/pdf/PdfExport.h"

using namespace orv;
using namespace orv::test;

namespace {

struct TDialect {
  const char* Name;
  // A string literal and the equality operator as the dialect writes them.
  const char* Big;
  const char* Small;
  const char* Equals;
  const char* Script;
};

const TDialect kDialects[] = {
    {"PascalScript", "'big'", "'small'", "=", "begin\r\n  Set('Start', 7);\r\nend."},
    {"C++Script", "\"big\"", "\"small\"", "==", "{\r\n  Set(\"Start\", 7);\r\n}"},
    {"BasicScript", "\"big\"", "\"small\"", "=", "Set(\"Start\", 7)\r\n"},
    {"JScript", "\"big\"", "\"small\"", "==", "Set(\"Start\", 7);\r\n"},
};

// Runs the report of one dialect over four rows and returns its PDF's text (errors on failure).
std::string RunDialect(const TDialect& d, const std::string& dir) {
  RegisterTestClasses();
  kvxRegisterEngine();
  TComponent window(nullptr);
  auto* rows = new TkvxUserDataSet(&window);
  rows->SetName("Q");
  rows->SetRangeEnd(reCount);
  rows->SetRangeEndCount(4);
  rows->Fields()->SetText("n\r\nname");
  rows->OnGetValue = [rows](const String& field, Variant& value) {
    const Integer n = rows->RecNo() + 1;
    if (SameText(field, "n")) value = n;
    else if (SameText(field, "name")) value = String(n % 2 ? "คี่" : "คู่");
  };
  TkvxReport report(&window);
  report.EngineOptions()->NewSilentMode = simSilent;
  report.SetScriptLanguage(d.Name);
  report.ScriptText()->SetText(d.Script);
  report.DataSets->Add()->SetDataSet(rows);
  report.Variables->SetVariable("Rate", Variant(String("3")));
  auto* page = new TkvxReportPage(&report);
  page->SetName("Page1");
  auto memo = [&](TkvxBand* band, const char* name, Extended left, Extended width, const String& text) {
    auto* m = new TkvxMemoView(band);
    m->SetName(name);
    m->SetBounds(left, 0, width, 20);
    m->Font()->SetName("Tahoma");
    m->SetText(kvxUtf8ToWide(text));
  };
  auto* data = new TkvxMasterData(page);
  data->SetName("Data");
  data->SetBounds(0, 40, 700, 20);
  data->SetDataSet(rows);
  memo(data, "Row", 0, 700,
       String("row [Q.\"n\"] [Q.\"name\"] x[<Q.\"n\"> * 10 + 1] ") + "[IIF(<Q.\"n\"> " + d.Equals + " 2, " + d.Big +
           ", " + d.Small + ")] rate [<Rate> * <Q.\"n\">] line [Line] [Set(" + String(1, d.Big[0]) + "VV" +
           String(1, d.Big[0]) + ", <Q.\"n\"> * 100)]vv [<VV>]");
  auto* summary = new TkvxReportSummary(page);
  summary->SetName("Summary");
  summary->SetBounds(0, 100, 700, 20);
  memo(summary, "Total", 0, 700, "sum [SUM(<Q.\"n\">, Data)] count [COUNT(Data)] max [MAX(<Q.\"n\"> * 2, Data)] start [<Start>]");
  if (!report.PrepareReport()) return "run failed: " + report.Errors->Text();
  std::string pdf = dir + "/" + d.Name + ".pdf";
  TkvxPDFExport filter(&window);
  filter.SetShowDialog(false);
  filter.SetShowProgress(false);
  filter.SetFileName(pdf);
  report.PreviewPages->Export(&filter);
  return PdfText(pdf);
}

}  // namespace

TEST(DialectExpressions, EveryDialectPrintsTheSameValues) {
  if (std::system("command -v pdftotext >/dev/null") != 0) GTEST_SKIP() << "pdftotext is not installed";
  std::string dir = TempFolder("dialects");
  const std::string expected =
      "row 1 คี่ x11 small rate 3 line 1 vv 100\n"
      "row 2 คู่ x21 big rate 6 line 2 vv 200\n"
      "row 3 คี่ x31 small rate 9 line 3 vv 300\n"
      "row 4 คู่ x41 small rate 12 line 4 vv 400\n"
      "sum 10 count 4 max 8 start 7\n\f";
  for (const TDialect& d : kDialects) {
    SCOPED_TRACE(d.Name);
    EXPECT_EQ(RunDialect(d, dir), expected);
  }
  std::filesystem::remove_all(dir);
}

TEST(DialectExpressions, ScriptsSetAnchorsAndFindTheirPages) {
  if (std::system("command -v pdftotext >/dev/null") != 0) GTEST_SKIP() << "pdftotext is not installed";
  RegisterTestClasses();
  kvxRegisterEngine();
  TComponent window(nullptr);
  auto* rows = new TkvxUserDataSet(&window);
  rows->SetName("Q");
  rows->SetRangeEnd(reCount);
  rows->SetRangeEndCount(2);
  TkvxReport report(&window);
  report.EngineOptions()->NewSilentMode = simSilent;
  report.ScriptText()->SetText(
      "procedure TitleAfter(Sender: TObject);\r\nbegin\r\n  Engine.NewPage;\r\n  Engine.AddAnchor('second');\r\n"
      "end;\r\n\r\nbegin\r\nend.");
  auto* page = new TkvxReportPage(&report);
  page->SetName("Page1");
  auto* title = new TkvxReportTitle(page);
  title->SetName("Title");
  title->SetBounds(0, 0, 700, 20);
  title->OnAfterPrint = "TitleAfter";
  auto* data = new TkvxMasterData(page);
  data->SetName("Data");
  data->SetBounds(0, 40, 700, 20);
  data->SetDataSet(rows);
  auto* memo = new TkvxMemoView(data);
  memo->SetName("Where");
  memo->SetBounds(0, 0, 400, 20);
  memo->SetText(u"anchor [Engine.GetAnchorPage('second')] none [Engine.GetAnchorPage('none')]");
  ASSERT_TRUE(report.PrepareReport()) << report.Errors->Text();
  std::string dir = TempFolder("anchors");
  TkvxPDFExport filter(&window);
  filter.SetShowDialog(false);
  filter.SetShowProgress(false);
  filter.SetFileName(dir + "/a.pdf");
  report.PreviewPages->Export(&filter);
  EXPECT_EQ(PdfText(dir + "/a.pdf"), "\fanchor 2 none 1\nanchor 2 none 1\n\f");
  std::filesystem::remove_all(dir);
}
