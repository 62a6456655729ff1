// Writes a sheet's values as comma-separated text, one line per row.
#include <cstdio>
#include <fstream>

#include "platform/rtl/Dispatch.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/TextUtils.h"
#include "platform/sheet/FormulaValue.h"
#include "platform/sheet/SheetDates.h"
#include "platform/sheet/SheetWorkbook.h"

namespace orv {

namespace {

String Quoted(const String& text) {
  if (text.find_first_of(",\"\r\n") == String::npos) return text;
  String out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

// Whether a word of letters can stand in a number or a date a spreadsheet reads: an exponent
// ("1E5"), a month ("May 5", "5-Jan-2020") or the half of the day ("9:30 PM").
bool NumberWord(const String& word) {
  static const char* const kMonths[] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                                        "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
  if (word == "E" || word == "AM" || word == "PM") return true;
  for (const char* month : kMonths)
    if (word.size() >= 3 && String(month).compare(0, word.size(), word) == 0) return true;
  return false;
}

// Whether a spreadsheet opening the file would take the text for something else: a formula
// ("=1+1", "+66", "-x", "@x", and a tab before them), a number ("0812345678", "1E5",
// "50%", "$1,200"), a date or time ("12/5/2020", "May 5", "9:30") or a truth value. Any other
// text ("note1", "Soi 5", a Thai name, "12 หมู่ 3") reads as the text it is.
bool ReadAsOther(const String& text) {
  if (text.empty()) return false;
  if (String("=+-@\t").find(text.front()) != String::npos) return true;
  String upper = UpperCase(Trim(text));
  if (upper == "TRUE" || upper == "FALSE") return true;
  bool digit = false;
  for (size_t i = 0; i < upper.size();) {
    char c = upper[i];
    if (c >= 'A' && c <= 'Z') {
      size_t end = i;
      while (end < upper.size() && upper[end] >= 'A' && upper[end] <= 'Z') ++end;
      if (!NumberWord(upper.substr(i, end - i))) return false;
      i = end;
      continue;
    }
    if (c >= '0' && c <= '9')
      digit = true;
    else if (String(" .,/:-+%$()").find(c) == String::npos)
      return false;
    ++i;
  }
  return digit;
}

// A text that must stay text is written as a formula giving it, as spreadsheets read such a
// cell: ="0812345678". A text in a formula holds at most 255 characters, so a longer one is
// joined from pieces.
String CsvText(const String& text) {
  // A line break ends a formula's text in every reader: such a text goes as it is, quoted,
  // and reads as text.
  if (text.find_first_of("\r\n") != String::npos || !ReadAsOther(text)) return Quoted(text);
  constexpr size_t kPiece = 255;
  String formula = "=";
  for (size_t at = 0; at < text.size();) {
    size_t end = at + CodePointOffset(std::string_view(text).substr(at), kPiece);
    if (at) formula += '&';
    formula += '"';
    for (size_t i = at; i < end; ++i) {
      if (text[i] == '"') formula += '"';
      formula += text[i];
    }
    formula += '"';
    at = end;
  }
  return Quoted(formula);
}

// Dates in the form every reader of CSV files takes; other numbers with all their digits.
String NumberText(const SheetWorksheet& sheet, std::uint32_t style, double number) {
  if (IsDateFormat(sheet.Store().Styles[style].NumberFormat)) {
    bool timeOfDay = number != static_cast<double>(static_cast<long long>(number));
    return FormatDateTime(timeOfDay ? "yyyy-mm-dd hh:nn:ss" : "yyyy-mm-dd", DateFromSheetSerial(number));
  }
  return ShortestNumberText(number);
}

}  // namespace

void WriteCsv(const SheetWorksheet& sheet, const String& fileName) {
  std::ofstream out(fileName, std::ios::binary);
  if (!out) throw EOleException("Cannot write " + fileName, DISP_E_EXCEPTION, "Sheet", "");
  // The byte-order mark tells readers given no character set that the Thai is UTF-8.
  out << "\xEF\xBB\xBF";
  const SheetStrings& strings = sheet.Store().Strings;
  for (int r = 1; r <= sheet.RowCount(); ++r) {
    const SheetRow& row = *sheet.RowAt(r);
    String line;
    for (size_t c = 0; c < row.Cells.size(); ++c) {
      const SheetCell& cell = row.Cells[c];
      if (c) line += ',';
      switch (cell.Kind) {
        case SheetCellKind::Empty: break;
        case SheetCellKind::Boolean: line += cell.Boolean ? "TRUE" : "FALSE"; break;
        case SheetCellKind::Text: line += CsvText(strings[cell.Text]); break;
        case SheetCellKind::Formula:
          // A CSV file holds values: a formula's result where it can be worked out.
          if (auto value = FormulaValue(sheet, strings[cell.Text]))
            line += NumberText(sheet, cell.Style, *value);
          else
            line += Quoted(strings[cell.Text]);
          break;
        case SheetCellKind::Number: line += NumberText(sheet, cell.Style, cell.Number); break;
      }
    }
    out << line << "\r\n";
  }
  out.close();
  if (!out) throw EOleException("Cannot write " + fileName, DISP_E_EXCEPTION, "Sheet", "");
}

}  // namespace orv
