// Every document of the register printed whole: each of the 29 templates, prepared by the window
// that owns it over the demo parish and over a parish whose texts fill their columns (Thai with
// stacked marks, Latin with descenders), has every page drawn at 300 dpi by the drawing the
// preview and the printer share, once with the memos clipping their text and once without. Text
// that a memo cuts shows as a difference between the two pictures. A 150-dpi picture of the
// first page of each document stays in "document-pages/clip" to be looked at, and for the long
// texts the PDF export's picture of that page beside it.
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "app/Documents.h"
#include "app/tests/DocumentTesting.h"
#include "app/tests/OtherWindowsFixture.h"
#include "png/PNGObject.h"
#include "report/model/DBDataset.h"
#include "report/engine/PreviewPages.h"
#include "report/model/MemoView.h"
#include "report/model/Pages.h"

namespace orv::test {
namespace {

constexpr double kDpi = 300;

// Words for the texts at their longest: Thai letters with tails below, below vowels, upper
// vowels with tone marks stacked on them, and Latin letters with descenders.
const char kLongWords[] = "ญี่ปุ่นฟั้ง ฏู่ฐิ้ปั๊ Gypsy jpgq ฝั่งปู่ ฎีญู่ฤๅ quipy ";

// The pixels of a page drawn on white at kDpi by the drawing the preview and the printer share,
// every memo clipping its text or none.
std::unique_ptr<TBitmap> DrawPagePicture(TkvxPreviewPages& pages, Integer index, TkvxReportPage& page,
                                         bool clipped) {
  for (TkvxComponent* obj : page.AllObjects())
    if (auto* memo = dynamic_cast<TkvxCustomMemoView*>(obj)) memo->Clipped = clipped;
  const double scale = kDpi / 96;
  const int w = static_cast<int>(std::lround(page.PaperWidth() * kDpi / 25.4));
  const int h = static_cast<int>(std::lround(page.PaperHeight() * kDpi / 25.4));
  auto bitmap = std::make_unique<TBitmap>(w, h, pf24bit);
  bitmap->Canvas().Brush().SetColor(clWhite);
  bitmap->Canvas().FillRect(TRect{0, 0, w, h});
  pages.DrawPage(index, &bitmap->Canvas(), scale, scale, 0, 0);
  return bitmap;
}

// Where a and b differ, a flag per pixel; empty when they are the same.
std::vector<bool> Difference(TBitmap& a, TBitmap& b) {
  std::vector<bool> mask;
  const int bytes = a.Width() * 3;
  for (int y = 0; y < a.Height(); ++y) {
    const Byte* pa = a.ScanLine(y);
    const Byte* pb = b.ScanLine(y);
    if (std::equal(pa, pa + bytes, pb)) continue;
    if (mask.empty()) mask.assign(static_cast<size_t>(a.Width()) * a.Height(), false);
    for (int x = 0; x < a.Width(); ++x)
      if (!std::equal(pa + 3 * x, pa + 3 * x + 3, pb + 3 * x)) mask[static_cast<size_t>(y) * a.Width() + x] = true;
  }
  return mask;
}

// Half the size, each pixel the mean of four: the 150-dpi picture kept for looking at.
void SaveHalfSize(TBitmap& full, const std::filesystem::path& file) {
  const int w = full.Width() / 2, h = full.Height() / 2;
  TBitmap half(w, h, pf24bit);
  for (int y = 0; y < h; ++y) {
    const Byte* r0 = full.ScanLine(2 * y);
    const Byte* r1 = full.ScanLine(2 * y + 1);
    Byte* out = half.ScanLine(y);
    for (int x = 0; x < 3 * w; ++x) {
      const int c = x % 3, px = x / 3;
      out[x] = static_cast<Byte>((r0[6 * px + c] + r0[6 * px + 3 + c] + r1[6 * px + c] + r1[6 * px + 3 + c] + 2) / 4);
    }
  }
  TPNGObject png;
  png.Assign(&half);
  png.SaveToFile(file.string());
}

class DocumentClipTest : public OtherWindowsTest {
 protected:
  // Every text column of table as long as its declared length lets it be (TEXT without one:
  // 100 characters), written with the long words.
  void FillColumns(const std::string& table) {
    std::string words;
    while (words.size() < 4000) words += kLongWords;
    for (const std::string& line : Lines(Cli("select name || '|' || type from pragma_table_info('" + table + "')"))) {
      const size_t bar = line.find('|');
      const std::string column = line.substr(0, bar), type = line.substr(bar + 1);
      if (type.rfind("TEXT", 0) != 0 || column == "sex") continue;
      const size_t open = type.find('(');
      const std::string length = open == std::string::npos ? "100" : type.substr(open + 1, type.find(')') - open - 1);
      Cli("update " + table + " set \"" + column + "\" = rtrim(substr('" + words + "', 1, " + length + "))");
    }
  }

