#pragma once
// The columns of the windows' list grids, each given as the field it shows, its title and width.
#include <initializer_list>

#include "platform/gui/DBGrids.h"

namespace orv {

struct TGridColumn {
  const char* Field;
  // nullptr keeps the field's own name as the title.
  const char* Title;
  int Width;
};

// Adds columns to grid after those it has, in order.
void AddColumns(TDBGrid* grid, std::initializer_list<TGridColumn> columns);

}  // namespace orv
