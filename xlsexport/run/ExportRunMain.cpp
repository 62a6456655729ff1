// Exports the rows of an SQL query over an SQLite file with the exporter's default settings:
//   xlsx_export_run DB SQL OUT [FORMAT]
// FORMAT is the exporter's save format, 0 to 6 (default 1, a workbook); 2 the binary form,
// 3 HTML, 4 CSV, 6 the XML spreadsheet form of 2003.
// Values cut to the cell limit are listed on standard error; a failure leaves OUT.xlsx as it was.
#include <cstdio>
#include <cstdlib>

#include "platform/db/ADODB.h"
#include "xlsexport/ExcelExport.h"

using namespace orv;
using namespace orv::vwExcelExport;

int main(int argc, char** argv) {
  int format = 1;
  if (argc == 5) {
    char* end = nullptr;
    long asked = std::strtol(argv[4], &end, 10);
    format = *argv[4] && !*end && asked >= 0 && asked <= 6 ? static_cast<int>(asked) : -1;
  }
  if ((argc != 4 && argc != 5) || format < 0) {
    std::fprintf(stderr, "usage: xlsx_export_run DB SQL OUT [FORMAT 0-6]\n");
    return 2;
  }
  // A command-line tool has no display; the hourglass cursor needs a (virtual) screen.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  try {
    TADOConnection connection(nullptr);
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
