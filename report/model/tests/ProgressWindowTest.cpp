// The progress window: its layout with and without a bar, Cancel, and the window it disables
// while it shows.
#include <gtest/gtest.h>

#include "platform/gui/Application.h"
#include "report/model/ProgressWindow.h"
#include "report/model/Resources.h"

using namespace orv;

TEST(ProgressWindow, LayoutCancelAndTheDisabledWindow) {
  TForm owner(nullptr);
  owner.Show();
  Application->ProcessMessages();
  auto* progress = new TkvxProgress(nullptr);
  EXPECT_EQ(progress->CancelB->Caption(), kvxGetResources()->Get("2"));
  EXPECT_EQ(progress->Bar->Max(), 100);
  progress->Execute(40, "กำลังเตรียมหน้า 1", true, true);
  EXPECT_TRUE(progress->Bar->Visible());
  EXPECT_EQ(progress->LMessage->Top(), 15);
  EXPECT_EQ(progress->LMessage->Caption(), "กำลังเตรียมหน้า 1");
  progress->SetPosition(55);
  EXPECT_EQ(progress->Position(), 40);
  progress->SetPosition(12);
  EXPECT_EQ(progress->Position(), 12);
  progress->Execute(10, "no bar", false, false);
  EXPECT_FALSE(progress->Bar->Visible());
  EXPECT_FALSE(progress->CancelB->Visible());
  EXPECT_EQ(progress->LMessage->Top(), 35);
  progress->CancelB->SetVisible(true);
  progress->CancelB->Click();
  EXPECT_TRUE(progress->Terminated);
  EXPECT_FALSE(progress->Visible());
  delete progress;
  EXPECT_TRUE(owner.Enabled());
}

#include "report/model/ImageUtils.h"

TEST(ImageUtils, TilesGoToTheListsAndTransparentPixelsStayOut) {
  TBitmap strip;
  strip.SetSize(48, 16);
  strip.Canvas().Brush().SetColor(clFuchsia);
  strip.Canvas().FillRect(Rect(0, 0, 48, 16));
  strip.Canvas().Brush().SetColor(clBlue);
  strip.Canvas().FillRect(Rect(16, 0, 32, 16));
  strip.Canvas().Brush().SetColor(clRed);
  strip.Canvas().FillRect(Rect(36, 4, 44, 12));
  strip.SetTransparentColor(clFuchsia);
  TImageList one(nullptr), odd(nullptr);
  kvxAssignImages(strip, 16, 16, one);
  EXPECT_EQ(one.Count(), 3);
  one.Clear();
  kvxAssignImages(strip, 16, 16, one, &odd);
  EXPECT_EQ(one.Count(), 2);
  EXPECT_EQ(odd.Count(), 1);

  TBitmap target;
  target.SetSize(48, 16);
  target.Canvas().Brush().SetColor(clWhite);
  target.Canvas().FillRect(Rect(0, 0, 48, 16));
  kvxDrawTransparent(target.Canvas(), 0, 0, strip);
  EXPECT_EQ(target.Canvas().Pixels(2, 2), clWhite);
  EXPECT_EQ(target.Canvas().Pixels(20, 8), clBlue);
  EXPECT_EQ(target.Canvas().Pixels(40, 8), clRed);

  TBitmap big;
  big.SetSize(96, 32);
  kvxDrawGraphic(big.Canvas(), Rect(0, 0, 96, 32), target, true);
  EXPECT_EQ(big.Canvas().Pixels(40, 16), clBlue);
  EXPECT_EQ(big.Canvas().Pixels(4, 4), clWhite);
}

#include "platform/gui/tests/WidgetTesting.h"
#include "report/model/DialogForm.h"

TEST(DialogForm, ClosesOnlyThroughAModalResult) {
  TComponent marker(nullptr);
  marker.SetTag(318);
  TkvxDialogForm form(&marker);
  EXPECT_TRUE(form.BuiltInCode());
  EXPECT_EQ(form.Owner(), nullptr);
  form.Show();
  form.Close();
  EXPECT_TRUE(form.Visible());
  form.Hide();
  orv::testing::After(20, [&] { form.SetModalResult(mrOk); });
  EXPECT_EQ(form.ShowModal(), mrOk);
}
