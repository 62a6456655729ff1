// Variables (case-blind names, Null for the absent), the Variant-keyed array, and styles with
// their own files and their application to the report's text objects.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/rtl/Conversions.h"

#include "report/model/tests/ModelTestSupport.h"
#include "report/model/tests/RunTestSupport.h"

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

namespace {

// A value of every type a variable can hold, with the texts a text variable may be.
std::vector<std::pair<String, Variant>> EveryKindOfValue() {
  return {{"aDate", Variant::FromDate(45544.75)},      // 9 March 2024, 18:00
          {"aText", Variant(String("1+2"))},          // a text is an expression
          {"anEmptyText", Variant(String(""))},
          {"twoLines", Variant(String("บรรทัดหนึ่ง\r\ntwo"))},
          {"anInteger", Variant(std::int32_t(-42))},
          {"anInt64", Variant(std::int64_t(9007199254740993))},
          {"aDouble", Variant(0.1)},
          {"aSingle", Variant(1.25f)},
          {"aCurrency", Variant(Currency{-12345678})},
          {"aBoolean", Variant(true)},
          {"aSmallint", Variant(std::int16_t(-5))},
          {"aShortInt", Variant(std::int8_t(-100))},
          {"aByte", Variant(std::uint8_t(200))},
          {"aWord", Variant(std::uint16_t(60000))},
          {"aLongWord", Variant(std::uint32_t(4000000000u))},
          {"aWideText", Variant(WideString(u"สวัสดี"))},
          {"anEmpty", Variant()},
          {"aNull", Null()}};
}

void ExpectSame(const Variant& got, const Variant& want, const String& name) {
  SCOPED_TRACE(name);
  EXPECT_EQ(got.VType(), want.VType());
  EXPECT_EQ(VarToStr(got), VarToStr(want));
  if (want.VType() == varDate || want.VType() == varDouble || want.VType() == varSingle) {
    EXPECT_EQ(got.ToDouble(), want.ToDouble());
  }
}

}  // namespace

TEST(Variables, EveryValueReadsBackAsItselfFromAFileAndFromTheRunsSnapshot) {
  const auto values = EveryKindOfValue();
  auto report = RunnableReport();
  for (const auto& [name, value] : values) report->Variables->SetVariable(name, value);
  TStringStream saved;
  report->SaveToStream(saved);
  auto loaded = QuietReport();
  saved.SetPosition(0);
  loaded->LoadFromStream(saved);
  EXPECT_EQ(loaded->Errors->Text(), "");
  ASSERT_EQ(loaded->Variables->Count(), static_cast<Integer>(values.size()));
  for (const auto& [name, value] : values) ExpectSame(loaded->Variables->GetVariable(name), value, name);
  // A date variable is a date to expressions, and a text still an expression.
  EXPECT_EQ(loaded->Calc("aDate").VType(), varDate);
  EXPECT_EQ(loaded->Calc("aText").ToInteger(), 3);

  // The run reads the report back from its snapshot: a second run finds the variables as the
  // program set them.
  std::vector<Variant> seen;
  EngineOf(*report).PerRow = [&] { seen.push_back(report->Calc("aDate")); };
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  ASSERT_EQ(seen.size(), 2u);
  for (const Variant& v : seen) ExpectSame(v, Variant::FromDate(45544.75), "aDate in a run");
  for (const auto& [name, value] : values) ExpectSame(report->Variables->GetVariable(name), value, name + " after runs");

  // The hand-written file of the corpus holds the same values.
  auto corpus = QuietReport();
  corpus->LoadFromFile(ORVANE_TEST_DATA "/corpus/variables-every-type.xml");
  EXPECT_EQ(corpus->Errors->Text(), "");
  for (const auto& [name, value] : values) {
    if (name == "aSingle") {
      ExpectSame(corpus->Variables->GetVariable(name), Variant(1.5f), name);
    } else if (name == "anInteger") {
      ExpectSame(corpus->Variables->GetVariable(name), Variant(std::int32_t(42)), name);
    } else {
      ExpectSame(corpus->Variables->GetVariable(name), value, name + " in the corpus");
    }
  }
}

