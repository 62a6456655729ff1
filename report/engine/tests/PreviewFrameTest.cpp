// The preview's frame: the window's border and the bevels around its page area at each setting,
// as painted and as the page area is laid out inside them, and the members reached by name.
#include <gtest/gtest.h>

#include "platform/gui/Forms.h"
#include "platform/gui/tests/ControlTesting.h"
#include "report/engine/Preview.h"
#include "report/engine/tests/StoreTestSupport.h"

namespace orv {
namespace {

using namespace orv::test;
using namespace orv::testing;

// A preview of 200 x 150 in yellow on a white form, its page area showing its grey background.
class PreviewFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.SetColor(clWhite);
    form_.SetBounds(0, 0, 400, 300);
    preview_ = new TkvxPreview(&form_);
    preview_->SetParent(&form_);
    preview_->SetColor(clYellow);
    preview_->SetBounds(20, 20, 200, 150);
    form_.Show();
    QApplication::processEvents();
  }
  TRect PageArea() const {
    TControl* w = preview_->Workspace();
    return Rect(w->Left(), w->Top(), w->Left() + w->Width(), w->Top() + w->Height());
  }
  TColor At(TBitmap& picture, int x, int y) { return picture.Canvas().Pixels(x, y); }

  TForm form_{nullptr};
  TkvxPreview* preview_ = nullptr;
};

const TColor kShadow = ColorToRGB(clBtnShadow), kHighlight = ColorToRGB(clBtnHighlight),
             kDark = ColorToRGB(cl3DDkShadow), kLight = ColorToRGB(cl3DLight), kFace = ColorToRGB(clBtnFace);

TEST_F(PreviewFrameTest, EachSettingIsPaintedAndThePageAreaLiesInsideIt) {
  std::vector<std::unique_ptr<TBitmap>> sheet;
  // The single border of a 3-D window by default: a sunken edge of two lines.
  EXPECT_EQ(preview_->BorderStyle(), bsSingle);
  EXPECT_EQ(PageArea(), Rect(2, 2, 198, 148));
  auto single = PictureOf(&form_, preview_);
  EXPECT_EQ(At(*single, 0, 70), kShadow);
  EXPECT_EQ(At(*single, 100, 0), kShadow);
  EXPECT_EQ(At(*single, 1, 70), kDark);
  EXPECT_EQ(At(*single, 199, 70), kHighlight);
  EXPECT_EQ(At(*single, 100, 149), kHighlight);
  EXPECT_EQ(At(*single, 198, 70), kLight);
  EXPECT_EQ(At(*single, 2, 70), ColorToRGB(preview_->BackColor()));
  sheet.push_back(std::move(single));

  // No border: the page area is the whole control.
  preview_->SetBorderStyle(bsNone);
  EXPECT_EQ(PageArea(), Rect(0, 0, 200, 150));
  auto none = PictureOf(&form_, preview_);
  EXPECT_EQ(At(*none, 0, 70), ColorToRGB(preview_->BackColor()));
  sheet.push_back(std::move(none));
  preview_->SetBorderStyle(bsSingle);
  EXPECT_EQ(PageArea(), Rect(2, 2, 198, 148));

  // A tiled bevel inside the border: lowered outside, raised inside, one pixel each.
  preview_->SetBevelKind(bkTile);
  EXPECT_EQ(PageArea(), Rect(4, 4, 196, 146));
  auto tile = PictureOf(&form_, preview_);
  EXPECT_EQ(At(*tile, 2, 70), kShadow);
  EXPECT_EQ(At(*tile, 3, 70), kHighlight);
  EXPECT_EQ(At(*tile, 197, 70), kHighlight);
  EXPECT_EQ(At(*tile, 196, 70), kShadow);
  sheet.push_back(std::move(tile));

  // Raised outside, lowered inside, as a soft bevel.
  preview_->SetBevelOuter(bvRaised);
  preview_->SetBevelInner(bvLowered);
  preview_->SetBevelKind(bkSoft);
  auto soft = PictureOf(&form_, preview_);
  EXPECT_EQ(At(*soft, 2, 70), kHighlight);
  EXPECT_EQ(At(*soft, 197, 70), kDark);
  EXPECT_EQ(At(*soft, 3, 70), kShadow);
  EXPECT_EQ(At(*soft, 196, 70), kLight);
  sheet.push_back(std::move(soft));

  // Flat: a shadow line around a face-coloured one, whatever the cuts.
  preview_->SetBevelKind(bkFlat);
  auto flat = PictureOf(&form_, preview_);
  EXPECT_EQ(At(*flat, 2, 70), kShadow);
  EXPECT_EQ(At(*flat, 197, 70), kShadow);
  EXPECT_EQ(At(*flat, 3, 70), kFace);
  sheet.push_back(std::move(flat));

  // Only the top and bottom edges carry the bevel; no inner cut leaves one line.
  preview_->SetBevelKind(bkTile);
  preview_->SetBevelInner(bvNone);
  preview_->SetBevelEdges(TBevelEdges{beTop, beBottom});
  EXPECT_EQ(PageArea(), Rect(2, 3, 198, 147));
  auto edges = PictureOf(&form_, preview_);
  EXPECT_EQ(At(*edges, 100, 2), kLight);
  EXPECT_EQ(At(*edges, 100, 147), kDark);
  EXPECT_EQ(At(*edges, 2, 70), ColorToRGB(preview_->BackColor()));
  sheet.push_back(std::move(edges));

  // A border width in the control's colour inside the bevel; a space cut takes room unpainted.
  preview_->SetBevelEdges(TBevelEdges{beLeft, beTop, beRight, beBottom});
  preview_->SetBevelInner(bvSpace);
  preview_->SetBorderWidth(5);
  EXPECT_EQ(PageArea(), Rect(9, 9, 191, 141));
  auto width = PictureOf(&form_, preview_);
  EXPECT_EQ(At(*width, 3, 70), clYellow);
  for (int x = 4; x < 9; ++x) EXPECT_EQ(At(*width, x, 70), clYellow) << x;
  EXPECT_EQ(At(*width, 9, 70), ColorToRGB(preview_->BackColor()));
  sheet.push_back(std::move(width));

  std::vector<TBitmap*> parts;
  for (auto& p : sheet) parts.push_back(p.get());
  SavePicture(*JoinPictures(parts, true), "preview-frames.png");
}

