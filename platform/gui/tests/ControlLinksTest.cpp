// The members every control has beside its position and look: size constraints kept under
// SetBounds, alignment and the window's resizing, the action a button shows and runs, dragging
// one control onto another, and the context menu request that comes before a popup menu.
#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QTimer>

#include <string>
#include <vector>

#include "platform/gui/Action.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/SizeConstraints.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/tests/WidgetTesting.h"

namespace orv {
namespace {

using testing::KeyClick;
using testing::KeyTarget;
using testing::MouseClick;
using testing::SendMouse;
using testing::WaitFor;
using Log = std::vector<std::string>;

void PressMouse(TControl* c, int x, int y) {
  SendMouse(WidgetOf(c), QEvent::MouseButtonPress, {x, y}, Qt::LeftButton, Qt::LeftButton);
}
void ReleaseMouse(TControl* c, int x, int y) {
  SendMouse(WidgetOf(c), QEvent::MouseButtonRelease, {x, y}, Qt::LeftButton, Qt::NoButton);
}
// The left button held while the mouse moves.
void MoveMouse(TControl* c, int x, int y) {
  SendMouse(WidgetOf(c), QEvent::MouseMove, {x, y}, Qt::NoButton, Qt::LeftButton);
}
void ClickMouse(TControl* c, int x, int y) {
  PressMouse(c, x, y);
  ReleaseMouse(c, x, y);
}
// The window system's request for a context menu, as a right click at (x, y) of c makes it.
void OpenContextMenu(TControl* c, int x, int y) {
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(x, y), WidgetOf(c)->mapToGlobal(QPoint(x, y)));
  QApplication::sendEvent(WidgetOf(c), &event);
}

class ControlLinksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetBounds(0, 0, 400, 300);
  }
  void ShowForm() {
    form_->Show();
    ASSERT_TRUE(WaitFor([&] { return form_->Active(); }));
  }
  TPanel* NewPanel(int left, int top, int width, int height) {
    auto* panel = new TPanel(form_.get());
    panel->SetParent(form_.get());
    panel->SetBounds(left, top, width, height);
    return panel;
  }
  std::unique_ptr<TForm> form_;
};

TEST_F(ControlLinksTest, SetBoundsKeepsWithinTheConstraints) {
  TPanel* panel = NewPanel(10, 10, 100, 50);
  panel->Constraints()->SetMinWidth(60);
  panel->Constraints()->SetMaxWidth(150);
  panel->Constraints()->SetMinHeight(30);
  panel->Constraints()->SetMaxHeight(80);
  panel->SetBounds(10, 10, 20, 10);
  EXPECT_EQ(panel->Width(), 60);
  EXPECT_EQ(panel->Height(), 30);
  panel->SetWidth(500);
  panel->SetHeight(500);
  EXPECT_EQ(panel->Width(), 150);
  EXPECT_EQ(panel->Height(), 80);
  // A new limit takes hold at once on the size the control has.
  panel->Constraints()->SetMaxWidth(90);
  EXPECT_EQ(panel->Width(), 90);
  // A maximum below the minimum brings the minimum down with it.
  panel->Constraints()->SetMaxHeight(20);
  EXPECT_EQ(panel->Constraints()->MinHeight(), 20);
  EXPECT_EQ(panel->Height(), 20);
  // Zero lifts the limit again.
  panel->Constraints()->SetMaxWidth(0);
  panel->SetWidth(300);
  EXPECT_EQ(panel->Width(), 300);
  // Assigning copies the limits.
  TSizeConstraints limits;
  limits.SetMaxWidth(40);
  panel->SetConstraints(&limits);
  EXPECT_EQ(panel->Width(), 40);
  EXPECT_NE(panel->Constraints(), &limits);
}

