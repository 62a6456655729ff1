// The main window's certificate, move-out notice and envelope over the demo parish, exported to
// PDF from their preview windows and read back with qpdf, pdffonts, pdftotext and pdfimages, and
// printed once each on the private CUPS server; an empty search prints nothing.
#include <algorithm>
#include <array>
#include <sstream>
#include <ctime>
#include <fstream>
#include <iterator>

#include "app/tests/DocumentTesting.h"
#include "platform/gui/tests/ScanBombJpeg.h"
#include "app/tests/OtherWindowsFixture.h"
#include "platform/gui/FormImage.h"
#include "platform/gui/Picture.h"
#include "platform/rtl/tests/MemoryBound.h"

namespace orv::test {
namespace {

// Today's date as the documents' issue line gives it: "ออกให้ ณ วันที่   7  ธันวาคม  ค.ศ. 2026".
std::string IssueLine() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char iso[16];
  std::strftime(iso, sizeof iso, "%Y-%m-%d", &local);
  std::string date = ThaiDate(iso);  // "7 ธันวาคม 2026"
  size_t year = date.rfind(' ');
  return "ออกให้ ณ วันที่ " + date.substr(0, year) + " ค.ศ. " + date.substr(year + 1);
}

class DocumentTest : public OtherWindowsTest {
 protected:
  void SetUp() override {
    OtherWindowsTest::SetUp();
    // Printers are listed once per process: the test server must be known before.
    server_ = testing::UseTestServer();
  }
  std::string Pdf(const std::string& name) const { return (dir_ / (name + ".pdf")).string(); }
  // One value of the demo parish read by sqlite3.
  std::string Value(const std::string& sql) { return Cli(sql); }
  // The main window on the demo parish, showing member id.
  TForm1* ShowMember(int id) {
    TForm1* f = StartMain();
    EXPECT_TRUE(f->ADOQuery1->Locate("ID", Variant(id), {}));
    return f;
  }

