// Every file of a folder of report files (the project's own, or $REPORT_CORPUS) loads without
// errors, saves, loads again and saves to the same bytes, and every written file is well-formed
// XML to xmllint. Files named ".bad." must fail with an error message; files named ".skip." load
// with their unknown classes skipped and reported.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "report/model/Resources.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

std::string CorpusDir() {
  const char* env = std::getenv("REPORT_CORPUS");
  return env && *env ? env : ORVANE_TEST_DATA "/corpus";
}

std::string Save(TkvxReport& report) {
  TStringStream out;
  report.SaveToStream(out);
  return out.DataString();
}

std::string Errors(TkvxReport& report) { return report.Errors->Text(); }

}  // namespace

TEST(ReportCorpus, LoadsSavesAndReloadsEveryFile) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusDir()))
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty()) << "no report files in " << CorpusDir();
  String cantFind = kvxGetResources()->Get("xrCantFindClass");
  for (const std::string& path : files) {
    std::string name = std::filesystem::path(path).filename().string();
    SCOPED_TRACE(name);
    auto report = QuietReport();
    report->LoadFromFile(path);
    if (name.find(".bad.") != std::string::npos) {
      EXPECT_GT(report->Errors->Count(), 0) << "a broken file loaded without a message";
      for (Integer i = 0; i < report->Errors->Count(); ++i) EXPECT_FALSE(report->Errors->Strings(i).empty());
      continue;
    }
    if (name.find(".skip.") != std::string::npos) {
      // Unknown classes are reported as skipped; unknown properties are passed over in silence.
      for (Integer i = 0; i < report->Errors->Count(); ++i)
        EXPECT_EQ(report->Errors->Strings(i).rfind(cantFind + " ", 0), 0u) << report->Errors->Strings(i);
    } else {
      EXPECT_EQ(Errors(*report), "");
    }
    std::string first = Save(*report);
    EXPECT_EQ(XmlLint(first), "");
    auto again = QuietReport();
    TStringStream in(first);
    again->LoadFromStream(in);
    EXPECT_EQ(Errors(*again), "") << "the saved file does not load cleanly";
    std::string second = Save(*again);
    EXPECT_EQ(first, second) << "saving the reloaded report changed the file";
  }
}
