// A child report over a parent report: it takes the parent's pages and bands, changes some and
// adds its own; its file holds only those, it loads and runs with both, and saves back the same.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/gui/Application.h"
#include "platform/rtl/FileUtils.h"
#include "report/engine/Engine.h"
#include "report/model/Bands.h"
#include "report/model/MemoView.h"
#include "report/model/tests/ModelTestSupport.h"
#include "report/pdf/PdfExport.h"

using namespace orv;
using namespace orv::test;

namespace {

TkvxMemoView* Memo(TkvxComponent* band, const char* name, const char16_t* text, Extended top = 0) {
  auto* m = new TkvxMemoView(band);
  m->SetName(name);
  m->SetBounds(0, top, 400, 20);
  m->Font()->SetName("Tahoma");
  m->SetText(text);
  return m;
}

template <class T>
T* Band(TkvxComponent* page, const char* name, Extended top, Extended height) {
  auto* band = new T(page);
  band->SetName(name);
  band->SetBounds(0, top, 700, height);
  return band;
}

struct TWindow {
  TWindow() {
    RegisterTestClasses();
    kvxRegisterEngine();
    Rows = new TkvxUserDataSet(&Owner);
    Rows->SetName("Q");
    Rows->SetRangeEnd(reCount);
    Rows->SetRangeEndCount(3);
    Rows->Fields()->SetText("n");
    Rows->OnGetValue = [this](const String&, Variant& value) { value = Rows->RecNo() + 1; };
  }
  std::unique_ptr<TkvxReport> NewReport() {
    auto r = std::make_unique<TkvxReport>(nullptr);
    r->EngineOptions()->NewSilentMode = simSilent;
    return r;
  }
  TComponent Owner{nullptr};
  TkvxUserDataSet* Rows;
};

std::string SaveText(TkvxReport& report) {
  TStringStream out;
  report.SaveToStream(out);
  return out.DataString();
}

// What pdftotext reads from the report run and exported to file; the errors when it fails.
std::string PrintedText(TkvxReport& report, const std::string& file) {
  if (!report.PrepareReport()) return "run failed: " + report.Errors->Text();
  TkvxPDFExport filter(nullptr);
  filter.SetShowDialog(false);
  filter.SetShowProgress(false);
  filter.SetFileName(file);
  report.PreviewPages->Export(&filter);
  return PdfText(file);
}

}  // namespace

TEST(ParentReport, ChildInheritsOverridesAddsRunsAndSavesAsAChild) {
  TWindow w;
  std::string dir = TempFolder("parent-report");
  {
    auto parent = w.NewReport();
    auto* page = new TkvxReportPage(parent.get());
    page->SetName("Page1");
    auto* title = Band<TkvxReportTitle>(page, "Title", 0, 30);
    Memo(title, "Heading", u"ทะเบียนแม่แบบ");
    auto* data = Band<TkvxMasterData>(page, "Data", 40, 20);
    data->SetDataSet(w.Rows);
    Memo(data, "Row", u"แถว [Q.\"n\"]");
    auto* footer = Band<TkvxPageFooter>(page, "Foot", 300, 20);
    Memo(footer, "FootText", u"ท้ายแม่แบบ");
    parent->ScriptText()->SetText("begin\r\nend.");
    parent->DataSets->Add()->SetDataSet(w.Rows);
    parent->SaveToFile(dir + "/parent.xml");
  }
  std::string childFile = dir + "/child.xml";
  std::string firstSave;
  {
    auto child = w.NewReport();
    child->SetParentReport(dir + "/parent.xml");
    ASSERT_EQ(child->Errors->Text(), "");
    ASSERT_NE(child->FindObject("Heading"), nullptr);
    static_cast<TkvxMemoView*>(child->FindObject("Heading"))->SetText(u"รายงานลูก");
    auto* summary = Band<TkvxReportSummary>(child->FindObject("Page1"), "Summary", 100, 20);
    Memo(summary, "Total", u"รวม [COUNT(Data)] แถว");
    child->SaveToFile(childFile);
  }
  std::string text = ReadFile(childFile);
  EXPECT_EQ(XmlLint(text), "");
  // The parent is named by its file name alone; inherited objects are updates, and only the
  // changed text and the new band are stored.
  EXPECT_NE(text.find("ParentReport=\"parent.xml\""), std::string::npos) << text;
  EXPECT_NE(text.find("<inherited Name=\"Heading\""), std::string::npos) << text;
  EXPECT_NE(text.find("รายงานลูก"), std::string::npos);
  EXPECT_NE(text.find("<TkvxReportSummary Name=\"Summary\""), std::string::npos) << text;
  EXPECT_EQ(text.find("ท้ายแม่แบบ"), std::string::npos) << "the parent's unchanged text is stored again";
  EXPECT_EQ(text.find("ทะเบียนแม่แบบ"), std::string::npos);

  auto loaded = w.NewReport();
  ASSERT_TRUE(loaded->LoadFromFile(childFile));
  EXPECT_EQ(loaded->Errors->Text(), "");
  EXPECT_EQ(SaveText(*loaded), [&] {
    auto again = w.NewReport();
    again->LoadFromFile(childFile);
    return SaveText(*again);
  }());
  // Saved back, the child is still a child: the same file.
  loaded->SaveToFile(dir + "/child2.xml");
  EXPECT_EQ(ReadFile(dir + "/child2.xml"), text);

  if (std::system("command -v pdftotext >/dev/null") != 0) GTEST_SKIP() << "pdftotext is not installed";
  EXPECT_EQ(PrintedText(*loaded, dir + "/child.pdf"), "รายงานลูก\nแถว 1\nแถว 2\nแถว 3\nรวม 3 แถว\nท้ายแม่แบบ\n\f");
  std::filesystem::remove_all(dir);
}

