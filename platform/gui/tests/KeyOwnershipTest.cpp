// A key belongs to the control it was pressed in, a wheel turn to the control with the focus,
// and a form with KeyPreview hears its keys first.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>

#include "platform/gui/ComCtrls.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/tests/WidgetTesting.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/StringList.h"

namespace orv {
namespace {

using testing::KeyTarget;

void Send(QWidget* target, QEvent::Type type, int key, const QString& text = QString(),
          Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent event(type, key, modifiers, text);
  QApplication::sendEvent(target, &event);
}

class KeyOwnershipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetBounds(0, 0, 400, 300);
  }
  std::unique_ptr<TForm> form_;
};

TEST_F(KeyOwnershipTest, AReleaseWhosePressWentElsewhereIsNotThisControlsKey) {
  auto* first = new TEdit(form_.get());
  first->SetParent(form_.get());
  auto* second = new TEdit(form_.get());
  second->SetParent(form_.get());
  second->SetTop(40);
  int firstUps = 0, secondUps = 0;
  first->OnKeyUp = [&](TObject*, Word&, TShiftState) { ++firstUps; };
  second->OnKeyUp = [&](TObject*, Word& key, TShiftState) {
    EXPECT_EQ(key, VK_RETURN);
    ++secondUps;
  };
  // Enter pressed in the first (as in a box that closes on the press), released in the second.
  Send(KeyTarget(first), QEvent::KeyPress, Qt::Key_Return, "\r");
  Send(KeyTarget(second), QEvent::KeyRelease, Qt::Key_Return, "\r");
  EXPECT_EQ(secondUps, 0);
  EXPECT_EQ(firstUps, 0);
  // Pressed and released in its own box, the key is delivered.
  Send(KeyTarget(second), QEvent::KeyPress, Qt::Key_Return, "\r");
  Send(KeyTarget(second), QEvent::KeyRelease, Qt::Key_Return, "\r");
  EXPECT_EQ(secondUps, 1);
  // Once only: a second release without a press is again no one's.
  Send(KeyTarget(second), QEvent::KeyRelease, Qt::Key_Return, "\r");
  EXPECT_EQ(secondUps, 1);
}

TEST_F(KeyOwnershipTest, AFormWithKeyPreviewHearsTheKeyFirstAndMayKeepIt) {
  auto* edit = new TEdit(form_.get());
  edit->SetParent(form_.get());
  std::vector<std::string> heard;
  form_->SetKeyPreview(true);
  form_->OnKeyDown = [&](TObject* sender, Word& key, TShiftState) {
    EXPECT_EQ(sender, form_.get());
    heard.push_back("form down " + std::to_string(key));
    if (key == VK_ESCAPE) key = 0;
  };
  form_->OnKeyPress = [&](TObject*, char32_t& ch) { heard.push_back("form press " + std::to_string(ch)); };
  form_->OnKeyUp = [&](TObject*, Word& key, TShiftState) { heard.push_back("form up " + std::to_string(key)); };
  edit->OnKeyDown = [&](TObject*, Word& key, TShiftState) { heard.push_back("edit down " + std::to_string(key)); };
  edit->OnKeyUp = [&](TObject*, Word& key, TShiftState) { heard.push_back("edit up " + std::to_string(key)); };
  testing::KeyClick(KeyTarget(edit), Qt::Key_A, "a");
  EXPECT_EQ(heard, (std::vector<std::string>{"form down 65", "edit down 65", "form press 97", "form up 65",
                                             "edit up 65"}));
  heard.clear();
  Send(KeyTarget(edit), QEvent::KeyPress, Qt::Key_Escape);
  EXPECT_EQ(heard, std::vector<std::string>{"form down 27"});
  // A Thai letter has no key code: it is typed all the same.
  heard.clear();
  testing::KeyClicks(KeyTarget(edit), QString::fromUtf8("ก"));
  EXPECT_EQ(edit->Text(), "aก");
  // Without KeyPreview the form hears nothing of its controls' keys.
  heard.clear();
  form_->SetKeyPreview(false);
  testing::KeyClick(KeyTarget(edit), Qt::Key_B, "b");
  EXPECT_EQ(heard, (std::vector<std::string>{"edit down 66", "edit up 66"}));
}

TEST_F(KeyOwnershipTest, AKeyHandledOnceStaysHandledAfterAModalLoopOfOtherKeys) {
  auto* panel = new TPanel(form_.get());
  panel->SetParent(form_.get());
  panel->SetBounds(0, 0, 300, 200);
  auto* edit = new TEdit(form_.get());
  edit->SetParent(panel);
  auto* other = new TEdit(form_.get());
  other->SetParent(form_.get());
  other->SetTop(250);
  int editDowns = 0, panelDowns = 0;
  // The edit's handler runs "a dialog": keys typed there pass through the same machinery.
  edit->OnKeyDown = [&](TObject*, Word&, TShiftState) {
    ++editDowns;
    testing::KeyClick(KeyTarget(other), Qt::Key_X, "x");
  };
  panel->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++panelDowns; };
  form_->Show();
  // A key the edit leaves alone goes on to its parents, as Qt hands it on.
  QKeyEvent press(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
  QApplication::sendEvent(KeyTarget(edit), &press);
  QApplication::sendEvent(WidgetOf(panel), &press);
  EXPECT_EQ(editDowns, 1);
  EXPECT_EQ(panelDowns, 0);
}

