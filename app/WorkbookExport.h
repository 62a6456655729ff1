#pragma once
// The Excel buttons' workbooks: written and shown, with a word for what the user would not
// otherwise know (texts cut to fit a cell, workbooks kept at the end).
#include "platform/db/DB.h"

namespace orv {

class TvwExcelExport;

// Exports dataSet through exporter and shows the workbook; names the cells whose text was cut
// to what a cell holds.
void ExportToWorkbook(TvwExcelExport* exporter, TDataSet* dataSet);

// Removes the shown workbooks nobody changed; says where those the user saved over are kept.
void TellKeptWorkbooks();

}  // namespace orv
