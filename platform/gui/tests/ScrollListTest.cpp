// Scrolling containers, scroll bars and list boxes: what the program sets is silent or not as in
// the class library, and what the user does arrives as the user's.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>

#include <memory>
#include <string>
#include <vector>

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/tests/WidgetTesting.h"
#include "platform/rtl/StringList.h"

namespace orv {
namespace {

using testing::KeyClick;
using testing::MouseClick;

class ScrollListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetBounds(0, 0, 400, 300);
  }
  std::unique_ptr<TForm> form_;
};

// Where a control's widget shows inside the scroll box's own widget.
QPoint ShownAt(TControl* child, TControl* box) { return WidgetOf(child)->mapTo(WidgetOf(box), QPoint(0, 0)); }

TEST_F(ScrollListTest, ScrollBoxScrollsToAChildBeyondItsEdges) {
  auto* box = new TScrollBox(form_.get());
  box->SetParent(form_.get());
  box->SetBorderStyle(bsNone);
  box->SetBounds(0, 0, 150, 100);
  auto* near = new TPanel(form_.get());
  near->SetParent(box);
  near->SetBounds(10, 10, 40, 20);
  EXPECT_EQ(box->VertScrollBar()->Range(), 0) << "what fits needs no scrolling";
  EXPECT_EQ(box->HorzScrollBar()->Range(), 0);

  auto* far = new TPanel(form_.get());
  far->SetParent(box);
  far->SetBounds(300, 250, 60, 30);
  form_->Show();
  EXPECT_GE(box->HorzScrollBar()->Range(), 360);
  EXPECT_GE(box->VertScrollBar()->Range(), 280);

  QPoint before = ShownAt(far, box);
  box->VertScrollBar()->SetPosition(100);
  box->HorzScrollBar()->SetPosition(40);
  EXPECT_EQ(box->VertScrollBar()->Position(), 100);
  EXPECT_EQ(ShownAt(far, box), before - QPoint(40, 100)) << "scrolling moves the children";
  EXPECT_EQ(ShownAt(near, box), QPoint(10, 10) - QPoint(40, 100));

  box->VertScrollBar()->SetPosition(0);
  box->HorzScrollBar()->SetPosition(0);
  box->ScrollInView(far);
  QPoint shown = ShownAt(far, box);
  auto* view = static_cast<QScrollArea*>(WidgetOf(box))->viewport();
  EXPECT_TRUE(view->rect().contains(QRect(shown, QSize(60, 30)))) << "ScrollInView brings the child into view";
}

class ScrollBarTest : public ScrollListTest {
 protected:
  void SetUp() override {
    ScrollListTest::SetUp();
    bar_ = new TScrollBar(form_.get());
    bar_->SetParent(form_.get());
    bar_->OnChange = [this](TObject* sender) {
      EXPECT_EQ(sender, bar_);
      log_.push_back("change " + std::to_string(bar_->Position()));
    };
    bar_->OnScroll = [this](TObject*, TScrollCode code, int& pos) {
      log_.push_back("scroll " + std::to_string(static_cast<int>(code)) + " " + std::to_string(pos));
      if (replaceWith_ >= 0) pos = replaceWith_;
    };
  }
  TScrollBar* bar_ = nullptr;
  std::vector<std::string> log_;
  int replaceWith_ = -1;
};

TEST_F(ScrollBarTest, PositionFromCodeFiresOnChangeButNotOnScroll) {
  EXPECT_EQ(bar_->Min(), 0);
  EXPECT_EQ(bar_->Max(), 100);
  bar_->SetMin(10);
  bar_->SetMax(50);
  bar_->SetPosition(30);
  EXPECT_EQ(bar_->Position(), 30);
  bar_->SetPosition(30);
  bar_->SetPosition(80);
  EXPECT_EQ(bar_->Position(), 50) << "the position stays within Min and Max";
  bar_->SetMax(40);
  EXPECT_EQ(bar_->Position(), 40);
  EXPECT_EQ(log_, (std::vector<std::string>{"change 10", "change 30", "change 50", "change 40"}));

  // With a page, the last position is Max - PageSize + 1.
  log_.clear();
  bar_->SetPageSize(10);
  EXPECT_EQ(bar_->Max(), 40);
  bar_->SetPosition(40);
  EXPECT_EQ(bar_->Position(), 31);
}

TEST_F(ScrollBarTest, TheUsersMovesFireOnScrollThenOnChange) {
  bar_->SetSmallChange(5);
  bar_->SetLargeChange(20);
  QWidget* w = WidgetOf(bar_);
  KeyClick(w, Qt::Key_Right);
  EXPECT_EQ(bar_->Position(), 5);
  KeyClick(w, Qt::Key_PageDown);
  EXPECT_EQ(bar_->Position(), 25);
  KeyClick(w, Qt::Key_Left);
  EXPECT_EQ(bar_->Position(), 20);
  EXPECT_EQ(log_, (std::vector<std::string>{"scroll 1 5", "change 5", "scroll 3 25", "change 25", "scroll 0 20",
                                            "change 20"}));

  // The handler decides where the bar ends.
  log_.clear();
  replaceWith_ = 70;
  KeyClick(w, Qt::Key_Right);
  EXPECT_EQ(bar_->Position(), 70);
  EXPECT_EQ(log_, (std::vector<std::string>{"scroll 1 25", "change 70"}));
}

TEST_F(ScrollListTest, ListBoxKeepsItsItemsAndClicksOnlyForTheUser) {
  auto* list = new TListBox(form_.get());
  list->SetParent(form_.get());
  list->SetBounds(10, 10, 200, 150);
  int clicks = 0;
  list->OnClick = [&](TObject* sender) {
    EXPECT_EQ(sender, list);
    ++clicks;
  };
  list->SetSorted(true);
  for (const char* s : {"ค", "ก", "ข"}) list->Items()->Add(s);
  auto* view = static_cast<QListWidget*>(WidgetOf(list));
  ASSERT_EQ(view->count(), 3);
  EXPECT_EQ(list->Items()->Strings(0), "ก");
  EXPECT_EQ(view->item(0)->text(), QString::fromUtf8("ก"));
  EXPECT_EQ(view->item(2)->text(), QString::fromUtf8("ค"));
  EXPECT_EQ(list->ItemIndex(), -1);

  list->SetItemIndex(2);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(clicks, 0) << "the program's choice is no click";
  list->SetItemIndex(7);
  EXPECT_EQ(list->ItemIndex(), -1);

  form_->Show();
  MouseClick(view->viewport(), view->visualItemRect(view->item(1)).center());
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(clicks, 1);
  MouseClick(view->viewport(), view->visualItemRect(view->item(1)).center());
  EXPECT_EQ(clicks, 2) << "a click on the chosen line is a click too";
  KeyClick(view, Qt::Key_Down);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(clicks, 3);

  list->Items()->Delete(0);
  EXPECT_EQ(view->count(), 2);
  list->Clear();
  EXPECT_EQ(view->count(), 0);
  EXPECT_EQ(clicks, 3);
}

}  // namespace
}  // namespace orv
