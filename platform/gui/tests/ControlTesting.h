#pragma once
// Test helpers for folders outside platform/ that test their own controls: real mouse, key and
// accelerator events, pictures of what a control paints as bitmaps compared with expected PNG
// files, and changes of the desktop palette, all without Qt in the caller. Qt's test keyboard
// (link Qt6::Test) types accelerators through the window's shortcuts as the window system does.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QBackingStore>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QTest>
#include <QToolButton>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/CanvasQt.h"
#include "platform/gui/Forms.h"
#include "platform/gui/tests/WidgetTesting.h"

namespace orv::testing {

inline Qt::MouseButton ToQtButton(TMouseButton b) {
  return b == mbRight ? Qt::RightButton : b == mbMiddle ? Qt::MiddleButton : Qt::LeftButton;
}

inline void PressMouse(TControl* c, int x, int y, TMouseButton b = mbLeft) {
  SendMouse(WidgetOf(c), QEvent::MouseButtonPress, {x, y}, ToQtButton(b), ToQtButton(b));
}

inline void ReleaseMouse(TControl* c, int x, int y, TMouseButton b = mbLeft) {
  SendMouse(WidgetOf(c), QEvent::MouseButtonRelease, {x, y}, ToQtButton(b), Qt::NoButton);
}

// leftHeld: the left button is down while the mouse moves.
inline void MoveMouse(TControl* c, int x, int y, bool leftHeld = false) {
  SendMouse(WidgetOf(c), QEvent::MouseMove, {x, y}, Qt::NoButton, leftHeld ? Qt::LeftButton : Qt::NoButton);
}

inline void ClickMouse(TControl* c, int x, int y, TMouseButton b = mbLeft) {
  PressMouse(c, x, y, b);
  ReleaseMouse(c, x, y, b);
}

// The wheel turned over (x, y) of c, Ctrl held when ctrl is set.
inline void TurnWheel(TControl* c, int x, int y, int delta, bool ctrl = false) {
  SendWheel(WidgetOf(c), {x, y}, delta, ctrl ? Qt::ControlModifier : Qt::NoModifier);
}

// Press, release and the double click that follows, as a quick second click gives it.
inline void DoubleClickMouse(TControl* c, int x, int y) {
  PressMouse(c, x, y);
  ReleaseMouse(c, x, y);
  SendMouse(WidgetOf(c), QEvent::MouseButtonDblClick, {x, y}, Qt::LeftButton, Qt::LeftButton);
  ReleaseMouse(c, x, y);
}

// The window system's request for a context menu at (x, y) of c, as a right click makes it.
inline void OpenContextMenu(TControl* c, int x, int y) {
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(x, y), WidgetOf(c)->mapToGlobal(QPoint(x, y)));
  QApplication::sendEvent(WidgetOf(c), &event);
}

// Closes the pop-up menu that is open, as a click beside it does.
inline void CloseOpenMenu() {
  if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
}

inline void EnterMouse(TControl* c) {
  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(WidgetOf(c), &enter);
}

inline void LeaveMouse(TControl* c) {
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(WidgetOf(c), &leave);
}

// A key typed where the keyboard is inside c: a virtual-key code and the character it types.
inline void TypeKey(TWinControl* c, Word vk, char32_t ch = 0) {
  QString text = ch ? QString::fromUcs4(&ch, 1) : QString();
  KeyClick(KeyTarget(c), VirtualKeyToKey(vk), text);
}

// UTF-8 text typed one character at a time where the keyboard is inside c.
inline void TypeText(TWinControl* c, const std::string& text) { KeyClicks(KeyTarget(c), QString::fromStdString(text)); }

// The colour the control paints at a point of its client area.
inline TColor PaintedPixel(TControl* c, int x, int y) { return FromQColor(Snapshot(c).pixelColor(x, y)); }