TEST_F(ControlLinksTest, AlignedControlsKeepTheirConstraintsAsTheParentResizes) {
  TPanel* top = NewPanel(0, 0, 100, 40);
  top->SetAlign(alTop);
  top->Constraints()->SetMaxWidth(250);
  TPanel* left = NewPanel(0, 0, 80, 40);
  left->SetAlign(alLeft);
  left->Constraints()->SetMinHeight(400);
  TPanel* client = NewPanel(0, 0, 10, 10);
  client->SetAlign(alClient);
  client->Constraints()->SetMaxWidth(200);
  client->Constraints()->SetMaxHeight(120);
  form_->SetBounds(0, 0, 600, 300);
  EXPECT_EQ(top->Width(), 250);
  EXPECT_EQ(top->Height(), 40);
  EXPECT_EQ(left->Top(), 40);
  EXPECT_EQ(left->Height(), 400);
  EXPECT_EQ(client->Left(), 80);
  EXPECT_EQ(client->Top(), 40);
  EXPECT_EQ(client->Width(), 200);
  EXPECT_EQ(client->Height(), 120);
  // Smaller than the maximum, the client area is the control's whole.
  form_->SetBounds(0, 0, 200, 120);
  EXPECT_EQ(top->Width(), form_->ClientWidth());
  EXPECT_EQ(client->Width(), form_->ClientWidth() - 80);
  EXPECT_EQ(client->Height(), form_->ClientHeight() - 40);
  EXPECT_EQ(left->Height(), 400);
}

TEST_F(ControlLinksTest, AWindowKeepsItsConstraintsWhenTheWindowSystemResizesIt) {
  form_->Constraints()->SetMinWidth(300);
  form_->Constraints()->SetMaxHeight(250);
  EXPECT_EQ(form_->Height(), 250);
  ShowForm();
  // The frame dragged by the user: the window system's resize of the window.
  WidgetOf(form_.get())->resize(100, 600);
  QApplication::processEvents();
  EXPECT_EQ(form_->Width(), 300);
  EXPECT_EQ(form_->Height(), 250);
}

TEST_F(ControlLinksTest, AButtonShowsItsActionAndRunsItWhenClicked) {
  ShowForm();
  auto* action = new TAction(form_.get());
  action->SetCaption("บันทึก");
  action->SetHint("บันทึกข้อมูลสมาชิก");
  int runs = 0;
  TObject* sender = nullptr;
  action->OnExecute = [&](TObject* s) {
    ++runs;
    sender = s;
  };
  auto* button = new TButton(form_.get());
  button->SetParent(form_.get());
  button->SetBounds(10, 10, 120, 30);
  button->SetAction(action);
  EXPECT_EQ(button->Caption(), "บันทึก");
  EXPECT_EQ(button->Hint(), "บันทึกข้อมูลสมาชิก");
  EXPECT_TRUE(button->Enabled());

  MouseClick(WidgetOf(button), QPoint(60, 15));
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(sender, action);

  // Changes of the action reach the button; a disabled button is not clicked.
  action->SetCaption("เก็บ");
  action->SetEnabled(false);
  EXPECT_EQ(button->Caption(), "เก็บ");
  EXPECT_FALSE(button->Enabled());
  MouseClick(WidgetOf(button), QPoint(60, 15));
  EXPECT_EQ(runs, 1);
  action->SetEnabled(true);
  EXPECT_TRUE(button->Enabled());

  // A caption the button was given itself is its own; the hint still follows.
  button->SetCaption("ตกลง");
  action->SetCaption("บันทึก");
  action->SetHint("อื่น");
  EXPECT_EQ(button->Caption(), "ตกลง");
  EXPECT_EQ(button->Hint(), "อื่น");

  // An OnClick of the button's own runs instead of the action.
  int own = 0;
  button->OnClick = [&](TObject*) { ++own; };
  MouseClick(WidgetOf(button), QPoint(60, 15));
  EXPECT_EQ(own, 1);
  EXPECT_EQ(runs, 1);
  button->OnClick = nullptr;

  // A freed action leaves the button unbound, not pointing at nothing.
  delete action;
  EXPECT_EQ(button->Action(), nullptr);
  MouseClick(WidgetOf(button), QPoint(60, 15));
  EXPECT_EQ(runs, 1);
}

