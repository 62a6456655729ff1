// A report printed straight to PDF: each page is exported while the engine prepares the next, and
// the document must be the one that preparing first and exporting after gives. This program also
// runs under ThreadSanitizer, which fails it on any unsynchronised access between the engine and
// the export.
#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>

#include "report/engine/PreviewPages.h"
#include "report/model/Bands.h"
#include "report/model/DataSets.h"
#include "report/model/LineView.h"
#include "report/model/MemoView.h"
#include "report/pdf/PdfExport.h"
#include "report/pdf/tests/ExportReports.h"
#include "report/pdf/tests/PdfTesting.h"

namespace orv {
namespace {

using namespace orv::testing;

using TMake = std::function<std::unique_ptr<TkvxReport>(const std::string& folder)>;

// Rows kept with their notes, each wrapping over a few lines and split over two pages where it
// does not fit, a page header, "page N of M" in the footer, and a summary; every page goes to the
// temporary file as soon as the next one starts.
std::unique_ptr<TkvxReport> GroupedList(const std::string& folder) {
  auto report = NewReport(120, 10);
  report->EngineOptions()->UseFileCache = true;
  report->EngineOptions()->MaxMemSize = 0;
  report->EngineOptions()->DoublePass = true;
  report->EngineOptions()->TempDir = folder;
  TkvxReportPage* page = FirstPage(*report);
  auto* header = Add<TkvxPageHeader>(page, "Header", 0, 0, 700, 20);
  AddMemo(header, "Heading", 0, 400, u"รายชื่อสัตบุรุษ หน้า [Page#]");
  auto* data = Add<TkvxMasterData>(page, "Data", 0, 60, 700, 20);
  data->SetDataSet(AddRows(*report, "Members", 90));
  data->SetStretched(true);
  data->SetAllowSplit(true);
  AddMemo(data, "No", 0, 50, u"[Line#].");
  AddMemo(data, "Thai", 50, 220,
          u"สมาชิกลำดับที่ [Line#] บ้านเลขที่ [Line] หมู่ 4 ตำบลบางช้าง อำเภอสามพราน จังหวัดนครปฐม "
          u"ย้ายเข้ามาในเขตวัดเมื่อปีที่แล้ว และเข้าร่วมกลุ่มพลมารีทุกวันอาทิตย์");
  AddMemo(data, "Latin", 280, 200, u"Member [Line#] of Soi Wat Phra Hathai, Bang Chang Subdistrict");
  Add<TkvxLineView>(data, "Rule", 0, 19, 700, 0);
  // Each row's note goes with it to the next page when it does not fit under it.
  auto* note = Add<TkvxChild>(page, "Note", 0, 90, 700, 20);
  note->SetStretched(true);
  AddMemo(note, "Remark", 50, 300, u"หมายเหตุของสมาชิก [Line#]: ย้ายเข้ามาจากเขตวัดอื่น\nรับศีลล้างบาปแล้ว");
  data->SetChild(note);
  data->SetKeepChild(true);
  auto* footer = Add<TkvxPageFooter>(page, "Footer", 0, 400, 700, 20);
  AddMemo(footer, "PageNo", 0, 300, u"หน้า [Page#] จาก [TotalPages#]");
  auto* summary = Add<TkvxReportSummary>(page, "Summary", 0, 440, 700, 20);
  AddMemo(summary, "Total", 0, 300, u"รวม [Line#] คน ใน [TotalPages#] หน้า");
  return report;
}

// Two subreports side by side, each longer than a page: the engine runs the second from the page
// the first started on, going back to pages it has already left.
std::unique_ptr<TkvxReport> SideBySide(const std::string&) {
  auto report = NewReport(100, 10);
  TkvxReportPage* page = FirstPage(*report);
  auto* title = Add<TkvxReportTitle>(page, "Title", 0, 0, 700, 40);
  AddMemo(title, "Heading", 0, 300, u"ทะเบียนสองฝั่ง");
  auto* footer = Add<TkvxPageFooter>(page, "Footer", 0, 400, 700, 20);
  AddMemo(footer, "PageNo", 0, 300, u"หน้า [Page#] จาก [TotalPages#]");
  for (int side = 0; side < 2; ++side) {
    auto* inner = new TkvxReportPage(report.get());
    inner->SetName(side == 0 ? "Left" : "Right");
    auto* sub = new TkvxSubreport(title);
    sub->SetName(side == 0 ? "LeftSub" : "RightSub");
    sub->SetBounds(side * 350, 20, 300, 20);
    sub->SetPage(inner);
    auto* rows = Add<TkvxMasterData>(inner, side == 0 ? "LeftRows" : "RightRows", 0, 0, 300, 20);
    rows->SetDataSet(AddRows(*report, side == 0 ? "Baptisms" : "Marriages", 40));
    AddMemo(rows, side == 0 ? "Baptism" : "Marriage", 0, 300, side == 0 ? u"ศีลล้างบาปที่ [Line]" : u"สมรสที่ [Line]");
  }
  return report;
}

void ToFile(TkvxPDFExport& pdf, const std::string& file) {
  pdf.SetShowDialog(false);
  pdf.SetShowProgress(false);
  pdf.SetFileName(file);
}

// Each of the pages numbered in the letters of a PDF's text has "page N of count" at its foot.
void ExpectFooters(const std::string& letters, std::initializer_list<Integer> numbers, Integer count) {
  for (Integer p : numbers) {
    const std::string footer = Letters("หน้า " + std::to_string(p) + " จาก " + std::to_string(count));
    EXPECT_NE(letters.find(footer), std::string::npos) << footer;
  }
}

// The pages of a PDF as pdftoppm draws them, one string per page.
std::vector<std::string> Renders(const std::string& file) {
  const std::string prefix = file + "-page";
  Shell("pdftoppm -r 40 " + Quote(file) + " " + Quote(prefix));
  std::vector<std::string> pages;
  for (int p = 1;; ++p) {
    std::string name;
    for (int width = 1; width <= 4 && name.empty(); ++width) {
      std::string n = std::to_string(p);
      n.insert(0, width > static_cast<int>(n.size()) ? width - n.size() : 0, '0');
      if (std::filesystem::exists(prefix + "-" + n + ".ppm")) name = prefix + "-" + n + ".ppm";
    }
    if (name.empty()) break;
    pages.push_back(ReadFile(name));
    std::filesystem::remove(name);
  }
  return pages;
}

// The report made by make, exported as it is prepared, then made again, prepared and exported:
// the same text in the same order, the same pages drawn (when drawn is set), and both files
// sound. The text and page count of the first go to text and count when given.
void ExpectSameAsPreparedFirst(const TMake& make, const std::string& name, Integer minimumPages, bool drawn = true,
                               std::string* text = nullptr, Integer* count = nullptr) {
  const std::string folder = TempPath("while-" + name);
  std::filesystem::create_directories(folder);
  const std::string overlapped = folder + "/overlapped.pdf", sequential = folder + "/sequential.pdf";
  {
    auto report = make(folder);
    TkvxPDFExport pdf(nullptr);
    ToFile(pdf, overlapped);
    auto& pages = static_cast<TkvxPreviewPages&>(*report->PreviewPages);
    ASSERT_TRUE(pages.ExportWhilePreparing(&pdf, [&] { return report->PrepareReport(); }))
        << report->Errors->Text();
    EXPECT_EQ(report->Errors->Count(), 0) << report->Errors->Text();
    EXPECT_GE(pages.GetCount(), minimumPages);
    if (count) *count = pages.GetCount();
  }
  {
    auto report = make(folder);
    ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
    TkvxPDFExport pdf(nullptr);
    ToFile(pdf, sequential);
    ASSERT_TRUE(report->PreviewPages->Export(&pdf)) << report->Errors->Text();
  }
  for (const std::string& file : {overlapped, sequential})
    EXPECT_NE(Shell("qpdf --check " + Quote(file)).find("No syntax or stream encoding errors"), std::string::npos)
        << file;
  const std::string written = ExtractText(overlapped);
  EXPECT_EQ(written, ExtractText(sequential));
  if (text) *text = written;
  if (drawn) {
    const std::vector<std::string> made = Renders(overlapped), expected = Renders(sequential);
    ASSERT_EQ(made.size(), expected.size());
    for (size_t p = 0; p < made.size(); ++p) EXPECT_TRUE(made[p] == expected[p]) << "page " << p + 1;
  }
  std::filesystem::remove_all(folder);
}

TEST(ExportWhilePreparing, AListOfKeptAndSplitRowsIsTheDocumentPreparedFirst) {
  ExpectSameAsPreparedFirst(GroupedList, "rows", 8);
  // Every page's footer has the report's total, whichever page of the run it was exported at.
  const std::string folder = TempPath("while-footers");
  std::filesystem::create_directories(folder);
  auto report = GroupedList(folder);
  TkvxPDFExport pdf(nullptr);
  ToFile(pdf, folder + "/list.pdf");
  auto& pages = static_cast<TkvxPreviewPages&>(*report->PreviewPages);
  ASSERT_TRUE(pages.ExportWhilePreparing(&pdf, [&] { return report->PrepareReport(); }));
  const Integer count = pages.GetCount();
  const std::string text = Letters(ExtractText(folder + "/list.pdf"));
  for (Integer p = 1; p <= count; ++p) {
    const std::string footer = Letters("หน้า " + std::to_string(p) + " จาก " + std::to_string(count));
    EXPECT_NE(text.find(footer), std::string::npos) << footer;
  }
  EXPECT_NE(text.find(Letters("รวม 90 คน ใน " + std::to_string(count) + " หน้า")), std::string::npos);
  std::filesystem::remove_all(folder);
}

// Pages of a row or two with "page N of M" under them.
std::unique_ptr<TkvxReport> ShortPages(const std::string& folder, Integer rows) {
  auto report = NewReport(30, 5);
  report->EngineOptions()->UseFileCache = true;
  report->EngineOptions()->MaxMemSize = 0;
  report->EngineOptions()->TempDir = folder;
  TkvxReportPage* page = FirstPage(*report);
  auto* data = Add<TkvxMasterData>(page, "Data", 0, 0, 700, 20);
  data->SetDataSet(AddRows(*report, "Members", rows));
  AddMemo(data, "No", 0, 300, u"สมาชิกลำดับที่ [Line#]");
  auto* footer = Add<TkvxPageFooter>(page, "Footer", 0, 60, 700, 20);
  AddMemo(footer, "PageNo", 0, 300, u"หน้า [Page#] จาก [TotalPages#]");
  return report;
}

// More pages than the export keeps totals aside for: the pages past that are drawn whole once the
// run has ended.
std::unique_ptr<TkvxReport> LongList(const std::string& folder) { return ShortPages(folder, 2400); }

TEST(ExportWhilePreparing, ARunOfMorePagesThanTotalsAreKeptForIsTheDocumentPreparedFirst) {
  // Over a thousand pages are not drawn twice: the text says where each total went.
  std::string text;
  Integer count = 0;
  ExpectSameAsPreparedFirst(LongList, "long", 1101, false, &text, &count);
  const std::string letters = Letters(text);
  ExpectFooters(letters, {1, 1024, 1025, 1100, count}, count);
}

TEST(ExportWhilePreparing, PagesExportedGoToTheFileCacheAndComeBackWhole) {
  // A report that asks for no file cache, as the register's lists: the pages it exported would
  // otherwise all stay in memory until the run ends, a long list's memory growing with its pages.
  const std::string folder = TempPath("while-putaway");
  std::filesystem::create_directories(folder);
  auto report = ShortPages(folder, 300);
  report->EngineOptions()->UseFileCache = false;
  auto& pages = static_cast<TkvxPreviewPages&>(*report->PreviewPages);
  TkvxPDFExport pdf(nullptr);
  ToFile(pdf, folder + "/while.pdf");
  ASSERT_TRUE(pages.ExportWhilePreparing(&pdf, [&] { return report->PrepareReport(); }));
  const Integer count = pages.GetCount();
  ASSERT_GT(count, 100);
  TkvxXMLItem* items = pages.Root()->FindItem("previewpages");
  ASSERT_NE(items, nullptr);
  Integer held = 0;
  for (Integer i = 0; i < count; ++i) held += items->Items(i)->Loaded() ? 1 : 0;
  // The first two pages stay, as in any run, for a preview to show at once.
  EXPECT_LE(held, 2);
  // The pages are still the report's: exported again from the store, they give the same text.
  TkvxPDFExport again(nullptr);
  ToFile(again, folder + "/again.pdf");
  ASSERT_TRUE(pages.Export(&again)) << report->Errors->Text();
  const std::string text = ExtractText(folder + "/while.pdf");
  EXPECT_NE(Letters(text).find(Letters("หน้า " + std::to_string(count) + " จาก " + std::to_string(count))),
            std::string::npos);
  EXPECT_EQ(text, ExtractText(folder + "/again.pdf"));
  std::filesystem::remove_all(folder);
}

// A PDF export held at its first page until released, as a slow disk holds it.
class THeldPDFExport : public TkvxPDFExport {
 public:
  using TkvxPDFExport::TkvxPDFExport;
  void StartPage(TkvxReportPage* page, Integer index) override {
    {
      std::unique_lock lock(lock_);
      released_.wait(lock, [this] { return !held_; });
    }
    TkvxPDFExport::StartPage(page, index);
  }
  void Release() {
    {
      std::lock_guard lock(lock_);
      held_ = false;
    }
    released_.notify_all();
  }

