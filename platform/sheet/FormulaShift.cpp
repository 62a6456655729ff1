#include "platform/sheet/FormulaShift.h"

#include <cctype>

#include "platform/sheet/SheetAddress.h"

namespace orv {

namespace {

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }

}  // namespace

String ShiftFormulaRows(const String& formula, int row, int count) {
  String out;
  out.reserve(formula.size() + 4);
  size_t i = 0;
  while (i < formula.size()) {
    char c = formula[i];
    if (c == '"') {
      size_t end = formula.find('"', i + 1);
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
    if (!ref || ref->Row < row) {
      out.append(token);
    } else {
      size_t digits = token.find_first_of("0123456789");
      out.append(token.substr(0, digits));
      out += std::to_string(ref->Row + count);
    }
    i = end;
  }
  return out;
}

}  // namespace orv
