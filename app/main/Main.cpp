// The program's main block: the parish folder, the application object, the windows in their
// order, the loop. orvane [FOLDER]: the parish in FOLDER, else in the default parish folder.
#include <cstdio>
#include <cstdlib>

#include "app/MainWindow.h"
#include "app/Churches.h"
#include "app/MarriageNotices.h"
#include "app/ParishFolder.h"
#include "app/PhotoCapture.h"
#include "app/Screenshot.h"
#include "app/Statistics.h"
#include "platform/fonts/FontConfig.h"
#include "platform/gui/Application.h"

int main(int argc, char** argv) {
  using namespace orv;
  if (argc > 2) {
    std::fprintf(stderr, "usage: orvane [parish folder]\n");
    return 2;
  }
  // With it set, the run pictures the main window and ends (the demo script and the tests use
  // it on a virtual display); no one is there to answer a box.
  const char* screenshot = std::getenv(ScreenshotVariable);
  Application->Initialize();
  if (screenshot) SetDialogService(std::make_unique<TUnattendedDialogService>());
  AppPath = AbsoluteFolder(argc == 2 ? String(argv[1]) : DefaultParishFolder());
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
  Application->Run();
  return shot.Failed() ? 1 : 0;
}
