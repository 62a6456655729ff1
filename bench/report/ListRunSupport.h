#pragma once
// What the list benchmarks share: a run of the list in a child process of its own (so that its
// peak memory is its own), page counts read by qpdf, and the peer, LibreOffice headless
// converting the same rows from CSV to PDF with a profile of its own.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>

#include "app/DemoParish.h"
#include "app/ParishSchema.h"
#include "bench/BenchTiming.h"
#include "platform/db/ADODB.h"
#include "report/engine/tests/EngineObjects.h"
#include "report/model/Bands.h"
#include "report/model/DBDataset.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"
#include "report/model/Report.h"
#include "report/pdf/PdfExport.h"

namespace orv {

// Resident memory now, in MB, split as the kernel counts it: the process's own allocations
// (anonymous) and pages of mapped files (the program, its libraries and fonts), which do not
// grow with the rows.
inline std::pair<double, double> ResidentSplitMB() {
  std::ifstream status("/proc/self/status");
  double anon = 0, file = 0;
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("RssAnon:", 0) == 0) anon = std::stod(line.substr(8)) / 1024;
    if (line.rfind("RssFile:", 0) == 0) file = std::stod(line.substr(8)) / 1024;
  }
  return {anon, file};
}

// What a child prints when its run is done: rows, pages, seconds preparing and exporting, peak
// MB after reading the rows and after preparing, resident allocations and mapped files in MB.
inline void PrintRunLine(int rows, int pages, double seconds, double exportSeconds, double rowsPeakMB,
                         double preparedPeakMB, double anonMB, double fileMB) {
  std::printf("%d %d %.3f %.3f %.1f %.1f %.1f %.1f\n", rows, pages, seconds, exportSeconds, rowsPeakMB, preparedPeakMB,
              anonMB, fileMB);
}

struct TResult {
  int Pages = 0;
  double Seconds = 0, ExportSeconds = 0, RowsPeakMB = 0, PreparedPeakMB = 0, PeakMB = 0;
  double PreparedAnonMB = 0, PreparedFileMB = 0;
};

// A fresh process of this program, so that nothing of the parent's Qt state is shared.
inline TResult RunChild(const char* self, const std::string& db, int rows, const std::filesystem::path& dir) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    std::string count = std::to_string(rows), folder = dir.string();
    execl(self, self, "--run", db.c_str(), count.c_str(), folder.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  char buf[256] = {};
  ssize_t n = read(fds[0], buf, sizeof buf - 1);
  close(fds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  TResult r;
  int count = 0;
  if (n > 0)
    std::sscanf(buf, "%d %d %lf %lf %lf %lf %lf %lf", &count, &r.Pages, &r.Seconds, &r.ExportSeconds, &r.RowsPeakMB,
                &r.PreparedPeakMB, &r.PreparedAnonMB, &r.PreparedFileMB);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "the run of %d rows failed\n", rows);
  r.PeakMB = usage.ru_maxrss / 1024.0;
  return r;
}

// Pages of a PDF file as qpdf counts them; 0 when it cannot.
inline int PdfPages(const std::filesystem::path& file) {
  std::string command = "qpdf --show-npages '" + file.string() + "' 2>/dev/null";
  FILE* out = popen(command.c_str(), "r");
  if (!out) return 0;
  int pages = 0;
  if (std::fscanf(out, "%d", &pages) != 1) pages = 0;
  pclose(out);
  return pages;
}

// The rows of sql as CSV, written by the sqlite3 command line.
inline void WriteCsv(const std::string& db, const std::string& sql, const std::filesystem::path& csv) {
  std::string command = "sqlite3 -csv -header '" + db + "' \"" + sql + "\" > '" + csv.string() + "'";
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "sqlite3 could not write %s\n", csv.c_str());
}

struct TPeer {
  double Seconds = 0, PeakMB = 0;
  int Pages = 0;
  bool Ok = false;
};

