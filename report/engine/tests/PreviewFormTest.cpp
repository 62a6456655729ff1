// The preview window: which commands the report's buttons show, one export entry per kind of
// filter, the quick PDF and e-mail buttons and the right-click menu that mirrors the commands,
// the zoom and page-number boxes, the page counter, full screen, help, the mouse wheel, the
// drill-down menu, and Escape that cancels a run and then closes the window.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/gui/FormImage.h"
#include "platform/gui/Forms.h"
#include "platform/gui/tests/ControlTesting.h"
#include "platform/print/tests/CaptureTesting.h"
#include "report/engine/PreviewForm.h"
#include "report/model/Bands.h"
#include "report/model/PictureView.h"
#include "report/model/ReportUtils.h"
#include "report/model/Resources.h"
#include "platform/gui/ImageList.h"
#include "report/pdf/PdfExport.h"
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

// A filter under the name the window looks for when it offers sending by e-mail.
class TkvxMailExport : public TkvxCustomExportFilter {
  ORV_CLASS(TkvxMailExport, TkvxCustomExportFilter)

 public:
  using TkvxCustomExportFilter::TkvxCustomExportFilter;
  String GetDescription() const override { return "E-mail"; }
  bool Start() override {
    ++Exports;
    return false;
  }
  void ExportObject(TkvxComponent*) override {}
  int Exports = 0;
};

ORV_IMPLEMENT_CLASS(TCsvLikeFilter, c) {}
ORV_IMPLEMENT_CLASS(TSheetLikeFilter, c) {}
ORV_IMPLEMENT_CLASS(TkvxMailExport, c) {}

std::vector<std::string> Captions(TMenuItem* menu) {
  std::vector<std::string> captions;
  for (int i = 0; i < menu->Count(); ++i) captions.push_back(menu->Items(i)->Caption());
  return captions;
}

TMenuItem* ItemCaptioned(TMenuItem* menu, const std::string& caption) {
  for (int i = 0; i < menu->Count(); ++i)
    if (menu->Items(i)->Caption() == caption) return menu->Items(i);
  return nullptr;
}

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

  // The report's status texts reach the status bar: messages in the middle, hints at the right.
  s.list.Report->SetProgressMessage("ลิงก์ไปยังหน้า 3", false);
  s.list.Report->SetProgressMessage("ชื่อสัตบุรุษ", true);
  EXPECT_EQ(f.StatusBar->Panels()->Items(1)->Text(), "ลิงก์ไปยังหน้า 3");
  EXPECT_EQ(f.StatusBar->Panels()->Items(2)->Text(), "ชื่อสัตบุรุษ");
  EXPECT_EQ(f.StatusBar->Panels()->Items(1)->Width(), f.StatusBar->Panels()->Items(2)->Width());
  EXPECT_NEAR(f.StatusBar->Panels()->Items(1)->Width(), (f.ClientWidth() - 200) / 2.0, 1);
  EXPECT_TRUE(f.WindowState() == wsMaximized);
  EXPECT_FALSE(f.ToolBar->ShowCaptions());

  s.list.Report->PreviewOptions()->Buttons.Exclude(pbZoom);
  s.list.Report->PreviewOptions()->Buttons.Exclude(pbPrint);
  s.list.Report->PreviewOptions()->ShowCaptions = true;
  f.Init();
  EXPECT_TRUE(f.ToolBar->ShowCaptions());
  EXPECT_FALSE(f.ZoomPlusB->Visible());
  EXPECT_FALSE(f.ZoomMinusB->Visible());
  EXPECT_FALSE(f.Sep3->Visible());
  EXPECT_FALSE(f.Sep1->Visible());
  EXPECT_FALSE(f.PrintB->Visible());
  EXPECT_TRUE(f.FindB->Visible());
  EXPECT_TRUE(f.CancelB->Visible());
  s.list.Report->PreviewOptions()->Buttons.Include(pbNoClose);
  f.Init();
  EXPECT_FALSE(f.CancelB->Visible());
}

