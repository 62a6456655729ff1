// orvane-report reads its fonts while it opens the data, and takes a font's ascent from the face
// fontconfig finds: the pages it prints must be those of the same report run and exported here,
// where the fonts were read before anything else.
#include <fstream>
#include <regex>
#include <sstream>

#include "platform/db/ADODB.h"
#include "report/engine/tests/SqliteReportSupport.h"
#include "report/model/MemoView.h"
#include "report/pdf/PdfExport.h"

namespace orv::test {
namespace {

// The PDF with its creation and modification dates and its /ID blanked.
std::string PdfWithoutDates(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  std::string text = s.str();
  text = std::regex_replace(text, std::regex(R"(/(Creation|Mod)Date *\([^)]*\))"), "/$1Date()");
  return std::regex_replace(text, std::regex(R"(/ID *\[[^\]]*\])"), "/ID[]");
}

using ReportToolFonts = TParishTest;

TEST_F(ReportToolFonts, TheToolPrintsThePagesOfARunWithItsFontsReadFirst) {
  TReportFile file;
  TkvxDBDataset* families = file.Data("F");
  file.Memo(file.Band<TkvxPageHeader>("PH", 0, 30), "Heading", "ทะเบียนครอบครัว วัดนักบุญยอแซฟ", 0, 700, 30)
      ->Font()
      ->SetHeight(-21);
  auto* data = file.Band<TkvxMasterData>("Data", 40, 20);
  data->SetDataSet(families);
  data->SetStretched(true);
  // Fonts whose ascent comes from their face, and those the window system still gives: a
  // fixed-pitch font and a height that is the whole cell.
  struct TColumn {
    const char* Name;
    const char* Text;
    const char* Font;
    int Height;
    TFontStyles Style;
    TFontPitch Pitch;
  };
  const TColumn columns[] = {
      {"Name", "[F.\"Name\"] ครอบครัวที่ [F.\"ID\"]", "Laksaman", -15, {fsBold}, fpDefault},
      {"Note", "[F.\"Note\"]", "Tahoma", -13, {}, fpDefault},
      {"Gift", "[F.\"Gift\"] บาท", "Courier New", -12, {}, fpFixed},
      {"Zone", "หมู่ [F.\"Zone\"] Angsana", "Angsana New", 20, {fsItalic}, fpDefault},
      {"Latin", "Family [F.\"ID\"] of zone [F.\"Zone\"]", "Arial", -11, {}, fpDefault},
  };
  Extended left = 0;
  for (const TColumn& c : columns) {
    TkvxMemoView* memo = file.Memo(data, c.Name, c.Text, left, 130, 20);
    memo->Font()->SetName(c.Font);
    memo->Font()->SetHeight(c.Height);
    memo->Font()->SetStyle(c.Style);
    memo->Font()->SetPitch(c.Pitch);
    memo->SetStretchMode(smMaxHeight);
    left += 140;
  }
  file.Memo(file.Band<TkvxPageFooter>("PF", 200, 30), "Foot", "หน้า [Page#] จาก [TotalPages#]", 400, 300, 30);
  const std::string sql = "select * from Family order by ID";
  TPrepared tool = RunReportFile(*parish_, file, "fonts", {"F=" + sql});
  ASSERT_GT(tool.Pages().GetCount(), 10);

  TComponent window(nullptr);
  auto* connection = new TADOConnection(&window);
  connection->SetConnectionString("Provider=SQLite;Data Source=" + parish_->Db() + ";Mode=Share Deny None");
  connection->Open();
  auto* query = new TADOQuery(&window);
  query->SetConnection(connection);
  query->SQL().SetText(sql);
  auto* bridge = new TkvxDBDataset(&window);
  bridge->SetName("F");
  bridge->SetUserName("F");
  bridge->SetDataSet(query);
  TkvxReport report(&window);
  report.EngineOptions()->NewSilentMode = simSilent;
  ASSERT_TRUE(report.LoadFromFile(parish_->Dir() + "/fonts.xml"));
  report.DataSets->Add()->SetDataSet(bridge);
  ASSERT_TRUE(report.PrepareReport()) << report.Errors->Text();
  ASSERT_EQ(report.PreviewPages->GetCount(), tool.Pages().GetCount());
  const std::string pdf = parish_->Dir() + "/fonts-here.pdf";
  TkvxPDFExport exporter(&window);
  exporter.SetShowDialog(false);
  exporter.SetShowProgress(false);
  exporter.SetFileName(pdf);
  exporter.Outline = true;
  ASSERT_TRUE(report.PreviewPages->Export(&exporter));
  EXPECT_TRUE(PdfWithoutDates(pdf) == PdfWithoutDates(tool.Pdf)) << "the tool's PDF differs from " << pdf;
}

}  // namespace
}  // namespace orv::test
