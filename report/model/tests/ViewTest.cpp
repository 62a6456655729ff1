// Views: data binding by name, print-time save and restore, the diff of a view and its frame,
// and the background and frame as drawn on a bitmap.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "platform/gui/Bitmap.h"
#include "report/model/View.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

class TPlainView : public TkvxView {
 public:
  using TkvxView::TkvxView;
};

std::unique_ptr<TBitmap> White(int w, int h) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(w, h);
  b->Canvas().Brush().SetColor(clWhite);
  b->Canvas().FillRect(Rect(0, 0, w, h));
  return b;
}

}  // namespace

TEST(Views, DataSetNamesBindLateAndPrintingRestoresTheDesign) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  auto* view = new TPlainView(page);
  EXPECT_EQ(view->Traits, otInPreparedPages | otFullDiff);
  view->SetDataSetName("Nobody");
  EXPECT_EQ(view->DataSet(), nullptr);
  EXPECT_EQ(view->DataSetName(), "Nobody");
  auto* ds = new TkvxUserDataSet(new TkvxDataPage(report.get()));
  ds->SetName("Members");
  view->SetDataSetName("members");
  EXPECT_EQ(view->DataSet(), ds);
  EXPECT_FALSE(view->HasDataBinding());
  view->SetDataField("Nm");
  EXPECT_TRUE(view->HasDataBinding());
  delete ds;
  EXPECT_EQ(view->DataSet(), nullptr);

  view->SetBounds(1, 2, 3, 4);
  view->SetTagStr("[1+1]x");
  view->SetURL("http://example.org/?n=[2*3]&m=[1+1]");
  view->BeforePrint();
  view->SetBounds(9, 9, 9, 9);
  view->GetData();
  EXPECT_EQ(view->TagStr(), "2x");
  EXPECT_EQ(view->URL(), "http://example.org/?n=6&m=2");
  view->AfterPrint();
  EXPECT_EQ(view->URL(), "http://example.org/?n=[2*3]&m=[1+1]");
  EXPECT_DOUBLE_EQ(view->Left(), 1);
  EXPECT_DOUBLE_EQ(view->Height(), 4);
  EXPECT_EQ(view->TagStr(), "[1+1]x");
}

TEST(Views, DiffsOfViewsAndFrames) {
  TPlainView templ(nullptr), copy(nullptr);
  templ.Frame()->SetWidth(2);
  copy.Frame()->SetWidth(2);
  EXPECT_EQ(copy.Diff(&templ), "");
  copy.Frame()->SetWidth(3);
  EXPECT_EQ(copy.Diff(&templ), " Frame.Width=\"3\"");
  copy.Frame()->TopLine()->SetWidth(5);
  EXPECT_EQ(copy.Diff(&templ), " Frame.Width=\"3\" Frame.TopLine.Width=\"5\"");
  copy.Frame()->SetWidth(2);
  copy.Frame()->TopLine()->SetWidth(2);
  copy.Frame()->LeftLine()->SetColor(clRed);
  copy.Frame()->SetTyp({ftLeft, ftBottom});
  copy.SetColor(clYellow);
  copy.SetTagStr("a&b");
  copy.SetPrintable(false);
  EXPECT_EQ(copy.Diff(&templ),
            " Color=\"65535\" Frame.Typ=\"9\" Frame.LeftLine.Color=\"255\" Printable=\"0\" TagStr=\"a&#38;b\"");
}

