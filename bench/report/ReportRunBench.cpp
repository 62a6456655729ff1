// A grouped member list of the demo parish prepared by the band engine: 10,000 and 50,000 rows
// in 40 groups, with line numbers and "page N of M" (so two passes), the file cache on. Each run
// is a child process, so that its peak memory is its own. LibreOffice headless converting the
// same 10,000 rows from CSV to PDF was measured at 7.9 s and 215 MB; until the PDF export exists
// that figure stands in for the peer.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/DemoParish.h"
#include "app/ParishSchema.h"
#include "bench/BenchTiming.h"
#include "platform/db/ADODB.h"
#include "report/engine/tests/EngineObjects.h"
#include "report/model/DBDataset.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"

using namespace orv;
using namespace orv::test;

namespace {

constexpr double kPeerSeconds10k = 7.9;

void RunOnce(const std::string& db, int rows, const std::filesystem::path& dir) {
  RegisterEngineObjects();
  TComponent window(nullptr);
  auto* conn = new TADOConnection(&window);
  conn->SetConnectionString("Provider=SQLite;Data Source=" + db + ";Mode=Share Deny None");
  conn->Open();
  auto* query = new TADOQuery(&window);
  query->SetConnection(conn);
  // The first members by number, in 40 groups of equal size.
  query->SQL().SetText("select ID, Nm, sur, (ID % 40) as grp from Orvani where ID <= " + std::to_string(rows) +
                       " order by grp, ID");
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
  auto band = [&](TkvxBand* b, const char* name, Extended top, const char* text) {
    b->SetName(name);
    b->SetBounds(0, top, 700, 20);
    auto* memo = new TkvxMemoView(b);
    memo->SetName(std::string(name) + "Text");
    memo->SetBounds(0, 0, 600, 20);
    memo->SetText(kvxUtf8ToWide(text));
    return b;
  };
  band(new TkvxPageHeader(page), "PH", 0, "Members");
  static_cast<TkvxGroupHeader*>(band(new TkvxGroupHeader(page), "GH", 20, "Group [M.\"grp\"]"))->Condition = "M.\"grp\"";
  static_cast<TkvxMasterData*>(band(new TkvxMasterData(page), "Data", 40, "[Line]. [M.\"Nm\"] [M.\"sur\"]"))->SetDataSet(members);
  band(new TkvxGroupFooter(page), "GF", 60, "[COUNT(Data)] members");
  band(new TkvxPageFooter(page), "PF", 200, "Page [Page#] of [TotalPages#]");
  bool ok = false;
  double seconds = Seconds([&] { ok = report.PrepareReport(); });
  if (!ok) std::fprintf(stderr, "%s", report.Errors->Text().c_str());
  std::printf("%d %d %.3f\n", rows, report.PreviewPages->GetCount(), seconds);
}

struct TResult {
  int Pages = 0;
  double Seconds = 0, PeakMB = 0;
};

// A fresh process of this program, so that nothing of the parent's Qt state is shared.
TResult RunChild(const char* self, const std::string& db, int rows, const std::filesystem::path& dir) {
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
  if (n > 0) std::sscanf(buf, "%d %d %lf", &count, &r.Pages, &r.Seconds);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "the run of %d rows failed\n", rows);
  r.PeakMB = usage.ru_maxrss / 1024.0;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--run") {
    RunOnce(argv[2], std::stoi(argv[3]), argv[4]);
    return 0;
  }
  auto dir = BenchFolder("report-run");
  CreateDemoParish(dir.string(), 50000);
  std::string db = (dir / ParishDatabaseName).string();
  std::printf("grouped member list, 40 groups, two passes, file cache on\n");
  TResult r10 = RunChild(argv[0], db, 10000, dir), r50 = RunChild(argv[0], db, 50000, dir);
  for (auto [rows, r] : {std::pair{10000, r10}, std::pair{50000, r50}})
    std::printf("%6d rows: %5d pages  %7.3f s  peak %6.1f MB\n", rows, r.Pages, r.Seconds, r.PeakMB);
  std::printf("marginal cost: %.1f ms per 1,000 rows\n", (r50.Seconds - r10.Seconds) / 40 * 1000);
  std::printf("LibreOffice (measured, 10,000 rows): %.1f s; ratio %.1fx\n", kPeerSeconds10k,
              r10.Seconds > 0 ? kPeerSeconds10k / r10.Seconds : 0.0);
  std::filesystem::remove_all(dir);
  return 0;
}
