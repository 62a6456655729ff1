#include "platform/sheet/SheetAddress.h"

#include <algorithm>
#include <cctype>

namespace orv {

String SheetColumnName(int column) {
  String name;
  for (int n = column; n > 0; n = (n - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
  return name;
}

std::optional<SheetCellRef> ParseCellName(std::string_view name) {
  size_t i = 0;
  auto skipDollar = [&] {
    if (i < name.size() && name[i] == '$') ++i;
  };
  skipDollar();
  long column = 0;
  size_t letters = i;
  while (i < name.size() && std::isalpha(static_cast<unsigned char>(name[i])) && column <= SheetMaxColumns)
    column = column * 26 + (std::toupper(static_cast<unsigned char>(name[i++])) - 'A' + 1);
  if (i == letters || column > SheetMaxColumns) return std::nullopt;
  skipDollar();
  long row = 0;
  size_t digits = i;
  while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i])) && row <= SheetMaxRows)
    row = row * 10 + (name[i++] - '0');
  if (i == digits || i != name.size() || row < 1 || row > SheetMaxRows) return std::nullopt;
  return SheetCellRef{static_cast<int>(row), static_cast<int>(column)};
}

std::optional<SheetRect> ParseRangeName(std::string_view name) {
  auto colon = name.find(':');
  auto a = ParseCellName(name.substr(0, colon));
  auto b = colon == std::string_view::npos ? a : ParseCellName(name.substr(colon + 1));
  if (!a || !b) return std::nullopt;
  return SheetRect{{std::min(a->Row, b->Row), std::min(a->Column, b->Column)},
                   {std::max(a->Row, b->Row), std::max(a->Column, b->Column)}};
}

}  // namespace orv
