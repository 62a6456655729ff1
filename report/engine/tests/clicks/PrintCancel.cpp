// print_cancel CUPS_STATE PICTURE: shows a report of 1,000 pages in the preview window and prints
// it as a user does, Ctrl+P and Enter in the print dialog, to the queue PdfQ of the private CUPS
// server whose state file is CUPS_STATE. The progress window must be on the screen (as the X
// server maps it) when the first page goes to the spool; at the twentieth page a picture of the
// screen is kept in PICTURE and its Cancel button is clicked. Exit 0 when the window showed from
// the first page, Cancel stopped the print, and the server neither holds nor received a job of
// it; 1 when not; 2 when the setup failed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/gui/Application.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Timers.h"
#include "report/engine/PreviewForm.h"
#include "report/engine/PrintDialog.h"
#include "report/engine/Printers.h"
#include "report/engine/tests/EngineObjects.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"
#include "report/model/ProgressWindow.h"

using namespace orv;
using namespace orv::test;

namespace {

constexpr int kPages = 1000;
constexpr const char* kTitle = "print-cancel";

void Wait(int milliseconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

TkvxProgress* ProgressWindow() {
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (auto* progress = dynamic_cast<TkvxProgress*>(Screen->Forms(i))) return progress;
  return nullptr;
}

// Whether the X server shows the progress window in front: the window under the middle of it is
// a viewable one of its size, not the preview it stands over.
bool ProgressOnScreen(TkvxProgress& progress) {
  TPoint middle = progress.ClientToScreen(TPoint{progress.Width() / 2, progress.Height() / 2});
  std::string mouse = Output("xdotool mousemove " + std::to_string(middle.X) + " " + std::to_string(middle.Y) +
                             " getmouselocation --shell");
  size_t at = mouse.find("WINDOW=");
  if (at == std::string::npos) return false;
  std::string info = Output("xwininfo -id " + mouse.substr(at + 7, mouse.find('\n', at) - at - 7));
  return info.find("IsViewable") != std::string::npos &&
         info.find("Width: " + std::to_string(progress.Width()) + "\n") != std::string::npos &&
         info.find("Height: " + std::to_string(progress.Height()) + "\n") != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string tree, port;
  {
    std::ifstream state(argv[1]);
    for (std::string line; std::getline(state, line);) {
      if (line.rfind("CUPS_TREE=", 0) == 0) tree = line.substr(10);
      if (line.rfind("CUPS_PORT=", 0) == 0) port = line.substr(10);
    }
  }
  if (tree.empty() || port.empty()) return 2;
  setenv("CUPS_SERVER", ("127.0.0.1:" + port).c_str(), 1);
  const std::string picture = argv[2];

  RegisterEngineObjects();
  TRowsDataSet rows(nullptr);
  rows.SetName("M");
  for (int i = 1; i <= kPages; ++i) rows.Rows.push_back({{"No", Variant(i)}});
  TkvxReport report(nullptr);
  report.DataSets->Add()->SetDataSet(&rows);
  report.ReportOptions()->Name = kTitle;
  report.PreviewOptions()->Maximized = false;
  report.PrintOptions()->Printer = "PdfQ";
  auto* page = new TkvxReportPage(&report);
  page->SetName("Page1");
  // One row to a page: two do not fit.
  auto* data = new TkvxMasterData(page);
  data->SetName("Data");
  data->SetBounds(0, 0, 700, 600);
  data->SetDataSet(&rows);
  for (int line = 0; line < 20; ++line) {
    auto* memo = new TkvxMemoView(data);
    memo->SetName("Line" + std::to_string(line));
    memo->SetBounds(0, line * 28, 700, 26);
    memo->SetText(u"ทะเบียนสัตบุรุษ หน้า [M.\"No\"] บรรทัด " + kvxUtf8ToWide(std::to_string(line + 1)));
  }
  if (!report.PrepareReport() || report.PreviewPages->GetCount() != kPages) return 2;

  // What the print went through, as its progress tells it.
  int printed = 0, firstShownAt = 0;
  bool clicked = false, done = false;
  report.OnProgress = [&](TkvxReport*, TkvxProgressType type, Integer progress) {
    if (type != ptPrinting) return;
    printed = progress;
    TkvxProgress* window = ProgressWindow();
    if (progress == 1 && window) {
      // Mapping is the window manager's round trip: a moment, not pages.
      for (int i = 0; i < 100 && !firstShownAt; ++i) {
        if (ProgressOnScreen(*window)) firstShownAt = progress;
        else Wait(20);
      }
    }
    if (progress == 20 && window && !clicked) {
      Output("import -window root '" + picture + "'");
      TPoint at = window->CancelB->ClientToScreen(TPoint{window->CancelB->Width() / 2, window->CancelB->Height() / 2});
      std::printf("progress window: \"%s\"; Cancel clicked at %d,%d\n", window->Message().c_str(), at.X, at.Y);
      std::fflush(stdout);
      Output("xdotool mousemove " + std::to_string(at.X) + " " + std::to_string(at.Y) + " click 1");
      clicked = true;
    }
  };
  report.OnAfterPrintReport = [&](TObject*) { done = true; };

  // The preview window is modal, as the register shows it: everything else happens in its loop.
  // Once it is active, Ctrl+P; the print dialog is answered with Enter; after the print the
  // window is closed.
  int step = 0;
  auto started = std::chrono::steady_clock::now();
  TCustomForm* form = nullptr;
  TTimer driver(nullptr);
  driver.SetInterval(50);
  driver.OnTimer = [&](TObject*) {
    TCustomForm* active = Screen->ActiveForm();
    if (step == 0 && dynamic_cast<TkvxPreviewForm*>(active)) {
      form = active;
      form->SetBounds(0, 0, 1000, 760);
      step = 1;
    } else if (step == 1 && std::chrono::steady_clock::now() - started > std::chrono::milliseconds(800)) {
      Output("xdotool key ctrl+p");
      step = 2;
    } else if (step == 2 && dynamic_cast<TkvxPrintDialog*>(active)) {
      Output("xdotool key Return");
      step = 3;
    } else if ((step == 3 && done) || std::chrono::steady_clock::now() - started > std::chrono::seconds(90)) {
      driver.SetEnabled(false);
      if (form) form->Close();
    }
  };
  driver.SetEnabled(true);
  report.ShowPreparedReport();
  driver.SetEnabled(false);
  if (!form) return 2;

  // Other tests print on the same server meanwhile: once the server has no job left waiting,
  // the backend's folder holds every job it had, and none may be this one.
  std::string waiting = "?";
  for (int i = 0; i < 100 && !waiting.empty(); ++i) {
    Wait(100);
    waiting = Output("lpstat -W not-completed -o 2>&1");
  }
  bool received = false;
  for (auto& e : std::filesystem::directory_iterator(tree + "/out"))
    if (e.path().extension() == ".args" && Output("cat '" + e.path().string() + "'").find(kTitle) != std::string::npos)
      received = true;
  std::printf("printed %d of %d pages; progress window in front at page %d; waiting jobs: [%s]; received: %s\n",
              printed, kPages, firstShownAt, waiting.c_str(), received ? "yes" : "no");
  bool ok = done && clicked && firstShownAt == 1 && printed < kPages && waiting.empty() && !received;
  return ok ? 0 : 1;
}
