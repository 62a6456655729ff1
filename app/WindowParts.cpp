#include "app/WindowParts.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/Graphics.h"

#include <utility>

namespace orv {

TFirstActivation::TFirstActivation(TForm* form) {
  form->OnHide = [this](TObject*) { due_ = true; };
}

bool TFirstActivation::Take() { return std::exchange(due_, false); }

bool Confirmed(const String& question) {
  return MessageDlg(question, mtConfirmation, TMsgDlgButtons{mbYes, mbNo}, 0) == mrYes;
}

void SetThaiWindowFont(TForm* form) {
  form->Font()->SetName("Microsoft Sans Serif");
  form->Font()->SetCharset(THAI_CHARSET);
  form->Font()->SetSize(10);
}

void SetUpThaiWindow(TForm* form, const String& caption) {
  form->SetCaption(caption);
  SetThaiWindowFont(form);
  form->SetPosition(poDesktopCenter);
  form->SetShowHint(true);
}

TMenuItem* NewMenuItem(TComponent* owner, TMenuItem* parent, const String& caption) {
  auto* item = new TMenuItem(owner);
  item->SetCaption(caption);
  parent->Add(item);
  return item;
}

TDataSource* NewDataSource(TComponent* owner, TDataSet* dataSet) {
  auto* source = new TDataSource(owner);
  source->SetDataSet(dataSet);
  return source;
}

void AddColumns(TDBGrid* grid, std::initializer_list<TGridColumn> columns) {
  for (const TGridColumn& c : columns) {
    TColumn* column = grid->Columns().Add();
    column->SetFieldName(c.Field);
    if (c.Title) column->SetTitleCaption(c.Title);
    column->SetWidth(c.Width);
  }
}

}  // namespace orv