TEST(PreviewForm, QuickButtonsAndTheRightClickMenuMirrorTheCommands) {
  TCsvLikeFilter csv(nullptr);
  TkvxPDFExport pdf(nullptr);
  TkvxMailExport mail(nullptr);
  TShownForm s(60);
  TkvxPreviewForm& f = *s.form;
  EXPECT_TRUE(f.PdfB->Visible());
  EXPECT_TRUE(f.EmailB->Visible());
  EXPECT_EQ(f.PdfB->Hint(), "Export to PDF");
  EXPECT_EQ(f.EmailB->Hint(), "Send by E-mail");
  EXPECT_EQ(f.PrintB->ImageIndex(), 2);
  EXPECT_EQ(f.PdfB->ImageIndex(), 24);
  EXPECT_EQ(f.ToolBar->Images(), kvxGetResources()->GetPreviewButtonImages());
  EXPECT_GE(f.ToolBar->Images()->Count(), 25);

  // The drill-down commands, then the bar's commands up to its second group.
  TMenuItem* menu = f.RightMenu->Items();
  EXPECT_EQ(Captions(menu), (std::vector<std::string>{"Collapse all", "Expand all", "-", "Print", "Open", "Save",
                                                      "Export", "Export to PDF", "Send by E-mail", "Find", "-",
                                                      "Zoom In", "Zoom Out", "Full Screen"}));
  EXPECT_EQ(f.RightMenu->Images(), f.ToolBar->Images());
  EXPECT_EQ(ItemCaptioned(menu, "Find")->ImageIndex(), 4);
  EXPECT_EQ(Captions(ItemCaptioned(menu, "Export")), (std::vector<std::string>{"Table...", "PDF file...", "E-mail..."}));
  // No drill-down group in this report: its commands are off.
  EXPECT_FALSE(f.CollapseMI->Enabled());
  EXPECT_FALSE(f.ExpandMI->Enabled());

  ItemCaptioned(menu, "Zoom In")->Click();
  EXPECT_DOUBLE_EQ(f.Preview()->Zoom(), 1.25);
  f.EmailB->Click();
  EXPECT_EQ(mail.Exports, 1);
  ItemCaptioned(menu, "Send by E-mail")->Click();
  EXPECT_EQ(mail.Exports, 2);
  ItemCaptioned(ItemCaptioned(menu, "Export"), "E-mail...")->Click();
  EXPECT_EQ(mail.Exports, 3);

  // A right click anywhere on the pages opens the menu for the window.
  int popped = 0;
  f.RightMenu->OnPopup = [&](TObject*) {
    ++popped;
    After(0, CloseOpenMenu);
  };
  OpenContextMenu(f.Preview()->Workspace(), 100, 100);
  EXPECT_EQ(popped, 1);
  EXPECT_EQ(f.RightMenu->PopupComponent(), &f);

  // While a report runs the commands that need pages are off, in the menu as on the bar.
  f.Preview()->ProgressStart(ptRunning);
  EXPECT_FALSE(f.PdfB->Enabled());
  EXPECT_FALSE(ItemCaptioned(menu, "Print")->Enabled());
  EXPECT_TRUE(ItemCaptioned(menu, "Zoom In")->Enabled());
  f.Preview()->ProgressStop(ptRunning);

  // Without quick export the two buttons go, and with no e-mail the e-mail one.
  s.list.Report->PreviewOptions()->Buttons.Include(pbNoEmail);
  f.Init();
  EXPECT_TRUE(f.PdfB->Visible());
  EXPECT_FALSE(f.EmailB->Visible());
  EXPECT_EQ(ItemCaptioned(menu, "Send by E-mail"), nullptr);
  s.list.Report->PreviewOptions()->Buttons.Exclude(pbExportQuick);
  s.list.Report->PreviewOptions()->Buttons.Exclude(pbZoom);
  f.Init();
  EXPECT_FALSE(f.PdfB->Visible());
  EXPECT_FALSE(f.FullScreenBtn->Visible());
  EXPECT_EQ(Captions(menu), (std::vector<std::string>{"Collapse all", "Expand all", "-", "Print", "Open", "Save",
                                                      "Export", "Find"}));
}