TEST(Variables, ATypeTheFileGetsWrongIsReportedAndTheRestLoads) {
  auto report = QuietReport();
  TStringStream in(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TkvxReport PropData=\"" +
      [] {
        String items;
        for (const char* item : {" Name=\"a\" Value=\"soon\" Value.VarType=\"varDate\"",
                                 " Name=\"b\" Value=\"7\" Value.VarType=\"varNoSuch\"",
                                 " Name=\"c\" Value=\"300\" Value.VarType=\"varByte\"",
                                 " Name=\"d\" Value=\"8\" Value.VarType=\"varInteger\""}) {
          const String text(item);
          items += "010C";
          for (int shift : {0, 8, 16, 24}) items += IntToHex((text.size() >> shift) & 0xFF, 2);
          for (unsigned char c : text) items += IntToHex(c, 2);
          items += "00";
        }
        String name = "Variables";
        String hex = IntToHex(name.size(), 2);
        for (unsigned char c : name) hex += IntToHex(c, 2);
        return hex + "01" + items + "00";
      }() +
      "\"/>\n");
  report->LoadFromStream(in);
  EXPECT_EQ(report->Errors->Count(), 3) << report->Errors->Text();
  EXPECT_EQ(report->Variables->GetVariable("d").VType(), varInteger);
  EXPECT_EQ(report->Variables->GetVariable("d").ToInteger(), 8);
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

// A run asks for the same names at every row, so lookups are remembered: each change of the
// variables must still show in the very next answer for a name asked before.
TEST(Variables, NamesAskedAgainSeeEveryChangeInBetween) {
  TkvxVariables vars;
  EXPECT_EQ(vars.IndexOf("Total"), -1);
  vars.SetVariable("x", Variant(Integer(1)));
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(vars.IndexOf("Total"), -1);
    EXPECT_EQ(vars.IndexOf("X"), 0);
  }
  vars.SetVariable("TOTAL", Variant(Integer(7)));
  EXPECT_EQ(vars.GetVariable("Total").ToInteger(), 7) << "added after it was asked for and missing";
  vars.Items(1)->SetName("ผลรวม");
  EXPECT_EQ(vars.IndexOf("Total"), -1) << "renamed after it was found";
  EXPECT_EQ(vars.GetVariable("ผลรวม").ToInteger(), 7);
  vars.Items(1)->SetIndex(0);
  EXPECT_EQ(vars.IndexOf("ผลรวม"), 0) << "moved after it was found";
  EXPECT_EQ(vars.IndexOf("X"), 1);
  vars.Delete(0);
  EXPECT_EQ(vars.IndexOf("ผลรวม"), -1) << "removed after it was found";
  EXPECT_EQ(vars.IndexOf("X"), 0);
  // More names asked for than are remembered: the answers stay right.
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(vars.IndexOf("missing" + std::to_string(i)), -1);
  EXPECT_EQ(vars.IndexOf("x"), 0);
  vars.SetVariable("missing5", Variant(Integer(5)));
  EXPECT_EQ(vars.GetVariable("MISSING5").ToInteger(), 5);
  vars.Clear();
  EXPECT_EQ(vars.IndexOf("x"), -1) << "cleared after it was found";
}

// Pages are drawn on other threads while the run goes on, and both look names up in the
// global variables.
TEST(Variables, NamesAreLookedUpFromTwoThreadsAtOnce) {
  TkvxVariables vars;
  vars.SetVariable("CopyName", Variant(String("สำเนา")));
  std::atomic<int> wrong{0};
  auto lookUp = [&](const char* prefix) {
    for (int i = 0; i < 20000; ++i) {
      if (vars.IndexOf(prefix + std::to_string(i % 5000)) != -1) ++wrong;
      if (vars.IndexOf("copyname") != 0) ++wrong;
    }
  };
  std::thread other(lookUp, "page");
  lookUp("row");
  other.join();
  EXPECT_EQ(wrong, 0);
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
