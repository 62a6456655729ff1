// Exporting the member list of a parish of 100,000 members (or the number given), every column,
// to a workbook: our exporter against python3-openpyxl in write-only mode writing the same rows,
// each in a process of its own so that its peak memory is its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "app/DemoParish.h"
#include "app/ParishSchema.h"
#include "bench/BenchTiming.h"
#include "platform/db/ADODB.h"
#include "xlsexport/ExcelExport.h"

using namespace orv;
using namespace orv::vwExcelExport;

namespace {

struct ChildRun {
  double seconds = 0;
  double peakMB = 0;
  bool ok = false;
};

// Runs work in a child process: wall-clock time and the child's peak resident memory.
ChildRun InChild(const std::function<int()>& work) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) _exit(work());
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  ChildRun r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.peakMB = usage.ru_maxrss / 1024.0;
  r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const int members = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
  auto dir = BenchFolder("xlsx");
  std::string file = (dir / ParishDatabaseName).string();
  CreateParishDatabase(file);
  {
    TADOConnection conn(nullptr);
    conn.SetConnectionString("Data Source=" + file);
    conn.Open();
    FillDemoParish(conn, members);
  }
  const std::string sql = "Select * from Orvani order by Nm, Sur";
  std::string ours = (dir / "ours.xlsx").string(), theirs = (dir / "openpyxl.xlsx").string();

  ChildRun our = InChild([&] {
    try {
      TADOConnection conn(nullptr);
      conn.SetConnectionString("Data Source=" + file);
      conn.Open();
      TADOQuery query(nullptr);
      query.SetName("Orvani");
      query.SetConnection(&conn);
      query.SQL().SetText(sql);
      TvwExcelExport exporter(nullptr);
      exporter.SetExcelVisible(false);
      exporter.SetDataset(&query);
      double open = Seconds([&] { query.Open(); });
      double export_ = Seconds([&] { exporter.ExportDataset(); });
      double save = Seconds([&] { exporter.SaveWorkbook(ours, 1); });
      std::printf("exported by us:        %d rows of %d columns\n", exporter.ExportedCount(), exporter.FieldNames().Count());
      std::printf("  query %.2f s, export into the sheet %.2f s, saving %.2f s\n", open, export_, save);
      std::fflush(stdout);
      return 0;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "export failed: %s\n", e.what());
      return 1;
    }
  });
  // The query alone, every record walked and every value read as the export reads them: what
  // of our peak is the data set's own.
  ChildRun walk = InChild([&] {
    TADOConnection conn(nullptr);
    conn.SetConnectionString("Data Source=" + file);
    conn.Open();
    TADOQuery query(nullptr);
    query.SetConnection(&conn);
    query.SQL().SetText(sql);
    query.Open();
    size_t bytes = 0;
    for (query.First(); !query.Eof(); query.Next())
      for (int i = 0; i < query.Fields().Count(); ++i) bytes += query.Fields()[i]->AsString().size();
    return bytes > 0 ? 0 : 1;
  });
  ChildRun peer = InChild([&] {
    execl(ORVANE_PYTHON, ORVANE_PYTHON, ORVANE_OPENPYXL_WRITER, file.c_str(), sql.c_str(), theirs.c_str(), nullptr);
    return 127;
  });

  std::printf("members:               %d\n", members);
  std::printf("our export:            %.2f s, peak %.0f MB, %.1f MB file%s\n", our.seconds, our.peakMB,
              our.ok ? std::filesystem::file_size(ours) / 1048576.0 : 0.0, our.ok ? "" : " (FAILED)");
  std::printf("openpyxl write-only:   %.2f s, peak %.0f MB, %.1f MB file%s\n", peer.seconds, peer.peakMB,
              peer.ok ? std::filesystem::file_size(theirs) / 1048576.0 : 0.0, peer.ok ? "" : " (FAILED)");
  std::printf("ratio openpyxl / ours: %.2f (target: at least 10)\n", peer.seconds / our.seconds);
  std::printf("our peak memory:       %.0f MB (target: under 120 MB); the query walked alone: %.0f MB\n", our.peakMB,
              walk.peakMB);
  std::filesystem::remove_all(dir);
  return our.ok && peer.ok ? 0 : 1;
}
