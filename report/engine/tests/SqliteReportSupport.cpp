#include "report/engine/tests/SqliteReportSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "report/model/LegacyText.h"

namespace orv::test {

namespace {

std::string Quote(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::erase(line, '\f');
    lines.push_back(line);
  }
  return lines;
}

// Members per family: 0 to 4, so that some families have none.
const char* kParish = R"(
create table Zone (ID integer primary key, Name text);
create table Family (ID integer primary key, Zone integer, Name text, Gift integer, Note text);
create table Member (ID integer primary key, Family integer, Name text);
with recursive n(i) as (select 1 union all select i + 1 from n where i < 10)
  insert into Zone select i, 'หมู่ ' || i from n;
with recursive n(i) as (select 1 union all select i + 1 from n where i < 300)
  insert into Family select i, (i - 1) / 30 + 1, 'ครอบครัว' || i, i % 7 * 10,
    replace(hex(zeroblob(i % 4 + 1)), '00', 'บรรทัด' || char(10)) from n;
with recursive n(i) as (select 1 union all select i + 1 from n where i < 1200)
  insert into Member select i, (i - 1) / 4 + 1, 'สมาชิก' || i from n where (i - 1) % 4 < ((i - 1) / 4 + 1) * 7 % 5;
)";

}  // namespace

