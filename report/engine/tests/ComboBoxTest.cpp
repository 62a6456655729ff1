// The flat combo box and the tool-bar panel driven through real events offscreen: what they
// paint at rest, under the mouse, with the focus and disabled; the list's size and where it
// opens; the read-only editor.
#include <gtest/gtest.h>

#include <optional>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Screen.h"
#include "platform/gui/ToolBar.h"
#include "platform/gui/tests/ControlTesting.h"
#include "platform/rtl/StringList.h"
#include "report/engine/ComboBox.h"
#include "report/engine/ToolBarPanel.h"

using namespace orv;
using namespace orv::testing;

namespace {

TColor PixelAt(TControl* control, int x, int y) {
  Application->ProcessMessages();
  return PaintedPixel(control, x, y);
}

struct ComboOnForm {
  ComboOnForm() {
    form.SetBounds(100, 100, 300, 200);
    // Takes the focus when the form shows, so the box starts at rest.
    other = new TEdit(&form);
    other->SetParent(&form);
    other->SetBounds(10, 100, 80, 21);
    combo = new TkvxComboBox(&form);
    combo->SetParent(&form);
    combo->SetLeft(10);
    combo->SetTop(10);
    form.Show();
    other->SetFocus();
    Application->ProcessMessages();
  }
  TForm form{nullptr};
  TEdit* other;
  TkvxComboBox* combo;
};

}  // namespace

TEST(FlatComboBox, BlendMixesByPercentOrByTenthsAndResolvesSystemColours) {
  TColor first = RGB(200, 100, 0), second = RGB(0, 100, 255);
  // (200*30 + 0*70 + 50) div 100 = 60; (255*70 + 50) div 100 = 179.
  EXPECT_EQ(kvxBlendColors(first, second, 30), RGB(60, 100, 179));
  EXPECT_EQ(kvxBlendColors(first, second, 300), RGB(60, 100, 179));
  // From 100 on the scale is a thousand: 100 is a tenth of the first colour.
  EXPECT_EQ(kvxBlendColors(first, second, 100), RGB(20, 100, 230));
  EXPECT_EQ(kvxBlendColors(clWindow, clBlack, 50), RGB(128, 128, 128));
  EXPECT_EQ(kvxBlendColors(clWhite, clBlack, 0), clBlack);
}

TEST(FlatComboBox, DefaultsAndTheHeightOfItsList) {
  ComboOnForm f;
  TkvxComboBox* c = f.combo;
  EXPECT_EQ(c->Width(), 100);
  EXPECT_EQ(c->ButtonWidth(), 11);
  EXPECT_EQ(c->DropDownCount(), 8);
  int line = c->ItemHeight();
  ASSERT_GT(line, 0);
  EXPECT_EQ(c->DropDownHeight(), line + 2);
  for (int i = 0; i < 3; ++i) c->Items()->Add("item " + std::to_string(i));
  EXPECT_EQ(c->DropDownHeight(), 3 * line + 2);
  for (int i = 3; i < 20; ++i) c->Items()->Add("item " + std::to_string(i));
  EXPECT_EQ(c->DropDownHeight(), 8 * line + 2);
  c->Font()->SetSize(c->Font()->Size() * 2);
  EXPECT_GT(c->ItemHeight(), line);

  // The editor leaves room for the frame and the button: (3, 3), 100 - 11 - 8 wide.
  std::optional<TRect> edit = ComboEditorBounds(c);
  ASSERT_TRUE(edit.has_value());
  EXPECT_EQ(*edit, Rect(3, 3, 3 + 81, 3 + c->Height() - 6));
  c->SetChildLeft(16);
  EXPECT_EQ(ComboEditorBounds(c), Rect(19, 3, 19 + 65, 3 + c->Height() - 6));
}

TEST(FlatComboBox, ListTakesItsOwnWidthAndOpensUpwardsNearTheScreenBottom) {
  ComboOnForm f;
  TkvxComboBox* c = f.combo;
  for (const char* z : {"25%", "50%", "75%", "100%", "150%", "200%", "Page width", "Whole page"})
    c->Items()->Add(z);
  c->SetListWidth(160);
  c->SetDroppedDown(true);
  Application->ProcessMessages();
  ASSERT_TRUE(ComboListShown(c));
  TRect list = ComboListBounds(c);
  EXPECT_EQ(list.Width(), 160);
  EXPECT_EQ(list.Height(), c->DropDownHeight());
  EXPECT_FALSE(c->DropUp());
  EXPECT_EQ(list.Top, c->ClientToScreen(Point(0, c->Height())).Y);
  c->SetDroppedDown(false);

  c->SetListWidth(0);
  f.form.SetTop(Screen->Height() - 60);
  Application->ProcessMessages();
  c->SetDroppedDown(true);
  Application->ProcessMessages();
  EXPECT_TRUE(c->DropUp());
  list = ComboListBounds(c);
  EXPECT_EQ(list.Width(), c->Width());
  EXPECT_EQ(list.Bottom, c->ClientToScreen(Point(0, 0)).Y);
  c->SetDroppedDown(false);
}

