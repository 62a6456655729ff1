#pragma once
// What the list benchmarks share: a run of the list in a child process of its own (so that its
// peak memory is its own), page counts read by qpdf, and the peer, LibreOffice headless
// converting the same rows from CSV, read as UTF-8, to PDF with a profile of its own. Both sides
// are timed the same way: a whole process each, from its start to its end, start-up included.
#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/DemoParish.h"
#include "app/ParishSchema.h"
#include "bench/BenchQuery.h"
#include "bench/BenchTiming.h"
#include "bench/PdfCheck.h"
#include "platform/db/ADODB.h"
#include "platform/gui/Application.h"
#include "report/engine/tests/EngineObjects.h"
#include "report/engine/PreviewPages.h"
#include "report/model/Bands.h"
#include "report/model/DBDataset.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"
#include "report/model/Report.h"
#include "report/pdf/PdfExport.h"

namespace orv {

// Narrows this process to one of the cores it may run on, the lowest, so that it and every
// process it starts (ours and the peer alike) work on that one core: a side that runs threads
// side by side gains nothing over one that does not. Gives the core, or -1 when it could not.
inline int PinToOneCore() {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return -1;
  for (int core = 0; core < CPU_SETSIZE; ++core) {
    if (!CPU_ISSET(core, &allowed)) continue;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(core, &one);
    return sched_setaffinity(0, sizeof one, &one) == 0 ? core : -1;
  }
  return -1;
}

// Resident memory now, in MB, split as the kernel counts it: the process's own allocations
// (anonymous) and pages of mapped files (the program, its libraries and fonts), which do not
// grow with the rows.
inline std::pair<double, double> ResidentSplitMB() {
  std::ifstream status("/proc/self/status");
  double anon = 0, file = 0;
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("RssAnon:", 0) == 0) anon = std::stod(line.substr(8)) / 1024;
    if (line.rfind("RssFile:", 0) == 0) file = std::stod(line.substr(8)) / 1024;
  }
  return {anon, file};
}

// What a child prints when its run is done: rows, pages, seconds preparing and exporting, peak
// MB after reading the rows and after preparing, resident allocations and mapped files in MB.
inline void PrintRunLine(int rows, int pages, double seconds, double exportSeconds, double rowsPeakMB,
                         double preparedPeakMB, double anonMB, double fileMB) {
  std::printf("%d %d %.3f %.3f %.1f %.1f %.1f %.1f\n", rows, pages, seconds, exportSeconds, rowsPeakMB, preparedPeakMB,
              anonMB, fileMB);
}

struct TResult {
  int Pages = 0;
  double Seconds = 0, ExportSeconds = 0, RowsPeakMB = 0, PreparedPeakMB = 0, PeakMB = 0;
  double PreparedAnonMB = 0, PreparedFileMB = 0;
  // The whole process, from fork to its end: what a user waits for, as LibreOffice is timed.
  double ProcessSeconds = 0;
};

// How a child runs: timed, as the peer is, or reading the rows alone before preparing, so that
// what the rows cost in memory can be told from what the run costs (its time is then not fair).
enum class TChildRun { Timed, ReadRowsFirst };

// A fresh process of this program, so that nothing of the parent's Qt state is shared.
inline TResult RunChild(const char* self, const std::string& db, int rows, const std::filesystem::path& dir,
                        TChildRun how = TChildRun::Timed) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  TResult r;
  int status = 0;
  rusage usage{};
  ssize_t n = 0;
  char buf[256] = {};
  r.ProcessSeconds = Seconds([&] {
    pid_t pid = fork();
    if (pid == 0) {
      dup2(fds[1], STDOUT_FILENO);
      std::string count = std::to_string(rows), folder = dir.string();
      const char* mode = how == TChildRun::Timed ? "--run" : "--run-read";
      execl(self, self, mode, db.c_str(), count.c_str(), folder.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    n = read(fds[0], buf, sizeof buf - 1);
    close(fds[0]);
    wait4(pid, &status, 0, &usage);
  });
  int count = 0;
  if (n > 0)
    std::sscanf(buf, "%d %d %lf %lf %lf %lf %lf %lf", &count, &r.Pages, &r.Seconds, &r.ExportSeconds, &r.RowsPeakMB,
                &r.PreparedPeakMB, &r.PreparedAnonMB, &r.PreparedFileMB);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "the run of %d rows failed\n", rows);
  r.PeakMB = usage.ru_maxrss / 1024.0;
  return r;
}