 private:
  std::mutex lock_;
  std::condition_variable released_;
  bool held_ = true;
};

// A PDF export that takes a few milliseconds a page, as a busy core gives the export its turns.
class TSlowPDFExport : public TkvxPDFExport {
 public:
  using TkvxPDFExport::TkvxPDFExport;
  void StartPage(TkvxReportPage* page, Integer index) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ++Started;
    TkvxPDFExport::StartPage(page, index);
  }
  std::atomic<Integer> Started{0};
};

// Keeps the calling thread, and the threads it starts, on the processor it runs on.
class TOneProcessor {
 public:
  TOneProcessor() {
    CPU_ZERO(&before_);
    sched_getaffinity(0, sizeof before_, &before_);
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    sched_setaffinity(0, sizeof one, &one);
  }
  ~TOneProcessor() { sched_setaffinity(0, sizeof before_, &before_); }
  TOneProcessor(const TOneProcessor&) = delete;
  TOneProcessor& operator=(const TOneProcessor&) = delete;

 private:
  cpu_set_t before_;
};

TEST(ExportWhilePreparing, AnEngineFasterThanTheExportOnOneProcessorStaysAFewPagesAheadOfIt) {
  // Running far ahead, the engine would send every page it passed to the file cache, and the
  // export would read each back before drawing it.
  TOneProcessor pinned;
  const std::string folder = TempPath("while-paced");
  std::filesystem::create_directories(folder);
  auto report = ShortPages(folder, 160);
  report->EngineOptions()->UseFileCache = false;
  auto& pages = static_cast<TkvxPreviewPages&>(*report->PreviewPages);
  TSlowPDFExport pdf(nullptr);
  ToFile(pdf, folder + "/paced.pdf");
  Integer ahead = 0;
  report->OnProgress = [&](TkvxReport*, TkvxProgressType type, Integer) {
    if (type == ptRunning) ahead = std::max(ahead, pages.GetCount() - pdf.Started.load());
  };
  ASSERT_TRUE(pages.ExportWhilePreparing(&pdf, [&] { return report->PrepareReport(); }));
  const Integer count = pages.GetCount();
  ASSERT_GT(count, 50);
  EXPECT_LE(ahead, 10);
  const std::string letters = Letters(ExtractText(folder + "/paced.pdf"));
  ExpectFooters(letters, {1, 40, count}, count);
  std::filesystem::remove_all(folder);
}

// An export held until the engine is 60 pages on: the pages it has not reached go to the file
// cache, and every page comes out.
void ExpectTheEngineToRunOnPastAHeldExport() {
  const std::string folder = TempPath("while-behind");
  std::filesystem::create_directories(folder);
  auto report = ShortPages(folder, 300);
  report->EngineOptions()->UseFileCache = false;
  auto& pages = static_cast<TkvxPreviewPages&>(*report->PreviewPages);
  THeldPDFExport pdf(nullptr);
  ToFile(pdf, folder + "/behind.pdf");
  constexpr Integer kWritten = 60;
  Integer held = -1;
  report->OnProgress = [&](TkvxReport*, TkvxProgressType type, Integer) {
    if (type != ptRunning || pages.GetCount() != kWritten) return;
    // Past the pages the export may have taken to build ahead of its first.
    TkvxXMLItem* items = pages.Root()->FindItem("previewpages");
    held = 0;
    for (Integer i = 4; i < kWritten; ++i) held += items->Items(i)->Loaded() ? 1 : 0;
    pdf.Release();
  };
  ASSERT_TRUE(pages.ExportWhilePreparing(&pdf, [&] { return report->PrepareReport(); }));
  // The engine 60 pages on and the export at its first: only the last few pages stay at hand.
  EXPECT_GE(held, 0);
  EXPECT_LE(held, 10);
  const Integer count = pages.GetCount();
  const std::string letters = Letters(ExtractText(folder + "/behind.pdf"));
  ExpectFooters(letters, {1, 30, kWritten, count}, count);
  std::filesystem::remove_all(folder);
}

TEST(ExportWhilePreparing, PagesTheExportHasNotReachedGoToTheFileCacheWhileTheEngineRunsOn) {
  ExpectTheEngineToRunOnPastAHeldExport();
}

TEST(ExportWhilePreparing, AnExportHeldUpOnOneProcessorLetsTheEngineRunOn) {
  TOneProcessor pinned;
  ExpectTheEngineToRunOnPastAHeldExport();
}

TEST(ExportWhilePreparing, ListsExportedOnOneProcessorAreTheDocumentsPreparedFirst) {
  // The export builds its pages itself there, with no builder beside it.
  TOneProcessor pinned;
  ExpectSameAsPreparedFirst(GroupedList, "one-rows", 8);
  std::string text;
  Integer count = 0;
  ExpectSameAsPreparedFirst(LongList, "one-long", 1101, false, &text, &count);
  ExpectFooters(Letters(text), {1, 1024, 1025, count}, count);
}

TEST(ExportWhilePreparing, SubreportsThatGoBackToEarlierPagesAreExportedWhole) {
  ExpectSameAsPreparedFirst(SideBySide, "sides", 2);
}

TEST(ExportWhilePreparing, ARunThatFailsOrIsStoppedWritesNothing) {
  const std::string folder = TempPath("while-stopped");
  std::filesystem::create_directories(folder);
  const std::string file = folder + "/list.pdf";
  {
    std::FILE* earlier = std::fopen(file.c_str(), "wb");
    std::fputs("an earlier file", earlier);
    std::fclose(earlier);
  }
  // Stopped at its third page, as the tool's page limit stops it: the pages exported so far go.
  auto report = GroupedList(folder);
  bool stopped = false;
  report->OnProgress = [&](TkvxReport*, TkvxProgressType type, Integer) {
    if (type == ptRunning && report->PreviewPages->GetCount() > 3) {
      stopped = true;
      report->SetTerminated(true);
    }
  };
  TkvxPDFExport pdf(nullptr);
  ToFile(pdf, file);
  auto& pages = static_cast<TkvxPreviewPages&>(*report->PreviewPages);
  EXPECT_FALSE(pages.ExportWhilePreparing(&pdf, [&] { return report->PrepareReport() && !stopped; }));
  EXPECT_TRUE(stopped);
  EXPECT_EQ(ReadFile(file), "an earlier file");
  // A run whose data set is gone fails before its first page, with the engine's message only.
  auto broken = GroupedList(folder);
  broken->DataSets->Add()->SetDataSet(nullptr);
  TkvxPDFExport again(nullptr);
  ToFile(again, file);
  auto& brokenPages = static_cast<TkvxPreviewPages&>(*broken->PreviewPages);
  EXPECT_FALSE(brokenPages.ExportWhilePreparing(&again, [&] { return broken->PrepareReport(); }));
  EXPECT_EQ(broken->Errors->Count(), 1) << broken->Errors->Text();
  EXPECT_EQ(ReadFile(file), "an earlier file");
  std::filesystem::remove_all(folder);
}

TEST(ExportWhilePreparing, AFileThatCannotBeWrittenFailsAsAfterPreparing) {
  const std::string folder = TempPath("while-badpath");
  std::filesystem::create_directories(folder);
  const std::string file = folder + "/no such folder/list.pdf";
  auto report = GroupedList(folder);
  TkvxPDFExport pdf(nullptr);
  ToFile(pdf, file);
  auto& pages = static_cast<TkvxPreviewPages&>(*report->PreviewPages);
  EXPECT_FALSE(pages.ExportWhilePreparing(&pdf, [&] { return report->PrepareReport(); }) &&
               report->Errors->Count() == 0);
  const String overlapped = report->Errors->Text();

  auto prepared = GroupedList(folder);
  ASSERT_TRUE(prepared->PrepareReport());
  TkvxPDFExport after(nullptr);
  ToFile(after, file);
  prepared->PreviewPages->Export(&after);
  EXPECT_FALSE(prepared->Errors->Text().empty());
  EXPECT_EQ(overlapped, prepared->Errors->Text());
  EXPECT_FALSE(std::filesystem::exists(file));
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace orv
