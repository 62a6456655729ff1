// Events reach the program as the class library fires them, not as Qt's signals would.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QLineEdit>

#include "platform/gui/ComCtrls.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/Timers.h"
#include "platform/gui/tests/WidgetTesting.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/StringList.h"

namespace orv {
namespace {

using testing::KeyClick;
using testing::KeyClicks;
using testing::KeyTarget;

class EventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetBounds(0, 0, 400, 300);
  }
  std::unique_ptr<TForm> form_;
};

TEST_F(EventsTest, TypingIntoAnEditThenEnterFiresKeyUpWithThirteen) {
  auto* edit = new TEdit(form_.get());
  edit->SetParent(form_.get());
  std::vector<Word> keysUp;
  String textAtEnter;
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  edit->OnKeyUp = [&](TObject* sender, Word& key, TShiftState) {
    EXPECT_EQ(sender, edit);
    keysUp.push_back(key);
    if (key == VK_RETURN) textAtEnter = edit->Text();
  };
  KeyClicks(KeyTarget(edit), QString::fromUtf8("สมชาย"));
  KeyClick(KeyTarget(edit), Qt::Key_Return, "\r");
  EXPECT_EQ(edit->Text(), "สมชาย");
  EXPECT_EQ(textAtEnter, "สมชาย");
  ASSERT_EQ(keysUp.size(), 6u);
  EXPECT_EQ(keysUp.back(), 13);
  EXPECT_EQ(changes, 5);
  // The class library's edit also reports a change made by the program.
  edit->SetText("x");
  EXPECT_EQ(changes, 6);
}

TEST_F(EventsTest, KeyHandlersCanSwallowAndReplaceCharacters) {
  auto* edit = new TEdit(form_.get());
  edit->SetParent(form_.get());
  edit->OnKeyPress = [](TObject*, char32_t& key) {
    if (key == 'x') key = 0;
    if (key == 'a') key = U'ก';
  };
  std::vector<Word> keysDown;
  edit->OnKeyDown = [&](TObject*, Word& key, TShiftState shift) {
    keysDown.push_back(key);
    EXPECT_EQ(shift.Contains(ssCtrl), key == VK_F2);
  };
  KeyClicks(KeyTarget(edit), "axb");
  KeyClick(KeyTarget(edit), Qt::Key_F2, QString(), Qt::ControlModifier);
  KeyClick(KeyTarget(edit), Qt::Key_Delete);
  EXPECT_EQ(edit->Text(), "กb");
  EXPECT_EQ(keysDown, (std::vector<Word>{'A', 'X', 'B', VK_F2, VK_DELETE}));
}

TEST_F(EventsTest, ComboBoxReportsOnlyTheUsersChanges) {
  auto* combo = new TComboBox(form_.get());
  combo->SetParent(form_.get());
  combo->Items()->Add("คาทอลิก");
  combo->Items()->Add("พุทธ");
  int changes = 0, keyUps = 0;
  combo->OnChange = [&](TObject*) { ++changes; };
  combo->OnKeyUp = [&](TObject*, Word&, TShiftState) { ++keyUps; };
  combo->SetText("พุทธ");
  combo->SetItemIndex(0);
  combo->SetText("อื่น");
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(combo->Text(), "อื่น");
  EXPECT_EQ(combo->ItemIndex(), -1);

  auto* qcombo = static_cast<QComboBox*>(WidgetOf(combo));
  qcombo->lineEdit()->clear();
  KeyClicks(KeyTarget(combo), "ab");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(keyUps, 2);
  EXPECT_EQ(combo->Text(), "ab");

  // Choosing from the list: OnChange while there is no OnSelect, then OnSelect instead.
  emit qcombo->activated(1);
  EXPECT_EQ(changes, 3);
  int selects = 0;
  combo->OnSelect = [&](TObject*) { ++selects; };
  emit qcombo->activated(0);
  EXPECT_EQ(selects, 1);
  EXPECT_EQ(changes, 3);
}

