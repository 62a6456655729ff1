// Templates found beside the program and loaded into a window's report: data set names resolve
// in the owning window only, a missing or damaged template is refused by its file name, and a
// report run from a window shows its pages in its own modal preview window.
#include <fstream>

#include "app/Documents.h"
#include "app/tests/DocumentTesting.h"
#include "report/model/DBDataset.h"

namespace orv::test {
namespace {

// A template of the tests' own, written into the program's template folder for one test.
class TScratchTemplate {
 public:
  TScratchTemplate(const std::string& name, const std::string& xml) : path_(DocumentFile(name)) {
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path());
    std::ofstream(path_, std::ios::binary) << xml;
  }
  ~TScratchTemplate() { std::filesystem::remove(path_); }

 private:
  std::string path_;
};

// One line per row of kvxDBDataset1, and a total page count so that the report makes two passes.
const char* const kListTemplate = R"(<?xml version="1.0" encoding="utf-8"?>
<TkvxReport Version="4.7.84" EngineOptions.DoublePass="True">
  <TkvxReportPage Name="Page1" PaperWidth="210" PaperHeight="297" PaperSize="9" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10" Font.Name="Laksaman" Font.Height="-21" Font.Charset="222">
    <TkvxMasterData Name="MasterData1" Left="0" Top="40" Width="718" Height="30" DataSetName="kvxDBDataset1">
      <TkvxMemoView Name="Memo1" Left="0" Top="0" Width="700" Height="30" Text="แถว [kvxDBDataset1.&#34;Nm&#34;] ของ [Page#]/[TotalPages#]"/>
    </TkvxMasterData>
  </TkvxReportPage>
</TkvxReport>
)";

// A window of its own: a query over names and the report data set "kvxDBDataset1" over it.
struct TWindow {
  TWindow(const std::string& db, const std::string& sql) : owner(nullptr) {
    auto* connection = new TADOConnection(&owner);
    connection->SetConnectionString("Data Source=" + db);
    connection->Open();
    query = new TADOQuery(&owner);
    query->SetConnection(connection);
    query->SQL().SetText(sql);
    auto* bridge = new TkvxDBDataset(&owner);
    bridge->SetName("kvxDBDataset1");
    bridge->SetDataSet(query);
    report = CreateDocumentReport(&owner, "kvxReport1");
  }
  TComponent owner;
  TADOQuery* query;
  TkvxReport* report;
};

class DocumentsTest : public ParishTest {
 protected:
  void SetUp() override {
    ParishTest::SetUp();
    Sqlite3(Db(), "create table names (Nm text); insert into names values ('อัลฟา'), ('เบต้า'), ('แกมมา');");
  }
  std::string Pdf(const std::string& name) const { return (dir_ / (name + ".pdf")).string(); }
};

TEST_F(DocumentsTest, EachWindowsReportReadsItsOwnDataSetOfTheSameName) {
  TScratchTemplate list("scratch-window-list.xml", kListTemplate);
  TWindow first(Db(), "select Nm from names where Nm = 'อัลฟา'");
  TWindow second(Db(), "select Nm from names where Nm <> 'อัลฟา' order by Nm");
  LoadDocument(*first.report, "scratch-window-list.xml");
  LoadDocument(*second.report, "scratch-window-list.xml");

  // Both data sets are in the list every data set enters; a lookup there by name would give
  // the second window's report the first window's rows.
  ASSERT_TRUE(ExportShownDocument([&] { first.report->ShowReport(true); }, Pdf("first")));
  std::string text = CheckedPdfText(Pdf("first"));
  EXPECT_EQ(Occurrences(text, "แถว"), 1) << text;
  EXPECT_NE(text.find("อัลฟา"), std::string::npos) << text;
  EXPECT_NE(text.find("1/1"), std::string::npos) << text;

  ASSERT_TRUE(ExportShownDocument([&] { second.report->ShowReport(true); }, Pdf("second")));
  text = CheckedPdfText(Pdf("second"));
  EXPECT_EQ(Occurrences(text, "แถว"), 2) << text;
  EXPECT_EQ(text.find("อัลฟา"), std::string::npos) << text;
  EXPECT_NE(text.find("แกมมา"), std::string::npos) << text;
  // The preview window is gone once closed, and the report no longer points at it.
  EXPECT_EQ(ShownPreviewForm(), nullptr);
  EXPECT_EQ(second.report->PreviewForm(), nullptr);
  EXPECT_EQ(second.report->Preview(), nullptr);
}

TEST_F(DocumentsTest, ARunThatCannotStartClosesItsPreviewWindowAndSaysWhy) {
  // The page and its band read the same data set, which the engine refuses before any pass.
  std::string conflict = kListTemplate;
  conflict.replace(conflict.find("PaperSize=\"9\""), 13, "PaperSize=\"9\" DataSetName=\"kvxDBDataset1\"");
  TScratchTemplate both("scratch-conflict.xml", conflict);
  TWindow window(Db(), "select Nm from names");
  LoadDocument(*window.report, "scratch-conflict.xml");
  bool exported = false;
  EXPECT_TRUE(RunToPreview([&] { window.report->ShowReport(true); }, [&](TkvxPreviewForm&) { exported = true; }));
  EXPECT_FALSE(exported);
  EXPECT_EQ(ShownPreviewForm(), nullptr);
  ASSERT_FALSE(dialogs_->Shown().empty());
  EXPECT_NE(dialogs_->LastText().find("The following error(s) have occured:"), std::string::npos);
  EXPECT_NE(dialogs_->LastText().find("Cannot use the same dataset for Page.DataSet and Band.DataSet"),
            std::string::npos)
      << dialogs_->LastText();
}

TEST_F(DocumentsTest, MissingAndDamagedTemplatesAreRefusedByTheirFileName) {
  TWindow window(Db(), "select Nm from names");
  try {
    LoadDocument(*window.report, "no-such-document.xml");
    ADD_FAILURE() << "a missing template was loaded";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find(DocumentFile("no-such-document.xml")), std::string::npos) << e.Message();
  }
  std::string damaged = kListTemplate;
  damaged.resize(damaged.size() / 2);
  TScratchTemplate half("scratch-damaged.xml", damaged);
  try {
    LoadDocument(*window.report, "scratch-damaged.xml");
    ADD_FAILURE() << "a damaged template was loaded";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find(DocumentFile("scratch-damaged.xml")), std::string::npos) << e.Message();
  }
}

}  // namespace
}  // namespace orv::test
