// A whole report to a file and back: the stored password form, the settings a load keeps from
// the running report, the data page it always has, and the error it reports for a bad file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/gui/Screen.h"
#include "platform/gui/tests/WidgetTesting.h"
#include "report/model/Pages.h"
#include "report/model/PasswordForm.h"
#include "report/model/Resources.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

std::string SaveText(TkvxReport& report) {
  TStringStream out;
  report.SaveToStream(out);
  return out.DataString();
}

}  // namespace

TEST(ReportStreaming, PasswordIsStoredShiftedAndAskedOnce) {
  auto report = QuietReport();
  report->ReportOptions()->Password = "abc";
  std::string text = SaveText(*report);
  // a, b and c lowered by ten are W, X and Y.
  EXPECT_NE(text.find("ReportOptions.Password=\"WXY\""), std::string::npos);
  EXPECT_EQ(report->ReportOptions()->Password, "abc");

  // A person answers the window here (the test's timer stands in for them).
  kvxSetUserPresent(true);
  int asked = 0;
  auto answer = [&asked](const String& typed) {
    orv::testing::After(30, [&asked, typed] {
      auto* form = dynamic_cast<TkvxPasswordForm*>(Screen->ActiveForm());
      ASSERT_NE(form, nullptr);
      ++asked;
      form->PasswordE->SetText(typed);
      form->OkB->Click();
    });
  };
  auto reader = QuietReport();
  reader->EngineOptions()->EnabledLock = false;
  answer("abc");
  TStringStream in(text);
  reader->LoadFromStream(in);
  EXPECT_EQ(reader->ReportOptions()->Password, "abc");
  EXPECT_EQ(reader->Errors->Text(), "");
  // The same report loaded again does not ask.
  TStringStream again(text);
  reader->LoadFromStream(again);
  EXPECT_EQ(asked, 1);

  // A wrong password leaves an empty report and the one error.
  auto refused = QuietReport();
  refused->EngineOptions()->EnabledLock = false;
  auto* page = new TkvxReportPage(refused.get());
  page->SetName("Existing");
  answer("wrong");
  TStringStream third(text);
  refused->LoadFromStream(third);
  EXPECT_EQ(refused->Errors->Text(), kvxGetResources()->Get("Invalid password") + "\r\n");
  EXPECT_TRUE(refused->Objects().empty());
  EXPECT_EQ(asked, 2);
  kvxSetUserPresent(false);
}

TEST(ReportStreaming, EveryPasswordKeepsTheFileWellFormedAndOpensWithIt) {
  kvxSetUserPresent(false);
  std::string dir = TempFolder("passwords");
  int n = 0;
  for (const String password : {" ", "a&b<c", "รหัสผ่าน", "~x", "\x7f"}) {
    SCOPED_TRACE(password);
    std::string file = dir + "/r" + std::to_string(++n) + ".xml";
    {
      auto report = QuietReport();
      report->ReportOptions()->Name = "ทะเบียน";
      report->ReportOptions()->Password = password;
      report->SaveToFile(file);
      // The report that saved the file opens it again without asking.
      report->EngineOptions()->EnabledLock = false;
      EXPECT_TRUE(report->LoadFromFile(file));
      EXPECT_EQ(report->Errors->Text(), "");
      EXPECT_EQ(report->ReportOptions()->Password, password);
    }
    EXPECT_EQ(XmlLint(ReadFile(file)), "");
    // Told the password beforehand, as a tool is, another report opens the file.
    auto reader = QuietReport();
    reader->EngineOptions()->EnabledLock = false;
    reader->ReportOptions()->AcceptedPassword = password;
    ASSERT_TRUE(reader->LoadFromFile(file));
    EXPECT_EQ(reader->Errors->Text(), "");
    EXPECT_EQ(reader->ReportOptions()->Password, password);
    EXPECT_EQ(reader->ReportOptions()->Name, "ทะเบียน");
    // Without it, and with nobody to ask, the report is refused at once.
    auto stranger = QuietReport();
    stranger->EngineOptions()->EnabledLock = false;
    stranger->LoadFromFile(file);
    EXPECT_EQ(stranger->Errors->Text(), kvxGetResources()->Get("Invalid password") + "\r\n");
    EXPECT_EQ(stranger->ReportOptions()->Name, "");
  }
  std::filesystem::remove_all(dir);
}

namespace {

// The name of the test's reports, and its bytes in code page 874 (as Python's cp874 codec
// gives them).
const String kName = "ทะเบียน";
const std::string kName874 = "\xB7\xD0\xE0\xBA\xD5\xC2\xB9";

// A report file as the old program wrote it: its name in code page 874 (or left in UTF-8) and
// the password as the given bytes lowered by 10, written as they are.
std::string OldFile(const std::string& passwordBytes, bool thaiCodePage) {
  auto report = QuietReport();
  report->ReportOptions()->Name = kName;
  report->ReportOptions()->Password = "abc";
  std::string text = SaveText(*report);
  size_t name = text.find(kName);
  EXPECT_NE(name, std::string::npos);
  if (thaiCodePage) text.replace(name, kName.size(), kName874);
  std::string lowered = passwordBytes;
  for (char& c : lowered) c = static_cast<char>(static_cast<unsigned char>(c) - 10);
  size_t at = text.find("ReportOptions.Password=\"WXY\"");
  EXPECT_NE(at, std::string::npos);
  text.replace(at + 24, 3, lowered);
  return text;
}

}  // namespace