TEST(PreviewForm, ToolBarShowsEachButtonsPicture) {
  TkvxPDFExport pdf(nullptr);
  TShownForm s(60);
  TkvxPreviewForm& f = *s.form;
  TImageList* images = kvxGetResources()->GetPreviewButtonImages();
  std::unique_ptr<TBitmap> bar = GetControlImage(*f.ToolBar, f.ToolBar->Width(), f.ToolBar->Height());
  // Each enabled button shows its picture, pixel for pixel, somewhere inside its bounds; no
  // pixel of the pictures' fuchsia ground shows anywhere.
  int shown = 0;
  for (int b = 0; b < f.ToolBar->ButtonCount(); ++b) {
    TToolButton* button = f.ToolBar->Buttons(b);
    if (!button->Visible() || !button->Enabled() || button->ImageIndex() < 0) continue;
    SCOPED_TRACE(button->Hint());
    TBitmap tile(16, 16);
    constexpr TColor kUnder = static_cast<TColor>(0x123456);
    tile.Canvas().Brush().SetColor(kUnder);
    tile.Canvas().FillRect(Rect(0, 0, 16, 16));
    images->Draw(&tile.Canvas(), 0, 0, button->ImageIndex());
    TRect r = button->BoundsRect();
    bool found = false;
    for (int y = r.Top; y + 16 <= r.Bottom && !found; ++y)
      for (int x = r.Left; x + 16 <= r.Right && !found; ++x) {
        found = true;
        for (int i = 0; i < 256 && found; ++i) {
          TColor want = tile.Canvas().Pixels(i % 16, i / 16);
          found = want == kUnder || bar->Canvas().Pixels(x + i % 16, y + i / 16) == want;
        }
      }
    EXPECT_TRUE(found) << "picture " << button->ImageIndex();
    shown += found;
  }
  EXPECT_GE(shown, 15);
  for (int y = 0; y < bar->Height(); ++y)
    for (int x = 0; x < bar->Width(); ++x) ASSERT_NE(bar->Canvas().Pixels(x, y), clFuchsia) << x << "," << y;
}

TEST(PreviewForm, ClosingTellsTheReportAndAWindowShownOnItsOwnFreesItself) {
  TListReport list;
  auto* form = new TkvxPreviewForm(nullptr);
  form->FreeOnClose = true;
  TObject* closedBy = nullptr;
  list.Report->OnClosePreview = [&](TObject* sender) { closedBy = sender; };
  list.Report->SetPreview(form->Preview());
  list.Run(20);
  form->Init();
  form->Show();
  form->Close();
  EXPECT_EQ(closedBy, form);
  // Freeing the window takes its preview off the report.
  EXPECT_TRUE(WaitFor([&] { return list.Report->Preview() == nullptr; }));
}

TEST(PreviewForm, AnExportEntryUsesTheFilterOfItsKindRegisteredWhenChosen) {
  auto first = std::make_unique<TkvxMailExport>(nullptr);
  TShownForm s(20);
  TkvxPreviewForm& f = *s.form;
  first.reset();
  TCsvLikeFilter csv(nullptr);
  TkvxMailExport second(nullptr);
  ItemCaptioned(f.ExportPopup->Items(), "E-mail...")->Click();
  EXPECT_EQ(second.Exports, 1);
  f.EmailB->Click();
  EXPECT_EQ(second.Exports, 2);
}

TEST(PreviewForm, WithoutAnyFilterThereIsNoExportAnywhere) {
  TShownForm s(20);
  TkvxPreviewForm& f = *s.form;
  EXPECT_FALSE(f.ExportB->Visible());
  EXPECT_FALSE(f.PdfB->Visible());
  EXPECT_EQ(ItemCaptioned(f.RightMenu->Items(), "Export"), nullptr);
}