// The rows of sql as CSV, written by the sqlite3 command line.
inline void WriteCsv(const std::string& db, const std::string& sql, const std::filesystem::path& csv) {
  std::string command = "sqlite3 -csv -header '" + db + "' \"" + sql + "\" > '" + csv.string() + "'";
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "sqlite3 could not write %s\n", csv.c_str());
}

struct TPeer {
  double Seconds = 0, PeakMB = 0;
  int Pages = 0;
  bool Ok = false;
  // Whether its first page carries "หน้า 1 จาก N", N its page count, as ours do.
  bool Footer = false;
};

// LibreOffice converting csv to PDF in dir with a private profile; the peak memory is that of
// the largest of its processes, read once they have all ended.
// The first text of column in the second line of a CSV file written by WriteCsv (no quoting
// inside the value is needed for the names it is used on).
inline std::string CsvValue(const std::filesystem::path& csv, const std::string& column) {
  std::ifstream in(csv);
  std::string header, row;
  std::getline(in, header);
  std::getline(in, row);
  auto fields = [](const std::string& line) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (char c : line) {
      if (c == '"') quoted = !quoted;
      else if (c == ',' && !quoted) out.emplace_back();
      else if (c != '\r') out.back() += c;
    }
    return out;
  };
  auto names = fields(header), values = fields(row);
  for (size_t i = 0; i < names.size() && i < values.size(); ++i)
    if (names[i] == column) return values[i];
  return {};
}

