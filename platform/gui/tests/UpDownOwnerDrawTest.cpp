// Up-down arrows stepping the number of their edit, and combo boxes whose items the program
// paints.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QToolButton>

#include "platform/gui/Canvas.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/tests/WidgetTesting.h"
#include "platform/rtl/StringList.h"

namespace orv {
namespace {

using namespace orv::testing;

TEST(UpDownTest, ArrowsStepTheTypedNumberWithinTheLimits) {
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  edit->SetBounds(10, 10, 80, 21);
  auto* updown = new TUpDown(&form);
  updown->SetMin(1);
  updown->SetMax(12);
  updown->SetAssociate(edit);
  updown->SetPosition(5);
  EXPECT_EQ(edit->Text(), "5");
  EXPECT_EQ(edit->Left() + edit->Width(), updown->Left()) << "the arrows sit at the edit's right end";
  EXPECT_EQ(edit->Left() + edit->Width() + updown->Width(), 90);
  QList<QToolButton*> arrows = WidgetOf(updown)->findChildren<QToolButton*>();
  ASSERT_EQ(arrows.size(), 2);
  QToolButton* up = arrows[0];
  QToolButton* down = arrows[1];

  edit->SetText("10");
  up->click();
  EXPECT_EQ(edit->Text(), "11") << "the step starts from what was typed";
  up->click();
  up->click();
  EXPECT_EQ(edit->Text(), "12");
  EXPECT_EQ(updown->Position(), 12);
  edit->SetText("junk");
  down->click();
  EXPECT_EQ(edit->Text(), "11") << "text that is no number steps from the last position";
  edit->SetText("99999999999999");
  down->click();
  EXPECT_EQ(edit->Text(), "10") << "a number too long for a count is no number either";

  updown->SetWrap(true);
  updown->SetPosition(1);
  down->click();
  EXPECT_EQ(edit->Text(), "12");
  updown->SetPosition(-7);
  EXPECT_EQ(updown->Position(), 1);

  delete edit;
  up->click();
  EXPECT_EQ(updown->Position(), 2) << "a freed edit is let go";
}

TEST(OwnerDrawComboTest, TheProgramPaintsItemsAndTheClosedField) {
  TForm form(nullptr);
  form.SetClientWidth(200);
  form.SetClientHeight(100);
  auto* combo = new TComboBox(&form);
  combo->SetParent(&form);
  combo->SetStyle(csOwnerDrawFixed);
  combo->SetItemHeight(30);
  combo->SetBounds(10, 10, 150, 36);
  combo->Items()->Add("first");
  combo->Items()->Add("second");
  combo->SetItemIndex(1);
  std::vector<int> drawn;
  std::vector<bool> closedField;
  combo->OnDrawItem = [&](TWinControl* control, int index, const TRect& r, TOwnerDrawState state) {
    drawn.push_back(index);
    closedField.push_back(state.Contains(odComboBoxEdit));
    TCanvas* c = static_cast<TComboBox*>(control)->Canvas();
    c->Brush().SetColor(clRed);
    c->FillRect(r);
  };
  auto* qcombo = static_cast<QComboBox*>(WidgetOf(combo));
  EXPECT_FALSE(qcombo->isEditable()) << "an owner-drawn box is not typed in";
  form.Show();
  QImage field = Snapshot(combo);
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.back(), 1);
  EXPECT_TRUE(closedField.back());
  EXPECT_EQ(field.pixel(field.width() / 3, field.height() / 2), qRgb(255, 0, 0));

  drawn.clear();
  combo->SetDroppedDown(true);
  ASSERT_TRUE(WaitFor([&] { return qcombo->view()->isVisible(); }));
  QImage list = qcombo->view()->grab().toImage();
  combo->SetDroppedDown(false);
  EXPECT_EQ(qcombo->view()->sizeHintForRow(0), 30);
  EXPECT_NE(std::find(drawn.begin(), drawn.end(), 0), drawn.end()) << "the list's items are the program's too";
  EXPECT_EQ(list.pixel(list.width() / 2, 10), qRgb(255, 0, 0));
  form.Hide();
}

}  // namespace
}  // namespace orv
