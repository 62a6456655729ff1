// Exports the rows of an SQL query over an SQLite file with the exporter's default settings:
//   xlsx_export_run DB SQL OUT.xlsx
// Values cut to the cell limit are listed on standard error; a failure leaves OUT.xlsx as it was.
#include <cstdio>
#include <cstdlib>

#include "platform/db/ADODB.h"
#include "xlsexport/ExcelExport.h"

using namespace orv;
using namespace orv::vwExcelExport;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: xlsx_export_run DB SQL OUT.xlsx\n");
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
    exporter.SaveWorkbook(argv[3], 1);
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
