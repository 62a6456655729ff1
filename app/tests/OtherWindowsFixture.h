#pragma once
// Test support for the windows beside the main one: the main window started as the main block
// starts it, the other windows made on its connection, and the texts of the boxes they showed.
#include "app/Churches.h"
#include "app/MarriageNotices.h"
#include "app/Statistics.h"
#include "app/tests/ParishFixture.h"
#include "platform/gui/Keys.h"

namespace orv::test {

class OtherWindowsTest : public ParishTest {
 protected:
  void TearDown() override {
    for (TForm* form : windows_) delete form;
    windows_.clear();
    Form2 = nullptr;
    Form1 = nullptr;
    ParishTest::TearDown();
  }

  // The main window, known to the other windows as the main block makes it known.
  TForm1* StartMain() {
    TForm1* f = Start();
    Form1 = f;
    return f;
  }
  // A window of class T on the main window's connection, after its creation event.
  template <class T>
  T* Open() {
    if (!Form1) StartMain();
    auto* form = new T(Application);
    form->DoCreate();
    windows_.push_back(form);
    return form;
  }

  // The user presses and lets go of Enter (or another key) in an editor.
  static void Press(TWinControl* control, Word key = VK_RETURN) {
    if (control->OnKeyUp) control->OnKeyUp(control, key, TShiftState{});
  }
  // The user types text into an editor and presses Enter.
  static void Type(TEdit* edit, const std::string& text) {
    edit->SetText(text);
    Press(edit);
  }

  // The texts of the message boxes shown since the last call.
  std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (size_t i = seenBoxes_; i < dialogs_->Shown().size(); ++i)
      if (dialogs_->Shown()[i].Kind == "message") texts.push_back(dialogs_->Shown()[i].Text);
    seenBoxes_ = dialogs_->Shown().size();
    return texts;
  }

  std::vector<TForm*> windows_;
  size_t seenBoxes_ = 0;
};

}  // namespace orv::test
