// Controls that paint themselves: what OnPaint and Paint draw on Canvas is what the control
// shows, read back from a picture of the control.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <memory>
#include <stdexcept>

#include "platform/gui/Canvas.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Screen.h"
#include "platform/gui/tests/WidgetTesting.h"

namespace orv {
namespace {

using testing::Snapshot;

QColor At(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

// A windowed control that frames its client area in red around a navy square.
class TFramedSquare : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  int Paints = 0;

 protected:
  void Paint() override {
    ++Paints;
    Canvas()->Brush().SetColor(clRed);
    Canvas()->FrameRect(ClientRect());
    Canvas()->Brush().SetColor(clNavy);
    Canvas()->FillRect({10, 10, 20, 20});
  }
};

// A control without a window that draws a green diagonal in its own coordinates.
class TDiagonal : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;

 protected:
  void Paint() override {
    Canvas()->Pen().SetColor(clGreen);
    Canvas()->MoveTo(0, 0);
    Canvas()->LineTo(Width(), Height());
  }
};

class PaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetClientWidth(200);
    form_->SetClientHeight(150);
    form_->SetColor(clWhite);
  }
  std::unique_ptr<TForm> form_;
};

TEST_F(PaintTest, PaintBoxShowsWhatOnPaintDrawsOnItsCanvas) {
  auto* box = new TPaintBox(form_.get());
  box->SetParent(form_.get());
  box->SetBounds(30, 40, 60, 50);
  TObject* sender = nullptr;
  box->OnPaint = [&](TObject* s) {
    sender = s;
    TCanvas* c = box->Canvas();
    c->Brush().SetColor(clYellow);
    c->Pen().SetColor(clBlue);
    c->Rectangle(0, 0, 60, 50);
  };
  QImage image = Snapshot(box);
  ASSERT_EQ(image.size(), QSize(60, 50));
  EXPECT_EQ(sender, box);
  EXPECT_EQ(At(image, 0, 0), QColor(Qt::blue)) << "the canvas starts at the box's own top left";
  EXPECT_EQ(At(image, 59, 49), QColor(Qt::blue));
  EXPECT_EQ(At(image, 30, 25), QColor(Qt::yellow));

  // On the form the drawing sits where the box is.
  QImage onForm = Snapshot(form_.get());
  EXPECT_EQ(At(onForm, 30, 40), QColor(Qt::blue));
  EXPECT_EQ(At(onForm, 60, 65), QColor(Qt::yellow));
  EXPECT_EQ(At(onForm, 29, 39), QColor(Qt::white));
  EXPECT_EQ(At(onForm, 90, 65), QColor(Qt::white));
}

TEST_F(PaintTest, FormOnPaintDrawsOnTheClientAreaUnderItsControls) {
  form_->OnPaint = [this](TObject*) {
    TCanvas* c = form_->Canvas();
    EXPECT_EQ(c->Brush().Color(), clWhite) << "the brush starts in the form's colour";
    c->Brush().SetColor(clMaroon);
    c->FillRect({0, 0, 100, 150});
  };
  auto* diagonal = new TDiagonal(form_.get());
  diagonal->SetParent(form_.get());
  diagonal->SetBounds(50, 50, 40, 40);
  QImage image = Snapshot(form_.get());
  ASSERT_EQ(image.size(), QSize(200, 150));
  EXPECT_EQ(At(image, 5, 5), QColor(128, 0, 0));
  EXPECT_EQ(At(image, 150, 5), QColor(Qt::white));
  EXPECT_EQ(At(image, 60, 60), QColor(0, 128, 0)) << "the graphic control paints over the form";
  EXPECT_EQ(At(image, 61, 60), QColor(128, 0, 0)) << "and leaves the form's picture around its line";
  EXPECT_EQ(At(image, 120, 60), QColor(Qt::white));
}

TEST_F(PaintTest, CustomControlPaintsItsCanvasAndRepaintsWhenAsked) {
  auto* square = new TFramedSquare(form_.get());
  square->SetParent(form_.get());
  square->SetBounds(10, 10, 50, 40);
  QImage image = Snapshot(square);
  ASSERT_EQ(image.size(), QSize(50, 40));
  EXPECT_EQ(At(image, 0, 0), QColor(Qt::red));
  EXPECT_EQ(At(image, 49, 39), QColor(Qt::red));
  EXPECT_EQ(At(image, 49, 20), QColor(Qt::red));
  EXPECT_EQ(At(image, 15, 15), QColor(0, 0, 128));
  EXPECT_NE(At(image, 30, 30), QColor(Qt::red));
  EXPECT_NE(At(image, 30, 30), QColor(0, 0, 128));
  EXPECT_FALSE(square->Canvas()->CanDraw()) << "the canvas draws only while Paint runs";

  // Once the window is on the screen, Repaint paints before it returns.
  form_->Show();
  ASSERT_TRUE(testing::WaitFor([&] { return square->Paints > 1; }));
  int before = square->Paints;
  square->Repaint();
  EXPECT_EQ(square->Paints, before + 1);
}

TEST(HourGlassTest, RestoresTheCursorWhenAnExceptionPassesThrough) {
  Screen->SetCursor(crHandPoint);
  try {
    THourGlass wait;
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    throw std::runtime_error("query failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(Screen->Cursor(), crHandPoint);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
  Screen->SetCursor(crDefault);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "no cursor is left stacked over the windows";
}

}  // namespace
}  // namespace orv