TEST(ReportStreaming, OldFilesOpenWithTheirThaiPasswords) {
  kvxSetUserPresent(false);
  // The code page 874 bytes of each password, as Python's cp874 codec gives them. Lowered,
  // "รหัสผ่าน" has MAI EK on 0xDE and "คนดี" KHO KHWAI on 0x9A, bytes the code page leaves
  // undefined; "าน" becomes C8 AF, which is UTF-8.
  const std::pair<String, std::string> passwords[] = {
      {"รหัสผ่าน", "\xC3\xCB\xD1\xCA\xBC\xE8\xD2\xB9"},
      {"คนดี", "\xA4\xB9\xB4\xD5"},
      {"าน", "\xD2\xB9"},
      {"abcก", "abc\xA1"},
  };
  std::string dir = TempFolder("old-passwords");
  for (const auto& [password, bytes] : passwords) {
    for (bool thaiCodePage : {true, false}) {
      SCOPED_TRACE(password + (thaiCodePage ? " in code page 874" : " in UTF-8"));
      std::string text = OldFile(bytes, thaiCodePage);
      auto reader = QuietReport();
      reader->EngineOptions()->EnabledLock = false;
      reader->ReportOptions()->AcceptedPassword = password;
      TStringStream in(text);
      reader->LoadFromStream(in);
      EXPECT_EQ(reader->Errors->Text(), "");
      EXPECT_EQ(reader->ReportOptions()->Password, password);
      EXPECT_EQ(reader->ReportOptions()->Name, kName);
      // Saved again it is well-formed, and opens with the same password.
      std::string file = dir + "/again.xml";
      reader->SaveToFile(file);
      EXPECT_EQ(XmlLint(ReadFile(file)), "");
      auto again = QuietReport();
      again->EngineOptions()->EnabledLock = false;
      again->ReportOptions()->AcceptedPassword = password;
      ASSERT_TRUE(again->LoadFromFile(file));
      EXPECT_EQ(again->Errors->Text(), "");
      EXPECT_EQ(again->ReportOptions()->Password, password);
      // Without it the report is refused.
      auto stranger = QuietReport();
      stranger->EngineOptions()->EnabledLock = false;
      TStringStream refused(text);
      stranger->LoadFromStream(refused);
      EXPECT_EQ(stranger->Errors->Text(), kvxGetResources()->Get("Invalid password") + "\r\n");
    }
  }
  // A password this program once stored as its UTF-8 bytes lowered, when they stayed UTF-8
  // ("เก" lowered is D6 AF 76 D6 AE 77), opened before and still does.
  auto reader = QuietReport();
  reader->EngineOptions()->EnabledLock = false;
  reader->ReportOptions()->AcceptedPassword = "เก";
  TStringStream in(OldFile("เก", false));
  reader->LoadFromStream(in);
  EXPECT_EQ(reader->Errors->Text(), "");
  EXPECT_EQ(reader->ReportOptions()->Password, "เก");
  std::filesystem::remove_all(dir);
}

TEST(ReportStreaming, OneStrayByteSpoilsOnlyItsOwnText) {
  auto report = QuietReport();
  report->ReportOptions()->Name = "ทะเบียนสัตบุรุษ";
  report->ReportOptions()->Author = "AUTHOR";
  auto* page = new TkvxReportPage(report.get());
  page->SetName("Page1");
  page->SetOutlineText("หน้าแรก");
  std::string text = SaveText(*report);
  size_t at = text.find("AUTHOR");
  ASSERT_NE(at, std::string::npos);
  // A byte of the Thai code page (0xA1, the letter KO KAI) where UTF-8 has none.
  text.replace(at, 6, "\xA1");
  auto reader = QuietReport();
  TStringStream in(text);
  reader->LoadFromStream(in);
  EXPECT_EQ(reader->Errors->Text(), "");
  EXPECT_EQ(reader->ReportOptions()->Name, "ทะเบียนสัตบุรุษ");
  EXPECT_EQ(reader->ReportOptions()->Author, "ก");
  ASSERT_EQ(reader->PagesCount(), 2);
  EXPECT_EQ(static_cast<TkvxReportPage*>(reader->FindObject("Page1"))->OutlineText(), "หน้าแรก");
}

TEST(ReportStreaming, ControlCharactersFromDataTravelAsReferences) {
  auto report = QuietReport();
  const String name = String("bell\a form\f nul") + '\0' + " esc\x1b tab\t end";
  report->ReportOptions()->Name = name;
  report->ReportOptions()->Description->SetText("line\fone\r\nline two");
  std::string text = SaveText(*report);
  EXPECT_EQ(XmlLint(text), "");
  auto reader = QuietReport();
  TStringStream in(text);
  reader->LoadFromStream(in);
  EXPECT_EQ(reader->Errors->Text(), "");
  EXPECT_EQ(reader->ReportOptions()->Name, name);
  EXPECT_EQ(reader->ReportOptions()->Description->Text(), "line\fone\r\nline two\r\n");
}

