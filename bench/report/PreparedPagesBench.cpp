// The prepared pages store with a member list of 10,000 and 50,000 rows (53 rows a page, a
// group heading every 250 rows): time to write the pages, to rebuild every page, to save and
// load the .qpv, and the peak memory of each run, with the file cache on and off. Each run is a
// child process of its own, so that its peak memory is its own.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "bench/BenchTiming.h"
#include "report/engine/PreviewPages.h"
#include "bench/report/MemberRows.h"

using namespace orv;
using namespace orv::test;

namespace {

long PeakKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

void RunOnce(int rows, bool fileCache, const std::filesystem::path& dir) {
  RegisterStoreObjectClasses();
  TkvxReport report(nullptr);
  report.EngineOptions()->UseFileCache = fileCache;
  report.EngineOptions()->TempDir = dir.string();
  auto* page = new TkvxReportPage(&report);
  page->SetName("Page1");
  auto* group = new TStoreBand(page);
  group->SetName("Group");
  group->SetBounds(0, 0, 700, 24);
  auto* heading = new TStoreMemo(group);
  heading->SetName("Heading");
  heading->SetBounds(0, 2, 500, 20);
  TMemberRow data = AddMemberRow(page, 24);
  TkvxPreviewPages pages(&report);
  report.PreviewPages = &pages;
  double write = Seconds([&] {
    pages.Clear();
    pages.Initialize();
    pages.AddSourcePage(page);
    pages.BeginPass();
    for (int r = 0; r < rows; ++r) {
      if (r % 53 == 0) pages.AddPage(page);
      if (r % 250 == 0) {
        heading->SetText("กลุ่ม " + std::to_string(r / 250 + 1));
        group->SetTop((r % 53) * 20);
        pages.AddObject(group);
      }
      data.Band->SetTop((r % 53) * 20 + 24);
      FillMemberRow(data, r);
      pages.AddObject(data.Band);
    }
    pages.Finish();
  });
  long afterWrite = PeakKiB();
  double rebuild = Seconds([&] {
    for (Integer i = 0; i < pages.GetCount(); ++i) pages.GetPage(i);
  });
  std::string file = (dir / "members.qpv").string();
  double save = Seconds([&] { pages.SaveToFile(file); });
  TkvxReport other(nullptr);
  TkvxPreviewPages loaded(&other);
  double load = Seconds([&] { loaded.LoadFromFile(file); });
  std::printf("%6d rows  file cache %-3s  %5d pages  write %.3f s (%.1f ms per 1,000 rows)  rebuild all %.3f s"
              "  save %.3f s  load %.3f s  peak after writing %ld MiB, at the end %ld MiB  .qpv %.1f MiB\n",
              rows, fileCache ? "on" : "off", pages.GetCount(), write, write * 1000 / (rows / 1000.0), rebuild, save,
              load, afterWrite / 1024, PeakKiB() / 1024, std::filesystem::file_size(file) / 1048576.0);
  std::fflush(stdout);
  report.PreviewPages = nullptr;
}

}  // namespace

int main() {
  std::filesystem::path dir = BenchFolder("prepared-pages");
  for (int rows : {10000, 50000}) {
    for (bool fileCache : {true, false}) {
      pid_t pid = fork();
      if (pid == 0) {
        RunOnce(rows, fileCache, dir);
        std::_Exit(0);
      }
      int status = 0;
      waitpid(pid, &status, 0);
    }
  }
  std::filesystem::remove_all(dir);
  return 0;
}
