// Exporting the member list of a parish, every column, to a workbook: our exporter against
// python3-openpyxl in write-only mode writing the same rows (time), and against libxlsxwriter in
// its constant-memory mode reading them straight from SQLite (memory), at 25,000 and 100,000
// members (or the numbers given), each side a whole process started anew, so that its time
// counts its start-up and its peak memory is its own: ours and libxlsxwriter's this program run
// with a side's arguments, openpyxl /usr/bin/python3 running openpyxl_write.py. The bench itself
// only starts the sides (the parish is filled by one too); what this program's process holds
// doing nothing is printed first. Our peak is also given less that of our query walked alone, the
// export's own share.
#include <sqlite3.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/DemoParish.h"
#include "app/ParishSchema.h"
#include "bench/BenchQuery.h"
#include "bench/BenchTiming.h"
#include "platform/db/ADODB.h"
#include "xlsexport/ExcelExport.h"

using namespace orv;
using namespace orv::vwExcelExport;

namespace {

// libxlsxwriter in constant-memory mode writing the query's rows as openpyxl_write.py does:
// the column names, then every row, texts of the form yyyy-mm-dd as dates.
int LxwConstantMemory(const std::string& db, const std::string& sql, const std::string& out) {
  sqlite3* con = nullptr;
  sqlite3_stmt* rows = nullptr;
  if (sqlite3_open_v2(db.c_str(), &con, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(con, sql.c_str(), -1, &rows, nullptr) != SQLITE_OK)
    return 1;
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* book = workbook_new_opt(out.c_str(), &options);
  lxw_worksheet* sheet = workbook_add_worksheet(book, "Orvani");
  lxw_format* date = workbook_add_format(book);
  format_set_num_format(date, "yyyy-mm-dd");
  const int columns = sqlite3_column_count(rows);
  for (int c = 0; c < columns; ++c) worksheet_write_string(sheet, 0, lxw_col_t(c), sqlite3_column_name(rows, c), nullptr);
  for (lxw_row_t r = 1; sqlite3_step(rows) == SQLITE_ROW; ++r)
    for (int c = 0; c < columns; ++c) {
      switch (sqlite3_column_type(rows, c)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT: worksheet_write_number(sheet, r, lxw_col_t(c), sqlite3_column_double(rows, c), nullptr); break;
        case SQLITE_TEXT: {
          const char* text = reinterpret_cast<const char*>(sqlite3_column_text(rows, c));
          lxw_datetime day{};
          if (std::strlen(text) == 10 && text[4] == '-' && text[7] == '-' &&
              std::sscanf(text, "%d-%d-%d", &day.year, &day.month, &day.day) == 3)
            worksheet_write_datetime(sheet, r, lxw_col_t(c), &day, date);
          else
            worksheet_write_string(sheet, r, lxw_col_t(c), text, nullptr);
          break;
        }
        default: break;
      }
    }
  sqlite3_finalize(rows);
  sqlite3_close(con);
  return workbook_close(book) == LXW_NO_ERROR ? 0 : 1;
}

double SizeMB(const std::string& file, bool ok) { return ok ? std::filesystem::file_size(file) / 1048576.0 : 0.0; }

const char* const kSql = "Select * from Orvani order by Nm, Sur";

// The rows of a workbook's sheets as unzip gives them back, whatever its writer counted; -1 when
// it cannot be read.
int SheetRows(const std::string& book) {
  if (!std::filesystem::exists(book)) return -1;
  FILE* xml = popen(("unzip -p '" + book + "' 'xl/worksheets/*.xml'").c_str(), "r");
  if (!xml) return -1;
  const std::string tag = "<row";
  size_t matched = 0;
  int rows = 0;
  for (int c; (c = std::fgetc(xml)) != EOF;) {
    if (matched == tag.size()) {
      rows += c == ' ' || c == '>';
      matched = 0;
    }
    matched = c == tag[matched] ? matched + 1 : c == '<' ? 1 : 0;
  }
  return pclose(xml) == 0 ? rows : -1;
}

int Fill(const std::string& file, int members) {
  std::filesystem::remove(file);
  CreateParishDatabase(file);
  TADOConnection conn(nullptr);
  conn.SetConnectionString("Data Source=" + file);
  conn.Open();
  FillDemoParish(conn, members);
  return 0;
}

int ExportOurs(const std::string& file, const std::string& out, int members) {
  try {
    TBenchQuery rows(file, kSql);
    TADOQuery& query = rows.Query;
    query.SetName("Orvani");
    TvwExcelExport exporter(nullptr);
    exporter.SetExcelVisible(false);
    exporter.SetDataset(&query);
    query.Open();
    exporter.ExportDataset();
    exporter.SaveWorkbook(out, 1);
    return exporter.ExportedCount() == members ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "export failed: %s\n", e.what());
    return 1;
  }
}

// The query alone, every record walked and every value read as the export reads them: what of
// our peak is the data set's own.
int WalkQuery(const std::string& file) {
  TBenchQuery rows(file, kSql);
  TADOQuery& query = rows.Query;
  query.Open();
  size_t bytes = 0;
  for (query.First(); !query.Eof(); query.Next())
    for (int i = 0; i < query.Fields().Count(); ++i) bytes += query.Fields()[i]->AsString().size();
  return bytes > 0 ? 0 : 1;
}

// A side of the comparison in this program started anew: --side nothing|fill|ours|walk|lxw
// DATABASE OUT MEMBERS; returns its exit code.
int RunSide(const std::string& side, const std::string& file, const std::string& out, int members) {
  if (side == "fill") return Fill(file, members);
  if (side == "ours") return ExportOurs(file, out, members);
  if (side == "walk") return WalkQuery(file);
  if (side == "lxw") return LxwConstantMemory(file, kSql, out);
  return side == "nothing" ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (argc == 6 && std::string(argv[1]) == "--side") return RunSide(argv[2], argv[3], argv[4], std::atoi(argv[5]));
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::max(1, std::atoi(argv[i])));
  if (sizes.empty()) sizes = {25000, 100000};
  auto dir = BenchFolder("xlsx");
  std::string ours = (dir / "ours.xlsx").string(), theirs = (dir / "openpyxl.xlsx").string(),
              lxw = (dir / "libxlsxwriter.xlsx").string();
  const std::string self = SelfProgram();
  auto side = [&](const char* name, const std::string& file, const std::string& out, int members) {
    return WholeProcess({self, "--side", name, file, out, std::to_string(members)});
  };
  bool allOk = true;
  std::printf("this program doing nothing: %.0f MB; peer %s\n", side("nothing", "", "", 0).peakMB, ORVANE_PYTHON);
  double oursFirst = 0, oursLast = 0, lxwFirst = 0, lxwLast = 0;
  std::printf("%9s %9s %9s %9s %9s %11s %9s %9s %9s\n", "members", "ours s", "ours MB", "query MB", "own MB",
              "lxw-cm s", "lxw MB", "ours file", "lxw file");
  for (size_t k = 0; k < sizes.size(); ++k) {
    const int members = sizes[k];
    std::string file = (dir / ParishDatabaseName).string();
    if (!side("fill", file, "", members).ok) {
      std::fprintf(stderr, "the parish of %d members cannot be made\n", members);
      allOk = false;
      continue;
    }
    ChildRun our = side("ours", file, ours, members);
    ChildRun walk = side("walk", file, "", members);
    ChildRun constant = side("lxw", file, lxw, members);
    // The column names' row and one a member, read back from each file.
    const int oursRows = SheetRows(ours), lxwRows = SheetRows(lxw);
    our.ok = our.ok && oursRows == members + 1;
    constant.ok = constant.ok && lxwRows == members + 1;
    allOk = allOk && our.ok && walk.ok && constant.ok;
    std::printf("%9d %9.2f %9.0f %9.0f %9.1f %11.2f %9.0f %8.1fM %8.1fM%s\n", members, our.seconds, our.peakMB,
                walk.peakMB, our.peakMB - walk.peakMB, constant.seconds, constant.peakMB, SizeMB(ours, our.ok),
                SizeMB(lxw, constant.ok), our.ok && walk.ok && constant.ok ? "" : "  (FAILED)");
    std::printf("%9s rows read back: ours %d, libxlsxwriter %d (%d members and the column names)\n", "", oursRows,
                lxwRows, members);
    std::fflush(stdout);
    if (k == 0) oursFirst = our.peakMB, lxwFirst = constant.peakMB;
    oursLast = our.peakMB, lxwLast = constant.peakMB;
    if (k + 1 < sizes.size()) continue;
    ChildRun peer = WholeProcess({ORVANE_PYTHON, ORVANE_OPENPYXL_WRITER, file, kSql, theirs});
    const int peerRows = SheetRows(theirs);
    peer.ok = peer.ok && peerRows == members + 1;
    allOk = allOk && peer.ok;
    std::printf("openpyxl write-only at %d: %.2f s, peak %.0f MB, %.1f MB file, %d rows read back%s\n", members,
                peer.seconds, peer.peakMB, SizeMB(theirs, peer.ok), peerRows, peer.ok ? "" : " (FAILED)");
    std::printf("ratio openpyxl / ours: %.2f (target: at least 10)\n", peer.seconds / our.seconds);
  }
  if (sizes.size() > 1)
    std::printf("memory growth from %d to %d members: ours %+.1f MB, libxlsxwriter %+.1f MB (target: ours under 30 MB "
                "and flat)\n",
                sizes.front(), sizes.back(), oursLast - oursFirst, lxwLast - lxwFirst);
  std::filesystem::remove_all(dir);
  return allOk ? 0 : 1;
}
