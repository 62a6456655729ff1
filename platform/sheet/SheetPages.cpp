#include "platform/sheet/SheetPages.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string_view>

#include "platform/gui/Canvas.h"
#include "platform/gui/Colors.h"
#include "platform/fonts/FontFace.h"
#include "platform/rtl/TextUtils.h"
#include "platform/print/PrintServer.h"
#include "platform/sheet/FormulaValue.h"
#include "platform/sheet/SheetDates.h"

namespace orv {

namespace {

// The spreadsheet's paper numbers, their size in millimetres (portrait) and the print
// server's name for them.
struct Paper {
  int Number;
  double Width, Height;
  const char* Media;
};
constexpr Paper kPapers[] = {
    {1, 215.9, 279.4, "na_letter_8.5x11in"},   {5, 215.9, 355.6, "na_legal_8.5x14in"},
    {7, 184.15, 266.7, "na_executive_7.25x10.5in"}, {8, 297, 420, "iso_a3_297x420mm"},
    {9, 210, 297, "iso_a4_210x297mm"},         {11, 148, 210, "iso_a5_148x210mm"},
    {13, 182, 257, "jis_b5_182x257mm"},        {70, 105, 148, "iso_a6_105x148mm"},
};
// A paper the preview has no size for is laid out as A4.
constexpr Paper kA4 = {9, 210, 297, "iso_a4_210x297mm"};
// Room a page keeps for cells whatever its margins say.
constexpr double kMinRoom = 20;
constexpr double kMmPerPixel = 25.4 / 96;
// A column without a width of its own: 8.43 characters, 64 pixels on the screen.
constexpr double kDefaultColumnPixels = 64;
constexpr double kPointMm = 25.4 / 72;
constexpr double kDefaultRowPoints = 15;
constexpr double kRowPerFontPoint = 15.0 / 11;
// Room below a cell's text, as DrawPage leaves it.
constexpr double kTextPadPoints = 1.5;

double ColumnMm(std::optional<double> characters) {
  if (!characters) return kDefaultColumnPixels * kMmPerPixel;
  double w = *characters;
  return (w < 1 ? w * 12 : w * 7 + 5) * kMmPerPixel;
}

// Bands of consecutive sizes that fit into room; a size larger than room takes a band alone.
template <typename Band>
std::vector<Band> Cut(const std::vector<double>& sizes, int first, double room) {
  std::vector<Band> out;
  double used = 0;
  for (size_t i = 0; i < sizes.size(); ++i) {
    int index = first + static_cast<int>(i);
    if (out.empty() || used + sizes[i] > room) {
      out.push_back({index, index});
      used = 0;
    }
    out.back().Last = index;
    used += sizes[i];
  }
  return out;
}

// The heights of lines of text in the styles of a sheet. Latin letters fit the rows a font's
// size gives (15 points for 11), but a Thai vowel or tone mark over a letter rises far above
// them: a line holding other letters reaches from the highest ascent to the deepest descent of
// the faces that draw those letters, which may not be the face the style names.
class LineHeights {
 public:
  explicit LineHeights(const SheetStyleTable& styles) : styles_(styles), faces_(styles.Count()) {}

  // Points from the top of a line of text to its bottom; 0 for Latin letters alone, or when
  // the style's font is not found.
  double Points(std::uint32_t style, std::string_view text) {
    const SheetStyle& s = styles_[style];
    Face& face = faces_[style];
    if (!face.Looked) {
      face.Looked = true;
      try {
        face.Found = TFontFace::Find(s.FontName.empty() ? String(SheetDefaultFontName) : s.FontName, s.Bold, s.Italic,
                                     charset_).get();
      } catch (const EFontError&) {
      }
    }
    if (!face.Found) return 0;
    int ascent = 0, descent = 0;
    for (size_t at = 0; at < text.size();) {
      if (static_cast<unsigned char>(text[at]) < 0x80) {
        ++at;
        continue;
      }
      char32_t ch = NextCodePoint(text, at);
      const TFontFace* drawing = face.Found->HasCharacter(ch) ? face.Found : face.Found->FallbackFor(ch);
      if (!drawing) continue;
      ascent = std::max(ascent, drawing->Metrics().Ascent);
      descent = std::max(descent, -drawing->Metrics().Descent);
    }
    return (ascent + descent) / 1000.0 * static_cast<double>(std::lround(s.FontSize > 0 ? s.FontSize : SheetDefaultFontSize));
  }

