#include "report/engine/tests/StoreTestSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/gui/Application.h"
#include "platform/rtl/tests/ScratchFolder.h"

namespace orv::test {

void RegisterStoreClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize();
  RegisterStoreObjectClasses();
}

TListReport::TListReport() {
  RegisterStoreClasses();
  Report = std::make_unique<TkvxReport>(nullptr);
  Report->EngineOptions()->NewSilentMode = simSilent;
  Page = new TkvxReportPage(Report.get());
  Page->SetName("Page1");
  Title = new TStoreBand(Page);
  Title->SetName("Title");
  Title->SetBounds(0, 0, 700, 40);
  auto* heading = new TStoreMemo(Title);
  heading->SetName("Heading");
  heading->SetBounds(10, 5, 300, 20);
  heading->SetText("รายชื่อสัตบุรุษ");
  auto* rule = new TStoreLine(Title);
  rule->SetName("Rule");
  rule->SetBounds(0, 38, 700, 1);
  Data = new TStoreBand(Page);
  Data->SetName("Data");
  Data->SetBounds(0, 40, 700, 20);
  No = new TStoreMemo(Data);
  No->SetName("No");
  No->SetBounds(0, 0, 40, 20);
  Name = new TStoreMemo(Data);
  Name->SetName("Name");
  Name->SetBounds(50, 0, 400, 20);
  Name->SetDataField("Nm");
  Pages = std::make_unique<TkvxPreviewPages>(Report.get());
  Report->PreviewPages = Pages.get();
}

TListReport::~TListReport() {
  Report->PreviewPages = nullptr;
  Pages.reset();
}

void TListReport::Start() {
  Pages->Clear();
  Pages->Initialize();
  Pages->AddSourcePage(Page);
  Pages->BeginPass();
}

void TListReport::AddRow(int row, const std::string& name) {
  if (row % 20 == 0) {
    Pages->AddPage(Page);
    Pages->AddObject(Title);
  }
  Data->SetTop(40 + 20 * (row % 20));
  No->SetText(std::to_string(row + 1));
  Name->SetText(name);
  Pages->AddObject(Data);
}

void TListReport::Run(int rows) {
  Start();
  for (int i = 0; i < rows; ++i) AddRow(i, "สมาชิก " + std::to_string(i + 1));
  Pages->Finish();
}

std::string SaveText(TkvxPreviewPages& pages) {
  TStringStream out;
  pages.SaveToStream(out);
  return out.DataString();
}

void LoadText(TkvxPreviewPages& pages, const std::string& text) {
  TStringStream in(text);
  pages.LoadFromStream(in);
}

TStoreMemo* FindMemo(TkvxReportPage* page, const std::string& name, int occurrence) {
  if (!page) return nullptr;
  for (TkvxComponent* c : page->AllObjects())
    if (c->Name() == name && dynamic_cast<TStoreMemo*>(c) && occurrence-- == 0) return static_cast<TStoreMemo*>(c);
  return nullptr;
}

std::string Lint(const std::string& xml) {
  std::string path = TempFolder("lint") + "/doc.xml";
  std::ofstream(path, std::ios::binary) << xml;
  std::string command = "xmllint --noout " + path + " 2>&1";
  std::string result;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, pipe)) result.append(buf, n);
    pclose(pipe);
  }
  return result;
}

std::string TempFolder(const std::string& name) {
  auto dir = orv::testing::ProcessScratchFolder("orvane-store-") / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

}  // namespace orv::test
