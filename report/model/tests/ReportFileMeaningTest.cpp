// A report file means what it says, however it was written: its attributes in any order, a
// styled memo's own font, a child's values back at their defaults, names given twice or taken by
// the script, unchanged elements of objects a parent dropped, processing instructions, document
// types and CDATA sections; and a child of a protected parent opens with the password.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "report/engine/Engine.h"
#include "report/model/Bands.h"
#include "report/model/MemoView.h"
#include "report/model/Pages.h"
#include "report/model/Resources.h"
#include "report/model/Styles.h"
#include "report/model/XmlDocument.h"
#include "report/model/XmlEscape.h"
#include "report/model/XmlItem.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

std::unique_ptr<TkvxReport> NewReport() {
  RegisterTestClasses();
  kvxRegisterEngine();
  auto report = std::make_unique<TkvxReport>(nullptr);
  report->EngineOptions()->NewSilentMode = simSilent;
  return report;
}

std::string SaveText(TkvxReport& report) {
  TStringStream out;
  report.SaveToStream(out);
  return out.DataString();
}

std::unique_ptr<TkvxReport> Loaded(const std::string& text, const std::string& fileName = "") {
  auto report = NewReport();
  if (!fileName.empty()) {
    WriteFile(fileName, text);
    report->LoadFromFile(fileName);
  } else {
    TStringStream in(text);
    report->LoadFromStream(in);
  }
  return report;
}

TkvxMemoView* MemoOf(TkvxReport& report, const char* name) {
  return dynamic_cast<TkvxMemoView*>(report.FindObject(name));
}

// The same file with the attributes of every element (the report's own included) put in
// another order.
using TOrder = void (*)(std::vector<std::pair<std::string, std::string>>&);

void Reorder(TkvxXMLItem& item, TOrder order) {
  std::vector<std::pair<std::string, std::string>> attributes;
  size_t i = 0;
  std::string_view name, raw;
  while (kvxNextAttribute(item.Text, i, name, raw)) attributes.emplace_back(name, raw);
  order(attributes);
  item.Text.clear();
  for (const auto& [n, v] : attributes) item.Text += (item.Text.empty() ? "" : " ") + n + "=\"" + v + "\"";
  for (Integer k = 0; k < item.Count(); ++k) Reorder(*item.Items(k), order);
}

std::string Reordered(const std::string& text, TOrder order) {
  TkvxXMLDocument doc;
  TStringStream in(text);
  doc.LoadFromStream(&in, false);
  Reorder(*doc.Root(), order);
  TStringStream out;
  doc.SaveToStream(out);
  return out.DataString();
}

void Reversed(std::vector<std::pair<std::string, std::string>>& a) { std::reverse(a.begin(), a.end()); }
void Sorted(std::vector<std::pair<std::string, std::string>>& a) { std::sort(a.begin(), a.end()); }

TkvxMemoView* NewMemo(TkvxComponent* parent, const char* name, const char16_t* text) {
  auto* memo = new TkvxMemoView(parent);
  memo->SetName(name);
  memo->SetBounds(10, 5, 300, 24);
  memo->SetText(text);
  return memo;
}

// A page, landscape with margins of its own, and a title band with one memo.
TkvxMemoView* PageWithMemo(TkvxReport& report) {
  auto* page = new TkvxReportPage(&report);
  page->SetName("Page1");
  page->SetOrientation(poLandscape);
  page->SetLeftMargin(11.5);
  page->SetTopMargin(0);
  page->SetRightMargin(7.25);
  page->SetBottomMargin(13);
  auto* band = new TkvxReportTitle(page);
  band->SetName("Title");
  band->SetBounds(0, 0, 700, 40);
  return NewMemo(band, "Heading", u"ทะเบียนสมาชิก");
}

}  // namespace

