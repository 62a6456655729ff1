#include "controls/LumSmoothButton.h"
#include "controls/tests/KitTesting.h"
#include "platform/gui/Action.h"
#include "platform/gui/Menus.h"
#include "platform/gui/SizeConstraints.h"
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
  }
  // Normal, under the mouse, pressed, disabled and focused, one above the other.
  std::unique_ptr<TBitmap> StateSheet() {
    edit_->SetFocus();
    TPictureSheet sheet;
    sheet.Add(Picture(button_));
    EnterMouse(button_);
    sheet.Add(Picture(button_));
    PressMouse(button_, 20, 10);
    sheet.Add(Picture(button_));
    ReleaseMouse(button_, 20, 10);
    LeaveMouse(button_);
    edit_->SetFocus();
    button_->SetEnabled(false);
    sheet.Add(Picture(button_));
    button_->SetEnabled(true);
    button_->SetFocus();
    sheet.Add(Picture(button_));
    return sheet.Join();
  }

  TEdit* edit_ = nullptr;
  TLumSmoothButton* button_ = nullptr;
  int clicks_ = 0;
};

}  // namespace

TEST_F(ButtonTest, EachStateIsPaintedAsExpectedUnderTwoSchemes) {
  button_->SetComponentStyle(tsOffice2003Blue);
  ExpectPicture(*StateSheet(), "button-blue");
  button_->SetComponentStyle(tsOffice2003Silver);
  ExpectPicture(*StateSheet(), "button-silver");
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
  TPictureSheet sheet;
  sheet.Add(Picture(button_));
  status.SetVisible(true);
  sheet.Add(Picture(button_));
  button_->SetShadow(true);
  sheet.Add(Picture(button_));
  ExpectPicture(*sheet.Join(), "button-badge-blue");

  status.SetVisible(false);
  std::unique_ptr<TBitmap> hidden = Picture(button_);
  status.SetVisible(true);
  status.SetCaption("");
  EXPECT_TRUE(SamePicture(*Picture(button_), *hidden)) << "a badge without caption or picture: no badge and no inset";
}

TEST_F(ButtonTest, ALeftClickClicksOnceAndARightClickNever) {
  EnterMouse(button_);
  PressMouse(button_, 20, 10);
  EXPECT_TRUE(button_->Down());
  EXPECT_EQ(clicks_, 0) << "the press alone is no click";
  ReleaseMouse(button_, 20, 10);
  EXPECT_EQ(clicks_, 1);
  EXPECT_FALSE(button_->Down());

  PressMouse(button_, 20, 10, mbRight);
  EXPECT_FALSE(button_->Down()) << "a right press does not press the face";
  ReleaseMouse(button_, 20, 10, mbRight);
  EXPECT_EQ(clicks_, 1) << "a right click does not run the button's command";

  ReleaseMouse(button_, 20, 10);
  EXPECT_EQ(clicks_, 1) << "a release without its press is no click";
}

TEST_F(ButtonTest, DraggingOutReleasesTheFaceAndTheReleaseStillClicks) {
  EnterMouse(button_);
  PressMouse(button_, 20, 10);
  MoveMouse(button_, 300, 10, true);
  EXPECT_FALSE(button_->Down());
  EXPECT_FALSE(button_->Hot());
  MoveMouse(button_, 20, 10, true);
  EXPECT_TRUE(button_->Hot());
  EXPECT_FALSE(button_->Down()) << "coming back does not press the face again";
  MoveMouse(button_, 20, 300, true);
  ReleaseMouse(button_, 20, 300);
  EXPECT_EQ(clicks_, 1);
}

TEST_F(ButtonTest, DisabledButtonIgnoresTheMouseAndTheKeyboard) {
  button_->SetEnabled(false);
  ClickMouse(button_, 20, 10);
  TypeKey(button_, VK_SPACE, U' ');
  EXPECT_EQ(clicks_, 0);
}

TEST_F(ButtonTest, TabReachesTheButtonWhereSpaceAndEnterClickIt) {
  edit_->SetFocus();
  TypeKey(edit_, VK_TAB, U'\t');
  ASSERT_TRUE(button_->Focused());
  TypeKey(button_, VK_SPACE, U' ');
  EXPECT_EQ(clicks_, 1);
  TypeKey(button_, VK_RETURN, U'\r');
  EXPECT_EQ(clicks_, 2);
  TypeKey(button_, 'A', U'a');
  EXPECT_EQ(clicks_, 2);
}

