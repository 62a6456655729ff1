#include <QTest>

#include "controls/LumSmoothButton.h"
#include "controls/tests/KitTesting.h"
#include "platform/gui/StdCtrls.h"

namespace orv::testing {

namespace {

class ButtonTest : public KitTest {
 protected:
  void SetUp() override {
    KitTest::SetUp();
    edit_ = new TEdit(form_.get());
    edit_->SetParent(form_.get());
    edit_->SetBounds(10, 10, 100, 24);
    button_ = new TLumSmoothButton(form_.get());
    button_->SetParent(form_.get());
    button_->SetCaption("บันทึก &Save");
    button_->SetBounds(10, 50, 160, 34);
    button_->OnClick = [this](TObject* sender) {
      EXPECT_EQ(sender, button_);
      ++clicks_;
    };
    ShowForm();
    target_ = WidgetOf(button_);
  }
  void Press(QPoint at, Qt::MouseButton b = Qt::LeftButton) {
    SendMouse(target_, QEvent::MouseButtonPress, at, b, b);
  }
  void Release(QPoint at, Qt::MouseButton b = Qt::LeftButton) {
    SendMouse(target_, QEvent::MouseButtonRelease, at, b, Qt::NoButton);
  }

  // Normal, under the mouse, pressed, disabled and focused, one above the other.
  QImage StateSheet() {
    edit_->SetFocus();
    std::vector<QImage> states;
    states.push_back(Picture(button_));
    Enter(button_);
    states.push_back(Picture(button_));
    Press({20, 10});
    states.push_back(Picture(button_));
    Release({20, 10});
    Leave(button_);
    edit_->SetFocus();
    button_->SetEnabled(false);
    states.push_back(Picture(button_));
    button_->SetEnabled(true);
    button_->SetFocus();
    states.push_back(Picture(button_));
    return Stack(states);
  }

  TEdit* edit_ = nullptr;
  TLumSmoothButton* button_ = nullptr;
  QWidget* target_ = nullptr;
  int clicks_ = 0;
};

}  // namespace

TEST_F(ButtonTest, EachStateIsPaintedAsExpectedUnderTwoSchemes) {
  button_->SetComponentStyle(tsOffice2003Blue);
  ExpectPicture(StateSheet(), "button-blue");
  button_->SetComponentStyle(tsOffice2003Silver);
  ExpectPicture(StateSheet(), "button-silver");
  EXPECT_EQ(clicks_, 2);
}

TEST_F(ButtonTest, ABadgeStandsInTheTopRightCornerOfAnInsetFace) {
  button_->SetComponentStyle(tsOffice2003Blue);
  TLumSmoothButtonStatus& status = *button_->Status();
  status.SetCaption("12");
  status.Appearance()->Fill()->SetColor(clRed);
  status.Appearance()->Fill()->SetGradientType(gtSolid);
  status.Appearance()->Fill()->SetBorderColor(clGray);
  status.Appearance()->Font()->SetColor(clWhite);
  QImage without = Picture(button_);
  status.SetVisible(true);
  QImage with = Picture(button_);
  button_->SetShadow(true);
  ExpectPicture(Stack({without, with, Picture(button_)}), "button-badge-blue");
  status.SetVisible(false);
  QImage hidden = Picture(button_);
  status.SetVisible(true);
  status.SetCaption("");
  EXPECT_EQ(Picture(button_), hidden) << "a badge without caption or picture: no badge and no inset";
}

TEST_F(ButtonTest, ALeftClickClicksOnceAndARightClickNever) {
  Enter(button_);
  Press({20, 10});
  EXPECT_TRUE(button_->Down());
  EXPECT_EQ(clicks_, 0) << "the press alone is no click";
  Release({20, 10});
  EXPECT_EQ(clicks_, 1);
  EXPECT_FALSE(button_->Down());

  Press({20, 10}, Qt::RightButton);
  EXPECT_FALSE(button_->Down()) << "a right press does not press the face";
  Release({20, 10}, Qt::RightButton);
  EXPECT_EQ(clicks_, 1) << "a right click does not run the button's command";

  Release({20, 10});
  EXPECT_EQ(clicks_, 1) << "a release without its press is no click";
}

TEST_F(ButtonTest, DraggingOutReleasesTheFaceAndTheReleaseStillClicks) {
  Enter(button_);
  Press({20, 10});
  SendMouse(target_, QEvent::MouseMove, {300, 10}, Qt::NoButton, Qt::LeftButton);
  EXPECT_FALSE(button_->Down());
  EXPECT_FALSE(button_->Hot());
  SendMouse(target_, QEvent::MouseMove, {20, 10}, Qt::NoButton, Qt::LeftButton);
  EXPECT_TRUE(button_->Hot());
  EXPECT_FALSE(button_->Down()) << "coming back does not press the face again";
  SendMouse(target_, QEvent::MouseMove, {20, 300}, Qt::NoButton, Qt::LeftButton);
  Release({20, 300});
  EXPECT_EQ(clicks_, 1);
}

TEST_F(ButtonTest, DisabledButtonIgnoresTheMouseAndTheKeyboard) {
  button_->SetEnabled(false);
  MouseClick(target_, {20, 10});
  KeyClick(target_, Qt::Key_Space, " ");
  EXPECT_EQ(clicks_, 0);
}

TEST_F(ButtonTest, TabReachesTheButtonWhereSpaceAndEnterClickIt) {
  edit_->SetFocus();
  KeyClick(KeyTarget(edit_), Qt::Key_Tab, "\t");
  ASSERT_TRUE(button_->Focused());
  KeyClick(target_, Qt::Key_Space, " ");
  EXPECT_EQ(clicks_, 1);
  KeyClick(target_, Qt::Key_Return, "\r");
  EXPECT_EQ(clicks_, 2);
  KeyClick(target_, Qt::Key_A, "a");
  EXPECT_EQ(clicks_, 2);
}

TEST_F(ButtonTest, TheAcceleratorClicksOnceAndLetsTheFaceUpAfterAMomentWithoutWaiting) {
  edit_->SetFocus();
  QTest::keyClick(KeyTarget(edit_), Qt::Key_S, Qt::AltModifier);
  EXPECT_EQ(clicks_, 1);
  EXPECT_TRUE(button_->Down()) << "the face shows the press while the program goes on";
  EXPECT_TRUE(WaitFor([&] { return !button_->Down(); }, 2000));
  EXPECT_EQ(clicks_, 1);

  button_->SetEnabled(false);
  QTest::keyClick(KeyTarget(edit_), Qt::Key_S, Qt::AltModifier);
  EXPECT_EQ(clicks_, 1) << "a disabled button's accelerator does nothing";
}

TEST(SmoothButtonColourTest, PressedFacesKeepTheirHueAndSchemesSetTheFaceColour) {
  EXPECT_EQ(DarkenColor(clRed), RGB(204, 0, 0));
  EXPECT_EQ(DarkenColor(RGB(128, 128, 128)), RGB(102, 102, 102));
  EXPECT_EQ(DarkenColor(RGB(100, 200, 50)), RGB(80, 160, 40));

  TLumSmoothButton button(nullptr);
  EXPECT_EQ(button.Color(), clGray);
  button.SetComponentStyle(tsOffice2003Blue);
  EXPECT_EQ(button.Color(), TColor(0xE3B28D));
  button.SetComponentStyle(tsCustom);
  EXPECT_EQ(button.Color(), TColor(0xE3B28D));
  button.SetComponentStyle(tsOffice2003Olive);
  EXPECT_EQ(button.Color(), TColor(0x447A63));
}

}  // namespace orv::testing
