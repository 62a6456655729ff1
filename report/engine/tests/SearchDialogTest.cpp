// The search dialog: its texts, and the text searched for last, which comes back selected in
// the next dialog after OK and not after Cancel.
#include <gtest/gtest.h>

#include "platform/gui/Forms.h"
#include "platform/gui/Keys.h"
#include "platform/gui/tests/ControlTesting.h"
#include "report/engine/SearchDialog.h"

using namespace orv;
using namespace orv::testing;

namespace {

// Opens a dialog, lets check look at it and answer, and returns the result.
TModalResult Ask(const std::function<void(TkvxSearchDialog&)>& check) {
  TkvxSearchDialog dialog(nullptr);
  After(40, [&] { check(dialog); });
  return dialog.ShowModal();
}

void TypeInto(TEdit* edit, const std::string& text) {
  edit->SelectAll();
  TypeKey(edit, VK_DELETE);
  TypeText(edit, text);
}

}  // namespace

TEST(SearchDialog, RemembersTheLastTextSearchedForAndOffersItSelected) {
  EXPECT_EQ(Ask([](TkvxSearchDialog& d) {
              EXPECT_EQ(d.Caption(), "Find Text");
              EXPECT_EQ(d.ClientWidth(), 276);
              EXPECT_EQ(d.ClientHeight(), 154);
              EXPECT_EQ(d.TextL->Caption(), "Text to find:");
              EXPECT_EQ(d.TopCB->Caption(), "Search from beginning");
              EXPECT_EQ(d.CaseCB->Caption(), "Case sensitive");
              EXPECT_FALSE(d.ReplacePanel->Visible());
              EXPECT_EQ(d.TextE->Text(), "");
              TypeInto(d.TextE, "ศีลล้างบาป");
              ClickMouse(d.CaseCB, 5, 8);
              ClickMouse(d.OkB, 10, 10);
            }),
            mrOk);

  EXPECT_EQ(Ask([](TkvxSearchDialog& d) {
              EXPECT_EQ(d.TextE->Text(), "ศีลล้างบาป");
              EXPECT_TRUE(d.TextE->Focused());
              EXPECT_EQ(d.TextE->SelStart(), 0);
              EXPECT_EQ(d.TextE->SelLength(), 10);
              EXPECT_FALSE(d.CaseCB->Checked());
              // Typing over the selection replaces it; Cancel forgets what was typed.
              TypeText(d.TextE, "Somchai");
              EXPECT_EQ(d.TextE->Text(), "Somchai");
              ClickMouse(d.CancelB, 10, 10);
            }),
            mrCancel);

  EXPECT_EQ(Ask([](TkvxSearchDialog& d) {
              EXPECT_EQ(d.TextE->Text(), "ศีลล้างบาป");
              // An empty text is accepted as it is.
              TypeInto(d.TextE, "");
              TypeKey(d.TextE, VK_RETURN);
            }),
            mrOk);
  EXPECT_EQ(Ask([](TkvxSearchDialog& d) {
              EXPECT_EQ(d.TextE->Text(), "");
              TypeKey(d.TextE, VK_ESCAPE);
            }),
            mrCancel);
}
