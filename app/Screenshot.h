#pragma once
// Pictures of the main window on request, for the documentation and for checking what the
// window draws on a real display.
#include "platform/gui/Forms.h"
#include "platform/gui/UnattendedDialogService.h"
#include "platform/gui/Timers.h"

namespace orv {

// The environment variable that asks the program for a picture of its main window: it names
// the PNG file to write; the program then ends by itself.
inline constexpr const char* ScreenshotVariable = "ORVANE_SCREENSHOT";

// With ScreenshotVariable set, names the window to picture by its class ("TForm2"); the main
// window when unset or empty. A window that is hidden is shown first.
inline constexpr const char* ScreenshotFormVariable = "ORVANE_SCREENSHOT_FORM";

// Saves a PNG picture of form as file; a failed write leaves any old file as it was.
void SaveFormPicture(TCustomForm& form, const String& file);

// Set up before the message loop runs: once the loop has shown the form, saves a picture of
// the window named by ScreenshotFormVariable (form itself when none is named) as file and
// closes form, which ends the program. A failure to save, or a name no window has, is written
// to the standard error and remembered; the form is closed all the same. An empty file name
// asks for nothing.
class TStartupScreenshot {
 public:
  TStartupScreenshot(TCustomForm* form, const String& file);
  bool Failed() const { return failed_; }

 private:
  void Take();

  TCustomForm* form_;
  String file_;
  String subjectClass_;
  TTimer* timer_ = nullptr;  // owned by the form
  bool failed_ = false;
};

}  // namespace orv
