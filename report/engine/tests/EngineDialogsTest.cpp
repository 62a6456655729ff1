// The report's dialog pages before a run: each shown in turn as a real window, a cancelled one
// stopping the run before any page; a host that shows them itself; a script that decides.
#include <gtest/gtest.h>

#include "platform/gui/StdCtrls.h"
#include "platform/gui/Timers.h"
#include "platform/gui/tests/ControlTesting.h"
#include "report/model/DialogControls.h"
#include "report/model/DialogPage.h"
#include "report/engine/tests/EngineTestSupport.h"

namespace orv {

// A push button whose caption is its name.
class TkvxEngineTestButton : public TkvxDialogControl {
  ORV_CLASS(TkvxEngineTestButton, TkvxDialogControl)

 public:
  explicit TkvxEngineTestButton(TComponent* owner) : TkvxDialogControl(owner) {
    CaptionFollowsName = true;
    SetControl(std::make_unique<TButton>(nullptr));
  }
};

ORV_IMPLEMENT_CLASS(TkvxEngineTestButton, c) {}

namespace {

using namespace orv::test;
using namespace orv::testing;

struct TDialogReport : TEngineReport {
  TDialogReport() {
    // These runs have a user: the tests answer the windows.
    kvxSetUserPresent(true);
    // The buttons' results are set in code, not stored: the report is not reloaded after a run.
    Report->EngineOptions()->DestroyForms = false;
    auto* data = Band<TkvxMasterData>("Data", 20, 20);
    data->SetRowCount(2);
    MemoView(data, "Row", "row [Line]");
    Report->OnStopReport = "Stopped";
    Report->ScriptText()->SetText(
        "var Stops: Integer;\r\n"
        "procedure Stopped(Sender: TObject);\r\nbegin\r\n  Stops := Stops + 1;\r\nend;\r\n"
        "begin\r\nend.");
  }
  // A dialog page with buttons name + "OK" and name + "Cancel", each closing it with its result.
  TkvxDialogPage* Dialog(const String& name) {
    auto* page = new TkvxDialogPage(Report.get());
    page->SetName(name);
    page->SetBounds(0, 0, 300, 120);
    page->SetBorderStyle(bsDialog);
    for (auto [caption, result] : {std::pair{"OK", mrOk}, std::pair{"Cancel", mrCancel}}) {
      auto* button = new TkvxEngineTestButton(Report.get());
      button->SetParent(page);
      button->SetName(name + caption);
      button->SetBounds(result == mrOk ? 20 : 120, 60, 80, 25);
      static_cast<TButton*>(button->Control())->SetModalResult(result);
    }
    return page;
  }
  ~TDialogReport() { kvxSetUserPresent(false); }
  int Stops() { return Report->Script->Find("Stops")->GetValue().ToInteger(); }
};

// Clicks the button named (and so captioned) caption in each of the windows that open, one after the other,
// and notes the captions of the windows of report that are open then.
void Answer(TkvxReport* report, std::vector<std::string> captions, std::vector<std::string>& seen) {
  After(40, [report, captions, &seen]() mutable {
    if (captions.empty()) return;
    ASSERT_TRUE(ModalWindowOpen());
    for (Integer i = 0; i < report->GetPagesCount(); ++i)
      if (auto* page = dynamic_cast<TkvxDialogPage*>(report->GetPages(i)); page && page->Form()->Visible())
        seen.push_back(page->Caption());
    std::string caption = captions.front();
    captions.erase(captions.begin());
    // An empty caption: the window is closed as the user closes it, with its close box.
    if (caption.empty()) QApplication::activeModalWidget()->close();
    else EXPECT_TRUE(ClickModalButton(caption));
    Answer(report, captions, seen);
  });
}

TEST(EngineDialogs, DialogPagesShowInTurnAndACancelledOneStopsTheRun) {
  TDialogReport r;
  r.Dialog("First")->SetCaption("first");
  r.Dialog("Hidden")->SetVisible(false);
  // A page without controls asks nothing and is never shown.
  auto* empty = new TkvxDialogPage(r.Report.get());
  empty->SetName("Empty");
  empty->SetCaption("empty");
  auto* second = r.Dialog("Second");
  second->SetCaption("second");

  std::vector<std::string> seen;
  Answer(r.Report.get(), {"FirstOK", "SecondCancel"}, seen);
  EXPECT_FALSE(r.Report->PrepareReport());
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(r.Pages().GetCount(), 0);
  EXPECT_EQ(r.Report->Errors->Count(), 0) << r.Report->Errors->Text();
  EXPECT_EQ(r.Stops(), 1);
  EXPECT_EQ(second->Form()->BorderStyle(), bsDialog);

  seen.clear();
  Answer(r.Report.get(), {"FirstOK", "SecondOK"}, seen);
  auto pages = r.Run();
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_EQ(pages, (std::vector<std::vector<std::string>>{{"row 1", "row 2"}}));
}

TEST(EngineDialogs, WithoutAUserThePagesRunWithTheirControlsValuesUnseen) {
  TDialogReport r;
  r.Dialog("Ask")->SetCaption("ask");
  kvxSetUserPresent(false);
  // A window that opens all the same is closed, so that the run ends.
  bool windowOpened = false;
  TTimer watch(nullptr);
  watch.SetInterval(50);
  watch.OnTimer = [&](TObject*) {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      windowOpened = true;
      modal->close();
    }
  };
  watch.SetEnabled(true);
  EXPECT_EQ(r.Run(), (std::vector<std::vector<std::string>>{{"row 1", "row 2"}}));
  EXPECT_FALSE(windowOpened);
}

TEST(EngineDialogs, AHostShowsThePagesItselfAndItsResultCounts) {
  TDialogReport r;
  auto* ask = r.Dialog("Ask");
  std::vector<TkvxDialogPage*> shown;
  bool windowOpened = false;
  TModalResult answer = mrCancel;
  r.Report->Engine->OnRunDialogs = [&](TkvxDialogPage* page) {
    shown.push_back(page);
    windowOpened = windowOpened || ModalWindowOpen();
    page->SetModalResult(answer);
  };
  EXPECT_FALSE(r.Report->PrepareReport());
  EXPECT_EQ(r.Pages().GetCount(), 0);
  answer = mrOk;
  EXPECT_EQ(r.Run().size(), 1u);
  EXPECT_EQ(shown, (std::vector<TkvxDialogPage*>{ask, ask}));
  EXPECT_FALSE(windowOpened);
}

TEST(EngineDialogs, TheReportsScriptDecidesInsteadOfThePages) {
  TDialogReport r;
  r.Dialog("Ask")->SetCaption("ask");
  r.Report->OnRunDialogs = " AskFirst ";
  r.Report->ScriptText()->SetText(
      "var Stops: Integer;\r\n"
      "procedure Stopped(Sender: TObject);\r\nbegin\r\n  Stops := Stops + 1;\r\nend;\r\n"
      "procedure AskFirst(var Go: Boolean);\r\nbegin\r\n  Go := Ask.ShowModal = mrOk;\r\nend;\r\n"
      "begin\r\nend.");
  std::vector<std::string> seen;
  Answer(r.Report.get(), {"AskCancel"}, seen);
  EXPECT_FALSE(r.Report->PrepareReport());
  EXPECT_EQ(r.Report->Errors->Count(), 0) << r.Report->Errors->Text();
  EXPECT_EQ(r.Pages().GetCount(), 0);
  EXPECT_EQ(r.Stops(), 1);
  Answer(r.Report.get(), {"AskOK"}, seen);
  EXPECT_EQ(r.Run().size(), 1u);
  EXPECT_EQ(seen, (std::vector<std::string>{"ask", "ask"}));
}

}  // namespace
}  // namespace orv
