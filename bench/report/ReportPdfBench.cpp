// A grouped member list of the demo parish prepared by the band engine and exported to PDF:
// 10,000 and 50,000 rows in 40 groups, with line numbers and "page N of M" (two passes), the
// file cache on. The peer, in the same run, is LibreOffice headless converting the same rows
// from CSV to PDF with a private profile. Every run is a child process, so that its peak memory
// is its own; LibreOffice runs at two sizes as well, so that its start-up shows apart from its
// cost per row.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/DemoParish.h"
#include "app/ParishSchema.h"
#include "bench/BenchTiming.h"
#include "platform/db/ADODB.h"
#include "platform/gui/Application.h"
#include "report/engine/Engine.h"
#include "report/model/Bands.h"
#include "report/model/DBDataset.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"
#include "report/model/Pages.h"
#include "report/model/Report.h"
#include "report/pdf/PdfExport.h"

using namespace orv;

namespace {

// The first members by number, in 40 groups of equal size.
std::string MemberSql(int rows) {
  return "select ID, Nm, sur, (ID % 40) as grp from Orvani where ID <= " + std::to_string(rows) + " order by grp, ID";
}

TADOQuery* OpenMembers(TComponent& window, const std::string& db, int rows) {
  auto* conn = new TADOConnection(&window);
  conn->SetConnectionString("Provider=SQLite;Data Source=" + db + ";Mode=Share Deny None");
  conn->Open();
  auto* query = new TADOQuery(&window);
  query->SetConnection(conn);
  query->SQL().SetText(MemberSql(rows));
  return query;
}

// Prepares the list and exports it; prints "pages prepare-seconds export-seconds peak-MB" with
// the peak of the preparation alone.
void RunOnce(const std::string& db, int rows, const std::filesystem::path& dir) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize();
  kvxRegisterModelClasses();
  kvxRegisterEngine();
  TComponent window(nullptr);
  auto* members = new TkvxDBDataset(&window);
  members->SetName("M");
  members->SetDataSet(OpenMembers(window, db, rows));
  TkvxReport report(&window);
  report.EngineOptions()->NewSilentMode = simSilent;
  report.EngineOptions()->DoublePass = true;
  report.EngineOptions()->UseFileCache = true;
  report.EngineOptions()->TempDir = dir.string();
  report.DataSets->Add()->SetDataSet(members);
  auto* page = new TkvxReportPage(&report);
  page->SetName("Page1");
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
  static_cast<TkvxGroupHeader*>(band(new TkvxGroupHeader(page), "GH", 20, "กลุ่ม [M.\"grp\"]"))->Condition =
      "M.\"grp\"";
  static_cast<TkvxMasterData*>(band(new TkvxMasterData(page), "Data", 40, "[Line]. [M.\"Nm\"] [M.\"sur\"]"))
      ->SetDataSet(members);
  band(new TkvxGroupFooter(page), "GF", 60, "[COUNT(Data)] คน");
  band(new TkvxPageFooter(page), "PF", 200, "หน้า [Page#] จาก [TotalPages#]");
  bool ok = false;
  double prepare = Seconds([&] { ok = report.PrepareReport(); });
  if (!ok) std::fprintf(stderr, "%s", report.Errors->Text().c_str());
  rusage prepared{};
  getrusage(RUSAGE_SELF, &prepared);
  TkvxPDFExport pdf(&window);
  pdf.SetShowDialog(false);
  pdf.SetShowProgress(false);
  pdf.SetFileName((dir / ("members-" + std::to_string(rows) + ".pdf")).string());
  double exported = Seconds([&] { ok = report.PreviewPages->Export(&pdf) && report.Errors->Count() == 0; });
  if (!ok) std::fprintf(stderr, "export failed: %s", report.Errors->Text().c_str());
  std::printf("%d %.3f %.3f %.1f\n", report.PreviewPages->GetCount(), prepare, exported, prepared.ru_maxrss / 1024.0);
}

// The same rows as the report lists them, as a CSV file for the peer.
void WriteCsv(const std::string& db, int rows, const std::string& file) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize();
  TComponent window(nullptr);
  TADOQuery* query = OpenMembers(window, db, rows);
  query->Open();
  std::ofstream out(file, std::ios::binary);
  out << "No,Name,Surname,Group\n";
  for (int line = 1; !query->Eof(); query->Next(), ++line)
    out << line << ',' << query->FieldByName("Nm")->AsString() << ',' << query->FieldByName("sur")->AsString() << ','
        << query->FieldByName("grp")->AsString() << '\n';
}

struct TResult {
  bool Ok = false;
  std::string Output;
  double Seconds = 0, PeakMB = 0;
};