  testing::TCupsServer server_;
};

TEST_F(DocumentTest, CertificateAndMoveNoticeOfTheMemberShownWithThePhoto) {
  MakeDemo(40);
  const std::string member = "ID = 1";
  const std::string nm = Value("select Nm from Orvani where " + member);
  const std::string sur = Value("select sur from Orvani where " + member);
  ASSERT_FALSE(Value("select DateOut from Orvani where " + member).empty());
  // The PDF holds the member's photo at its own 120 by 160 pixels (the photo frame scales it),
  // and no other picture: not the parish logo.
  WriteJpeg((dir_ / "Picture" / (nm + " " + sur + ".jpg")).string(), 120, 160, clGreen);
  TForm1* f = ShowMember(1);

  ASSERT_TRUE(ExportShownDocument([&] { f->N4->Click(); }, Pdf("certificate")));
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"ต้องการพิมพ์เอกสารรับรองการรับศีลศักดิ์สิทธิ์ของ คุณ" + nm + " " + sur +
                                                " หรือ ?"}));
  CheckedPdfText(Pdf("certificate"));
  EXPECT_EQ(PdfPageCount(Pdf("certificate")), 1u);
  const std::string certificate = Pdf("certificate");
  for (const char* column : {"ChurchT", "ChurchE", "AddrT", "AddrE", "Father"})
    EXPECT_TRUE(Shows(certificate, Value(std::string("select ") + column + " from print"))) << column;
  EXPECT_TRUE(Shows(certificate, Value("select st || ' ' || Nm || ' ' || sur from Orvani where " + member)));
  for (const char* date : {"birth_date", "btsm_date", "fm_date", "cnfm_date", "mtmn_date"}) {
    std::string iso = Value(std::string("select ") + date + " from Orvani where " + member);
    ASSERT_FALSE(iso.empty()) << date;
    EXPECT_TRUE(Shows(certificate, ThaiDate(iso))) << date;
  }
  for (const char* column : {"btsm_No", "btsm_wat", "btsm_priest", "fm_No", "cnfm_No", "mtmn_No", "papa_nm"})
    EXPECT_TRUE(Shows(certificate, Value(std::string("select ") + column + " from Orvani where " + member)))
        << column;
  EXPECT_TRUE(Shows(certificate, IssueLine()));
  EXPECT_FALSE(Shows(certificate, Value("select Nm || ' ' || sur from Orvani where ID = 2")));
  std::vector<std::string> pictures = PdfImageSizes(certificate);
  EXPECT_EQ(pictures, std::vector<std::string>{"120x160"});
  EXPECT_EQ(RenderPages(certificate, "certificate"), 1);

  // The report closed the settings query it read; Enter in the settings panel saves all the same.
  EXPECT_FALSE(f->ADOQuery3->Active());
  Type(f->Edit5, "วัดนักบุญเทเรซา");
  EXPECT_EQ(Value("select ChurchT from print"), "วัดนักบุญเทเรซา");

  ASSERT_TRUE(ExportShownDocument([&] { f->N5->Click(); }, Pdf("move-notice")));
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"ต้องการพิมพ์เอกสารแจ้งย้ายของ คุณ" + nm + " " + sur + " หรือ ?"}));
  const std::string notice = Pdf("move-notice");
  CheckedPdfText(notice);
  EXPECT_TRUE(Shows(notice, "วัดนักบุญเทเรซา"));
  EXPECT_TRUE(Shows(notice, Value("select st || ' ' || Nm || ' ' || sur from Orvani where " + member)));
  // The birth date in the issue line's form, day, month and year with the era between.
  std::string birth = ThaiDate(Value("select birth_date from Orvani where " + member));
  size_t year = birth.rfind(' ');
  EXPECT_TRUE(Shows(notice, birth.substr(0, year) + "ค.ศ." + birth.substr(year + 1)));
  EXPECT_TRUE(Shows(notice, ThaiDate(Value("select DateOut from Orvani where " + member))));
  EXPECT_TRUE(Shows(notice, Value("select To_church from Orvani where " + member)));
  EXPECT_TRUE(Shows(notice, IssueLine()));
  pictures = PdfImageSizes(notice);
  EXPECT_EQ(pictures, std::vector<std::string>{"120x160"});
  EXPECT_EQ(RenderPages(notice, "move-notice"), 1);

  // Each prints once through the preview to the printer. The printer's PDF draws Thai marks
  // apart from their letters, so the member is recognised by the member code.
  const std::string code = Value("select NUM from Orvani where " + member);
  for (auto [command, title] : {std::pair{f->N4, "certificate"}, std::pair{f->N5, "move notice"}}) {
    testing::TCapturedJob job = PrintShownDocument([&] { command->Click(); }, server_, title);
    ASSERT_TRUE(job.Arrived) << title;
    EXPECT_TRUE(testing::QpdfAccepts(job.DocumentPath)) << title;
    std::string printed = testing::PdfText(job.DocumentPath, 1);
    EXPECT_NE(printed.find(code), std::string::npos) << title << "\n" << printed;
  }
}

TEST_F(DocumentTest, AMemberWithoutAPhotoGetsACertificateWithoutOne) {
  MakeDemo(10);
  TForm1* f = ShowMember(2);
  ASSERT_FALSE(std::filesystem::exists(PhotoFileName));
  Boxes();
  ASSERT_TRUE(ExportShownDocument([&] { f->N4->Click(); }, Pdf("no-photo")));
  // The question alone: a missing photo is no error.
  EXPECT_EQ(Boxes().size(), 1u);
  std::vector<std::string> pictures = PdfImageSizes(Pdf("no-photo"));
  EXPECT_EQ(std::count(pictures.begin(), pictures.end(), "113x151"), 0);
  EXPECT_EQ(std::count(pictures.begin(), pictures.end(), "113x126"), 0);
  EXPECT_TRUE(Shows(Pdf("no-photo"), Value("select Nm || ' ' || sur from Orvani where ID = 2")));
}

TEST_F(DocumentTest, ADateThatIsNoDatePrintsAsItsTextAndTheCertificateGoesOn) {
  MakeDemo(10);
  // Written by another tool: a Buddhist-era date in the local form, where ISO text belongs.
  Cli("update Orvani set birth_date = '31/2/2544', btsm_date = 'ไม่ทราบ' where ID = 2");
  TForm1* f = ShowMember(2);
  Boxes();
  ASSERT_TRUE(ExportShownDocument([&] { f->N4->Click(); }, Pdf("bad-date")));
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_TRUE(Shows(Pdf("bad-date"), Value("select Nm || ' ' || sur from Orvani where ID = 2")));
  EXPECT_TRUE(Shows(Pdf("bad-date"), "31/2/2544"));
}

