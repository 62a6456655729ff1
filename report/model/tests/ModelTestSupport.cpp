#include "report/model/tests/ModelTestSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/gui/Application.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/tests/ScratchFolder.h"

namespace {

// The password prompt and the progress window are windows: one Qt application for all tests.
class TModelEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || !*platform) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    orv::Application->Initialize();
  }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new TModelEnvironment);

}  // namespace

namespace orv {

using test::TTestBand;
using test::TTestMemo;

ORV_IMPLEMENT_CLASS(TTestMemo, c) {
  c.Prop("Align", &TTestMemo::Align, &TTestMemo::SetAlign).Default(baNone);
  c.Prop("Left", &TTestMemo::Left, &TTestMemo::SetLeft);
  c.Prop("Top", &TTestMemo::Top, &TTestMemo::SetTop);
  c.Prop("Width", &TTestMemo::Width, &TTestMemo::SetWidth);
  c.Prop("Height", &TTestMemo::Height, &TTestMemo::SetHeight);
  c.Prop("Font", &TTestMemo::Font, &TTestMemo::SetFont);
  c.Prop("ParentFont", &TTestMemo::ParentFont, &TTestMemo::SetParentFont).Default(true);
  c.Prop("Restrictions", &TTestMemo::Restrictions, &TTestMemo::SetRestrictions).Default(TkvxRestrictions());
  c.Prop("Visible", &TTestMemo::Visible, &TTestMemo::SetVisible).Default(true);
  c.Prop("Memo", &TTestMemo::Memo, &TTestMemo::SetMemo);
  c.Prop("Style", &TTestMemo::Style, &TTestMemo::SetStyle);
  c.Prop("DataSet", &TTestMemo::DataSet, &TTestMemo::SetDataSet);
  c.Prop("Link", &TTestMemo::Link, &TTestMemo::SetLink);
  c.Prop("Big", &TTestMemo::Big, &TTestMemo::SetBig).Default(0);
  c.Prop("Data", &TTestMemo::Data, &TTestMemo::SetData);
  c.Prop("Sides", &TTestMemo::Sides, &TTestMemo::SetSides).Default(TkvxFrameTypes());
}

ORV_IMPLEMENT_CLASS(TTestBand, c) {
  c.Prop("Left", &TTestBand::Left, &TTestBand::SetLeft);
  c.Prop("Top", &TTestBand::Top, &TTestBand::SetTop);
  c.Prop("Width", &TTestBand::Width, &TTestBand::SetWidth);
  c.Prop("Height", &TTestBand::Height, &TTestBand::SetHeight);
}

namespace test {

TTestMemo::TTestMemo(TComponent* owner) : TkvxReportComponent(owner), memo_(std::make_unique<TWideStrings>()) {}

void RegisterTestClasses() {
  kvxRegisterModelClasses();
  RegisterClasses({TTestMemo::StaticClass(), TTestBand::StaticClass(), TkvxUserDataSet::StaticClass()});
}

std::unique_ptr<TkvxReport> QuietReport() {
  RegisterTestClasses();
  auto report = std::make_unique<TkvxReport>(nullptr);
  report->EngineOptions()->NewSilentMode = simSilent;
  report->EngineOptions()->EnabledLock = true;
  return report;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out << data;
}

std::string XmlLint(const std::string& data) {
  std::string dir = TempFolder("lint");
  std::string file = dir + "/check.xml";
  WriteFile(file, data);
  std::string cmd = "xmllint --noout '" + file + "' 2>&1";
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    if (pclose(p) != 0 && out.empty()) out = "xmllint failed";
  } else {
    out = "xmllint could not start";
  }
  std::filesystem::remove_all(dir);
  return out;
}

std::string TempFolder(const std::string& name) {
  static int counter = 0;
  auto dir = orv::testing::ProcessScratchFolder("orvane-model-") / (name + "-" + std::to_string(++counter));
  std::filesystem::create_directories(dir);
  return dir.string();
}

}  // namespace test
}  // namespace orv