// Where the text editor of an editable combo box lies within the box; nothing for a box without one.
inline std::optional<TRect> ComboEditorBounds(TControl* combo) {
  auto* box = dynamic_cast<QComboBox*>(WidgetOf(combo));
  QLineEdit* edit = box ? box->lineEdit() : nullptr;
  if (!edit) return std::nullopt;
  QRect r = edit->geometry();
  return Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

// The window of a combo box's drop-down list: whether it shows, and where on the screen.
inline bool ComboListShown(TControl* combo) {
  return static_cast<QComboBox*>(WidgetOf(combo))->view()->window()->isVisible();
}
inline TRect ComboListBounds(TControl* combo) {
  QWidget* list = static_cast<QComboBox*>(WidgetOf(combo))->view()->window();
  return Rect(list->x(), list->y(), list->x() + list->width(), list->y() + list->height());
}

// A click on the middle of one item of a combo box's open list.
inline void ClickComboListItem(TControl* combo, int index) {
  QAbstractItemView* view = static_cast<QComboBox*>(WidgetOf(combo))->view();
  MouseClick(view->viewport(), view->visualRect(view->model()->index(index, 0)).center());
}

// The arrow buttons of an up-down control, in their order: how many, and a click on one.
inline int UpDownButtonCount(TControl* upDown) {
  return static_cast<int>(WidgetOf(upDown)->findChildren<QToolButton*>().size());
}
inline void ClickUpDownButton(TControl* upDown, int index) {
  WidgetOf(upDown)->findChildren<QToolButton*>().at(index)->click();
}

// Whether a modal window is open.
inline bool ModalWindowOpen() { return QApplication::activeModalWidget() != nullptr; }

// Every combo box of the open modal window that offers text shows it.
inline void ChooseInModalWindow(const std::string& text) {
  QWidget* window = QApplication::activeModalWidget();
  if (!window) return;
  QString wanted = QString::fromStdString(text);
  for (QComboBox* box : window->findChildren<QComboBox*>())
    if (int i = box->findText(wanted); i >= 0) box->setCurrentIndex(i);
}

// Clicks the button of the open modal window whose caption, accelerator marks aside, is caption;
// false when there is no such button.
inline bool ClickModalButton(const std::string& caption) {
  QWidget* window = QApplication::activeModalWidget();
  if (!window) return false;
  QString wanted = QString::fromStdString(caption).remove('&');
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
    if (b->text().remove('&') == wanted) {
      b->click();
      return true;
    }
  return false;
}

// Alt + letter typed where the keyboard is inside c.
inline void TypeAccelerator(TWinControl* c, char letter) {
  QTest::keyClick(KeyTarget(c), letter, Qt::AltModifier);
}

// The application's palette with another window colour, as a desktop theme change gives it;
// an empty call goes back to the default palette.
inline void ChangeDesktopPalette(TColor window) {
  QPalette palette = QApplication::palette();
  palette.setColor(QPalette::Window, ToQColor(window));
  QApplication::setPalette(palette);
}

inline void RestoreDesktopPalette() { QApplication::setPalette(QPalette()); }

// What form shows where control is: the control's painting over what lies beneath it; a height
// of 0 or more keeps only that many rows from the top.
inline std::unique_ptr<TBitmap> PictureOf(TCustomForm* form, TControl* control, int height = -1) {
  QApplication::processEvents();
  QImage area = Snapshot(form).copy(control->Left(), control->Top(), control->Width(),
                                    height >= 0 ? height : control->Height());
  auto picture = std::make_unique<TBitmap>(area.width(), area.height(), pf24bit);
  QPainter(&BitmapImage(*picture)).drawImage(0, 0, area);
  return picture;
}

// What the control paints in its client area, as a picture of the client's size.
inline std::unique_ptr<TBitmap> PaintedPicture(TControl* control) {
  QImage painted = Snapshot(control);
  auto picture = std::make_unique<TBitmap>(painted.width(), painted.height(), pf24bit);
  QPainter(&BitmapImage(*picture)).drawImage(0, 0, painted);
  return picture;
}

// How many pixels the control paints dark (grey level under 100) in the columns x1 to x2 - 1.
inline int DarkPixels(TControl* control, int x1, int x2) {
  QImage painted = Snapshot(control);
  int dark = 0;
  for (int y = 0; y < painted.height(); ++y)
    for (int x = x1; x < x2 && x < painted.width(); ++x) dark += qGray(painted.pixel(x, y)) < 100;
  return dark;
}

// Pictures side by side (across) or one above the other, on white.
inline std::unique_ptr<TBitmap> JoinPictures(const std::vector<TBitmap*>& parts, bool across = false) {
  int w = 0, h = 0;
  for (TBitmap* p : parts) {
    w = across ? w + p->Width() : std::max(w, p->Width());
    h = across ? std::max(h, p->Height()) : h + p->Height();
  }
  auto sheet = std::make_unique<TBitmap>(w, h, pf24bit);
  QImage& image = BitmapImage(*sheet);
  image.fill(Qt::white);
  QPainter painter(&image);
  int at = 0;
  for (TBitmap* p : parts) {
    painter.drawImage(across ? at : 0, across ? 0 : at, BitmapImage(*p));
    at += across ? p->Width() : p->Height();
  }
  return sheet;
}

// Compares picture with <dataDir>/<name>.png, read by Qt's PNG reader (libpng): every channel
// of every pixel within tolerance. A missing or different expected picture fails the test and
// leaves what was drawn as actual-<name>.png in the working folder, to be looked at.
inline void ExpectPicture(TBitmap& picture, const std::string& dataDir, const std::string& name, int tolerance) {
  QImage drawn = BitmapImage(picture).convertToFormat(QImage::Format_RGB32);
  QString expectedPath = QString::fromStdString(dataDir + "/" + name + ".png");
  QImage expected(expectedPath);
  auto keep = [&] { drawn.save(QDir::current().filePath(QString::fromStdString("actual-" + name + ".png"))); };
  if (expected.isNull()) {
    keep();
    ADD_FAILURE() << "no expected picture " << expectedPath.toStdString();
    return;
  }
  expected = expected.convertToFormat(QImage::Format_RGB32);
  if (expected.size() != drawn.size()) {
    keep();
    ADD_FAILURE() << name << ": drawn " << drawn.width() << "x" << drawn.height() << ", expected "
                  << expected.width() << "x" << expected.height();
    return;
  }
  int bad = 0, firstX = -1, firstY = -1;
  for (int y = 0; y < drawn.height(); ++y)
    for (int x = 0; x < drawn.width(); ++x) {
      QRgb a = drawn.pixel(x, y), b = expected.pixel(x, y);
      if (std::abs(qRed(a) - qRed(b)) > tolerance || std::abs(qGreen(a) - qGreen(b)) > tolerance ||
          std::abs(qBlue(a) - qBlue(b)) > tolerance) {
        if (bad++ == 0) firstX = x, firstY = y;
      }
    }
  if (bad) {
    keep();
    ADD_FAILURE() << name << ": " << bad << " pixels differ, the first at " << firstX << "," << firstY;
  }
}

// Whether two pictures have the same pixels.
inline bool SamePicture(TBitmap& a, TBitmap& b) {
  return BitmapImage(a).convertToFormat(QImage::Format_RGB32) == BitmapImage(b).convertToFormat(QImage::Format_RGB32);
}

// Whether two pictures have the same pixels inside r.
inline bool SameArea(TBitmap& a, TBitmap& b, const TRect& r) {
  QRect area(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1));
  return BitmapImage(a).copy(area).convertToFormat(QImage::Format_RGB32) ==
         BitmapImage(b).copy(area).convertToFormat(QImage::Format_RGB32);
}

