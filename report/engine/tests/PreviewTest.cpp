// The preview on a form offscreen: the page layout and scroll limits, zoom modes, navigation
// and mouse, pages appearing while a report runs and its cancel, outline and thumbnails, search
// over what the pages draw, and the commands that save, open, print and export, each leaving the
// preview usable when it fails.
#include <gtest/gtest.h>

#include <chrono>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "platform/gui/Forms.h"
#include "png/PNGObject.h"
#include "platform/gui/tests/ControlTesting.h"
#include "platform/gui/tests/DialogTesting.h"
#include "platform/print/tests/CaptureTesting.h"
#include "report/engine/Preview.h"
#include "report/model/LegacyText.h"
#include "report/engine/Printers.h"
#include "report/engine/tests/EngineTestSupport.h"
#include "report/engine/tests/StoreTestSupport.h"

namespace orv {
namespace {

using namespace orv::test;
using namespace orv::testing;

// Layout numbers at zoom 1: A4 pages are 794 x 1123 pixels (210 x 297 mm at 3.77953 px/mm).
constexpr int kA4W = 794, kA4H = 1123;

// A list report of rows rows on A4 pages of 20 rows, shown in a preview on a form.
struct TShownList {
  explicit TShownList(int rows, int width = 900, int height = 700) {
    form.SetBounds(0, 0, width, height);
    preview = new TkvxPreview(&form);
    preview->SetParent(&form);
    preview->SetAlign(alClient);
    form.Show();
    list.Report->SetPreview(preview);
    list.Run(rows);
    QApplication::processEvents();
  }
  ~TShownList() { list.Report->SetPreview(nullptr); }
  TListReport list;
  TForm form{nullptr};
  TkvxPreview* preview;
};

TEST(PreviewLayout, RowsOfPagesAreCentredAndFoundByLine) {
  TkvxPageList l;
  for (int i = 0; i < 3; ++i) l.AddPage(200, 300, 1);
  l.CalcBounds(500);
  // Two pages fill 420 pixels, the third starts a row of its own; rows shift by
  // (500 - 420 + 10) / 2 + 10 = 55 and the lone page by (500 - 210 + 10) / 2 + 10 = 160.
  EXPECT_EQ(l.GetItem(0).Left, 55);
  EXPECT_EQ(l.GetItem(1).Left, 265);
  EXPECT_EQ(l.GetItem(2).Left, 160);
  EXPECT_EQ(l.GetItem(0).Top, 10);
  EXPECT_EQ(l.GetItem(2).Top, 320);
  EXPECT_EQ(l.GetMaxBounds().X, 420);
  EXPECT_EQ(l.GetMaxBounds().Y, 620);
  // A page counts from a fifth of its height above its top; a point picks the page it is in.
  EXPECT_EQ(l.FindPage(5), 1);
  EXPECT_EQ(l.FindPage(259), 1);
  EXPECT_EQ(l.FindPage(260), 2);
  EXPECT_EQ(l.FindPage(100, 100), 0);
  EXPECT_EQ(l.FindPage(100, 300), 1);
  // Right to left, the first page sits at the right edge.
  EXPECT_EQ(l.GetPageBounds(0, 500, true, 1).Left, 500 - 200 - 55);

  TkvxPageList wide;
  wide.AddPage(800, 100, 1);
  wide.CalcBounds(500);
  EXPECT_EQ(wide.GetItem(0).Left, 10);
  TkvxPageList none;
  EXPECT_EQ(none.GetPageBounds(0, 1000, false, 1), (TRect{103, 10, 897, 1133}));
  EXPECT_EQ(none.FindPage(100), -1);
}

TEST(PreviewLayout, ScrollPositionsStayInsideTheRange) {
  TForm form(nullptr);
  TkvxPreviewWorkspace w(&form, nullptr, false);
  w.SetHorzRange(100);
  w.SetHorzPage(150);
  w.SetHorzPosition(30);
  EXPECT_EQ(w.HorzPosition(), 0);
  w.SetVertRange(1000);
  w.SetVertPage(300);
  w.SetVertPosition(900);
  EXPECT_EQ(w.VertPosition(), 700);
  w.SetVertPosition(-5);
  EXPECT_EQ(w.VertPosition(), 0);
}

TEST(Preview, ALongRunRefreshesTheShownPagesAFewTimesASecond) {
  TShownList s(0);
  int refreshes = 0;
  s.preview->OnPageChanged = [&](TObject*, Integer) { ++refreshes; };
  auto start = std::chrono::steady_clock::now();
  s.list.Run(20 * 1000);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(s.preview->GetPageCount(), 1000);
  // The first two pages and the end show at once; in between, four refreshes a second at most.
  EXPECT_LE(refreshes, 3 + static_cast<int>(seconds * 4) + 1) << seconds << " s";
}

TEST(Preview, ZoomModesAndTheirLimits) {
  TShownList s(60);
  TkvxPreview& p = *s.preview;
  ASSERT_EQ(p.GetPageCount(), 3);
  p.SetZoom(0.1);
  EXPECT_DOUBLE_EQ(p.Zoom(), 0.25);
  p.SetZoom(0.35);
  p.MouseWheelScroll(-120, false, true);
  EXPECT_DOUBLE_EQ(p.Zoom(), 0.3);
  p.MouseWheelScroll(120, false, true);
  EXPECT_NEAR(p.Zoom(), 0.4, 1e-9);

  TkvxPreviewWorkspace& w = *p.Workspace();
  p.SetZoomMode(zmPageWidth);
  EXPECT_NEAR(p.Zoom(), (w.Width() - 16 - 26) / double(kA4W), 1e-9);
  p.SetZoomMode(zmWholePage);
  // The form is wider than tall, so the page's height decides.
  EXPECT_NEAR(p.Zoom(), (w.Height() - 26) / double(kA4H), 1e-9);
  EXPECT_EQ(w.Pages().GetItem(0).Height, std::lround(kA4H * p.Zoom()));

  // Whole page on a client area of no size keeps the zoom it had.
  Extended before = p.Zoom();
  s.form.SetClientWidth(0);
  s.form.SetClientHeight(0);
  p.UpdatePages();
  EXPECT_DOUBLE_EQ(p.Zoom(), before);
  EXPECT_TRUE(std::isfinite(p.Zoom()));
}

TEST(Preview, NavigationByCommandsKeysMouseAndDeletion) {
  TShownList s(100);
  TkvxPreview& p = *s.preview;
  std::vector<Integer> shown;
  p.OnPageChanged = [&](TObject*, Integer page) { shown.push_back(page); };
  ASSERT_EQ(p.GetPageCount(), 5);
  p.Last();
  EXPECT_EQ(p.PageNo(), 5);
  p.Next();
  EXPECT_EQ(p.PageNo(), 5);
  p.SetPageNo(0);
  EXPECT_EQ(p.PageNo(), 1);
  EXPECT_EQ(shown.back(), 1);
  // The view follows the page: page 3 starts two pages and gaps further down.
  p.SetPageNo(3);
  EXPECT_EQ(p.Workspace()->VertPosition(), 10 + 2 * (kA4H + 10) - 10);

  TypeKey(p.Workspace(), VK_END);
  EXPECT_EQ(p.PageNo(), 5);
  TypeKey(p.Workspace(), VK_HOME);
  EXPECT_EQ(p.PageNo(), 1);
  // F3 before any search changes nothing.
  TypeKey(p.Workspace(), VK_F3);
  EXPECT_EQ(p.PageNo(), 1);

  // Dragging up by 10 pixels scrolls the view down by 10.
  Integer top = p.Workspace()->VertPosition();
  PressMouse(p.Workspace(), 300, 300);
  MoveMouse(p.Workspace(), 300, 290, true);
  ReleaseMouse(p.Workspace(), 300, 290);
  EXPECT_EQ(p.Workspace()->VertPosition(), top + 10);

  p.Last();
  p.DeletePage();
  EXPECT_EQ(p.GetPageCount(), 4);
  EXPECT_EQ(p.PageNo(), 4);
  p.SetPageNo(2);
  p.AddPage();
  EXPECT_EQ(p.GetPageCount(), 5);
  EXPECT_EQ(p.PageNo(), 2);
}

TEST(Preview, ColoursOfThePageArea) {
  TShownList s(20);
  TkvxPreview& p = *s.preview;
  TkvxPreviewWorkspace& w = *p.Workspace();
  EXPECT_EQ(PaintedPixel(&w, 2, 2), static_cast<TColor>(0x808080));
  p.SetBackColor(clNavy);
  EXPECT_EQ(PaintedPixel(&w, 2, 2), clNavy);
  // The page's own frame lies one pixel inside its rectangle; the current page's frame around it.
  TRect r = w.Pages().GetPageBounds(0, w.ViewWidth(), false, w.Zoom);
  p.SetFrameColor(clRed);
  p.SetActiveFrameColor(clLime);
  EXPECT_EQ(PaintedPixel(&w, r.Left, r.Top + 50), clRed);
  EXPECT_EQ(PaintedPixel(&w, r.Left - 1, r.Top + 50), clLime);
}

class PreviewKeysTest : public ScriptedDialogsTest {};

TEST_F(PreviewKeysTest, KeysScrollTurnPagesAndRunTheFileCommandsTheReportAllows) {
  TShownList s(100);
  TkvxPreview& p = *s.preview;
  TkvxPreviewWorkspace* w = p.Workspace();
  PressKey(w, VK_NEXT);
  EXPECT_EQ(w->VertPosition(), 300);
  PressKey(w, VK_DOWN);
  EXPECT_EQ(w->VertPosition(), 308);
  PressKey(w, VK_UP);
  PressKey(w, VK_PRIOR);
  EXPECT_EQ(w->VertPosition(), 0);
  PressKey(w, VK_NEXT, true);
  EXPECT_EQ(p.PageNo(), 2);
  PressKey(w, VK_NEXT, true);
  PressKey(w, VK_PRIOR, true);
  EXPECT_EQ(p.PageNo(), 2);

  // Ctrl+S asks where to save; whatever the name's extension, the file is a .qpv.
  std::string folder = TempFolder("preview-keys");
  dialogs_->QueueFiles({folder + "/รายชื่อ.txt"});
  PressKey(w, 'S', true);
  EXPECT_TRUE(dialogs_->LastFileRequest().Save);
  EXPECT_TRUE(dialogs_->LastFileRequest().Filter.ends_with(" (*.qpv)|*.qpv"));
  // The program's working folder stays where it was.
  EXPECT_TRUE(dialogs_->LastFileRequest().Options.Contains(ofNoChangeDir));
  ASSERT_TRUE(std::filesystem::exists(folder + "/รายชื่อ.qpv"));
  EXPECT_FALSE(std::filesystem::exists(folder + "/รายชื่อ.txt"));

  // Ctrl+O opens a prepared report; a cancelled dialog leaves the pages as they are.
  p.Clear();
  dialogs_->QueueFiles({});
  PressKey(w, 'O', true);
  EXPECT_EQ(p.GetPageCount(), 0);
  dialogs_->QueueFiles({folder + "/รายชื่อ.qpv"});
  PressKey(w, 'O', true);
  EXPECT_FALSE(dialogs_->LastFileRequest().Save);
  EXPECT_TRUE(dialogs_->LastFileRequest().Options.Contains(ofNoChangeDir));
  EXPECT_TRUE(dialogs_->LastFileRequest().Options.Contains(ofHideReadOnly));
  EXPECT_EQ(p.GetPageCount(), 5);

  // Without the buttons the keys do nothing: no dialog opens.
  s.list.Report->PreviewOptions()->Buttons.Exclude(pbSave);
  s.list.Report->PreviewOptions()->Buttons.Exclude(pbLoad);
  size_t shown = dialogs_->Shown().size();
  PressKey(w, 'S', true);
  PressKey(w, 'O', true);
  EXPECT_EQ(dialogs_->Shown().size(), shown);
  std::filesystem::remove_all(folder);
}

TEST(Preview, OnePageReportKeepsItsPageOnDelete) {
  TShownList s(5);
  s.preview->DeletePage();
  EXPECT_EQ(s.preview->GetPageCount(), 1);
  EXPECT_EQ(s.preview->PageNo(), 1);
}

TEST(Preview, PagesAppearWhileTheReportRunsAndCancelStopsIt) {
  RegisterStoreClasses();
  TEngineReport r(297);
  std::vector<std::map<String, Variant>> rows;
  for (int i = 0; i < 3000; ++i) rows.push_back({{"Name", "สมาชิก " + std::to_string(i + 1)}});
  auto* data = r.Band<TkvxMasterData>("Data", 0, 20);
  data->SetDataSet(r.Data("M", rows));
  r.MemoView(data, "Name", "[M.\"Name\"]");
  TForm form(nullptr);
  form.SetBounds(0, 0, 800, 600);
  auto* p = new TkvxPreview(&form);
  p->SetParent(&form);
  p->SetAlign(alClient);
  form.Show();
  r.Report->SetPreview(p);

  Integer shownWhileRunning = 0;
  bool runningSeen = false;
  p->OnPageChanged = [&](TObject*, Integer) {
    if (!p->Running()) return;
    runningSeen = true;
    shownWhileRunning = std::max(shownWhileRunning, p->Workspace()->Pages().Count());
  };
  ASSERT_TRUE(r.Report->PrepareReport(true));
  EXPECT_TRUE(runningSeen);
  EXPECT_GT(shownWhileRunning, 0);
  EXPECT_FALSE(p->Running());
  // Every page is laid out and the thumbnails filled once the run is over.
  Integer full = p->GetPageCount();
  // 297 mm hold 56 rows of 20 pixels.
  EXPECT_EQ(full, (3000 + 55) / 56);
  EXPECT_EQ(p->Workspace()->Pages().Count(), full);
  EXPECT_EQ(p->Thumbnails()->Pages().Count(), full);

  // The user cancels once three pages are in; the counter itself is refreshed only a few times
  // a second, so the report's page event says when.
  Integer pagesAtCancel = 0;
  p->OnPageChanged = nullptr;
  r.Report->OnProgress = [&](TkvxReport*, TkvxProgressType, Integer) {
    if (p->Running() && p->GetPageCount() >= 3 && !pagesAtCancel) {
      pagesAtCancel = p->GetPageCount();
      p->Cancel();
    }
  };
  r.Report->PrepareReport(true);
  EXPECT_GT(pagesAtCancel, 0);
  EXPECT_LT(p->GetPageCount(), full);
  EXPECT_FALSE(p->Running());
  r.Report->SetPreview(nullptr);
}

TEST(Preview, OutlineClickShowsItsPage) {
  TListReport list;
  TForm form(nullptr);
  form.SetBounds(0, 0, 900, 700);
  auto* p = new TkvxPreview(&form);
  p->SetParent(&form);
  p->SetAlign(alClient);
  form.Show();
  list.Report->SetPreview(p);
  list.Start();
  for (int i = 0; i < 80; ++i) {
    list.AddRow(i, "สมาชิก " + std::to_string(i + 1));
    if (i % 20 == 0) list.Pages->GetOutline()->AddItem("หน้า " + std::to_string(i / 20 + 1), 0);
    if (i % 20 == 0) list.Pages->GetOutline()->LevelUp();
  }
  list.Pages->Finish();
  p->SetOutlineVisible(true);
  QApplication::processEvents();
  TTreeNodes& nodes = *p->OutlineTree()->Items();
  ASSERT_EQ(nodes.Count(), 4);
  EXPECT_EQ(nodes.Item(2)->Text(), "หน้า 3");
  p->OutlineTree()->SetSelected(nodes.Item(2));
  EXPECT_EQ(p->PageNo(), 3);
  EXPECT_FALSE(p->ThumbnailVisible());
  p->SetThumbnailVisible(true);
  EXPECT_FALSE(p->OutlineVisible());
  list.Report->SetPreview(nullptr);
}

TEST(Preview, ThumbnailsAreDrawnForVisiblePagesOnlyAndDroppedWhenPagesChange) {
  TShownList s(2000);
  TkvxPreview& p = *s.preview;
  p.SetThumbnailVisible(true);
  PictureOf(&s.form, &p);
  size_t drawn = p.Thumbnails()->CachedThumbnails();
  // The strip is 700 pixels high and a thumbnail 112 plus a gap: at most seven of 100 show.
  EXPECT_GT(drawn, 0u);
  EXPECT_LE(drawn, 7u);
  PictureOf(&s.form, &p);
  EXPECT_EQ(p.Thumbnails()->CachedThumbnails(), drawn);
  p.DeletePage();
  EXPECT_EQ(p.Thumbnails()->CachedThumbnails(), 0u);
}

TEST(Preview, SearchFindsThaiTextAcrossPagesAndMarksOnlyItsThumbnail) {
  TShownList s(300);
  TkvxPreview& p = *s.preview;
  p.SetThumbnailVisible(true);
  // Rows are "สมาชิก 1" ... on pages of 20 rows: row 25 is on page 2, rows 250..259 on page 13.
  p.FindText("สมาชิก 25", false, true);
  ASSERT_TRUE(p.Search().Found);
  EXPECT_EQ(p.PageNo(), 2);
  EXPECT_EQ(p.Thumbnails()->MarkPage, 1);
  // The match's bounds are those of row 25's line: 40 + 4 * 20 pixels below the page's top.
  EXPECT_EQ(p.Search().FoundRect.Top, 40 + 4 * 20 + std::lround(s.list.Page->TopMargin() * 3.77953));
  p.FindNext();
  ASSERT_TRUE(p.Search().Found);
  EXPECT_EQ(p.PageNo(), 13);
  EXPECT_EQ(p.Thumbnails()->MarkPage, 12);
  // The mark is inverted on page 13's thumbnail and on no other.
  auto picture = PictureOf(&s.form, p.Thumbnails());
  EXPECT_NE(picture->Width(), 0);
  for (int i = 0; i < 9; ++i) p.FindNext();
  EXPECT_EQ(p.PageNo(), 13);
  p.FindNext();
  EXPECT_FALSE(p.Search().Found);
  EXPECT_EQ(p.Thumbnails()->MarkPage, -1);

  // Upper and lower case match unless asked otherwise.
  p.FindText("SOMCHAI", false, true);
  EXPECT_FALSE(p.Search().Found);

  // Another preview keeps its own search.
  TShownList other(40);
  EXPECT_FALSE(other.preview->FindAllowed());
  other.preview->FindNext();
  EXPECT_FALSE(other.preview->Search().Found);
  EXPECT_EQ(other.preview->Thumbnails()->MarkPage, -1);
  p.FindText("สมาชิก 3", false, false);
  EXPECT_TRUE(p.Search().Found);
  EXPECT_EQ(other.preview->Search().Text.size(), 0u);
}

// Unlock has run and the pages are shown again, with no message left on them.
void ExpectUsable(TkvxPreview& p, Integer pages) {
  EXPECT_FALSE(p.Locked());
  EXPECT_FALSE(p.Workspace()->Locked);
  EXPECT_FALSE(p.MessagePanel()->Visible());
  EXPECT_EQ(p.Workspace()->Pages().Count(), pages);
}

TEST(Preview, SaveAndOpenOfAPreparedReport) {
  TShownList s(120);
  TkvxPreview& p = *s.preview;
  std::string file = std::filesystem::temp_directory_path() / "preview-test.qpv";
  p.SetPageNo(4);
  p.SaveToFile(file);
  ExpectUsable(p, 6);
  p.Clear();
  EXPECT_EQ(p.GetPageCount(), 0);
  p.LoadFromFile(file);
  ExpectUsable(p, 6);
  EXPECT_EQ(p.PageNo(), 1);
  p.FindText("สมาชิก 120", false, true);
  EXPECT_EQ(p.PageNo(), 6);
  std::filesystem::remove(file);
}

// The memo lines of a page of the list, band by band.
std::vector<std::string> ListTexts(TkvxReportPage* page) {
  std::vector<std::string> texts;
  for (TkvxComponent* obj : page->AllObjects())
    if (auto* memo = dynamic_cast<TStoreMemo*>(obj)) texts.push_back(kvxWideToUtf8(memo->Memo()->Text()));
  return texts;
}

TEST(Preview, PageSettingsForAllPagesOfAnOpenedFileKeepEveryPage) {
  TShownList s(120);
  TkvxPreview& p = *s.preview;
  std::string file = std::filesystem::temp_directory_path() / "preview-settings.qpv";
  p.SaveToFile(file);
  p.Clear();
  p.LoadFromFile(file);
  ASSERT_EQ(p.GetPageCount(), 6);
  std::vector<std::vector<std::string>> before;
  for (Integer i = 0; i < 6; ++i) before.push_back(ListTexts(s.list.Pages->GetPage(i)));
  // As the dialog leaves the page shown: landscape A5 with wider margins, for all pages.
  p.SetPageNo(3);
  std::shared_ptr<TkvxReportPage> shown = s.list.Pages->GetPageShared(2);
  shown->SetOrientation(poLandscape);
  shown->SetPaperWidth(210);
  shown->SetPaperHeight(148);
  shown->SetPaperSize(11);
  shown->SetLeftMargin(20);
  p.ApplyPageSettings(shown.get(), true);
  ExpectUsable(p, 6);
  p.SaveToFile(file);
  TkvxReport other(nullptr);
  TkvxPreviewPages reopened(&other);
  reopened.LoadFromFile(file);
  ASSERT_EQ(reopened.GetCount(), 6);
  for (Integer i = 0; i < 6; ++i) {
    TkvxReportPage* page = reopened.GetPage(i);
    EXPECT_EQ(page->Orientation(), poLandscape) << "page " << i + 1;
    EXPECT_EQ(page->PaperSize(), 11) << "page " << i + 1;
    EXPECT_DOUBLE_EQ(page->PaperWidth(), 210) << "page " << i + 1;
    EXPECT_DOUBLE_EQ(page->LeftMargin(), 20) << "page " << i + 1;
    EXPECT_EQ(ListTexts(page), before[static_cast<size_t>(i)]) << "page " << i + 1;
  }
  std::filesystem::remove(file);
}

TEST(Preview, FailedCommandsReportTheirErrorAndLeaveThePreviewUsable) {
  TShownList s(60);
  TkvxPreview& p = *s.preview;
  s.list.Report->EngineOptions()->NewSilentMode = simReThrow;
  EXPECT_THROW(p.SaveToFile("/nonexistent-folder/list.qpv"), Exception);
  ExpectUsable(p, 3);

  std::string bad = std::filesystem::temp_directory_path() / "preview-bad.qpv";
  std::ofstream(bad) << "<?xml version=\"1.0\"?><preparedreport><previewpages><page0";
  EXPECT_THROW(p.LoadFromFile(bad), Exception);
  EXPECT_EQ(p.GetPageCount(), 3);
  ExpectUsable(p, 3);
  std::filesystem::remove(bad);

  struct TFailingFilter : TkvxCustomExportFilter {
    using TkvxCustomExportFilter::TkvxCustomExportFilter;
    void ExportObject(TkvxComponent*) override { throw Exception("disk full"); }
  } filter(nullptr);
  filter.SetShowDialog(false);
  filter.SetFileName(std::filesystem::temp_directory_path() / "preview-export.out");
  EXPECT_THROW(p.Export(&filter), Exception);
  ExpectUsable(p, 3);
  s.list.Report->EngineOptions()->NewSilentMode = simSilent;
}

TEST(Preview, PrintSendsEveryPageToThePrinter) {
  TCupsServer server = UseTestServer();
  TShownList s(60);
  TkvxPreview& p = *s.preview;
  ASSERT_GE(kvxPrinters()->IndexOf("PdfQ"), 0);
  s.list.Report->PrintOptions()->ShowDialog = false;
  s.list.Report->PrintOptions()->Printer = "PdfQ";
  s.list.Report->ReportOptions()->Name = "Preview list";
  p.SetPageNo(2);
  p.Print();
  ExpectUsable(p, 3);
  EXPECT_EQ(s.list.Pages->CurPreviewPage, 2);
  TCapturedJob job;
  for (int wait = 0; wait < 200 && !job.Arrived; ++wait) {
    for (auto& e : std::filesystem::directory_iterator(server.Tree + "/out")) {
      if (e.path().extension() != ".done") continue;
      TCapturedJob j = WaitForJob(server, std::stoi(e.path().stem().string()));
      if (ArgValue(j, "title") == "Preview list") job = j;
    }
    if (!job.Arrived) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(job.Arrived);
  EXPECT_TRUE(QpdfAccepts(job.DocumentPath));
  EXPECT_EQ(PdfPageSizes(job.DocumentPath), (std::vector<std::string>{"595x842", "595x842", "595x842"}));
  // Twenty rows a page, each page with its own.
  for (int page = 1; page <= 3; ++page) {
    std::string text = PdfText(job.DocumentPath, page);
    EXPECT_NE(text.find("สมาชิก " + std::to_string(page * 20 - 19) + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("สมาชิก " + std::to_string(page * 20) + "\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("สมาชิก " + std::to_string(page * 20 + 1) + "\n"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// The pictures stay in the build folder for people to look at.
TEST(PreviewPictures, ListAndCertificateAreShownOnAVirtualDisplay) {
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
  std::string folder = ORVANE_PREVIEW_SCREENSHOT_FOLDER;
  std::string list = folder + "/preview-list.png", certificate = folder + "/preview-certificate.png";
  std::filesystem::remove(list);
  std::filesystem::remove(certificate);
  // xvfb-run -a can hand one display number to two runs started at once; the loser runs again.
  int status = -1;
  for (int attempt = 0; attempt < 3 && status != 0; ++attempt)
    status = std::system(("QT_QPA_PLATFORM=xcb timeout 120 xvfb-run -a -s '-screen 0 1280x1024x24' '" +
                          std::string(ORVANE_PREVIEW_SCREENSHOT_PROGRAM) + "' '" + folder + "' 2>/dev/null")
                             .c_str());
  ASSERT_EQ(status, 0);
  for (const std::string& file : {list, certificate}) {
    TPNGObject png;
    TFileStream in(file, fmOpenRead);
    png.LoadFromStream(in);
    EXPECT_EQ(png.Width(), 1000) << file;
    // Pages on the gray background: the centre of the window shows the white of a page.
    TBitmap bitmap;
    bitmap.Assign(&png);
    EXPECT_EQ(bitmap.Canvas().Pixels(500, 600), clWhite) << file;
    EXPECT_EQ(bitmap.Canvas().Pixels(990 - 16, 400), static_cast<TColor>(0x808080)) << file;
  }
}

}  // namespace
}  // namespace orv
