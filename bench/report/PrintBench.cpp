// The member list by name of app/reports, about a thousand pages, printed to the PDF queue of a
// private CUPS server (the printing tests' harness, its capture backend writing each job to a
// file) as the preview prints it, timed to the last byte of the job the backend receives; the
// peer: the same list written by orvane-report --pdf and that file sent with lp, timed to the
// last byte of its job too. Every side is a whole process from its start, runs interleaved, the
// best of three each; each job is read back for its page count and a Thai name, and its size
// printed beside the other's.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "app/DemoParish.h"
#include "app/ParishSchema.h"
#include "bench/BenchQuery.h"
#include "bench/BenchTiming.h"
#include "bench/PdfCheck.h"
#include "platform/db/ADODB.h"
#include "platform/gui/Application.h"
#include "platform/gui/UnattendedDialogService.h"
#include "report/engine/Engine.h"
#include "report/engine/PreviewPages.h"
#include "report/model/DBDataset.h"
#include "report/model/Report.h"
#include "report/pdf/PdfPrintSpool.h"

using namespace orv;

namespace {

// About 27 members a page: a job of about a thousand pages.
constexpr int kMembers = 27000;
constexpr const char* kSql = "select * from Orvani order by Nm collate THAI, Sur collate THAI";
constexpr const char* kQueue = "PdfQ";

// Our side, in a process of its own: the template run over the parish as the main window runs
// it, then printed from its prepared pages to the queue as the preview's print command does with
// its dialog answered, spooled through the PDF writer as the program spools it. Prints the pages
// and the seconds of the print command alone.
int PrintSide(const std::string& db) {
  Application->InitializeWindowless();
  kvxRegisterEngine();
  kvxUsePDFForPrinting();
  SetDialogService(std::make_unique<TUnattendedDialogService>());
  TComponent owner(nullptr);
  auto* connection = new TADOConnection(&owner);
  connection->SetConnectionString("Provider=SQLite;Mode=Share Deny None");
  connection->SetDatabaseFile(db);
  connection->Open();
  auto* query = new TADOQuery(&owner);
  query->SetConnection(connection);
  query->SQL().SetText(kSql);
  auto* bridge = new TkvxDBDataset(&owner);
  bridge->SetName("kvxDBDataset3");
  bridge->SetUserName("kvxDBDataset3");
  bridge->SetDataSet(query);
  TkvxReport report(&owner);
  report.EngineOptions()->NewSilentMode = simSilent;
  if (!report.LoadFromFile(ORVANE_MEMBERS_BY_NAME)) return 1;
  if (!report.DataSets->Find(bridge)) report.DataSets->Add()->SetDataSet(bridge);
  if (!report.PrepareReport()) return 1;
  TkvxPrintOptions* options = report.PrintOptions();
  options->ShowDialog = false;
  options->Printer = kQueue;
  report.ReportOptions()->Name = "print-bench";
  const double seconds = Seconds([&] {
    if (!report.PreviewPages->Print()) std::fprintf(stderr, "the print failed\n");
  });
  std::printf("%d %.3f\n", report.PreviewPages->GetCount(), seconds);
  std::fflush(nullptr);
  std::_Exit(report.Errors->Count() == 0 ? 0 : 1);
}

// The private server's tree, where the capture backend writes out/<job>.doc and then
// out/<job>.done.
struct TServer {
  std::string State, Tree, Port;
  bool Started = false;
};

TServer StartServer(const std::filesystem::path& dir) {
  TServer s;
  s.State = (dir / "cups-server.env").string();
  std::string command = std::string("'") + ORVANE_CUPS_HARNESS + "' start '" + s.State + "' '" + ORVANE_CUPS_PPD + "'";
  if (std::system(command.c_str()) != 0) return s;
  std::ifstream state(s.State);
  for (std::string line; std::getline(state, line);) {
    if (line.rfind("CUPS_TREE=", 0) == 0) s.Tree = line.substr(10);
    if (line.rfind("CUPS_PORT=", 0) == 0) s.Port = line.substr(10);
  }
  s.Started = !s.Tree.empty() && !s.Port.empty();
  if (s.Started) setenv("CUPS_SERVER", ("127.0.0.1:" + s.Port).c_str(), 1);
  return s;
}

void StopServer(const TServer& s) {
  std::string command = std::string("'") + ORVANE_CUPS_HARNESS + "' stop '" + s.State + "'";
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "the print server did not stop\n");
}

