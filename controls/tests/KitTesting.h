#pragma once
// Shared helpers of the control kit's tests: a shown form to put controls on, real mouse and key
// events (from the platform's widget test helpers), and pictures of what a control paints
// compared with expected pictures kept in the data folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>

#include <memory>
#include <vector>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "platform/gui/tests/WidgetTesting.h"

namespace orv::testing {

// Antialiased edges and text may come out a little differently from one build of the
// rasteriser to another; a channel further than this from the expected picture is a fault.
constexpr int kPixelTolerance = 24;

class KitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetColor(clWhite);
    form_->SetBounds(0, 0, 640, 400);
    form_->Font()->SetName("Tahoma");
    form_->Font()->SetSize(10);
  }
  // The form goes while the test's own members, which its controls' handlers may use, still stand.
  void TearDown() override { form_.reset(); }
  void ShowForm() {
    form_->Show();
    ASSERT_TRUE(WaitFor([&] { return form_->Active(); }));
  }
  // What the form shows where control is: its own painting over the form's background.
  QImage Picture(TControl* control) {
    QApplication::processEvents();
    QImage whole = Snapshot(form_.get());
    return whole.copy(control->Left(), control->Top(), control->Width(), control->Height());
  }
  void Enter(TControl* control) {
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(WidgetOf(control), &enter);
  }
  void Leave(TControl* control) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(WidgetOf(control), &leave);
  }
  std::unique_ptr<TForm> form_;
};

// Pictures one above the other, for one expected picture of several states.
inline QImage Stack(const std::vector<QImage>& parts) {
  int w = 0, h = 0;
  for (const QImage& p : parts) {
    w = std::max(w, p.width());
    h += p.height();
  }
  QImage sheet(w, h, QImage::Format_RGB32);
  sheet.fill(Qt::white);
  QPainter painter(&sheet);
  int y = 0;
  for (const QImage& p : parts) {
    painter.drawImage(0, y, p);
    y += p.height();
  }
  return sheet;
}

// Compares with data/<name>.png. A missing or different expected picture fails the test and
// leaves what was drawn as actual-<name>.png in the test's working folder, to be looked at.
inline void ExpectPicture(const QImage& actual, const std::string& name) {
  QString expectedPath = QString::fromStdString(std::string(ORVANE_TEST_DATA) + "/" + name + ".png");
  QImage drawn = actual.convertToFormat(QImage::Format_RGB32);
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
  for (int y = 0; y < drawn.height(); ++y) {
    for (int x = 0; x < drawn.width(); ++x) {
      QRgb a = drawn.pixel(x, y), b = expected.pixel(x, y);
      if (std::abs(qRed(a) - qRed(b)) > kPixelTolerance || std::abs(qGreen(a) - qGreen(b)) > kPixelTolerance ||
          std::abs(qBlue(a) - qBlue(b)) > kPixelTolerance) {
        if (bad++ == 0) firstX = x, firstY = y;
      }
    }
  }
  if (bad) {
    keep();
    ADD_FAILURE() << name << ": " << bad << " pixels differ, the first at " << firstX << "," << firstY;
  }
}

}  // namespace orv::testing
