#pragma once
// Private to platform/gui: how controls meet their Qt widgets. Not for the subsystems.
#include <QCursor>
#include <QFont>
#include <QPixmap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <set>

#include "platform/gui/Controls.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/SizeConstraints.h"
#include "platform/rtl/MemoryAccount.h"

namespace orv {

inline QString QStr(const String& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline String OStr(const QString& s) { return s.toUtf8().toStdString(); }

// Creating a widget needs the Qt application; the application object makes it on first need.
void EnsureQtApplication();
template <class W, class... A>
W* NewWidget(A&&... args) {
  EnsureQtApplication();
  return new W(std::forward<A>(args)...);
}

QFont ToQFont(const TFont& font);
// The font as a Qt font dialog returns it, back into a TFont (colour kept).
void FromQFont(const QFont& qfont, TFont& font);
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);
Qt::CursorShape ToQtCursor(TCursor cursor);
// The cursor of the program's own drawing under that number, else the shape of ToQtCursor.
QCursor ToQCursor(TCursor cursor);
// Virtual-key code of a Qt key (0 for keys without one) and the shift state of modifiers and
// mouse buttons.
Word KeyToVirtualKey(int qtKey);
int VirtualKeyToKey(Word vk);
TShiftState ToShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);
// A caption's "&x" accelerators as the label shows them ("&&" is a plain "&").
QString StripAccelerators(const QString& caption);
// "\r\n", "\n" and a lone "\r" all end a line of a hint.
QString HintText(const String& hint);

// Watches a control's widgets and turns their events into the control's events.
class ControlBridge : public QObject {
 public:
  explicit ControlBridge(TControl* control) : control_(control) {}
  TControl* Control() const { return control_; }
  // Stops every further event reaching the control (it is being destroyed).
  void Detach() { control_ = nullptr; }
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TControl* control_;
};

struct TControl::Impl {
  QPointer<QWidget> widget;
  QPointer<QWidget> client;
  QPointer<ControlBridge> bridge;  // child of widget
  TWinControl* parent = nullptr;
  std::vector<TControl*> children;  // TWinControl only; not owned
  // TWinControl only: how many children are windowed, the length of its tab order.
  int windowedChildren = 0;
  std::unique_ptr<TFont> font;
  bool parentFont = true;
  TColor color = clBtnFace;
  bool parentColor = true;
  String hint;
  bool showHint = false;
  bool parentShowHint = true;
  TCursor cursor = crDefault;
  TPopupMenu* popupMenu = nullptr;
  TAlign align = alNone;
  TAnchors anchors{akLeft, akTop};
  // Distances to the parent's right and bottom edges, kept for akRight / akBottom.
  int anchorRight = 0;
  int anchorBottom = 0;
  bool visible = true;
  String text;
  // What ChargeText charged last, to the account that was charged then.
  TMemoryCharge textCharge;
  int tabOrder = -1;
  bool tabStop = false;
  bool leftPressed = false;
  bool mouseCapture = false;
  bool focused = false;
  // Physical keys pressed while this control had the focus and not yet released.
  std::set<int> keysDown;
  int alignDisabled = 0;
  bool aligning = false;
  std::unique_ptr<TSizeConstraints> constraints;
  TAction* action = nullptr;
  TDragMode dragMode = dmManual;
  TCursor dragCursor = crDrag;
};