// A copy's frame is its own object holding its template's values: each value changed alone is
// written, and only that one, whichever way the two frames came to be.
TEST(Views, EachFrameValueChangedAloneIsWrittenAlone) {
  const std::pair<void (*)(TkvxFrame*), const char*> cases[] = {
      {[](TkvxFrame*) {}, ""},
      {[](TkvxFrame* f) { f->SetWidth(1.00001); }, ""},
      {[](TkvxFrame* f) { f->SetColor(clBlue); }, " Frame.Color=\"16711680\""},
      {[](TkvxFrame* f) { f->SetDropShadow(true); }, " Frame.DropShadow=\"1\""},
      {[](TkvxFrame* f) { f->SetShadowColor(clRed); }, " Frame.ShadowColor=\"255\""},
      {[](TkvxFrame* f) { f->SetShadowWidth(2.5); }, " Frame.ShadowWidth=\"2.5\""},
      {[](TkvxFrame* f) { f->SetStyle(fsDot); }, " Frame.Style=\"2\""},
      {[](TkvxFrame* f) { f->SetTyp({ftTop}); }, " Frame.Typ=\"4\""},
      {[](TkvxFrame* f) { f->SetWidth(0.5); }, " Frame.Width=\"0.5\""},
      {[](TkvxFrame* f) { f->LeftLine()->SetColor(clRed); }, " Frame.LeftLine.Color=\"255\""},
      {[](TkvxFrame* f) { f->TopLine()->SetStyle(fsDash); }, " Frame.TopLine.Style=\"1\""},
      {[](TkvxFrame* f) { f->RightLine()->SetWidth(3); }, " Frame.RightLine.Width=\"3\""},
      {[](TkvxFrame* f) { f->BottomLine()->SetStyle(fsDouble); }, " Frame.BottomLine.Style=\"5\""},
  };
  for (const auto& [change, expected] : cases) {
    TPlainView templ(nullptr), copy(nullptr);
    templ.Frame()->SetTyp({ftLeft});
    copy.SetFrame(templ.Frame());
    change(copy.Frame());
    EXPECT_EQ(copy.Diff(&templ), expected);
    EXPECT_EQ(kvxFrameDiff(copy.Frame(), templ.Frame()), expected);
  }
}

