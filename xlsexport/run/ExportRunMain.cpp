// Exports the rows of an SQL query over an SQLite file with the exporter's default settings:
//   xlsx_export_run DB SQL OUT [FORMAT]
// FORMAT is the exporter's save format, 0 to 6 (default 1, a workbook); 2 the binary form,
// 3 HTML, 4 CSV, 6 the XML spreadsheet form of 2003.
// Values cut to the cell limit are listed on standard error; a failure leaves OUT.xlsx as it was.
// DB is only read: it is never written, nor its journal changed.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/db/ADODB.h"
#include "xlsexport/ExcelExport.h"

using namespace orv;
using namespace orv::vwExcelExport;

namespace {

const char* const kUsage =
    "usage: xlsx_export_run DB SQL OUT [FORMAT 0-6]\n"
    "Exports the rows of SQL over the SQLite file DB, which is only read, into OUT.\n"
    "FORMAT: 1 a workbook (the default), 2 the binary form, 3 HTML, 4 CSV, 6 XML spreadsheet 2003.\n";

}  // namespace

int main(int argc, char** argv) {
  // Past a file-size limit the write fails and is told, leaving no half-written workbook,
  // instead of the signal ending the program where it stands.
  std::signal(SIGXFSZ, SIG_IGN);
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  int format = 1;
  if (argc == 5) {
    char* end = nullptr;
    long asked = std::strtol(argv[4], &end, 10);
    format = *argv[4] && !*end && asked >= 0 && asked <= 6 ? static_cast<int>(asked) : -1;
  }
  if ((argc != 4 && argc != 5) || format < 0) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // A command-line tool has no display; the hourglass cursor needs a (virtual) screen.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  try {
    TADOConnection connection(nullptr);
    connection.SetConnectionString("Mode=Read");
    connection.SetDatabaseFile(argv[1]);
    connection.Open();
    TADOQuery query(nullptr);
    query.SetName("Query");
    query.SetConnection(&connection);
    query.SQL().SetText(argv[2]);
    query.Open();
    TvwExcelExport exporter(nullptr);
    // Saved, not shown: nothing here is for the desktop.
    exporter.SetExcelVisible(false);
    exporter.SetDataset(&query);
    exporter.ExportDataset();
    exporter.SaveWorkbook(argv[3], static_cast<Byte>(format));
    exporter.Disconnect(false);
    for (int i = 0; i < exporter.Warnings().Count(); ++i)
      std::fprintf(stderr, "xlsx_export_run: %s\n", exporter.Warnings().Strings(i).c_str());
    std::printf("%d rows exported\n", exporter.ExportedCount());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "xlsx_export_run: %s\n", e.what());
    return 1;
  }
  return 0;
}