TEST(FlatComboBox, FrameAndButtonLightUpUnderTheMouseAndWithTheFocus) {
  ComboOnForm f;
  TkvxComboBox* c = f.combo;
  int w = c->Width(), h = c->Height();
  ASSERT_EQ(h, 21);
  // Arrow: x = round(11 / 2) + 100 - 11 - 4 = 91, y = round(17 / 2) + 1 = 9; rows of 5, 3, 1.
  auto arrowShown = [&](TColor colour) {
    return PixelAt(c, 91, 9) == colour && PixelAt(c, 95, 9) == colour && PixelAt(c, 96, 9) != colour &&
           PixelAt(c, 92, 10) == colour && PixelAt(c, 91, 10) != colour && PixelAt(c, 93, 11) == colour &&
           PixelAt(c, 92, 11) != colour;
  };
  TColor face = ColorToRGB(clBtnFace), highlight = ColorToRGB(clHighlight);
  TColor hotFill = kvxBlendColors(clHighlight, clWindow, 30);
  EXPECT_EQ(PixelAt(c, 0, 0), face);
  EXPECT_EQ(PixelAt(c, w - 3, 3), face);
  EXPECT_EQ(PixelAt(c, 1, h / 2), ColorToRGB(clWindow));
  EXPECT_TRUE(arrowShown(ColorToRGB(clBtnText)));
  EXPECT_FALSE(c->MouseInControl());

  EnterMouse(c);
  EXPECT_TRUE(c->MouseInControl());
  EXPECT_EQ(PixelAt(c, 0, 0), highlight);
  EXPECT_EQ(PixelAt(c, w - 3, 3), hotFill);
  // The separator left of the button.
  EXPECT_EQ(PixelAt(c, w - 4 - 11, h / 2), highlight);
  LeaveMouse(c);
  EXPECT_FALSE(c->MouseInControl());
  EXPECT_EQ(PixelAt(c, 0, 0), face);

  c->SetFocus();
  Application->ProcessMessages();
  EXPECT_EQ(PixelAt(c, 0, 0), highlight);
}

TEST(FlatComboBox, DisabledBoxIsGreyAndStaysDarkUnderTheMouse) {
  ComboOnForm f;
  TkvxComboBox* c = f.combo;
  c->SetEnabled(false);
  EnterMouse(c);
  EXPECT_FALSE(c->MouseInControl());
  EXPECT_EQ(PixelAt(c, 0, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(PixelAt(c, 93, 11), ColorToRGB(clGrayText));
  c->SetEnabled(true);
  EXPECT_EQ(PixelAt(c, 0, 0), ColorToRGB(clBtnFace));
}

TEST(FlatComboBox, ReadOnlyRefusesTypingButTheListStillChooses) {
  ComboOnForm f;
  TkvxComboBox* c = f.combo;
  for (const char* z : {"25%", "50%", "75%"}) c->Items()->Add(z);
  int changes = 0, clicks = 0;
  c->OnChange = [&](TObject*) { ++changes; };
  c->OnClick = [&](TObject*) { ++clicks; };
  c->SetItemIndex(-1);
  c->SetReadOnly(true);
  EXPECT_TRUE(c->ReadOnly());
  c->SetFocus();
  TypeText(c, "150");
  EXPECT_EQ(c->Text(), "");
  EXPECT_EQ(changes, 0);

  c->SetDroppedDown(true);
  Application->ProcessMessages();
  ClickComboListItem(c, 1);
  Application->ProcessMessages();
  EXPECT_EQ(c->Text(), "50%");
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(c->DroppedDown());

  c->SetReadOnly(false);
  c->SetText("");
  TypeText(c, "150");
  EXPECT_EQ(c->Text(), "150");
  EXPECT_GT(changes, 0);
}

TEST(ToolBarPanel, FollowsTheBarItSitsInAndCarriesTheZoomBox) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  // A panel in a bar down the left side, and one in a bar along the top.
  auto* leftBar = new TPanel(&form);
  leftBar->SetParent(&form);
  leftBar->SetAlign(alLeft);
  auto* side = new TPanel(&form);
  side->SetParent(leftBar);
  auto* topBar = new TPanel(&form);
  topBar->SetParent(&form);
  topBar->SetAlign(alTop);
  auto* top = new TPanel(&form);
  top->SetParent(topBar);
  auto* inSide = new TkvxTBPanel(&form);
  EXPECT_EQ(inSide->Align(), alLeft);
  EXPECT_EQ(inSide->Width(), 8);
  EXPECT_EQ(inSide->BevelOuter(), bvNone);
  EXPECT_EQ(inSide->BevelInner(), bvNone);
  inSide->SetParent(side);
  EXPECT_EQ(inSide->Align(), alTop);
  auto* inTop = new TkvxTBPanel(&form);
  inTop->SetParent(top);
  EXPECT_EQ(inTop->Align(), alLeft);

  auto* bar = new TToolBar(&form);
  bar->SetParent(&form);
  auto* first = new TToolButton(&form);
  first->SetParent(bar);
  auto* holder = new TkvxTBPanel(&form);
  holder->SetParent(bar);
  holder->SetWidth(60);
  auto* zoom = new TkvxComboBox(holder);
  zoom->SetParent(holder);
  zoom->SetBounds(0, 0, 60, 21);
  auto* last = new TToolButton(&form);
  last->SetParent(bar);
  form.Show();
  Application->ProcessMessages();
  EXPECT_EQ(holder->Align(), alLeft);
  EXPECT_EQ(holder->Left(), first->Left() + first->Width());
  EXPECT_EQ(last->Left(), holder->Left() + 60);
  EXPECT_EQ(PixelAt(holder, 2, holder->Height() - 1), ColorToRGB(clBtnFace));
  EXPECT_EQ(PixelAt(zoom, 1, 10), ColorToRGB(clWindow));
}
