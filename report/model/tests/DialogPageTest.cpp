// Dialog pages and the controls on them: the window follows the page, controls follow their
// objects, and a page shown modally hands back its result and its new bounds.
#include <gtest/gtest.h>

#include <functional>

#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/tests/WidgetTesting.h"
#include "report/model/DialogControls.h"
#include "report/model/DialogPage.h"
#include "report/model/tests/ModelTestSupport.h"
#include "script/tests/RunTestUtils.h"

namespace orv::test {
namespace {

// A button shows its name as its caption; a label is no windowed control; a panel holds others.
class TkvxTestButtonControl : public TkvxDialogControl {
  ORV_CLASS(TkvxTestButtonControl, TkvxDialogControl)

 public:
  explicit TkvxTestButtonControl(TComponent* owner) : TkvxDialogControl(owner) {
    CaptionFollowsName = true;
    SetControl(std::make_unique<TButton>(nullptr));
  }
};

ORV_IMPLEMENT_CLASS(TkvxTestButtonControl, c) {}

class TkvxTestLabelControl : public TkvxDialogControl {
 public:
  explicit TkvxTestLabelControl(TComponent* owner) : TkvxDialogControl(owner) {
    CaptionFollowsName = true;
    SetControl(std::make_unique<TLabel>(nullptr));
  }
};

class TkvxTestPanelControl : public TkvxDialogControl {
 public:
  explicit TkvxTestPanelControl(TComponent* owner) : TkvxDialogControl(owner) {
    SetControl(std::make_unique<TPanel>(nullptr));
  }
};

TEST(DialogControls, ControlsFollowTheirObjects) {
  auto report = QuietReport();
  auto* page = new TkvxDialogPage(report.get());
  auto* panel = new TkvxTestPanelControl(report.get());
  panel->SetParent(page);
  auto* button = new TkvxTestButtonControl(report.get());
  button->SetParent(panel);
  EXPECT_EQ(button->Control()->Parent(), panel->Control());
  EXPECT_EQ(panel->Control()->Parent(), page->Form());
  button->SetParent(page);
  EXPECT_EQ(button->Control()->Parent(), page->Form());

  button->SetBounds(10.4, 20.6, 75.5, 24.2);
  EXPECT_EQ(button->Control()->Left(), 10);
  EXPECT_EQ(button->Control()->Top(), 21);
  EXPECT_EQ(button->Control()->Width(), 76);
  EXPECT_EQ(button->Control()->Height(), 24);
  EXPECT_DOUBLE_EQ(button->Left(), 10.4);
  button->SetVisible(false);
  EXPECT_FALSE(button->Control()->Visible());
  button->SetEnabled(false);
  EXPECT_FALSE(button->Control()->Enabled());
  button->SetHint("กดเพื่อยืนยัน");
  EXPECT_EQ(button->Control()->Hint(), "กดเพื่อยืนยัน");
  button->Font()->SetSize(14);
  EXPECT_EQ(button->Control()->Font()->Size(), 14);
  EXPECT_EQ(button->BaseName(), "TestButton");
}

TEST(DialogControls, CaptionFollowsTheNameUntilEdited) {
  auto report = QuietReport();
  auto* page = new TkvxDialogPage(report.get());
  auto* button = new TkvxTestButtonControl(report.get());
  button->SetParent(page);
  button->SetName("Button1");
  button->Control()->SetCaption("Button1");
  button->SetName("OkButton");
  EXPECT_EQ(button->Control()->Caption(), "OkButton");
  button->Control()->SetCaption("ตกลง");
  button->SetName("YesButton");
  EXPECT_EQ(button->Control()->Caption(), "ตกลง");
}

TEST(DialogControls, ControlsDrawThemselvesAtTheirPlace) {
  auto report = QuietReport();
  auto* page = new TkvxDialogPage(report.get());
  auto* panel = new TkvxTestPanelControl(report.get());
  panel->SetParent(page);
  panel->SetBounds(20, 10, 40, 30);
  panel->Control()->SetColor(clRed);
  TBitmap bitmap(100, 60, pf24bit);
  bitmap.Canvas().Brush().SetColor(clWhite);
  bitmap.Canvas().FillRect(Rect(0, 0, 100, 60));
  // Scale and offset do not apply to dialogs.
  panel->Draw(&bitmap.Canvas(), 2, 2, 30, 30);
  EXPECT_EQ(bitmap.Canvas().Pixels(40, 25), clRed);
  EXPECT_EQ(bitmap.Canvas().Pixels(10, 25), clWhite);
  EXPECT_EQ(bitmap.Canvas().Pixels(70, 25), clWhite);
  EXPECT_EQ(bitmap.Canvas().Pixels(40, 50), clWhite);
}

TEST(DialogPages, WindowFollowsThePageAndShowsModally) {
  auto report = QuietReport();
  auto* page = new TkvxDialogPage(report.get());
  page->SetBounds(100.4, 50.5, 320, 200);
  page->SetCaption("เลือกเดือน");
  page->SetColor(clWhite);
  EXPECT_EQ(page->Form()->Width(), 320);
  EXPECT_EQ(page->Form()->Caption(), "เลือกเดือน");
  EXPECT_EQ(page->Form()->Color(), clWhite);
  EXPECT_TRUE(page->Form()->KeyPreview());
  EXPECT_EQ(page->Form()->Font()->Name(), "Tahoma");
  page->SetBorderStyle(bsDialog);
  EXPECT_EQ(page->Form()->BorderStyle(), bsSizeable);  // only a shown window takes it

  testing::After(30, [&] {
    EXPECT_EQ(page->Form()->BorderStyle(), bsDialog);
    page->Form()->SetWidth(400);
    page->SetModalResult(mrOk);
  });
  EXPECT_EQ(page->ShowModal(), mrOk);
  EXPECT_DOUBLE_EQ(page->Width(), 400);
  EXPECT_EQ(page->Form()->FormStyle(), fsStayOnTop);
}

TEST(DialogPages, WindowEventsReachTheReportsScript) {
  auto report = QuietReport();
  // Without the snapshot switch the events run outside a report run too.
  report->EngineOptions()->DestroyForms = false;
  auto* page = new TkvxDialogPage(report.get());
  page->SetName("DialogPage1");
  page->OnShow = "DialogShow";
  page->OnKeyPress = "DialogKey";
  page->OnKeyDown = "DialogKeyDown";
  page->OnCloseQuery = "DialogCanClose";
  report->ScriptText()->SetText(
      "var Tries: Integer;\n"
      "procedure DialogShow(Sender: TObject);\n"
      "begin\n"
      "  Report.Variables['Shown'] := 'yes';\n"
      "end;\n"
      "procedure DialogKey(Sender: TObject; var Key: String);\n"
      "begin\n"
      "  if Key = 'a' then Key := '' else Key := 'ข';\n"
      "end;\n"
      "procedure DialogKeyDown(Sender: TObject; var Key: Word; Shift: Integer);\n"
      "begin\n"
      "  Key := Key + Shift;\n"
      "end;\n"
      "procedure DialogCanClose(Sender: TObject; var CanClose: Boolean);\n"
      "begin\n"
      "  Tries := Tries + 1;\n"
      "  CanClose := CanClose and (Tries > 1);\n"
      "end;\n"
      "begin\n"
      "end.");
  ASSERT_TRUE(report->PrepareScript()) << report->Errors->Text();

  char32_t typed[2] = {U'a', U'x'};
  Word down = 65;
  bool stillOpen = false;
  testing::After(30, [&] {
    for (char32_t& key : typed) page->Form()->OnKeyPress(page->Form(), key);
    page->Form()->OnKeyDown(page->Form(), down, TShiftState{ssShift});
    page->SetModalResult(mrOk);  // refused once by the script
  });
  // On a loaded machine both answers may come in one pass of the modal loop, before it asked the
  // script about the first: the second waits until the first was refused.
  std::function<void()> secondAnswer = [&] {
    if (page->ModalResult() != mrNone) {
      testing::After(10, secondAnswer);
      return;
    }
    stillOpen = page->Form()->Visible();
    page->SetModalResult(mrOk);
  };
  testing::After(90, secondAnswer);
  EXPECT_EQ(page->ShowModal(), mrOk);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(typed[0], U'\0');
  EXPECT_EQ(typed[1], U'ข');
  EXPECT_EQ(down, 65 + 1);  // ssShift is the first bit of the state
  EXPECT_EQ(report->Variables->GetVariable("Shown").ToString(), "yes");
}

TEST(DialogPages, PagesAndTheirObjectsSurviveSaving) {
  RegisterTestClasses();
  auto report = QuietReport();
  auto* page = new TkvxDialogPage(report.get());
  page->SetName("DialogPage1");
  page->SetCaption("ช่วงวันที่");
  page->SetBorderStyle(bsDialog);
  page->SetPosition(poDesigned);
  page->OnShow = "DialogShow";
  page->OnKeyPress = "DialogKey";
  // Data sets stand on the data page, whose objects keep whole-pixel places.
  auto* dataPage = new TkvxDataPage(report.get());
  dataPage->SetName("Data");
  auto* data = new TkvxUserDataSet(report.get());
  data->SetName("Months");
  data->SetParent(dataPage);
  data->SetLeft(40.4);
  data->SetTop(12);

  TMemoryStream stream;
  report->SaveToStream(stream);
  stream.SetPosition(0);
  auto back = QuietReport();
  back->LoadFromStream(stream);
  auto* page2 = dynamic_cast<TkvxDialogPage*>(back->FindObject("DialogPage1"));
  ASSERT_NE(page2, nullptr);
  EXPECT_EQ(page2->Caption(), "ช่วงวันที่");
  EXPECT_EQ(page2->Form()->Caption(), "ช่วงวันที่");
  EXPECT_EQ(page2->BorderStyle(), bsDialog);
  EXPECT_EQ(page2->Position(), poDesigned);
  EXPECT_EQ(page2->OnShow, "DialogShow");
  EXPECT_EQ(page2->OnKeyPress, "DialogKey");
  TkvxComponent* data2 = back->FindObject("Months");
  ASSERT_NE(data2, nullptr);
  EXPECT_EQ(data2->Parent(), back->FindObject("Data"));
  EXPECT_DOUBLE_EQ(data2->Left(), 40);
  EXPECT_DOUBLE_EQ(data2->Top(), 12);
}

TEST(DialogPages, ScriptsShowPagesAndFocusControls) {
  auto report = QuietReport();
  auto* page = new TkvxDialogPage(report.get());
  auto* label = new TkvxTestLabelControl(report.get());
  label->SetParent(page);
  auto* edit = new TkvxTestButtonControl(report.get());
  edit->SetParent(page);
  auto script = NewScript("PascalScript",
                          "begin\n"
                          "  Caption.SetFocus;\n"
                          "  ShowMessage(IntToStr(Dialog.ShowModal) + ' ' + IntToStr(Dialog.ModalResult));\n"
                          "end.");
  script->AddObject("Dialog", page);
  script->AddObject("Caption", label);
  script->AddObject("Ok", edit);
  testing::After(30, [&] { page->SetModalResult(mrNo); });
  TRunResult run = RunScript(*script);
  ASSERT_TRUE(run.Compiled) << run.CompileError;
  EXPECT_EQ(run.RunError, "");
  EXPECT_EQ(run.Lines, std::vector<String>{"7 7"});
}

}  // namespace
}  // namespace orv::test