TEST(PreviewForm, FullScreenByF11OrItsButtonAndBackByF11OrADoubleClick) {
  TShownForm s(60);
  TkvxPreviewForm& f = *s.form;
  f.SetBorderStyle(bsSizeable);
  f.SetWindowState(wsNormal);
  TypeKey(&f, VK_F11);
  EXPECT_TRUE(f.FullScreen());
  EXPECT_FALSE(f.ToolBar->Visible());
  EXPECT_FALSE(f.StatusBar->Visible());
  EXPECT_EQ(f.BorderStyle(), bsNone);
  EXPECT_EQ(f.WindowState(), wsMaximized);
  TypeKey(&f, VK_F11);
  EXPECT_FALSE(f.FullScreen());
  EXPECT_TRUE(f.ToolBar->Visible());
  EXPECT_TRUE(f.StatusBar->Visible());
  EXPECT_EQ(f.BorderStyle(), bsSizeable);
  EXPECT_EQ(f.WindowState(), wsNormal);

  f.FullScreenBtn->Click();
  EXPECT_TRUE(f.FullScreen());
  // A double click on the pages leaves full screen; another one changes nothing.
  DoubleClickMouse(f.Preview()->Workspace(), 200, 200);
  EXPECT_FALSE(f.FullScreen());
  DoubleClickMouse(f.Preview()->Workspace(), 200, 200);
  EXPECT_FALSE(f.FullScreen());
  EXPECT_EQ(f.BorderStyle(), bsSizeable);
}

TEST(PreviewForm, WheelScrollsThePagesAndZoomsWithCtrlAnywhereInTheWindow) {
  TShownForm s(100);
  TkvxPreviewForm& f = *s.form;
  f.Preview()->SetZoom(1);
  TkvxPreviewWorkspace& w = *f.Preview()->Workspace();
  Integer top = w.VertPosition();
  TurnWheel(&w, 100, 100, -120);
  EXPECT_EQ(w.VertPosition(), top + 20);
  TurnWheel(f.PageE, 5, 5, 120);
  EXPECT_EQ(w.VertPosition(), top);
  TurnWheel(f.StatusBar, 5, 5, 120, true);
  EXPECT_NEAR(f.Preview()->Zoom(), 1.1, 1e-9);
  EXPECT_EQ(f.ZoomCB->Text(), "110%");
}

TEST(PreviewForm, F1OpensTheHelpFile) {
  namespace fs = std::filesystem;
  std::string folder = TempFolder("preview-help");
  // A stand-in for the desktop's opener that writes down what it was asked to open.
  std::string opener = folder + "/xdg-open", log = folder + "/opened.txt";
  std::ofstream(opener) << "#!/bin/sh\necho \"$1\" >> '" << log << "'\n";
  fs::permissions(opener, fs::perms::owner_all);
  std::string oldPath = getenv("PATH");
  setenv("PATH", (folder + ":" + oldPath).c_str(), 1);
  String oldHelp = kvxGetResources()->HelpFile;
  kvxGetResources()->HelpFile = "preview-help-" + std::to_string(getpid()) + ".chm";
  std::string help = kvxGetAppPath() + kvxGetResources()->HelpFile;
  std::ofstream(help) << "help";

  TShownForm s(20);
  TypeKey(s.form, VK_F1);
  EXPECT_TRUE(WaitFor([&] { return fs::exists(log) && fs::file_size(log) > 0; }));
  std::ifstream in(log);
  std::string opened;
  std::getline(in, opened);
  EXPECT_EQ(fs::path(opened).filename(), fs::path(help).filename());

  setenv("PATH", oldPath.c_str(), 1);
  kvxGetResources()->HelpFile = oldHelp;
  fs::remove(help);
  fs::remove_all(folder);
}