TEST(ReportFileMeaning, AttributesInAnyOrderLoadTheSameReport) {
  auto report = NewReport();
  TkvxMemoView* memo = PageWithMemo(*report);
  memo->Frame()->SetTyp(TkvxFrameTypes{ftLeft, ftTop, ftRight, ftBottom});
  memo->Frame()->SetColor(clRed);
  memo->Frame()->SetStyle(fsDash);
  memo->Frame()->SetWidth(2);
  memo->Frame()->LeftLine()->SetColor(clBlue);
  memo->Frame()->LeftLine()->SetWidth(4);
  memo->Frame()->BottomLine()->SetStyle(fsDot);
  const std::string saved = SaveText(*Loaded(SaveText(*report)));
  for (TOrder order : {&Reversed, &Sorted}) {
    const std::string text = Reordered(saved, order);
    ASSERT_NE(text, saved);
    auto loaded = Loaded(text);
    EXPECT_EQ(loaded->Errors->Text(), "");
    auto* page = dynamic_cast<TkvxReportPage*>(loaded->FindObject("Page1"));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Orientation(), poLandscape);
    EXPECT_DOUBLE_EQ(page->LeftMargin(), 11.5);
    EXPECT_DOUBLE_EQ(page->TopMargin(), 0);
    EXPECT_DOUBLE_EQ(page->RightMargin(), 7.25);
    EXPECT_DOUBLE_EQ(page->BottomMargin(), 13);
    TkvxMemoView* read = MemoOf(*loaded, "Heading");
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Frame()->LeftLine()->Color(), clBlue);
    EXPECT_DOUBLE_EQ(read->Frame()->LeftLine()->Width(), 4);
    EXPECT_EQ(read->Frame()->BottomLine()->Style(), fsDot);
    EXPECT_EQ(read->Frame()->TopLine()->Color(), clRed);
    EXPECT_EQ(SaveText(*loaded), saved);
  }
}

TEST(ReportFileMeaning, AChildsOwnScriptAndVariablesStayWhereverItsParentIsNamed) {
  const std::string dir = TempFolder("file-meaning-parent-order");
  {
    auto parent = NewReport();
    PageWithMemo(*parent);
    parent->ScriptText()->SetText("begin\r\nend.");
    parent->Variables->SetVariable("Parish", Variant(String("เซนต์ปอล")));
    parent->SaveToFile(dir + "/parent.xml");
  }
  auto child = NewReport();
  child->FileName = dir + "/child.xml";
  child->SetParentReport("parent.xml");
  ASSERT_EQ(child->Errors->Text(), "");
  child->ScriptText()->SetText("var n: Integer;\r\nbegin\r\n  n := 2;\r\n  Heading.Text := IntToStr(n * 21);\r\nend.");
  child->Variables->SetVariable("Copies", Variant(3));
  child->SaveToFile(dir + "/child.xml");
  const std::string saved = ReadFile(dir + "/child.xml");
  for (TOrder order : {&Reversed, &Sorted}) {
    auto loaded = Loaded(Reordered(saved, order), dir + "/reordered.xml");
    EXPECT_EQ(loaded->Errors->Text(), "");
    EXPECT_EQ(loaded->ScriptText()->Text(), child->ScriptText()->Text());
    EXPECT_NE(loaded->Variables->IndexOf("Copies"), -1);
    EXPECT_TRUE(loaded->PrepareReport()) << loaded->Errors->Text();
  }
  std::filesystem::remove_all(dir);
}

TEST(ReportFileMeaning, AStyledMemoKeepsItsOwnFontColourAndFrameThroughSavesAndRuns) {
  auto report = NewReport();
  TkvxStyleItem* style = report->Styles->Add();
  style->SetName("Heading");
  style->Font()->SetName("Tahoma");
  style->Font()->SetSize(18);
  style->Font()->SetStyle(TFontStyles{fsBold});
  style->SetColor(clYellow);
  style->Frame()->SetTyp(TkvxFrameTypes{ftBottom});
  style->Frame()->SetWidth(3);
  TkvxMemoView* memo = PageWithMemo(*report);
  memo->SetStyle("Heading");
  // The memo's own values, two of them the defaults a new memo has.
  memo->Font()->SetName("Garuda");
  memo->Font()->SetSize(10);
  memo->Font()->SetStyle(TFontStyles{});
  memo->SetColor(clNone);
  memo->Frame()->SetTyp(TkvxFrameTypes{});
  memo->Frame()->SetWidth(1);
  auto check = [](TkvxReport& r, const char* when) {
    SCOPED_TRACE(when);
    TkvxMemoView* m = MemoOf(r, "Heading");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Style(), "Heading");
    EXPECT_EQ(m->Font()->Name(), "Garuda");
    EXPECT_EQ(m->Font()->Size(), 10);
    EXPECT_FALSE(m->Font()->Style().Contains(fsBold));
    EXPECT_EQ(m->Color(), clNone);
    EXPECT_TRUE(m->Frame()->Typ().Empty());
    EXPECT_DOUBLE_EQ(m->Frame()->Width(), 1);
    EXPECT_FALSE(m->ParentFont());
  };
  const std::string first = SaveText(*report);
  auto once = Loaded(first);
  check(*once, "saved and reloaded");
  const std::string second = SaveText(*once);
  auto twice = Loaded(second);
  check(*twice, "saved and reloaded twice");
  EXPECT_EQ(SaveText(*twice), second);
  // Every attribute in the order reversed, and a copy made the way a parent's pages are.
  check(*Loaded(Reordered(first, &Reversed)), "attributes reversed");
  auto copy = NewReport();
  copy->Styles->Assign(report->Styles.get());
  auto* copiedPage = new TkvxReportPage(copy.get());
  copiedPage->AssignAll(report->FindObject("Page1"));
  check(*copy, "copied");
  // A run works on the report and gives it back as it was: a second run starts from the same.
  for (int run = 0; run < 2; ++run) {
    twice->PrepareReport();
    check(*twice, run == 0 ? "after a run" : "after a second run");
  }
}

