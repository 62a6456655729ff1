// The report XML serializer: what it writes against defaults and ancestors, how attributes are
// read back (dotted names, short forms, references after the whole tree, defined-property data),
// and how it reports what it cannot read.
#include <gtest/gtest.h>

#include "platform/rtl/ClassRegistry.h"
#include "report/model/Resources.h"
#include "report/model/XmlSerializer.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

std::string SaveReport(TkvxReport& report) {
  TStringStream out;
  report.SaveToStream(out);
  return out.DataString();
}

std::unique_ptr<TkvxReport> LoadReport(const std::string& text) {
  auto report = QuietReport();
  TStringStream in(text);
  report->LoadFromStream(in);
  return report;
}

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

}  // namespace

TEST(Serializer, DefaultsAreLeftOutButFloatsAlwaysWritten) {
  RegisterTestClasses();
  TTestMemo memo(nullptr);
  memo.SetName("Memo1");
  TkvxXMLSerializer serializer(nullptr);
  String text = serializer.ObjToXML(&memo);
  // Font: Height has no default and the colour differs from the font class's default; a memo's
  // text is written even when empty, for there is no ancestor to compare it with.
  EXPECT_EQ(text,
            " Left=\"0\" Top=\"0\" Width=\"0\" Height=\"0\" Font.Color=\"0\" Font.Height=\"-13\" Font.Name=\"Arial\" "
            "Text=\"\"");
  memo.SetAlign(baRight);
  memo.SetBig(Int64(1) << 53 | 1);
  memo.SetSides({ftLeft, ftBottom});
  memo.SetStyle("หัว & \"ท้าย\"");
  memo.Memo()->SetText(u"แถว 1\r\n<แถว 2>\r\n");
  text = serializer.ObjToXML(&memo);
  EXPECT_NE(text.find(" Align=\"baRight\""), String::npos) << text;
  EXPECT_NE(text.find(" Big=\"9007199254740993\""), String::npos) << text;
  EXPECT_NE(text.find(" Sides=\"9\""), String::npos) << text;
  EXPECT_NE(text.find(" Style=\"หัว &#38; &#34;ท้าย&#34;\""), String::npos) << text;
  // The memo's text as UTF-8 without its last line break.
  EXPECT_NE(text.find(" Text=\"แถว 1&#13;&#10;&#60;แถว 2&#62;\""), String::npos) << text;

  // With an ancestor, only what differs is written; floats within 1e-6 count as equal.
  TTestMemo ancestor(nullptr);
  ancestor.Assign(&memo);
  ancestor.SetLeft(memo.Left() + 1e-7);
  memo.SetTop(3);
  EXPECT_EQ(serializer.ObjToXML(&memo, "", &ancestor), " Top=\"3\"");
  serializer.SerializeDefaultValues = true;
  EXPECT_NE(serializer.ObjToXML(&memo, "", &ancestor).find(" Align=\"baRight\""), String::npos);
}

TEST(Serializer, EmptyTextSurvivesWhereTheConstructorSetsText) {
  auto report = QuietReport();
  (new TkvxDataPage(report.get()))->SetName("Data");
  report->SetVersion("");
  report->SetScriptLanguage("");
  std::string text = SaveReport(*report);
  EXPECT_NE(text.find(" Version=\"\""), std::string::npos);
  auto back = LoadReport(text);
  EXPECT_EQ(back->Version(), "");
  EXPECT_EQ(back->ScriptLanguage(), "");
  EXPECT_EQ(SaveReport(*back), text);
}

