// Report files over an SQLite parish, run by orvane-report, on what reaches the pages apart from
// the bands' placing: a run a script stops half way through its first pass, values that read like
// the memo's own page markers, picture files that cannot be read, and bookmarks asked for without
// the export dialog. Each checked against sqlite3 and against the PDF as poppler and qpdf read it.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "platform/gui/Bitmap.h"
#include "report/engine/tests/SqliteReportSupport.h"
#include "report/model/PictureView.h"

namespace orv::test {
namespace {

using Texts = std::vector<std::string>;

class OutputOverSqlite : public TParishTest {};

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Joined(const Texts& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  return all;
}

// Pixels that are not white in a box of the PDF's first page, in report pixels (poppler draws
// the page at 96 dpi, one pixel to each).
int InkIn(const std::string& pdf, int left, int top, int width, int height) {
  const std::string base = pdf + "-ink";
  if (std::system(("pdftoppm -r 96 -f 1 -l 1 -singlefile '" + pdf + "' '" + base + "'").c_str()) != 0) return -1;
  std::string ppm = ReadText(base + ".ppm");
  int w = 0, h = 0, max = 0, header = 0;
  if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &w, &h, &max, &header) != 3 || max != 255) return -1;
  const size_t start = static_cast<size_t>(header) + 1;
  if (ppm.size() < start + static_cast<size_t>(w) * static_cast<size_t>(h) * 3) return -1;
  int ink = 0;
  for (int y = top; y < std::min(top + height, h); ++y)
    for (int x = left; x < std::min(left + width, w); ++x) {
      const unsigned char* rgb = reinterpret_cast<const unsigned char*>(ppm.data()) + start + (static_cast<size_t>(y) * w + x) * 3;
      if (rgb[0] < 250 || rgb[1] < 250 || rgb[2] < 250) ++ink;
    }
  return ink;
}

TEST_F(OutputOverSqlite, ARunStoppedInItsFirstPassKeepsItsPagesWithTheirValues) {
  TReportFile f;
  // A script makes the report one of two passes; it stops the run at the hundredth family,
  // which the first pass reaches.
  f.Report->EngineOptions()->DoublePass = true;
  f.Report->ScriptText()->SetText(
      "procedure StopAtHundred(Sender: TObject);\r\nbegin\r\n"
      "  if Report.GetDataset('F').Value['ID'] = 100 then Engine.StopReport;\r\nend;\r\n"
      "begin\r\nend.");
  auto* familyBand = f.Band<TkvxMasterData>("FamilyBand", 20, 20);
  familyBand->SetDataSet(f.Data("F"));
  familyBand->OnBeforePrint = "StopAtHundred";
  f.Memo(familyBand, "FamilyName", "[F.\"Name\"] id=[F.\"ID\"]");
  f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "Numbers", "page=[Page#] of=[TotalPages#]");
  TPrepared p = RunReportFile(*parish_, f, "stopped-first-pass", {"F=select * from Family order by ID"});
  ASSERT_FALSE(p.Texts.empty());
  // Every family up to where the run stopped, in order and with its own name, once.
  std::vector<int> ids;
  Texts names;
  for (size_t page = 0; page < p.Texts.size(); ++page) {
    for (const std::string& text : p.Texts[page]) {
      EXPECT_EQ(text.find('['), std::string::npos) << "design text on page " << page + 1 << ": " << text;
      if (text.rfind("ครอบครัว", 0) == 0) names.push_back(text);
    }
    for (int id : Numbers(p.Texts[page], "id")) ids.push_back(id);
  }
  ASSERT_GE(ids.size(), 99u);
  ASSERT_LE(ids.size(), 100u);
  Texts expected = parish_->Rows("select Name || ' id=' || ID from Family where ID <= " +
                                 std::to_string(ids.size()) + " order by ID");
  EXPECT_EQ(names, expected);
  // The footers, as the PDF shows them: each page its number and the number of pages made.
  const int pages = static_cast<int>(p.Texts.size());
  Texts lines = PdfLines(p.Pdf);
  for (int page = 1; page <= pages; ++page) {
    std::string footer = "page=" + std::to_string(page) + " of=" + std::to_string(pages);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), footer), 1) << footer << " in\n" << Joined(lines);
  }
}