  void MakeLongParish() {
    MakeDemo(12);
    for (const char* table : {"Orvani", "print", "church", "MarriageNotify"}) FillColumns(table);
  }

  // A marriage notification filled from its first member, so the notice has something to show.
  void AddNotification() {
    Cli("insert into MarriageNotify (Notify_No, MarriageID, Marriage_Date, Witness1, Witness2, Priest, Notify_to,"
        " Certify_Date, Certify_By, Groom, Gr_religion, GrBap_place, GrBap_Date, GrBap_No, Groom_Fr, GrFr_religion,"
        " Groom_Mo, GrMo_religion, Bride, Br_religion, BrBap_place, BrBap_Date, BrBap_No, Bride_Fr, BrFr_religion,"
        " Bride_Mo, BrMo_religion)"
        " select 1, mtmn_No, mtmn_date, mtmn_father, mtmn_mother, mtmn_priest, couple_Church, mtmn_date, mtmn_priest,"
        " st || ' ' || Nm || ' ' || sur, religion, btsm_wat, btsm_date, btsm_No, papa_st || ' ' || papa_nm,"
        " papa_relig, mama_st || ' ' || mama_nm, mama_relig, couple_St || ' ' || couple_nm, couple_religion,"
        " couple_btsmPlace, couple_btsmDate, couple_btsmNo, couple_FrSt || ' ' || couple_FrNm, couple_FrRelig,"
        " couple_MoSt || ' ' || couple_MoNm, couple_MoRelig from Orvani where ID = 1");
  }