TEST(Serializer, AttributesReadBackThroughEveryForm) {
  RegisterTestClasses();
  TTestMemo memo(nullptr);
  TkvxXMLSerializer serializer(nullptr);
  serializer.XMLToObj(
      " l=\"1,5\" t=\"2.25\" w = \"30\" h=\"4\" Font.Name=\"Tahoma\" font.style=\"3\" Align=\"4\" "
      "Big=\"-9007199254740993\" Data=\"ข้อมูล&#38;\" Sides=\"6\" u=\"&#3652;&#3607;&#3618;\"",
      &memo);
  EXPECT_EQ(serializer.Errors.Text(), "");
  EXPECT_DOUBLE_EQ(memo.Left(), 1.5);
  EXPECT_DOUBLE_EQ(memo.Top(), 2.25);
  EXPECT_DOUBLE_EQ(memo.Width(), 30);
  EXPECT_EQ(memo.Font()->Name(), "Tahoma");
  EXPECT_EQ(memo.Font()->Style(), (TFontStyles{fsBold, fsItalic}));
  EXPECT_EQ(memo.Align(), baWidth);
  EXPECT_EQ(memo.Big(), -9007199254740993);
  EXPECT_EQ(memo.Data().ToString(), "ข้อมูล&");
  EXPECT_EQ(memo.Sides(), (TkvxFrameTypes{ftRight, ftTop}));
  EXPECT_EQ(memo.Memo()->Text(), u"ไทย\r\n");
  serializer.XMLToObj(" x=\"line\" Text=\"a&#13;&#10;b\"", &memo);
  EXPECT_EQ(memo.Memo()->Count(), 2);
}

// A memo's text is UTF-8 as this program writes it, or Thai in the older single-byte code
// (TIS-620) as older files hold it; a replacement character written on purpose stays one.
TEST(Serializer, MemoTextsReadAsUtf8OrAsOlderThai) {
  RegisterTestClasses();
  TTestMemo memo(nullptr);
  TkvxXMLSerializer serializer(nullptr);
  const struct {
    std::string Raw;
    std::u16string Text;
  } cases[] = {
      {"\xE0\xB8\xAA\xE0\xB8\xA7\xE0\xB8\xB1\xE0\xB8\xAA\xE0\xB8\x94\xE0\xB8\xB5",
       u"\u0E2A\u0E27\u0E31\u0E2A\u0E14\u0E35"},
      {"\xCA\xC7\xD1\xCA\xB4\xD5", u"\u0E2A\u0E27\u0E31\u0E2A\u0E14\u0E35"},
      {"a\xEF\xBF\xBD" "b", u"a\uFFFDb"},
  };
  for (const auto& c : cases) {
    serializer.XMLToObj(" u=\"" + c.Raw + "\"", &memo);
    EXPECT_EQ(memo.Memo()->Text(), c.Text + u"\r\n") << c.Raw;
  }
  EXPECT_EQ(serializer.Errors.Text(), "");
}

TEST(Serializer, BadValuesKeepTheDefaultAndAreReported) {
  RegisterTestClasses();
  TTestMemo memo(nullptr);
  memo.SetAlign(baLeft);
  TkvxXMLSerializer serializer(nullptr);
  serializer.XMLToObj(
      " Align=\"baSideways\" Sides=\"255\" Big=\"many\" Left=\"1.2.3\" Top=\"7\" NoSuchThing=\"1\" Font.Nope.Deeper=\"1\"",
      &memo);
  EXPECT_EQ(memo.Align(), baLeft);
  EXPECT_TRUE(memo.Sides().Empty());
  EXPECT_EQ(memo.Big(), 0);
  EXPECT_DOUBLE_EQ(memo.Top(), 7);
  EXPECT_EQ(serializer.Errors.Count(), 4) << serializer.Errors.Text();
  serializer.XMLToObj(" Align=\"7\"", &memo);
  EXPECT_EQ(memo.Align(), baLeft);
  EXPECT_EQ(serializer.Errors.Count(), 5);
}