// A small JPEG whose frame header is rewritten to claim width x height pixels; a progressive
// one is made so by jpegtran.
void WriteJpegClaiming(const std::string& file, int width, int height, bool progressive = false) {
  WriteJpeg(file, 16, 16, clRed);
  if (progressive) {
    ASSERT_EQ(std::system(("jpegtran -progressive -outfile '" + file + ".p' '" + file + "'").c_str()), 0);
    std::filesystem::rename(file + ".p", file);
  }
  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  size_t sof = bytes.find(progressive ? "\xFF\xC2" : "\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  bytes[sof + 5] = static_cast<char>(height >> 8);
  bytes[sof + 6] = static_cast<char>(height & 0xFF);
  bytes[sof + 7] = static_cast<char>(width >> 8);
  bytes[sof + 8] = static_cast<char>(width & 0xFF);
  std::ofstream(file, std::ios::binary) << bytes;
}

TEST_F(DocumentTest, PicturesClaimingHugeSizesShowAndPrintWithinMemory) {
  MakeDemo(10);
  const std::string nm = Value("select Nm from Orvani where ID = 1"), sur = Value("select sur from Orvani where ID = 1");
  // The member's photo claims 20,000 pixels a side, the parish logo 65,500: the one is shown
  // scaled down, the other as a frame saying why, and nothing stops.
  WriteJpegClaiming((dir_ / "Picture" / (nm + " " + sur + ".jpg")).string(), 20000, 20000);
  WriteJpegClaiming((dir_ / "Picture" / "Logo.jpg").string(), 65500, 65500);
  testing::WithinMemory(300, [&] {
    TForm1* f = ShowMember(1);
    EXPECT_EQ(f->Image1->Picture()->Width(), 20000);
    EXPECT_NE(GetFormImage(*f), nullptr);
    ASSERT_TRUE(ExportShownDocument([&] { f->N4->Click(); }, Pdf("huge-photo")));
    ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(2), {}));
    EXPECT_EQ(f->Image1->Picture()->Width(), 65500);
    EXPECT_NE(GetFormImage(*f), nullptr);
    ASSERT_TRUE(ExportShownDocument([&] { f->N4->Click(); }, Pdf("huge-logo")));
  });
  EXPECT_EQ(PdfPageCount(Pdf("huge-photo")), 1u);
  EXPECT_TRUE(Shows(Pdf("huge-logo"), Value("select Nm || ' ' || sur from Orvani where ID = 2")));
}

TEST_F(DocumentTest, AProgressivePhotoClaimingHugeSizesShowsAndPrintsAsAFrameWithinMemory) {
  MakeDemo(10);
  const std::string nm = Value("select Nm from Orvani where ID = 3"), sur = Value("select sur from Orvani where ID = 3");
  // Under 1 KB, claiming 20,000 pixels a side: a progressive file is held whole as coefficients
  // before any row comes out, whatever size it is shown at.
  const std::string photo = (dir_ / "Picture" / (nm + " " + sur + ".jpg")).string();
  WriteJpegClaiming(photo, 20000, 20000, true);
  ASSERT_LT(std::filesystem::file_size(photo), 1000u);
  // Bounded so that a fault cannot take the machine's memory, and measured, as libjpeg refused
  // memory fails cleanly.
  long long growth = 0;
  testing::WithinMemory(3500, [&] { growth = testing::PeakResidentGrowth([&] {
    TForm1* f = ShowMember(3);
    EXPECT_EQ(f->Image1->Picture()->Width(), 20000);
    std::unique_ptr<TBitmap> window = GetFormImage(*f);
    ASSERT_NE(window, nullptr);
    // The photo's box shows the grey frame that says why.
    const TRect box = f->Image1->BoundsRect();
    EXPECT_EQ(window->Canvas().Pixels(box.Left, (box.Top + box.Bottom) / 2), clGray);
    ASSERT_TRUE(ExportShownDocument([&] { f->N4->Click(); }, Pdf("progressive-photo")));
  }); });
  EXPECT_LT(growth, 300);
  EXPECT_EQ(PdfPageCount(Pdf("progressive-photo")), 1u);
  EXPECT_TRUE(Shows(Pdf("progressive-photo"), Value("select Nm || ' ' || sur from Orvani where ID = 3")));
}

