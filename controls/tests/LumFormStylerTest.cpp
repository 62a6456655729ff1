#include "controls/LumFormStyler.h"
#include "controls/LumSmoothButton.h"
#include "controls/LumSmoothTabPager.h"
#include "controls/tests/KitTesting.h"

namespace orv::testing {

namespace {

class StylerTest : public KitTest {
 protected:
  void SetUp() override {
    KitTest::SetUp();
    for (int i = 0; i < 2; ++i) {
      auto* b = new TLumSmoothButton(form_.get());
      b->SetParent(form_.get());
      buttons_.push_back(b);
    }
    pager_ = new TLumSmoothTabPager(form_.get());
    pager_->SetParent(form_.get());
    page_ = new TLumSmoothTabPage(form_.get());
    page_->SetPager(pager_);
    styler_ = new TLumFormStyler(form_.get());
    styler_->OnChange = [this](TObject*) { ++changes_; };
  }
  std::vector<TLumSmoothButton*> buttons_;
  TLumSmoothTabPager* pager_ = nullptr;
  TLumSmoothTabPage* page_ = nullptr;
  TLumFormStyler* styler_ = nullptr;
  int changes_ = 0;
};

}  // namespace

TEST_F(StylerTest, AStyleColoursEveryStyledControlOfTheFormOnce) {
  styler_->SetStyle(tsOffice2003Olive);
  EXPECT_EQ(changes_, 1);
  for (TLumSmoothButton* b : buttons_) EXPECT_EQ(b->Color(), TColor(0x447A63));
  EXPECT_EQ(page_->PageAppearance()->Color(), TColor(0xCFF0EA));
  EXPECT_EQ(page_->TabAppearance()->BevelColor(), TColor(0x588060));

  styler_->SetStyle(tsOffice2003Olive);
  EXPECT_EQ(changes_, 1) << "the same style again does nothing";

  buttons_[0]->SetColor(clRed);
  styler_->SetStyle(tsCustom);
  EXPECT_EQ(changes_, 2) << "custom still tells of the change";
  EXPECT_EQ(buttons_[0]->Color(), clRed) << "custom applies nothing";
}

TEST_F(StylerTest, AnApplyStyleHandlerCanKeepOneControlsColours) {
  buttons_[1]->SetColor(clRed);
  std::vector<TComponent*> asked;
  styler_->OnApplyStyle = [&](TObject* sender, TComponent* component, bool& allow) {
    EXPECT_EQ(sender, styler_);
    asked.push_back(component);
    allow = component != buttons_[1];
  };
  styler_->SetStyle(tsOffice2003Silver);
  EXPECT_EQ(buttons_[0]->Color(), TColor(0x927476));
  EXPECT_EQ(buttons_[1]->Color(), clRed);
  EXPECT_EQ(asked.size(), 4u) << "two buttons, the pager and its page";
}

TEST_F(StylerTest, FollowingTheDesktopChoosesBlueAndAgainWhenThePaletteChanges) {
  styler_->SetStyle(tsOffice2003Silver);
  styler_->SetAutoThemeAdapt(true);
  EXPECT_EQ(styler_->Style(), tsOffice2003Blue);
  EXPECT_EQ(buttons_[0]->Color(), TColor(0xE3B28D));

  styler_->SetStyle(tsOffice2003Olive);
  ChangeDesktopPalette(RGB(30, 30, 30));
  EXPECT_TRUE(WaitFor([&] { return styler_->Style() == tsOffice2003Blue; }));
  EXPECT_EQ(buttons_[1]->Color(), TColor(0xE3B28D));
  RestoreDesktopPalette();

  styler_->SetAutoThemeAdapt(false);
  styler_->SetStyle(tsOffice2003Olive);
  ChangeDesktopPalette(RGB(30, 30, 30));
  Pump(50);
  EXPECT_EQ(styler_->Style(), tsOffice2003Olive) << "a styler that does not follow keeps its style";
  RestoreDesktopPalette();
}

TEST_F(StylerTest, AnApplicationStylerStylesItsFormStylersUntilItIsFreed) {
  auto app = std::make_unique<TLumAppStyler>(nullptr);
  app->SetStyle(tsOffice2003Olive);
  styler_->SetAppStyle(app.get());
  EXPECT_EQ(styler_->Style(), tsOffice2003Olive);
  app->SetStyle(tsWindows7);
  EXPECT_EQ(styler_->Style(), tsWindows7);
  EXPECT_EQ(buttons_[0]->Color(), TColor(0xFCEBDC));
  app.reset();
  EXPECT_EQ(styler_->AppStyle(), nullptr);
  EXPECT_EQ(styler_->Style(), tsWindows7) << "the form styler keeps its last style";
}

}  // namespace orv::testing