// LibreOffice converting csv to PDF in dir with a private profile; the peak memory is that of
// the largest of its processes, read once they have all ended.
inline TPeer RunLibreOffice(const std::filesystem::path& csv, const std::filesystem::path& dir) {
  std::filesystem::path profile = dir / "lo-profile";
  std::string installation = "-env:UserInstallation=file://" + profile.string();
  std::string outdir = dir.string(), input = csv.string();
  TPeer peer;
  rusage before{};
  getrusage(RUSAGE_CHILDREN, &before);
  peer.Seconds = Seconds([&] {
    pid_t pid = fork();
    if (pid == 0) {
      int null = open("/dev/null", O_WRONLY);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
      execlp("libreoffice", "libreoffice", installation.c_str(), "--headless", "--convert-to", "pdf", "--outdir",
             outdir.c_str(), input.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    peer.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  });
  rusage after{};
  getrusage(RUSAGE_CHILDREN, &after);
  peer.PeakMB = std::max(after.ru_maxrss, before.ru_maxrss) / 1024.0;
  std::filesystem::path pdf = dir / csv.filename().replace_extension(".pdf");
  peer.Pages = PdfPages(pdf);
  peer.Ok = peer.Ok && peer.Pages > 0;
  std::filesystem::remove(pdf);
  std::filesystem::remove_all(profile);
  return peer;
}

// The child's run: the rows of sql as data set "M" of a report in two passes, whose one page
// addBands fills; the rows read alone (what they cost in memory), the report prepared, and its
// pages exported to members-<rows>.pdf in dir; prints the run's line for the parent.
inline void TimeListRun(const std::string& db, const std::string& sql, const std::filesystem::path& dir, int rows,
                        const std::function<void(TkvxReportPage*, TkvxDBDataset*)>& addBands) {
  test::RegisterEngineObjects();
  TComponent window(nullptr);
  auto* conn = new TADOConnection(&window);
  conn->SetConnectionString("Provider=SQLite;Data Source=" + db + ";Mode=Share Deny None");
  conn->Open();
  auto* query = new TADOQuery(&window);
  query->SetConnection(conn);
  query->SQL().SetText(sql);
  auto* members = new TkvxDBDataset(&window);
  members->SetName("M");
  members->SetDataSet(query);
  TkvxReport report(&window);
  report.EngineOptions()->NewSilentMode = simSilent;
  report.EngineOptions()->DoublePass = true;
  report.EngineOptions()->UseFileCache = true;
  report.EngineOptions()->TempDir = dir.string();
  report.DataSets->Add()->SetDataSet(members);
  auto* page = new TkvxReportPage(&report);
  page->SetName("Page1");
  addBands(page, members);
  query->Open();
  for (query->First(); !query->Eof(); query->Next()) {
  }
  query->Close();
  rusage read{};
  getrusage(RUSAGE_SELF, &read);
  bool ok = false;
  double seconds = Seconds([&] { ok = report.PrepareReport(); });
  if (!ok) std::fprintf(stderr, "%s", report.Errors->Text().c_str());
  rusage prepared{};
  getrusage(RUSAGE_SELF, &prepared);
  auto [anonMB, fileMB] = ResidentSplitMB();
  TkvxPDFExport pdf(&window);
  pdf.SetShowDialog(false);
  pdf.SetShowProgress(false);
  pdf.SetFileName((dir / ("members-" + std::to_string(rows) + ".pdf")).string());
  double exportSeconds = Seconds([&] { report.PreviewPages->Export(&pdf); });
  PrintRunLine(rows, report.PreviewPages->GetCount(), seconds, exportSeconds, read.ru_maxrss / 1024.0,
               prepared.ru_maxrss / 1024.0, anonMB, fileMB);
}

// The list of report_run_bench: the first members by number, in 40 groups of equal size.
inline std::string GroupedMembersSql(int rows) {
  return "select ID, Nm, sur, (ID % 40) as grp from Orvani where ID <= " + std::to_string(rows) + " order by grp, ID";
}

// Its bands: a heading, the group with its count, a numbered row a member, "page N of M".
inline void AddGroupedListBands(TkvxReportPage* page, TkvxDBDataset* members) {
  auto band = [&](TkvxBand* b, const char* name, Extended top, const char* text) {
    b->SetName(name);
    b->SetBounds(0, top, 700, 20);
    auto* memo = new TkvxMemoView(b);
    memo->SetName(std::string(name) + "Text");
    memo->SetBounds(0, 0, 600, 20);
    memo->SetText(kvxUtf8ToWide(text));
    return b;
  };
  band(new TkvxPageHeader(page), "PH", 0, "รายชื่อสมาชิก");
  static_cast<TkvxGroupHeader*>(band(new TkvxGroupHeader(page), "GH", 20, "กลุ่ม [M.\"grp\"]"))->Condition = "M.\"grp\"";
  static_cast<TkvxMasterData*>(band(new TkvxMasterData(page), "Data", 40, "[Line]. [M.\"Nm\"] [M.\"sur\"]"))->SetDataSet(members);
  band(new TkvxGroupFooter(page), "GF", 60, "[COUNT(Data)] คน");
  band(new TkvxPageFooter(page), "PF", 200, "หน้า [Page#] จาก [TotalPages#]");
}

// The parent's side of a list benchmark, in dir: a parish of 50,000 members, LibreOffice converting
// one and 10,000 of its rows (a first start fills its profile, the second is its own start-up),
// then this program's runs of 10,000 and 50,000 rows, whose pages and times it prints under
// heading. The peer runs first: the largest process any child has had is what the system
// remembers.
struct TListComparison {
  TPeer Start, Peer;
  TResult Rows10k, Rows50k;
};

inline TListComparison CompareListRuns(const char* self, const std::filesystem::path& dir,
                                       std::string (*membersSql)(int), const char* heading) {
  std::string db = (dir / ParishDatabaseName).string();
  CreateDemoParish(dir.string(), 50000);
  WriteCsv(db, membersSql(1), dir / "members-1.csv");
  WriteCsv(db, membersSql(10000), dir / "members-10000.csv");
  RunLibreOffice(dir / "members-1.csv", dir);
  TListComparison c;
  c.Start = RunLibreOffice(dir / "members-1.csv", dir);
  c.Peer = RunLibreOffice(dir / "members-10000.csv", dir);
  std::printf("%s\n", heading);
  c.Rows10k = RunChild(self, db, 10000, dir);
  c.Rows50k = RunChild(self, db, 50000, dir);
  for (auto [rows, r] : {std::pair{10000, c.Rows10k}, std::pair{50000, c.Rows50k}}) {
    int pdfPages = PdfPages(dir / ("members-" + std::to_string(rows) + ".pdf"));
    std::printf("%6d rows: %5d pages (PDF %5d)  prepare %7.3f s, peak %6.1f MB  with PDF %7.3f s, peak %6.1f MB\n",
                rows, r.Pages, pdfPages, r.Seconds, r.PreparedPeakMB, r.Seconds + r.ExportSeconds, r.PeakMB);
  }
  return c;
}

// LibreOffice's line, and whether it converted the rows at all (without it there is no ratio).
inline bool PrintPeerLine(const TListComparison& c) {
  if (!c.Peer.Ok || !c.Start.Ok) {
    std::printf("LibreOffice did not convert the rows; no ratio\n");
    return false;
  }
  std::printf("LibreOffice, 10,000 rows from CSV to PDF: %.3f s, %d pages, peak %.1f MB (start-up %.3f s; %.1f ms per "
              "1,000 rows)\n",
              c.Peer.Seconds, c.Peer.Pages, c.Peer.PeakMB, c.Start.Seconds,
              (c.Peer.Seconds - c.Start.Seconds) / 10 * 1000);
  return true;
}

}  // namespace orv