TEST_F(KeyOwnershipTest, TheWheelOverAnUnfocusedValueScrollsWhatIsUnderIt) {
  auto* panel = new TPanel(form_.get());
  panel->SetParent(form_.get());
  panel->SetBounds(0, 0, 300, 200);
  auto* edit = new TEdit(form_.get());
  edit->SetParent(panel);
  auto* combo = new TComboBox(form_.get());
  combo->SetParent(panel);
  combo->SetTop(40);
  combo->SetStyle(csDropDownList);
  for (const char* item : {"ชาย", "หญิง"}) combo->Items()->Add(item);
  combo->SetItemIndex(0);
  auto* picker = new TDateTimePicker(form_.get());
  picker->SetParent(panel);
  picker->SetTop(80);
  picker->SetDate(EncodeDate(2010, 12, 26));
  int changes = 0, panelTurns = 0;
  combo->OnChange = [&](TObject*) { ++changes; };
  picker->OnChange = [&](TObject*) { ++changes; };
  panel->OnMouseWheel = [&](TObject*, TShiftState, int, TPoint, bool& handled) {
    ++panelTurns;
    handled = true;
  };
  form_->Show();
  edit->SetFocus();
  QApplication::processEvents();
  testing::SendWheel(WidgetOf(combo), {5, 5}, -120);
  testing::SendWheel(KeyTarget(picker), {5, 5}, 120);
  EXPECT_EQ(combo->ItemIndex(), 0);
  EXPECT_EQ(picker->Date(), EncodeDate(2010, 12, 26));
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(panelTurns, 2);
  // A turn over the panel itself is the panel's, combo boxes inside it or not.
  testing::SendWheel(WidgetOf(panel), {250, 150}, -120);
  EXPECT_EQ(panelTurns, 3);
}

TEST_F(KeyOwnershipTest, AListFilledByTheProgramStartsWithNothingChosen) {
  auto* combo = new TComboBox(form_.get());
  combo->SetParent(form_.get());
  int changes = 0;
  combo->OnChange = [&](TObject*) { ++changes; };
  for (const char* item : {"คาทอลิก", "พุทธ"}) combo->Items()->Add(item);
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Text(), "");
  EXPECT_EQ(changes, 0);
}

TEST_F(KeyOwnershipTest, APickerPictureWithALongMonthShowsTheMonth) {
  auto* picker = new TDateTimePicker(form_.get());
  picker->SetParent(form_.get());
  picker->SetFormat("d mmmm yyyy");
  picker->SetDate(EncodeDate(2026, 3, 7));
  auto* edit = KeyTarget(picker)->findChild<QLineEdit*>();
  QString shown = edit ? edit->text() : static_cast<QDateTimeEdit*>(KeyTarget(picker))->text();
  EXPECT_EQ(shown.toStdString(), "7 มีนาคม 2026");
}

// A closed picker's Up and Down always move the part under the cursor: the month turns from
// December to January of the same year and back, the day from the 31st to the 1st.
TEST_F(KeyOwnershipTest, UpAndDownTurnTheDateRoundInAClosedPicker) {
  auto* picker = new TDateTimePicker(form_.get());
  picker->SetParent(form_.get());
  picker->SetFormat("d mmmm yyyy");
  picker->SetDate(EncodeDate(2026, 12, 8));
  int changes = 0;
  picker->OnChange = [&](TObject*) { ++changes; };
  form_->Show();
  auto* edit = WidgetOf(picker)->findChild<QDateTimeEdit*>();
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  edit->setCurrentSection(QDateTimeEdit::MonthSection);
  testing::KeyClick(KeyTarget(picker), Qt::Key_Up);
  EXPECT_EQ(picker->Date(), EncodeDate(2026, 1, 8));
  testing::KeyClick(KeyTarget(picker), Qt::Key_Down);
  EXPECT_EQ(picker->Date(), EncodeDate(2026, 12, 8));
  picker->SetDate(EncodeDate(2026, 12, 31));
  edit->setCurrentSection(QDateTimeEdit::DaySection);
  testing::KeyClick(KeyTarget(picker), Qt::Key_Up);
  EXPECT_EQ(picker->Date(), EncodeDate(2026, 12, 1));
  EXPECT_EQ(changes, 3);
}

// Enter on a button with the focus pushes it, also in a window without a default button.
TEST_F(KeyOwnershipTest, EnterPushesTheFocusedButton) {
  auto* edit = new TEdit(form_.get());
  edit->SetParent(form_.get());
  auto* button = new TButton(form_.get());
  button->SetParent(form_.get());
  button->SetTop(40);
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  form_->Show();
  button->SetFocus();
  QApplication::processEvents();
  testing::KeyClick(KeyTarget(button), Qt::Key_Return);
  EXPECT_EQ(clicks, 1);
  // Enter in the field beside it is the field's.
  edit->SetFocus();
  QApplication::processEvents();
  testing::KeyClick(KeyTarget(edit), Qt::Key_Return);
  EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace orv