TSqliteParish::TSqliteParish() {
  dir_ = std::filesystem::temp_directory_path() / ("orvane-sqlite-report-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
  db_ = dir_ + "/Orvane.db";
  FILE* sql = popen(("sqlite3 -batch " + Quote(db_)).c_str(), "w");
  fputs(kParish, sql);
  EXPECT_EQ(pclose(sql), 0) << "sqlite3 could not make the parish";
}

TSqliteParish::~TSqliteParish() {
  // ORVANE_KEEP_PARISH keeps the reports, their pages and PDFs for a person to look at.
  if (!std::getenv("ORVANE_KEEP_PARISH")) std::filesystem::remove_all(dir_);
}

std::vector<std::string> TSqliteParish::Rows(const std::string& query) const {
  std::string out = dir_ + "/sqlite-out.txt";
  int status = std::system(("sqlite3 -batch -noheader " + Quote(db_) + " " + Quote(query) + " >" + out).c_str());
  EXPECT_EQ(status, 0) << query;
  return Lines(ReadFile(out));
}

int TSqliteParish::Count(const std::string& query) const {
  std::vector<std::string> rows = Rows(query);
  return rows.empty() ? -1 : std::stoi(rows[0]);
}

TSqliteParish* TParishTest::parish_ = nullptr;

const char* const kFollowMasters =
    "procedure FamiliesOfZone(Sender: TObject);\r\nbegin\r\n"
    "  Report.GetDataset('F').Params['zone'] := Report.GetDataset('Z').Value['ID'];\r\nend;\r\n"
    "procedure MembersOfFamily(Sender: TObject);\r\nbegin\r\n"
    "  Report.GetDataset('M').Params['family'] := Report.GetDataset('F').Value['ID'];\r\nend;\r\n"
    "begin\r\nend.";

TReportFile::TReportFile() {
  RegisterEngineObjects();
  Window = std::make_unique<TComponent>(nullptr);
  Report = new TkvxReport(Window.get());
  Page = AddPage("Page1");
}

TReportFile::~TReportFile() = default;

TkvxReportPage* TReportFile::AddPage(const String& name) {
  auto* page = new TkvxReportPage(Report);
  page->SetName(name);
  page->SetPaperWidth(200);
  page->SetPaperHeight(100);
  page->SetLeftMargin(0), page->SetRightMargin(0), page->SetTopMargin(0), page->SetBottomMargin(0);
  return page;
}

TkvxDBDataset* TReportFile::Data(const String& alias) {
  auto* data = new TkvxDBDataset(Window.get());
  data->SetName(alias);
  return data;
}

TkvxMemoView* TReportFile::Memo(TkvxBand* band, const String& name, const String& text, Extended left,
                                Extended width, Extended height) {
  auto* memo = new TkvxMemoView(band);
  memo->SetName(name);
  memo->SetBounds(left, 0, width, height);
  memo->Font()->SetName("Tahoma");
  memo->Font()->SetCharset(THAI_CHARSET);
  memo->SetText(kvxUtf8ToWide(text));
  return memo;
}

TkvxDetailData* TReportFile::Members(Extended top, Extended left) {
  auto* members = Band<TkvxDetailData>("MemberBand", top, 20);
  members->SetDataSet(Data("M"));
  members->OnMasterDetail = "MembersOfFamily";
  Memo(members, "MemberName", "[M.\"Name\"]", left, 250);
  return members;
}

void TReportFile::TwoPageColumns() {
  Page->SetColumns(2);
  Page->ColumnPositions()->Clear();
  Page->ColumnPositions()->Add("0");
  Page->ColumnPositions()->Add("100");
}

TPrepared RunReportFile(const TSqliteParish& parish, TReportFile& file, const std::string& name,
                        const std::vector<std::string>& data, const std::string& pdfPages) {
  std::string base = parish.Dir() + "/" + name;
  file.Report->SaveToFile(base + ".xml");
  std::string command = std::string(ORVANE_REPORT_PROGRAM) + " " + Quote(base + ".xml") + " --db " +
                        Quote(parish.Db()) + " --qpv " + Quote(base + ".qpv") + " --pdf " + Quote(base + ".pdf");
  for (const std::string& set : data) command += " --data " + Quote(set);
  if (!pdfPages.empty()) command += " --pages " + Quote(pdfPages);
  command += " >" + base + ".out 2>" + base + ".err";
  int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadFile(base + ".err");
  TPrepared prepared;
  prepared.Holder = std::make_unique<TkvxReport>(nullptr);
  prepared.Pdf = base + ".pdf";
  if (!std::filesystem::exists(base + ".qpv")) return prepared;
  prepared.Pages().LoadFromFile(base + ".qpv");
  for (Integer i = 0; i < prepared.Pages().GetCount(); ++i)
    prepared.Texts.push_back(PageTexts(prepared.Pages().GetPage(i)));
  return prepared;
}

std::vector<int> Numbers(const std::vector<std::string>& texts, const std::string& label) {
  std::vector<int> found;
  std::regex pattern(label + "=(-?[0-9]+)");
  for (const std::string& t : texts)
    for (std::sregex_iterator m(t.begin(), t.end(), pattern), end; m != end; ++m) found.push_back(std::stoi((*m)[1]));
  return found;
}

int Starting(const std::vector<std::string>& texts, const std::string& prefix) {
  return static_cast<int>(
      std::count_if(texts.begin(), texts.end(), [&](const std::string& t) { return t.rfind(prefix, 0) == 0; }));
}

std::string ExpectedNotes(const TSqliteParish& parish, const std::string& where) {
  std::string expected;
  for (const std::string& row :
       parish.Rows("select ID || '|' || replace(replace(Body, char(10), ''), ' ', '') from Note where " + where +
                   " order by ID")) {
    std::string id = row.substr(0, row.find('|'));
    expected += "#" + id + ":" + row.substr(row.find('|') + 1) + ":" + id + "#";
  }
  return expected;
}

std::string FirstDifference(const std::string& got, const std::string& want) {
  size_t i = 0;
  while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
  size_t from = i > 60 ? i - 60 : 0;
  return "at byte " + std::to_string(i) + " of " + std::to_string(want.size()) + ": printed \"" +
         got.substr(from, 200) + "\", the notes hold \"" + want.substr(from, 200) + "\"";
}

std::vector<std::string> PdfLines(const std::string& pdf, const std::string& area) {
  std::string out = pdf + ".txt";
  int status = std::system(("pdftotext -raw -enc UTF-8 " + area + " " + Quote(pdf) + " " + Quote(out)).c_str());
  EXPECT_EQ(status, 0);
  return Lines(ReadFile(out));
}

std::vector<std::vector<std::string>> PdfPages(const std::string& pdf) {
  std::string out = pdf + ".txt";
  int status = std::system(("pdftotext -raw -enc UTF-8 " + Quote(pdf) + " " + Quote(out)).c_str());
  EXPECT_EQ(status, 0);
  // pdftotext ends every page with a form feed.
  std::vector<std::vector<std::string>> pages;
  std::string text = ReadFile(out);
  for (size_t from = 0, end; (end = text.find('\f', from)) != std::string::npos; from = end + 1)
    pages.push_back(Lines(text.substr(from, end - from)));
  return pages;
}

std::vector<std::vector<TPdfWord>> PdfWords(const std::string& pdf) {
  std::string out = pdf + ".bbox.html";
  int status = std::system(("pdftotext -bbox -enc UTF-8 " + Quote(pdf) + " " + Quote(out)).c_str());
  EXPECT_EQ(status, 0);
  std::vector<std::vector<TPdfWord>> pages;
  std::string html = ReadFile(out);
  std::regex tag("<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>");
  for (std::sregex_iterator m(html.begin(), html.end(), tag), end; m != end; ++m) {
    if ((*m)[1].length() == 0) {
      pages.emplace_back();
      continue;
    }
    if (pages.empty()) continue;
    pages.back().push_back(
        {(*m)[5].str(), std::stod((*m)[1]), std::stod((*m)[2]), std::stod((*m)[3]), std::stod((*m)[4])});
  }
  return pages;
}

std::string FirstOverprint(const std::vector<std::vector<TPdfWord>>& pages) {
  // Lines of one memo touch where their glyphs' boxes reach up and down: a sliver is no overprint.
  constexpr double kSliver = 2.5;
  for (size_t p = 0; p < pages.size(); ++p)
    for (size_t i = 0; i < pages[p].size(); ++i)
      for (size_t j = i + 1; j < pages[p].size(); ++j) {
        const TPdfWord &a = pages[p][i], &b = pages[p][j];
        if (std::min(a.X1, b.X1) - std::max(a.X0, b.X0) > kSliver && std::min(a.Y1, b.Y1) - std::max(a.Y0, b.Y0) > kSliver)
          return "page " + std::to_string(p + 1) + ": \"" + a.Text + "\" over \"" + b.Text + "\"";
      }
  return "";
}

}  // namespace orv::test
