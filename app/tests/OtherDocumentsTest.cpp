// The marriage notification of the notifications window and the envelope of the churches
// window, exported to PDF from their preview windows, read back with outside tools, and printed
// once each on the private CUPS server; each window prints its own picture and rows.
#include <algorithm>

#include "app/tests/DocumentTesting.h"
#include "app/tests/OtherWindowsFixture.h"

namespace orv::test {
namespace {

class OtherDocumentTest : public OtherWindowsTest {
 protected:
  void SetUp() override {
    OtherWindowsTest::SetUp();
    server_ = testing::UseTestServer();
  }
  std::string Pdf(const std::string& name) const { return (dir_ / (name + ".pdf")).string(); }
  // The wedding picture of a marriage number: register numbers hold a slash, which a file name
  // in the picture folder cannot.
  std::string PictureOf(std::string marriageId) {
    std::replace(marriageId.begin(), marriageId.end(), '/', '-');
    return (dir_ / "Picture" / (marriageId + ".jpg")).string();
  }
  static bool Holds(const std::vector<std::string>& sizes, const std::string& size) {
    return std::find(sizes.begin(), sizes.end(), size) != sizes.end();
  }

  testing::TCupsServer server_;
};

TEST_F(OtherDocumentTest, EachNotificationWindowPrintsItsOwnNotificationAndPicture) {
  MakeDemo(30);
  auto stored = [&](int no, const char* column) {
    return Cli(std::string("select ") + column + " from MarriageNotify where Notify_No = " + std::to_string(no));
  };
  // Pictures of three shapes, each scaled into its 113 by 151 frame: the first notification's
  // wide (113x56), the second's square (113x113), the member's photo upright (113x151).
  WriteJpeg(PictureOf(stored(1, "MarriageID")), 200, 100, clRed);
  WriteJpeg(PictureOf(stored(2, "MarriageID")), 100, 100, clBlue);
  TForm1* main = StartMain();
  ASSERT_TRUE(main->ADOQuery1->Locate("ID", Variant(1), {}));
  WriteJpeg(PhotoFileName, 120, 160, clGreen);

  TForm2* first = Open<TForm2>();
  TForm2* second = Open<TForm2>();
  second->RadioButton4->SetChecked(true);
  Type(second->Edit1, stored(2, "MarriageID"));
  ASSERT_EQ(second->ADOQuery1->RecordCount(), 1);
  Boxes();

  ASSERT_TRUE(ExportShownDocument([&] { first->N2->Click(); }, Pdf("first")));
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"ต้องการพิมพ์เอกสารแจ้งการสมรสของคุณ " + stored(1, "Groom") + " กับ " +
                                                stored(1, "Bride") + " หรือ ?"}));
  const std::string notice = Pdf("first");
  CheckedPdfText(notice);
  EXPECT_EQ(PdfPageCount(notice), 1u);
  EXPECT_TRUE(Shows(notice, "Notification of Marriage"));
  for (const char* column : {"ChurchT", "ChurchE", "AddrT", "AddrE"})
    EXPECT_TRUE(Shows(notice, Cli(std::string("select ") + column + " from print"))) << column;
  for (const char* column : {"Groom", "Bride", "MarriageID", "Witness1", "Witness2", "Priest", "Groom_Fr",
                             "Bride_Mo", "GrBap_place", "BrBap_No", "Gr_religion", "Certify_By", "Notify_to"})
    EXPECT_TRUE(Shows(notice, stored(1, column))) << column;
  int dates = 0;
  for (const char* column : {"Marriage_Date", "GrBap_Date", "BrBap_Date", "Certify_Date"}) {
    std::string iso = stored(1, column);
    if (iso.empty()) continue;
    EXPECT_TRUE(Shows(notice, ThaiDate(iso))) << column;
    ++dates;
  }
  EXPECT_GE(dates, 3);
  // The current notification alone, whatever the list holds.
  EXPECT_FALSE(Shows(notice, stored(2, "Groom")));
  // Each picture at its own pixels.
  EXPECT_TRUE(Holds(PdfImageSizes(notice), "200x100"));
  EXPECT_FALSE(Holds(PdfImageSizes(notice), "100x100"));
  EXPECT_FALSE(Holds(PdfImageSizes(notice), "120x160"));
  EXPECT_EQ(RenderPages(notice, "marriage-notice"), 1);

  // The second window, made later and moved to another notification, prints that one.
  ASSERT_TRUE(ExportShownDocument([&] { second->N2->Click(); }, Pdf("second")));
  EXPECT_TRUE(Shows(Pdf("second"), stored(2, "Groom")));
  EXPECT_FALSE(Shows(Pdf("second"), stored(1, "Groom")));
  EXPECT_TRUE(Holds(PdfImageSizes(Pdf("second")), "100x100"));
  EXPECT_FALSE(Holds(PdfImageSizes(Pdf("second")), "200x100"));

  // And the main window's certificate keeps the member's photo.
  ASSERT_TRUE(ExportShownDocument([&] { main->N4->Click(); }, Pdf("certificate")));
  EXPECT_TRUE(Holds(PdfImageSizes(Pdf("certificate")), "120x160"));
  EXPECT_FALSE(Holds(PdfImageSizes(Pdf("certificate")), "100x100"));

  testing::TCapturedJob job = PrintShownDocument([&] { first->N2->Click(); }, server_, "notification");
  ASSERT_TRUE(job.Arrived);
  EXPECT_TRUE(testing::QpdfAccepts(job.DocumentPath));
  EXPECT_NE(testing::PdfText(job.DocumentPath, 1).find(stored(1, "MarriageID")), std::string::npos);
}

