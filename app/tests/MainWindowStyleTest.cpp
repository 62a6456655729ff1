// The main window's kit controls take the Office 2003 blue scheme: its styler follows the
// desktop, which overrides the silver style the window stores.
#include "app/tests/ParishFixture.h"

namespace orv::test {

class MainWindowStyleTest : public ParishTest {};

TEST_F(MainWindowStyleTest, ButtonsTabsAndPagesWearTheBlueScheme) {
  TForm1* f = Start();
  EXPECT_EQ(f->LumFormStyler1->Style(), tsOffice2003Blue);
  for (TLumSmoothButton* b : {f->LumSmoothButton1, f->LumSmoothButton2, f->LumSmoothButton3,
                              f->LumSmoothButton4, f->LumSmoothButton5, f->LumSmoothButton6})
    EXPECT_EQ(b->Color(), TColor(0xE3B28D)) << b->Caption();
  for (TLumSmoothTabPage* p : {f->LumSmoothTabPage1, f->LumSmoothTabPage2, f->LumSmoothTabPage3,
                               f->LumSmoothTabPage4}) {
    EXPECT_EQ(p->PageAppearance()->Color(), TColor(0xFCE1CB)) << p->Caption();
    EXPECT_EQ(p->TabAppearance()->ColorSelected(), TColor(0xAAD9FF)) << p->Caption();
  }
  EXPECT_EQ(f->LumSmoothTabPager1->ActivePage(), f->LumSmoothTabPage1);
  EXPECT_EQ(f->LumSmoothTabPager1->PageCount(), 4);
}

}  // namespace orv::test