TEST_F(DocumentTest, APhotoOfThousandsOfScansShowsAndPrintsAsTheFrameAtOnce) {
  MakeDemo(10);
  const std::string nm = Value("select Nm from Orvani where ID = 3"), sur = Value("select sur from Orvani where ID = 3");
  // 2 MB of scans, each a pass over the whole picture: decoded, they held start-up and the
  // window for minutes.
  testing::WriteScanBombJpeg((dir_ / "Picture" / (nm + " " + sur + ".jpg")).string(), 2048, 2 << 20);
  TForm1* f = ShowMember(3);
  EXPECT_EQ(f->Image1->Picture()->Width(), 2048);
  std::unique_ptr<TBitmap> window = GetFormImage(*f);
  ASSERT_NE(window, nullptr);
  const TRect box = f->Image1->BoundsRect();
  EXPECT_EQ(window->Canvas().Pixels(box.Left, (box.Top + box.Bottom) / 2), clGray);
  ASSERT_TRUE(ExportShownDocument([&] { f->N4->Click(); }, Pdf("scan-bomb")));
  EXPECT_EQ(PdfPageCount(Pdf("scan-bomb")), 1u);
  EXPECT_TRUE(Shows(Pdf("scan-bomb"), Value("select Nm || ' ' || sur from Orvani where ID = 3")));
}

// The pixels of the first page of pdf as pdftoppm renders it at 72 dpi, and how many of them
// are within tolerance of colour.
int PixelsOfColour(const std::string& pdf, int r, int g, int b, int tolerance) {
  const std::string base = pdf + "-page";
  testing::Run("pdftoppm -r 72 -f 1 -l 1 -singlefile '" + pdf + "' '" + base + "'");
  std::ifstream in(base + ".ppm", std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maxval = 0;
  in >> magic >> width >> height >> maxval;
  in.get();
  int count = 0;
  for (int i = 0; i < width * height; ++i) {
    unsigned char p[3];
    if (!in.read(reinterpret_cast<char*>(p), 3)) break;
    if (std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance) ++count;
  }
  return count;
}

TEST_F(DocumentTest, APngSavedAsJpgShowsOnScreenAndOnTheCertificate) {
  MakeDemo(10);
  const std::string nm = Value("select Nm from Orvani where ID = 4"), sur = Value("select sur from Orvani where ID = 4");
  // Put there by another program: PNG bytes (written by Python's zlib) under the photo's name.
  const std::string photo = (dir_ / "Picture" / (nm + " " + sur + ".jpg")).string();
  ASSERT_TRUE(WritePng(photo, 120, 160, 200, 40, 180));
  ASSERT_EQ(FileBytes(photo).substr(1, 3), "PNG");
  TForm1* f = ShowMember(4);
  EXPECT_EQ(ShownPhotoPath, PhotoFileName);
  EXPECT_EQ(f->Image1->Picture()->Width(), 120);
  std::unique_ptr<TBitmap> window = GetFormImage(*f);
  ASSERT_NE(window, nullptr);
  const TRect box = f->Image1->BoundsRect();
  EXPECT_EQ(window->Canvas().Pixels((box.Left + box.Right) / 2, (box.Top + box.Bottom) / 2), RGB(200, 40, 180));

  Boxes();
  ASSERT_TRUE(ExportShownDocument([&] { f->N4->Click(); }, Pdf("png-photo")));
  // Only the question: no box about a file that is not a JPEG.
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(PdfImageSizes(Pdf("png-photo")), std::vector<std::string>{"120x160"});
  // On the page the photo's colour covers its frame (about 57 x 76 points at 72 dpi).
  EXPECT_GT(PixelsOfColour(Pdf("png-photo"), 200, 40, 180, 8), 2000);
  EXPECT_EQ(RenderPages(Pdf("png-photo"), "png-photo-certificate"), 1);
}

TEST_F(DocumentTest, AfterASearchThatFindsNoOneNothingIsPrinted) {
  MakeDemo(20);
  TForm1* f = ShowMember(3);
  f->RadioButton1->SetChecked(true);
  f->Edit1->SetText("ไม่มีใครชื่อนี้");
  Word enter = VK_RETURN;
  f->Edit1KeyUp(f->Edit1, enter, {});
  ASSERT_TRUE(f->ADOQuery1->IsEmpty());
  Boxes();
  for (TMenuItem* command : {f->N4, f->N5, f->N9}) {
    SCOPED_TRACE(command->Caption());
    EXPECT_FALSE(ExportShownDocument([&] { command->Click(); }, Pdf("nothing")));
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"ไม่มีข้อมูลที่จะพิมพ์"}));
    EXPECT_FALSE(std::filesystem::exists(Pdf("nothing")));
  }
  EXPECT_FALSE(f->Panel4->Visible());
}

