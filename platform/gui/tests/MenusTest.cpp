// Menus: items on a form's bar, submenus, separators, shortcuts and freeing.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QContextMenuEvent>
#include <QTimer>

#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/tests/WidgetTesting.h"

namespace orv {
namespace {

TEST(MenusTest, AMainMenuBuildsTheFormsBarAndFiresItems) {
  TForm form(nullptr);
  auto* menu = new TMainMenu(&form);
  EXPECT_EQ(form.Menu(), menu);
  auto* n3 = new TMenuItem(&form);
  n3->SetCaption("พิมพ์เอกสาร");
  auto* n4 = new TMenuItem(&form);
  n4->SetCaption("ใบรับรองการรับศีลศักดิ์สิทธิ์");
  n4->SetShortCut(ShortCut('P', {ssCtrl}));
  auto* line = new TMenuItem(&form);
  line->SetCaption("-");
  auto* n2 = new TMenuItem(&form);
  n2->SetCaption("จบการทำงาน");
  menu->Items()->Add(n3);
  n3->Add(n4);
  n3->Add(line);
  menu->Items()->Add(n2);
  int clicked = 0;
  n4->OnClick = [&](TObject* sender) {
    EXPECT_EQ(sender, n4);
    ++clicked;
  };

  QMenuBar* bar = menu->MenuBar();
  ASSERT_EQ(bar->actions().size(), 2);
  EXPECT_EQ(bar->actions()[0]->text(), QString::fromUtf8("พิมพ์เอกสาร"));
  QMenu* sub = bar->actions()[0]->menu();
  ASSERT_NE(sub, nullptr);
  ASSERT_EQ(sub->actions().size(), 2);
  EXPECT_TRUE(sub->actions()[1]->isSeparator());
  EXPECT_EQ(sub->actions()[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
  sub->actions()[0]->trigger();
  EXPECT_EQ(clicked, 1);
  n4->SetEnabled(false);
  EXPECT_FALSE(sub->actions()[0]->isEnabled());

  delete n4;
  EXPECT_EQ(n3->Count(), 1);
  EXPECT_EQ(sub->actions().size(), 1);
  EXPECT_EQ(ShortCut(VK_F2, {ssShift, ssCtrl}), 0x6071);
}

TEST(MenusTest, PopupMenuOpensOnTheRightClickOfItsControl) {
  TForm form(nullptr);
  auto* popup = new TPopupMenu(&form);
  auto* copy = new TMenuItem(&form);
  copy->SetCaption("Copy");
  popup->Items()->Add(copy);
  auto* panel = new TWinControl(&form);
  panel->SetParent(&form);
  panel->SetPopupMenu(popup);
  int popped = 0;
  popup->OnPopup = [&](TObject*) {
    ++popped;
    // Closes the menu as soon as it shows.
    QTimer::singleShot(0, [] {
      if (QWidget* m = QApplication::activePopupWidget()) m->close();
    });
  };
  form.Show();
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), WidgetOf(panel)->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(WidgetOf(panel), &event);
  EXPECT_EQ(popped, 1);
  EXPECT_EQ(popup->PopupComponent(), panel);
  delete popup;
  EXPECT_EQ(panel->PopupMenu(), nullptr);
  form.Hide();
}

}  // namespace
}  // namespace orv