// Writes picture as a PNG file, to be looked at.
inline void SavePicture(TBitmap& picture, const std::string& path) {
  BitmapImage(picture).save(QString::fromStdString(path), "PNG");
}

// While held, nothing the control asks for is painted, and letting go paints nothing anew: a test
// changes the control's look unseen and then sees what a later request repaints.
inline void HoldPainting(TControl* c, bool hold) {
  QApplication::processEvents();
  WidgetOf(c)->setAttribute(Qt::WA_UpdatesDisabled, hold);
  for (QWidget* inside : WidgetOf(c)->findChildren<QWidget*>()) inside->setAttribute(Qt::WA_UpdatesDisabled, hold);
}

// What the window shows where control is, as it was last painted; nothing is painted for it.
inline std::unique_ptr<TBitmap> ShownPicture(TControl* control) {
  QApplication::processEvents();
  QWidget* window = WidgetOf(control)->window();
  auto* shown = window->backingStore() ? dynamic_cast<QImage*>(window->backingStore()->paintDevice()) : nullptr;
  QPoint at = WidgetOf(control)->mapTo(window, QPoint(0, 0));
  QImage area = shown ? shown->copy(at.x(), at.y(), control->Width(), control->Height()) : QImage();
  auto picture = std::make_unique<TBitmap>(control->Width(), control->Height(), pf24bit);
  QPainter(&BitmapImage(*picture)).drawImage(0, 0, area);
  return picture;
}

}  // namespace orv::testing