// Another program deletes the member on screen: its certificate and move notice are no blank
// forms to sign; the user is told the member is no longer in the parish, and nothing prints.
TEST_F(DocumentTest, TheDocumentsOfAMemberDeletedMeanwhileAreNotPrinted) {
  MakeDemo(20);
  TForm1* f = ShowMember(3);
  Cli("delete from Orvani where ID = 3");
  Boxes();
  for (TMenuItem* command : {f->N4, f->N5}) {
    SCOPED_TRACE(command->Caption());
    EXPECT_FALSE(ExportShownDocument([&] { command->Click(); }, Pdf("deleted")));
    std::vector<std::string> boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(),
              "สมาชิกคนนี้ไม่อยู่ในทะเบียนวัดแล้ว (โปรแกรมอื่นลบออกไปหลังจากที่เปิดขึ้นมาดู) จึงไม่ได้พิมพ์เอกสาร "
              "ให้ค้นหาใหม่เพื่อดูข้อมูลล่าสุด");
    EXPECT_FALSE(std::filesystem::exists(Pdf("deleted")));
  }
}

TEST_F(DocumentTest, EnvelopePanelSavesItsSettingsAndPrintsItsLines) {
  MakeDemo(20);
  const std::string member = "ID = 4";
  TForm1* f = ShowMember(4);
  const std::string nm = Value("select Nm from Orvani where " + member);
  const std::string sur = Value("select sur from Orvani where " + member);
  f->N9->Click();
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"ต้องการพิมพ์จ่าหน้าซองจดหมายถึง คุณ" + nm + "  " + sur + " หรือ ?"}));
  ASSERT_TRUE(f->Panel4->Visible());
  EXPECT_EQ(f->Panel4->Left(), 175);
  EXPECT_EQ(f->Edit17->Text(), "เรียน");
  EXPECT_EQ(f->Edit18->Text(), "คุณ");
  EXPECT_EQ(f->Edit19->Text(), nm + "  " + sur);
  EXPECT_EQ(f->Edit20->Text(), Value("select Address1 from Orvani where " + member));
  EXPECT_EQ(f->Edit21->Text(), Value("select Address2 from Orvani where " + member));
  EXPECT_EQ(f->Edit22->Text(), Value("select ChurchT from print"));
  EXPECT_EQ(f->Edit23->Text(), Value("select AddrT from print"));

  // The four parish lines are saved on Enter, trimmed; blanks alone save an empty text.
  Type(f->Edit17, "  กราบเรียน ");
  EXPECT_EQ(Value("select '[' || sen || ']' from print"), "[กราบเรียน]");
  Type(f->Edit18, "   ");
  EXPECT_EQ(Value("select Prefix is null, '[' || Prefix || ']' from print"), "0|[]");
  Type(f->Edit18, "คุณ");
  Type(f->Edit22, "วัดนักบุญยอห์น");
  Type(f->Edit23, "1 ถนนเจริญกรุง กรุงเทพฯ 10500");
  EXPECT_EQ(Value("select Prefix, ChurchT, AddrT from print"), "คุณ|วัดนักบุญยอห์น|1 ถนนเจริญกรุง กรุงเทพฯ 10500");
  // Keys other than Enter save nothing.
  f->Edit17->SetText("ถึง");
  Press(f->Edit17, 'A');
  EXPECT_EQ(Value("select sen from print"), "กราบเรียน");
  f->Edit17->SetText("กราบเรียน");

  ASSERT_TRUE(ExportShownDocument([&] { f->BitBtn5->Click(); }, Pdf("member-envelope")));
  EXPECT_FALSE(f->Panel4->Visible());
  const std::string envelope = Pdf("member-envelope");
  CheckedPdfText(envelope);
  EXPECT_EQ(testing::PdfPageSizes(envelope), (std::vector<std::string>{"624x312"}));
  for (const std::string& line : {std::string("กราบเรียน"), "คุณ  " + nm + "  " + sur,
                                  Value("select Address1 from Orvani where " + member),
                                  Value("select Address2 from Orvani where " + member), std::string("วัดนักบุญยอห์น"),
                                  std::string("1 ถนนเจริญกรุง กรุงเทพฯ 10500")})
    EXPECT_TRUE(Shows(envelope, line)) << line;
  EXPECT_EQ(RenderPages(envelope, "member-envelope"), 1);

  // Cancel only hides the panel.
  f->N9->Click();
  f->BitBtn6->Click();
  EXPECT_FALSE(f->Panel4->Visible());
  EXPECT_EQ(ShownPreviewForm(), nullptr);

  f->N9->Click();
  testing::TCapturedJob job = PrintShownDocument([&] { f->BitBtn5->Click(); }, server_, "member envelope");
  ASSERT_TRUE(job.Arrived);
  EXPECT_TRUE(testing::QpdfAccepts(job.DocumentPath));
  const std::string house = Value("select Address1 from Orvani where " + member);
  EXPECT_NE(testing::PdfText(job.DocumentPath, 1).find(house.substr(0, house.find(' '))), std::string::npos);
}

