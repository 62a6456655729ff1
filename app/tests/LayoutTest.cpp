// Every editor of the record pages lies inside the window at its size, labelled, and clear of
// its neighbours.
#include "app/Churches.h"
#include "app/MarriageNotices.h"
#include "app/Statistics.h"
#include "app/tests/ParishFixture.h"
#include "platform/gui/FormImage.h"
#include "platform/gui/Picture.h"

namespace orv::test {

namespace {

TRect ScreenRect(const TControl* c) {
  TPoint p = c->ClientToScreen(TPoint{0, 0});
  return TRect{p.X, p.Y, p.X + c->Width(), p.Y + c->Height()};
}

// Brings the pages that hold c to the front, so that their sizes are laid out.
void ShowPagesOf(const TControl* c) {
  for (TWinControl* p = c->Parent(); p; p = p->Parent())
    if (auto* sheet = dynamic_cast<TTabSheet*>(p)) sheet->PageControl()->SetActivePage(sheet);
  Application->ProcessMessages();
}

bool Overlap(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

}  // namespace

using LayoutTest = ParishTest;

TEST_F(LayoutTest, EditorsAreInsideTheWindowLabelledAndApart) {
  MakeEmpty();
  TForm1* f = Start();
  f->Show();
  Application->ProcessMessages();
  // A 1366 x 768 screen, with a title bar of the height common desktop themes give it.
  const int titleBar = 32;
  EXPECT_LE(f->Width(), 1366);
  EXPECT_LE(f->Height() + titleBar, 768);
  EXPECT_EQ(f->Caption(), "OrvaneIDv4.5");
  TRect client = ScreenRect(f);
  client.Bottom = client.Top + f->ClientHeight();

  std::vector<TFieldBinding> fields = f->MemberFields();
  fields.insert(fields.end(), f->MoveFields().begin(), f->MoveFields().end());
  std::vector<std::pair<const TControl*, TRect>> placed;
  for (const TFieldBinding& b : fields) {
    SCOPED_TRACE(b.Column);
    std::vector<const TControl*> parts{b.Editor};
    if (b.Picker) parts.push_back(b.Picker);
    for (const TControl* c : parts) {
      ShowPagesOf(c);
      EXPECT_TRUE(c->Visible());
      TRect r = ScreenRect(c);
      TRect parent = ScreenRect(c->Parent());
      EXPECT_GE(r.Left, parent.Left);
      EXPECT_GE(r.Top, parent.Top);
      EXPECT_LE(r.Right, parent.Left + c->Parent()->ClientWidth());
      EXPECT_LE(r.Bottom, parent.Top + c->Parent()->ClientHeight());
      EXPECT_LE(r.Right, client.Right);
      EXPECT_LE(r.Bottom, client.Bottom);
      for (const auto& [other, rect] : placed)
        if (other->Parent() == c->Parent() && other != c) {
          EXPECT_FALSE(Overlap(r, rect));
        }
      placed.emplace_back(c, r);
    }
    if (auto* edit = dynamic_cast<TLabeledEdit*>(b.Editor)) {
      EXPECT_FALSE(edit->EditLabel()->Caption().empty());
    } else if (!dynamic_cast<TLabel*>(b.Editor)) {
      bool labelled = false;
      for (int i = 0; i < f->ComponentCount(); ++i)
        if (auto* label = dynamic_cast<TLabel*>(f->Components(i)))
          labelled = labelled || (label->FocusControl() == b.Editor && !label->Caption().empty());
      EXPECT_TRUE(labelled);
    }
  }
  EXPECT_EQ(fields.size(), 83u + 10u);
}

TEST_F(LayoutTest, OtherWindowsKeepEveryControlInsideItsParentAndApartFromItsNeighbours) {
  MakeDemo(20);
  Form1 = Start();
  std::unique_ptr<TForm> windows[] = {std::make_unique<TForm2>(Application),
                                      std::make_unique<TForm3>(Application),
                                      std::make_unique<TForm4>(Application)};
  for (auto& window : windows) {
    TForm* f = window.get();
    SCOPED_TRACE(f->ClassName());
    EXPECT_LE(f->Width(), 1280);
    EXPECT_LE(f->Height(), 800);
    std::vector<std::pair<const TControl*, TRect>> placed;
    for (int i = 0; i < f->ComponentCount(); ++i) {
      auto* c = dynamic_cast<TControl*>(f->Components(i));
      // A panel hidden until asked for lies over the others when shown.
      if (!c || !c->Parent() || !c->Visible() || dynamic_cast<TBoundLabel*>(c)) continue;
      SCOPED_TRACE(c->ClassName() + " " + c->Caption());
      TRect r{c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()};
      EXPECT_GE(r.Left, 0);
      EXPECT_GE(r.Top, 0);
      EXPECT_LE(r.Right, c->Parent()->ClientWidth());
      EXPECT_LE(r.Bottom, c->Parent()->ClientHeight());
      // Captions may touch what they name; editors, boxes and buttons may not touch each other.
      if (dynamic_cast<TLabel*>(c)) continue;
      for (const auto& [other, rect] : placed)
        if (other->Parent() == c->Parent()) {
          EXPECT_FALSE(Overlap(r, rect)) << other->ClassName() << " " << other->Caption();
        }
      placed.emplace_back(c, r);
    }
    EXPECT_GT(placed.size(), 10u);
  }
  for (auto& window : windows) window.reset();
  Form1 = nullptr;
}

// The colour of the form's pixel at a point of control's client area.
class TFormPixels {
 public:
  explicit TFormPixels(TForm1* f) : form_(f), image_(GetFormImage(*f)) {
    image_->SetPixelFormat(pf24bit);
  }
  unsigned At(const TControl* c, int x, int y) const {
    // The form's own origin is the top of its window, menu bar included, as in the picture.
    TPoint p = c->ClientToScreen(TPoint{x, y});
    TPoint origin = form_->ClientToScreen(TPoint{0, 0});
    const Byte* row = image_->ScanLine(p.Y - origin.Y);
    int ix = p.X - origin.X;
    return row[3 * ix] | row[3 * ix + 1] << 8 | row[3 * ix + 2] << 16;
  }

