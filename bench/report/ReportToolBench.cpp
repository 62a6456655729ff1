// The member list by name of app/reports printed to PDF by orvane-report over "select *" of the
// register's 83 columns, as the main window's print command gives it its rows, at 10,000
// members; the peer: LibreOffice headless printing the same list to PDF from a flat ODF
// spreadsheet laid out as the template is. Both timed as whole processes by the wall clock,
// runs interleaved, the best of three each, each PDF's pages counted by qpdf and read back for a
// Thai name.
#include <cstdio>
#include <string>

#include "bench/BenchQuery.h"
#include "bench/BenchTiming.h"
#include "bench/PdfCheck.h"
#include "bench/report/ListRunSupport.h"

using namespace orv;

namespace {

constexpr int kMembers = 10000;

}  // namespace

int main() {
  auto dir = BenchFolder("report-tool");
  CreateDemoParish(dir.string(), kMembers);
  const std::string db = (dir / ParishDatabaseName).string();
  const std::string sql = "select * from Orvani order by Nm collate THAI, Sur collate THAI";
  const std::filesystem::path peerFile = WriteMembersByNameFods(db, dir);
  const std::filesystem::path ours = dir / "ours.pdf";
  // The first member of the list, on its first page.
  std::string name;
  {
    TBenchQuery first(db, sql);
    first.Query.Open();
    name = first.Query.FieldByName("Nm")->AsString();
  }
  WriteCsv(db, "select Nm from Orvani where ID = 1", dir / "one.csv");
  // LibreOffice's first start fills its profile: not counted.
  RunLibreOffice(dir / "one.csv", dir);
  double oursSeconds = 1e9, oursPeakMB = 0;
  bool oursOk = true;
  TPeer peer;
  for (int round = 0; round < 3; ++round) {
    const ChildRun report = WholeProcess({ORVANE_REPORT_PROGRAM, ORVANE_MEMBERS_BY_NAME, "--db", db, "--data",
                                       "kvxDBDataset3=" + sql, "--pdf", ours.string()});
    oursSeconds = std::min(oursSeconds, report.seconds);
    oursPeakMB = std::max(oursPeakMB, report.peakMB);
    oursOk = oursOk && report.ok;
    TPeer run = RunLibreOffice(peerFile, dir, name);
    if (round == 0 || (run.Ok && run.Seconds < peer.Seconds)) peer = run;
  }
  const int pages = PdfPages(ours);
  const bool text = PdfHasText(ours, name);
  std::printf("member list by name of %d members, select * of every column, through orvane-report to PDF\n",
              kMembers);
  std::printf("ours: %.3f s, %d pages, peak %.1f MB%s\n", oursSeconds, pages, oursPeakMB,
              oursOk && text ? "" : " (FAILED, or the PDF lacks a member's name)");
  if (!peer.Ok)
    std::printf("LibreOffice did not print the list; no ratio\n");
  else
    std::printf("LibreOffice printing the same list to PDF: %.3f s, %d pages (ours %d), peak %.1f MB; ratio %.1fx "
                "(its time / ours), whole process each\n",
                peer.Seconds, peer.Pages, pages, peer.PeakMB, peer.Seconds / oursSeconds);
  std::filesystem::remove_all(dir);
  return 0;
}
