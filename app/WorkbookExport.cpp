#include "app/WorkbookExport.h"

#include "platform/gui/Cursors.h"
#include "platform/gui/Dialogs.h"
#include "platform/sheet/WorkbookFolder.h"
#include "xlsexport/ExcelExport.h"

namespace orv {

namespace {

// A box names this many cells at most; a list of thousands would not fit the screen.
constexpr int kCellsNamed = 20;

}  // namespace

void ExportToWorkbook(TvwExcelExport* exporter, TDataSet* dataSet) {
  {
    THourGlass hourGlass;
    exporter->SetDataset(dataSet);
    exporter->ExportDataset();
    exporter->Disconnect(false);
  }
  const TStringList& cut = exporter->CutCells();
  if (cut.Count() == 0) return;
  String cells;
  for (int i = 0; i < cut.Count() && i < kCellsNamed; ++i) cells += (i ? ", " : "") + cut.Strings(i);
  if (cut.Count() > kCellsNamed) cells += " และอีก " + std::to_string(cut.Count() - kCellsNamed) + " ช่อง";
  ShowMessage("ข้อความในช่อง " + cells + " ของสมุดงานยาวเกิน " + std::to_string(exporter->MaxCellTextLength()) +
              " ตัวอักษรที่ช่องหนึ่งเก็บได้ จึงถูกตัดท้ายและลงท้ายด้วย \"...\"");
}

void TellKeptWorkbooks() {
  std::vector<String> kept = RemovePrivateWorkbooks();
  if (kept.empty()) return;
  String files;
  for (const String& file : kept) files += "\n" + file;
  ShowMessage("สมุดงานที่แก้ไขหลังจากโปรแกรมเขียนไว้ไม่ได้ถูกลบ เก็บอยู่ที่:" + files);
}

}  // namespace orv
