// Writes the workbook model as an .xlsx file: libxlsxwriter writes the workbook, its styles and
// each sheet's settings, and the cells follow (XlsxCellParts).
#include <xlsxwriter.h>

#include <algorithm>
#include <memory>

#include "platform/rtl/Dispatch.h"
#include "platform/sheet/SheetWorkbook.h"
#include "platform/sheet/XlsxCellParts.h"

namespace orv {

namespace {

[[noreturn]] void WriteError(const String& fileName, lxw_error error) {
  throw EOleException("Cannot write " + fileName + ": " + lxw_strerror(error), DISP_E_EXCEPTION, "Sheet", "");
}

lxw_color_t ToLxwColor(int bgr) {
  auto c = static_cast<unsigned>(bgr);
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

uint8_t ToLxwBorder(const SheetBorderEdge& e) {
  constexpr int medium = -4138, thick = 4, hairline = 1;
  switch (e.LineStyle) {
    case xlNone: return LXW_BORDER_NONE;
    case -4115: return e.Weight == medium ? LXW_BORDER_MEDIUM_DASHED : LXW_BORDER_DASHED;
    case 4: return e.Weight == medium ? LXW_BORDER_MEDIUM_DASH_DOT : LXW_BORDER_DASH_DOT;
    case 5: return e.Weight == medium ? LXW_BORDER_MEDIUM_DASH_DOT_DOT : LXW_BORDER_DASH_DOT_DOT;
    case -4118: return e.Weight == hairline ? LXW_BORDER_HAIR : LXW_BORDER_DOTTED;
    case -4119: return LXW_BORDER_DOUBLE;
    case 13: return LXW_BORDER_SLANT_DASH_DOT;
    default:
      if (e.Weight == hairline) return LXW_BORDER_HAIR;
      if (e.Weight == medium) return LXW_BORDER_MEDIUM;
      if (e.Weight == thick) return LXW_BORDER_THICK;
      return LXW_BORDER_THIN;
  }
}

uint8_t ToLxwAlign(int alignment) {
  switch (alignment) {
    case -4131: return LXW_ALIGN_LEFT;
    case -4152: return LXW_ALIGN_RIGHT;
    case -4108: return LXW_ALIGN_CENTER;
    default: return LXW_ALIGN_NONE;
  }
}

lxw_format* MakeFormat(lxw_workbook* wb, const SheetStyle& s) {
  lxw_format* f = workbook_add_format(wb);
  if (!s.FontName.empty()) format_set_font_name(f, s.FontName.c_str());
  if (s.FontSize > 0) format_set_font_size(f, s.FontSize);
  if (s.FontColor >= 0) format_set_font_color(f, ToLxwColor(s.FontColor));
  if (s.Bold) format_set_bold(f);
  if (s.Italic) format_set_italic(f);
  if (s.Underline) format_set_underline(f, LXW_UNDERLINE_SINGLE);
  if (s.FillColor >= 0) {
    format_set_pattern(f, LXW_PATTERN_SOLID);
    format_set_bg_color(f, ToLxwColor(s.FillColor));
  }
  using Setter = void (*)(lxw_format*, uint8_t);
  using ColorSetter = void (*)(lxw_format*, lxw_color_t);
  const Setter edges[4] = {format_set_left, format_set_top, format_set_bottom, format_set_right};
  const ColorSetter colors[4] = {format_set_left_color, format_set_top_color, format_set_bottom_color,
                                 format_set_right_color};
  for (size_t i = 0; i < 4; ++i) {
    uint8_t kind = ToLxwBorder(s.Edges[i]);
    if (kind == LXW_BORDER_NONE) continue;
    edges[i](f, kind);
    colors[i](f, ToLxwColor(s.Edges[i].Color));
  }
  if (uint8_t a = ToLxwAlign(s.HorizontalAlignment)) format_set_align(f, a);
  if (s.WrapText) format_set_text_wrap(f);
  if (s.Orientation) format_set_rotation(f, static_cast<int16_t>(std::clamp(s.Orientation, -90, 90)));
  if (!s.NumberFormat.empty()) format_set_num_format(f, s.NumberFormat.c_str());
  return f;
}

// The header text of the page setup, with the header codes' own "&" doubled.
String CenterHeaderCode(const String& text) {
  String out = "&C";
  for (char c : text) {
    out += c;
    if (c == '&') out += '&';
  }
  return out;
}

struct WorkbookCloser {
  void operator()(lxw_workbook* wb) const { workbook_close(wb); }
};

}  // namespace

void WriteXlsx(const SheetWorkbook& book, const String& fileName) {
  // libxlsxwriter holds only what is not a cell (merges and row levels among it): the cells go
  // into its file afterwards.
  lxw_workbook_options options{};
  std::unique_ptr<lxw_workbook, WorkbookCloser> owner(workbook_new_opt(fileName.c_str(), &options));
  lxw_workbook* wb = owner.get();
  if (!wb) WriteError(fileName, LXW_ERROR_CREATING_TMPFILE);
  const SheetStyleTable& styles = book.Store().Styles;
  XlsxCellFormats cells;
  cells.Format.assign(styles.Count(), 0);
  // An empty cell whose style is only a number format shows nothing: it is left out, which
  // spares the file the blank cells of every unset date in a column of dates.
  cells.BlankShows.assign(styles.Count(), false);
  for (std::uint32_t id = 1; id < styles.Count(); ++id) {
    SheetStyle look = styles[id];
    look.NumberFormat.clear();
    cells.BlankShows[id] = look != SheetStyle();
  }
  // A format for each style a written cell has, the merges' first cells included.
  std::vector<lxw_format*> formats(styles.Count(), nullptr);
  auto format = [&](std::uint32_t id) -> lxw_format* {
    if (id == 0) return nullptr;
    if (!formats[id]) {
      formats[id] = MakeFormat(wb, styles[id]);
      cells.Format[id] = lxw_format_get_xf_index(formats[id]);
    }
    return formats[id];
  };
  std::vector<bool> used(styles.Count());
  for (int i = 1; i <= book.SheetCount(); ++i)
    book.Sheet(i)->ForEachRow([&](int, const SheetRow& row) {
      for (const SheetCell& cell : row.Cells)
        if (XlsxCellWritten(cell, cells)) used[cell.Style] = true;
    });
  for (std::uint32_t id = 1; id < styles.Count(); ++id)
    if (used[id]) format(id);
  auto check = [&](lxw_error e) {
    if (e != LXW_NO_ERROR) WriteError(fileName, e);
  };

  for (int i = 1; i <= book.SheetCount(); ++i) {
    const SheetWorksheet& sheet = *book.Sheet(i);
    lxw_worksheet* ws = workbook_add_worksheet(wb, sheet.Name().c_str());
    if (!ws) throw EOleException("Cannot write " + fileName + ": the sheet name \"" + sheet.Name() + "\" is not allowed",
                                 DISP_E_EXCEPTION, "Sheet", "");
    for (auto [column, width] : sheet.ColumnWidths())
      check(worksheet_set_column(ws, static_cast<lxw_col_t>(column - 1), static_cast<lxw_col_t>(column - 1), width, nullptr));
    worksheet_outline_settings(ws, LXW_TRUE, sheet.SummaryRowBelow, sheet.SummaryColumnRight, LXW_FALSE);
    worksheet_gridlines(ws, sheet.PrintGridlines ? LXW_SHOW_ALL_GRIDLINES : LXW_SHOW_SCREEN_GRIDLINES);
    const SheetPageSetup& page = sheet.PageSetup;
    if (page.Landscape) worksheet_set_landscape(ws);
    if (page.PaperSize > 0) worksheet_set_paper(ws, static_cast<uint8_t>(page.PaperSize));
    worksheet_set_margins(ws, page.LeftMargin, page.RightMargin, page.TopMargin, page.BottomMargin);
    if (!sheet.CenterHeader.empty()) {
      lxw_header_footer_options header{};
      header.margin = page.HeaderMargin;
      check(worksheet_set_header_opt(ws, CenterHeaderCode(sheet.CenterHeader).c_str(), &header));
    }
    if (auto& f = sheet.AutoFilter())
      check(worksheet_autofilter(ws, static_cast<lxw_row_t>(f->First.Row - 1), static_cast<lxw_col_t>(f->First.Column - 1),
                                 static_cast<lxw_row_t>(f->Last.Row - 1), static_cast<lxw_col_t>(f->Last.Column - 1)));
    // The outline level of a row is stated in the sheet's format as well as on the row.
    sheet.ForEachRow([&](int r, const SheetRow& row) {
      if (!row.OutlineLevel) return;
      lxw_row_col_options opt{};
      opt.level = row.OutlineLevel;
      check(worksheet_set_row_opt(ws, static_cast<lxw_row_t>(r - 1), LXW_DEF_ROW_HEIGHT, nullptr, &opt));
    });
    // The merged ranges only: their cells are written with the others.
    for (const auto& m : sheet.Merges()) {
      const SheetCell* first = sheet.CellAt(m.First.Row, m.First.Column);
      check(worksheet_merge_range(ws, static_cast<lxw_row_t>(m.First.Row - 1), static_cast<lxw_col_t>(m.First.Column - 1),
                                  static_cast<lxw_row_t>(m.Last.Row - 1), static_cast<lxw_col_t>(m.Last.Column - 1), "",
                                  format(first ? first->Style : 0)));
    }
  }
  lxw_error e = workbook_close(owner.release());
  if (e != LXW_NO_ERROR) WriteError(fileName, e);
  WriteXlsxCells(book, fileName, cells);
}

}  // namespace orv