TEST(ReportFileMeaning, AChildsValuesBackAtTheirDefaultsAreSaved) {
  const std::string dir = TempFolder("file-meaning-defaults");
  {
    auto parent = NewReport();
    TkvxMemoView* memo = PageWithMemo(*parent);
    memo->Frame()->SetTyp(TkvxFrameTypes{ftLeft, ftRight});
    memo->Frame()->SetWidth(3);
    memo->GapX = 6;
    memo->LineSpacing = 7;
    memo->ExpressionDelimiters = "<,>";
    memo->Highlight()->Condition = "1 = 1";
    memo->Highlight()->Font()->SetColor(clRed);
    parent->SaveToFile(dir + "/parent.xml");
  }
  auto child = NewReport();
  child->FileName = dir + "/child.xml";
  child->SetParentReport("parent.xml");
  ASSERT_EQ(child->Errors->Text(), "");
  TkvxMemoView* memo = MemoOf(*child, "Heading");
  ASSERT_NE(memo, nullptr);
  memo->Frame()->SetTyp(TkvxFrameTypes{});
  memo->Frame()->SetWidth(1);
  memo->GapX = 2;
  memo->LineSpacing = 2;
  memo->ExpressionDelimiters = "[,]";
  memo->Highlight()->Condition = "";
  memo->Highlight()->Font()->SetColor(clBlack);
  child->SaveToFile(dir + "/child.xml");
  auto loaded = NewReport();
  ASSERT_TRUE(loaded->LoadFromFile(dir + "/child.xml"));
  EXPECT_EQ(loaded->Errors->Text(), "");
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "reloaded" : "after a run");
    TkvxMemoView* read = MemoOf(*loaded, "Heading");
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(read->Frame()->Typ().Empty());
    EXPECT_DOUBLE_EQ(read->Frame()->Width(), 1);
    EXPECT_DOUBLE_EQ(read->GapX, 2);
    EXPECT_DOUBLE_EQ(read->LineSpacing, 2);
    EXPECT_EQ(read->ExpressionDelimiters, "[,]");
    EXPECT_EQ(read->Highlight()->Condition, "");
    EXPECT_EQ(read->Highlight()->Font()->Color(), clBlack);
    loaded->PrepareReport();
  }
  std::filesystem::remove_all(dir);
}

namespace {

// A parent report of two memos saved into dir, and a child that names it.
void SaveParent(const std::string& dir, const char* file = "parent.xml") {
  auto parent = NewReport();
  TkvxMemoView* memo = PageWithMemo(*parent);
  NewMemo(memo->Parent(), "Note", u"หมายเหตุ");
  parent->SaveToFile(dir + "/" + file);
}

std::string ChildText(const std::string& elements) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TkvxReport ParentReport=\"parent.xml\">"
         "<inherited Name=\"Page1\"><inherited Name=\"Title\">" +
         elements + "</inherited></inherited></TkvxReport>";
}

}  // namespace

