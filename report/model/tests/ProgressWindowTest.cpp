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
