#include "platform/sheet/FormulaShift.h"

#include <cctype>
#include <functional>

#include "platform/sheet/SheetAddress.h"

namespace orv {

namespace {

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }

// A cell reference split into its parts: "$" before the column, the column, "$" before the row,
// the row.
struct RefParts {
  bool FixedColumn = false;
  bool FixedRow = false;
  SheetCellRef At;
};

RefParts Split(std::string_view token, const SheetCellRef& at) {
  RefParts p;
  p.At = at;
  p.FixedColumn = token.front() == '$';
  p.FixedRow = token.find('$', 1) != std::string_view::npos;
  return p;
}

String Join(const RefParts& p) {
  String out;
  if (p.FixedColumn) out += '$';
  out += SheetColumnName(p.At.Column);
  if (p.FixedRow) out += '$';
  out += std::to_string(p.At.Row);
  return out;
}

// Copies formula, handing each cell reference (outside texts in double quotes and sheet names
// in single quotes) to change, which appends what stands in its place.
String Rewrite(const String& formula, const std::function<void(std::string_view, const SheetCellRef&, String&)>& change) {
  String out;
  out.reserve(formula.size() + 4);
  size_t i = 0;
  while (i < formula.size()) {
    char c = formula[i];
    if (c == '"' || c == '\'') {
      // A quote inside is doubled, which reads as two quoted pieces in a row: copied the same.
      size_t end = formula.find(c, i + 1);
      end = end == String::npos ? formula.size() : end + 1;
      out.append(formula, i, end - i);
      i = end;
      continue;
    }
    bool startsRef = (c == '$' || std::isalpha(static_cast<unsigned char>(c))) && (i == 0 || !IsNameChar(formula[i - 1]));
    if (!startsRef) {
      out += c;
      ++i;
      continue;
    }
    size_t end = i;
    while (end < formula.size() && (IsNameChar(formula[end]) || formula[end] == '$') && formula[end] != '.') ++end;
    std::string_view token(formula.data() + i, end - i);
    bool isFunction = end < formula.size() && formula[end] == '(';
    auto ref = isFunction ? std::nullopt : ParseCellName(token);
    if (ref)
      change(token, *ref, out);
    else
      out.append(token);
    i = end;
  }
  return out;
}

}  // namespace

String ShiftFormulaRows(const String& formula, int row, int count) {
  return Rewrite(formula, [&](std::string_view token, const SheetCellRef& ref, String& out) {
    if (ref.Row < row) {
      out.append(token);
      return;
    }
    RefParts p = Split(token, ref);
    p.At.Row += count;
    out += Join(p);
  });
}

String MoveFormula(const String& formula, int rows, int columns) {
  return Rewrite(formula, [&](std::string_view token, const SheetCellRef& ref, String& out) {
    RefParts p = Split(token, ref);
    if (!p.FixedRow) p.At.Row += rows;
    if (!p.FixedColumn) p.At.Column += columns;
    if (p.At.Row < 1 || p.At.Row > SheetMaxRows || p.At.Column < 1 || p.At.Column > SheetMaxColumns)
      out += "#REF!";
    else
      out += Join(p);
  });
}

}  // namespace orv
