#pragma once
// Lays labelled editors out on a page in columns: each editor under its caption, top to bottom,
// then on into the next column. Positions come from one grid, so a page is a list of fields.
#include <initializer_list>

#include "platform/gui/ComCtrls.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/StdCtrls.h"

namespace orv {

// The grid of one page: where the next field goes. The editors are owned by `owner` (the form)
// and placed on `parent`.
class TFieldLayout {
 public:
  // Height of one field: caption, editor and the gap below.
  static constexpr int RowHeight = 50;
  static constexpr int EditHeight = 25;
  static constexpr int CaptionHeight = 19;

  TFieldLayout(TComponent* owner, TWinControl* parent, int left, int top, int columnWidth,
               int gap = 12);

  // A labelled edit in the next row.
  TLabeledEdit* Edit(TLabeledEdit*& edit, const String& caption);
  // A plain edit with a caption label above it; the label goes to `label` when asked for.
  TEdit* Edit(TEdit*& edit, const String& caption, TLabel** label = nullptr);
  // A read-only date text with the date picker beside it, in one row.
  void Date(TLabeledEdit*& text, TDateTimePicker*& picker, const String& caption);
  // A combo box with a caption, holding items as its list.
  TComboBox* Combo(TComboBox*& box, const String& caption,
                   std::initializer_list<const char*> items);
  // A memo taking `rows` rows.
  TMemo* Memo(TMemo*& memo, const String& caption, int rows);
  // A caption alone across the column (a heading).
  TLabel* Heading(const String& caption);

  // Continues at the top of the next column.
  void NextColumn();
  // Where the next field goes.
  int Left() const { return left_ + column_ * (columnWidth_ + gap_); }
  int Top() const { return top_ + row_ * RowHeight; }
  int ColumnWidth() const { return columnWidth_; }
  // Moves down by `rows` rows.
  void Skip(int rows) { Take(rows); }
  // The bottom edge of the lowest field placed so far.
  int Bottom() const { return bottom_; }

 private:
  TLabel* Caption(const String& caption, TWinControl* focus);
  void Take(int rows);

  TComponent* owner_;
  TWinControl* parent_;
  int left_;
  int top_;
  int columnWidth_;
  int gap_;
  int column_ = 0;
  int row_ = 0;
  int bottom_ = 0;
};

// Makes edit a text the user reads but does not type into: read-only, and in the colour of
// the page rather than the white of a box that takes typing.
void ShowAsReadOnly(TEdit* edit);
// Makes edit a box that takes typing again, white as every such box.
void ShowAsTyped(TEdit* edit);

}  // namespace orv