TEST_F(OutputOverSqlite, AValueThatReadsLikeAPageMarkerIsPrintedAsItStands) {
  TReportFile f;
  auto* familyBand = f.Band<TkvxMasterData>("FamilyBand", 20, 20);
  familyBand->SetDataSet(f.Data("F"));
  f.Memo(familyBand, "Remark", "[F.\"Remark\"]", 0, 500);
  f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "Numbers", "หน้า [Page#] จาก [TotalPages#] [CopyName#]", 0, 500);
  TPrepared p = RunReportFile(
      *parish_, f, "marker-values",
      {"F=select ID, Name || ' [TotalPages#] [CopyName#] [Page#]' as Remark from Family where ID <= 40 order by ID"});
  // 17 rows of 20 pixels above the footer on each page.
  ASSERT_EQ(p.Texts.size(), 3u);
  Texts lines = PdfLines(p.Pdf);
  for (const std::string& remark : parish_->Rows(
           "select Name || ' [TotalPages#] [CopyName#] [Page#]' from Family where ID <= 40 order by ID"))
    EXPECT_EQ(std::count(lines.begin(), lines.end(), remark), 1) << remark;
  // The memo's own markers are filled in; outside printing the copy name is empty.
  for (int page = 1; page <= 3; ++page) {
    std::string footer = "หน้า " + std::to_string(page) + " จาก 3";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), footer), 1) << footer;
  }
  // The saved pages drawn again, and the same file as the program wrote it before the markers
  // had characters of their own (the total and the copy written out as text).
  auto drawnLastPage = [](TkvxPreviewPages& pages) {
    TBitmap canvas(800, 400);
    pages.DrawPage(pages.GetCount() - 1, &canvas.Canvas(), 1, 1, 0, 0);
    return PageTexts(pages.GetPage(pages.GetCount() - 1));
  };
  const std::string remark = "ครอบครัว40 [TotalPages#] [CopyName#] [Page#]", footer = "หน้า 3 จาก 3 ";
  Texts drawn = drawnLastPage(p.Pages());
  EXPECT_EQ(std::count(drawn.begin(), drawn.end(), remark), 1);
  EXPECT_EQ(std::count(drawn.begin(), drawn.end(), footer), 1);
  const std::string qpv = parish_->Dir() + "/marker-values.qpv", older = parish_->Dir() + "/marker-values-older.qpv";
  std::string text = ReadText(qpv);
  ASSERT_NE(text.find(" TotalMarks=\"1\""), std::string::npos);
  text.erase(text.find(" TotalMarks=\"1\""), 15);
  for (size_t at; (at = text.find("\xEE\x80\x82")) != std::string::npos;) text.replace(at, 3, "[TotalPages#]");
  for (size_t at; (at = text.find("\xEE\x80\x83")) != std::string::npos;) text.replace(at, 3, "[CopyName#]");
  std::ofstream(older, std::ios::binary) << text;
  TkvxReport report(nullptr);
  auto& pages = *static_cast<TkvxPreviewPages*>(report.PreviewPages);
  ASSERT_TRUE(pages.LoadFromFile(older));
  drawn = drawnLastPage(pages);
  EXPECT_EQ(std::count(drawn.begin(), drawn.end(), footer), 1);
}

// A band of families (data set F) 40 pixels high, each with its name.
TkvxMasterData* FamilyNames(TReportFile& f) {
  auto* familyBand = f.Band<TkvxMasterData>("FamilyBand", 20, 40);
  familyBand->SetDataSet(f.Data("F"));
  f.Memo(familyBand, "FamilyName", "[F.\"Name\"]");
  return familyBand;
}

// A picture view of 36 pixels square at left on band.
TkvxPictureView* PictureOn(TkvxBand* band, const String& name, Extended left) {
  auto* picture = new TkvxPictureView(band);
  picture->SetName(name);
  picture->SetBounds(left, 0, 36, 36);
  return picture;
}