TEST(Views, BackgroundAndFrameOnABitmap) {
  TPlainView view(nullptr);
  view.SetBounds(10, 10, 40, 30);
  auto none = White(80, 60);
  view.Draw(&none->Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(none->Canvas().Pixels(20, 20), clWhite);

  view.SetColor(clYellow);
  view.Frame()->SetTyp({ftLeft, ftTop});
  view.Frame()->SetWidth(3);
  view.Frame()->SetColor(clBlue);
  auto framed = White(80, 60);
  view.Draw(&framed->Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(framed->Canvas().Pixels(30, 25), clYellow);
  EXPECT_EQ(framed->Canvas().Pixels(30, 10), clBlue);
  EXPECT_EQ(framed->Canvas().Pixels(10, 25), clBlue);
  // The top line ends flush at the right edge, the left line at the bottom edge; where they meet
  // the corner is filled.
  EXPECT_EQ(framed->Canvas().Pixels(51, 10), clWhite);
  EXPECT_EQ(framed->Canvas().Pixels(10, 41), clWhite);
  EXPECT_EQ(framed->Canvas().Pixels(9, 9), clBlue);
  EXPECT_EQ(framed->Canvas().Pixels(55, 20), clWhite);

  // A shadow of 4 keeps the outer bounds: the frame moves in and the shadow fills the space.
  view.Frame()->SetTyp({});
  view.Frame()->SetDropShadow(true);
  view.Frame()->SetShadowColor(clGray);
  auto shadowed = White(80, 60);
  view.Draw(&shadowed->Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(view.X1, 46);
  EXPECT_EQ(view.Y1, 36);
  EXPECT_EQ(shadowed->Canvas().Pixels(48, 25), clGray);
  EXPECT_EQ(shadowed->Canvas().Pixels(30, 38), clGray);
  EXPECT_EQ(shadowed->Canvas().Pixels(52, 25), clWhite);
  EXPECT_EQ(shadowed->Canvas().Pixels(30, 25), clYellow);
}

TEST(Views, AltDotFramesOfEveryWidthShowTheirDots) {
  for (int width : {1, 2, 3, 5}) {
    SCOPED_TRACE(width);
    TPlainView view(nullptr);
    view.SetBounds(10, 20, 200, 40);
    view.Frame()->SetTyp({ftTop});
    view.Frame()->SetStyle(fsAltDot);
    view.Frame()->SetWidth(width);
    view.Frame()->SetColor(clBlue);
    auto b = White(240, 80);
    view.Draw(&b->Canvas(), 1, 1, 0, 0);
    // Along the top edge: about half the length is dots, and dots and gaps alternate.
    int blue = 0, runs = 0;
    bool was = false;
    for (int x = 14; x < 206; ++x) {
      TColor c = b->Canvas().Pixels(x, 20);
      bool dot = (c & 0xFF0000) > 0x800000 && (c & 0xFF) < 0x80;
      blue += dot;
      runs += dot && !was;
      was = dot;
    }
    EXPECT_GT(blue, 192 / 4);
    EXPECT_LT(blue, 192 * 3 / 4);
    EXPECT_GE(runs, 192 / (2 * std::max(width, 1)) - 2);
    // Nothing is drawn far from the line.
    EXPECT_EQ(b->Canvas().Pixels(100, 20 + width + 2), clWhite);
  }
}

#include "platform/gui/Metafile.h"
#include "report/model/ShapeView.h"

namespace {

// Runs of frame-coloured pixels along row y from x1 to x2, and how many such pixels there are.
std::pair<int, int> RunsAlong(TBitmap& b, int y, int x1, int x2) {
  int runs = 0, coloured = 0;
  bool was = false;
  for (int x = x1; x < x2; ++x) {
    bool on = b.Canvas().Pixels(x, y) != clWhite;
    coloured += on;
    runs += on && !was;
    was = on;
  }
  return {runs, coloured};
}

}  // namespace

TEST(Views, ThickBrokenFramesAreOneStrokeWithDashesScaledLikeThePage) {
  // A dashed frame 4 wide at the printer's scale: one stroke a side, not one a pixel of width.
  TPlainView view(nullptr);
  view.SetBounds(10, 10, 300, 100);
  view.Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
  view.Frame()->SetStyle(fsDash);
  view.Frame()->SetWidth(4);
  view.Frame()->SetDropShadow(true);
  TMetafile recorded;
  {
    TMetafileCanvas canvas(recorded);
    view.Draw(&canvas, 600 / 96.0, 600 / 96.0, 0, 0);
  }
  int strokes = 0;
  for (const TCanvasRecord& r : recorded.Records()) strokes += r.Kind == crLine;
  EXPECT_LE(strokes, 4 + 2) << "four sides and the two sides of the shadow";

  // Dots of 3 on, 3 off at 96 dpi are 9 and 9 at three times the scale: as the PDF draws them.
  view.Frame()->SetDropShadow(false);
  view.Frame()->SetStyle(fsDot);
  view.Frame()->SetWidth(1);
  view.Frame()->SetTyp({ftTop});
  auto b = White(1000, 100);
  view.Draw(&b->Canvas(), 3, 3, 0, 0);
  auto [runs, coloured] = RunsAlong(*b, 30, 40, 940);
  EXPECT_NEAR(runs, 900 / 18, 2);
  EXPECT_NEAR(coloured, 450, 30);

  // A shape's dotted outline stays dotted when its pen is wider than a pixel.
  TkvxShapeView stamp(nullptr);
  stamp.SetBounds(10, 10, 90, 100);
  stamp.Frame()->SetStyle(fsDot);
  auto s = White(700, 760);
  stamp.Draw(&s->Canvas(), 600 / 96.0, 600 / 96.0, 0, 0);
  auto [shapeRuns, shapeColoured] = RunsAlong(*s, static_cast<int>(std::lround(10 * 600 / 96.0)), 100, 600);
  EXPECT_NEAR(shapeRuns, 500 / 38, 3);
  EXPECT_LT(shapeColoured, 500 * 3 / 4);
}