// A report of 200 members in 10 parishes whose groups open only when asked.
TEST(PreviewForm, CollapseAndExpandAllPrepareTheDrillDownReportAgain) {
  RegisterStoreClasses();
  TEngineReport r(297);
  std::vector<std::map<String, Variant>> rows;
  for (int i = 0; i < 200; ++i)
    rows.push_back({{"Parish", "วัด " + std::to_string(i / 20 + 1)}, {"Name", "สมาชิก " + std::to_string(i + 1)}});
  auto* m = r.Data("M", rows);
  auto* group = r.Band<TkvxGroupHeader>("Parish", 0, 20);
  group->Condition = "M.\"Parish\"";
  group->DrillDown = true;
  r.MemoView(group, "ParishName", "[M.\"Parish\"]");
  auto* data = r.Band<TkvxMasterData>("Data", 20, 20);
  data->SetDataSet(m);
  r.MemoView(data, "Name", "[M.\"Name\"]");
  TkvxPreviewForm form(nullptr);
  form.Show();
  r.Report->SetPreview(form.Preview());
  ASSERT_TRUE(r.Report->PrepareReport(true));
  form.Init();
  TkvxPreview& p = *form.Preview();
  // Closed, the ten headings fit on one page; open, 210 bands of 56 a page need four.
  EXPECT_EQ(p.GetPageCount(), 1);
  EXPECT_TRUE(form.ExpandMI->Enabled());
  EXPECT_TRUE(form.CollapseMI->Enabled());
  form.ExpandMI->Click();
  EXPECT_EQ(p.GetPageCount(), (210 + 55) / 56);
  EXPECT_FALSE(p.Locked());
  p.SetPageNo(3);
  // A group opened by a click stays in the state list until the next collapse or expand.
  r.Report->DrillDownState->Add("Parish.1");
  form.CollapseMI->Click();
  EXPECT_EQ(r.Report->DrillDownState->Count(), 0);
  EXPECT_EQ(p.GetPageCount(), 1);
  EXPECT_EQ(p.PageNo(), 1);
  EXPECT_EQ(p.Workspace()->VertPosition(), 0);
  EXPECT_EQ(form.StatusBar->Panels()->Items(0)->Text(), "Page 1 of 1");
  r.Report->SetPreview(nullptr);
}

// 120 members on pages of 56 rows, in the window with the program's own PDF filter.
TEST(PreviewForm, PdfButtonAndExportMenuWriteTheShownReportAsPdf) {
  RegisterStoreClasses();
  TEngineReport r(297);
  std::vector<std::map<String, Variant>> rows;
  for (int i = 0; i < 120; ++i) rows.push_back({{"Name", "สมาชิก " + std::to_string(i + 1)}});
  auto* data = r.Band<TkvxMasterData>("Data", 0, 20);
  data->SetDataSet(r.Data("M", rows));
  r.MemoView(data, "Name", "[M.\"Name\"]");
  TkvxPreviewForm form(nullptr);
  form.Show();
  r.Report->SetPreview(form.Preview());
  ASSERT_TRUE(r.Report->PrepareReport(true));
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  std::string folder = TempFolder("preview-pdf");
  pdf.SetFileName(folder + "/members.pdf");
  form.Init();
  TkvxPreview& p = *form.Preview();
  ASSERT_EQ(p.GetPageCount(), 3);
  p.SetPageNo(2);
  ASSERT_TRUE(form.PdfB->Visible());
  form.PdfB->Click();
  EXPECT_EQ(r.Pages().CurPreviewPage, 2);
  EXPECT_FALSE(p.Locked());
  EXPECT_EQ(p.PageNo(), 2);

  std::string file = folder + "/members.pdf";
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_TRUE(QpdfAccepts(file));
  // 200 x 297 mm is 567 x 842 points.
  EXPECT_EQ(PdfPageSizes(file), (std::vector<std::string>{"567x842", "567x842", "567x842"}));
  EXPECT_NE(PdfText(file, 1).find("สมาชิก 56\n"), std::string::npos);
  EXPECT_EQ(PdfText(file, 1).find("สมาชิก 57"), std::string::npos);
  EXPECT_NE(PdfText(file, 2).find("สมาชิก 57"), std::string::npos);
  EXPECT_NE(PdfText(file, 3).find("สมาชิก 120"), std::string::npos);

  // The export menu's entry writes through the same filter.
  std::filesystem::remove(file);
  TMenuItem* entry = ItemCaptioned(form.ExportPopup->Items(), "PDF file...");
  ASSERT_NE(entry, nullptr);
  entry->Click();
  EXPECT_TRUE(QpdfAccepts(file));
  EXPECT_EQ(PdfPageSizes(file).size(), 3u);
  r.Report->SetPreview(nullptr);
  std::filesystem::remove_all(folder);
}

