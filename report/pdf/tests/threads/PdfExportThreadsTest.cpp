// A prepared report exported without a preview: its pages are rebuilt on a thread of their own
// while the PDF writer draws the one before. This program also runs under ThreadSanitizer, which
// fails it on any unsynchronised access between the two.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Picture.h"
#include "platform/rtl/Exceptions.h"
#include "report/engine/PreviewPages.h"
#include "report/model/Bands.h"
#include "report/model/DataSets.h"
#include "report/model/MemoView.h"
#include "report/model/PictureView.h"
#include "report/pdf/PdfExport.h"
#include "report/pdf/tests/ExportReports.h"
#include "report/pdf/tests/PdfTesting.h"

namespace orv {
namespace {

using namespace orv::testing;

constexpr int kRows = 240;

// Rows that wrap in their columns, a picture on every row and "page N of M" in the footer; every
// page item goes to the temporary file as soon as the next page starts, so the export reads each
// page back.
std::unique_ptr<TkvxReport> WrappedList(const std::string& folder) {
  auto report = NewReport(150, 10);
  report->EngineOptions()->UseFileCache = true;
  report->EngineOptions()->MaxMemSize = 0;
  report->EngineOptions()->DoublePass = true;
  report->EngineOptions()->TempDir = folder;
  report->PreviewOptions()->PictureCacheInFile = true;
  auto* rows = AddRows(*report, "Rows", kRows);
  TkvxReportPage* page = FirstPage(*report);
  auto* data = Add<TkvxMasterData>(page, "Data", 0, 20, 700, 20);
  data->SetDataSet(rows);
  data->SetStretched(true);
  AddMemo(data, "No", 0, 50, u"[Line].");
  AddMemo(data, "Thai", 50, 150, u"สมาชิกลำดับที่ [Line] บ้านเลขที่ [Line] หมู่ 4 ตำบลบางช้าง อำเภอสามพราน");
  AddMemo(data, "Latin", 200, 150, u"Member [Line] of Soi Wat Phra Hathai, Bang Chang Subdistrict");
  auto* seal = Add<TkvxPictureView>(data, "Seal", 400, 0, 16, 16);
  TBitmap green(8, 8);
  green.Canvas().Brush().SetColor(clLime);
  green.Canvas().FillRect(TRect{0, 0, 8, 8});
  seal->Picture()->SetGraphic(&green);
  auto* footer = Add<TkvxPageFooter>(page, "Footer", 0, 400, 700, 20);
  AddMemo(footer, "PageNo", 0, 300, u"หน้า [Page#] จาก [TotalPages#]");
  EXPECT_TRUE(report->PrepareReport()) << report->Errors->Text();
  return report;
}

// The document's operators, uncompressed by qpdf, less what differs from one export to the next.
std::string Operators(const std::string& file) {
  return Shell("qpdf --qdf --object-streams=disable " + Quote(file) +
               " - | grep -av -e /CreationDate -e /ModDate -e /ID");
}

TEST(PdfExportThreads, PagesBuiltAheadGiveEveryRowInOrderAndLeaveMemoryAgain) {
  const std::string folder = TempPath("threads-list");
  std::filesystem::create_directories(folder);
  auto report = WrappedList(folder);
  auto& pages = static_cast<TkvxPreviewPages&>(*report->PreviewPages);
  const Integer count = pages.GetCount();
  ASSERT_GT(count, 10);
  TkvxXMLItem* items = pages.Root()->FindItem("previewpages");
  std::string before;
  for (Integer p = 0; p < count; ++p) before += items->Items(p)->Loaded() ? 'L' : '-';
  ASSERT_EQ(before.substr(2, count - 4), std::string(count - 4, '-')) << before;

  const std::string file = folder + "/list.pdf";
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(file);
  ASSERT_TRUE(pages.Export(&pdf));
  EXPECT_EQ(report->Errors->Count(), 0) << report->Errors->Text();
  EXPECT_EQ(Shell("qpdf --show-npages " + Quote(file)), std::to_string(count) + "\n");

  const std::string text = Letters(ExtractText(file));
  size_t at = 0;
  for (int i = 1; i <= kRows; ++i) {
    const std::string n = std::to_string(i);
    const std::string row = Letters(n + ". สมาชิกลำดับที่ " + n + " บ้านเลขที่ " + n +
                                    " หมู่ 4 ตำบลบางช้าง อำเภอสามพราน Member " + n +
                                    " of Soi Wat Phra Hathai, Bang Chang Subdistrict");
    size_t found = text.find(row, at);
    ASSERT_NE(found, std::string::npos) << "row " << i;
    at = found + row.size();
  }
  for (Integer p = 1; p <= count; ++p) {
    const std::string footer = Letters("หน้า " + std::to_string(p) + " จาก " + std::to_string(count));
    EXPECT_NE(text.find(footer), std::string::npos) << footer;
  }
  // Pages read back only for the export are in the temporary file again.
  std::string after;
  for (Integer p = 0; p < count; ++p) after += items->Items(p)->Loaded() ? 'L' : '-';
  EXPECT_EQ(after, before);

  // A second export of the same pages writes the same text.
  const std::string again = folder + "/again.pdf";
  pdf.SetFileName(again);
  ASSERT_TRUE(pages.Export(&pdf));
  EXPECT_EQ(Letters(ExtractText(again)), text);
}

// A preview that only stands attached: with one, the export takes its pages from the page cache
// on the GUI thread.
class TStillPreview : public TkvxCustomPreview {
 public:
  TStillPreview() : TkvxCustomPreview(nullptr) {}
  void Init() override {}
  void Lock() override {}
  void Unlock() override {}
  void RefreshReport() override {}
  void ProgressStart(TkvxProgressType) override {}
  void ProgressStep(TkvxProgressType, Integer) override {}
  void ProgressStop(TkvxProgressType) override {}
};

TEST(PdfExportThreads, PagesBuiltAheadDrawAsPagesFromThePageCache) {
  const std::string folder = TempPath("threads-same");
  std::filesystem::create_directories(folder);
  auto report = WrappedList(folder);
  // Mirrored margins: even pages stand further right.
  FirstPage(*report)->SetMirrorMargins(true);
  FirstPage(*report)->SetRightMargin(23.7);
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  const std::string ahead = folder + "/ahead.pdf", inPlace = folder + "/in-place.pdf";
  pdf.SetFileName(ahead);
  ASSERT_TRUE(report->PreviewPages->Export(&pdf));
  TStillPreview preview;
  report->SetPreview(&preview);
  pdf.SetFileName(inPlace);
  ASSERT_TRUE(report->PreviewPages->Export(&pdf));
  report->SetPreview(nullptr);

  // The same words on the same lines, drawn by the same operators, and the same pixels.
  EXPECT_EQ(ExtractText(ahead), ExtractText(inPlace));
  const std::string drawnAhead = Operators(ahead);
  EXPECT_NE(drawnAhead.find("TJ"), std::string::npos);
  EXPECT_TRUE(drawnAhead == Operators(inPlace));
  for (const char* page : {"2", "3"}) {
    for (const std::string& file : {ahead, inPlace})
      ASSERT_EQ(RunCommand(std::string("pdftoppm -r 100 -singlefile -f ") + page + " -l " + page + " " +
                           Quote(file) + " " + Quote(file + page))
                    .Status,
                0);
    TPixmap a = ReadPpm(ahead + page + ".ppm"), b = ReadPpm(inPlace + page + ".ppm");
    ASSERT_GT(a.Width, 0);
    EXPECT_TRUE(a.Width == b.Width && a.Height == b.Height && a.Rgb == b.Rgb) << "page " << page;
  }
}

// Memos laid out ahead keep their storage for the next pages: a memo of one line drawn after
// one of many, or after an empty one, shows its own lines and no other's.
TEST(PdfExportThreads, MemosOfEveryLengthDrawAheadAsInPlace) {
  const std::string folder = TempPath("threads-lengths");
  std::filesystem::create_directories(folder);
  auto report = NewReport(150, 10);
  report->EngineOptions()->TempDir = folder;
  auto* rows = AddRows(*report, "Rows", 90);
  auto* data = Add<TkvxMasterData>(FirstPage(*report), "Data", 0, 20, 700, 20);
  data->SetDataSet(rows);
  data->SetStretched(true);
  AddMemo(data, "No", 0, 50, u"[Line].");
  // Long on every fifth row, of two lines on every third, empty on every seventh: the pages'
  // rows differ. Every eleventh is of capitals, short enough to be taken for one line by its
  // length and too wide to be one: it wraps where the page is drawn.
  AddMemo(data, "Note", 50, 150,
          u"[IIF(<Line> mod 11 = 0, 'WWWW MMMM WWWW MMMM', "
          u"IIF(<Line> mod 5 = 0, 'บันทึกยาว หมู่ 4 ตำบลบางช้าง อำเภอสามพราน จังหวัดนครปฐม "
          u"Soi Wat Phra Hathai, Bang Chang Subdistrict, Sam Phran District', "
          u"IIF(<Line> mod 3 = 0, 'บันทึกกลาง Soi Wat Phra Hathai', IIF(<Line> mod 7 = 0, '', 'สั้น'))))]");
  // Page numbers in a memo too narrow for them: laid out where the page is drawn.
  auto* footer = Add<TkvxPageFooter>(FirstPage(*report), "Footer", 0, 400, 700, 20);
  TkvxMemoView* number = AddMemo(footer, "PageNo", 0, 60, u"หน้า [Page#] จาก [TotalPages#] ของรายการสมาชิก");
  number->WordWrap = true;
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  auto& pages = static_cast<TkvxPreviewPages&>(*report->PreviewPages);
  ASSERT_GT(pages.GetCount(), 3);
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  const std::string ahead = folder + "/ahead.pdf", inPlace = folder + "/in-place.pdf";
  pdf.SetFileName(ahead);
  ASSERT_TRUE(pages.Export(&pdf));
  TStillPreview preview;
  report->SetPreview(&preview);
  pdf.SetFileName(inPlace);
  ASSERT_TRUE(pages.Export(&pdf));
  report->SetPreview(nullptr);

  const std::string text = ExtractText(ahead);
  EXPECT_EQ(text, ExtractText(inPlace));
  EXPECT_TRUE(Operators(ahead) == Operators(inPlace));
  for (Integer p = 1; p <= pages.GetCount(); ++p) {
    const std::string footer = Letters("หน้า " + std::to_string(p) + " จาก " + std::to_string(pages.GetCount()));
    EXPECT_NE(Letters(text).find(footer), std::string::npos) << footer;
  }
  // Rows after a long one hold their own words only, an empty one none.
  const std::string letters = Letters(text);
  EXPECT_NE(letters.find(Letters("Sam Phran District 26.สั้น 27.บันทึกกลาง Soi Wat Phra Hathai 28. 29.สั้น 30.บันทึกยาว")), std::string::npos)
      << letters;
  EXPECT_NE(letters.find(Letters("21.บันทึกกลาง Soi Wat Phra Hathai 22.WWWW MMMM WWWW MMMM 23.สั้น")), std::string::npos)
      << letters;
}

// A filter that asks the store for the next page as each page starts, as a filter may that looks
// ahead: the GUI thread then rebuilds pages while the export's own thread does.
class TLookingAhead : public TkvxPDFExport {
 public:
  explicit TLookingAhead(TkvxPreviewPages& pages) : TkvxPDFExport(nullptr), pages_(pages) {}
  void StartPage(TkvxReportPage* page, Integer index) override {
    TkvxPDFExport::StartPage(page, index);
    if (TkvxReportPage* next = pages_.GetPage(index + 1)) Names += next->Name() + ";";
  }
  String Names;

