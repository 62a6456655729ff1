#pragma once
// A field layout that also records which column each editor shows, for the window to show
// and save its record through the list.
#include <vector>

#include "app/FieldLayout.h"
#include "app/MainWindow.h"

namespace orv {

class TBoundLayout : public TFieldLayout {
 public:
  // Room inside a page for its fields.
  static constexpr int PageInset = 10;

  TBoundLayout(TComponent* owner, TWinControl* parent, std::vector<TFieldBinding>& fields,
               int columnWidth, int left = PageInset, int top = 4)
      : TFieldLayout(owner, parent, left, top, columnWidth), fields_(fields) {}

  void Text(TLabeledEdit*& edit, const char* column, const char* caption) {
    Edit(edit, caption);
    fields_.push_back({column, edit});
  }
  void DateWithPicker(TLabeledEdit*& text, TDateTimePicker*& picker, const char* column,
                      const char* caption) {
    Date(text, picker, caption);
    fields_.push_back({column, text, true, picker});
  }
  // A date shown as text only; it is changed elsewhere.
  void DateText(TLabeledEdit*& text, const char* column, const char* caption) {
    Edit(text, caption);
    ShowAsReadOnly(text);
    fields_.push_back({column, text, true});
  }
  void Choice(TComboBox*& box, const char* column, const char* caption,
              std::initializer_list<const char*> items) {
    Combo(box, caption, items);
    fields_.push_back({column, box});
  }
  void Notes(TMemo*& memo, const char* column, const char* caption, int rows) {
    Memo(memo, caption, rows);
    fields_.push_back({column, memo});
  }

 private:
  std::vector<TFieldBinding>& fields_;
};

}  // namespace orv