// Pictures kept in the database that no reader knows, or that a reader takes and finds nothing
// in, are each named with the record that holds them; empty and missing ones are not.
TEST_F(OutputOverSqlite, APictureFieldThatCannotBeReadIsNamedWithItsRecord) {
  const std::string sound = std::string(ORVANE_SHARED_DIR) + "/testdata/pngsuite/basn2c08.png";
  TReportFile f;
  TkvxMasterData* familyBand = FamilyNames(f);
  TkvxPictureView* stamp = PictureOn(familyBand, "Stamp", 500);
  stamp->SetDataSet(familyBand->DataSet());
  stamp->SetDataField("Seal");
  // 1 a sound PNG, 2 bytes of no format, 3 a bare "BM", 4 "BM" and a header of nothing,
  // 5 no value, 6 an empty value.
  parish_->Rows("create table Seal (Family integer primary key, Pic blob); insert into Seal values (1, readfile('" +
                sound + "')), (2, x'5A17C3D2E4F6081A2B3C4D5E6F708192A3B4C5D6'), (3, x'424D'), (4, x'424D" +
                std::string(120, '0') + "'), (5, null), (6, x'');");
  RunReportFile(*parish_, f, "picture-fields",
                {"F=select ID, Name, Pic as Seal from Family join Seal on Seal.Family = Family.ID order by ID"});
  std::string err = ReadText(parish_->Dir() + "/picture-fields.err");
  for (int record = 1; record <= 6; ++record) {
    const bool named = record >= 2 && record <= 4;
    EXPECT_EQ(err.find("Stamp: the picture in field \"Seal\" of F cannot be read in record " + std::to_string(record) + " ") !=
                  std::string::npos,
              named)
        << "record " << record << ": " << err;
  }
}

TEST_F(OutputOverSqlite, APictureFileThatCannotBeReadPrintsEmptyAndIsNamed) {
  const std::string folder = parish_->Dir() + "/pictures";
  std::filesystem::create_directories(folder);
  const std::string sound = std::string(ORVANE_SHARED_DIR) + "/testdata/pngsuite/basn2c08.png";
  std::filesystem::copy_file(sound, folder + "/sound.png", std::filesystem::copy_options::overwrite_existing);
  // The first half of the same picture: its signature promises a PNG that never ends.
  std::string bytes = ReadText(sound);
  std::ofstream(folder + "/cut.png", std::ios::binary) << bytes.substr(0, bytes.size() / 2);

  TReportFile f;
  TkvxMasterData* familyBand = FamilyNames(f);
  PictureOn(familyBand, "Photo", 400)->FileLink = "[F.\"Pic\"]";
  // A picture kept in the database: family 4's is a PNG signature and nothing more.
  TkvxPictureView* stamp = PictureOn(familyBand, "Stamp", 500);
  stamp->SetDataSet(familyBand->DataSet());
  stamp->SetDataField("Seal");
  // Family 2's file is cut short, family 3's is missing; 1 and 4 show the sound picture.
  TPrepared p = RunReportFile(*parish_, f, "pictures",
                              {"F=select ID, Name, '" + folder + "/' || case ID when 2 then 'cut.png' when 3 then "
                               "'missing.png' else 'sound.png' end as Pic, case ID when 4 then "
                               "x'89504E470D0A1A0A0000000D49484452' end as Seal from Family where ID <= 4 order by ID"});
  std::string err = ReadText(parish_->Dir() + "/pictures.err");
  EXPECT_NE(err.find("Photo: the picture file \"" + folder + "/cut.png\" cannot be read"), std::string::npos) << err;
  EXPECT_EQ(err.find("missing.png"), std::string::npos) << err;
  EXPECT_NE(err.find("Stamp: the picture in field \"Seal\" of F cannot be read"), std::string::npos) << err;
  // Every family is printed; the boxes of the rows without a picture stay white.
  Texts lines = PdfLines(p.Pdf);
  for (const std::string& name : parish_->Rows("select Name from Family where ID <= 4 order by ID"))
    EXPECT_EQ(std::count(lines.begin(), lines.end(), name), 1) << name;
  std::vector<int> drawn;
  for (int row = 0; row < 4; ++row) drawn.push_back(InkIn(p.Pdf, 400, row * 40, 36, 36));
  EXPECT_GT(drawn[0], 500);
  EXPECT_EQ(drawn[1], 0);
  EXPECT_EQ(drawn[2], 0);
  EXPECT_GT(drawn[3], 500);
  EXPECT_EQ(InkIn(p.Pdf, 500, 0, 36, 160), 0);
}