TEST_F(ControlLinksTest, ActionAndConstraintsAreReachedByName) {
  auto* action = new TAction(form_.get());
  auto* button = new TButton(form_.get());
  button->SetParent(form_.get());
  SetStrProp(action, "Caption", "พิมพ์");
  SetObjectProp(button, "Action", action);
  EXPECT_EQ(button->Action(), action);
  EXPECT_EQ(button->Caption(), "พิมพ์");
  auto* limits = dynamic_cast<TSizeConstraints*>(GetObjectProp(button, "Constraints"));
  ASSERT_NE(limits, nullptr);
  SetOrdProp(limits, "MaxWidth", 50);
  button->SetWidth(200);
  EXPECT_EQ(button->Width(), 50);
  EXPECT_TRUE(IsDefaultPropValue(limits, GetPropInfo(limits, "MinWidth")));
  EXPECT_FALSE(IsDefaultPropValue(limits, GetPropInfo(limits, "MaxWidth")));
}

// Records the drag events of the controls it watches, in the order they come.
struct DragLog {
  void Watch(TControl* c, const std::string& name, bool accepts) {
    c->OnStartDrag = [this, name](TObject*, TObject*&) { lines.push_back("start " + name); };
    c->OnEndDrag = [this, name](TObject*, TObject* target, int, int) {
      auto* t = dynamic_cast<TComponent*>(target);
      lines.push_back("end " + name + " on " + (t ? t->Name() : "nothing"));
    };
    c->OnDragDrop = [this, name](TObject*, TObject* source, int x, int y) {
      lines.push_back("drop on " + name + " from " + dynamic_cast<TComponent*>(source)->Name() + " at " +
                      std::to_string(x) + "," + std::to_string(y));
    };
    if (accepts)
      c->OnDragOver = [this, name](TObject*, TObject*, int, int, TDragState state, bool& accept) {
        static const char* kStates[] = {"enter", "leave", "move"};
        lines.push_back(std::string("over ") + name + " " + kStates[state]);
        accept = true;
      };
  }
  Log lines;
};

TEST_F(ControlLinksTest, DraggingOneControlOntoAnotherFiresStartOverDropAndEnd) {
  TPanel* source = NewPanel(10, 10, 100, 100);
  source->SetName("Source");
  source->SetDragMode(dmAutomatic);
  TPanel* target = NewPanel(200, 10, 100, 100);
  target->SetName("Target");
  ShowForm();
  DragLog log;
  log.Watch(source, "Source", false);
  log.Watch(target, "Target", true);
  int clicks = 0;
  source->OnClick = [&](TObject*) { ++clicks; };

  PressMouse(source, 20, 20);
  // A small move is no drag yet.
  MoveMouse(source, 22, 21);
  EXPECT_TRUE(log.lines.empty());
  MoveMouse(source, 60, 60);
  EXPECT_TRUE(source->Dragging());
  MoveMouse(source, 220, 30);  // over the target, in the source's coordinates
  MoveMouse(source, 230, 40);
  ReleaseMouse(source, 230, 40);
  EXPECT_EQ(log.lines, (Log{"start Source", "over Target enter", "over Target move", "over Target move",
                            "drop on Target from Source at 40,40", "end Source on Target"}));
  EXPECT_FALSE(source->Dragging());
  EXPECT_EQ(clicks, 0);

  // A control that takes no drops gets none: the drag ends on nothing.
  log.lines.clear();
  target->OnDragOver = nullptr;
  PressMouse(source, 20, 20);
  MoveMouse(source, 220, 30);
  ReleaseMouse(source, 220, 30);
  EXPECT_EQ(log.lines, (Log{"start Source", "end Source on nothing"}));

  // A press and release without moving is a click, no drag.
  log.lines.clear();
  ClickMouse(source, 20, 20);
  EXPECT_TRUE(log.lines.empty());
  EXPECT_EQ(clicks, 1);
}

