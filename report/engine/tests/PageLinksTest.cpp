// The mouse over a prepared page shown in the preview: links to pages and anchors move the
// preview, hints reach the control, and passing over or clicking a view reaches the report.
#include <gtest/gtest.h>

#include "platform/gui/Application.h"
#include "platform/gui/Cursors.h"
#include "platform/gui/Forms.h"
#include "report/engine/Preview.h"
#include "report/engine/tests/StoreTestSupport.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"

namespace orv::test {
namespace {

// A list of three pages shown in a preview, with four views on the title band of each page:
// a link to page 2, a link to an anchor, a view with a hint and a cursor of its own, and a
// plain caption. Each is 40 pixels wide and 20 high at y 5, from x 320 on.
struct TLinkedList {
  TLinkedList() {
    form.SetBounds(0, 0, 900, 700);
    preview = new TkvxPreview(&form);
    preview->SetParent(&form);
    preview->SetAlign(alClient);
    form.Show();
    auto view = [&](const char* name, int left) {
      auto* v = new TkvxMemoView(list.Title);
      v->SetName(name);
      v->SetBounds(left, 5, 40, 20);
      v->SetText(kvxUtf8ToWide(name));
      return v;
    };
    view("ToPage", 320)->SetURL("@2");
    view("ToAnchor", 370)->SetURL("#บัญชีรับบาป");
    TkvxMemoView* hinted = view("Hinted", 420);
    hinted->SetHint("Baptism|Baptised at St Joseph");
    hinted->SetShowHint(true);
    hinted->SetCursor(crCross);
    hinted->SetURL("ftp://example.org/register");
    view("Caption", 470);
    list.Report->SetPreview(preview);
    list.Run(45);
    // The anchor on the third page, 200 pixels down.
    list.Pages->CurPage = 2;
    list.Pages->AddAnchor("บัญชีรับบาป");
    list.Pages->FindAnchor("บัญชีรับบาป")->SetProp("top", "200");
    Application->ProcessMessages();
  }
  ~TLinkedList() { list.Report->SetPreview(nullptr); }

  TCursor Over(int x, int y, bool click = false) {
    TCursor cursor = crDefault;
    list.Pages->ObjectOver(0, x, y, mbLeft, {}, 1, 0, 0, click, cursor);
    return cursor;
  }

  TListReport list;
  TForm form{nullptr};
  TkvxPreview* preview;
};

TEST(PageLinks, PageAndAnchorLinksMoveThePreview) {
  TLinkedList shown;
  TkvxPreview& preview = *shown.preview;
  EXPECT_EQ(shown.Over(330, 10), crHandPoint);
  EXPECT_EQ(preview.PageNo(), 1) << "passing over a link follows nothing";
  shown.Over(330, 10, true);
  EXPECT_EQ(preview.PageNo(), 2);

  // The anchor's place, as the preview puts a page and a height within it at the top.
  preview.SetPosition(3, 200);
  Integer atAnchor = preview.Workspace()->VertPosition();
  preview.SetPosition(3, 0);
  ASSERT_NE(preview.Workspace()->VertPosition(), atAnchor);
  preview.SetPosition(1, 0);
  EXPECT_EQ(shown.Over(380, 10, true), crHandPoint);
  EXPECT_EQ(preview.Workspace()->VertPosition(), atAnchor);

  // Links to what the report does not have leave the preview where it is.
  for (const char* url : {"#nowhere", "@", "@x", "@0"}) {
    std::shared_ptr<TkvxReportPage> page = shown.list.Pages->GetPageShared(0);
    static_cast<TkvxView*>(page->FindObject("ToAnchor"))->SetURL(url);
    shown.list.Pages->ModifyPage(0, page.get());
    preview.SetPosition(1, 0);
    Integer position = preview.Workspace()->VertPosition(), pageNo = preview.PageNo();
    shown.Over(380, 10, true);
    EXPECT_EQ(preview.Workspace()->VertPosition(), position) << url;
    EXPECT_EQ(preview.PageNo(), pageNo) << url;
  }
}

TEST(PageLinks, HintsGoToThePreviewAndTheReportHearsOfTheMouse) {
  TLinkedList shown;
  TkvxPreview& preview = *shown.preview;
  TkvxReport& report = *shown.list.Report;
  std::vector<String> over;
  report.OnMouseOverObject = [&](TkvxComponent* view, TCursor& cursor) {
    over.push_back(view->Name());
    if (view->Name() == "Caption") cursor = crIBeam;
  };
  std::vector<String> clicked;
  report.OnClickObject = [&](TkvxComponent* view, TMouseButton, TShiftState, bool& modified) {
    clicked.push_back(view->Name());
    // The click changes the caption on the page, as a tick box in a report would.
    if (auto* memo = dynamic_cast<TkvxMemoView*>(view)) {
      memo->SetText(kvxUtf8ToWide("ติ๊ก"));
      modified = true;
    }
  };

  // Its own cursor wins over the hand of its link; the short hint pops up.
  EXPECT_EQ(shown.Over(430, 10), crCross);
  EXPECT_EQ(preview.Hint(), "Baptism");
  EXPECT_TRUE(preview.ShowHint());
  // Away from it, the hint no longer shows; the handler chose the caption's cursor.
  EXPECT_EQ(shown.Over(480, 10), crIBeam);
  EXPECT_FALSE(preview.ShowHint());
  EXPECT_EQ(over, (std::vector<String>{"Hinted", "Caption"}));
  EXPECT_TRUE(clicked.empty());

  // A click on a view without a link still reaches the report, and what it changed stays.
  shown.Over(480, 10, true);
  EXPECT_EQ(clicked, (std::vector<String>{"Caption"}));
  std::shared_ptr<TkvxReportPage> page = shown.list.Pages->GetPageShared(0);
  auto* caption = dynamic_cast<TkvxMemoView*>(page->FindObject("Caption"));
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(kvxWideToUtf8(caption->Memo()->Text()), "ติ๊ก\r\n");
  // The other pages' captions are as they were.
  caption = dynamic_cast<TkvxMemoView*>(shown.list.Pages->GetPageShared(1)->FindObject("Caption"));
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(kvxWideToUtf8(caption->Memo()->Text()), "Caption\r\n");

  // An ftp link is clicked like any view, and opens nothing.
  shown.Over(430, 10, true);
  EXPECT_EQ(clicked, (std::vector<String>{"Caption", "Hinted"}));
  EXPECT_EQ(preview.PageNo(), 1);

  // Without report hints the control's hint stays its own.
  preview.SetHint("preview");
  preview.UseReportHints = false;
  shown.Over(430, 10);
  EXPECT_EQ(preview.Hint(), "preview");
}

}  // namespace
}  // namespace orv::test
