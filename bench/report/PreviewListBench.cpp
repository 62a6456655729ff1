// The member list of a 50,000-member parish printed as the user prints it: the main window's
// print command over the search's query, the real template and the preview window, timed from
// the command to the last page in the preview, with the program's peak memory. The peer is
// report_run_bench's list: the engine preparing its grouped list of the same 50,000 members with
// no window, in the same way (a child process each, so that each peak is its own).
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
#include "bench/report/ListRunSupport.h"
#include "platform/gui/Application.h"
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
  // The confirmation is answered Yes, as the user does.
  SetDialogService(std::make_unique<TUnattendedDialogService>());
  AppPath = folder;
  auto* form = new TForm1(Application);
  form->DoCreate();
  Application->ProcessMessages();
  const double before = PeakMB();
  TkvxReport* report = form->kvxReport4;
  using Clock = std::chrono::steady_clock;
  Clock::time_point start, begun, done;
  bool finished = false;
  // The preview window is modal: once the run has ended it is closed from its own loop.
  TTimer close(nullptr);
  close.SetEnabled(false);
  close.SetInterval(1);
  close.OnTimer = [&](TObject*) {
    close.SetEnabled(false);
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
  const double seconds = finished ? std::chrono::duration<double>(done - start).count() : 0;
  const double running = finished ? std::chrono::duration<double>(done - begun).count() : 0;
  std::printf("%d %.3f %.3f %.1f %.1f %.1f\n", pages, seconds, running, before, PeakMB(), anonMB + fileMB);
  std::fflush(stdout);
  // The window and its parish go with the process.
  std::_Exit(0);
}

struct TPreviewResult {
  int Pages = 0;
  // From the command to the last page, and from the start of the run to it.
  double Seconds = 0, Running = 0, BeforeMB = 0, PeakMB = 0, AfterMB = 0;
};

TPreviewResult PreviewChild(const char* self, const std::string& folder) {
  std::string command = std::string("'") + self + "' --preview '" + folder + "'";
  TPreviewResult r;
  FILE* out = popen(command.c_str(), "r");
  if (!out) return r;
  if (std::fscanf(out, "%d %lf %lf %lf %lf %lf", &r.Pages, &r.Seconds, &r.Running, &r.BeforeMB, &r.PeakMB,
                  &r.AfterMB) != 6)
    r = {};
  pclose(out);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--preview") {
    RunPreview(argv[2]);
    return 0;
  }
  if (RunListChild(argc, argv, [](const std::string& db, int rows, const std::filesystem::path& dir, bool readFirst) {
        TimeListRun(db, GroupedMembersSql(rows), dir, rows, readFirst, AddGroupedListBands);
      }))
    return 0;
  auto dir = BenchFolder("preview-list");
  CreateDemoParish(dir.string(), kMembers);
  TPreviewResult ours = PreviewChild(argv[0], dir.string());
  TResult peer = RunChild(argv[0], (dir / ParishDatabaseName).string(), kMembers, dir);
  std::printf("member list by name through the preview, %d members\n", kMembers);
  if (ours.Pages == 0 || ours.Seconds <= 0) {
    std::printf("the preview showed no pages; no figures\n");
  } else {
    std::printf("print command to the last of %d preview pages: %.3f s (target under 1.5 s), of which the query and "
                "the template %.3f s and the run in the preview %.3f s; resident %.1f MB before the command, %.1f MB "
                "with the pages shown, peak %.1f MB (target under 200 MB)\n",
                ours.Pages, ours.Seconds, ours.Seconds - ours.Running, ours.Running, ours.BeforeMB, ours.AfterMB,
                ours.PeakMB);
  }
  if (peer.Pages > 0 && peer.Seconds > 0 && ours.Seconds > 0)
    std::printf("report_run_bench's list of %d rows: %d pages prepared in %.3f s, peak %.1f MB; ratio %.2f "
                "(preview path time / list preparing time)\n",
                kMembers, peer.Pages, peer.Seconds, peer.PreparedPeakMB, ours.Seconds / peer.Seconds);
  if (peer.Seconds > 0 && ours.Running > 0)
    std::printf("the run in the preview alone: %.3f s for %d pages, %.2f ms a page against the list's %.2f ms\n",
                ours.Running, ours.Pages, ours.Running / ours.Pages * 1000, peer.Seconds / peer.Pages * 1000);
  std::filesystem::remove_all(dir);
  return 0;
}
