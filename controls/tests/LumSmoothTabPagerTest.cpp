#include "controls/LumSmoothTabPager.h"
#include "controls/tests/KitTesting.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/SizeConstraints.h"
#include "platform/gui/StdCtrls.h"

namespace orv::testing {

namespace {

class PagerTest : public KitTest {
 protected:
  void SetUp() override {
    KitTest::SetUp();
    edit_ = new TEdit(form_.get());
    edit_->SetParent(form_.get());
    edit_->SetBounds(10, 360, 100, 24);
    pager_ = new TLumSmoothTabPager(form_.get());
    pager_->SetParent(form_.get());
    pager_->SetBounds(10, 10, 500, 250);
    for (const char* caption : {"ข้อมูล&ส่วนตัว", "&Sacraments", "บุตร", "ย้าย"}) {
      auto* page = new TLumSmoothTabPage(form_.get());
      page->SetPager(pager_);
      page->SetCaption(caption);
      page->OnShow = [this, page](TObject*) { log_.push_back("show " + std::to_string(page->PageIndex())); };
      page->OnHide = [this, page](TObject*) { log_.push_back("hide " + std::to_string(page->PageIndex())); };
      pages_.push_back(page);
    }
    pager_->SetActivePage(pages_[0]);
    pager_->OnChanging = [this](TObject* sender, int from, int to, bool& allow) {
      EXPECT_EQ(sender, pager_);
      log_.push_back("changing " + std::to_string(from) + ">" + std::to_string(to));
      allow = allow_;
    };
    pager_->OnChange = [this](TObject*) { log_.push_back("change"); };
    ShowForm();
    log_.clear();
  }
  TPoint TabCentre(int index) {
    TRect r = pager_->GetTabRect(index);
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  void Move(TPoint at) { MoveMouse(pager_, at.X, at.Y); }
  void Press(TPoint at) { PressMouse(pager_, at.X, at.Y); }
  void Release(TPoint at) { ReleaseMouse(pager_, at.X, at.Y); }
  // The tab strip and the top of the page.
  std::unique_ptr<TBitmap> Strip() { return Picture(pager_, 60); }

  TEdit* edit_ = nullptr;
  TLumSmoothTabPager* pager_ = nullptr;
  std::vector<TLumSmoothTabPage*> pages_;
  std::vector<std::string> log_;
  bool allow_ = true;
};

}  // namespace

TEST_F(PagerTest, TabsAndPagesArePaintedAsExpectedInEachStateUnderTwoSchemes) {
  pages_[3]->SetTabEnabled(false);
  for (auto [style, name] : {std::pair{tsOffice2003Blue, "pager-blue"}, {tsOffice2003Olive, "pager-olive"}}) {
    pager_->SetComponentStyle(style);
    edit_->SetFocus();
    TPictureSheet states;
    states.Add(Strip());  // the first page active, the last tab disabled
    Move(TabCentre(1));
    states.Add(Strip());  // the second tab under the mouse
    Press(TabCentre(2));
    states.Add(Strip());  // the third tab held down, its page shown, the pager focused
    Release(TabCentre(2));
    Move({2, 200});
    edit_->SetFocus();
    states.Add(Strip());  // the third page shown, nothing hot, no focus
    ExpectPicture(*states.Join(), name);
    pager_->SetActivePage(pages_[0]);
  }
}

TEST_F(PagerTest, SideTabsTurnTheirCaptionsWithTheEdge) {
  pager_->SetComponentStyle(tsOffice2003Blue);
  pager_->SetBounds(10, 10, 160, 330);
  TPictureSheet sides;
  for (TLumSmoothTabPosition position : {tpLeftTop, tpRightBottom}) {
    pager_->SetTabPosition(position);
    sides.Add(Picture(pager_));
  }
  ExpectPicture(*sides.Join(true), "pager-sides-blue");
}

TEST_F(PagerTest, FixedLengthTabsAreCentredStartedOrEndedAlongTheTopEdge) {
  pager_->TabSettings()->SetWidth(80);
  // Four tabs of 80 with three gaps of 4, plus one more gap: 336 along 500 pixels.
  for (int i = 0; i < 4; ++i) {
    TRect r = pager_->GetTabRect(i);
    EXPECT_EQ(r.Left, 82 + 84 * i) << i;
    EXPECT_EQ(r.Right, 162 + 84 * i) << i;
    EXPECT_EQ(r.Top, 4);
    EXPECT_EQ(r.Bottom, 30);
  }
  pager_->SetTabPosition(tpTopLeft);
  EXPECT_EQ(pager_->GetTabRect(0).Left, 5) << "start margin 4 and page margin 1";
  pager_->SetTabPosition(tpTopRight);
  EXPECT_EQ(pager_->GetTabRect(0).Left, 164);
  EXPECT_EQ(pager_->GetTabRect(3).Right, 496);
  pager_->SetTabPosition(tpBottomLeft);
  EXPECT_EQ(pager_->GetTabRect(0).Top, 250 - 26 - 4);
  TRect page = pages_[0]->BoundsRect();
  EXPECT_EQ(page.Left, 1);
  EXPECT_EQ(page.Top, 2);
  EXPECT_EQ(page.Right, 499);
  EXPECT_EQ(page.Bottom, 224);

  pager_->SetTabPosition(tpTopCenter);
  pages_[1]->SetTabVisible(false);
  EXPECT_EQ(pager_->GetTabRect(2).Left, (500 - (3 * 80 + 2 * 4 + 4)) / 2 + 84);
  EXPECT_EQ(pager_->HitTest(TabCentre(2).X, TabCentre(2).Y), 2);
  EXPECT_EQ(pager_->HitTest(2, 200), -1);

  pager_->TabSettings()->SetHeight(0);
  page = pages_[0]->BoundsRect();
  EXPECT_EQ(page.Top, 0) << "without tabs the page fills the area less the margins";
  EXPECT_EQ(page.Bottom, 248);
  EXPECT_EQ(pager_->HitTest(TabCentre(0).X, 10), -1);
}

TEST_F(PagerTest, ChangingPagesRunsTheEventsAndARefusalKeepsThePage) {
  pager_->SetActivePage(pages_[2]);
  EXPECT_EQ(log_, (std::vector<std::string>{"changing 0>2", "hide 0", "show 2", "change"}));
  EXPECT_TRUE(pages_[2]->Visible());
  EXPECT_FALSE(pages_[0]->Visible());

  log_.clear();
  allow_ = false;
  pager_->SetActivePage(pages_[1]);
  EXPECT_EQ(pager_->ActivePage(), pages_[2]);
  EXPECT_EQ(log_, (std::vector<std::string>{"changing 2>1"}));

  log_.clear();
  allow_ = true;
  TLumSmoothTabPager other(nullptr);
  auto* foreign = new TLumSmoothTabPage(&other);
  foreign->SetPager(&other);
  pager_->SetActivePage(foreign);
  pager_->SetActivePage(nullptr);
  pager_->SetActivePage(pages_[2]);
  EXPECT_TRUE(log_.empty()) << "another pager's page, none and the shown page change nothing";
}

TEST_F(PagerTest, NextPageWrapsRoundSkippingHiddenAndDisabledTabsAndRemovalMovesOn) {
  pages_[1]->SetTabEnabled(false);
  pages_[2]->SetTabVisible(false);
  pager_->SelectNextPage(true);
  EXPECT_EQ(pager_->ActivePage(), pages_[3]);
  pager_->SelectNextPage(true);
  EXPECT_EQ(pager_->ActivePage(), pages_[0]);
  pager_->SelectNextPage(false);
  EXPECT_EQ(pager_->ActivePage(), pages_[3]);

  delete pages_[3];
  EXPECT_EQ(pager_->ActivePage(), pages_[0]) << "the next eligible page was shown first";
  EXPECT_EQ(pager_->PageCount(), 3);
  pages_[0]->SetTabEnabled(false);
  pager_->SelectNextPage(true);
  EXPECT_EQ(pager_->ActivePage(), pages_[0]) << "no other eligible page: nothing changes";
  EXPECT_THROW(pager_->Pages(3), Exception);
}

TEST_F(PagerTest, ClickingTabsShowsTheirPagesButADisabledTabNeitherShowsNorLightsUp) {
  ClickMouse(pager_, TabCentre(1).X, TabCentre(1).Y);
  EXPECT_EQ(pager_->ActivePage(), pages_[1]);
  EXPECT_TRUE(pager_->Focused()) << "a click on a tab takes the keyboard";

  pages_[3]->SetTabEnabled(false);
  Move(TabCentre(3));
  EXPECT_EQ(pager_->HotTab(), -1);
  Press(TabCentre(3));
  EXPECT_EQ(pager_->PressedTab(), 3);
  Release(TabCentre(3));
  EXPECT_EQ(pager_->ActivePage(), pages_[1]);
  EXPECT_EQ(pager_->PressedTab(), -1);

  Move(TabCentre(2));
  EXPECT_EQ(pager_->HotTab(), 2);
  LeaveMouse(pager_);
  EXPECT_EQ(pager_->HotTab(), -1);
}

TEST_F(PagerTest, DraggingATabMovesItOnlyWhenReorderingIsOn) {
  std::vector<std::string> moves;
  pager_->OnTabMoved = [&](TObject*, int from, int to) {
    moves.push_back(std::to_string(from) + ">" + std::to_string(to));
  };
  auto drag = [&](int from, int to) {
    Press(TabCentre(from));
    MoveMouse(pager_, TabCentre(to).X, TabCentre(to).Y, true);
    Release(TabCentre(to));
  };
  drag(0, 2);
  EXPECT_TRUE(moves.empty());
  EXPECT_EQ(pager_->Pages(0), pages_[0]);

  pager_->SetTabReorder(true);
  drag(0, 2);
  EXPECT_EQ(moves, (std::vector<std::string>{"0>2"}));
  EXPECT_EQ(pager_->Pages(2), pages_[0]);
  EXPECT_EQ(pager_->ActivePage(), pages_[0]);
}

TEST_F(PagerTest, InvalidateTabPaintsThatTabAloneAndMinusOneTheWholeStrip) {
  pager_->SetComponentStyle(tsOffice2003Blue);
  auto before = ShownPicture(pager_);
  // Every tab turns green unseen.
  HoldPainting(pager_, true);
  for (TLumSmoothTabPage* page : pages_) {
    page->TabAppearance()->SetColor(RGB(0, 160, 0));
    page->TabAppearance()->SetColorSelected(RGB(0, 160, 0));
  }
  HoldPainting(pager_, false);
  EXPECT_TRUE(SamePicture(*before, *ShownPicture(pager_)));

  pager_->InvalidateTab(2);
  auto one = ShownPicture(pager_);
  SavePicture(*before, "pager-invalidate-before.png");
  SavePicture(*one, "pager-invalidate-tab2.png");
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(SameArea(*before, *one, pager_->GetTabRect(i)), i != 2) << "tab " << i;
  TRect page = pager_->PageRect();
  EXPECT_TRUE(SameArea(*before, *one, page));
  // Between the tabs nothing changed either.
  TRect gap = Rect(pager_->GetTabRect(0).Right, 4, pager_->GetTabRect(1).Left, 30);
  EXPECT_TRUE(SameArea(*before, *one, gap));

  pager_->InvalidateTab(-1);
  auto all = ShownPicture(pager_);
  SavePicture(*all, "pager-invalidate-strip.png");
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(SameArea(*before, *all, pager_->GetTabRect(i))) << "tab " << i;
  EXPECT_TRUE(SameArea(*before, *all, page));
  // An index without a tab paints nothing.
  pager_->InvalidateTab(9);
  EXPECT_TRUE(SamePicture(*all, *ShownPicture(pager_)));
}

TEST_F(PagerTest, TheDragEventsConstraintsAndContextPopupAreReachedByName) {
  std::vector<std::string> events;
  auto set = [&](const char* name, std::any handler) { GetPropInfo(pager_, name)->SetHandler(pager_, handler); };
  set("OnStartDrag", TStartDragEvent([&](TObject*, TObject*&) { events.push_back("start"); }));
  set("OnDragOver", TDragOverEvent([&](TObject*, TObject*, int, int, TDragState, bool&) { events.push_back("over"); }));
  set("OnDragDrop", TDragDropEvent([&](TObject*, TObject*, int, int) { events.push_back("drop"); }));
  set("OnEndDrag", TEndDragEvent([&](TObject*, TObject* target, int, int) {
        events.push_back(target == pager_ ? "end on pager" : "end");
      }));
  set("OnContextPopup", TContextPopupEvent([&](TObject*, TPoint, bool& handled) {
        events.push_back("context");
        handled = true;
      }));
  std::vector<std::string> moves;
  pager_->OnTabMoved = [&](TObject*, int from, int to) {
    moves.push_back(std::to_string(from) + ">" + std::to_string(to));
  };
  // A tab dragged onto another, the pager both source and target.
  pager_->SetTabReorder(true);
  Press(TabCentre(1));
  MoveMouse(pager_, TabCentre(2).X, TabCentre(2).Y, true);
  MoveMouse(pager_, TabCentre(3).X, TabCentre(3).Y, true);
  Release(TabCentre(3));
  EXPECT_EQ(events, (std::vector<std::string>{"start", "over", "over", "over", "drop", "end on pager"}));
  EXPECT_EQ(moves, (std::vector<std::string>{"1>3"}));
  EXPECT_EQ(pager_->Pages(3), pages_[1]);

  events.clear();
  OpenContextMenu(pager_, 100, 100);
  EXPECT_EQ(events, (std::vector<std::string>{"context"}));

  auto* limits = dynamic_cast<TSizeConstraints*>(GetObjectProp(pager_, "Constraints"));
  ASSERT_NE(limits, nullptr);
  limits->SetMaxHeight(150);
  pager_->SetAlign(alClient);
  EXPECT_EQ(pager_->Height(), 150);
  EXPECT_EQ(pager_->Width(), form_->ClientWidth());
  // The pages take what the pager keeps.
  EXPECT_EQ(pages_[0]->Height(), pager_->PageRect().Bottom - pager_->PageRect().Top);
  EXPECT_LE(pager_->PageRect().Bottom, 150);
  EXPECT_NE(GetPropInfo(pager_, "OnDrawTab"), nullptr);
}

TEST_F(PagerTest, KeyboardReachesThePagerAndTurnsPagesWithArrowsAndAccelerators) {
  edit_->SetFocus();
  TypeKey(edit_, VK_TAB, U'\t');
  ASSERT_TRUE(pager_->Focused());
  TypeKey(pager_, VK_RIGHT);
  EXPECT_EQ(pager_->ActivePage(), pages_[1]);
  TypeKey(pager_, VK_DOWN);
  EXPECT_EQ(pager_->ActivePage(), pages_[2]);
  TypeKey(pager_, VK_LEFT);
  TypeKey(pager_, VK_UP);
  EXPECT_EQ(pager_->ActivePage(), pages_[0]);
  TypeKey(pager_, VK_UP);
  EXPECT_EQ(pager_->ActivePage(), pages_[3]) << "going back from the first page wraps round";

  edit_->SetFocus();
  TypeAccelerator(edit_, 'S');
  EXPECT_EQ(pager_->ActivePage(), pages_[1]);
  pages_[1]->SetTabVisible(false);
  pager_->SetActivePage(pages_[2]);
  TypeAccelerator(edit_, 'S');
  EXPECT_EQ(pager_->ActivePage(), pages_[2]) << "a hidden tab's accelerator does nothing";
}

TEST_F(PagerTest, PagersAndPagesOnlyGoWhereTheyBelong) {
  TLumSmoothTabPager inner(nullptr);
  EXPECT_THROW(inner.SetParent(pager_), Exception);
  EXPECT_THROW(inner.SetParent(pages_[0]), Exception);

  auto* page = new TLumSmoothTabPage(form_.get());
  page->SetParent(pages_[1]);
  EXPECT_EQ(page->Pager(), pager_);
  EXPECT_EQ(page->PageIndex(), 1) << "parented to a page, it takes that page's place";
  EXPECT_EQ(page->Parent(), pager_);
  EXPECT_THROW(page->SetParent(form_.get()), Exception);
}

TEST_F(PagerTest, SchemesColourEveryPageAndANewPageLooksLikeTheOneBeforeIt) {
  pager_->SetComponentStyle(tsOffice2003Blue);
  for (TLumSmoothTabPage* page : pages_) {
    EXPECT_EQ(page->PageAppearance()->Color(), TColor(0xFCE1CB));
    EXPECT_EQ(page->PageAppearance()->ColorTo(), TColor(0xE0A57D));
    EXPECT_EQ(page->PageAppearance()->BorderColor(), TColor(0x962D00));
    EXPECT_EQ(page->TabAppearance()->Color(), TColor(0xE3B28D));
    EXPECT_EQ(page->TabAppearance()->ColorSelected(), TColor(0xAAD9FF));
    EXPECT_EQ(page->TabAppearance()->BevelColor(), TColor(0x962D00));
  }
  auto* added = new TLumSmoothTabPage(form_.get());
  added->SetPager(pager_);
  EXPECT_EQ(added->PageAppearance()->Color(), TColor(0xFCE1CB));
  EXPECT_EQ(added->TabAppearance()->ColorDisabled(), TColor(0xF2F2F2));

  pager_->SetComponentStyle(tsOffice2003Silver);
  EXPECT_EQ(pages_[0]->TabAppearance()->Color(), TColor(0xECE2E1));
  EXPECT_EQ(pages_[0]->TabAppearance()->ColorDisabled(), TColor(0x947C7C));
  pager_->SetComponentStyle(tsCustom);
  EXPECT_EQ(pages_[0]->PageAppearance()->Color(), TColor(0xECE2E1)) << "custom keeps the page fill";
}

}  // namespace orv::testing

namespace orv::testing {

TEST_F(PagerTest, AlignedChildrenKeepTwoPixelsClearOfThePagesEdges) {
  TLumSmoothTabPage* page = pages_[0];
  auto* top = new TPanel(form_.get());
  top->SetParent(page);
  top->SetHeight(30);
  top->SetAlign(alTop);
  auto* rest = new TPanel(form_.get());
  rest->SetParent(page);
  rest->SetAlign(alClient);
  // Resizing the pager lays the page out again; its children follow inside the inset.
  pager_->SetBounds(10, 10, 420, 230);
  int w = page->ClientWidth(), h = page->ClientHeight();
  EXPECT_EQ(top->BoundsRect(), Rect(2, 2, w - 2, 32));
  EXPECT_EQ(rest->BoundsRect(), Rect(2, 32, w - 2, h - 2));
}

}  // namespace orv::testing
