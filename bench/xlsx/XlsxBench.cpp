// Exporting the member list of a parish, every column, to a workbook: our exporter against
// python3-openpyxl in write-only mode writing the same rows (time), and against libxlsxwriter in
// its constant-memory mode reading them straight from SQLite (memory), at 25,000 and 100,000
// members (or the numbers given), each side in a process of its own so that its peak memory is
// its own. The bench itself only starts the sides (the parish is filled by one too), so the little
// every side holds from it at the start, printed first, is the same for all. Our peak is also
// given less that of our query walked alone, the export's own share.
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

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::max(1, std::atoi(argv[i])));
  if (sizes.empty()) sizes = {25000, 100000};
  auto dir = BenchFolder("xlsx");
  std::string ours = (dir / "ours.xlsx").string(), theirs = (dir / "openpyxl.xlsx").string(),
              lxw = (dir / "libxlsxwriter.xlsx").string();
  bool allOk = true;
  // What every side's peak holds before it does anything: the bench's own memory at the fork.
  std::printf("a side doing nothing: %.0f MB\n", InChild([] { return 0; }).peakMB);
  double oursFirst = 0, oursLast = 0, lxwFirst = 0, lxwLast = 0;
  std::printf("%9s %9s %9s %9s %9s %11s %9s %9s %9s\n", "members", "ours s", "ours MB", "query MB", "own MB",
              "lxw-cm s", "lxw MB", "ours file", "lxw file");
  for (size_t k = 0; k < sizes.size(); ++k) {
    const int members = sizes[k];
    std::string file = (dir / ParishDatabaseName).string();
    if (!InChild([&] { return Fill(file, members); }).ok) {
      std::fprintf(stderr, "the parish of %d members cannot be made\n", members);
      allOk = false;
      continue;
    }
    ChildRun our = InChild([&] { return ExportOurs(file, ours, members); });
    ChildRun walk = InChild([&] { return WalkQuery(file); });
    ChildRun constant = InChild([&] { return LxwConstantMemory(file, kSql, lxw); });
    allOk = allOk && our.ok && walk.ok && constant.ok;
    std::printf("%9d %9.2f %9.0f %9.0f %9.1f %11.2f %9.0f %8.1fM %8.1fM%s\n", members, our.seconds, our.peakMB,
                walk.peakMB, our.peakMB - walk.peakMB, constant.seconds, constant.peakMB, SizeMB(ours, our.ok),
                SizeMB(lxw, constant.ok), our.ok && walk.ok && constant.ok ? "" : "  (FAILED)");
    std::fflush(stdout);
    if (k == 0) oursFirst = our.peakMB, lxwFirst = constant.peakMB;
    oursLast = our.peakMB, lxwLast = constant.peakMB;
    if (k + 1 < sizes.size()) continue;
    ChildRun peer = InChild([&] {
      execl(ORVANE_PYTHON, ORVANE_PYTHON, ORVANE_OPENPYXL_WRITER, file.c_str(), kSql, theirs.c_str(), nullptr);
      return 127;
    });
    allOk = allOk && peer.ok;
    std::printf("openpyxl write-only at %d: %.2f s, peak %.0f MB, %.1f MB file%s\n", members, peer.seconds,
                peer.peakMB, SizeMB(theirs, peer.ok), peer.ok ? "" : " (FAILED)");
    std::printf("ratio openpyxl / ours: %.2f (target: at least 10)\n", peer.seconds / our.seconds);
  }
  if (sizes.size() > 1)
    std::printf("memory growth from %d to %d members: ours %+.1f MB, libxlsxwriter %+.1f MB (target: ours under 30 MB "
                "and flat)\n",
                sizes.front(), sizes.back(), oursLast - oursFirst, lxwLast - lxwFirst);
  std::filesystem::remove_all(dir);
  return allOk ? 0 : 1;
}
