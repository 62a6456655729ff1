// Which reports leave each page for good once the engine starts the next one, so that an export
// may take a page while the engine still writes the following ones.
#include "report/engine/Engine.h"
#include "report/engine/ObjectKinds.h"
#include "report/engine/PassBlind.h"
#include "report/model/LineView.h"
#include "report/model/MemoView.h"

namespace orv {

namespace {

// Bands in one column, and memos and lines: what the engine writes to the current page only.
// Subreports and vertical bands go back to pages already started, several columns fill a page
// again from its top, and pictures and other views are drawn by code that needs the program's
// own thread.
bool WrittenInOrder(TkvxComponent* obj) {
  if (auto* band = kvxAs<TkvxBand>(obj)) {
    if (band->Vertical()) return false;
    auto* data = kvxAs<TkvxDataBand>(band);
    return !data || data->Columns <= 1;
  }
  if (auto* memo = kvxAs<TkvxCustomMemoView>(obj)) return !memo->AutoWidth;
  return kvxAs<TkvxCustomLineView>(obj) != nullptr;
}

}  // namespace

bool kvxPagesFinalInOrder(TkvxReport* report) {
  // A script, an event the program handles or an expression that reaches the engine or the
  // report may move to any page and change it.
  if (!report || !kvxPassBlind(report)) return false;
  for (TkvxComponent* c : report->Objects()) {
    auto* page = kvxAs<TkvxReportPage>(c);
    if (!page) continue;
    // A page of several columns, an endless page (whose size its source page takes at the end)
    // and a page printed on the previous one go back to pages already written.
    if (page->Columns() > 1 || page->EndlessWidth() || page->EndlessHeight() || page->PrintOnPreviousPage())
      return false;
    for (TkvxComponent* obj : page->AllObjects())
      if (!WrittenInOrder(obj)) return false;
  }
  return true;
}

}  // namespace orv
