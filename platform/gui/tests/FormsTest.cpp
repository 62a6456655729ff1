// Forms: modal results, closing, freeing, and the exception box of the message loop.
#include <gtest/gtest.h>

#include <QTimer>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/tests/DialogTesting.h"
#include "platform/gui/tests/WidgetTesting.h"

namespace orv {
namespace {

// A small form as the application's windows are written.
class TDialogForm : public TForm {
 public:
  explicit TDialogForm(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("ยืนยัน");
    OkButton = new TButton(this);
    OkButton->SetParent(this);
    OkButton->SetCaption("ตกลง");
    OkButton->SetModalResult(mrOk);
    OkButton->SetDefault(true);
    Edit1 = new TEdit(this);
    Edit1->SetParent(this);
    OnCreate = [this](TObject*) { log.push_back("create"); };
    OnShow = [this](TObject*) { log.push_back("show"); };
    OnClose = [this](TObject*, TCloseAction& action) {
      log.push_back("close");
      action = closeAction;
    };
    OnDestroy = [this](TObject*) {
      if (destroyed) *destroyed = true;
    };
  }
  TButton* OkButton;
  TEdit* Edit1;
  std::vector<String> log;
  TCloseAction closeAction = caHide;
  bool* destroyed = nullptr;
};

class FormsTest : public testing::ScriptedDialogsTest {};

TEST_F(FormsTest, ShowModalReturnsTheModalResultOfTheButtonClicked) {
  TDialogForm form(nullptr);
  QTimer::singleShot(50, [&] { form.OkButton->Click(); });
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(form.log, (std::vector<String>{"create", "show", "close"}));
  // A second run starts from mrNone again; closing it is a cancel.
  QTimer::singleShot(50, [&] { form.Close(); });
  EXPECT_EQ(form.ShowModal(), mrCancel);
}

TEST_F(FormsTest, CloseQueryAndCaNoneKeepAModalFormOpen) {
  TDialogForm form(nullptr);
  int asked = 0;
  form.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++asked > 1; };
  QTimer::singleShot(30, [&] { form.SetModalResult(mrYes); });
  QTimer::singleShot(90, [&] {
    EXPECT_TRUE(form.Visible());
    form.SetModalResult(mrNo);
  });
  EXPECT_EQ(form.ShowModal(), mrNo);
  EXPECT_EQ(asked, 2);
  EXPECT_THROW({
    form.Show();
    form.ShowModal();
  }, EInvalidOperation);
  form.Hide();
}

TEST_F(FormsTest, DialogBorderKeepsTheSizeTheProgramSetsAfterIt) {
  TForm form(nullptr);
  form.SetBorderStyle(bsDialog);
  form.SetClientWidth(240);
  form.SetClientHeight(100);
  EXPECT_EQ(form.ClientWidth(), 240);
  EXPECT_EQ(form.ClientHeight(), 100);
  form.Show();
  QApplication::processEvents();
  EXPECT_EQ(form.ClientWidth(), 240);
  // The user still cannot resize it.
  QWidget* window = WidgetOf(&form);
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  window->resize(400, 300);
  EXPECT_EQ(form.ClientWidth(), 240);
  form.SetBorderStyle(bsSizeable);
  form.SetWidth(300);
  EXPECT_EQ(form.Width(), 300);
  EXPECT_NE(window->minimumSize(), window->maximumSize());
}

TEST_F(FormsTest, EnterClicksTheDefaultButton) {
  TDialogForm form(nullptr);
  QTimer::singleShot(50, [&] { testing::KeyClick(testing::KeyTarget(form.Edit1), Qt::Key_Return, "\r"); });
  EXPECT_EQ(form.ShowModal(), mrOk);
}

TEST_F(FormsTest, CaFreeFreesTheFormAfterItsEvent) {
  bool destroyed = false;
  auto* form = new TDialogForm(nullptr);
  form->destroyed = &destroyed;
  form->closeAction = caFree;
  form->Show();
  form->Close();
  EXPECT_FALSE(destroyed);
  EXPECT_TRUE(testing::WaitFor([&] { return destroyed; }));
}

TEST_F(FormsTest, AnExceptionInAHandlerEndsInTheErrorBox) {
  TDialogForm form(nullptr);
  Application->SetTitle("OrvaneIDv4.5");
  form.OkButton->OnClick = [](TObject*) { throw EConvertError("'abc' is not a valid date"); };
  form.OkButton->SetModalResult(mrNone);
  form.Show();
  testing::MouseClick(WidgetOf(form.OkButton), QPoint(5, 5));
  ASSERT_EQ(dialogs_->Shown().size(), 1u);
  EXPECT_EQ(dialogs_->Shown()[0].Text, "'abc' is not a valid date.");
  // Captioned as the window the handler belongs to.
  EXPECT_EQ(dialogs_->Shown()[0].Caption, form.Caption());
  EXPECT_EQ(dialogs_->Shown()[0].Type, mtError);
  // EAbort stays silent.
  form.OkButton->OnClick = [](TObject*) { Abort(); };
  testing::MouseClick(WidgetOf(form.OkButton), QPoint(5, 5));
  EXPECT_EQ(dialogs_->Shown().size(), 1u);
  form.Hide();
}

TEST_F(FormsTest, ModelessFormsOfOneClassLiveSideBySide) {
  std::vector<TDialogForm*> forms;
  for (int i = 0; i < 3; ++i) {
    auto* f = new TDialogForm(nullptr);
    f->Show();
    forms.push_back(f);
  }
  EXPECT_TRUE(forms[0]->Visible() && forms[1]->Visible() && forms[2]->Visible());
  for (TDialogForm* f : forms) delete f;
}

}  // namespace
}  // namespace orv