// Pixels of the paper the workspace paints now: white, where the locked preview paints none.
int PaperPixels(TControl* workspace) {
  QImage painted = Snapshot(workspace);
  int paper = 0;
  for (int y = 0; y < painted.height(); ++y)
    for (int x = 0; x < painted.width(); ++x) paper += painted.pixel(x, y) == qRgb(255, 255, 255);
  return paper;
}

TEST(PreviewForm, ThePagesStayDrawnWhileThePrintOrExportDialogIsOpen) {
  UseTestServer();
  TShownForm f(45);
  f.list.Report->PrintOptions()->ShowDialog = true;
  TkvxPreview& p = *f.form->Preview();
  const int drawn = PaperPixels(p.Workspace());
  ASSERT_GT(drawn, 10000);
  // Looks at the pages once the dialog is open, then cancels it.
  int whileOpen = -1;
  TTimer timer(nullptr);
  timer.OnTimer = [&](TObject*) {
    if (!ModalWindowOpen() || whileOpen >= 0) return;
    whileOpen = PaperPixels(p.Workspace());
    EXPECT_FALSE(p.Locked());
    EXPECT_TRUE(ClickModalButton(kvxGetResources()->Get("2")));
  };
  timer.SetInterval(20);
  f.form->PrintB->Click();
  EXPECT_EQ(whileOpen, drawn);

  whileOpen = -1;
  TkvxPDFExport pdf(nullptr);
  pdf.SetFileName(TempFolder("preview-dialog") + "/never.pdf");
  p.Export(&pdf);
  EXPECT_EQ(whileOpen, drawn);
  EXPECT_FALSE(std::filesystem::exists(TempFolder("preview-dialog") + "/never.pdf"));
  EXPECT_FALSE(p.Locked());
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

  // The outline and thumbnail buttons show which of the two is on the left.
  ClickMouse(f.ThumbB, 5, 5);
  EXPECT_TRUE(f.Preview()->ThumbnailVisible());
  EXPECT_TRUE(f.ThumbB->Down());
  f.Preview()->SetOutlineVisible(true);
  EXPECT_TRUE(f.OutlineB->Down());
  EXPECT_FALSE(f.ThumbB->Down());
  EXPECT_FALSE(f.Preview()->ThumbnailVisible());
  ClickMouse(f.OutlineB, 5, 5);
  EXPECT_FALSE(f.Preview()->OutlineVisible());

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

// A picture file cut short is no reason to stop: the run prints its row without the picture
// and the status bar names the file and the object once the run is over.
TEST(PreviewForm, APictureFileThatCannotBeReadIsNamedInTheStatusBar) {
  RegisterStoreClasses();
  const std::string sound = std::string(ORVANE_SHARED_DIR) + "/testdata/pngsuite/basn2c08.png";
  std::ifstream in(sound, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string cut = TempPath("cut-photo.png");
  std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  TEngineReport r(297);
  auto* data = r.Band<TkvxMasterData>("Data", 0, 40);
  data->SetDataSet(r.Data("M", {{{"Name", Variant(String("สมาชิก 1"))}, {"Pic", Variant(cut)}},
                                {{"Name", Variant(String("สมาชิก 2"))}, {"Pic", Variant(sound)}}}));
  r.MemoView(data, "Name", "[M.\"Name\"]");
  auto* photo = new TkvxPictureView(data);
  photo->SetName("MemberPhoto");
  photo->SetBounds(400, 0, 36, 36);
  photo->FileLink = "[M.\"Pic\"]";
  TkvxPreviewForm form(nullptr);
  r.Report->SetPreview(form.Preview());
  form.Init();
  ASSERT_TRUE(r.Report->PrepareReport()) << r.Report->Errors->Text();
  EXPECT_EQ(r.Pages().GetCount(), 1);
  const String status = form.StatusBar->Panels()->Items(1)->Text();
  EXPECT_NE(status.find("MemberPhoto"), String::npos) << status;
  EXPECT_NE(status.find(cut), String::npos) << status;
  r.Report->SetPreview(nullptr);
}

}  // namespace
}  // namespace orv
