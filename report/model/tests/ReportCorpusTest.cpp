// Every file of a folder of report files (the project's own, or $REPORT_CORPUS) loads without
// errors, saves, loads again and saves to the same bytes, and every written file is well-formed
// XML to xmllint. Files named ".bad." must fail with an error message; files named ".skip." load
// with their unknown classes and their values that do not convert skipped and reported, and save
// what the same file without those values saves.
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

std::string LoadAndSave(const std::string& text, Integer& errors) {
  auto report = QuietReport();
  TStringStream in(text);
  report->LoadFromStream(in);
  errors = report->Errors->Count();
  return Save(*report);
}

// A file without dates of its own gets the time of its loading: two loads differ there only.
std::string WithoutLoadTimes(std::string save) {
  for (const std::string name : {" ReportOptions.CreateDate=\"", " ReportOptions.LastChange=\""}) {
    size_t at = save.find(name);
    if (at == std::string::npos) continue;
    size_t end = save.find('"', at + name.size());
    if (end != std::string::npos) save.erase(at, end + 1 - at);
  }
  return save;
}

// The property a conversion error names at its end, as in "... (HAlign)"; '' for other lines.
std::string NamedProperty(const std::string& line) {
  if (line.size() < 3 || line.back() != ')') return "";
  size_t open = line.rfind(" (");
  return open == std::string::npos ? "" : line.substr(open + 2, line.size() - open - 3);
}

// The file without the attributes whose values could not be applied: each attribute named by an
// error line is dropped when dropping it takes an error away.
std::string WithoutBrokenAttributes(std::string text, const std::vector<std::string>& properties) {
  Integer errors = 0;
  LoadAndSave(text, errors);
  for (const std::string& property : properties) {
    const std::string needle = property + "=\"";
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
      // The attribute's own name (or the last part of a dotted one) must be the property.
      char before = at > 0 ? text[at - 1] : ' ';
      if (before != ' ' && before != '.' && before != '\t' && before != '\n') continue;
      size_t start = text.find_last_of(" \t\n", at);
      size_t end = text.find('"', at + needle.size());
      if (start == std::string::npos || end == std::string::npos) continue;
      std::string candidate = text.substr(0, start) + text.substr(end + 1);
      Integer fewer = 0;
      LoadAndSave(candidate, fewer);
      if (fewer < errors) {
        text = std::move(candidate);
        errors = fewer;
        at = start;
      }
    }
  }
  return text;
}

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
      // Unknown classes and values that do not convert are reported as skipped; unknown
      // properties are passed over in silence.
      std::vector<std::string> properties;
      for (Integer i = 0; i < report->Errors->Count(); ++i) {
        const std::string line = report->Errors->Strings(i);
        if (line.rfind(cantFind + " ", 0) == 0) continue;
        properties.push_back(NamedProperty(line));
        EXPECT_NE(properties.back(), "") << "neither a class nor a value skipped: " << line;
      }
      if (!properties.empty()) {
        std::string clean = WithoutBrokenAttributes(ReadFile(path), properties);
        Integer left = 0;
        std::string cleanSave = LoadAndSave(clean, left);
        auto check = QuietReport();
        TStringStream in(clean);
        check->LoadFromStream(in);
        for (Integer i = 0; i < check->Errors->Count(); ++i)
          EXPECT_EQ(check->Errors->Strings(i).rfind(cantFind + " ", 0), 0u)
              << "left in the file without the broken values: " << check->Errors->Strings(i);
        EXPECT_EQ(WithoutLoadTimes(Save(*report)), WithoutLoadTimes(cleanSave))
            << "the skipped values changed more than themselves";
      }
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
