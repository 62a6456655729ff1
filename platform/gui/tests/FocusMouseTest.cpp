// Activation, focus and the mouse reach the program in the class library's order, through real
// window-system and input events.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/tests/WidgetTesting.h"

namespace orv {
namespace {

using testing::KeyClick;
using testing::KeyTarget;
using testing::SendMouse;
using testing::WaitFor;

// Records events as "name:sender" in the order they come.
class EventLog {
 public:
  TNotifyEvent Notify(const std::string& event, const std::string& who) {
    return [this, event, who](TObject*) { lines.push_back(event + ":" + who); };
  }
  std::vector<std::string> lines;
};

TEST(ActivationTest, FormsFireOnActivateAndOnDeactivateAsTheActiveWindowChanges) {
  EventLog log;
  TForm first(nullptr), second(nullptr);
  first.OnActivate = log.Notify("activate", "first");
  first.OnDeactivate = log.Notify("deactivate", "first");
  second.OnActivate = log.Notify("activate", "second");
  second.OnDeactivate = log.Notify("deactivate", "second");

  first.Show();
  ASSERT_TRUE(WaitFor([&] { return first.Active(); }));
  EXPECT_EQ(log.lines, (std::vector<std::string>{"activate:first"}));

  log.lines.clear();
  second.Show();
  ASSERT_TRUE(WaitFor([&] { return second.Active(); }));
  EXPECT_FALSE(first.Active());
  EXPECT_EQ(log.lines, (std::vector<std::string>{"deactivate:first", "activate:second"}));

  log.lines.clear();
  first.SetFocus();
  ASSERT_TRUE(WaitFor([&] { return first.Active(); }));
  EXPECT_EQ(log.lines, (std::vector<std::string>{"deactivate:second", "activate:first"}));
}

TEST(ActivationTest, TheActiveControlGetsTheFocusWhenItsFormIsActivated) {
  TForm form(nullptr);
  auto* a = new TEdit(&form);
  auto* b = new TEdit(&form);
  a->SetParent(&form);
  b->SetParent(&form);
  b->SetTop(40);
  form.SetActiveControl(b);
  int entered = 0;
  b->OnEnter = [&](TObject*) { ++entered; };
  form.Show();
  ASSERT_TRUE(WaitFor([&] { return b->Focused(); }));
  EXPECT_FALSE(a->Focused());
  EXPECT_EQ(entered, 1);
}

class FocusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = std::make_unique<TForm>(nullptr);
    for (const char* name : {"a", "b", "c"}) {
      auto* edit = new TEdit(form_.get());
      edit->SetParent(form_.get());
      edit->SetTop(30 * static_cast<int>(edits_.size()));
      edit->OnEnter = log_.Notify("enter", name);
      edit->OnExit = log_.Notify("exit", name);
      edits_.push_back(edit);
    }
    form_->Show();
    ASSERT_TRUE(WaitFor([&] { return form_->Active(); }));
    edits_[0]->SetFocus();
    ASSERT_TRUE(edits_[0]->Focused());
    log_.lines.clear();
  }
  // Tab typed where the keyboard is, as the user does.
  void Tab(TWinControl* from, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    KeyClick(KeyTarget(from), modifiers & Qt::ShiftModifier ? Qt::Key_Backtab : Qt::Key_Tab, "\t", modifiers);
  }
  std::unique_ptr<TForm> form_;
  std::vector<TEdit*> edits_;
  EventLog log_;
};

TEST_F(FocusTest, FocusMovingBetweenEditsFiresExitThenEnter) {
  edits_[1]->SetFocus();
  EXPECT_TRUE(edits_[1]->Focused());
  EXPECT_EQ(log_.lines, (std::vector<std::string>{"exit:a", "enter:b"}));
  // Focusing the control that has the focus fires nothing.
  edits_[1]->SetFocus();
  EXPECT_EQ(log_.lines.size(), 2u);
}

TEST_F(FocusTest, TabGoesToTheNextControlInTabOrder) {
  auto [a, b, c] = std::tuple{edits_[0], edits_[1], edits_[2]};
  EXPECT_EQ(a->TabOrder(), 0);
  EXPECT_EQ(b->TabOrder(), 1);
  EXPECT_EQ(c->TabOrder(), 2);
  // c moves in front of b: a, c, b.
  c->SetTabOrder(1);
  EXPECT_EQ(b->TabOrder(), 2);
  Tab(a);
  EXPECT_TRUE(c->Focused());
  Tab(c);
  EXPECT_TRUE(b->Focused());
  Tab(b);
  EXPECT_TRUE(a->Focused()) << "Tab on the last control goes round to the first";
  Tab(a, Qt::ShiftModifier);
  EXPECT_TRUE(b->Focused()) << "Shift+Tab goes back";
  EXPECT_EQ(log_.lines, (std::vector<std::string>{"exit:a", "enter:c", "exit:c", "enter:b", "exit:b",
                                                  "enter:a", "exit:a", "enter:b"}));
}