 private:
  struct Face {
    bool Looked = false;
    const TFontFace* Found = nullptr;
  };
  const SheetStyleTable& styles_;
  std::vector<Face> faces_;
  // What the canvas draws cells in.
  TFontCharset charset_ = TFont().Charset();
};

TFontStyles StylesOf(const SheetStyle& s) {
  TFontStyles styles;
  if (s.Bold) styles.Include(fsBold);
  if (s.Italic) styles.Include(fsItalic);
  if (s.Underline) styles.Include(fsUnderline);
  return styles;
}

void UseFont(TCanvas& canvas, const SheetStyle& s) {
  canvas.Font().SetName(s.FontName.empty() ? String(SheetDefaultFontName) : s.FontName);
  canvas.Font().SetSize(static_cast<int>(std::lround(s.FontSize > 0 ? s.FontSize : SheetDefaultFontSize)));
  canvas.Font().SetStyle(StylesOf(s));
  canvas.Font().SetColor(s.FontColor >= 0 ? static_cast<TColor>(s.FontColor) : clBlack);
}

int PenWidth(const SheetBorderEdge& e, double dotsPerMm) {
  constexpr int medium = -4138, thick = 4;
  double mm = e.Weight == thick ? 0.6 : e.Weight == medium ? 0.4 : 0.2;
  return std::max(1, static_cast<int>(std::lround(mm * dotsPerMm)));
}

}  // namespace

String SheetCellText(const SheetWorksheet& sheet, int row, int column) {
  const SheetCell* cell = sheet.CellAt(row, column);
  if (!cell) return String();
  const SheetStyle& style = sheet.Store().Styles[cell->Style];
  switch (cell->Kind) {
    case SheetCellKind::Empty: return String();
    case SheetCellKind::Text: return sheet.Store().Strings[cell->Text];
    case SheetCellKind::Boolean: return cell->Boolean ? "TRUE" : "FALSE";
    case SheetCellKind::Number: return FormattedNumber(style.NumberFormat, cell->Number);
    case SheetCellKind::Formula: {
      auto value = FormulaValue(sheet, sheet.Store().Strings[cell->Text]);
      if (!value) value = sheet.StoredResult(row, column);
      return value ? FormattedNumber(style.NumberFormat, *value) : String();
    }
  }
  return String();
}

SheetPageLayout::SheetPageLayout(const SheetWorksheet& sheet) : sheet_(sheet), used_(sheet.UsedRange()) {
  const SheetPageSetup& setup = sheet.PageSetup;
  Paper paper = kA4;
  for (const Paper& p : kPapers)
    if (p.Number == setup.PaperSize) paper = p;
  paper_.Landscape = setup.Landscape;
  paper_.Width = setup.Landscape ? paper.Height : paper.Width;
  paper_.Height = setup.Landscape ? paper.Width : paper.Height;
  media_ = paper.Media;
  // Margins that leave no room for a cell give way, each side by the same share.
  auto fit = [](double& a, double& b, double length) {
    double over = a + b - (length - kMinRoom);
    if (over <= 0) return;
    double keep = (length - kMinRoom) / (a + b);
    a *= keep;
    b *= keep;
  };
  left_ = setup.LeftMargin * 25.4;
  right_ = setup.RightMargin * 25.4;
  top_ = setup.TopMargin * 25.4;
  bottom_ = setup.BottomMargin * 25.4;
  fit(left_, right_, paper_.Width);
  fit(top_, bottom_, paper_.Height);
  header_ = std::min(setup.HeaderMargin * 25.4, top_);

  for (int c = used_.First.Column; c <= used_.Last.Column; ++c) columnWidths_.push_back(ColumnMm(sheet.ColumnWidth(c)));
  LineHeights lines(sheet.Store().Styles);
  for (int r = used_.First.Row; r <= used_.Last.Row; ++r) {
    double points = kDefaultRowPoints;
    if (const SheetRow* row = sheet.RowAt(r))
      for (size_t c = 0; c < row->Cells.size(); ++c) {
        const SheetCell& cell = row->Cells[c];
        const SheetStyle& style = sheet.Store().Styles[cell.Style];
        points = std::max(points, style.FontSize * kRowPerFontPoint);
        if (cell.Kind == SheetCellKind::Empty) continue;
        // Numbers show in their format, whose own letters are all a number can bring in.
        bool plainFormat = std::all_of(style.NumberFormat.begin(), style.NumberFormat.end(),
                                       [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
        String shown = cell.Kind != SheetCellKind::Text && !plainFormat ? SheetCellText(sheet, r, static_cast<int>(c) + 1)
                                                                         : String();
        std::string_view text = cell.Kind == SheetCellKind::Text ? std::string_view(sheet.Store().Strings[cell.Text])
                                                                 : std::string_view(shown);
        points = std::max(points, lines.Points(cell.Style, text) + kTextPadPoints);
      }
    rowHeights_.push_back(points * kPointMm);
  }
  columnBands_ = Cut<Band>(columnWidths_, used_.First.Column, paper_.Width - left_ - right_);
  rowBands_ = Cut<Band>(rowHeights_, used_.First.Row, paper_.Height - top_ - bottom_);
}

SheetRect SheetPageLayout::PageCells(int page) const {
  if (page < 0 || page >= PageCount()) return SheetRect{{1, 1}, {1, 1}};
  // Down the rows first, then across.
  const Band& rows = rowBands_[static_cast<size_t>(page) % rowBands_.size()];
  const Band& columns = columnBands_[static_cast<size_t>(page) / rowBands_.size()];
  return SheetRect{{rows.First, columns.First}, {rows.Last, columns.Last}};
}

void SheetPageLayout::DrawPage(TCanvas& canvas, int page) const {
  if (page < 0 || page >= PageCount()) return;
  const SheetRect cells = PageCells(page);
  const double dots = canvas.PixelsPerInchX() / 25.4;
  auto px = [&](double mm) { return static_cast<int>(std::lround(mm * dots)); };

  // Cell edges on the page, in device pixels.
  std::vector<int> xs{px(left_)}, ys{px(top_)};
  double at = left_;
  for (int c = cells.First.Column; c <= cells.Last.Column; ++c)
    xs.push_back(px(at += columnWidths_[static_cast<size_t>(c - used_.First.Column)]));
  at = top_;
  for (int r = cells.First.Row; r <= cells.Last.Row; ++r)
    ys.push_back(px(at += rowHeights_[static_cast<size_t>(r - used_.First.Row)]));
  auto cellRect = [&](int r, int c) {
    return TRect{xs[static_cast<size_t>(c - cells.First.Column)], ys[static_cast<size_t>(r - cells.First.Row)],
                 xs[static_cast<size_t>(c - cells.First.Column + 1)], ys[static_cast<size_t>(r - cells.First.Row + 1)]};
  };
  // A rectangle of cells on this page, cut at the page's edges.
  auto areaRect = [&](const SheetRect& area) {
    int r1 = std::max(area.First.Row, cells.First.Row), r2 = std::min(area.Last.Row, cells.Last.Row);
    int c1 = std::max(area.First.Column, cells.First.Column), c2 = std::min(area.Last.Column, cells.Last.Column);
    TRect a = cellRect(r1, c1), b = cellRect(r2, c2);
    return TRect{a.Left, a.Top, b.Right, b.Bottom};
  };

  // The page is drawn whole: no clip of an earlier page (the print job's painter keeps its last
  // one from page to page) may cut it.
  canvas.ResetClip();
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(clWhite);
  canvas.FillRect(TRect{0, 0, px(paper_.Width), px(paper_.Height)});

  if (!sheet_.CenterHeader.empty()) {
    UseFont(canvas, SheetStyle());
    canvas.Brush().SetStyle(bsClear);
    TRect header{px(left_), px(header_), px(paper_.Width - right_), px(top_)};
    canvas.TextRect(header, sheet_.CenterHeader, tfCenter | tfTop | tfSingleLine | tfNoPrefix);
  }

  // Merged areas on this page by their top left cell; the other cells of a merge draw nothing.
  std::map<std::pair<int, int>, SheetRect> mergeAt;
  std::map<std::pair<int, int>, bool> covered;
  for (const SheetRect& m : sheet_.Merges()) {
    if (m.Last.Row < cells.First.Row || m.First.Row > cells.Last.Row || m.Last.Column < cells.First.Column ||
        m.First.Column > cells.Last.Column)
      continue;
    int r0 = std::max(m.First.Row, cells.First.Row), c0 = std::max(m.First.Column, cells.First.Column);
    mergeAt[{r0, c0}] = m;
    for (int r = r0; r <= std::min(m.Last.Row, cells.Last.Row); ++r)
      for (int c = c0; c <= std::min(m.Last.Column, cells.Last.Column); ++c)
        if (r != r0 || c != c0) covered[{r, c}] = true;
  }

  canvas.IntersectClipRect(TRect{xs.front(), ys.front(), xs.back() + 1, ys.back() + 1});

  if (sheet_.PrintGridlines) {
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetColor(clSilver);
    for (int x : xs) {
      canvas.MoveTo(x, ys.front());
      canvas.LineTo(x, ys.back() + 1);
    }
    for (int y : ys) {
      canvas.MoveTo(xs.front(), y);
      canvas.LineTo(xs.back() + 1, y);
    }
  }

  const SheetStyleTable& styles = sheet_.Store().Styles;
  auto isEmpty = [&](int r, int c) {
    const SheetCell* cell = sheet_.CellAt(r, c);
    return (!cell || cell->Kind == SheetCellKind::Empty) && !covered.count({r, c}) && !mergeAt.count({r, c});
  };
  for (int r = cells.First.Row; r <= cells.Last.Row; ++r) {
    for (int c = cells.First.Column; c <= cells.Last.Column; ++c) {
      if (covered.count({r, c})) continue;
      auto merge = mergeAt.find({r, c});
      bool merged = merge != mergeAt.end();
      // A merge's look and value are its first cell's, which may lie on an earlier page.
      SheetCellRef origin = merged ? merge->second.First : SheetCellRef{r, c};
      const SheetCell* cell = sheet_.CellAt(origin.Row, origin.Column);
      if (!cell) continue;
      const SheetStyle& style = styles[cell->Style];
      TRect box = merged ? areaRect(merge->second) : cellRect(r, c);

      if (style.FillColor >= 0) {
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(static_cast<TColor>(style.FillColor));
        canvas.FillRect(box);
      }
      String text = SheetCellText(sheet_, origin.Row, origin.Column);
      if (!text.empty()) {
        int align = style.HorizontalAlignment;
        TTextFormat format = tfNoPrefix;
        if (align == -4108) {
          format |= tfCenter;
        } else if (align == -4152 || (align == xlHAlignGeneral && (cell->Kind == SheetCellKind::Number ||
                                                                   cell->Kind == SheetCellKind::Formula))) {
          format |= tfRight;
        } else if (align == xlHAlignGeneral && cell->Kind == SheetCellKind::Boolean) {
          format |= tfCenter;
        }
        TRect room = box;
        if (style.WrapText) {
          format |= tfWordBreak;
        } else {
          format |= tfSingleLine | tfBottom;
          // A left-aligned text runs on over the empty cells to its right, as on the screen.
          if (!merged && !(format & (tfCenter | tfRight)))
            for (int next = c + 1; next <= cells.Last.Column && isEmpty(r, next); ++next) room.Right = cellRect(r, next).Right;
        }
        int pad = std::max(1, px(0.5));
        room.Left += pad;
        room.Right -= pad;
        room.Bottom -= pad / 2;
        UseFont(canvas, style);
        canvas.Brush().SetStyle(bsClear);
        canvas.TextRect(room, text, format);
      }
      for (size_t e = 0; e < 4; ++e) {
        const SheetBorderEdge& edge = style.Edges[e];
        if (edge.LineStyle == xlNone) continue;
        canvas.Pen().SetStyle(edge.LineStyle == -4115 ? psDash : edge.LineStyle == -4118 ? psDot : psSolid);
        canvas.Pen().SetWidth(PenWidth(edge, dots));
        canvas.Pen().SetColor(static_cast<TColor>(edge.Color));
        // Edges in the order left, top, bottom, right.
        TPoint from = e == 2 ? TPoint{box.Left, box.Bottom} : e == 3 ? TPoint{box.Right, box.Top} : TPoint{box.Left, box.Top};
        TPoint to = e == 0 ? TPoint{box.Left, box.Bottom} : e == 1 ? TPoint{box.Right, box.Top} : TPoint{box.Right, box.Bottom};
        canvas.MoveTo(from.X, from.Y);
        canvas.LineTo(to.X, to.Y);
      }
    }
  }
  canvas.ResetClip();
}

bool PrintSheetPages(const SheetPageLayout& layout, const String& title, const String& printer, const String& fileName,
                     String& error) {
  String target = printer;
  if (fileName.empty() && target.empty()) {
    TPrinterList printers = ListPrinters();
    if (!printers.ServerReachable) {
      error = printers.Error;
      return false;
    }
    target = printers.Default;
    if (target.empty()) {
      error = "No printer is installed";
      return false;
    }
  }
  TCanvasJob job;
  if (!job.Begin(title, fileName, error)) return false;
  TCanvas canvas;
  for (int page = 0; page < layout.PageCount(); ++page) {
    job.BeginPage(canvas, layout.Format());
    layout.DrawPage(canvas, page);
    job.EndPage();
  }
  TJobOptions options;
  options.Title = title;
  options.Media = layout.Media();
  options.Landscape = layout.Format().Landscape;
  return job.End(target, options, error);
}

}  // namespace orv
