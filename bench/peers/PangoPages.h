#pragma once
// A peer for the text benchmarks: Pango laying out text and cairo drawing it, onto images and
// into a PDF file. Pages are A4 at 96 pixels per inch, the report library's unit.
#include <functional>
#include <string>
#include <vector>

namespace orv::peer {

constexpr double PageWidthPx = 794, PageHeightPx = 1123;

struct TPangoMemoTimes {
  double Layout = 0, Draw = 0, Export = 0;
  int Pages = 0;
};

// One paragraph of UTF-8 text in family at points, wrapped at width pixels and split over pages
// of height pixels below a top margin: laid out, every page drawn on an image, and written to pdf.
// Lines step by lineStep pixels where it is given, so that a page holds the lines another
// layout's page holds; by the font's own height where it is 0.
TPangoMemoTimes PangoMemo(const std::string& text, const char* family, double points, double width, double top,
                          double height, double lineStep, const std::string& pdf);

// A line of text placed on a page: its left and baseline in pixels, and its size in points where
// it has one of its own (0: the size the call names).
struct TPlacedLine {
  double Left, Baseline;
  std::string Text;
  double Points = 0;
};

// pages pages of linesPerPage lines, each asked of line(page, line) as it is drawn, written to
// pdf in family at points; the seconds taken.
double PangoLines(int pages, int linesPerPage, const std::function<TPlacedLine(int, int)>& line, const char* family,
                  double points, const std::string& pdf);

// Pages of lines as nextPage hands them out, one page at a time until it says there are no more,
// written to pdf in family; the pages written.
int PangoPlacedPages(const std::function<bool(std::vector<TPlacedLine>&)>& nextPage, const char* family,
                     const std::string& pdf);

}  // namespace orv::peer