// A child running argv with its output read back; the peak memory is the largest process of its
// tree (LibreOffice's launcher starts the office as a grandchild).
TResult RunChild(std::vector<std::string> args) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(fds[1]);
  TResult r;
  char buf[4096];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0) r.Output.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  r.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  r.PeakMB = usage.ru_maxrss / 1024.0;
  return r;
}

int PdfPages(const std::string& file) {
  TResult info = RunChild({"pdfinfo", file});
  size_t at = info.Output.find("Pages:");
  return at == std::string::npos ? 0 : std::atoi(info.Output.c_str() + at + 6);
}

struct TOurs {
  int Pages = 0;
  double Prepare = 0, Export = 0, PreparedMB = 0, PeakMB = 0;
};

TOurs RunOurs(const char* self, const std::string& db, int rows, const std::filesystem::path& dir) {
  TResult r = RunChild({self, "--run", db, std::to_string(rows), dir.string()});
  TOurs o;
  if (!r.Ok || std::sscanf(r.Output.c_str(), "%d %lf %lf %lf", &o.Pages, &o.Prepare, &o.Export, &o.PreparedMB) != 4)
    std::fprintf(stderr, "the run of %d rows failed\n", rows);
  o.PeakMB = r.PeakMB;
  return o;
}

struct TPeer {
  int Pages = 0;
  double Seconds = 0, PeakMB = 0;
};

TPeer RunPeer(const char* self, const std::string& db, int rows, const std::filesystem::path& dir) {
  std::string csv = (dir / ("members-" + std::to_string(rows) + ".csv")).string();
  if (!RunChild({self, "--csv", db, std::to_string(rows), csv}).Ok) std::fprintf(stderr, "CSV of %d rows failed\n", rows);
  std::filesystem::path out = dir / "office";
  std::filesystem::create_directories(out);
  // A profile of its own, so that no user's office settings or running office take part.
  std::string profile = "-env:UserInstallation=file://" + (dir / "office-profile").string();
  TResult r = RunChild({"libreoffice", profile, "--headless", "--convert-to", "pdf", "--outdir", out.string(), csv});
  TPeer p;
  p.Seconds = r.Seconds;
  p.PeakMB = r.PeakMB;
  p.Pages = PdfPages((out / ("members-" + std::to_string(rows) + ".pdf")).string());
  if (!r.Ok || p.Pages == 0) std::fprintf(stderr, "LibreOffice failed on %d rows: %s\n", rows, r.Output.c_str());
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--run") {
    RunOnce(argv[2], std::stoi(argv[3]), argv[4]);
    return 0;
  }
  if (argc == 5 && std::string(argv[1]) == "--csv") {
    WriteCsv(argv[2], std::stoi(argv[3]), argv[4]);
    return 0;
  }
  auto dir = BenchFolder("report-pdf");
  CreateDemoParish(dir.string(), 50000);
  std::string db = (dir / ParishDatabaseName).string();
  std::printf("grouped member list to PDF, 40 groups, two passes, file cache on\n");
  TOurs o10 = RunOurs(argv[0], db, 10000, dir), o50 = RunOurs(argv[0], db, 50000, dir);
  for (auto [rows, o] : {std::pair{10000, o10}, std::pair{50000, o50}})
    std::printf("ours        %6d rows: %5d pages  prepare %6.3f s  export %6.3f s  total %6.3f s  peak %6.1f MB"
                " (%.1f MB prepared)\n",
                rows, o.Pages, o.Prepare, o.Export, o.Prepare + o.Export, o.PeakMB, o.PreparedMB);
  std::printf("ours marginal cost: %.1f ms per 1,000 rows\n",
              ((o50.Prepare + o50.Export) - (o10.Prepare + o10.Export)) / 40 * 1000);
  // Once to settle the profile and the disk cache, then the two measured sizes.
  RunPeer(argv[0], db, 1000, dir);
  TPeer p2 = RunPeer(argv[0], db, 2000, dir), p10 = RunPeer(argv[0], db, 10000, dir);
  for (auto [rows, p] : {std::pair{2000, p2}, std::pair{10000, p10}})
    std::printf("LibreOffice %6d rows: %5d pages  total %6.3f s  peak %6.1f MB\n", rows, p.Pages, p.Seconds,
                p.PeakMB);
  std::printf("LibreOffice marginal cost: %.1f ms per 1,000 rows\n", (p10.Seconds - p2.Seconds) / 8 * 1000);
  double ours = o10.Prepare + o10.Export;
  std::printf("10,000 rows: LibreOffice / ours = %.1fx in time, %.1fx in peak memory\n",
              ours > 0 ? p10.Seconds / ours : 0.0, o10.PeakMB > 0 ? p10.PeakMB / o10.PeakMB : 0.0);
  std::filesystem::remove_all(dir);
  return 0;
}
