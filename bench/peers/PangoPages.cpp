#include "bench/peers/PangoPages.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <vector>

#include "bench/BenchTiming.h"

namespace orv::peer {

namespace {

// Pixels at 96 per inch, as the report library counts, on a surface that counts points.
constexpr double PointsPerPixel = 0.75;

PangoLayout* NewLayout(cairo_t* cr, const char* family, double points) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  pango_cairo_context_set_resolution(pango_layout_get_context(layout), 96);
  pango_layout_context_changed(layout);
  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, family);
  pango_font_description_set_size(font, static_cast<int>(points * PANGO_SCALE));
  pango_layout_set_font_description(layout, font);
  pango_font_description_free(font);
  return layout;
}

struct TLine {
  PangoLayoutLine* Line;
  double Baseline;  // within its page
};

}  // namespace

TPangoMemoTimes PangoMemo(const std::string& text, const char* family, double points, double width, double top,
                          double height, double lineStep, const std::string& pdf) {
  TPangoMemoTimes t;
  cairo_surface_t* measure = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* measureCr = cairo_create(measure);
  PangoLayout* layout = NewLayout(measureCr, family, points);
  std::vector<std::vector<TLine>> pages;
  t.Layout = Seconds([&] {
    if (lineStep > 0) {
      // The room between lines that makes one line's height the step.
      pango_layout_set_text(layout, "ก", -1);
      PangoRectangle one;
      pango_layout_get_extents(layout, nullptr, &one);
      pango_layout_set_spacing(layout, static_cast<int>(lineStep * PANGO_SCALE) - one.height);
    }
    pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
    PangoLayoutIter* it = pango_layout_get_iter(layout);
    double pageTop = 0;
    pages.emplace_back();
    do {
      PangoRectangle logical;
      pango_layout_iter_get_line_extents(it, nullptr, &logical);
      double y = static_cast<double>(logical.y) / PANGO_SCALE, h = static_cast<double>(logical.height) / PANGO_SCALE;
      if (y + h - pageTop > height && !pages.back().empty()) {
        pageTop = y;
        pages.emplace_back();
      }
      double baseline = static_cast<double>(pango_layout_iter_get_baseline(it)) / PANGO_SCALE - pageTop + top;
      pages.back().push_back({pango_layout_iter_get_line_readonly(it), baseline});
    } while (pango_layout_iter_next_line(it));
    pango_layout_iter_free(it);
  });
  t.Pages = static_cast<int>(pages.size());
  auto drawPage = [&](cairo_t* cr, const std::vector<TLine>& lines) {
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (const TLine& l : lines) {
      cairo_move_to(cr, 0, l.Baseline);
      pango_cairo_show_layout_line(cr, l.Line);
    }
  };
  t.Draw = Seconds([&] {
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(PageWidthPx),
                                                        static_cast<int>(PageHeightPx));
    cairo_t* cr = cairo_create(image);
    for (const auto& lines : pages) {
      cairo_set_source_rgb(cr, 1, 1, 1);
      cairo_paint(cr);
      drawPage(cr, lines);
      cairo_surface_flush(image);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(image);
  });
  t.Export = Seconds([&] {
    cairo_surface_t* surface =
        cairo_pdf_surface_create(pdf.c_str(), PageWidthPx * PointsPerPixel, PageHeightPx * PointsPerPixel);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, PointsPerPixel, PointsPerPixel);
    for (const auto& lines : pages) {
      drawPage(cr, lines);
      cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
  });
  g_object_unref(layout);
  cairo_destroy(measureCr);
  cairo_surface_destroy(measure);
  return t;
}

double PangoLines(int pages, int linesPerPage, const std::function<TPlacedLine(int, int)>& line, const char* family,
                  double points, const std::string& pdf) {
  return Seconds([&] {
    cairo_surface_t* surface =
        cairo_pdf_surface_create(pdf.c_str(), PageWidthPx * PointsPerPixel, PageHeightPx * PointsPerPixel);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, PointsPerPixel, PointsPerPixel);
    cairo_set_source_rgb(cr, 0, 0, 0);
    PangoLayout* layout = NewLayout(cr, family, points);
    for (int p = 0; p < pages; ++p) {
      for (int l = 0; l < linesPerPage; ++l) {
        TPlacedLine placed = line(p, l);
        pango_layout_set_text(layout, placed.Text.data(), static_cast<int>(placed.Text.size()));
        cairo_move_to(cr, placed.Left, placed.Baseline);
        pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(layout, 0));
      }
      cairo_show_page(cr);
    }
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
  });
}

int PangoPlacedPages(const std::function<bool(std::vector<TPlacedLine>&)>& nextPage, const char* family,
                     const std::string& pdf) {
  cairo_surface_t* surface =
      cairo_pdf_surface_create(pdf.c_str(), PageWidthPx * PointsPerPixel, PageHeightPx * PointsPerPixel);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, PointsPerPixel, PointsPerPixel);
  cairo_set_source_rgb(cr, 0, 0, 0);
  // A layout for each size the pages use: a list has a few.
  std::vector<std::pair<double, PangoLayout*>> layouts;
  auto layoutAt = [&](double points) {
    for (auto& [size, layout] : layouts)
      if (size == points) return layout;
    layouts.emplace_back(points, NewLayout(cr, family, points));
    return layouts.back().second;
  };
  int pages = 0;
  for (std::vector<TPlacedLine> lines; nextPage(lines); lines.clear()) {
    for (const TPlacedLine& placed : lines) {
      PangoLayout* layout = layoutAt(placed.Points);
      pango_layout_set_text(layout, placed.Text.data(), static_cast<int>(placed.Text.size()));
      cairo_move_to(cr, placed.Left, placed.Baseline);
      pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(layout, 0));
    }
    cairo_show_page(cr);
    ++pages;
  }
  for (auto& [size, layout] : layouts) g_object_unref(layout);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  cairo_surface_destroy(surface);
  return pages;
}

}  // namespace orv::peer
