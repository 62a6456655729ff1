// Tree views, tool bars with their image lists, and splitters, driven as a user would.
#include <gtest/gtest.h>

#include <QTreeWidget>

#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/tests/WidgetTesting.h"
#include "platform/rtl/TypInfo.h"

namespace orv {
namespace {

TEST(TreeViewTest, NodesFormATreeAndChoosingOneFiresOnChangeOnce) {
  TForm form(nullptr);
  auto* tree = new TTreeView(&form);
  tree->SetParent(&form);
  tree->SetBounds(0, 0, 200, 200);
  TTreeNodes* items = tree->Items();
  items->BeginUpdate();
  TTreeNode* baptism = items->Add(nullptr, "ศีลล้างบาป");
  TTreeNode* marriage = items->Add(baptism, "สมรส");
  TTreeNode* page3 = items->AddChild(baptism, "หน้า 3");
  page3->SetData(Integer(3));
  TTreeNode* page7 = items->AddChildObject(baptism, "หน้า 7", &form);
  TTreeNode* deep = items->AddChild(page7, "ย่อหน้า");
  items->EndUpdate();

  ASSERT_EQ(items->Count(), 5);
  // Item counts every node, parents before their children.
  EXPECT_EQ(items->Item(0), baptism);
  EXPECT_EQ(items->Item(1), page3);
  EXPECT_EQ(items->Item(3), deep);
  EXPECT_EQ(items->Item(4), marriage);
  EXPECT_THROW(items->Item(5), EListError);
  EXPECT_EQ(items->GetFirstNode(), baptism);
  EXPECT_EQ(baptism->Count(), 2);
  EXPECT_EQ(baptism->Item(1), page7);
  EXPECT_EQ(page7->Parent(), baptism);
  EXPECT_EQ(page7->Index(), 1);
  EXPECT_EQ(deep->Level(), 2);
  EXPECT_EQ(marriage->Index(), 1);
  EXPECT_EQ(page3->IntegerData(), 3);
  EXPECT_EQ(page3->Data(), nullptr);
  EXPECT_EQ(page7->Data(), &form);
  EXPECT_EQ(page3->Text(), "หน้า 3");

  std::vector<TTreeNode*> changes;
  tree->OnChange = [&](TObject*, TTreeNode* node) { changes.push_back(node); };
  int clicks = 0;
  tree->OnClick = [&](TObject*) { ++clicks; };
  form.Show();
  EXPECT_FALSE(baptism->Expanded());
  tree->FullExpand();
  EXPECT_TRUE(page7->Expanded());

  // A user's click on a node: one change, then the click, with the node chosen.
  auto* view = static_cast<QTreeWidget*>(WidgetOf(tree));
  QRect r = view->visualItemRect(view->topLevelItem(0)->child(1));
  TTreeNode* selectedAtClick = nullptr;
  tree->OnClick = [&](TObject*) {
    ++clicks;
    selectedAtClick = tree->Selected();
  };
  testing::MouseClick(view->viewport(), r.center());
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0], page7);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(selectedAtClick, page7);
  EXPECT_TRUE(page7->Selected());

  // Choosing from code fires once too; choosing the chosen node again fires nothing.
  tree->SetSelected(page3);
  tree->SetSelected(page3);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[1], page3);

  // Freeing the chosen node's parent leaves no node chosen that is gone.
  baptism->Delete();
  EXPECT_EQ(items->Count(), 1);
  EXPECT_NE(tree->Selected(), page3);
  EXPECT_EQ(changes.back(), tree->Selected());
  items->Clear();
  EXPECT_EQ(items->Count(), 0);
  EXPECT_EQ(tree->Selected(), nullptr);
  EXPECT_EQ(items->GetFirstNode(), nullptr);
  form.Hide();
}

TEST(TreeViewTest, PublishesItsOptions) {
  TForm form(nullptr);
  auto* tree = new TTreeView(&form);
  SetOrdProp(tree, "ReadOnly", 1);
  EXPECT_TRUE(tree->ReadOnly());
  EXPECT_EQ(static_cast<QTreeWidget*>(WidgetOf(tree))->editTriggers(), QAbstractItemView::NoEditTriggers);
  SetOrdProp(tree, "ShowRoot", 0);
  EXPECT_FALSE(tree->ShowRoot());
  EXPECT_TRUE(tree->HideSelection());
}