// Families (data set F) in groups of their zone, each zone with its bookmark; the family band.
TkvxMasterData* ZonesOfFamilies(TReportFile& f) {
  auto* zone = f.Band<TkvxGroupHeader>("ZoneHead", 20, 20);
  zone->Condition = "F.\"Zone\"";
  zone->SetOutlineText("'หมู่ ' + VarToStr(<F.\"Zone\">)");
  f.Memo(zone, "ZoneName", "zone=[F.\"Zone\"]");
  auto* familyBand = f.Band<TkvxMasterData>("FamilyBand", 40, 20);
  familyBand->SetDataSet(f.Data("F"));
  f.Memo(familyBand, "FamilyName", "[F.\"Name\"]");
  return familyBand;
}

TEST_F(OutputOverSqlite, ThePdfCarriesTheOutlineAsBookmarksWithoutTheDialog) {
  TReportFile f;
  // The preview hides the outline; orvane-report asks the filter for bookmarks all the same.
  f.Report->PreviewOptions()->OutlineVisible = false;
  ZonesOfFamilies(f);
  TPrepared p = RunReportFile(*parish_, f, "bookmarks", {"F=select * from Family where ID <= 90 order by ID"});
  std::string json = p.Pdf + ".json";
  ASSERT_EQ(std::system(("qpdf --json --json-key=outlines '" + p.Pdf + "' > '" + json + "'").c_str()), 0);
  std::string text = ReadText(json);
  std::regex title("\"title\": \"([^\"]*)\"");
  Texts titles;
  for (std::sregex_iterator m(text.begin(), text.end(), title), end; m != end; ++m) titles.push_back((*m)[1]);
  EXPECT_EQ(titles, parish_->Rows("select distinct 'หมู่ ' || Zone from Family where ID <= 90 order by Zone"));
}

// The bookmarks of a PDF of a page range are those of the whole report whose pages it holds,
// rows of a group begun before the range among them, as qpdf reads both files.
TEST_F(OutputOverSqlite, APdfOfAPageRangeKeepsEveryBookmarkOfItsPages) {
  TReportFile f;
  ZonesOfFamilies(f)->SetOutlineText("<F.\"Name\">");
  const std::string data = "F=select * from Family where ID <= 90 order by ID";
  // Every bookmark as "page|title", in the order of the tree.
  auto bookmarks = [](const std::string& pdf) {
    std::string list = pdf + ".bookmarks";
    EXPECT_EQ(std::system(("qpdf --json --json-key=outlines '" + pdf +
                           "' | python3 -c 'import json, sys\n"
                           "def walk(items):\n"
                           "  for i in items:\n"
                           "    print(str(i[\"destpageposfrom1\"]) + \"|\" + i[\"title\"])\n"
                           "    walk(i[\"kids\"])\n"
                           "walk(json.load(sys.stdin)[\"outlines\"])' > '" + list + "'")
                              .c_str()),
              0);
    std::vector<std::pair<int, std::string>> found;
    std::istringstream in(ReadText(list));
    for (std::string line; std::getline(in, line);)
      found.emplace_back(std::stoi(line.substr(0, line.find('|'))), line.substr(line.find('|') + 1));
    return found;
  };
  std::vector<std::pair<int, std::string>> whole = bookmarks(RunReportFile(*parish_, f, "range-whole", {data}).Pdf);
  ASSERT_EQ(whole.size(), 93u);
  std::vector<std::pair<int, std::string>> expected;
  for (const auto& [page, title] : whole)
    if (page >= 3 && page <= 4) expected.emplace_back(page - 2, title);
  ASSERT_GT(expected.size(), 20u);
  EXPECT_EQ(bookmarks(RunReportFile(*parish_, f, "range-3-4", {data}, "3-4").Pdf), expected);
}

}  // namespace
}  // namespace orv::test