TEST_F(EventsTest, PickerDateFromCodeIsSilentAndTheUsersIsNot) {
  auto* picker = new TDateTimePicker(form_.get());
  picker->SetParent(form_.get());
  int changes = 0;
  picker->OnChange = [&](TObject*) { ++changes; };
  TDateTime day = EncodeDate(2024, 3, 5);
  picker->SetDate(day);
  EXPECT_EQ(picker->Date(), day);
  EXPECT_EQ(changes, 0);
  // The program's short form, Thai numbers of the Gregorian year.
  auto* edit = WidgetOf(picker)->findChild<QDateTimeEdit*>();
  EXPECT_EQ(edit->text(), QString("5/3/2024"));
  picker->SetDateFormat(dfLong);
  EXPECT_TRUE(edit->text().contains(QString::fromUtf8("มีนาคม"))) << edit->text().toStdString();
  EXPECT_EQ(changes, 0);

  edit->setCurrentSection(QDateTimeEdit::DaySection);
  KeyClick(KeyTarget(picker), Qt::Key_Up);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(picker->Date(), EncodeDate(2024, 3, 6));
}

TEST_F(EventsTest, CheckingARadioButtonFromCodeClicksIt) {
  auto* a = new TRadioButton(form_.get());
  auto* b = new TRadioButton(form_.get());
  a->SetParent(form_.get());
  b->SetParent(form_.get());
  int clicksA = 0, clicksB = 0;
  a->OnClick = [&](TObject*) { ++clicksA; };
  b->OnClick = [&](TObject*) { ++clicksB; };
  a->SetChecked(true);
  EXPECT_EQ(clicksA, 1);
  b->SetChecked(true);
  EXPECT_EQ(clicksB, 1);
  EXPECT_FALSE(a->Checked());
  EXPECT_EQ(clicksA, 1);
  b->SetChecked(true);
  EXPECT_EQ(clicksB, 1);

  auto* box = new TCheckBox(form_.get());
  box->SetParent(form_.get());
  int boxClicks = 0;
  box->OnClick = [&](TObject*) { ++boxClicks; };
  box->SetChecked(true);
  box->SetChecked(true);
  EXPECT_EQ(boxClicks, 1);
}

TEST_F(EventsTest, AClickOnTheCheckedRadioKeepsItAndTheRadiosOfAPanelInside) {
  // Modes in a group box, a status panel inside the same group box, as the search panel has.
  auto* group = new TGroupBox(form_.get());
  group->SetParent(form_.get());
  group->SetBounds(0, 0, 380, 200);
  auto* mode = new TRadioButton(form_.get());
  auto* other = new TRadioButton(form_.get());
  mode->SetParent(group);
  other->SetParent(group);
  mode->SetBounds(10, 20, 100, 20);
  other->SetBounds(10, 45, 100, 20);
  auto* panel = new TPanel(form_.get());
  panel->SetParent(group);
  panel->SetBounds(10, 80, 300, 30);
  auto* living = new TRadioButton(form_.get());
  auto* dead = new TRadioButton(form_.get());
  living->SetParent(panel);
  dead->SetParent(panel);
  living->SetBounds(0, 0, 100, 20);
  dead->SetBounds(110, 0, 100, 20);
  mode->SetChecked(true);
  living->SetChecked(true);
  form_->Show();
  int modeClicks = 0;
  mode->OnClick = [&](TObject*) { ++modeClicks; };
  testing::MouseClick(KeyTarget(mode), QPoint(8, 10));
  EXPECT_TRUE(mode->Checked());
  EXPECT_TRUE(living->Checked());
  EXPECT_EQ(modeClicks, 0);
  // Each parent keeps its own choice.
  testing::MouseClick(KeyTarget(other), QPoint(8, 10));
  EXPECT_TRUE(other->Checked());
  EXPECT_FALSE(mode->Checked());
  EXPECT_TRUE(living->Checked());
  testing::MouseClick(KeyTarget(dead), QPoint(8, 10));
  EXPECT_TRUE(dead->Checked());
  EXPECT_FALSE(living->Checked());
  EXPECT_TRUE(other->Checked());
  // The program may still leave a parent without a checked radio.
  other->SetChecked(false);
  EXPECT_FALSE(other->Checked());
  EXPECT_FALSE(mode->Checked());
}

