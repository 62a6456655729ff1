#pragma once
// The cells of an .xlsx workbook, written by us into the file libxlsxwriter made of everything
// else. A sheet of a register is millions of cells: they go out as shared texts, as the
// spreadsheet itself writes them, in a sheet part compressed at zlib's fastest level, where
// libxlsxwriter would spell out every text in the sheet and compress it at the default level,
// which took most of an export's time.
#include <cstdint>
#include <vector>

#include "platform/sheet/SheetWorkbook.h"

namespace orv {

// How the workbook file describes the model's styles: the file's cell format of each style (0:
// the default), and whether an empty cell of the style shows anything (a border, a fill) and so
// must be written.
struct XlsxCellFormats {
  std::vector<std::int32_t> Format;
  std::vector<bool> BlankShows;
};

// Whether a cell goes into the file at all.
inline bool XlsxCellWritten(const SheetCell& cell, const XlsxCellFormats& formats) {
  return cell.Kind != SheetCellKind::Empty || (cell.Style != 0 && formats.BlankShows[cell.Style]);
}

// Puts the cells of every sheet of book into fileName, a workbook libxlsxwriter has written with
// the same sheets in the same order and no cells (but the merges and row levels). EOleException
// naming fileName when the file cannot be read or written.
void WriteXlsxCells(const SheetWorkbook& book, const String& fileName, const XlsxCellFormats& formats);

}  // namespace orv
