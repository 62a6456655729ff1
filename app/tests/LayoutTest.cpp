// Every editor of the record pages lies inside the window at its size, labelled, and clear of
// its neighbours.
#include "app/Churches.h"
#include "app/MarriageNotices.h"
#include "app/Statistics.h"
#include "app/tests/ParishFixture.h"
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
  EXPECT_LE(f->Width(), 1280);
  EXPECT_LE(f->Height(), 800);
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

}  // namespace orv::test