std::unique_ptr<TBitmap> Strip(int tiles) {
  auto strip = std::make_unique<TBitmap>(16 * tiles, 16);
  for (int i = 0; i < tiles; ++i) {
    strip->Canvas().Brush().SetColor(i % 2 ? clRed : clBlue);
    strip->Canvas().FillRect({i * 16, 0, i * 16 + 16, 16});
  }
  // A magenta corner marks the colour to leave out.
  strip->Canvas().SetPixels(0, 15, clFuchsia);
  return strip;
}

TEST(ImageListTest, CutsAStripIntoImagesAndDrawsThemWithoutTheMaskColour) {
  TImageList list(nullptr);
  auto strip = Strip(3);
  EXPECT_EQ(list.AddMasked(strip.get(), clFuchsia), 0);
  EXPECT_EQ(list.Add(strip.get()), 3);
  EXPECT_EQ(list.Count(), 6);

  TBitmap target(40, 20);
  target.Canvas().Brush().SetColor(clWhite);
  target.Canvas().FillRect({0, 0, 40, 20});
  list.Draw(&target.Canvas(), 2, 2, 1);
  EXPECT_EQ(target.Canvas().Pixels(5, 5), clRed);
  list.Draw(&target.Canvas(), 20, 2, 0);
  EXPECT_EQ(target.Canvas().Pixels(25, 5), clBlue);
  EXPECT_EQ(target.Canvas().Pixels(20, 17), clWhite);  // the masked corner
  list.SetWidth(24);
  EXPECT_EQ(list.Count(), 0);
}

TEST(ToolBarTest, ButtonsLineUpAndACheckButtonIsDownWhenItsClickArrives) {
  TForm form(nullptr);
  form.SetClientWidth(400);
  form.SetClientHeight(200);
  auto* images = new TImageList(&form);
  auto strip = Strip(2);
  images->AddMasked(strip.get(), clFuchsia);
  auto* bar = new TToolBar(&form);
  bar->SetParent(&form);
  bar->SetImages(images);
  bar->SetFlat(true);
  bar->SetButtonHeight(23);
  auto add = [&](TToolButtonStyle style, const String& caption) {
    auto* b = new TToolButton(&form);
    b->SetParent(bar);
    b->SetStyle(style);
    b->SetCaption(caption);
    b->SetHint(caption);
    return b;
  };
  TToolButton* print = add(tbsButton, "Print");
  print->SetImageIndex(1);
  TToolButton* sep = add(tbsSeparator, "");
  TToolButton* outline = add(tbsCheck, "Outline");
  TToolButton* thumbs = add(tbsCheck, "Thumbnails");
  outline->SetGrouped(true);
  thumbs->SetGrouped(true);
  TToolButton* exportB = add(tbsDropDown, "Export");
  auto* popup = new TPopupMenu(&form);
  exportB->SetDropdownMenu(popup);

  ASSERT_EQ(bar->ButtonCount(), 5);
  EXPECT_EQ(bar->Buttons(2), outline);
  EXPECT_EQ(outline->Index(), 2);
  EXPECT_EQ(bar->Align(), alTop);
  EXPECT_EQ(bar->Width(), 400);
  EXPECT_EQ(print->BoundsRect(), Rect(0, print->Top(), 23, print->Top() + 23));
  EXPECT_EQ(sep->Left(), 23);
  EXPECT_EQ(outline->Left(), sep->Left() + sep->Width());
  EXPECT_GT(exportB->Width(), print->Width());
  EXPECT_FALSE(ImageListAccess::Pixmap(images, print->ImageIndex()).isNull());

  // Hiding a button closes the gap.
  sep->SetVisible(false);
  EXPECT_EQ(outline->Left(), 23);

  std::vector<bool> downAtClick;
  outline->OnClick = [&](TObject* sender) { downAtClick.push_back(static_cast<TToolButton*>(sender)->Down()); };
  int printClicks = 0;
  print->OnClick = [&](TObject*) { ++printClicks; };
  form.Show();
  testing::MouseClick(WidgetOf(outline), QPoint(5, 5));
  testing::MouseClick(WidgetOf(print), QPoint(5, 5));
  EXPECT_EQ(printClicks, 1);
  EXPECT_FALSE(print->Down());
  ASSERT_EQ(downAtClick.size(), 1u);
  EXPECT_TRUE(downAtClick[0]);
  // Its group neighbour goes down and takes the other up; the last one down stays down.
  testing::MouseClick(WidgetOf(thumbs), QPoint(5, 5));
  EXPECT_TRUE(thumbs->Down());
  EXPECT_FALSE(outline->Down());
  testing::MouseClick(WidgetOf(thumbs), QPoint(5, 5));
  EXPECT_TRUE(thumbs->Down());
  // Without a group a check button toggles; a disabled one hears nothing.
  thumbs->SetGrouped(false);
  testing::MouseClick(WidgetOf(thumbs), QPoint(5, 5));
  EXPECT_FALSE(thumbs->Down());
  print->SetEnabled(false);
  testing::MouseClick(WidgetOf(print), QPoint(5, 5));
  EXPECT_EQ(printClicks, 1);

  // With captions every button widens to the longest caption.
  bar->SetShowCaptions(true);
  EXPECT_EQ(print->Width(), outline->Width());
  EXPECT_GT(outline->Width(), 23);
  EXPECT_EQ(GetOrdProp(bar, "ShowCaptions"), 1);
  SetEnumProp(outline, "Style", "tbsButton");
  EXPECT_EQ(outline->Style(), tbsButton);
  form.Hide();

  // The bar forgets an image list that is freed.
  delete images;
  EXPECT_EQ(bar->Images(), nullptr);
}