TEST(ReportStreaming, LoadingKeepsTheRunningReportsChoices) {
  auto source = QuietReport();
  source->SetShowProgress(false);
  source->SetOldStyleProgress(true);
  source->PreviewOptions()->OutlineVisible = true;
  source->PreviewOptions()->OutlineWidth = 222;
  source->PreviewOptions()->Zoom = 3;
  source->EngineOptions()->DoublePass = true;
  source->EngineOptions()->MaxMemSize = 99;
  std::string text = SaveText(*source);

  auto target = QuietReport();
  target->SetShowProgress(true);
  target->EngineOptions()->NewSilentMode = simSilent;
  TStringStream in(text);
  target->LoadFromStream(in);
  EXPECT_TRUE(target->ShowProgress());
  EXPECT_FALSE(target->OldStyleProgress());
  EXPECT_TRUE(target->PreviewOptions()->OutlineVisible);
  EXPECT_EQ(target->PreviewOptions()->OutlineWidth, 222);
  EXPECT_DOUBLE_EQ(target->PreviewOptions()->Zoom, 1);
  EXPECT_TRUE(target->EngineOptions()->DoublePass);
  EXPECT_EQ(target->EngineOptions()->MaxMemSize, 10);
  EXPECT_EQ(target->EngineOptions()->NewSilentMode, simSilent);
}

TEST(ReportStreaming, DataPageIsAddedFirstAndTakesTheNonVisualObjects) {
  auto report = QuietReport();
  TStringStream in(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><TkvxReport><TkvxReportPage Name=\"Page1\">"
      "<TkvxUserDataSet Name=\"Members\"/><TTestMemo Name=\"Memo1\"/><TkvxUserDataSet Name=\"Churches\"/>"
      "</TkvxReportPage><TTestMemo Name=\"Data\"/></TkvxReport>");
  report->LoadFromStream(in);
  EXPECT_EQ(report->Errors->Text(), "");
  auto* data = dynamic_cast<TkvxDataPage*>(report->Pages(0));
  ASSERT_TRUE(data);
  EXPECT_NE(data->Name(), "Data");
  ASSERT_EQ(data->Objects().size(), 2u);
  EXPECT_EQ(data->Objects()[0]->Name(), "Members");
  EXPECT_DOUBLE_EQ(data->Objects()[0]->Left(), 60);
  EXPECT_DOUBLE_EQ(data->Objects()[1]->Left(), 124);
  EXPECT_DOUBLE_EQ(data->Objects()[1]->Top(), 20);
  EXPECT_EQ(report->Pages(1)->Name(), "Page1");
  EXPECT_EQ(report->Pages(1)->Objects().size(), 1u);
}

TEST(ReportStreaming, FilesAndBadFiles) {
  std::string dir = TempFolder("report");
  auto report = QuietReport();
  EXPECT_FALSE(report->LoadFromFile(dir + "/missing.xml"));
  EXPECT_THROW(report->LoadFromFile(dir + "/missing.xml", true), EFOpenError);
  auto* page = new TkvxReportPage(report.get());
  page->SetName("Page1");
  report->SetParentReport(dir + "/base.xml");
  report->SaveToFile(dir + "/child.xml");
  std::string text = ReadFile(dir + "/child.xml");
  EXPECT_NE(text.find("ParentReport=\"base.xml\""), std::string::npos);
  EXPECT_EQ(report->ParentReport(), dir + "/base.xml");
  EXPECT_EQ(XmlLint(text), "");
  auto back = QuietReport();
  EXPECT_TRUE(back->LoadFromFile(dir + "/child.xml"));
  EXPECT_EQ(back->FileName, dir + "/child.xml");
  EXPECT_NE(back->FindObject("Page1"), nullptr);

  WriteFile(dir + "/broken.xml", "<?xml version=\"1.0\"?><TkvxReport><TkvxReportPage Name=\"P\"");
  auto broken = QuietReport();
  broken->EngineOptions()->NewSilentMode = simReThrow;
  try {
    broken->LoadFromFile(dir + "/broken.xml");
    ADD_FAILURE() << "no error raised";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), kvxGetResources()->Get("clErrors") + "\r\nInvalid file format\r\n");
  }
  std::filesystem::remove_all(dir);
}

TEST(ReportStreaming, SettingsStoreFollowsIniFile) {
  auto report = QuietReport();
  EXPECT_NE(dynamic_cast<TRegistryIniFile*>(report->GetIniFile().get()), nullptr);
  std::string dir = TempFolder("ini");
  report->SetIniFile(dir + "/report.ini");
  EXPECT_NE(dynamic_cast<TIniFile*>(report->GetIniFile().get()), nullptr);
  std::filesystem::remove_all(dir);
}