TEST_F(PreviewFrameTest, TheFrameAndTheReportMembersAreReachedByName) {
  SetEnumProp(preview_, "BorderStyle", "bsNone");
  EXPECT_EQ(PageArea(), Rect(0, 0, 200, 150));
  SetEnumProp(preview_, "BevelKind", "bkTile");
  SetSetProp(preview_, "BevelEdges", "[beLeft]");
  SetOrdProp(preview_, "BorderWidth", 3);
  EXPECT_EQ(PageArea(), Rect(5, 3, 197, 147));
  EXPECT_EQ(GetSetProp(preview_, "BevelEdges"), "beLeft");
  // Only what differs from the defaults is stored.
  EXPECT_FALSE(IsDefaultPropValue(preview_, GetPropInfo(preview_, "BorderStyle")));
  EXPECT_TRUE(IsDefaultPropValue(preview_, GetPropInfo(preview_, "BevelOuter")));
  EXPECT_TRUE(IsDefaultPropValue(preview_, GetPropInfo(preview_, "UseReportHints")));
  SetOrdProp(preview_, "UseReportHints", 0);
  EXPECT_FALSE(preview_->UseReportHints);

  TListReport list;
  list.Report->SetPreview(preview_);
  std::vector<Integer> shown;
  GetPropInfo(preview_, "OnPageChanged")
      ->SetHandler(preview_, std::any(TkvxPageChangedEvent([&](TObject*, Integer page) { shown.push_back(page); })));
  list.Run(45);
  shown.clear();
  preview_->SetPageNo(3);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), 3);
  preview_->Prior();
  EXPECT_EQ(shown.back(), 2);
  list.Report->SetPreview(nullptr);
}

}  // namespace
}  // namespace orv
