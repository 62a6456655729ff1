// A grouped member list of the demo parish prepared by the band engine and exported to PDF:
// 10,000 and 50,000 rows in 40 groups, with line numbers and "page N of M" (so two passes), the
// file cache on. Each run is a child process, so that its peak memory is its own. The peer, in
// the same run: LibreOffice headless converting the same rows from CSV to PDF, with a profile of
// its own in the benchmark's folder.
#include <cstdio>
#include <string>
#include <vector>

#include "app/DemoParish.h"
#include "app/ParishSchema.h"
#include "bench/BenchTiming.h"
#include "bench/report/ListRunSupport.h"
#include "platform/db/ADODB.h"
#include "report/engine/tests/EngineObjects.h"
#include "report/model/DBDataset.h"
#include "report/pdf/PdfExport.h"

using namespace orv;
using namespace orv::test;

namespace {

void RunOnce(const std::string& db, int rows, const std::filesystem::path& dir) {
  TimeListRun(db, GroupedMembersSql(rows), dir, rows, AddGroupedListBands);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--run") {
    RunOnce(argv[2], std::stoi(argv[3]), argv[4]);
    return 0;
  }
  auto dir = BenchFolder("report-run");
  TListComparison c =
      CompareListRuns(argv[0], dir, GroupedMembersSql, "grouped member list, 40 groups, two passes, file cache on, PDF export");
  const TResult &r10 = c.Rows10k, &r50 = c.Rows50k;
  std::printf("marginal cost: prepare %.1f ms, with PDF %.1f ms per 1,000 rows\n", (r50.Seconds - r10.Seconds) / 40 * 1000,
              (r50.Seconds + r50.ExportSeconds - r10.Seconds - r10.ExportSeconds) / 40 * 1000);
  std::printf("memory growth from 10,000 to 50,000 rows: rows read alone %.1f MB, prepared %.1f MB, with PDF %.1f MB\n",
              r50.RowsPeakMB - r10.RowsPeakMB, r50.PreparedPeakMB - r10.PreparedPeakMB, r50.PeakMB - r10.PeakMB);
  std::printf("the run's own memory above its rows: %.1f MB at 10,000, %.1f MB at 50,000 rows\n",
              r10.PreparedPeakMB - r10.RowsPeakMB, r50.PreparedPeakMB - r50.RowsPeakMB);
  std::printf("resident once prepared: allocated %.1f MB and mapped files %.1f MB at 10,000 rows, %.1f MB and %.1f MB "
              "at 50,000\n",
              r10.PreparedAnonMB, r10.PreparedFileMB, r50.PreparedAnonMB, r50.PreparedFileMB);
  if (PrintPeerLine(c)) {
    double ours = r10.Seconds + r10.ExportSeconds;
    std::printf("ratio at 10,000 rows: %.1fx faster with PDF (%.1fx preparing only); target 20x, under 100 MB\n",
                ours > 0 ? c.Peer.Seconds / ours : 0.0, r10.Seconds > 0 ? c.Peer.Seconds / r10.Seconds : 0.0);
  }
  std::filesystem::remove_all(dir);
  return 0;
}
