// The member list of a 50,000-member parish printed as the user prints it: the main window's
// print command over the search's query, the real template and the preview window, timed from
// the command until the window has shown its first page with the final page count (the run has
// ended and the window's own loop has handled what it had to draw), with the program's peak
// memory, and the whole process's time beside it, start-up and main window included. The peer:
// LibreOffice headless printing the same list to PDF from a flat ODF spreadsheet laid out as the
// template is (its four columns at the memos' widths, wrapped, in Laksaman at the memos' size,
// the title and the column heads on every page, the total at the end, "page N of M"), timed as a
// whole process, its page count beside ours.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "app/DemoParish.h"
#include "app/MainWindow.h"
#include "app/ParishSchema.h"
#include "app/Screenshot.h"
#include "bench/BenchTiming.h"
#include "bench/Offscreen.h"
#include "bench/report/ListRunSupport.h"
#include "platform/gui/Application.h"
#include "platform/gui/ScriptedDialogService.h"
#include "platform/gui/Timers.h"
#include "report/engine/PreviewForm.h"

using namespace orv;

namespace {

constexpr int kMembers = 50000;

double PeakMB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

// The child's run in the parish folder: the main window opens on every member, then its print
// command for the list by name runs until the preview holds every page; prints the pages, the
// seconds, the peak memory before the command and at its end.
void RunPreview(const std::string& folder) {
  Application->Initialize();
  // The confirmation is answered Yes, as the user does; the preview is a modal window that runs
  // as it runs for the user (a service for runs nobody watches would end it at once).
  SetDialogService(std::make_unique<TScriptedDialogService>());
  AppPath = folder;
  auto* form = new TForm1(Application);
  form->DoCreate();
  Application->ProcessMessages();
  const double before = PeakMB();
  TkvxReport* report = form->kvxReport4;
  using Clock = std::chrono::steady_clock;
  Clock::time_point start, begun, done, shown;
  bool finished = false;
  // The preview window is modal: once the run has ended it is closed from its own loop.
  TTimer close(nullptr);
  close.SetEnabled(false);
  close.SetInterval(1);
  close.OnTimer = [&](TObject*) {
    close.SetEnabled(false);
    // The window's loop has come back to its timers: what it had to draw once the run ended (the
    // first page, the final count) is drawn.
    shown = Clock::now();
    for (Integer i = 0; i < Application->ComponentCount(); ++i)
      if (auto* preview = dynamic_cast<TkvxPreviewForm*>(Application->Components(i))) preview->Close();
  };
  report->OnProgressStart = [&](TkvxReport*, TkvxProgressType type, Integer) {
    if (type == ptRunning) begun = Clock::now();
  };
  report->OnProgressStop = [&](TkvxReport*, TkvxProgressType type, Integer) {
    if (type != ptRunning) return;
    done = Clock::now();
    finished = true;
    close.SetEnabled(true);
  };
  start = Clock::now();
  form->N6Click(form->N6);
  const int pages = report->PreviewPages->GetCount();
  auto [anonMB, fileMB] = ResidentSplitMB();
  const double seconds = finished ? std::chrono::duration<double>(shown - start).count() : 0;
  const double running = finished ? std::chrono::duration<double>(done - begun).count() : 0;
  std::printf("%d %.3f %.3f %.1f %.1f %.1f\n", pages, seconds, running, before, PeakMB(), anonMB + fileMB);
  std::fflush(stdout);
  // The window and its parish go with the process.
  std::_Exit(0);
}

struct TPreviewResult {
  int Pages = 0;
  // From the command to the window showing its pages, and from the start of the run to its end.
  double Seconds = 0, Running = 0, BeforeMB = 0, PeakMB = 0, AfterMB = 0;
  // The whole process: the program started, the main window opened on every member, the command.
  double ProcessSeconds = 0;
};

TPreviewResult PreviewChild(const char* self, const std::string& folder) {
  std::string command = std::string("'") + self + "' --preview '" + folder + "'";
  TPreviewResult r;
  bool read = false;
  const double process = Seconds([&] {
    FILE* out = popen(command.c_str(), "r");
    if (!out) return;
    read = std::fscanf(out, "%d %lf %lf %lf %lf %lf", &r.Pages, &r.Seconds, &r.Running, &r.BeforeMB, &r.PeakMB,
                       &r.AfterMB) == 6;
    pclose(out);
  });
  if (!read) return {};
  r.ProcessSeconds = process;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  UseOffscreenWithoutDisplay();
  if (argc == 3 && std::string(argv[1]) == "--preview") {
    RunPreview(argv[2]);
    return 0;
  }
  auto dir = BenchFolder("preview-list");
  CreateDemoParish(dir.string(), kMembers);
  const std::string db = (dir / ParishDatabaseName).string();
  const std::filesystem::path peerFile = WriteMembersByNameFods(db, dir);
  // LibreOffice's first start fills its profile: not counted.
  WriteCsv(db, "select Nm from Orvani where ID = 1", dir / "one.csv");
  RunLibreOffice(dir / "one.csv", dir);
  TPreviewResult ours = PreviewChild(argv[0], dir.string());
  // The first member of the list, which LibreOffice's first page must show.
  std::string name;
  {
    TBenchQuery first(db, "select Nm from Orvani order by Nm collate THAI, Sur collate THAI");
    first.Query.Open();
    name = first.Query.FieldByName("Nm")->AsString();
  }
  TPeer peer = RunLibreOffice(peerFile, dir, name);
  std::printf("member list by name through the preview, %d members\n", kMembers);
  if (ours.Pages == 0 || ours.Seconds <= 0) {
    std::printf("the preview showed no pages; no figures\n");
  } else {
    std::printf("print command to the window showing the first of its %d pages with their count: %.3f s (target "
                "under 1.5 s), of which the query and the template %.3f s and the run in the preview %.3f s; "
                "resident %.1f MB before the command, %.1f MB with the pages shown, peak %.1f MB (target under 200 "
                "MB)\n",
                ours.Pages, ours.Seconds, ours.Seconds - ours.Running, ours.Running, ours.BeforeMB, ours.AfterMB,
                ours.PeakMB);
    std::printf("the whole process, the program started and its main window opened on every member before the "
                "command: %.3f s\n",
                ours.ProcessSeconds);
  }
  if (!peer.Ok)
    std::printf("LibreOffice did not print the list, or its first page lacks the first member's name; no ratio\n");
  else if (ours.Seconds > 0)
    std::printf("LibreOffice printing the same list to PDF: %.3f s, %d pages (ours %d), peak %.1f MB; ratio %.1fx "
                "(its time / ours), %.1fx its whole process against ours\n",
                peer.Seconds, peer.Pages, ours.Pages, peer.PeakMB, peer.Seconds / ours.Seconds,
                peer.Seconds / ours.ProcessSeconds);
  std::filesystem::remove_all(dir);
  return 0;
}
