// A grouped member list of the demo parish prepared by the band engine and exported to PDF:
// 10,000 and 50,000 rows in 40 groups, with line numbers and "page N of M" (so two passes), the
// file cache on. Each run is a child process, so that its peak memory is its own. The peer, in
// the same run: LibreOffice headless printing the same list to PDF from a flat ODF spreadsheet
// laid out as the report is (its column, face and size, a row for each group and its count,
// "page N of M"), with a profile of its own in the benchmark's folder, timed as a whole process
// as our runs are, its page count beside ours.
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

void RunOnce(const std::string& db, int rows, const std::filesystem::path& dir, bool readRowsFirst) {
  TimeListRun(db, GroupedMembersSql(rows), dir, rows, readRowsFirst, AddGroupedListBands);
}

}  // namespace

int main(int argc, char** argv) {
  if (RunListChild(argc, argv, RunOnce)) return 0;
  auto dir = BenchFolder("report-run");
  TListComparison c =
      CompareListRuns(argv[0], dir, GroupedMembersSql, "grouped member list, 40 groups, two passes, file cache on, PDF export",
                      50000, WriteGroupedFods);
  const TResult &r10 = c.Rows10k, &r50 = c.Rows50k;
  const std::string db = (dir / ParishDatabaseName).string();
  const TResult m10 = RunChild(argv[0], db, 10000, dir, TChildRun::ReadRowsFirst),
                m50 = RunChild(argv[0], db, 50000, dir, TChildRun::ReadRowsFirst);
  std::printf("marginal cost: prepare %.1f ms, with PDF %.1f ms per 1,000 rows\n", (r50.Seconds - r10.Seconds) / 40 * 1000,
              (r50.Seconds + r50.ExportSeconds - r10.Seconds - r10.ExportSeconds) / 40 * 1000);
  std::printf("memory growth from 10,000 to 50,000 rows: rows read alone %.1f MB, prepared %.1f MB, with PDF %.1f MB\n",
              m50.RowsPeakMB - m10.RowsPeakMB, r50.PreparedPeakMB - r10.PreparedPeakMB, r50.PeakMB - r10.PeakMB);
  std::printf("the run's own memory above its rows: %.1f MB at 10,000, %.1f MB at 50,000 rows\n",
              m10.PreparedPeakMB - m10.RowsPeakMB, m50.PreparedPeakMB - m50.RowsPeakMB);
  std::printf("resident once prepared: allocated %.1f MB and mapped files %.1f MB at 10,000 rows, %.1f MB and %.1f MB "
              "at 50,000\n",
              r10.PreparedAnonMB, r10.PreparedFileMB, r50.PreparedAnonMB, r50.PreparedFileMB);
  PrintPeerLine(c);
  std::filesystem::remove_all(dir);
  return 0;
}