TEST_F(ControlLinksTest, EscapeCancelsADragAndLeavingATargetTellsIt) {
  TPanel* source = NewPanel(10, 10, 100, 100);
  source->SetName("Source");
  TPanel* target = NewPanel(200, 10, 100, 100);
  target->SetName("Target");
  auto* edit = new TEdit(form_.get());
  edit->SetParent(form_.get());
  edit->SetBounds(10, 200, 100, 24);
  ShowForm();
  edit->SetFocus();
  DragLog log;
  log.Watch(source, "Source", false);
  log.Watch(target, "Target", true);
  // Started by the program from the press, at once.
  source->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { source->BeginDrag(true); };
  PressMouse(source, 20, 20);
  EXPECT_EQ(log.lines, (Log{"start Source"}));
  MoveMouse(source, 220, 30);
  MoveMouse(source, 50, 30);  // back off the target
  MoveMouse(source, 220, 30);
  KeyClick(KeyTarget(edit), Qt::Key_Escape);
  EXPECT_FALSE(source->Dragging());
  ReleaseMouse(source, 220, 30);
  EXPECT_EQ(log.lines, (Log{"start Source", "over Target enter", "over Target leave", "over Target enter",
                            "over Target leave", "end Source on nothing"}));
}

// Closes the popup menu once it is open, as a click beside it would; notes that it was open.
void CloseMenuWhenOpen(bool& opened) {
  QTimer::singleShot(10, [&opened] {
    if (QWidget* menu = QApplication::activePopupWidget()) {
      opened = true;
      menu->close();
    } else {
      CloseMenuWhenOpen(opened);
    }
  });
}

TEST_F(ControlLinksTest, ARightClickAsksTheControlBeforeItsPopupMenuShows) {
  TPanel* panel = NewPanel(10, 10, 100, 100);
  auto* menu = new TPopupMenu(form_.get());
  auto* item = new TMenuItem(menu);
  item->SetCaption("คัดลอก");
  menu->Items()->Add(item);
  panel->SetPopupMenu(menu);
  ShowForm();
  Log log;
  bool handle = false;
  panel->OnContextPopup = [&](TObject*, TPoint at, bool& handled) {
    log.push_back("context " + std::to_string(at.X) + "," + std::to_string(at.Y) +
                  (QApplication::activePopupWidget() ? " menu open" : ""));
    handled = handle;
  };
  menu->OnPopup = [&](TObject*) { log.push_back("popup"); };

  bool opened = false;
  CloseMenuWhenOpen(opened);
  OpenContextMenu(panel, 30, 40);
  EXPECT_EQ(log, (Log{"context 30,40", "popup"}));
  EXPECT_TRUE(opened);

  // Handled: no menu at all.
  log.clear();
  handle = true;
  OpenContextMenu(panel, 30, 40);
  EXPECT_EQ(log, (Log{"context 30,40"}));
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(ControlLinksTest, TheMenuKeyAsksForTheContextMenuWithoutAMousePosition) {
  auto* edit = new TEdit(form_.get());
  edit->SetParent(form_.get());
  edit->SetBounds(10, 10, 100, 24);
  ShowForm();
  edit->SetFocus();
  Log log;
  edit->OnContextPopup = [&](TObject*, TPoint at, bool& handled) {
    log.push_back(std::to_string(at.X) + "," + std::to_string(at.Y));
    handled = true;
  };
  // What the window system makes of the menu key: a request from the keyboard, at the mouse.
  QWidget* focus = KeyTarget(edit);
  QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(5, 5), focus->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(focus, &request);
  EXPECT_EQ(log, (Log{"-1,-1"}));
  // Handled, the edit's own menu of the window system stays shut too.
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

}  // namespace
}  // namespace orv