// A file of another kind than CSV (a flat ODF spreadsheet) is converted as LibreOffice reads it.
inline TPeer RunLibreOffice(const std::filesystem::path& csv, const std::filesystem::path& dir,
                            const std::string& expectedText = {}) {
  const bool isCsv = csv.extension() == ".csv";
  std::filesystem::path profile = dir / "lo-profile";
  std::string installation = "-env:UserInstallation=file://" + profile.string();
  std::string outdir = dir.string(), input = csv.string();
  TPeer peer;
  rusage before{};
  getrusage(RUSAGE_CHILDREN, &before);
  peer.Seconds = Seconds([&] {
    pid_t pid = fork();
    if (pid == 0) {
      int null = open("/dev/null", O_WRONLY);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
      // Comma-separated, double-quoted, UTF-8 (76), from the first line: without the character
      // set LibreOffice reads the file in a Western code page and prints every Thai name garbled.
      if (isCsv)
        execlp("libreoffice", "libreoffice", installation.c_str(), "--headless", "--infilter=CSV:44,34,76,1",
               "--convert-to", "pdf", "--outdir", outdir.c_str(), input.c_str(), static_cast<char*>(nullptr));
      else
        execlp("libreoffice", "libreoffice", installation.c_str(), "--headless", "--convert-to", "pdf", "--outdir",
               outdir.c_str(), input.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    peer.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  });
  rusage after{};
  getrusage(RUSAGE_CHILDREN, &after);
  peer.PeakMB = std::max(after.ru_maxrss, before.ru_maxrss) / 1024.0;
  std::filesystem::path pdf = dir / csv.filename().replace_extension(".pdf");
  peer.Pages = PdfPages(pdf);
  peer.Ok = peer.Ok && peer.Pages > 0 && (expectedText.empty() || PdfHasText(pdf, expectedText));
  peer.Footer = peer.Pages > 0 && PdfHasText(pdf, "หน้า 1 จาก " + std::to_string(peer.Pages));
  std::filesystem::remove(pdf);
  std::filesystem::remove_all(profile);
  return peer;
}

// Text as XML character data.
inline std::string FodsEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  return out;
}

// The short month names of the format "d mmm yyyy": Latin, as a memo's own format suffix "#Dd
// mmm yyyy" shows them, or Thai, as a memo's display format does in the register's settings.
enum class TFodsMonths { Latin, Thai };

// yyyy-mm-dd as the format "d mmm yyyy" shows it; anything else as it is.
inline std::string FodsDate(const std::string& iso, TFodsMonths months = TFodsMonths::Latin) {
  static const char* const kLatin[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  static const char* const kThai[] = {"ม.ค.", "ก.พ.", "มี.ค.", "เม.ย.", "พ.ค.", "มิ.ย.",
                                      "ก.ค.", "ส.ค.", "ก.ย.", "ต.ค.", "พ.ย.", "ธ.ค."};
  if (iso.size() < 10 || iso[4] != '-' || iso[7] != '-') return iso;
  int month = std::atoi(iso.substr(5, 2).c_str());
  if (month < 1 || month > 12) return iso;
  const char* name = months == TFodsMonths::Thai ? kThai[month - 1] : kLatin[month - 1];
  return std::to_string(std::atoi(iso.substr(8, 2).c_str())) + " " + name + " " + iso.substr(0, 4);
}

// A list printed by our report, as LibreOffice is given it: its columns (pixels at 96 an inch, as
// wide as the memos), whether their cells wrap (rows then as high as their text, else as high as
// the bands), and the cells of each row (the row's number in the list given).
struct TFodsList {
  std::vector<int> WidthsPx;
  bool Wrapped = false;
  int RowHeightPx = 20;
  std::string Face = "Garuda";
  double SizePt = 10;
  // Space above and below the text of a cell, for a band taller than its memos' one line;
  // LibreOffice's own when 0.
  int PaddingPx = 0;
  // Rows repeated at the top of every page: a row of one text spans the columns.
  std::vector<std::vector<std::string>> Heading = {{"รายชื่อสมาชิก"}};
  // Rows grouped by their column "grp", a row "กลุ่ม N" before each group and "N คน" after it.
  bool Grouped = true;
  // The text of a row after the last, given the number of rows; none when not set.
  std::function<std::string(int rows)> Total;
  std::function<std::vector<std::string>(TADOQuery& rows, int line)> Cells;
};

// The rows of sql as a flat ODF spreadsheet (file) that prints as the member lists' reports do: A4 with
// margins of 10 mm, the columns of list in its face (Garuda 10 pt, the face the memos' Arial
// resolves to, unless it says otherwise), its heading repeated on every page, "หน้า N จาก M" at
// the foot of every page.
inline std::filesystem::path WriteFodsList(const std::string& db, const std::string& sql,
                                           const std::filesystem::path& file, const TFodsList& list) {
  std::ofstream out(file);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
         "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
         "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
         "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
         "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
         "office:version=\"1.2\" office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">\n"
         "<office:font-face-decls><style:font-face style:name=\""
      << list.Face << "\" svg:font-family=\"" << list.Face
      << "\" xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\"/></office:font-face-decls>\n"
         "<office:automatic-styles>\n";
  const size_t columns = list.WidthsPx.size();
  const std::string spanned = std::to_string(columns), covered = std::to_string(columns - 1);
  for (size_t c = 0; c < columns; ++c)
    out << "<style:style style:name=\"co" << c << "\" style:family=\"table-column\"><style:table-column-properties "
        << "style:column-width=\"" << list.WidthsPx[c] / 96.0 << "in\"/></style:style>\n";
  out << "<style:style style:name=\"ce\" style:family=\"table-cell\"><style:table-cell-properties "
      << (list.Wrapped ? "fo:wrap-option=\"wrap\" " : "");
  if (list.PaddingPx > 0)
    out << "fo:padding-top=\"" << list.PaddingPx / 96.0 << "in\" fo:padding-bottom=\"" << list.PaddingPx / 96.0 << "in\" ";
  out << "style:vertical-align=\"top\"/><style:text-properties style:font-name=\"" << list.Face << "\" fo:font-size=\""
      << list.SizePt << "pt\" style:font-name-complex=\"" << list.Face << "\" style:font-size-complex=\"" << list.SizePt
      << "pt\"/></style:style>\n"
         "<style:style style:name=\"ta\" style:family=\"table\" style:master-page-name=\"List\"/>\n"
         "<style:style style:name=\"ro\" style:family=\"table-row\"><style:table-row-properties "
      << (list.Wrapped ? std::string("style:use-optimal-row-height=\"true\"")
                       : "style:row-height=\"" + std::to_string(list.RowHeightPx / 96.0) +
                             "in\" style:use-optimal-row-height=\"false\"")
      << "/></style:style>\n"
         "<style:page-layout style:name=\"pl\"><style:page-layout-properties fo:page-width=\"210mm\" "
         "fo:page-height=\"297mm\" fo:margin-top=\"10mm\" fo:margin-bottom=\"10mm\" fo:margin-left=\"10mm\" "
         "fo:margin-right=\"10mm\" style:print=\"\"/><style:header-style/>"
         // LibreOffice prints the footer only where the page layout gives it a height.
         "<style:footer-style>"
         "<style:header-footer-properties fo:min-height=\"0.75cm\" fo:margin-top=\"0.25cm\"/></style:footer-style>"
         "</style:page-layout>\n"
         "</office:automatic-styles>\n"
         "<office:master-styles><style:master-page style:name=\"List\" style:page-layout-name=\"pl\">"
         "<style:header style:display=\"false\"/><style:footer><text:p>หน้า <text:page-number>1</text:page-number> จาก "
         "<text:page-count>1</text:page-count></text:p></style:footer></style:master-page></office:master-styles>\n"
         "<office:body><office:spreadsheet><table:table table:name=\"List\" table:style-name=\"ta\">\n";
  for (size_t c = 0; c < columns; ++c)
    out << "<table:table-column table:style-name=\"co" << c << "\" table:default-cell-style-name=\"ce\"/>\n";
  auto wide = [&](const std::string& text) {
    out << "<table:table-row table:style-name=\"ro\"><table:table-cell table:number-columns-spanned=\"" << spanned
        << "\" office:value-type=\"string\"><text:p>" << FodsEscaped(text) << "</text:p></table:table-cell>";
    if (columns > 1) out << "<table:covered-table-cell table:number-columns-repeated=\"" << covered << "\"/>";
    out << "</table:table-row>\n";
  };
  auto row = [&](const std::vector<std::string>& cells) {
    out << "<table:table-row table:style-name=\"ro\">";
    for (const std::string& cell : cells)
      out << "<table:table-cell office:value-type=\"string\"><text:p>" << FodsEscaped(cell)
          << "</text:p></table:table-cell>";
    out << "</table:table-row>\n";
  };
  out << "<table:table-header-rows>";
  for (const auto& heading : list.Heading) heading.size() == 1 ? wide(heading[0]) : row(heading);
  out << "</table:table-header-rows>\n";
  TBenchQuery rows(db, sql);
  TADOQuery& q = rows.Query;
  q.Open();
  std::string group;
  int count = 0, line = 0;
  for (q.First(); !q.Eof(); q.Next()) {
    const std::string grp = list.Grouped ? q.FieldByName("grp")->AsString() : std::string();
    if (list.Grouped && (grp != group || count == 0)) {
      if (count > 0) wide(std::to_string(count) + " คน");
      group = grp;
      count = 0;
      wide("กลุ่ม " + group);
    }
    ++count;
    row(list.Cells(q, ++line));
  }
  if (list.Grouped && count > 0) wide(std::to_string(count) + " คน");
  if (list.Total) wide(list.Total(line));
  out << "</table:table></office:spreadsheet></office:body></office:document>\n";
  return file;
}

// The main window's member list by name (app/reports/members-by-name.xml) over every member,
// as its template lays it out, for LibreOffice to print.
inline std::filesystem::path WriteMembersByNameFods(const std::string& db, const std::filesystem::path& dir) {
  TFodsList list;
  // The memos' widths with the gaps between them, 718 pixels in all; Laksaman at 15 pixels.
  list.WidthsPx = {50, 236, 330, 102};
  list.Wrapped = true;
  // A row of one line is the band's 33 pixels high, as the memos' least height makes it.
  list.PaddingPx = 7;
  list.Face = "Laksaman";
  list.SizePt = 11.25;
  list.Heading = {{"รายชื่อสัตบุรุษ เรียงตามลำดับอักษร"}, {"ลำดับ", "ชื่อนักบุญ ชื่อ นามสกุล", "ที่อยู่", "โทรศัพท์"}};
  list.Grouped = false;
  list.Total = [](int rows) { return "รวมทั้งสิ้น " + std::to_string(rows) + " รายการ"; };
  list.Cells = [](TADOQuery& q, int line) {
    auto field = [&](const char* name) { return q.FieldByName(name)->AsString(); };
    return std::vector<std::string>{std::to_string(line) + ".", field("st") + " " + field("Nm") + " " + field("Sur"),
                                    field("Address1") + " " + field("Address2"), field("tel")};
  };
  return WriteFodsList(db,
                       "select st, Nm, Sur, Address1, Address2, tel from Orvani "
                       "order by Nm collate THAI, Sur collate THAI",
                       dir / "members-by-name.fods", list);
}

// The child's run: the rows of sql as data set "M" of a report in two passes, whose one page
// addBands fills; the rows read alone (what they cost in memory), the report prepared, and its
// pages exported to members-<rows>.pdf in dir; prints the run's line for the parent.
inline void TimeListRun(const std::string& db, const std::string& sql, const std::filesystem::path& dir, int rows,
                        bool readRowsFirst, const std::function<void(TkvxReportPage*, TkvxDBDataset*)>& addBands) {
  // A run of its own that shows no window, as orvane-report's.
  Application->InitializeWindowless();
  test::RegisterEngineObjects();
  TComponent window(nullptr);
  auto* conn = new TADOConnection(&window);
  conn->SetConnectionString("Provider=SQLite;Data Source=" + db + ";Mode=Share Deny None");
  conn->Open();
  auto* query = new TADOQuery(&window);
  query->SetConnection(conn);
  query->SQL().SetText(sql);
  auto* members = new TkvxDBDataset(&window);
  members->SetName("M");
  members->SetDataSet(query);
  TkvxReport report(&window);
  report.EngineOptions()->NewSilentMode = simSilent;
  report.EngineOptions()->DoublePass = true;
  report.EngineOptions()->UseFileCache = true;
  report.EngineOptions()->TempDir = dir.string();
  report.DataSets->Add()->SetDataSet(members);
  auto* page = new TkvxReportPage(&report);
  page->SetName("Page1");
  addBands(page, members);
  if (readRowsFirst) {
    query->Open();
    for (query->First(); !query->Eof(); query->Next()) {
    }
    query->Close();
  }
  rusage read{};
  getrusage(RUSAGE_SELF, &read);
  TkvxPDFExport pdf(&window);
  pdf.SetShowDialog(false);
  pdf.SetShowProgress(false);
  pdf.SetFileName((dir / ("members-" + std::to_string(rows) + ".pdf")).string());
  bool ok = false;
  auto prepare = [&] {
    ok = report.PrepareReport();
    if (!ok) std::fprintf(stderr, "%s", report.Errors->Text().c_str());
    return ok;
  };
  // A timed run prints straight to PDF as a program with no preview does (orvane-report): its
  // pages go out while the next ones are prepared, so it has no time of its own for the prepare.
  // One that reads the rows first prepares, then exports, each measured.
  double seconds = 0, exportSeconds = 0;
  rusage prepared{};
  if (!readRowsFirst) {
    auto* store = static_cast<TkvxPreviewPages*>(report.PreviewPages);
    exportSeconds = Seconds([&] { store->ExportWhilePreparing(&pdf, prepare); });
    getrusage(RUSAGE_SELF, &prepared);
  } else {
    seconds = Seconds(prepare);
    getrusage(RUSAGE_SELF, &prepared);
  }
  auto [anonMB, fileMB] = ResidentSplitMB();
  if (readRowsFirst) exportSeconds = Seconds([&] { report.PreviewPages->Export(&pdf); });
  PrintRunLine(rows, report.PreviewPages->GetCount(), seconds, exportSeconds, read.ru_maxrss / 1024.0,
               prepared.ru_maxrss / 1024.0, anonMB, fileMB);
}

// The list of report_run_bench: the first members by number, in 40 groups of equal size.
inline std::string GroupedMembersSql(int rows) {
  return "select ID, Nm, sur, (ID % 40) as grp from Orvani where ID <= " + std::to_string(rows) + " order by grp, ID";
}

// Its bands: a heading, the group with its count, a numbered row a member, "page N of M".
inline void AddGroupedListBands(TkvxReportPage* page, TkvxDBDataset* members) {
  auto band = [&](TkvxBand* b, const char* name, Extended top, const char* text) {
    b->SetName(name);
    b->SetBounds(0, top, 700, 20);
    auto* memo = new TkvxMemoView(b);
    memo->SetName(std::string(name) + "Text");
    memo->SetBounds(0, 0, 600, 20);
    memo->SetText(kvxUtf8ToWide(text));
    return b;
  };
  band(new TkvxPageHeader(page), "PH", 0, "รายชื่อสมาชิก");
  static_cast<TkvxGroupHeader*>(band(new TkvxGroupHeader(page), "GH", 20, "กลุ่ม [M.\"grp\"]"))->Condition = "M.\"grp\"";
  static_cast<TkvxMasterData*>(band(new TkvxMasterData(page), "Data", 40, "[Line]. [M.\"Nm\"] [M.\"sur\"]"))->SetDataSet(members);
  band(new TkvxGroupFooter(page), "GF", 60, "[COUNT(Data)] คน");
  band(new TkvxPageFooter(page), "PF", 200, "หน้า [Page#] จาก [TotalPages#]");
}

// The grouped list of 10,000 rows as its report lays it out (one memo 600 pixels wide a row),
// for LibreOffice to print.
inline std::filesystem::path WriteGroupedFods(const std::string& db, const std::filesystem::path& dir) {
  TFodsList list;
  list.WidthsPx = {600};
  list.Cells = [](TADOQuery& q, int line) {
    return std::vector<std::string>{std::to_string(line) + ". " + q.FieldByName("Nm")->AsString() + " " +
                                    q.FieldByName("sur")->AsString()};
  };
  return WriteFodsList(db, GroupedMembersSql(10000), dir / "members-10000.fods", list);
}

// The parent's side of a list benchmark, in dir: a parish of `largest` members; LibreOffice
// converting one row (a first start fills its profile, the next is its own start-up) and 10,000
// rows, interleaved with this program's runs of 10,000 rows, the best of three each; then this
// program's runs of 50,000 rows and, where the parish has them, 100,000. Prints pages, times and
// peaks under heading. Each side's PDF is read back for a Thai name of the rows. Every process of
// both sides runs on one core, the lowest this program may use.
struct TListComparison {
  TPeer Start, Peer;
  // What LibreOffice converted.
  std::string PeerKind = "from UTF-8 CSV";
  TResult Rows10k, Rows50k, Rows100k;
  // The slowest of the runs at 10,000 rows of each side, beside the best kept above.
  double PeerWorstSeconds = 0, OursWorstSeconds = 0;
  bool OursHasText = false;
  // The one core every process of both sides ran on; -1 when the program could not pin itself.
  int Core = -1;
};

// peerFile, when given, writes the file LibreOffice converts instead of the CSV of the rows (a
// document laid out as ours is) and gives its path.
using TPeerFileWriter = std::function<std::filesystem::path(const std::string& db, const std::filesystem::path& dir)>;

inline TListComparison CompareListRuns(const char* self, const std::filesystem::path& dir,
                                       std::string (*membersSql)(int), const char* heading, int largest = 50000,
                                       const TPeerFileWriter& peerFile = {}) {
  std::string db = (dir / ParishDatabaseName).string();
  CreateDemoParish(dir.string(), largest);
  WriteCsv(db, membersSql(1), dir / "members-1.csv");
  WriteCsv(db, membersSql(10000), dir / "members-10000.csv");
  const std::string name = CsvValue(dir / "members-10000.csv", "Nm");
  const std::filesystem::path peerInput = peerFile ? peerFile(db, dir) : dir / "members-10000.csv";
  RunLibreOffice(dir / "members-1.csv", dir);
  TListComparison c;
  c.Core = PinToOneCore();
  c.Start = RunLibreOffice(dir / "members-1.csv", dir);
  for (int round = 0; round < 3; ++round) {
    TPeer peer = RunLibreOffice(peerInput, dir, name);
    if (round == 0 || (peer.Ok && peer.Seconds < c.Peer.Seconds)) c.Peer = peer;
    c.PeerWorstSeconds = std::max(c.PeerWorstSeconds, peer.Seconds);
    TResult ours = RunChild(self, db, 10000, dir);
    if (round == 0 || ours.ProcessSeconds < c.Rows10k.ProcessSeconds) c.Rows10k = ours;
    c.OursWorstSeconds = std::max(c.OursWorstSeconds, ours.ProcessSeconds);
  }
  if (peerFile) c.PeerKind = "laid out as ours in a flat ODF spreadsheet";
  c.OursHasText = PdfHasText(dir / "members-10000.pdf", name);
  std::printf("%s; on core %d alone, every process of both sides\n", heading, c.Core);
  c.Rows50k = RunChild(self, db, 50000, dir);
  if (largest >= 100000) c.Rows100k = RunChild(self, db, 100000, dir);
  for (auto [rows, r] : {std::pair{10000, c.Rows10k}, std::pair{50000, c.Rows50k}, std::pair{100000, c.Rows100k}}) {
    if (rows > largest) continue;
    int pdfPages = PdfPages(dir / ("members-" + std::to_string(rows) + ".pdf"));
    std::printf("%6d rows: %5d pages (PDF %5d)  prepared straight to PDF %7.3f s, whole process %7.3f s, peak %6.1f "
                "MB\n",
                rows, r.Pages, pdfPages, r.Seconds + r.ExportSeconds, r.ProcessSeconds, r.PeakMB);
  }
  if (!c.OursHasText) std::printf("our PDF does not hold the name %s\n", name.c_str());
  return c;
}

// LibreOffice's line and the ratios at 10,000 rows, whole process against whole process and
// work against work (each side's start-up taken off); false when LibreOffice did not convert
// the rows, or printed them garbled (then there is no ratio).
inline bool PrintPeerLine(const TListComparison& c) {
  if (!c.Peer.Ok || !c.Start.Ok) {
    std::printf("LibreOffice did not convert the rows as UTF-8 text; no ratio\n");
    return false;
  }
  std::printf("LibreOffice, 10,000 rows %s to PDF: %.3f-%.3f s in three runs, %d pages (ours %d), footer page N of M "
              "%s, peak %.1f MB (start-up %.3f s; %.1f ms per 1,000 rows)\n",
              c.PeerKind.c_str(), c.Peer.Seconds, c.PeerWorstSeconds, c.Peer.Pages, c.Rows10k.Pages,
              c.Peer.Footer ? "on its pages" : "MISSING", c.Peer.PeakMB, c.Start.Seconds,
              (c.Peer.Seconds - c.Start.Seconds) / 10 * 1000);
  const TResult& r = c.Rows10k;
  const double work = r.Seconds + r.ExportSeconds;
  std::printf("ours, 10,000 rows: %.3f-%.3f s in three runs\n", r.ProcessSeconds, c.OursWorstSeconds);
  std::printf("ratio at 10,000 rows: %.1fx faster, whole process each, best against best (%.3f s against %.3f s); "
              "%.1fx faster, work only each (%.3f s against %.3f s); target 20x\n",
              r.ProcessSeconds > 0 ? c.Peer.Seconds / r.ProcessSeconds : 0.0, r.ProcessSeconds, c.Peer.Seconds,
              work > 0 ? (c.Peer.Seconds - c.Start.Seconds) / work : 0.0, work, c.Peer.Seconds - c.Start.Seconds);
  return true;
}

// The child's side of a list benchmark: `--run DB ROWS DIR` for a timed run, `--run-read` for one
// that reads the rows alone first; returns false when argv is the parent's.
inline bool RunListChild(int argc, char** argv,
                         void (*runOnce)(const std::string&, int, const std::filesystem::path&, bool)) {
  if (argc != 5) return false;
  std::string mode = argv[1];
  if (mode != "--run" && mode != "--run-read") return false;
  runOnce(argv[2], std::stoi(argv[3]), argv[4], mode == "--run-read");
  return true;
}

}  // namespace orv