TEST(ReportFileMeaning, ASecondElementNamingAnInheritedObjectIsANameGivenTwice) {
  const std::string dir = TempFolder("file-meaning-twice");
  SaveParent(dir);
  const String duplicate = kvxGetResources()->Get("prDupl") + " Heading:";
  {
    auto child = Loaded(ChildText("<inherited Name=\"Heading\" Font.Height=\"-27\"/>"
                                  "<TkvxMemoView Name=\"Heading\" l=\"10\" t=\"30\" w=\"100\" h=\"20\" Text=\"สอง\"/>"),
                        dir + "/child.xml");
    ASSERT_EQ(child->Errors->Count(), 1) << child->Errors->Text();
    EXPECT_EQ(child->Errors->Strings(0).rfind(duplicate, 0), 0u) << child->Errors->Text();
    TkvxMemoView* first = MemoOf(*child, "Heading");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Font()->Height(), -27);
    EXPECT_EQ(first->Text(), u"ทะเบียนสมาชิก\r\n");
    // The second is an object of its own, under a name of its own.
    Integer memos = 0;
    for (TkvxComponent* c : child->AllObjects())
      if (auto* m = dynamic_cast<TkvxMemoView*>(c); m && m->Text() == u"สอง\r\n") ++memos;
    EXPECT_EQ(memos, 1);
  }
  {
    auto child = Loaded(ChildText("<inherited Name=\"Heading\" Font.Height=\"-27\"/>"
                                  "<inherited Name=\"Heading\" Font.Height=\"-11\"/>"),
                        dir + "/child.xml");
    ASSERT_EQ(child->Errors->Count(), 1) << child->Errors->Text();
    EXPECT_EQ(child->Errors->Strings(0).rfind(duplicate, 0), 0u) << child->Errors->Text();
    EXPECT_EQ(MemoOf(*child, "Heading")->Font()->Height(), -27);
  }
  std::filesystem::remove_all(dir);
}

TEST(ReportFileMeaning, UnchangedElementsOfObjectsTheParentDroppedAreLetGo) {
  const std::string dir = TempFolder("file-meaning-dropped");
  SaveParent(dir);
  {
    // Saved by the program, the child lists every inherited object, changed or not.
    auto child = NewReport();
    child->FileName = dir + "/child.xml";
    child->SetParentReport("parent.xml");
    MemoOf(*child, "Heading")->SetText(u"หัวเรื่องของลูก");
    child->SaveToFile(dir + "/child.xml");
  }
  ASSERT_NE(ReadFile(dir + "/child.xml").find("<inherited Name=\"Note\"/>"), std::string::npos);
  {
    // The parent drops Note and renames nothing the child changed.
    auto parent = NewReport();
    parent->LoadFromFile(dir + "/parent.xml");
    delete parent->FindObject("Note");
    auto* added = NewMemo(parent->FindObject("Title"), "Added", u"เพิ่มใหม่");
    added->SetTop(30);
    parent->SaveToFile(dir + "/parent.xml");
  }
  auto child = NewReport();
  ASSERT_TRUE(child->LoadFromFile(dir + "/child.xml"));
  EXPECT_EQ(child->Errors->Text(), "");
  EXPECT_EQ(MemoOf(*child, "Heading")->Text(), u"หัวเรื่องของลูก\r\n");
  EXPECT_NE(MemoOf(*child, "Added"), nullptr);
  EXPECT_TRUE(child->PrepareReport()) << child->Errors->Text();
  // An element that does change the object the parent no longer has is still told of.
  auto changed = Loaded(ChildText("<inherited Name=\"Note\" Font.Height=\"-27\"/>"), dir + "/changed.xml");
  EXPECT_NE(changed->Errors->Text().find("has no object Note"), std::string::npos) << changed->Errors->Text();
  std::filesystem::remove_all(dir);
}

