// The program's main block: the application object, the windows in their order, the loop.
#include <cstdlib>

#include "app/Screenshot.h"
#include "app/MainWindow.h"
#include "app/Churches.h"
#include "app/MarriageNotices.h"
#include "app/PhotoCapture.h"
#include "app/Statistics.h"
#include "platform/gui/Application.h"

int main() {
  using namespace orv;
  Application->Initialize();
  // The main window comes first: the other windows use its database connection.
  Application->CreateForm(Form1);
  Application->CreateForm(Form2);
  Application->CreateForm(Form4);
  Application->CreateForm(Form3);
  Application->CreateForm(Form5);
  // The one outside input the program takes: with it set, the run pictures the main window
  // and ends (the demo script and the tests use it on a virtual display).
  const char* screenshot = std::getenv(ScreenshotVariable);
  TStartupScreenshot shot(Form1, screenshot ? screenshot : "");
  Application->Run();
  return shot.Failed() ? 1 : 0;
}
