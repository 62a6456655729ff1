// The program's main block: the parish folder, the application object, the windows in their
// order, the loop. orvane [FOLDER]: the parish in FOLDER, else in the default parish folder.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/MainWindow.h"
#include "app/Churches.h"
#include "app/MarriageNotices.h"
#include "app/ParishFolder.h"
#include "app/PhotoCapture.h"
#include "app/Screenshot.h"
#include "app/Statistics.h"
#include "platform/fonts/FontConfig.h"
#include "platform/gui/Application.h"
#include "platform/gui/Display.h"
#include "platform/gui/MessageWindow.h"

namespace {

const char* const kUsage =
    "usage: orvane [FOLDER]\n"
    "การใช้: orvane [โฟลเดอร์ทะเบียนวัด]\n"
    "  เปิดทะเบียนวัดในโฟลเดอร์นั้น (แฟ้ม Orvane.db และโฟลเดอร์ Picture)\n"
    "  ไม่ระบุโฟลเดอร์: $XDG_DATA_HOME/orvane (ปกติ ~/.local/share/orvane)\n"
    "  ระบุแฟ้ม Orvane.db ก็ได้ จะใช้โฟลเดอร์ของแฟ้มนั้น\n"
    "  โฟลเดอร์ที่ยังไม่มีแฟ้ม Orvane.db จะได้ทะเบียนวัดใหม่ที่ว่างเปล่า\n"
    "  -h, --help   แสดงข้อความนี้\n"
    "  --version    แสดงรุ่นของโปรแกรม\n"
    "  --           ชื่อที่ตามมาเป็นโฟลเดอร์ แม้ขึ้นต้นด้วย -\n";

// Where the end signals are told to the loop; a handler may only write to its pipe. Made once
// and never freed: its notifier cannot outlive the Qt application, which ends with the loop.
orv::TMessageWindow* endSignals = nullptr;

extern "C" void OnEndSignal(int) {
  if (endSignals) endSignals->PostMessage(0, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orv;
  // A file-size limit then fails the write that passes it, which is reported as a full disk
  // is, instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  const char* folder = nullptr;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (options && std::strcmp(arg, "--") == 0) {
      options = false;
    } else if (options && (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (options && std::strcmp(arg, "--version") == 0) {
      std::puts("orvane OrvaneIDv4.5");
      return 0;
    } else if ((options && arg[0] == '-' && arg[1] != '\0') || folder) {
      std::fputs(kUsage, stderr);
      return 2;
    } else {
      folder = arg;
    }
  }
  String noDisplay = MissingDisplayReason();
  if (!noDisplay.empty()) {
    std::fprintf(stderr, "orvane: %s\n", noDisplay.c_str());
    return 1;
  }
  // With it set, the run pictures the main window and ends (the demo script and the tests use
  // it on a virtual display); no one is there to answer a box.
  const char* screenshot = std::getenv(ScreenshotVariable);
  Application->Initialize();
  if (screenshot) SetDialogService(std::make_unique<TUnattendedDialogService>());
  AppPath = ParishFolderOf(folder ? String(folder) : DefaultParishFolder());
  try {
    // The main window comes first: the other windows use its database connection.
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->CreateForm(Form4);
    Application->CreateForm(Form3);
    Application->CreateForm(Form5);
  } catch (const std::exception& e) {
    // The window was never shown and its connection is closed; the loop is not started for it.
    const auto* own = dynamic_cast<const Exception*>(&e);
    Application->MessageBox(own ? own->Message() : String(e.what()), "OrvaneIDv4.5",
                            MB_OK | MB_ICONSTOP);
    return 1;
  }
  if (!ThaiFontInstalled()) Application->MessageBox(kNoThaiFontText, "OrvaneIDv4.5", MB_OK | MB_ICONWARNING);
  TStartupScreenshot shot(Form1, screenshot ? screenshot : "");
  // A logout or a shutdown ends the program with SIGTERM, a closed terminal with SIGHUP: the main
  // window closes as the menu's end closes it, and the parish with it, instead of the program
  // ending where it stands.
  // Kept for the whole process: a signal may come while the program ends.
  endSignals = new TMessageWindow([](TMessage&) {
    if (Form1) Form1->Close();
  });
  struct sigaction action {};
  action.sa_handler = OnEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  Application->Run();
  return shot.Failed() ? 1 : 0;
}