TEST_F(OtherDocumentTest, ChurchEnvelopeIsOneDlPageOfThePanelsLines) {
  MakeDemo(20);
  TForm3* f = Open<TForm3>();
  // Before the panel was filled the seven lines are empty: one page all the same.
  ASSERT_TRUE(ExportShownDocument([&] { f->BitBtn1->Click(); }, Pdf("empty")));
  EXPECT_EQ(PdfPageCount(Pdf("empty")), 1u);

  ASSERT_TRUE(f->ADOQuery1->Locate("ID-Church", Variant(String("100101")), {}));
  auto church = [&](const char* column) {
    return Cli(std::string("select \"") + column + "\" from church where \"ID-Church\" = '100101'");
  };
  f->N1->Click();
  ASSERT_TRUE(f->Panel1->Visible());
  ASSERT_TRUE(ExportShownDocument([&] { f->BitBtn1->Click(); }, Pdf("church-envelope")));
  const std::string envelope = Pdf("church-envelope");
  CheckedPdfText(envelope);
  EXPECT_EQ(testing::PdfPageSizes(envelope), (std::vector<std::string>{"624x312"}));
  for (const std::string& line : {Cli("select ChurchT from print"), Cli("select AddrT from print"),
                                  std::string("เรียน"), "คุณพ่อเจ้าอาวาส วัด" + church("Name-Church"),
                                  church("Address1"), church("Address2")})
    EXPECT_TRUE(Shows(envelope, line)) << line;
  EXPECT_EQ(RenderPages(envelope, "church-envelope"), 1);

  // A line changed in the panel prints as changed.
  f->Edit3->SetText("กราบเรียน");
  testing::TCapturedJob job = PrintShownDocument([&] { f->BitBtn1->Click(); }, server_, "church envelope");
  ASSERT_TRUE(job.Arrived);
  EXPECT_TRUE(testing::QpdfAccepts(job.DocumentPath));
  EXPECT_EQ(testing::PdfPageSizes(job.DocumentPath).size(), 1u);
  std::string address = church("Address2");
  EXPECT_NE(testing::PdfText(job.DocumentPath, 1).find(address.substr(address.rfind(' ') + 1)), std::string::npos);
}

}  // namespace
}  // namespace orv::test