// Prepared pages read a source object's attributes once and set them on every copy: the copies
// must come out as reading the text itself makes them, whatever classes the text meets in turn.
TEST(Serializer, AttributesReadOnceSetEveryObjectAsTheTextDoes) {
  RegisterTestClasses();
  const std::string everyForm =
      " l=\"1,5\" t=\"2.25\" w = \"30\" h=\"4\" Font.Name=\"Tahoma\" font.style=\"3\" Align=\"4\" "
      "Big=\"-9007199254740993\" Data=\"ข้อมูล&#38;\" Sides=\"6\" u=\"&#3652;&#3607;&#3618;\" Text=\"a&#13;&#10;b\"";
  const std::string badValues =
      " Align=\"baSideways\" Sides=\"255\" Big=\"many\" Left=\"1.2.3\" Top=\"7\" NoSuchThing=\"1\" "
      "Font.Nope.Deeper=\"1\" Font.Size.Deeper=\"2\" Link=\"nil\" Name=\"Copy\" l=\"x\"";
  for (const std::string& text : {everyForm, badValues}) {
    TkvxXMLSerializer byText(nullptr), once(nullptr);
    TkvxXMLAttributes attributes(text);
    // A memo, a band, and a memo again: each class meets the attributes as prepared for another.
    TTestMemo memoByText(nullptr), firstMemo(nullptr), secondMemo(nullptr);
    TTestBand bandByText(nullptr), band(nullptr);
    byText.XMLToObj(text, &memoByText);
    byText.XMLToObj(text, &bandByText);
    once.ApplyAttributes(attributes, &firstMemo);
    once.ApplyAttributes(attributes, &band);
    once.ApplyAttributes(attributes, &secondMemo);
    EXPECT_EQ(once.Errors.Text(), byText.Errors.Text()) << text;
    TkvxXMLSerializer writer(nullptr);
    EXPECT_EQ(writer.ObjToXML(&firstMemo), writer.ObjToXML(&memoByText)) << text;
    EXPECT_EQ(writer.ObjToXML(&secondMemo), writer.ObjToXML(&memoByText)) << text;
    EXPECT_EQ(writer.ObjToXML(&band), writer.ObjToXML(&bandByText)) << text;
    EXPECT_EQ(secondMemo.Name(), memoByText.Name());
  }
  TkvxXMLAttributes attributes(everyForm);
  TkvxXMLSerializer serializer(nullptr);
  TTestMemo memo(nullptr);
  serializer.ApplyAttributes(attributes, &memo);
  EXPECT_EQ(serializer.Errors.Text(), "");
  EXPECT_DOUBLE_EQ(memo.Left(), 1.5);
  EXPECT_DOUBLE_EQ(memo.Height(), 4);
  EXPECT_EQ(memo.Font()->Name(), "Tahoma");
  EXPECT_EQ(memo.Font()->Style(), (TFontStyles{fsBold, fsItalic}));
  EXPECT_EQ(memo.Big(), -9007199254740993);
  EXPECT_EQ(memo.Data().ToString(), "ข้อมูล&");
  EXPECT_EQ(memo.Memo()->Text(), u"a\r\nb\r\n");
}

TEST(Serializer, ReferencesResolveAfterTheWholeTree) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  page->SetName("Page1");
  auto* first = new TTestMemo(page);
  first->SetName("First");
  auto* last = new TTestMemo(page);
  last->SetName("Last");
  first->SetLink(last);
  last->SetLink(first);
  std::string text = SaveReport(*report);
  EXPECT_NE(text.find("Link=\"Last\""), std::string::npos);
  auto back = LoadReport(text);
  EXPECT_EQ(back->Errors->Text(), "");
  auto* f = dynamic_cast<TTestMemo*>(back->FindObject("First"));
  auto* l = dynamic_cast<TTestMemo*>(back->FindObject("last"));
  ASSERT_TRUE(f && l);
  EXPECT_EQ(f->Link(), l);
  EXPECT_EQ(l->Link(), f);
  // A name that is not there leaves the reference unset, silently.
  auto missing = LoadReport(kHeader + "<TkvxReport><TkvxReportPage Name=\"P\"><TTestMemo Name=\"M\" Link=\"Gone\"/>"
                                      "</TkvxReportPage></TkvxReport>");
  EXPECT_EQ(missing->Errors->Text(), "");
  EXPECT_EQ(dynamic_cast<TTestMemo*>(missing->FindObject("M"))->Link(), nullptr);
}

TEST(Serializer, UnknownClassesAreSkippedWithTheirSubtrees) {
  auto report = LoadReport(kHeader +
                           "<TkvxReport><TkvxReportPage Name=\"Page1\"><TkvxChart Name=\"Chart1\"><TTestMemo Name=\"Inner\"/>"
                           "</TkvxChart><TTestMemo Name=\"Kept\"/></TkvxReportPage></TkvxReport>");
  EXPECT_EQ(report->Errors->Text(), kvxGetResources()->Get("xrCantFindClass") + " TkvxChart\r\n");
  EXPECT_NE(report->FindObject("Kept"), nullptr);
  EXPECT_EQ(report->FindObject("Inner"), nullptr);
}