TEST_F(DocumentTest, EnvelopeOfAMemberWithoutASurnameHasNoAddressee) {
  MakeDemo(20);
  Cli("update Orvani set sur = null where ID = 6");
  const std::string nm = Value("select Nm from Orvani where ID = 6");
  TForm1* f = ShowMember(6);
  f->N9->Click();
  EXPECT_EQ(f->Edit19->Text(), "");
  ASSERT_TRUE(ExportShownDocument([&] { f->BitBtn5->Click(); }, Pdf("no-surname")));
  EXPECT_FALSE(Shows(Pdf("no-surname"), nm));
  EXPECT_TRUE(Shows(Pdf("no-surname"), Value("select Address1 from Orvani where ID = 6")));
}

TEST_F(DocumentTest, FirstEnvelopeOnAnOlderDatabaseAddsSalutationAndTitle) {
  MakeDemo(10);
  Cli("alter table print drop column sen; alter table print drop column Prefix;");
  TForm1* f = ShowMember(2);
  f->N9->Click();
  EXPECT_EQ(Value("select sen, Prefix from print"), "เรียน|คุณ");
  EXPECT_EQ(f->Edit17->Text(), "เรียน");
  EXPECT_EQ(f->Edit18->Text(), "คุณ");
}

}  // namespace
}  // namespace orv::test

namespace orv::test {
namespace {

// The mean colour of each quarter of a picture, ImageMagick reading it: "r,g,b" four times,
// row by row.
std::vector<std::array<int, 3>> Quarters(const std::string& file) {
  std::vector<std::array<int, 3>> quarters;
  std::istringstream in(testing::Run("convert " + Quoted(file) + " -scale '2x2!' -depth 8 txt:-"));
  for (std::string line; std::getline(in, line);) {
    std::array<int, 3> c{};
    if (line[0] != '#' && std::sscanf(line.c_str(), "%*d,%*d: (%d,%d,%d", &c[0], &c[1], &c[2]) == 3)
      quarters.push_back(c);
  }
  return quarters;
}

bool SameQuarters(const std::vector<std::array<int, 3>>& a, const std::vector<std::array<int, 3>>& b) {
  if (a.size() != 4 || b.size() != 4) return false;
  for (size_t i = 0; i < 4; ++i)
    for (size_t k = 0; k < 3; ++k)
      if (std::abs(a[i][k] - b[i][k]) > 16) return false;
  return true;
}

std::string Describe(const std::vector<std::array<int, 3>>& q) {
  std::string text;
  for (const auto& c : q) text += "(" + std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]) + ") ";
  return text;
}

}  // namespace