int DoneJobs(const TServer& s) {
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(s.Tree) / "out"))
    n += entry.path().extension() == ".done";
  return n;
}

// Waits until the backend has written one more job than before (at most a minute); the path of
// its document, empty when none came.
std::filesystem::path WaitForNextJob(const TServer& s, int before) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < end) {
    if (DoneJobs(s) > before) {
      std::filesystem::path newest;
      std::filesystem::file_time_type when{};
      for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(s.Tree) / "out"))
        if (entry.path().extension() == ".done" && (newest.empty() || entry.last_write_time() > when)) {
          newest = entry.path();
          when = entry.last_write_time();
        }
      return newest.replace_extension(".doc");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return {};
}

int RunAndWait(const std::vector<std::string>& args, std::string* out = nullptr) {
  int fds[2];
  if (out && pipe(fds) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    if (out) dup2(fds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  if (out) {
    close(fds[1]);
    char buffer[256];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) out->append(buffer, static_cast<size_t>(n));
    close(fds[0]);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct TSide {
  double Seconds = 1e9;
  double PrintSeconds = 0;
  int Pages = 0;
  uintmax_t JobBytes = 0;
  bool Ok = true;
};

void Check(TSide& side, const std::filesystem::path& job, const std::string& name) {
  side.Ok = side.Ok && !job.empty() && PdfHasText(job, name);
  if (job.empty()) return;
  side.Pages = PdfPages(job);
  side.JobBytes = std::filesystem::file_size(job);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--print-side") return PrintSide(argv[2]);
  auto dir = BenchFolder("print");
  CreateDemoParish(dir.string(), kMembers);
  const std::string db = (dir / ParishDatabaseName).string();
  std::string name;
  {
    TBenchQuery first(db, kSql);
    first.Query.Open();
    name = first.Query.FieldByName("Nm")->AsString();
  }
  TServer server = StartServer(dir);
  if (!server.Started) {
    std::printf("the private CUPS server did not start; no figures\n");
    std::filesystem::remove_all(dir);
    return 1;
  }
  const std::string pdf = (dir / "export.pdf").string();
  TSide ours, peer;
  for (int round = 0; round < 3; ++round) {
    int before = DoneJobs(server);
    std::string printed;
    std::filesystem::path job;
    double seconds = Seconds([&] {
      ours.Ok = RunAndWait({argv[0], "--print-side", db}, &printed) == 0 && ours.Ok;
      job = WaitForNextJob(server, before);
    });
    int pages = 0;
    double printSeconds = 0;
    ours.Ok = std::sscanf(printed.c_str(), "%d %lf", &pages, &printSeconds) == 2 && ours.Ok;
    if (seconds < ours.Seconds) {
      ours.Seconds = seconds;
      ours.PrintSeconds = printSeconds;
    }
    Check(ours, job, name);

    before = DoneJobs(server);
    const std::string data = std::string("kvxDBDataset3=") + kSql;
    seconds = Seconds([&] {
      peer.Ok = RunAndWait({ORVANE_REPORT_PROGRAM, ORVANE_MEMBERS_BY_NAME, "--db", db, "--data", data, "--pdf", pdf},
                           &printed) == 0 &&
                RunAndWait({"lp", "-d", kQueue, "-t", "print-bench-peer", pdf}, &printed) == 0 && peer.Ok;
      job = WaitForNextJob(server, before);
    });
    peer.Seconds = std::min(peer.Seconds, seconds);
    Check(peer, job, name);
  }
  StopServer(server);
  std::printf("member list by name of %d members printed to a CUPS queue, to the last byte of the job, whole "
              "processes\n",
              kMembers);
  std::printf("ours, run and printed from the prepared pages: %.3f s, of which the print command %.3f s; %d pages, "
              "job %.1f MB%s\n",
              ours.Seconds, ours.PrintSeconds, ours.Pages, ours.JobBytes / 1e6,
              ours.Ok ? "" : " (FAILED, or the job lacks a member's name)");
  std::printf("orvane-report --pdf and lp of its file: %.3f s; %d pages, job %.1f MB%s\n", peer.Seconds, peer.Pages,
              peer.JobBytes / 1e6, peer.Ok ? "" : " (FAILED, or the job lacks a member's name)");
  std::printf("ratio %.2fx (ours / export and lp; target at most 2)\n", ours.Seconds / peer.Seconds);
  std::filesystem::remove_all(dir);
  return ours.Ok && peer.Ok ? 0 : 1;
}
