// Variables (case-blind names, Null for the absent), the Variant-keyed array, and styles with
// their own files and their application to the report's text objects.
#include <gtest/gtest.h>

#include <filesystem>

#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

TEST(Variables, NamesCompareWithoutCaseAndReadingAddsNothing) {
  TkvxVariables vars;
  EXPECT_TRUE(vars.GetVariable("Total").IsNull());
  EXPECT_EQ(vars.Count(), 0);
  vars.SetVariable("Total", Variant(Integer(5)));
  vars.SetVariable("TOTAL", Variant(Integer(6)));
  EXPECT_EQ(vars.Count(), 1);
  EXPECT_EQ(vars.GetVariable("total").ToInteger(), 6);
  vars.SetVariable("ผลรวม", Variant(String("x")));
  EXPECT_EQ(vars.IndexOf("ผลรวม"), 1);
  EXPECT_EQ(vars.IndexOf("missing"), -1);
  TkvxArray array;
  array.SetVariable(Variant(Integer(1)), Variant(String("one")));
  EXPECT_EQ(array.GetVariable(Variant(String("1"))).ToString(), "one");
  array.SetVariable(Variant(String("1")), Variant(String("uno")));
  EXPECT_EQ(array.Count(), 1);
  EXPECT_TRUE(array.GetVariable(Variant(Integer(2))).IsNull());
  kvxGlobalVariables()->SetVariable("CopyName0", Variant(String("Original")));
  EXPECT_EQ(kvxGlobalVariables()->GetVariable("copyname0").ToString(), "Original");
}

// A variable renamed, moved or removed is found under its new name and place at once, however
// many there are.
TEST(Variables, LookupsFollowRenamesMovesAndRemovals) {
  TkvxVariables vars;
  for (int i = 0; i < 40000; ++i) vars.SetVariable("v" + std::to_string(i), Variant(Integer(i)));
  EXPECT_EQ(vars.IndexOf("V39999"), 39999);
  vars.Items(5)->SetName("renamed");
  EXPECT_EQ(vars.IndexOf("v5"), -1);
  EXPECT_EQ(vars.GetVariable("RENAMED").ToInteger(), 5);
  vars.Delete(0);
  EXPECT_EQ(vars.IndexOf("renamed"), 4);
  vars.Items(4)->SetIndex(0);
  EXPECT_EQ(vars.IndexOf("renamed"), 0);
  EXPECT_EQ(vars.IndexOf("v1"), 1);
  vars.Items(2)->Assign(vars.Items(0));
  EXPECT_EQ(vars.IndexOf("renamed"), 0) << "the first of two equal names";
  EXPECT_EQ(vars.IndexOf("v2"), -1);
  vars.SetVariable("v2", Variant(Integer(-2)));
  EXPECT_EQ(vars.IndexOf("v2"), vars.Count() - 1);
}

TEST(Styles, DuplicateNamesAreRefused) {
  TkvxStyles styles;
  auto* a = styles.Add();
  a->SetName("Title");
  auto* b = styles.Add();
  b->SetName("Body");
  EXPECT_THROW(b->SetName("TITLE"), EPropertyError);
  EXPECT_EQ(b->Name(), "Body");
  a->SetName("title");
  EXPECT_EQ(styles.Find("TITLE"), a);
  TStringList names;
  styles.GetList(names);
  EXPECT_EQ(names.Text(), "title\r\nBody\r\n");
  b->Assign(a);
  EXPECT_EQ(b->Name(), "title");
}

TEST(Styles, StyleFilesRoundTripAndApplyToTheReport) {
  std::string dir = TempFolder("styles");
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  auto* kept = new TTestMemo(page);
  kept->SetStyle("หัวเรื่อง");
  auto* lost = new TTestMemo(page);
  lost->SetStyle("Missing");

  TkvxStyles styles;
  styles.SetName("ชุด & แบบ");
  auto* title = styles.Add();
  title->SetName("หัวเรื่อง");
  title->SetColor(clYellow);
  title->Font()->SetName("Angsana New");
  title->Font()->SetStyle({fsBold});
  title->Frame()->SetTyp({ftTop, ftBottom});
  title->Frame()->SetWidth(2);
  styles.SaveToFile(dir + "/styles.xml");
  std::string text = ReadFile(dir + "/styles.xml");
  EXPECT_EQ(XmlLint(text), "");
  EXPECT_NE(text.find("<style Name=\"ชุด &#38; แบบ\">"), std::string::npos) << text;

  report->Styles->LoadFromFile(dir + "/styles.xml");
  EXPECT_EQ(report->Styles->Name(), "ชุด & แบบ");
  ASSERT_EQ(report->Styles->Count(), 1);
  TkvxStyleItem* back = report->Styles->Items(0);
  EXPECT_EQ(back->Color(), clYellow);
  EXPECT_EQ(back->Font()->Style(), TFontStyles{fsBold});
  EXPECT_EQ(back->Frame()->Typ(), (TkvxFrameTypes{ftTop, ftBottom}));
  EXPECT_DOUBLE_EQ(back->Frame()->Width(), 2);
  EXPECT_EQ(kept->Style(), "หัวเรื่อง");
  EXPECT_EQ(lost->Style(), "");

  // A file whose root is not "style" empties the set and applies nothing.
  WriteFile(dir + "/other.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?><palette Name=\"x\"><item Name=\"A\"/></palette>");
  report->Styles->LoadFromFile(dir + "/other.xml");
  EXPECT_EQ(report->Styles->Count(), 0);
  EXPECT_EQ(kept->Style(), "หัวเรื่อง");
  std::filesystem::remove_all(dir);
}
