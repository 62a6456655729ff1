// Layout, hints, pages, labelled edits, radio groups and the property tables of controls.
#include <gtest/gtest.h>

#include <QTabBar>
#include <QTabWidget>

#include "platform/gui/Buttons.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/tests/WidgetTesting.h"
#include "platform/rtl/StringList.h"

namespace orv {
namespace {

TEST(ControlsTest, AlignedAndAnchoredChildrenFollowTheirParent) {
  TForm form(nullptr);
  form.SetClientWidth(400);
  form.SetClientHeight(300);
  auto* top = new TPanel(&form);
  top->SetParent(&form);
  top->SetHeight(40);
  top->SetAlign(alTop);
  auto* status = new TStatusBar(&form);
  status->SetParent(&form);
  auto* client = new TPanel(&form);
  client->SetParent(&form);
  client->SetAlign(alClient);
  EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 400, 40));
  EXPECT_EQ(status->BoundsRect(), Rect(0, 281, 400, 300));
  EXPECT_EQ(client->BoundsRect(), Rect(0, 40, 400, 281));

  auto* button = new TButton(&form);
  button->SetParent(client);
  button->SetBounds(300, 200, 75, 25);
  button->SetAnchors({akRight, akBottom});
  auto* edit = new TEdit(&form);
  edit->SetParent(client);
  edit->SetBounds(10, 10, 200, 21);
  edit->SetAnchors({akLeft, akTop, akRight});
  form.SetClientWidth(500);
  form.SetClientHeight(400);
  EXPECT_EQ(client->BoundsRect(), Rect(0, 40, 500, 381));
  EXPECT_EQ(button->Left(), 400);
  EXPECT_EQ(button->Top(), 300);
  EXPECT_EQ(edit->Width(), 300);
  top->SetVisible(false);
  EXPECT_EQ(client->Top(), 0);
}

TEST(ControlsTest, HintsBreakLinesAtCarriageReturns) {
  EXPECT_EQ(HintText("   เพิ่มข้อมูลบุคคลใหม่\rโดยพิมพ์ที่อยู่เองทั้งหมด"),
            QString::fromUtf8("   เพิ่มข้อมูลบุคคลใหม่\nโดยพิมพ์ที่อยู่เองทั้งหมด"));
  EXPECT_EQ(HintText("a\r\nb"), QString("a\nb"));
  EXPECT_EQ(StripAccelerators("&File && more"), QString("File & more"));
}

TEST(ControlsTest, PageControlReportsOnlyTheUsersPageChanges) {
  TForm form(nullptr);
  auto* pages = new TPageControl(&form);
  pages->SetParent(&form);
  std::vector<TTabSheet*> sheets;
  for (const char* caption : {"ศีลล้างบาป", "ศีลมหาสนิท", "ศีลกำลัง"}) {
    auto* sheet = new TTabSheet(&form);
    sheet->SetPageControl(pages);
    sheet->SetCaption(caption);
    sheets.push_back(sheet);
  }
  int changes = 0;
  pages->OnChange = [&](TObject*) { ++changes; };
  EXPECT_EQ(pages->PageCount(), 3);
  pages->SetActivePage(sheets[2]);
  EXPECT_EQ(pages->ActivePageIndex(), 2);
  EXPECT_EQ(changes, 0);
  auto* tabs = static_cast<QTabWidget*>(WidgetOf(pages));
  EXPECT_EQ(tabs->tabText(1), QString::fromUtf8("ศีลมหาสนิท"));
  tabs->tabBar()->setCurrentIndex(1);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(pages->ActivePage(), sheets[1]);
  pages->OnChanging = [](TObject*, bool& allow) { allow = false; };
  tabs->tabBar()->setCurrentIndex(0);
  EXPECT_EQ(pages->ActivePage(), sheets[1]);
  EXPECT_EQ(changes, 1);
  sheets[0]->SetTabVisible(false);
  EXPECT_FALSE(tabs->isTabVisible(0));
  delete sheets[1];
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(pages->Pages(1), sheets[2]);
}

TEST(ControlsTest, LabeledEditCarriesItsLabel) {
  TForm form(nullptr);
  auto* edit = new TLabeledEdit(&form);
  edit->SetParent(&form);
  edit->EditLabel()->SetCaption("ชื่อ");
  edit->SetBounds(20, 50, 120, 21);
  EXPECT_EQ(edit->EditLabel()->Parent(), &form);
  EXPECT_EQ(edit->EditLabel()->Left(), 20);
  EXPECT_EQ(edit->EditLabel()->Top() + edit->EditLabel()->Height() + 3, 50);
  edit->SetLabelPosition(lpLeft);
  EXPECT_EQ(edit->EditLabel()->Left() + edit->EditLabel()->Width() + 3, 20);
  edit->SetVisible(false);
  EXPECT_FALSE(edit->EditLabel()->Visible());
}

TEST(ControlsTest, RadioGroupMakesButtonsFromItems) {
  TForm form(nullptr);
  auto* group = new TRadioGroup(&form);
  group->SetParent(&form);
  group->Items()->Add("มีชีวิต");
  group->Items()->Add("เสียชีวิต");
  group->Items()->Add("ทั้งหมด");
  int clicks = 0;
  group->OnClick = [&](TObject*) { ++clicks; };
  group->SetItemIndex(1);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(group->Buttons(1)->Checked());
  group->Buttons(2)->SetChecked(true);
  EXPECT_EQ(group->ItemIndex(), 2);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(group->Buttons(0)->Caption(), "มีชีวิต");
}

TEST(ControlsTest, PublishedPropertiesAreReachedByName) {
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  SetStrProp(edit, "Text", "สวัสดี");
  EXPECT_EQ(edit->Text(), "สวัสดี");
  SetOrdProp(edit, "Left", 33);
  EXPECT_EQ(edit->Left(), 33);
  SetEnumProp(edit, "Align", "alBottom");
  EXPECT_EQ(edit->Align(), alBottom);
  EXPECT_EQ(GetOrdProp(&form, "BorderStyle"), bsSizeable);
  EXPECT_TRUE(IsPublishedProp(edit, "OnKeyUp"));
  auto* combo = new TComboBox(&form);
  EXPECT_EQ(GetOrdProp(combo, "ItemIndex"), -1);
  EXPECT_EQ(GetOrdProp(combo, "DropDownCount"), 8);
  auto* memo = new TMemo(&form);
  memo->SetText("a\r\nb");
  auto* lines = dynamic_cast<TStrings*>(GetObjectProp(memo, "Lines"));
  ASSERT_NE(lines, nullptr);
  EXPECT_EQ(lines->Count(), 2);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST(ControlsTest, BitButtonKindsAndSpeedButtonGroups) {
  TForm form(nullptr);
  auto* ok = new TBitBtn(&form);
  ok->SetParent(&form);
  ok->SetKind(bkOK);
  EXPECT_EQ(ok->ModalResult(), mrOk);
  EXPECT_EQ(ok->Caption(), "OK");
  ok->SetKind(bkCustom);
  ok->SetCaption("พิมพ์");
  EXPECT_EQ(ok->Caption(), "พิมพ์");

  auto* a = new TSpeedButton(&form);
  auto* b = new TSpeedButton(&form);
  a->SetParent(&form);
  b->SetParent(&form);
  a->SetGroupIndex(1);
  b->SetGroupIndex(1);
  a->SetDown(true);
  b->SetDown(true);
  EXPECT_FALSE(a->Down());
  EXPECT_TRUE(b->Down());
  b->SetDown(false);
  EXPECT_TRUE(b->Down());
}

}  // namespace
}  // namespace orv