TEST_F(EventsTest, AHeldKeyActsOnlyInTheWindowWhereItWentDown) {
  // A question box answered by Enter's first press closes; the keyboard goes on repeating the
  // held key into the window below, whose Enter would ask again.
  auto* box = new TEdit(form_.get());
  box->SetParent(form_.get());
  auto other = std::make_unique<TForm>(nullptr);
  other->SetBounds(420, 0, 300, 200);
  auto* below = new TEdit(other.get());
  below->SetParent(other.get());
  form_->Show();
  other->Show();
  int boxKeys = 0, belowDowns = 0, belowUps = 0;
  box->OnKeyDown = [&](TObject*, Word& key, TShiftState) { boxKeys += key == VK_RETURN; };
  below->OnKeyDown = [&](TObject*, Word& key, TShiftState) { belowDowns += key == VK_RETURN; };
  below->OnKeyUp = [&](TObject*, Word& key, TShiftState) { belowUps += key == VK_RETURN; };
  // Each event of its own moment, as the window system stamps them.
  quint64 time = 1000;
  auto send = [&time](TControl* to, QEvent::Type type, bool repeat, bool sameMoment = false) {
    QKeyEvent event(type, Qt::Key_Return, Qt::NoModifier, "\r", repeat);
    event.setTimestamp(sameMoment ? time : time += 30);
    QApplication::sendEvent(KeyTarget(to), &event);
  };
  auto activate = [](TForm* form) {
    WidgetOf(form)->activateWindow();
    return testing::WaitFor([form] { return form->Active(); });
  };
  ASSERT_TRUE(activate(form_.get()));
  send(box, QEvent::KeyPress, false);
  EXPECT_EQ(boxKeys, 1);
  // The box closes on that press; the window below becomes the active one.
  ASSERT_TRUE(activate(other.get()));
  for (int i = 0; i < 5; ++i) send(below, QEvent::KeyPress, true);
  // X repeats a key as a release and a press of one moment, which Qt does not always mark.
  for (int i = 0; i < 5; ++i) {
    send(below, QEvent::KeyRelease, false);
    send(below, QEvent::KeyPress, false, true);
  }
  send(below, QEvent::KeyRelease, false);
  EXPECT_EQ(belowDowns, 0);
  EXPECT_EQ(belowUps, 0);
  // A new press there is the window's own, repeats and release included.
  send(below, QEvent::KeyPress, false);
  send(below, QEvent::KeyPress, true);
  send(below, QEvent::KeyRelease, false);
  EXPECT_EQ(belowDowns, 2);
  EXPECT_EQ(belowUps, 1);
  // A release without a press of its own (the key went down in another program) is not one.
  send(below, QEvent::KeyRelease, false);
  EXPECT_EQ(belowUps, 1);
}

TEST_F(EventsTest, EnablingAnEnabledTimerDoesNotRestartIt) {
  auto* timer = new TTimer(form_.get());
  timer->SetEnabled(false);
  timer->SetInterval(600);
  int fired = 0;
  qint64 firedAt = 0;
  QElapsedTimer clock;
  timer->OnTimer = [&](TObject*) {
    ++fired;
    firedAt = clock.elapsed();
    timer->SetEnabled(false);
  };
  clock.start();
  timer->SetEnabled(true);
  testing::Pump(300);
  const qint64 reenabledAt = clock.elapsed();
  timer->SetEnabled(true);
  ASSERT_TRUE(testing::WaitFor([&] { return fired > 0; }));
  testing::Pump(300);
  EXPECT_EQ(fired, 1);
  // A restart would have fired a whole interval after the second enable at the earliest; the
  // margin between the two is wide so that a loaded machine's late firing is not mistaken for one.
  EXPECT_LT(firedAt, reenabledAt + 600);
}

TEST_F(EventsTest, MemoLinesFollowTheTextAndEnterIsItsOwn) {
  auto* memo = new TMemo(form_.get());
  memo->SetParent(form_.get());
  String atKeyUp;
  memo->OnKeyUp = [&](TObject*, Word& key, TShiftState) {
    if (key == VK_RETURN) atKeyUp = memo->Text();
  };
  KeyClicks(KeyTarget(memo), "ab");
  KeyClick(KeyTarget(memo), Qt::Key_Return, "\r");
  KeyClicks(KeyTarget(memo), "c");
  EXPECT_EQ(atKeyUp, "ab\r\n");
  ASSERT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Lines()->Strings(1), "c");
  memo->Lines()->Add("ง");
  EXPECT_EQ(memo->Text(), "ab\r\nc\r\nง");
  memo->Lines()->Delete(0);
  EXPECT_EQ(memo->Lines()->Strings(0), "c");
}