// The parent changes after the child was saved: it gains a script function, a variable and a
// memo that uses both, and renames an object the child changed. The child follows what it did
// not change itself, keeps its own changes, and names the object it can no longer change.
TEST(ParentReport, AChildFollowsItsParentsLaterChanges) {
  TWindow w;
  std::string dir = TempFolder("parent-later");
  const std::string parentFile = dir + "/parent.xml", childFile = dir + "/child.xml";
  auto parent = w.NewReport();
  auto* page = new TkvxReportPage(parent.get());
  page->SetName("Page1");
  auto* title = Band<TkvxReportTitle>(page, "Title", 0, 30);
  Memo(title, "Heading", u"ทะเบียน");
  auto* footer = Band<TkvxPageFooter>(page, "Foot", 300, 20);
  Memo(footer, "FootText", u"ท้าย");
  parent->ScriptText()->SetText("begin\r\nend.");
  parent->Variables->SetVariable("Rate", Variant(String("3")));
  parent->SaveToFile(parentFile);
  {
    auto child = w.NewReport();
    child->SetParentReport(parentFile);
    ASSERT_EQ(child->Errors->Text(), "");
    static_cast<TkvxMemoView*>(child->FindObject("Heading"))->SetText(u"ทะเบียนของลูก");
    static_cast<TkvxMemoView*>(child->FindObject("FootText"))->SetText(u"ท้ายของลูก");
    child->SaveToFile(childFile);
  }
  std::string text = ReadFile(childFile);
  // Nothing of the report's own is stored again: script, variables and options are the parent's.
  EXPECT_EQ(text.find("ScriptText"), std::string::npos) << text;
  EXPECT_EQ(text.find("PropData"), std::string::npos) << text;
  EXPECT_EQ(text.find("ReportOptions"), std::string::npos) << text;

  parent->ScriptText()->SetText(
      "function Twice(n: Integer): Integer;\r\nbegin\r\n  Result := n * 2;\r\nend;\r\n\r\nbegin\r\nend.");
  parent->Variables->SetVariable("Parish", Variant(String("'วัดนักบุญ'")));
  Memo(title, "Added", u"[Twice(21)] [Parish] [Rate]", 20);
  parent->FindObject("FootText")->SetName("FootNote");
  parent->ReportOptions()->Name = "แม่แบบใหม่";
  parent->SaveToFile(parentFile);

  auto loaded = w.NewReport();
  ASSERT_TRUE(loaded->LoadFromFile(childFile));
  EXPECT_NE(loaded->Errors->Text().find("FootText"), std::string::npos) << loaded->Errors->Text();
  EXPECT_EQ(loaded->ReportOptions()->Name, "แม่แบบใหม่");
  loaded->Errors->Clear();
  loaded->SaveToFile(dir + "/child2.xml");
  const std::string again = ReadFile(dir + "/child2.xml");
  EXPECT_EQ(again.find("ScriptText"), std::string::npos) << again;
  EXPECT_EQ(again.find("PropData"), std::string::npos) << again;
  EXPECT_EQ(again.find("แม่แบบใหม่"), std::string::npos) << again;
  EXPECT_NE(again.find("ทะเบียนของลูก"), std::string::npos) << again;
  // The change to the object the parent renamed stays in the file, for the day it comes back.
  EXPECT_NE(again.find("<inherited Name=\"FootText\""), std::string::npos) << again;
  EXPECT_NE(again.find("ท้ายของลูก"), std::string::npos) << again;

  if (std::system("command -v pdftotext >/dev/null") != 0) GTEST_SKIP() << "pdftotext is not installed";
  EXPECT_EQ(PrintedText(*loaded, dir + "/child.pdf"), "ทะเบียนของลูก\n42 วัดนักบุญ 3\nท้าย\n\f");
  std::filesystem::remove_all(dir);
}

