// Lines, shapes and pictures: line orientation and arrows, shape figures and double frames,
// pictures recognised by their first bytes, aspect-kept stretching, and pictures kept in report
// files.
#include <gtest/gtest.h>

#include "platform/gui/Bitmap.h"
#include "png/PNGObject.h"
#include "report/model/LineView.h"
#include "report/model/PictureView.h"
#include "report/model/ShapeView.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

std::unique_ptr<TBitmap> White(int w, int h) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(w, h);
  b->Canvas().Brush().SetColor(clWhite);
  b->Canvas().FillRect(Rect(0, 0, w, h));
  return b;
}

// A 24-bit bitmap file of w x h pixels in one colour.
std::string BitmapFile(int w, int h, TColor color) {
  TBitmap b;
  b.SetSize(w, h);
  b.Canvas().Brush().SetColor(color);
  b.Canvas().FillRect(Rect(0, 0, w, h));
  TMemoryStream s;
  b.SaveToStream(s);
  return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

}  // namespace

TEST(Lines, StraightLinesTakeTheLongerAxisAndArrowsPointOut) {
  TkvxLineView square(nullptr);
  square.SetBounds(0, 0, 100, 100);
  auto canvas = White(120, 120);
  square.Draw(&canvas->Canvas(), 1, 1, 0, 0);
  EXPECT_DOUBLE_EQ(square.Width(), 0);
  EXPECT_EQ(square.Frame()->Typ(), TkvxFrameTypes{ftLeft});

  TkvxLineView flat(nullptr);
  flat.SetBounds(10, 50, 80, 4);
  flat.Frame()->SetColor(clBlue);
  flat.Frame()->SetWidth(2);
  auto bmp = White(120, 120);
  flat.Draw(&bmp->Canvas(), 1, 1, 0, 0);
  EXPECT_DOUBLE_EQ(flat.Height(), 0);
  EXPECT_EQ(bmp->Canvas().Pixels(50, 50), clBlue);
  EXPECT_EQ(bmp->Canvas().Pixels(50, 54), clWhite);

  auto* designed = static_cast<TkvxLineView*>(TkvxComponent::DesignCreate(TkvxLineView::StaticClass(), nullptr, 4));
  std::unique_ptr<TkvxLineView> owned(designed);
  EXPECT_TRUE(designed->Diagonal);
  EXPECT_TRUE(designed->ArrowStart && designed->ArrowEnd);
  designed->ArrowStart = false;
  designed->ArrowSolid = true;
  designed->Frame()->SetColor(clRed);
  designed->SetBounds(10, 10, 90, 90);
  auto arrow = White(120, 120);
  designed->Draw(&arrow->Canvas(), 1, 1, 0, 0);
  // The head at the end: filled a few pixels back from the tip, off the line itself.
  EXPECT_EQ(arrow->Canvas().Pixels(94, 92), clRed);
  EXPECT_EQ(arrow->Canvas().Pixels(20, 25), clWhite);
  EXPECT_EQ(TkvxLineView(nullptr).Traits & otFullDiff, 0);
}