// Reaches the protected members of controls from the Qt side.
struct ControlAccess {
  static TControl::Impl& Of(const TControl* c) { return *c->impl_; }
  static QWidget* Widget(const TControl* c) { return c->Widget(); }
  static QWidget* Client(const TWinControl* c) { return c->ClientWidget(); }
  static void MouseDown(TControl* c, TMouseButton b, TShiftState s, int x, int y) { c->MouseDown(b, s, x, y); }
  static void MouseMove(TControl* c, TShiftState s, int x, int y) { c->MouseMove(s, x, y); }
  static void MouseUp(TControl* c, TMouseButton b, TShiftState s, int x, int y) { c->MouseUp(b, s, x, y); }
  static void DblClick(TControl* c) { c->DblClick(); }
  static bool MouseWheel(TControl* c, TShiftState s, int delta, TPoint at) { return c->DoMouseWheel(s, delta, at); }
  static void MouseEnter(TControl* c) { c->MouseEnter(); }
  static void MouseLeave(TControl* c) { c->MouseLeave(); }
  static void Resize(TControl* c) { c->Resize(); }
  static bool ClicksOnMouseUp(const TControl* c) { return c->ClicksOnMouseUp(); }
  static void KeyDown(TWinControl* c, Word& k, TShiftState s) { c->KeyDown(k, s); }
  static void KeyUp(TWinControl* c, Word& k, TShiftState s) { c->KeyUp(k, s); }
  static void KeyPress(TWinControl* c, char32_t& k) { c->KeyPress(k); }
  static void DoEnter(TWinControl* c) { c->DoEnter(); }
  static void DoExit(TWinControl* c) { c->DoExit(); }
  static bool WantsReturn(const TWinControl* c) { return c->WantsReturn(); }
  static void AlignControls(TWinControl* c) { c->AlignControls(); }
  static void DoContextPopup(TControl* c, TPoint at, bool& handled) { c->DoContextPopup(at, handled); }
  static void DoStartDrag(TControl* c, TObject*& dragObject) { c->DoStartDrag(dragObject); }
  static void DragOver(TControl* c, TObject* source, int x, int y, TDragState state, bool& accept) {
    c->DragOver(source, x, y, state, accept);
  }
  static void DragDrop(TControl* c, TObject* source, int x, int y) { c->DragDrop(source, x, y); }
  static void DoEndDrag(TControl* c, TObject* target, int x, int y) { c->DoEndDrag(target, x, y); }
  static void Paint(TCustomControl* c) { c->Paint(); }
  static void Paint(TGraphicControl* c) { c->Paint(); }
  static TCanvas* Canvas(TCustomControl* c) { return c->canvas_.get(); }
  static TCanvas* Canvas(TGraphicControl* c) { return c->canvas_.get(); }
};

class TImageList;
class TMenuItem;

// The Qt action behind a menu item, for the platform's own code and tests.
struct MenuItemAccess {
  static QAction* Action(const TMenuItem* item);
};

// What the controls that show images need of an image list.
struct ImageListAccess {
  // An empty pixmap for a missing list or an index outside it.
  static QPixmap Pixmap(const TImageList* list, int index);
  // Calls listener whenever the list changes, until Unlisten with the same client.
  static void Listen(TImageList* list, const void* client, std::function<void()> listener);
  static void Unlisten(TImageList* list, const void* client);
  // Points a control's image list field at list: the old list stops calling the control and
  // telling it of its freeing, the new one starts, with listener. false when list is the one
  // it had.
  static bool Switch(TComponent* client, TImageList*& field, TImageList* list,
                     std::function<void()> listener);
};

// Runs a handler of the application and hands an exception it raises to the application
// object: an exception must never unwind through Qt.
void CallSafely(TObject* sender, const std::function<void()>& body);

// Marks a change the program makes to a widget for as long as it lives, so that the widget's
// signal handlers do not report it as the user's.
class TCodeChange {
 public:
  explicit TCodeChange(bool& flag) : flag_(flag), previous_(flag) { flag = true; }
  TCodeChange(const TCodeChange&) = delete;
  TCodeChange& operator=(const TCodeChange&) = delete;
  ~TCodeChange() { flag_ = previous_; }

 private:
  bool& flag_;
  bool previous_;
};

// Stops the events of a control and all controls inside it (they are being destroyed).
void DetachControlTree(TControl* control);

// The control whose own widget w is, or nullptr.
TControl* ControlOfWidget(const QWidget* w);

// The drag of a control under way, driven by the mouse events its widgets receive while the
// left button is held (Dragging.cpp).
// The left button went down at a point of the screen.
void DragPressed(QPoint global);
void DragBegin(TControl* source, bool immediate, int threshold);
// A move of the mouse while a drag is pending or under way; true when it belongs to a drag
// that has started (the control under the mouse does not see it as a move of its own).
bool DragMouseMove(QPoint global);
// The button's release; true when it ended a drag that had started (no click follows).
bool DragMouseRelease(QPoint global);
// Ends a drag: dropped on the control under the mouse when it accepts, else cancelled.
void DragEnd(bool drop);
// nullptr: any control's.
bool DragUnderWay(const TControl* source);
// A control being freed is neither source nor target of a drag any more.
void DragForget(const TControl* control);

// The Qt widget of a control, for the other parts of platform/gui.
inline QWidget* WidgetOf(const TControl* control) { return ControlAccess::Widget(control); }

}  // namespace orv
