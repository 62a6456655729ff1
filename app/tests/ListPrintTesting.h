#pragma once
// Reading back the rows of the printed member and statistics lists (pdftotext in reading order)
// and what the spreadsheet export wrote (openpyxl).
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/tests/DocumentTesting.h"

namespace orv::test {

inline std::vector<std::string> SplitBars(const std::string& line) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t bar; (bar = line.find('|', start)) != std::string::npos; start = bar + 1)
    parts.push_back(line.substr(start, bar - start));
  parts.push_back(line.substr(start));
  return parts;
}

// text with each run of blanks made one and none at either end.
inline std::string CollapseBlanks(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// text without blanks, form feeds and line ends: what a wrapped Thai text and its one-line form
// have in common.
inline std::string Bare(std::string text) {
  std::erase_if(text, [](char c) { return c == ' ' || c == '\n' || c == '\f'; });
  return text;
}

// The text of pdf in reading order, without blanks and line ends.
inline std::string BarePdfText(const std::string& pdf) {
  return Bare(testing::Run("pdftotext -raw -enc UTF-8 " + Quoted(pdf) + " -"));
}

struct TPrintedRow {
  int Number;
  std::string Text;  // after the number
};

// A printed list: its numbered rows, the lines between them (group headings), the total line's
// count, and whether every page says "หน้า N จาก M" with its number and the page count and the
// rows are numbered from 1 without a gap.
struct TPrintedList {
  bool Opened = false;  // a preview window showed the pages
  bool Sound = false;
  std::string Problems;
  int Pages = 0;
  std::vector<TPrintedRow> Rows;
  std::vector<std::string> Headings;
  std::string Total;
  std::vector<std::string> Lines;
  bool HasLine(const std::string& line) const {
    return std::find(Lines.begin(), Lines.end(), line) != Lines.end();
  }
  // Whether the pages hold text, wherever its lines wrap: Thai has no blank between the words
  // a line may break at, so blanks are left out of the comparison.
  bool HasText(const std::string& text) const {
    std::string all;
    for (const std::string& line : Lines) all += Bare(line);
    return all.find(Bare(text)) != std::string::npos;
  }
};

// Reads pdf as a printed list whose page header ends with the line starting "ลำดับ", after the
// checks every document passes.
inline TPrintedList ReadPrintedList(const std::filesystem::path& pdf) {
  TPrintedList list;
  if (!std::filesystem::exists(pdf)) return list;
  CheckedPdfText(pdf.string());
  list.Pages = static_cast<int>(PdfPageCount(pdf.string()));
  bool sound = true;
  std::string out = testing::Run("pdftotext -raw -enc UTF-8 " + Quoted(pdf.string()) + " -");
  static const std::regex number(R"(^(\d+)\. (.*)$)");
  // The footer may share its line with the date printed beside it.
  static const std::regex page(R"(^(?:.* )?หน้า (\d+) จาก (\d+)$)");
  static const std::regex total(R"(^รวมทั้งสิ้น (\d+) รายการ$)");
  int pagesSeen = 0;
  bool inHeader = true;
  for (std::string line : Lines(out)) {
    if (!line.empty() && line[0] == '\f') {
      line.erase(0, 1);
      inHeader = true;
    }
    line = CollapseBlanks(line);
    if (line.empty()) continue;
    list.Lines.push_back(line);
    std::smatch m;
    if (inHeader) {
      // The page header: the title, a period, the column captions.
      if (line.rfind("ลำดับ", 0) == 0) inHeader = false;
    } else if (std::regex_match(line, m, number)) {
      list.Rows.push_back({std::stoi(m[1]), m[2]});
    } else if (std::regex_match(line, m, page)) {
      ++pagesSeen;
      if (m[1] != std::to_string(pagesSeen) || std::stoi(m[2]) != list.Pages) {
        sound = false;
        list.Problems += "footer \"" + line + "\" on page " + std::to_string(pagesSeen) + "\n";
      }
    } else if (std::regex_match(line, m, total)) {
      list.Total = m[1];
    } else if (line.rfind("วันที่พิมพ์", 0) != 0) {
      list.Headings.push_back(line);
    }
  }
  if (pagesSeen != list.Pages || list.Pages == 0) {
    sound = false;
    list.Problems +=
        std::to_string(pagesSeen) + " footers on " + std::to_string(list.Pages) + " pages\n";
  }
  for (size_t i = 0; i < list.Rows.size(); ++i) {
    if (list.Rows[i].Number != static_cast<int>(i + 1)) {
      sound = false;
      list.Problems += "row " + std::to_string(i + 1) + " numbered " +
                       std::to_string(list.Rows[i].Number) + "\n";
      break;
    }
  }
  list.Sound = sound;
  return list;
}

// A workbook's first sheet as openpyxl reads it: its name, the data rows under the title row and
// the values of one titled column.
struct TWorkbookRows {
  bool Read = false;
  std::string Problems;
  std::string Sheet;
  size_t DataRows = 0;
  std::set<std::string> Column;
};

inline TWorkbookRows ReadWorkbookRows(const std::string& file, const std::string& title) {
  const char* script = R"py(
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
print("SHEET|" + ws.title)
titles = [c.value for c in ws[1]]
col = titles.index(sys.argv[2])
for row in ws.iter_rows(min_row=2, values_only=True):
    if any(v is not None for v in row):
        v = row[col]
        print("ROW|" + ("" if v is None else str(int(v)) if isinstance(v, float) and v == int(v) else str(v)))
)py";
  TWorkbookRows rows;
  std::string out;
  int status = RunShell(std::string(ORVANE_PYTHON) + " -c " + Quoted(script) + " " + Quoted(file) +
                            " " + Quoted(title) + " 2>&1",
                        out);
  rows.Read = status == 0;
  if (!rows.Read) rows.Problems = out;
  for (const std::string& line : Lines(out)) {
    if (line.rfind("SHEET|", 0) == 0) rows.Sheet = line.substr(6);
    if (line.rfind("ROW|", 0) != 0) continue;
    ++rows.DataRows;
    rows.Column.insert(line.substr(4));
  }
  return rows;
}

}  // namespace orv::test