TEST(SplitterTest, DraggingResizesTheNeighbourWithinMinSize) {
  TForm form(nullptr);
  form.SetClientWidth(400);
  form.SetClientHeight(200);
  auto* outline = new TPanel(&form);
  outline->SetParent(&form);
  outline->SetAlign(alLeft);
  outline->SetWidth(100);
  auto* splitter = new TSplitter(&form);
  splitter->SetParent(&form);
  splitter->SetLeft(150);
  splitter->SetAlign(alLeft);
  splitter->SetWidth(4);
  auto* pages = new TPanel(&form);
  pages->SetParent(&form);
  pages->SetAlign(alClient);
  ASSERT_EQ(splitter->Left(), 100);
  ASSERT_EQ(pages->Left(), 104);
  int moved = 0;
  splitter->OnMoved = [&](TObject*) { ++moved; };
  form.Show();

  QWidget* w = WidgetOf(splitter);
  // The mouse moves on the screen; the splitter moves under it while it is dragged.
  QPoint start;
  auto send = [&](QEvent::Type type, int dx, Qt::MouseButtons buttons) {
    QPoint global = start + QPoint(dx, 0);
    QMouseEvent e(type, QPointF(w->mapFromGlobal(global)), QPointF(global), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  };
  auto drag = [&](int dx) {
    start = w->mapToGlobal(QPoint(2, 50));
    send(QEvent::MouseButtonPress, 0, Qt::LeftButton);
    send(QEvent::MouseMove, dx / 2, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, dx, Qt::NoButton);
  };
  drag(60);
  EXPECT_EQ(outline->Width(), 160);
  EXPECT_EQ(splitter->Left(), 160);
  EXPECT_EQ(pages->Left(), 164);
  EXPECT_EQ(pages->Width(), 236);
  EXPECT_EQ(moved, 1);
  // Far to the right the pages keep MinSize; far to the left the outline does.
  drag(1000);
  EXPECT_EQ(pages->Width(), 30);
  drag(-1000);
  EXPECT_EQ(outline->Width(), 30);
  EXPECT_EQ(moved, 3);
  // A click without a move is not a move.
  drag(0);
  EXPECT_EQ(moved, 3);
  form.Hide();
}

TEST(FormTitleTest, TheCaptionIsTheWindowTitle) {
  TForm form(nullptr);
  form.SetCaption("OrvaneIDv4.5");
  EXPECT_EQ(WidgetOf(&form)->windowTitle(), QString("OrvaneIDv4.5"));
  EXPECT_FALSE(Application->Title().empty());
}

}  // namespace
}  // namespace orv
