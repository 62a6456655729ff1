// Report scripts reaching the report library: a report changing itself through its own script,
// and the members whose behaviour the bindings define themselves.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/DateTime.h"
#include "report/model/Bands.h"
#include "report/model/LineView.h"
#include "report/model/MemoView.h"
#include "report/model/Pages.h"
#include "report/model/ShapeView.h"
#include "report/model/Styles.h"
#include "report/model/Variables.h"
#include "report/model/tests/ModelTestSupport.h"
#include "script/tests/RunTestUtils.h"

namespace orv::test {
namespace {

// The report's objects under their names and the report as "Report", as the report's own
// script runner adds them.
void AddReportObjects(TsxScript& script, TkvxReport& report) {
  script.AddObject("Report", &report);
  for (TkvxComponent* obj : report.AllObjects())
    if (!obj->Name().empty()) script.AddObject(obj->Name(), obj);
}

TRunResult RunOn(TkvxReport& report, const String& text) {
  auto script = NewScript("PascalScript", text);
  AddReportObjects(*script, report);
  return RunScript(*script);
}

TEST(ReportBindings, ReportChangedByItsOwnScriptAndSaved) {
  RegisterTestClasses();
  const std::string dir = TempFolder("report-bindings");
  const std::string source = dir + "/source.xml";
  const std::string saved = dir + "/saved.xml";
  WriteFile(source,
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TkvxReport Version=\"4.7.84\" ScriptLanguage=\"PascalScript\" "
            "ScriptText.Text=\"begin&#13;&#10;"
            "  Line1.Left := 2 * kv1cm;&#13;&#10;"
            "  Line1.SetBounds(Line1.Left, 5, 150, 0);&#13;&#10;"
            "  Shape1.TagStr := '&#3614;&#3619;&#3632;';&#13;&#10;"
            "  Report.Variables['Parish'] := 'St John';&#13;&#10;"
            "  Report.FindObject('shape2').Parent := Report.FindObject('Title2');&#13;&#10;"
            "  Report.SaveToFile(Report.Variables['OutFile']);&#13;&#10;"
            "end.\">\n"
            "  <TkvxReportPage Name=\"Page1\" PaperWidth=\"210\" PaperHeight=\"297\" PaperSize=\"9\">\n"
            "    <TkvxReportTitle Name=\"Title1\" Height=\"100\" Width=\"718\">\n"
            "      <TkvxLineView Name=\"Line1\" Left=\"10\" Top=\"10\" Width=\"300\" Height=\"0\"/>\n"
            "      <TkvxShapeView Name=\"Shape1\" Left=\"200\" Top=\"20\" Width=\"80\" Height=\"40\"/>\n"
            "      <TkvxShapeView Name=\"Shape2\" Left=\"300\" Top=\"20\" Width=\"60\" Height=\"60\"/>\n"
            "    </TkvxReportTitle>\n"
            "    <TkvxReportSummary Name=\"Title2\" Top=\"200\" Height=\"100\" Width=\"718\"/>\n"
            "  </TkvxReportPage>\n</TkvxReport>\n");

  auto report = QuietReport();
  ASSERT_TRUE(report->LoadFromFile(source));
  report->Variables->SetVariable("OutFile", Variant(saved));
  // The report's own runner: its objects become script names and its text is compiled.
  ASSERT_TRUE(report->PrepareScript()) << report->Errors->Text();
  report->Script->Execute();

  auto back = QuietReport();
  ASSERT_TRUE(back->LoadFromFile(saved));
  auto* line = dynamic_cast<TkvxLineView*>(back->FindObject("Line1"));
  ASSERT_NE(line, nullptr);
  EXPECT_NEAR(line->Left(), 75.5906, 1e-4);
  EXPECT_DOUBLE_EQ(line->Top(), 5);
  EXPECT_DOUBLE_EQ(line->Width(), 150);
  auto* shape = dynamic_cast<TkvxShapeView*>(back->FindObject("Shape1"));
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(shape->TagStr(), "พระ");
  EXPECT_EQ(back->Variables->GetVariable("parish").ToString(), "St John");
  TkvxComponent* moved = back->FindObject("Shape2");
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(moved->Parent()->Name(), "Title2");
  EXPECT_DOUBLE_EQ(moved->AbsTop(), 220);
}

TEST(ReportBindings, MemosAndCalc) {
  RegisterTestClasses();
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  auto* thai = new TkvxMemoView(report.get());
  thai->SetName("Thai");
  thai->SetParent(page);
  thai->Font()->SetCharset(222);
  auto* plain = new TkvxMemoView(report.get());
  plain->SetName("Plain");
  plain->SetParent(page);
  plain->SetBounds(0, 0, 200, 40);
  // Two letters in code page 874, as an old file's 8-bit text holds them.
  report->Variables->SetVariable("Raw", Variant(std::string_view("\xA1\xA2")));
  ASSERT_TRUE(report->PrepareScript());
  TRunResult run = RunOn(*report,
                         "var w: TWideStrings;\n"
                         "begin\n"
                         "  Thai.Text := Report.Variables['Raw'];\n"
                         "  Plain.Text := 'สวัสดี';\n"
                         "  w := TWideStrings.Create;\n"
                         "  w.Add('one'); w.Add('สอง');\n"
                         "  Plain.Lines := w;\n"
                         "  w.Clear;\n"
                         "  ShowMessage(IntToStr(Plain.Lines.Count) + ' ' + Plain.Lines[1]);\n"
                         "  ShowMessage(FloatToStr(Plain.CalcHeight));\n"
                         "  ShowMessage(VarToStr(Report.Calc('6 * 7 + Length(''ab'')')));\n"
                         "  Report.Calc('1 +* 2');\n"
                         "end.");
  ASSERT_TRUE(run.Compiled) << run.CompileError << " at " << run.CompilePos;
  EXPECT_EQ(thai->Text(), u"กข\r\n");
  ASSERT_EQ(run.Lines.size(), 3u) << run.RunError << (run.Lines.empty() ? "" : run.Lines.back());
  EXPECT_EQ(run.Lines[0], "2 สอง");
  // The memo's own measure, not the height it was given, reached through the class that
  // registered CalcHeight.
  EXPECT_EQ(run.Lines[1], FloatToStr(plain->CalcHeight()));
  EXPECT_NE(run.Lines[1], "40");
  EXPECT_EQ(run.Lines[2], "44");
  EXPECT_EQ(run.RunError.rfind("Error in Calc expression: ", 0), 0u) << run.RunError;
  EXPECT_EQ(plain->Memo()->Count(), 2);
  EXPECT_TRUE(report->Errors->Count() == 0);
}

TEST(ReportBindings, ConstantsSetsAndDates) {
  TRunResult run = test::Run("PascalScript",
                       "var d: TDateTime;\n"
                       "begin\n"
                       "  ShowMessage(FloatToStr(kv1cm + kv1cm));\n"
                       "  ShowMessage(FloatToStr(kv1in / 5));\n"
                       "  ShowMessage(IntToStr(clTransparent) + ' ' + IntToStr(crZoom));\n"
                       "  ShowMessage(IntToStr(pbOutline) + ' ' + IntToStr(pbExportQuick) + ' ' + IntToStr(pbNoEmail));\n"
                       "  ShowMessage(IntToStr(fsx15cpi) + ' ' + IntToStr(ftBottom) + ' ' + IntToStr(baBottom));\n"
                       "  d := EncodeDate(2007, 2, 28) + 0.75;\n"
                       "  ShowMessage(IntToStr(DayOf(d)) + ' ' + IntToStr(MonthOf(d)) + ' ' + IntToStr(YearOf(d)));\n"
                       "  d := EncodeDate(543, 12, 31);\n"
                       "  ShowMessage(IntToStr(DayOf(d)) + ' ' + IntToStr(MonthOf(d)) + ' ' + IntToStr(YearOf(d)));\n"
                       "end.");
  ASSERT_EQ(run.RunError, "") << run.CompileError;
  const std::vector<String> expected{"75.5906", "19.2", "536870911 151", "64 2048 16384", "256 8 5", "28 2 2007",
                                     "31 12 543"};
  EXPECT_EQ(run.Lines, expected);
}

TEST(ReportBindings, WideStringsInsertAndFreedObjects) {
  TRunResult run = test::Run("PascalScript",
                       "var w: TWideStrings; o: TObject;\n"
                       "begin\n"
                       "  w := TWideStrings.Create;\n"
                       "  w.Insert(0, 'a');\n"
                       "  w.Insert(0, 'b');\n"
                       "  w.Insert(2, 'c');\n"
                       "  ShowMessage(IntToStr(w.Count) + ' ' + w[0] + w[1] + w[2]);\n"
                       "  o := TObject.Create;\n"
                       "  w.Objects[1] := o;\n"
                       "  if w.Objects[1] = o then ShowMessage('same');\n"
                       "  o.Free;\n"
                       "  if w.Objects[1] = nil then ShowMessage('nil');\n"
                       "  w.Insert(5, 'x');\n"
                       "end.");
  ASSERT_TRUE(run.Compiled) << run.CompileError << " at " << run.CompilePos;
  const std::vector<String> expected{"3 bac", "same", "nil"};
  EXPECT_EQ(run.Lines, expected);
  EXPECT_EQ(run.RunError, "Wide String Out of Bounds");
}

TEST(ReportBindings, VariablesStylesAndObjects) {
  RegisterTestClasses();
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  page->SetName("Page1");
  auto* band = new TkvxReportTitle(report.get());
  band->SetName("Band1");
  band->SetParent(page);
  band->SetTop(40);
  auto* line = new TkvxLineView(report.get());
  line->SetName("Line1");
  line->SetParent(band);
  line->SetBounds(12, 3, 0, 33);
  TkvxStyleItem* plain = report->Styles->Add();
  plain->SetName("Plain");
  TkvxStyleItem* red = report->Styles->Add();
  red->SetName("Red");
  red->SetColor(clRed);

  TRunResult run = RunOn(*report,
                         "var v: Variant; l: TList;\n"
                         "begin\n"
                         "  v := Report.Variables['Missing'];\n"
                         "  ShowMessage(IntToStr(VarType(v)));\n"
                         "  Report.Variables['Missing'] := 7;\n"
                         "  ShowMessage(IntToStr(Report.Variables['MISSING']));\n"
                         "  Report.Styles[0] := Report.Styles.Find('red');\n"
                         "  ShowMessage(Report.Styles[0].Name + ' ' + IntToStr(Report.Styles[0].Color));\n"
                         "  ShowMessage(FloatToStr(Line1.CalcHeight) + ' ' + FloatToStr(Line1.AbsTop));\n"
                         "  l := Page1.AllObjects;\n"
                         "  ShowMessage(IntToStr(l.Count) + ' ' + Line1.Page.Name + ' ' + Band1.Parent.Name);\n"
                         "  if Report.FindObject('nothing') = nil then ShowMessage('no object');\n"
                         "  if Report.GetDataset('none') = nil then ShowMessage('no data set');\n"
                         "end.");
  ASSERT_TRUE(run.Compiled) << run.CompileError << " at " << run.CompilePos;
  ASSERT_EQ(run.RunError, "");
  const std::vector<String> expected{"1", "7", "Red 255", "33 43", "2 Page1 Page1", "no object", "no data set"};
  EXPECT_EQ(run.Lines, expected);
  EXPECT_EQ(report->Styles->Items(0)->Color(), clRed);
  EXPECT_EQ(report->Styles->Count(), 2);
}

TEST(ReportBindings, EveryClassOfTheLibraryIsKnownToScripts) {
  // Written from the list of classes the report library gives its scripts.
  const char* names[] = {
      "TJPEGImage", "TPNGObject", "TWideStrings", "TkvxDataSet", "TkvxUserDataSet", "TkvxCustomDBDataSet",
      "TkvxComponent", "TkvxReportComponent", "TkvxDialogComponent", "TkvxDialogControl", "TkvxFrameLine", "TkvxFrame", "TkvxView",
      "TkvxShapeView", "TkvxStretcheable", "TkvxHighlight", "TkvxFormat", "TkvxCustomMemoView", "TkvxMemoView",
      "TkvxSysMemoView", "TkvxDMPMemoView", "TkvxCustomLineView", "TkvxLineView", "TkvxDMPLineView",
      "TkvxDMPCommand", "TkvxPictureView", "TkvxSubreport", "TkvxBand", "TkvxDataBand", "TkvxHeader",
      "TkvxFooter", "TkvxMasterData", "TkvxDetailData", "TkvxSubdetailData", "TkvxDataBand4", "TkvxDataBand5",
      "TkvxDataBand6", "TkvxPageHeader", "TkvxPageFooter", "TkvxColumnHeader", "TkvxColumnFooter",
      "TkvxGroupHeader", "TkvxGroupFooter", "TkvxReportTitle", "TkvxReportSummary", "TkvxChild", "TkvxOverlay",
      "TkvxPage", "TkvxReportPage", "TkvxDialogPage", "TkvxDMPPage", "TkvxDataPage", "TkvxEngineOptions", "TkvxPrintOptions",
      "TkvxPreviewOptions", "TkvxReportOptions", "TkvxVariable", "TkvxVariables", "TkvxStyleItem", "TkvxStyles",
      "TkvxArray", "TkvxReport", "TkvxCustomEngine", "TkvxCustomOutline"};
  TsxScript script(nullptr);
  script.AddRTTI();
  for (const char* name : names) EXPECT_NE(script.FindClass(name), nullptr) << name;
  // Published properties come with the class: a shape's Shape, a page's PaperWidth.
  ASSERT_NE(script.FindClass("TkvxShapeView"), nullptr);
  EXPECT_NE(script.FindClass("TkvxShapeView")->Find("Shape"), nullptr);
  EXPECT_NE(script.FindClass("TkvxDMPPage")->Find("PaperWidth"), nullptr);
  EXPECT_NE(script.FindClass("TkvxDMPPage")->Find("FontStyle"), nullptr);
}

}  // namespace
}  // namespace orv::test
