// A combo box that draws itself: its painting replaces the style's, its editor goes where it
// says, its list opens where it says, it hears the list close however it closes, and its
// editor can refuse typing while the list still chooses.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <vector>

#include "platform/gui/Canvas.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/tests/WidgetTesting.h"
#include "platform/rtl/StringList.h"

namespace orv {
namespace {

class TSelfDrawnCombo : public TCustomComboBox {
 public:
  explicit TSelfDrawnCombo(TComponent* owner) : TCustomComboBox(owner) { SetOwnerDrawFrame(true); }
  using TCustomComboBox::EditReadOnly;
  using TCustomComboBox::SetEditReadOnly;
  int closed = 0;

 protected:
  void PaintFrame(TCanvas& canvas) override {
    canvas.Brush().SetColor(clLime);
    canvas.FillRect(ClientRect());
  }
  TRect EditRect() const override { return Rect(20, 4, Width() - 30, Height() - 4); }
  void PlaceList(TRect& bounds) override {
    bounds.Right = bounds.Left + 222;
    bounds.Bottom = bounds.Top + 55;
  }
  void CloseUp() override { ++closed; }
};

TEST(ComboFrame, DescendantPaintsPlacesItsEditorAndListAndHearsTheListClose) {
  TForm form(nullptr);
  form.SetBounds(50, 50, 300, 200);
  auto* combo = new TSelfDrawnCombo(&form);
  combo->SetParent(&form);
  combo->SetBounds(10, 10, 120, 24);
  for (const char* s : {"หนึ่ง", "สอง", "สาม"}) combo->Items()->Add(s);
  combo->SetItemIndex(-1);
  form.Show();
  QApplication::processEvents();

  QImage picture = testing::Snapshot(combo);
  EXPECT_EQ(picture.pixelColor(0, 0), QColor(Qt::green));
  EXPECT_EQ(picture.pixelColor(119, 23), QColor(Qt::green));
  auto* qcombo = static_cast<QComboBox*>(WidgetOf(combo));
  EXPECT_EQ(qcombo->lineEdit()->geometry(), QRect(20, 4, 70, 16));
  combo->SetWidth(150);
  EXPECT_EQ(qcombo->lineEdit()->geometry(), QRect(20, 4, 100, 16));

  // Lines of the list at the height asked for.
  combo->SetItemHeight(19);
  combo->SetDroppedDown(true);
  QApplication::processEvents();
  QWidget* list = qcombo->view()->window();
  EXPECT_EQ(list->size(), QSize(222, 55));
  EXPECT_EQ(qcombo->view()->visualRect(qcombo->model()->index(1, 0)).height(), 19);
  combo->SetDroppedDown(false);
  EXPECT_EQ(combo->closed, 1);

  // Read-only: typed keys go nowhere, a click in the list still chooses.
  combo->SetEditReadOnly(true);
  EXPECT_TRUE(combo->EditReadOnly());
  testing::KeyClicks(testing::KeyTarget(combo), "xy");
  EXPECT_EQ(combo->Text(), "");
  int selected = 0;
  combo->OnSelect = [&](TObject*) { ++selected; };
  combo->SetDroppedDown(true);
  QApplication::processEvents();
  QAbstractItemView* view = qcombo->view();
  testing::MouseClick(view->viewport(), view->visualRect(qcombo->model()->index(2, 0)).center());
  QApplication::processEvents();
  EXPECT_EQ(combo->Text(), "สาม");
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(combo->closed, 2);
}

// A box that draws its frame can have owner-drawn items too: the closed field's item goes into
// its editor's place, and going back to a typed style hands the lines back to the style.
TEST(ComboFrame, OwnerDrawnItemsSitInTheOwnerDrawnFrame) {
  TForm form(nullptr);
  form.SetBounds(50, 50, 300, 200);
  auto* combo = new TSelfDrawnCombo(&form);
  combo->SetParent(&form);
  combo->SetBounds(10, 10, 120, 24);
  combo->SetStyle(csOwnerDrawFixed);
  combo->SetItemHeight(22);
  for (const char* s : {"หนึ่ง", "สอง", "สาม"}) combo->Items()->Add(s);
  combo->SetItemIndex(1);
  struct Drawn {
    int index;
    TRect rect;
    bool closedField;
  };
  std::vector<Drawn> drawn;
  combo->OnDrawItem = [&](TWinControl* control, int index, const TRect& r, TOwnerDrawState state) {
    drawn.push_back({index, r, state.Contains(odComboBoxEdit)});
    TCanvas* c = static_cast<TCustomComboBox*>(control)->Canvas();
    c->Brush().SetColor(clBlue);
    c->FillRect(r);
  };
  form.Show();
  QApplication::processEvents();

  QImage picture = testing::Snapshot(combo);
  EXPECT_EQ(picture.pixelColor(0, 0), QColor(Qt::green)) << "the frame is still the box's own";
  EXPECT_EQ(picture.pixelColor(40, 12), QColor(Qt::blue));
  EXPECT_EQ(picture.pixelColor(100, 12), QColor(Qt::green)) << "the item stays inside the editor's place";
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.back().index, 1);
  EXPECT_TRUE(drawn.back().closedField);
  EXPECT_EQ(drawn.back().rect, Rect(20, 4, 90, 20));

  auto* qcombo = static_cast<QComboBox*>(WidgetOf(combo));
  drawn.clear();
  combo->SetDroppedDown(true);
  ASSERT_TRUE(testing::WaitFor([&] { return qcombo->view()->isVisible(); }));
  qcombo->view()->grab();
  combo->SetDroppedDown(false);
  EXPECT_EQ(qcombo->view()->visualRect(qcombo->model()->index(2, 0)).height(), 22);
  ASSERT_FALSE(drawn.empty());
  EXPECT_FALSE(drawn.front().closedField);
  EXPECT_EQ(drawn.front().rect.Bottom - drawn.front().rect.Top, 22);

  combo->SetStyle(csDropDown);
  ASSERT_NE(qcombo->lineEdit(), nullptr);
  EXPECT_EQ(qcombo->lineEdit()->geometry(), QRect(20, 4, 70, 16)) << "the new editor goes where the box says";
  drawn.clear();
  combo->SetDroppedDown(true);
  ASSERT_TRUE(testing::WaitFor([&] { return qcombo->view()->isVisible(); }));
  qcombo->view()->grab();
  combo->SetDroppedDown(false);
  EXPECT_TRUE(drawn.empty()) << "a typed box's lines are the style's";
  EXPECT_EQ(qcombo->view()->visualRect(qcombo->model()->index(0, 0)).height(), 22);
}

}  // namespace
}  // namespace orv
