// The .qpv file as untrusted input: a load that fails leaves the shown report as it was, and a
// save never destroys the file it replaces.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "report/engine/tests/StoreTestSupport.h"

namespace orv::test {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(PreparedReportFile, FailedLoadsLeaveTheShownReportUntouched) {
  TListReport sample;
  sample.Run(30);
  const std::string good = SaveText(*sample.Pages);

  TListReport shown;
  shown.Run(45);
  const std::string before = SaveText(*shown.Pages);
  const std::string header = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
  const std::vector<std::pair<std::string, std::string>> damaged = {
      {"empty", ""},
      {"not xml", "PK\x03\x04 not a prepared report"},
      {"cut short", good.substr(0, good.size() / 2)},
      {"other root", header + "<TkvxReport/>"},
      {"unknown class", Replace(good, "<t3 ", "<TNoSuchView ")},
      {"class that is not a view", Replace(good, "<t3 ", "<TkvxReport ")},
      {"page inside a page", Replace(good, "<t3 ", "<TkvxReportPage ")},
      {"alias without object", Replace(good, "<t3 name=\"Page0.No\"/>", "<t3 name=\"Page0.Gone\"/>")},
      {"source page out of range", Replace(good, "<page0>", "<page7>")},
      {"negative source page", Replace(good, "<page0>", "<page-1>")},
      {"dictionary page out of range", Replace(good, "name=\"Page0.Name\"", "name=\"Page99999999999.Name\"")},
      {"picture hex", Replace(good, "<picturecache/>", "<picturecache><item stream=\"4G\"/></picturecache>")},
      {"odd picture hex", Replace(good, "<picturecache/>", "<picturecache><item stream=\"424\"/></picturecache>")},
      // A memo text past 32 MB would cost gigabytes once decoded and laid out.
      {"value past 32 MB", Replace(good, "<t3 ", "<t3 u=\"" + std::string(33 << 20, 'x') + "\" ")},
  };
  for (const auto& [what, text] : damaged) {
    EXPECT_THROW(LoadText(*shown.Pages, text), Exception) << what;
    EXPECT_EQ(shown.Pages->GetCount(), 3) << what;
    EXPECT_EQ(FindMemo(shown.Pages->GetPage(2), "Name", 4)->Text(), "สมาชิก 45\r\n") << what;
    EXPECT_EQ(SaveText(*shown.Pages), before) << what;
  }

  // Damaged values inside a well-formed file are the file's business, not a crash: numbers that
  // are not numbers fall back, and a dictionary entry whose text is not an attribute is no path.
  std::string odd = Replace(good, "<page n=\"1\"/>", "<page n=\"x\" t=\"&#955;\"/>");
  odd = Replace(odd, "<b1 name=\"Page0.Title\"/>", "<b1 name=\"Page0.Title\" zz=\"1\"/>");
  TkvxReport report(nullptr);
  TkvxPreviewPages pages(&report);
  LoadText(pages, odd);
  pages.CurPage = 0;
  EXPECT_EQ(pages.GetLogicalPageNo(), 1);
  EXPECT_EQ(pages.GetLogicalTotalPages(), 0);
  EXPECT_NE(FindMemo(pages.GetPage(0), "Heading"), nullptr);
}

TEST(PreparedReportFile, SavesThroughATemporaryFileAndKeepsTheOldOneOnFailure) {
  std::string dir = TempFolder("qpv-save");
  std::string target = dir + "/members.qpv";
  TListReport list;
  list.Run(25);
  list.Pages->SaveToFile(target);
  std::string saved = ReadAll(target);
  EXPECT_EQ(saved, SaveText(*list.Pages));
  EXPECT_EQ(Lint(saved), "");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);

  TkvxReport report(nullptr);
  TkvxPreviewPages loaded(&report);
  EXPECT_TRUE(loaded.LoadFromFile(target));
  EXPECT_EQ(loaded.GetCount(), 2);
  EXPECT_THROW(loaded.LoadFromFile(dir + "/missing.qpv"), EFOpenError);
  EXPECT_EQ(loaded.GetCount(), 2);

  // A folder that refuses new files: the save fails and the old file stays whole.
  if (geteuid() != 0) {
    chmod(dir.c_str(), 0500);
    TListReport other;
    other.Run(60);
    EXPECT_THROW(other.Pages->SaveToFile(target), Exception);
    chmod(dir.c_str(), 0700);
    EXPECT_EQ(ReadAll(target), saved);
  }
  // A target that cannot be replaced (a folder of that name) keeps what is there.
  std::string folder = dir + "/taken.qpv";
  std::filesystem::create_directory(folder);
  EXPECT_THROW(list.Pages->SaveToFile(folder), std::exception);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 2);
}

// Every sample prepared report (and any folder named by QPV_SAMPLES) either loads, rebuilds its
// pages and saves to bytes that load and save the same, or fails with an error of the library.
TEST(PreparedReportFile, SamplesLoadOrFailCleanly) {
  RegisterStoreClasses();
  const char* env = std::getenv("QPV_SAMPLES");
  std::string folder = env && *env ? env : std::string(ORVANE_TEST_DATA) + "/qpv";
  int loadedCount = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string text = ReadAll(entry.path().string());
    TkvxReport report(nullptr);
    TkvxPreviewPages pages(&report);
    try {
      LoadText(pages, text);
    } catch (const Exception&) {
      continue;
    }
    ++loadedCount;
    for (Integer i = 0; i < pages.GetCount(); ++i) EXPECT_NE(pages.GetPage(i), nullptr) << entry.path();
    std::string saved = SaveText(pages);
    EXPECT_EQ(Lint(saved), "") << entry.path();
    TkvxPreviewPages again(&report);
    LoadText(again, saved);
    EXPECT_EQ(SaveText(again), saved) << entry.path();
  }
  if (!env) {
    EXPECT_GE(loadedCount, 2);
  }
}

}  // namespace
}  // namespace orv::test
