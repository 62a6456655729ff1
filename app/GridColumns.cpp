#include "app/GridColumns.h"

namespace orv {

void AddColumns(TDBGrid* grid, std::initializer_list<TGridColumn> columns) {
  for (const TGridColumn& c : columns) {
    TColumn* column = grid->Columns().Add();
    column->SetFieldName(c.Field);
    if (c.Title) column->SetTitleCaption(c.Title);
    column->SetWidth(c.Width);
  }
}

}  // namespace orv