 private:
  TkvxPreviewPages& pages_;
};

TEST(PdfExportThreads, PagesAskedForWhileTheExportRunsAreBuiltBesideIt) {
  const std::string folder = TempPath("threads-asked");
  std::filesystem::create_directories(folder);
  auto report = WrappedList(folder);
  auto& pages = static_cast<TkvxPreviewPages&>(*report->PreviewPages);
  const Integer count = pages.GetCount();
  const std::string plain = folder + "/plain.pdf", asked = folder + "/asked.pdf";
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(plain);
  ASSERT_TRUE(pages.Export(&pdf));
  TLookingAhead lookingAhead(pages);
  lookingAhead.SetShowDialog(false);
  lookingAhead.SetFileName(asked);
  ASSERT_TRUE(pages.Export(&lookingAhead));
  String expected;
  for (Integer p = 1; p < count; ++p) expected += "Page1;";
  EXPECT_EQ(lookingAhead.Names, expected);
  EXPECT_EQ(ExtractText(asked), ExtractText(plain));
}

TEST(PdfExportThreads, APageThatCannotBeRebuiltStopsTheExportWithItsError) {
  const std::string folder = TempPath("threads-broken");
  std::filesystem::create_directories(folder);
  auto report = WrappedList(folder);
  auto& pages = static_cast<TkvxPreviewPages&>(*report->PreviewPages);
  ASSERT_GT(pages.GetCount(), 3);
  // The third page holds an object of a class no program registers.
  TkvxXMLItem* page = pages.Root()->FindItem("previewpages")->Items(2);
  pages.Document().LoadItem(page);
  page->MarkChanged();
  page->Add()->Name = "TkvxNoSuchView";
  TkvxXMLItem* items = pages.Root()->FindItem("previewpages");
  auto loaded = [&] {
    std::string marks;
    for (Integer p = 0; p < pages.GetCount(); ++p) marks += items->Items(p)->Loaded() ? 'L' : '-';
    return marks;
  };
  const std::string before = loaded();

  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(folder + "/broken.pdf");
  EXPECT_THROW(pages.Export(&pdf), EClassNotFound);
  // Pages read back ahead of the failure are in the temporary file again.
  EXPECT_EQ(loaded(), before);
  // The pages before and after it still export on their own.
  pdf.PageNumbers = "1,2,4";
  const std::string file = folder + "/without.pdf";
  pdf.SetFileName(file);
  ASSERT_TRUE(pages.Export(&pdf));
  EXPECT_EQ(Shell("qpdf --show-npages " + Quote(file)), "3\n");
}

}  // namespace
}  // namespace orv