// Phone photos of every EXIF orientation, chosen for a member: the stored photo is upright
// without the tag, and it shows and prints upright, as ImageMagick's -auto-orient turns the
// chosen file. A photo put into the picture folder with its tag shows and prints upright too.
TEST_F(DocumentTest, PhotosOfEveryOrientationAreTakenInShownAndPrintedUpright) {
  MakeDemo(3);
  const std::string nm = Value("select Nm from Orvani where ID = 2"), sur = Value("select sur from Orvani where ID = 2");
  const std::filesystem::path photo = dir_ / "Picture" / (nm + " " + sur + ".jpg");
  std::filesystem::create_directories(dir_ / "phone");
  // Four blocks of clear colours, wider than high: every turn and mirror shows.
  const std::string plain = (dir_ / "phone" / "plain.jpg").string();
  ASSERT_EQ(std::system(("convert -size 64x32 xc:red -fill blue -draw 'rectangle 32,0 63,15' -fill lime -draw "
                         "'rectangle 0,16 31,31' -fill yellow -draw 'rectangle 32,16 63,31' -quality 95 " +
                         Quoted(plain))
                            .c_str()),
            0);
  TForm1* f = ShowMember(2);
  for (int orientation = 1; orientation <= 9; ++orientation) {
    // The ninth is the tagged photo put straight into the picture folder.
    const bool chosen = orientation <= 8;
    const int tag = chosen ? orientation : 6;
    SCOPED_TRACE(tag);
    const std::string file = (dir_ / "phone" / ("IMG_" + std::to_string(orientation) + ".jpg")).string();
    std::ofstream(file, std::ios::binary) << testing::WithOrientation(FileBytes(plain), tag);
    const std::string upright = file + ".png";
    ASSERT_EQ(std::system(("convert " + Quoted(file) + " -auto-orient " + Quoted(upright)).c_str()), 0);
    const auto expected = Quarters(upright);
    const bool portrait = tag >= 5;
    if (chosen) {
      dialogs_->QueueFiles({file});
      f->Image1Click(f);
      // Stored upright, without the tag that would turn it again (an upright one as it came).
      EXPECT_EQ(testing::Run("identify -format '%[orientation] %wx%h' " + Quoted(photo.string())),
                std::string(tag == 1 ? "TopLeft 64x32" : portrait ? "Undefined 32x64" : "Undefined 64x32"));
      EXPECT_TRUE(SameQuarters(Quarters(photo.string()), expected))
          << Describe(Quarters(photo.string())) << "against " << Describe(expected);
    } else {
      std::filesystem::remove(photo);
      std::filesystem::copy_file(file, photo);
      f->FindPic();
    }
    EXPECT_EQ(f->Image1->Picture()->Width(), portrait ? 32 : 64);
    EXPECT_EQ(f->Image1->Picture()->Height(), portrait ? 64 : 32);
    // On screen: the middle of each quarter of the photo's frame.
    std::unique_ptr<TBitmap> window = GetFormImage(*f);
    ASSERT_NE(window, nullptr);
    const TRect box = f->Image1->BoundsRect();
    for (int i = 0; i < 4; ++i) {
      const int x = box.Left + (box.Right - box.Left) * (1 + 2 * (i % 2)) / 4;
      const int y = box.Top + (box.Bottom - box.Top) * (1 + 2 * (i / 2)) / 4;
      const TColor shown = window->Canvas().Pixels(x, y);
      EXPECT_NEAR(GetRValue(shown), expected[i][0], 24) << "quarter " << i;
      EXPECT_NEAR(GetGValue(shown), expected[i][1], 24) << "quarter " << i;
      EXPECT_NEAR(GetBValue(shown), expected[i][2], 24) << "quarter " << i;
    }
    // On the certificate: the picture the PDF holds, as pdfimages takes it out.
    const std::string pdf = Pdf("orientation-" + std::to_string(orientation));
    ASSERT_TRUE(ExportShownDocument([&] { f->N4->Click(); }, pdf));
    EXPECT_EQ(PdfImageSizes(pdf), std::vector<std::string>{portrait ? "32x64" : "64x32"});
    const std::string images = (dir_ / ("images-" + std::to_string(orientation))).string();
    testing::Run("pdfimages -png " + Quoted(pdf) + " " + Quoted(images));
    EXPECT_TRUE(SameQuarters(Quarters(images + "-000.png"), expected))
        << Describe(Quarters(images + "-000.png")) << "against " << Describe(expected);
  }
}

}  // namespace orv::test
