#include "app/FieldLayout.h"

#include <algorithm>

#include "platform/gui/Graphics.h"
#include "platform/rtl/StringList.h"

namespace orv {

namespace {
// The date picker shows its drop-down arrow beside the read-only date text.
constexpr int kPickerWidth = 20;
}  // namespace

TFieldLayout::TFieldLayout(TComponent* owner, TWinControl* parent, int left, int top,
                           int columnWidth, int gap)
    : owner_(owner), parent_(parent), left_(left), top_(top), columnWidth_(columnWidth), gap_(gap) {}

void TFieldLayout::Take(int rows) {
  row_ += rows;
  bottom_ = std::max(bottom_, Top());
}

void TFieldLayout::NextColumn() {
  ++column_;
  row_ = 0;
}

TLabel* TFieldLayout::Caption(const String& caption, TWinControl* focus) {
  auto* label = new TLabel(owner_);
  label->SetParent(parent_);
  label->SetCaption(caption);
  label->SetLeft(Left());
  label->SetTop(Top());
  label->SetFocusControl(focus);
  return label;
}

TLabeledEdit* TFieldLayout::Edit(TLabeledEdit*& edit, const String& caption) {
  edit = new TLabeledEdit(owner_);
  edit->SetParent(parent_);
  edit->EditLabel()->SetCaption(caption);
  edit->SetBounds(Left(), Top() + CaptionHeight, columnWidth_, EditHeight);
  Take(1);
  return edit;
}

TEdit* TFieldLayout::Edit(TEdit*& edit, const String& caption, TLabel** label) {
  edit = new TEdit(owner_);
  edit->SetParent(parent_);
  TLabel* captionLabel = Caption(caption, edit);
  if (label) *label = captionLabel;
  edit->SetBounds(Left(), Top() + CaptionHeight, columnWidth_, EditHeight);
  Take(1);
  return edit;
}

void TFieldLayout::Date(TLabeledEdit*& text, TDateTimePicker*& picker, const String& caption) {
  text = new TLabeledEdit(owner_);
  text->SetParent(parent_);
  text->EditLabel()->SetCaption(caption);
  ShowAsReadOnly(text);
  text->SetBounds(Left(), Top() + CaptionHeight, columnWidth_ - kPickerWidth - 2, EditHeight);
  picker = new TDateTimePicker(owner_);
  picker->SetParent(parent_);
  picker->SetBounds(Left() + columnWidth_ - kPickerWidth, Top() + CaptionHeight, kPickerWidth,
                    EditHeight);
  Take(1);
}

TComboBox* TFieldLayout::Combo(TComboBox*& box, const String& caption,
                               std::initializer_list<const char*> items) {
  box = new TComboBox(owner_);
  box->SetParent(parent_);
  for (const char* item : items) box->Items()->Add(item);
  Caption(caption, box);
  box->SetBounds(Left(), Top() + CaptionHeight, columnWidth_, EditHeight);
  Take(1);
  return box;
}

TMemo* TFieldLayout::Memo(TMemo*& memo, const String& caption, int rows) {
  memo = new TMemo(owner_);
  memo->SetParent(parent_);
  memo->SetScrollBars(ssVertical);
  Caption(caption, memo);
  memo->SetBounds(Left(), Top() + CaptionHeight, columnWidth_,
                  rows * RowHeight - CaptionHeight - (RowHeight - CaptionHeight - EditHeight));
  Take(rows);
  return memo;
}

TLabel* TFieldLayout::Heading(const String& caption) {
  TLabel* label = Caption(caption, nullptr);
  label->Font()->SetStyle(TFontStyles{fsBold});
  label->SetTop(Top() + RowHeight - CaptionHeight - 8);
  Take(1);
  return label;
}

void ShowAsReadOnly(TEdit* edit) {
  edit->SetReadOnly(true);
  edit->SetColor(clBtnFace);
}

void ShowAsTyped(TEdit* edit) {
  edit->SetReadOnly(false);
  edit->SetColor(clWindow);
}

}  // namespace orv