 private:
  TForm1* form_;
  std::unique_ptr<TBitmap> image_;
};

TEST_F(LayoutTest, GroupCaptionsClearTheirControlsAndBoxesHideWhatIsBehindThem) {
  MakeDemo(20);
  TForm1* f = Start();
  f->Show();
  Application->ProcessMessages();
  int captioned = 0;
  for (int i = 0; i < f->ComponentCount(); ++i) {
    auto* box = dynamic_cast<TGroupBox*>(f->Components(i));
    if (!box || box->Caption().empty()) continue;
    ++captioned;
    SCOPED_TRACE(box->Caption());
    TRect caption = box->CaptionRect();
    EXPECT_GT(caption.Height(), 0);
    for (int c = 0; c < box->ControlCount(); ++c) {
      const TControl* child = box->Controls(c);
      TRect r{child->Left(), child->Top(), child->Left() + child->Width(), child->Top() + child->Height()};
      EXPECT_FALSE(Overlap(r, caption)) << child->ClassName() << " at " << r.Left << "," << r.Top << " caption bottom " << caption.Bottom;
    }
  }
  EXPECT_GE(captioned, 2);  // the search panel and the death register

  // The settings panel and the envelope panel lie over the personal page's white boxes: none
  // of that white may show through where the panels have nothing of their own.
  f->LumSmoothTabPager1->SetActivePage(f->LumSmoothTabPage1);
  for (TWinControl* panel : std::initializer_list<TWinControl*>{f->GroupBox3, f->Panel4}) {
    f->GroupBox3->Hide();
    f->Panel4->Hide();
    panel->Show();
    panel->BringToFront();
    Application->ProcessMessages();
    TFormPixels pixels(f);
    int white = 0, seen = 0;
    for (int y = 24; y < panel->Height() - 4; y += 3) {
      for (int x = 4; x < panel->Width() - 4; x += 3) {
        bool covered = false;
        for (int c = 0; c < panel->ControlCount() && !covered; ++c) {
          const TControl* child = panel->Controls(c);
          covered = child->Visible() && x >= child->Left() - 2 && x < child->Left() + child->Width() + 2 &&
                    y >= child->Top() - 2 && y < child->Top() + child->Height() + 2;
        }
        if (covered) continue;
        ++seen;
        white += pixels.At(panel, x, y) == 0xFFFFFF;
      }
    }
    EXPECT_GT(seen, 1000);
    EXPECT_EQ(white, 0);
  }
}

TEST_F(LayoutTest, EditableBoxesAreWhiteAndReadOnlyTextsAreNot) {
  MakeDemo(20);
  TForm1* f = Start();
  f->Show();
  f->LumSmoothTabPager1->SetActivePage(f->LumSmoothTabPage1);
  Application->ProcessMessages();
  TFormPixels pixels(f);
  // The right end of each box, past any text it holds.
  auto inside = [&](const TControl* c) { return pixels.At(c, c->Width() - 8, c->Height() / 2); };
  // A date typed beside its picker takes typing: its box is white too.
  for (const TControl* c : std::initializer_list<const TControl*>{f->LabeledEdit1, f->LabeledEdit2, f->LabeledEdit7, f->Memo1, f->Edit1, f->LabeledEdit70})
    EXPECT_EQ(inside(c), 0xFFFFFFu);
  for (const TControl* c : std::initializer_list<const TControl*>{f->LabeledEdit17, f->Edit3})
    EXPECT_NE(inside(c), 0xFFFFFFu);
}

}  // namespace orv::test