TEST(ReportFileMeaning, AChildOfAProtectedParentOpensWithThePassword) {
  const std::string dir = TempFolder("file-meaning-password");
  {
    auto parent = NewReport();
    PageWithMemo(*parent);
    parent->ReportOptions()->Password = "ลับ 7";
    parent->SaveToFile(dir + "/parent.xml");
  }
  WriteFile(dir + "/child.xml", ChildText("<inherited Name=\"Heading\" Font.Height=\"-27\"/>"));
  kvxSetUserPresent(false);
  auto child = NewReport();
  child->ReportOptions()->AcceptedPassword = "ลับ 7";
  ASSERT_TRUE(child->LoadFromFile(dir + "/child.xml"));
  EXPECT_EQ(child->Errors->Text(), "");
  ASSERT_NE(MemoOf(*child, "Heading"), nullptr);
  EXPECT_EQ(MemoOf(*child, "Heading")->Font()->Height(), -27);
  // A run reads its snapshot back with the parent.
  EXPECT_TRUE(child->PrepareReport()) << child->Errors->Text();
  EXPECT_TRUE(child->PrepareReport()) << child->Errors->Text();
  // Without it, the parent is refused and says so.
  auto refused = NewReport();
  refused->LoadFromFile(dir + "/child.xml");
  EXPECT_NE(refused->Errors->Text().find(kvxGetResources()->Get("Invalid password")), std::string::npos);
  std::filesystem::remove_all(dir);
}

TEST(ReportFileMeaning, ProcessingInstructionsDocumentTypesAndCDataArePassedOver) {
  auto report = NewReport();
  PageWithMemo(*report);
  std::string text = SaveText(*report);
  const size_t root = text.find("<TkvxReport");
  ASSERT_NE(root, std::string::npos);
  text.insert(root,
              "<?xml-stylesheet type=\"text/xsl\" href=\"a>b.xsl\"?>\r\n"
              "<!DOCTYPE TkvxReport [\r\n  <!ELEMENT TkvxReport ANY>\r\n  <!-- a <comment> ] -->\r\n"
              "  <!ATTLIST TkvxReport Version CDATA \"4.7>\">\r\n]>\r\n<?pi?>\r\n");
  const size_t memo = text.find("<TkvxMemoView");
  ASSERT_NE(memo, std::string::npos);
  const size_t end = text.find("/>", memo);
  text.replace(end, 2, "><![CDATA[x < y ]]]></TkvxMemoView><?after the memo?>");
  auto loaded = Loaded(text);
  EXPECT_EQ(loaded->Errors->Text(), "");
  ASSERT_NE(MemoOf(*loaded, "Heading"), nullptr);
  EXPECT_EQ(MemoOf(*loaded, "Heading")->Text(), u"ทะเบียนสมาชิก\r\n");
  EXPECT_EQ(SaveText(*loaded), SaveText(*Loaded(SaveText(*report))));
}

TEST(ReportFileMeaning, TheScriptsOwnNamesAreNoObjectsNames) {
  auto report = NewReport();
  TkvxMemoView* memo = PageWithMemo(*report);
  memo->SetText(u"[1 + 1] [Report.ScriptLanguage]");
  std::string text = SaveText(*report);
  // Objects named as the script's own names, as another tool may write them.
  const size_t band = text.find("<TkvxMemoView");
  ASSERT_NE(band, std::string::npos);
  text.insert(band, "<TkvxMemoView Name=\"Report\" l=\"0\" t=\"0\" w=\"10\" h=\"10\"/>"
                    "<TkvxMemoView Name=\"value\" l=\"0\" t=\"0\" w=\"10\" h=\"10\"/>"
                    "<TkvxMemoView Name=\"Self\" l=\"0\" t=\"0\" w=\"10\" h=\"10\"/>"
                    "<TkvxMemoView Name=\"Engine\" l=\"0\" t=\"0\" w=\"10\" h=\"10\"/>");
  auto loaded = Loaded(text);
  const String duplicate = kvxGetResources()->Get("prDupl") + " ";
  ASSERT_EQ(loaded->Errors->Count(), 4) << loaded->Errors->Text();
  for (Integer i = 0; i < loaded->Errors->Count(); ++i)
    EXPECT_EQ(loaded->Errors->Strings(i).rfind(duplicate, 0), 0u) << loaded->Errors->Strings(i);
  for (const char* name : {"Report", "Value", "Self", "Engine"}) EXPECT_EQ(loaded->FindObject(name), nullptr) << name;
  // The expressions reach the report's own names.
  TkvxMemoView* heading = MemoOf(*loaded, "Heading");
  ASSERT_NE(heading, nullptr);
  ASSERT_TRUE(loaded->PrepareScript()) << loaded->Errors->Text();
  EXPECT_EQ(VarToStr(loaded->Calc("Report.ScriptLanguage")), "PascalScript");
  EXPECT_EQ(VarToStr(loaded->Calc("1 + 1")), "2");
}
