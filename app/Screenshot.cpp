#include "app/Screenshot.h"

#include <cstdio>
#include <cstdlib>

#include "platform/gui/FormImage.h"
#include "platform/gui/Screen.h"
#include "platform/rtl/FileUtils.h"
#include "png/PNGObject.h"

namespace orv {

void SaveFormPicture(TCustomForm& form, const String& file) {
  std::unique_ptr<TBitmap> image = GetFormImage(form);
  TPNGObject png;
  png.Assign(image.get());
  SafeWriteFile(file, [&png](const String& tempName) { png.SaveToFile(tempName); });
}

TStartupScreenshot::TStartupScreenshot(TCustomForm* form, const String& file)
    : form_(form), file_(file) {
  if (file_.empty()) return;
  timer_ = new TTimer(form_);
  // The timer fires only once the loop runs, after Run has shown the form; the pause lets the
  // events that showing queued (layout, first paint) be handled before the picture is taken.
  timer_->SetInterval(500);
  timer_->OnTimer = [this](TObject*) { Take(); };
  const char* subject = std::getenv(ScreenshotFormVariable);
  subjectClass_ = subject ? subject : "";
}

namespace {

TCustomForm* FormOfClass(const String& className) {
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (Screen->Forms(i)->ClassName() == className) return Screen->Forms(i);
  return nullptr;
}

}  // namespace

void TStartupScreenshot::Take() {
  TCustomForm* subject = subjectClass_.empty() ? form_ : FormOfClass(subjectClass_);
  if (subject && !subject->Visible()) {
    // Shown now, pictured on the next tick, once it has been laid out and painted.
    subject->Show();
    return;
  }
  timer_->SetEnabled(false);
  try {
    if (!subject) throw Exception("no window of class " + subjectClass_);
    SaveFormPicture(*subject, file_);
  } catch (const Exception& e) {
    std::fprintf(stderr, "orvane: no screenshot saved as %s: %s\n", file_.c_str(),
                 e.Message().c_str());
    failed_ = true;
  }
  form_->Close();
}

}  // namespace orv