TEST(Serializer, InheritedElementsUpdateButNeverCreate) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  page->SetName("Page1");
  auto* memo = new TTestMemo(page);
  memo->SetName("Memo1");
  memo->SetLeft(5);
  TkvxXMLDocument doc;
  TStringStream in(kHeader +
                   "<TkvxReport><inherited Name=\"Page1\"><inherited Name=\"Memo1\" Left=\"50\"/>"
                   "<inherited Name=\"Ghost\" Left=\"1\"/><TTestMemo Name=\"Added\"/></inherited></TkvxReport>");
  doc.LoadFromStream(&in, false);
  TkvxXMLSerializer serializer(nullptr);
  serializer.ReadRootComponent(report.get(), doc.Root());
  // What the file changed of an object that is gone cannot be placed, and the user hears of it.
  EXPECT_EQ(serializer.Errors.Text(),
            "The parent report has no object Ghost any more: this report's changes to it are kept but not used\r\n");
  EXPECT_DOUBLE_EQ(memo->Left(), 50);
  EXPECT_EQ(report->FindObject("Ghost"), nullptr);
  ASSERT_NE(report->FindObject("Added"), nullptr);
  EXPECT_EQ(report->FindObject("Added")->Parent(), page);
}

TEST(Serializer, ObjectsFromTextAndBackForPreparedPages) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  auto* target = new TTestMemo(page);
  target->SetName("Target");
  TkvxXMLSerializer serializer(nullptr);
  TPersistent* made = serializer.CreateObjFromText(
      "TTestMemo Name=\"Made\" Left=\"3\" Link=\"Target\" Text=\"ทดสอบ\"", report.get());
  auto* memo = dynamic_cast<TTestMemo*>(made);
  ASSERT_TRUE(memo);
  EXPECT_EQ(memo->Link(), target);
  EXPECT_EQ(memo->Memo()->Strings(0), u"ทดสอบ");
  String text = serializer.ObjToText(memo);
  EXPECT_EQ(text.rfind("TTestMemo ", 0), 0u);
  EXPECT_EQ(serializer.CreateObjFromText("   ", report.get()), nullptr);
  EXPECT_THROW(serializer.CreateObjFromText("TNoSuchClass A=\"1\"", report.get()), EClassNotFound);
  memo->SetParent(page);
}

TEST(Serializer, DefinedPropertyDataTravelsAsHex) {
  auto report = QuietReport();
  report->Variables->SetVariable("ชื่อ", Variant(String("[Nm] & [Sur]")));
  report->Variables->SetVariable("Count", Variant(Integer(3)));
  auto* style = report->Styles->Add();
  style->SetName("Title");
  style->SetColor(clRed);
  style->Font()->SetName("Angsana New");
  std::string text = SaveReport(*report);
  size_t at = text.find("PropData=\"");
  ASSERT_NE(at, std::string::npos);
  std::string hex = text.substr(at + 10, text.find('"', at + 10) - at - 10);
  // The data begins with the record name "Datasets" as a short string: the empty list is
  // written too, then "Variables".
  EXPECT_EQ(hex.substr(0, 18), "084461746173657473");
  EXPECT_NE(hex.find("095661726961626C6573"), std::string::npos);
  auto back = LoadReport(text);
  EXPECT_EQ(back->Errors->Text(), "");
  EXPECT_EQ(back->Variables->GetVariable("ชื่อ").ToString(), "[Nm] & [Sur]");
  // Values come back as text, which reports evaluate as expressions.
  EXPECT_EQ(back->Variables->GetVariable("count").ToString(), "3");
  ASSERT_EQ(back->Styles->Count(), 1);
  EXPECT_EQ(back->Styles->Items(0)->Color(), clRed);
  EXPECT_EQ(back->Styles->Items(0)->Font()->Name(), "Angsana New");
}
