#include <gtest/gtest.h>

#include "controls/LumSmoothTabPager.h"
#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"

namespace orv {

TEST(LumSmoothTabPagerTest, SettingTheActivePageRunsThePageChangeEventsOnce) {
  Application->Initialize();
  TForm form(nullptr);
  auto* pager = new TLumSmoothTabPager(&form);
  pager->SetParent(&form);
  auto* first = new TLumSmoothTabPage(&form);
  first->SetPager(pager);
  auto* second = new TLumSmoothTabPage(&form);
  second->SetPager(pager);
  TLumSmoothTabPager other(nullptr);
  auto* foreign = new TLumSmoothTabPage(&other);
  foreign->SetPager(&other);

  int changing = 0, changed = 0;
  bool allow = true;
  pager->OnChanging = [&](TObject*, bool& AllowChange) {
    ++changing;
    AllowChange = allow;
  };
  pager->OnChange = [&](TObject*) { ++changed; };

  EXPECT_EQ(pager->ActivePage(), first);
  EXPECT_EQ(first->Pager(), pager);
  pager->SetActivePage(second);
  EXPECT_EQ(pager->ActivePage(), second);
  EXPECT_EQ(changing, 1);
  EXPECT_EQ(changed, 1);

  pager->SetActivePage(second);   // already shown
  pager->SetActivePage(foreign);  // not one of this pager's pages
  pager->SetActivePage(nullptr);
  EXPECT_EQ(pager->ActivePage(), second);
  EXPECT_EQ(changing, 1);

  allow = false;
  pager->SetActivePage(first);
  EXPECT_EQ(pager->ActivePage(), second);
  EXPECT_EQ(changed, 1);
}

}  // namespace orv