TEST(ParentReport, OnLoadTemplateSuppliesTheParentAndAReportCannotInheritFromItself) {
  TWindow w;
  auto child = w.NewReport();
  String asked;
  child->OnLoadTemplate = [&asked](TkvxReport* report, const String& name) {
    asked = name;
    auto* page = new TkvxReportPage(report);
    page->SetName("FromTemplate");
  };
  child->SetParentReport("แม่แบบ");
  EXPECT_EQ(asked, "แม่แบบ");
  ASSERT_NE(child->FindObject("FromTemplate"), nullptr);
  EXPECT_TRUE(child->FindObject("FromTemplate")->IsAncestor());
  // Forgetting the parent keeps its objects as the report's own.
  child->SetParentReport("");
  EXPECT_FALSE(child->FindObject("FromTemplate")->IsAncestor());

  std::string dir = TempFolder("parent-loop");
  WriteFile(dir + "/self.xml",
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TkvxReport ParentReport=\"self.xml\"/>\r\n");
  auto looped = w.NewReport();
  looped->LoadFromFile(dir + "/self.xml");
  EXPECT_NE(looped->Errors->Text().find("inherits from itself"), std::string::npos) << looped->Errors->Text();
  std::filesystem::remove_all(dir);
}

TEST(ParentReport, AParentNamedWithEitherSeparatorIsFoundAndAMissingOneNamesEveryPlaceLookedIn) {
  TWindow w;
  std::string dir = TempFolder("parent-separators");
  std::filesystem::create_directories(dir + "/common/forms");
  WriteFile(dir + "/common/forms/base.xml",
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TkvxReport>\r\n"
            "  <TkvxReportPage Name=\"FromParent\" PaperWidth=\"210\" PaperHeight=\"297\"/>\r\n</TkvxReport>\r\n");
  // Written on Windows, with backslashes; and on this system, with slashes.
  for (const char* name : {"common\\forms\\base.xml", "common/forms/base.xml", "common\\forms/base.xml"}) {
    SCOPED_TRACE(name);
    WriteFile(dir + "/child.xml", std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TkvxReport ParentReport=\"") +
                                      name + "\"/>\r\n");
    auto child = w.NewReport();
    ASSERT_TRUE(child->LoadFromFile(dir + "/child.xml"));
    EXPECT_EQ(child->Errors->Text(), "");
    ASSERT_NE(child->FindObject("FromParent"), nullptr);
    EXPECT_TRUE(child->FindObject("FromParent")->IsAncestor());
    EXPECT_EQ(child->ParentReport(), name);
  }

  WriteFile(dir + "/orphan.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                                 "<TkvxReport ParentReport=\"common\\missing.xml\"/>\r\n");
  auto orphan = w.NewReport();
  orphan->LoadFromFile(dir + "/orphan.xml");
  const std::string errors = orphan->Errors->Text();
  EXPECT_NE(errors.find("common\\missing.xml"), std::string::npos) << errors;
  // Beside the report and beside the program, as written and with this system's separators.
  for (const std::string& place : {dir + "/common\\missing.xml", dir + "/common/missing.xml",
                                   ExtractFilePath(Application->ExeName()) + "common/missing.xml"})
    EXPECT_NE(errors.find(place), std::string::npos) << place << "\n" << errors;
  std::filesystem::remove_all(dir);
}