TEST_F(FocusTest, TabPassesOverAControlThatIsNoTabStop) {
  edits_[1]->SetTabStop(false);
  Tab(edits_[0]);
  EXPECT_TRUE(edits_[2]->Focused());
  EXPECT_EQ(log_.lines, (std::vector<std::string>{"exit:a", "enter:c"}));
}

class MouseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = std::make_unique<TForm>(nullptr);
    box_ = new TPaintBox(form_.get());
    box_->SetParent(form_.get());
    box_->SetBounds(20, 30, 100, 80);
    box_->OnMouseDown = [this](TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
      EXPECT_EQ(sender, box_);
      Log("down", button, shift, x, y);
    };
    box_->OnMouseMove = [this](TObject*, TShiftState shift, int x, int y) { Log("move", mbLeft, shift, x, y, false); };
    box_->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
      Log("up", button, shift, x, y);
    };
    box_->OnClick = [this](TObject*) { log_.push_back("click"); };
    box_->OnDblClick = [this](TObject*) { log_.push_back("dblclick"); };
    form_->Show();
    target_ = WidgetOf(box_);
  }
  void Log(const char* what, TMouseButton button, TShiftState shift, int x, int y, bool withButton = true) {
    std::string line = what;
    if (withButton) line += button == mbLeft ? " left" : button == mbRight ? " right" : " middle";
    for (auto [flag, name] : {std::pair{ssShift, "shift"}, {ssCtrl, "ctrl"}, {ssAlt, "alt"}, {ssLeft, "L"},
                              {ssRight, "R"}, {ssDouble, "double"}})
      if (shift.Contains(flag)) line += std::string(" ") + name;
    log_.push_back(line + " " + std::to_string(x) + "," + std::to_string(y));
  }
  std::unique_ptr<TForm> form_;
  TPaintBox* box_ = nullptr;
  QWidget* target_ = nullptr;
  std::vector<std::string> log_;
};

TEST_F(MouseTest, PressMoveReleaseReportButtonShiftAndClientPosition) {
  SendMouse(target_, QEvent::MouseButtonPress, {5, 6}, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
  SendMouse(target_, QEvent::MouseMove, {40, 50}, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
  SendMouse(target_, QEvent::MouseButtonRelease, {40, 50}, Qt::LeftButton, Qt::NoButton, Qt::ControlModifier);
  // The class library clicks a control before it reports the button's release.
  EXPECT_EQ(log_, (std::vector<std::string>{"down left shift L 5,6", "move shift L 40,50", "click",
                                            "up left ctrl 40,50"}));
}

TEST_F(MouseTest, OnlyALeftPressAndReleaseInsideTheControlClicks) {
  SendMouse(target_, QEvent::MouseButtonPress, {5, 6}, Qt::RightButton, Qt::RightButton);
  SendMouse(target_, QEvent::MouseButtonRelease, {5, 6}, Qt::RightButton, Qt::NoButton);
  EXPECT_EQ(log_, (std::vector<std::string>{"down right R 5,6", "up right 5,6"}));

  log_.clear();
  SendMouse(target_, QEvent::MouseButtonPress, {5, 6}, Qt::LeftButton, Qt::LeftButton);
  SendMouse(target_, QEvent::MouseButtonRelease, {150, 6}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(log_, (std::vector<std::string>{"down left L 5,6", "up left 150,6"}))
      << "a release outside the control is no click";

  log_.clear();
  SendMouse(target_, QEvent::MouseButtonRelease, {5, 6}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(log_, (std::vector<std::string>{"up left 5,6"})) << "a release without its press is no click";
}

TEST_F(MouseTest, DoubleClickFiresOnDblClickAndADoublePress) {
  // What the window system delivers for a double click: the second press arrives as the
  // double click itself.
  SendMouse(target_, QEvent::MouseButtonPress, {7, 8}, Qt::LeftButton, Qt::LeftButton);
  SendMouse(target_, QEvent::MouseButtonRelease, {7, 8}, Qt::LeftButton, Qt::NoButton);
  SendMouse(target_, QEvent::MouseButtonDblClick, {7, 8}, Qt::LeftButton, Qt::LeftButton);
  SendMouse(target_, QEvent::MouseButtonRelease, {7, 8}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(log_, (std::vector<std::string>{"down left L 7,8", "click", "up left 7,8", "dblclick",
                                            "down left L double 7,8", "up left 7,8"}));
}

}  // namespace
}  // namespace orv
