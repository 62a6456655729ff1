// Two member lists printed to PDF by orvane-report over "select *" of the register's 83 columns,
// as the main window's print command gives them their rows, at 10,000 members: the member list by
// name of app/reports, and an ordinary register list (a name memo that stretches, the title chosen
// by an IIF, the birth date through the memo's date display format, "page N of M"). The peer:
// LibreOffice headless printing the same list to PDF from a flat ODF spreadsheet laid out as the
// template is, the same columns with the same texts and "หน้า N จาก M" at the foot of its pages.
// Everything runs on one core (the lowest this program may use), each side a whole process by the
// wall clock, runs interleaved, three of each; each PDF's pages counted by qpdf and read back for a
// Thai name and the peer's for its footer.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchQuery.h"
#include "bench/BenchTiming.h"
#include "bench/PdfCheck.h"
#include "bench/report/ListRunSupport.h"

using namespace orv;

namespace {

constexpr int kMembers = 10000;
constexpr int kRounds = 3;
const char* const kOrder = " order by Nm collate THAI, Sur collate THAI";

// The register list as its template lays it out: the memos' widths with the gaps between them.
std::filesystem::path WriteRegisterListFods(const std::string& db, const std::filesystem::path& dir) {
  TFodsList list;
  list.WidthsPx = {56, 206, 66, 116, 176, 98};
  list.Wrapped = true;
  list.PaddingPx = 7;
  list.Face = "Laksaman";
  list.SizePt = 11.25;
  list.Heading = {{"ทะเบียนสัตบุรุษ"}, {"ลำดับ", "ชื่อนักบุญ ชื่อ นามสกุล", "คำนำหน้า", "วันเกิด", "ที่อยู่", "โทรศัพท์"}};
  list.Grouped = false;
  list.Total = [](int rows) { return "รวมทั้งสิ้น " + std::to_string(rows) + " รายการ"; };
  list.Cells = [](TADOQuery& q, int line) {
    auto field = [&](const char* name) { return q.FieldByName(name)->AsString(); };
    return std::vector<std::string>{std::to_string(line) + ".",
                                    field("st") + " " + field("Nm") + " " + field("Sur"),
                                    field("sex") == "ชาย" ? "นาย" : "นาง",
                                    FodsDate(field("born"), TFodsMonths::Thai),
                                    field("Address1") + " " + field("Address2"),
                                    field("tel")};
  };
  return WriteFodsList(db,
                       "select st, Nm, Sur, sex, strftime('%Y-%m-%d', birth_date) as born, Address1, Address2, tel "
                       "from Orvani" + std::string(kOrder),
                       dir / "register-list.fods", list);
}

struct TCase {
  const char* Title;
  const char* Template;
  std::filesystem::path (*PeerFile)(const std::string& db, const std::filesystem::path& dir);
};

struct TSide {
  std::vector<double> Seconds;
  double Best() const { return *std::min_element(Seconds.begin(), Seconds.end()); }
  double Worst() const { return *std::max_element(Seconds.begin(), Seconds.end()); }
};

void RunCase(const TCase& list, const std::string& db, const std::filesystem::path& dir, const std::string& name) {
  const std::string sql = "select * from Orvani" + std::string(kOrder);
  const std::filesystem::path peerFile = list.PeerFile(db, dir);
  const std::filesystem::path ours = dir / "ours.pdf";
  TSide oursRuns, peerRuns;
  bool oursOk = true, peerOk = true, peerFooter = true;
  double oursPeakMB = 0;
  TPeer peer;
  for (int round = 0; round < kRounds; ++round) {
    const std::string data = "kvxDBDataset3=" + sql;
    const ChildRun report = WholeProcess({ORVANE_REPORT_PROGRAM, list.Template, "--db", db, "--data", data, "--pdf",
                                          ours.string()});
    oursRuns.Seconds.push_back(report.seconds);
    oursPeakMB = std::max(oursPeakMB, report.peakMB);
    oursOk = oursOk && report.ok;
    peer = RunLibreOffice(peerFile, dir, name);
    peerRuns.Seconds.push_back(peer.Seconds);
    peerOk = peerOk && peer.Ok;
    peerFooter = peerFooter && peer.Footer;
  }
  const int pages = PdfPages(ours);
  const bool text = PdfHasText(ours, name) && PdfHasText(ours, "หน้า 1 จาก " + std::to_string(pages));
  std::printf("%s, %d members, select * of every column, through orvane-report to PDF\n", list.Title, kMembers);
  std::printf("  ours: %.3f-%.3f s, %d pages, peak %.1f MB%s\n", oursRuns.Best(), oursRuns.Worst(), pages, oursPeakMB,
              oursOk && text ? "" : " (FAILED, or the PDF lacks a member's name or its footer)");
  if (!peerOk) {
    std::printf("  LibreOffice did not print the list; no ratio\n");
    return;
  }
  std::printf("  LibreOffice printing the same list to PDF: %.3f-%.3f s, %d pages (ours %d), footer page N of M %s, "
              "peak %.1f MB\n",
              peerRuns.Best(), peerRuns.Worst(), peer.Pages, pages, peerFooter ? "on its pages" : "MISSING",
              peer.PeakMB);
  std::vector<double> ratios;
  for (int i = 0; i < kRounds; ++i) ratios.push_back(peerRuns.Seconds[i] / oursRuns.Seconds[i]);
  std::printf("  ratio %.1fx best against best (its time / ours), %.1f-%.1fx run by run; target 20x\n",
              peerRuns.Best() / oursRuns.Best(), *std::min_element(ratios.begin(), ratios.end()),
              *std::max_element(ratios.begin(), ratios.end()));
}

}  // namespace

int main() {
  const int core = PinToOneCore();
  auto dir = BenchFolder("report-tool");
  CreateDemoParish(dir.string(), kMembers);
  const std::string db = (dir / ParishDatabaseName).string();
  // The first member of the lists, on their first page.
  std::string name;
  {
    TBenchQuery first(db, "select Nm from Orvani" + std::string(kOrder));
    first.Query.Open();
    name = first.Query.FieldByName("Nm")->AsString();
  }
  WriteCsv(db, "select Nm from Orvani where ID = 1", dir / "one.csv");
  // LibreOffice's first start fills its profile: not counted.
  RunLibreOffice(dir / "one.csv", dir);
  std::printf("on core %d alone, every process of both sides, whole processes, runs interleaved\n", core);
  const TCase cases[] = {{"member list by name", ORVANE_MEMBERS_BY_NAME, WriteMembersByNameFods},
                         {"register list: stretched name, IIF title, date display format", ORVANE_REGISTER_LIST,
                          WriteRegisterListFods}};
  for (const TCase& list : cases) RunCase(list, db, dir, name);
  std::filesystem::remove_all(dir);
  return 0;
}
