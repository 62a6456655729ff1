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
  String moved, open;
  for (const String& file : kept) (IsWorkbookOpenElsewhere(file) ? open : moved) += "\n" + file;
  String text;
  if (!moved.empty()) text = "สมุดงานที่แก้ไขหลังจากโปรแกรมเขียนไว้ไม่ได้ถูกลบ ย้ายไปเก็บไว้ที่:" + moved;
  if (!open.empty())
    text += String(text.empty() ? "" : "\n\n") +
            "สมุดงานที่ยังเปิดอยู่ในโปรแกรมตารางคำนวณไม่ได้ถูกลบ อยู่ที่:" + open +
            "\nโฟลเดอร์นี้จะถูกล้างเมื่อออกจากระบบ ให้บันทึกสมุดงานไว้ที่อื่นด้วยคำสั่ง Save As";
  ShowMessage(text);
}

}  // namespace orv