  // Prepares report from template and checks every page; returns the number of pages.
  int ExpectWhole(TkvxReport* report, const char* templateName, const std::string& parish) {
    // The PDF's picture of each kind of page: the one-page documents, a member list, a
    // statistics list and the summary (the other lists differ only in their columns).
    const std::string kind = templateName;
    const bool keepPdf = parish == "long" &&
                         (kind.rfind("members-", 0) != 0 || kind == "members-by-name.xml") &&
                         (kind.rfind("statistics-", 0) != 0 || kind == "statistics-birth.xml" ||
                          kind == "statistics-summary.xml");
    LoadDocument(*report, templateName);
    EXPECT_TRUE(report->PrepareReport(true)) << templateName << "\n" << report->Errors->Text();
    auto* pages = dynamic_cast<TkvxPreviewPages*>(report->PreviewPages);
    EXPECT_NE(pages, nullptr) << templateName;
    if (!pages) return 0;
    const Integer count = pages->GetCount();
    EXPECT_GT(count, 0) << templateName;
    const double scale = kDpi / 96;
    std::string name = templateName;
    name = parish + "-" + name.substr(0, name.size() - 4);
    const std::filesystem::path folder = std::filesystem::current_path() / "document-pages" / "clip";
    std::filesystem::create_directories(folder);
    for (Integer i = 0; i < count; ++i) {
      std::shared_ptr<TkvxReportPage> page = pages->GetPageShared(i);
      if (!page) continue;
      std::unique_ptr<TBitmap> clipped = DrawPagePicture(*pages, i, *page, true);
      std::unique_ptr<TBitmap> whole = DrawPagePicture(*pages, i, *page, false);
      if (i == 0) SaveHalfSize(*clipped, folder / (name + ".png"));
      std::vector<bool> diff = Difference(*clipped, *whole);
      if (diff.empty()) continue;
      // Clipping can change nothing inside a memo: differences there are the rasteriser's own (a
      // clipped painter places antialiased edges a little differently). What a memo cuts off lies
      // outside every memo, if only in the gaps between them.
      const int w = clipped->Width(), h = clipped->Height();
      const double offX = page->LeftMargin() * kvxPixelsPerMM, offY = page->TopMargin() * kvxPixelsPerMM;
      struct TTextBox {
        TkvxCustomMemoView* Memo;
        double L, T, R, B;
      };
      std::vector<TTextBox> boxes;
      for (TkvxComponent* obj : page->AllObjects())
        if (auto* memo = dynamic_cast<TkvxCustomMemoView*>(obj))
          boxes.push_back({memo, (memo->AbsLeft() + offX) * scale, (memo->AbsTop() + offY) * scale,
                           (memo->AbsLeft() + offX + memo->Width()) * scale,
                           (memo->AbsTop() + offY + memo->Height()) * scale});
      for (const TTextBox& box : boxes)
        for (int y = std::max(0, int(box.T) - 1); y <= std::min(h - 1, int(box.B) + 1); ++y)
          for (int x = std::max(0, int(box.L) - 1); x <= std::min(w - 1, int(box.R) + 1); ++x)
            diff[static_cast<size_t>(y) * w + x] = false;
      if (std::find(diff.begin(), diff.end(), true) == diff.end()) continue;
      // Name the memos beside the cut pixels.
      std::ostringstream cut;
      for (const TTextBox& box : boxes) {
        const double reach = std::abs(box.Memo->Font()->Height()) * scale;
        int above = 0, below = 0, beside = 0;
        for (int y = std::max(0, int(box.T - reach)); y < std::min(h, int(box.B + reach)); ++y)
          for (int x = std::max(0, int(box.L - reach)); x < std::min(w, int(box.R + reach)); ++x) {
            if (!diff[static_cast<size_t>(y) * w + x]) continue;
            if (y < box.T) ++above;
            else if (y > box.B) ++below;
            else ++beside;
          }
        if (above + below + beside == 0) continue;
        std::string text = box.Memo->GetComponentText();
        text = text.substr(0, text.find_first_of("\r\n"));
        cut << "\n  " << box.Memo->Name() << " (" << above << " pixels above, " << below << " below, " << beside
            << " beside) \"" << text.substr(0, 90) << "\"";
      }
      ADD_FAILURE() << parish << " " << templateName << " page " << i + 1 << ": clipping cuts" << cut.str();
    }
    if (!keepPdf) return count;
    // The first page as the PDF export draws it, for looking at beside the drawing.
    const std::filesystem::path pdf = dir_ / (name + ".pdf");
    TkvxPDFExport filter(nullptr);
    filter.SetShowDialog(false);
    filter.SetShowProgress(false);
    filter.SetFileName(pdf.string());
    filter.PageNumbers = "1";
    EXPECT_TRUE(pages->Export(&filter)) << templateName;
    testing::Run("pdftoppm -r 150 -f 1 -l 1 -singlefile -png " + Quoted(pdf.string()) + " " +
                 Quoted((folder / (name + "-pdf")).string()));
    return count;
  }

  // All 29 documents of the parish in the working folder.
  void ExpectEveryDocumentWhole(const std::string& parish) {
    AddNotification();
    TForm1* f = StartMain();
    ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(1), {}));
    f->ADOQuery3->Close();
    f->ADOQuery3->SQL().SetText("Select * from print");

    // Certificate, move-out notice and the envelope from the main window's panel.
    ExpectWhole(f->kvxReport1, "certificate.xml", parish);
    if (parish == "demo") {
      // A parent's religion stands in brackets when there is one, and no empty brackets otherwise.
      auto* pages = dynamic_cast<TkvxPreviewPages*>(f->kvxReport1->PreviewPages);
      std::shared_ptr<TkvxReportPage> page = pages ? pages->GetPageShared(0) : nullptr;
      ASSERT_TRUE(page);
      auto textOf = [&](const char* name) {
        for (TkvxComponent* obj : page->AllObjects())
          if (obj->Name() == name) return static_cast<TkvxCustomMemoView*>(obj)->GetComponentText();
        return std::string("(missing)");
      };
      EXPECT_EQ(textOf("FatherMemo").find('('), std::string::npos) << textOf("FatherMemo");
      EXPECT_NE(textOf("MotherMemo").find("(" + Cli("select mama_relig from Orvani where ID = 1") + ")"),
                std::string::npos)
          << textOf("MotherMemo");
    }
    ExpectWhole(f->kvxReport2, "move-notice.xml", parish);
    f->ADOQuery3->Open();
    const std::string longest(Cli("select ChurchT from print"));
    f->Edit17->SetText(Cli("select sen from print"));
    f->Edit18->SetText(Cli("select Prefix from print"));
    f->Edit19->SetText(Cli("select Nm || '  ' || sur from Orvani where ID = 1"));
    f->Edit20->SetText(Cli("select Address1 from Orvani where ID = 1"));
    f->Edit21->SetText(Cli("select Address2 from Orvani where ID = 1"));
    f->Edit22->SetText(longest);
    f->Edit23->SetText(Cli("select AddrT from print"));
    ExpectWhole(f->kvxReport3, "member-envelope.xml", parish);

