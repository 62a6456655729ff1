// The preview window: which commands the report's buttons show, one export entry per kind of
// filter, the zoom and page-number boxes, the page counter, and Escape that cancels a run and
// then closes the window.
#include <gtest/gtest.h>

#include "platform/gui/Forms.h"
#include "platform/gui/tests/ControlTesting.h"
#include "report/engine/PreviewForm.h"
#include "platform/gui/Timers.h"
#include "report/engine/tests/EngineTestSupport.h"
#include "report/engine/tests/StoreTestSupport.h"

namespace orv {
namespace {

using namespace orv::test;
using namespace orv::testing;

class TCsvLikeFilter : public TkvxCustomExportFilter {
  ORV_CLASS(TCsvLikeFilter, TkvxCustomExportFilter)

 public:
  using TkvxCustomExportFilter::TkvxCustomExportFilter;
  String GetDescription() const override { return "Table"; }
  void ExportObject(TkvxComponent*) override {}
};

class TSheetLikeFilter : public TkvxCustomExportFilter {
  ORV_CLASS(TSheetLikeFilter, TkvxCustomExportFilter)

 public:
  using TkvxCustomExportFilter::TkvxCustomExportFilter;
  String GetDescription() const override { return "Sheet"; }
  void ExportObject(TkvxComponent*) override {}
};

ORV_IMPLEMENT_CLASS(TCsvLikeFilter, c) {}
ORV_IMPLEMENT_CLASS(TSheetLikeFilter, c) {}

struct TShownForm {
  explicit TShownForm(int rows) {
    form = new TkvxPreviewForm(nullptr);
    form->Show();
    list.Report->SetPreview(form->Preview());
    list.Run(rows);
    form->Init();
    QApplication::processEvents();
  }
  ~TShownForm() {
    list.Report->SetPreview(nullptr);
    delete form;
  }
  TListReport list;
  TkvxPreviewForm* form;
};

TEST(PreviewForm, ButtonsFollowTheReportAndEachFilterKindIsListedOnce) {
  TCsvLikeFilter csv1(nullptr), csv2(nullptr);
  TSheetLikeFilter sheet(nullptr);
  TShownForm s(60);
  TkvxPreviewForm& f = *s.form;
  ASSERT_EQ(f.ExportPopup->Items()->Count(), 2);
  EXPECT_EQ(f.ExportPopup->Items()->Items(0)->Caption(), "Table...");
  EXPECT_EQ(f.ExportPopup->Items()->Items(1)->Caption(), "Sheet...");
  EXPECT_TRUE(f.ZoomPlusB->Visible());
  EXPECT_TRUE(f.PrintB->Enabled());

  s.list.Report->PreviewOptions()->Buttons.Exclude(pbZoom);
  s.list.Report->PreviewOptions()->Buttons.Exclude(pbPrint);
  f.Init();
  EXPECT_FALSE(f.ZoomPlusB->Visible());
  EXPECT_FALSE(f.ZoomMinusB->Visible());
  EXPECT_FALSE(f.Sep3->Visible());
  EXPECT_FALSE(f.Sep1->Visible());
  EXPECT_FALSE(f.PrintB->Visible());
  EXPECT_TRUE(f.FindB->Visible());
}

TEST(PreviewForm, ZoomAndPageBoxesAndThePageCounter) {
  TShownForm s(100);
  TkvxPreviewForm& f = *s.form;
  f.ZoomCB->SetText("150 %");
  f.ZoomCBClick();
  EXPECT_DOUBLE_EQ(f.Preview()->Zoom(), 1.5);
  EXPECT_EQ(f.ZoomCB->Text(), "150%");
  f.ZoomCB->SetText("ไม่ใช่ตัวเลข");
  f.ZoomCBClick();
  EXPECT_DOUBLE_EQ(f.Preview()->Zoom(), 1.5);
  f.ZoomCB->SetItemIndex(6);
  f.ZoomCBClick();
  EXPECT_EQ(f.Preview()->ZoomMode(), zmPageWidth);
  EXPECT_EQ(f.ZoomCB->Text(), std::to_string(std::lround(f.Preview()->Zoom() * 100)) + "%");

  f.PageE->SetText("4");
  f.PageEClick();
  EXPECT_EQ(f.Preview()->PageNo(), 4);
  EXPECT_EQ(f.StatusBar->Panels()->Items(0)->Text(), "Page 4 of 5");
  f.LastB->Click();
  EXPECT_EQ(f.PageE->Text(), "5");
}

TEST(PreviewForm, EscapeCancelsARunThenClosesTheWindow) {
  TShownForm s(40);
  TkvxPreviewForm& f = *s.form;
  f.Preview()->ProgressStart(ptRunning);
  EXPECT_EQ(f.CancelB->Caption(), "Cancel");
  EXPECT_FALSE(f.PrintB->Enabled());
  TypeKey(&f, VK_ESCAPE);
  EXPECT_TRUE(s.list.Report->Terminated);
  EXPECT_TRUE(f.Visible());
  f.Close();
  EXPECT_TRUE(f.Visible());
  f.Preview()->ProgressStop(ptRunning);
  EXPECT_EQ(f.CancelB->Caption(), "Close");
  TypeKey(&f, VK_ESCAPE);
  EXPECT_FALSE(f.Visible());
}

// As the report shows itself: the window opens modally and a 50 ms timer starts the run inside
// its message loop, so pages appear in the open window while they are built.
TEST(PreviewForm, ReportRunsInsideTheOpenWindowAndPagesAppearAsItGoes) {
  RegisterStoreClasses();
  TEngineReport r(297);
  std::vector<std::map<String, Variant>> rows;
  for (int i = 0; i < 2000; ++i) rows.push_back({{"Name", "สมาชิก " + std::to_string(i + 1)}});
  auto* data = r.Band<TkvxMasterData>("Data", 0, 20);
  data->SetDataSet(r.Data("M", rows));
  r.MemoView(data, "Name", "[M.\"Name\"]");
  TkvxPreviewForm form(nullptr);
  r.Report->SetPreview(form.Preview());
  form.Init();
  bool shownWhileRunning = false;
  String cancelCaption;
  TkvxPageChangedEvent counter = form.Preview()->OnPageChanged;
  form.Preview()->OnPageChanged = [&](TObject* sender, Integer page) {
    counter(sender, page);
    if (form.Preview()->Running()) {
      shownWhileRunning |= form.Visible() && form.Preview()->Workspace()->Pages().Count() > 0;
      cancelCaption = form.CancelB->Caption();
    }
  };
  TTimer timer(nullptr);
  timer.SetInterval(50);
  timer.OnTimer = [&](TObject*) {
    timer.SetEnabled(false);
    r.Report->PrepareReport(false);
    form.Close();
  };
  form.ShowModal();
  EXPECT_TRUE(shownWhileRunning);
  EXPECT_EQ(cancelCaption, "Cancel");
  EXPECT_EQ(form.CancelB->Caption(), "Close");
  // 297 mm hold 56 rows of 20 pixels.
  EXPECT_EQ(form.StatusBar->Panels()->Items(0)->Text(), "Page 1 of " + std::to_string((2000 + 55) / 56));
  r.Report->SetPreview(nullptr);
}

}  // namespace
}  // namespace orv