TEST(Shapes, FiguresFillAndDoubleFramesDrawInside) {
  TkvxShapeView shape(nullptr);
  shape.Shape = skRoundRectangle;
  shape.SetBounds(10, 10, 80, 40);
  shape.SetColor(clYellow);
  shape.Frame()->SetColor(clBlue);
  auto bmp = White(120, 80);
  shape.Draw(&bmp->Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(bmp->Canvas().Pixels(50, 30), clYellow);
  // A corner of 10 leaves the box's corner pixel outside the figure.
  EXPECT_EQ(bmp->Canvas().Pixels(10, 10), clWhite);
  EXPECT_EQ(bmp->Canvas().Pixels(50, 10), clBlue);

  TkvxShapeView ellipse(nullptr);
  ellipse.Shape = skEllipse;
  ellipse.SetBounds(10, 10, 60, 60);
  ellipse.Frame()->SetColor(clBlue);
  ellipse.Frame()->SetStyle(fsDouble);
  ellipse.Frame()->SetWidth(3);
  auto twice = White(80, 80);
  ellipse.Draw(&twice->Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(twice->Canvas().Pixels(40, 11), clBlue);
  EXPECT_EQ(twice->Canvas().Pixels(40, 17), clBlue);
  EXPECT_EQ(twice->Canvas().Pixels(40, 40), clWhite);
  EXPECT_DOUBLE_EQ(ellipse.Left(), 10);
  EXPECT_DOUBLE_EQ(ellipse.Width(), 60);

  TkvxShapeView other(nullptr);
  EXPECT_EQ(ellipse.Diff(&other).find(" Shape=\"2\""), ellipse.Diff(&other).size() - 10);
  auto* designed = static_cast<TkvxShapeView*>(TkvxComponent::DesignCreate(TkvxShapeView::StaticClass(), nullptr, 4));
  std::unique_ptr<TkvxShapeView> owned(designed);
  EXPECT_EQ(designed->Shape, skDiamond);
}

TEST(Pictures, StreamsAreRecognisedByTheirFirstBytes) {
  TkvxPictureView view(nullptr);
  EXPECT_EQ(view.Color(), clWhite);
  std::string bmp = BitmapFile(200, 100, clRed);
  std::uint32_t length = static_cast<std::uint32_t>(bmp.size());
  std::string header("\x01\x00\x00\x01", 4);
  header.append(reinterpret_cast<const char*>(&length), 4);
  TStringStream withHeader(header + bmp);
  view.SetAutoSize(true);
  EXPECT_EQ(view.LoadPictureFromStream(withHeader, true), 0);
  EXPECT_NE(dynamic_cast<TBitmap*>(view.Picture()->Graphic()), nullptr);
  EXPECT_DOUBLE_EQ(view.Width(), 200);
  EXPECT_DOUBLE_EQ(view.Height(), 100);
  EXPECT_TRUE(view.PictureChanged);

  std::string wrongLength = header;
  wrongLength[4] = 1;
  TStringStream bad(wrongLength + bmp);
  EXPECT_EQ(view.LoadPictureFromStream(bad, true), TkvxPictureView::E_INVALIDARG);
  EXPECT_EQ(view.Picture()->Graphic(), nullptr);
  TStringStream one("\xFF");
  EXPECT_EQ(view.LoadPictureFromStream(one, true), TkvxPictureView::E_INVALIDARG);
  TStringStream jpeg(std::string("\xFF\xD8\x00\x00\x00", 5));
  EXPECT_THROW(view.LoadPictureFromStream(jpeg, true), Exception);
  TStringStream skipped("xy" + bmp);
  skipped.SetPosition(2);
  EXPECT_EQ(view.LoadPictureFromStream(skipped, false), 0);
}

TEST(Pictures, StretchedPicturesKeepTheirProportions) {
  TkvxPictureView view(nullptr);
  TStringStream file(BitmapFile(200, 100, clRed));
  ASSERT_EQ(view.LoadPictureFromStream(file, true), 0);
  view.SetBounds(0, 0, 100, 100);
  view.SetColor(clNone);
  auto top = White(100, 100);
  view.Draw(&top->Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(top->Canvas().Pixels(50, 25), clRed);
  EXPECT_EQ(top->Canvas().Pixels(50, 75), clWhite);
  view.Center = true;
  auto centred = White(100, 100);
  view.Draw(&centred->Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(centred->Canvas().Pixels(50, 10), clWhite);
  EXPECT_EQ(centred->Canvas().Pixels(50, 50), clRed);
  EXPECT_EQ(centred->Canvas().Pixels(50, 90), clWhite);
  view.Stretched = false;
  view.Center = false;
  auto natural = White(100, 100);
  view.Draw(&natural->Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(natural->Canvas().Pixels(90, 90), clRed);
}

TEST(Pictures, PicturesTravelInsideReportFiles) {
  auto report = QuietReport();
  (new TkvxDataPage(report.get()))->SetName("Data");
  auto* page = new TkvxReportPage(report.get());
  page->SetName("Page1");
  auto* view = new TkvxPictureView(page);
  view->SetName("Picture1");
  TStringStream file(BitmapFile(16, 8, clLime));
  ASSERT_EQ(view->LoadPictureFromStream(file, true), 0);
  TStringStream out;
  report->SaveToStream(out);
  EXPECT_NE(out.DataString().find("Picture.PropData=\""), std::string::npos);
  EXPECT_EQ(XmlLint(out.DataString()), "");
  auto back = QuietReport();
  TStringStream in(out.DataString());
  back->LoadFromStream(in);
  EXPECT_EQ(back->Errors->Text(), "");
  auto* read = dynamic_cast<TkvxPictureView*>(back->FindObject("Picture1"));
  ASSERT_NE(read, nullptr);
  ASSERT_NE(read->Picture()->Graphic(), nullptr);
  EXPECT_EQ(read->Picture()->Width(), 16);
  EXPECT_EQ(read->Picture()->Bitmap().Canvas().Pixels(3, 3), clLime);
}