    // The seventeen member lists, over every member.
    const std::pair<TkvxReport*, const char*> lists[] = {
        {f->kvxReport4, "members-by-name.xml"},
        {f->kvxReport5, "members-by-saint.xml"},
        {f->kvxReport6, "members-by-group.xml"},
        {f->kvxReport7, "members-by-code.xml"},
        {f->kvxReport8, "members-by-birthday.xml"},
        {f->kvxReport9, "members-by-house.xml"},
        {f->kvxReport10, "members-by-family.xml"},
        {f->kvxReport11, "members-by-occupation.xml"},
        {f->kvxReport12, "members-by-death-day.xml"},
        {f->kvxReport13, "members-by-baptism-godparents.xml"},
        {f->kvxReport19, "members-moved-in.xml"},
        {f->kvxReport20, "members-moved-out.xml"},
        {f->kvxReport14, "members-by-confirmation-sponsors.xml"},
        {f->kvxReport15, "members-by-marriage-witnesses.xml"},
        {f->kvxReport16, "members-by-father.xml"},
        {f->kvxReport17, "members-by-mother.xml"},
        {f->kvxReport18, "members-by-baptism-church.xml"},
    };
    for (auto [report, name] : lists) {
      f->ADOQuery7->Close();
      f->ADOQuery7->SQL().SetText("select *, mtmn_father || '-' || mtmn_mother as FaMo from Orvani order by Gang, Nm");
      f->ADOQuery7->Open();
      ExpectWhole(report, name, parish);
    }

    // The statistics window's summary and its six lists.
    auto* stats = Open<TForm4>();
    stats->Button1->Click();
    stats->Memo1->Lines()->Add(stats->StatResultText);
    ExpectWhole(stats->kvxReport1, "statistics-summary.xml", parish);
    const std::pair<TkvxReport*, const char*> statLists[] = {
        {stats->kvxReport2, "statistics-birth.xml"},         {stats->kvxReport3, "statistics-baptism.xml"},
        {stats->kvxReport4, "statistics-first-communion.xml"}, {stats->kvxReport5, "statistics-confirmation.xml"},
        {stats->kvxReport6, "statistics-marriage.xml"},      {stats->kvxReport7, "statistics-death.xml"},
    };
    for (auto [report, name] : statLists) {
      stats->ADOQuery1->Close();
      stats->ADOQuery1->SQL().SetText("select * from Orvani order by ID");
      stats->ADOQuery1->Open();
      ExpectWhole(report, name, parish);
    }

    // The marriage notification and the churches' envelope.
    f->ADOQuery3->Open();
    auto* notices = Open<TForm2>();
    // As printing from the window does: the settings row is the main window's.
    notices->kvxDBDataset2->SetDataSet(f->ADOQuery3);
    ExpectWhole(notices->kvxReport1, "marriage-notice.xml", parish);
    auto* churches = Open<TForm3>();
    churches->Edit1->SetText(longest);
    churches->Edit2->SetText(Cli("select AddrT from print"));
    churches->Edit3->SetText(Cli("select sen from print"));
    churches->Edit4->SetText("คุณพ่อเจ้าอาวาส ");
    churches->Edit5->SetText("วัด" + Cli("select \"Name-Church\" from church limit 1"));
    churches->Edit6->SetText(Cli("select Address1 from church limit 1"));
    churches->Edit7->SetText(Cli("select Address2 from church limit 1"));
    ExpectWhole(churches->kvxReport1, "church-envelope.xml", parish);
  }
};

TEST_F(DocumentClipTest, EveryDocumentOfTheDemoParishPrintsWhole) {
  // A page of each list: the rows of a second page are rows of the same kind.
  MakeDemo(24);
  Cli("update Orvani set papa_relig = NULL where ID = 1");
  ExpectEveryDocumentWhole("demo");
}

TEST_F(DocumentClipTest, TextsAsLongAsTheirColumnsPrintWhole) {
  MakeLongParish();
  ExpectEveryDocumentWhole("long");
}

}  // namespace
}  // namespace orv::test
