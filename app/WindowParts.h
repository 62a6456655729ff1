#pragma once
// What the register's windows are built from alike: the Thai window itself, menu items, data
// sources and the columns of list grids.
#include <initializer_list>

#include "platform/db/DB.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"

namespace orv {

// The typeface every window shows its Thai captions and data in.
void SetThaiWindowFont(TForm* form);
// A window of the register: its caption, the Thai typeface, centred on the desktop, with hints.
void SetUpThaiWindow(TForm* form, const String& caption);

// Tells a window's OnActivate whether this is the first activation of a showing. The window
// becomes active again each time a message box, dialog or preview over it closes; what it does
// for a new showing (empty the search, set the default period) must not then undo the user's
// work.
class TFirstActivation {
 public:
  // Takes form's OnHide: the next showing starts afresh.
  explicit TFirstActivation(TForm* form);
  // True once per showing.
  bool Take();

 private:
  bool due_ = true;
};

// Asks question with Yes and No; true when the user answers Yes.
bool Confirmed(const String& question);

// An item with caption added to parent's items, owned by owner.
TMenuItem* NewMenuItem(TComponent* owner, TMenuItem* parent, const String& caption);
// A data source for dataSet, owned by owner.
TDataSource* NewDataSource(TComponent* owner, TDataSet* dataSet);

struct TGridColumn {
  const char* Field;
  // nullptr keeps the field's own name as the title.
  const char* Title;
  int Width;
};

// Adds columns to grid after those it has, in order.
void AddColumns(TDBGrid* grid, std::initializer_list<TGridColumn> columns);

}  // namespace orv
