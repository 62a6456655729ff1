// Menus: items on a form's bar, submenus, separators, shortcuts and freeing.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QContextMenuEvent>
#include <QTimer>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Forms.h"
#include "platform/gui/ImageList.h"
#include "platform/gui/Menus.h"
#include "platform/gui/QtBridge.h"
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
  // With a text Qt would draw the line as a heading reading "-".
  EXPECT_TRUE(sub->actions()[1]->text().isEmpty());
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

TEST(MenusTest, ItemsShowThePicturesOfTheirMenusImageList) {
  TForm form(nullptr);
  auto* popup = new TPopupMenu(&form);
  auto* print = new TMenuItem(&form);
  print->SetCaption("พิมพ์");
  print->SetImageIndex(1);
  auto* plain = new TMenuItem(&form);
  plain->SetCaption("ปิด");
  auto* sub = new TMenuItem(&form);
  sub->SetCaption("ส่งออก");
  auto* pdf = new TMenuItem(&form);
  pdf->SetCaption("PDF");
  pdf->SetImageIndex(0);
  sub->Add(pdf);
  for (TMenuItem* item : {print, plain, sub}) popup->Items()->Add(item);
  auto* images = new TImageList(&form);
  TBitmap strip(32, 16);
  strip.Canvas().Brush().SetColor(clRed);
  strip.Canvas().FillRect(Rect(0, 0, 16, 16));
  strip.Canvas().Brush().SetColor(clBlue);
  strip.Canvas().FillRect(Rect(16, 0, 32, 16));
  images->Add(&strip);

  auto iconColour = [](TMenuItem* item) -> QRgb {
    QIcon icon = MenuItemAccess::Action(item)->icon();
    return icon.isNull() ? 0 : icon.pixmap(16, 16).toImage().pixel(8, 8) & 0xFFFFFF;
  };
  EXPECT_EQ(iconColour(print), 0u);
  popup->SetImages(images);
  EXPECT_EQ(iconColour(print), 0x0000FFu);
  EXPECT_EQ(iconColour(plain), 0u);
  EXPECT_EQ(iconColour(pdf), 0xFF0000u);
  // An item added later, and an index changed later, show their pictures too.
  auto* late = new TMenuItem(&form);
  late->SetImageIndex(0);
  popup->Items()->Add(late);
  EXPECT_EQ(iconColour(late), 0xFF0000u);
  pdf->SetImageIndex(1);
  EXPECT_EQ(iconColour(pdf), 0x0000FFu);
  delete images;
  EXPECT_EQ(popup->Images(), nullptr);
  EXPECT_EQ(iconColour(print), 0u);
}

}  // namespace
}  // namespace orv