TEST_F(ButtonTest, TheAcceleratorClicksOnceAndLetsTheFaceUpAfterAMomentWithoutWaiting) {
  edit_->SetFocus();
  TypeAccelerator(edit_, 'S');
  EXPECT_EQ(clicks_, 1);
  EXPECT_TRUE(button_->Down()) << "the face shows the press while the program goes on";
  EXPECT_TRUE(WaitFor([&] { return !button_->Down(); }, 2000));
  EXPECT_EQ(clicks_, 1);

  button_->SetEnabled(false);
  TypeAccelerator(edit_, 'S');
  EXPECT_EQ(clicks_, 1) << "a disabled button's accelerator does nothing";
}

TEST_F(ButtonTest, AButtonBoundToAnActionShowsItsStateAndRunsItOnAClick) {
  button_->OnClick = nullptr;
  auto* action = new TAction(form_.get());
  action->SetCaption("พิมพ์");
  action->SetHint("พิมพ์ใบรับรอง");
  int runs = 0;
  action->OnExecute = [&](TObject*) { ++runs; };
  // By name, as a stored window or a script binds it.
  SetObjectProp(button_, "Action", action);
  EXPECT_EQ(button_->Caption(), "พิมพ์");
  EXPECT_EQ(button_->Hint(), "พิมพ์ใบรับรอง");
  EnterMouse(button_);
  ClickMouse(button_, 20, 10);
  EXPECT_EQ(runs, 1);

  // The face follows the action: its caption, and the gray face while it is disabled.
  auto printing = Picture(button_);
  action->SetCaption("บันทึก");
  auto saving = Picture(button_);
  EXPECT_FALSE(SamePicture(*printing, *saving));
  action->SetEnabled(false);
  EXPECT_FALSE(button_->Enabled());
  auto disabled = Picture(button_);
  EXPECT_FALSE(SamePicture(*saving, *disabled));
  ClickMouse(button_, 20, 10);
  EXPECT_EQ(runs, 1);
  action->SetEnabled(true);
  EXPECT_FALSE(SamePicture(*disabled, *Picture(button_)));
  ClickMouse(button_, 20, 10);
  EXPECT_EQ(runs, 2);
}

TEST_F(ButtonTest, ConstraintsHoldTheFaceUnderAlignment) {
  auto* limits = dynamic_cast<TSizeConstraints*>(GetObjectProp(button_, "Constraints"));
  ASSERT_NE(limits, nullptr);
  SetOrdProp(limits, "MaxWidth", 200);
  SetOrdProp(limits, "MinHeight", 40);
  button_->SetAlign(alTop);
  EXPECT_EQ(button_->Width(), 200);
  EXPECT_EQ(button_->Height(), 40);
  form_->SetBounds(0, 0, 150, 400);
  EXPECT_EQ(button_->Width(), form_->ClientWidth());
  EXPECT_EQ(button_->Height(), 40);
  // The face is drawn at the size the button keeps: its rounded right corners lie inside it.
  form_->SetBounds(0, 0, 640, 400);
  EXPECT_EQ(button_->Width(), 200);
  EXPECT_EQ(PaintedPixel(button_, 199, 0), clWhite);
  EXPECT_NE(PaintedPixel(button_, 190, 20), clWhite);
}

TEST_F(ButtonTest, AHandledContextPopupKeepsTheMenuShut) {
  auto* menu = new TPopupMenu(form_.get());
  auto* item = new TMenuItem(menu);
  item->SetCaption("ลบ");
  menu->Items()->Add(item);
  button_->SetPopupMenu(menu);
  int popups = 0;
  menu->OnPopup = [&](TObject*) { ++popups; };
  std::vector<TPoint> asked;
  GetPropInfo(button_, "OnContextPopup")
      ->SetHandler(button_, std::any(TContextPopupEvent([&](TObject*, TPoint at, bool& handled) {
                     asked.push_back(at);
                     handled = true;
                   })));
  PressMouse(button_, 30, 12, mbRight);
  ReleaseMouse(button_, 30, 12, mbRight);
  OpenContextMenu(button_, 30, 12);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].X, 30);
  EXPECT_EQ(asked[0].Y, 12);
  EXPECT_EQ(popups, 0);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(clicks_, 0);
}

TEST_F(ButtonTest, TheAppearanceFontEventsAreReachedByName) {
  TGDIPButton* look = button_->Appearance();
  // The button's own: the face font is stored only once it is the button's own.
  EXPECT_FALSE(IsStoredProp(look, "Font"));
  look->Font()->SetSize(14);
  EXPECT_FALSE(button_->ParentFont());
  EXPECT_TRUE(IsStoredProp(look, "Font"));
  int changes = 0;
  GetPropInfo(look, "OnFontChange")->SetHandler(look, std::any(TNotifyEvent([&](TObject*) { ++changes; })));
  GetPropInfo(look, "OnIsFontStored")
      ->SetHandler(look, std::any(TFontStoredEvent([](TObject*, bool& stored) { stored = false; })));
  look->Font()->SetSize(16);
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(IsStoredProp(look, "Font"));
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