// Every change through Lines does to the memo what it does to a plain string list, whose
// text then equals the memo's; the user's undo does not reach back into what code set.
TEST_F(EventsTest, MemoLinesChangeLikeAStringList) {
  auto* memo = new TMemo(form_.get());
  memo->SetParent(form_.get());
  int changes = 0;
  memo->OnChange = [&](TObject*) { ++changes; };
  TStrings& lines = *memo->Lines();
  TStringList model;
  const auto same = [&] {
    ASSERT_EQ(lines.Count(), model.Count());
    for (Integer i = 0; i < model.Count(); ++i) ASSERT_EQ(lines.Strings(i), model.Strings(i)) << i;
    EXPECT_EQ(memo->Text(), model.Count() ? model.Text().substr(0, model.Text().size() - 2) : String());
  };
  EXPECT_EQ(lines.Count(), 0);
  lines.Insert(0, "กข");
  model.Insert(0, "กข");
  same();
  for (int i = 0; i < 300; ++i) {
    lines.Add("line " + std::to_string(i));
    model.Add("line " + std::to_string(i));
  }
  EXPECT_EQ(changes, 301);
  lines.Insert(0, "top");
  model.Insert(0, "top");
  lines.Insert(150, "middle");
  model.Insert(150, "middle");
  lines.Insert(lines.Count(), "end");
  model.Insert(model.Count(), "end");
  lines.SetStrings(2, "");
  model.SetStrings(2, "");
  lines.Delete(lines.Count() - 1);
  model.Delete(model.Count() - 1);
  lines.Delete(0);
  model.Delete(0);
  lines.Delete(10);
  model.Delete(10);
  same();
  EXPECT_THROW(lines.Strings(lines.Count()), EStringListError);
  EXPECT_THROW(lines.Insert(lines.Count() + 1, "x"), EStringListError);
  EXPECT_THROW(lines.Delete(-1), EStringListError);
  while (lines.Count() > 1) {
    lines.Delete(0);
    model.Delete(0);
  }
  same();
  lines.Delete(0);
  EXPECT_EQ(lines.Count(), 0);
  EXPECT_EQ(memo->Text(), "");
  lines.Add("again");
  KeyClicks(KeyTarget(memo), "x");
  KeyClick(KeyTarget(memo), Qt::Key_Z, "", Qt::ControlModifier);
  KeyClick(KeyTarget(memo), Qt::Key_Z, "", Qt::ControlModifier);
  EXPECT_EQ(lines.Count(), 1);
  EXPECT_EQ(lines.Strings(0), "again");
}

TEST_F(EventsTest, WheelTurnsReachTheControlThenItsParentsUntilOneHandlesThem) {
  auto* panel = new TPanel(form_.get());
  panel->SetParent(form_.get());
  panel->SetBounds(0, 0, 200, 200);
  auto* edit = new TEdit(form_.get());
  edit->SetParent(panel);
  edit->SetBounds(10, 10, 100, 24);
  std::vector<std::string> order;
  int formDelta = 0;
  bool formCtrl = false;
  bool panelTakes = false;
  edit->OnMouseWheel = [&](TObject*, TShiftState, int, TPoint, bool&) { order.push_back("edit"); };
  panel->OnMouseWheel = [&](TObject*, TShiftState, int, TPoint, bool& handled) {
    order.push_back("panel");
    handled = panelTakes;
  };
  form_->OnMouseWheel = [&](TObject* sender, TShiftState shift, int delta, TPoint, bool& handled) {
    EXPECT_EQ(sender, form_.get());
    order.push_back("form");
    formDelta = delta;
    formCtrl = shift.Contains(ssCtrl);
    handled = true;
  };
  form_->Show();
  testing::SendWheel(WidgetOf(edit), {5, 5}, -240, Qt::ControlModifier);
  EXPECT_EQ(order, (std::vector<std::string>{"edit", "panel", "form"}));
  EXPECT_EQ(formDelta, -240);
  EXPECT_TRUE(formCtrl);
  order.clear();
  panelTakes = true;
  testing::SendWheel(WidgetOf(edit), {5, 5}, 120);
  EXPECT_EQ(order, (std::vector<std::string>{"edit", "panel"}));
}

}  // namespace
}  // namespace orv
