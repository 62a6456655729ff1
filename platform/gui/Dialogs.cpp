#include "platform/gui/Dialogs.h"

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Picture.h"
#include "platform/gui/Screen.h"
#include "platform/rtl/StringList.h"

namespace orv {

TCommonDialog::TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}

bool TCommonDialog::Run(const std::function<bool()>& Ask) {
  if (OnShow) OnShow(this);
  bool ok = Ask();
  if (OnClose) OnClose(this);
  return ok;
}

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), files_(std::make_unique<TStringList>()) {}
TOpenDialog::~TOpenDialog() = default;

TStrings* TOpenDialog::Files() const { return files_.get(); }

bool TOpenDialog::ExecuteAs(bool Save) {
  TFileDialogRequest request;
  request.Save = Save;
  request.Title = title_;
  request.Filter = filter_;
  request.FilterIndex = filterIndex_;
  request.InitialDir = initialDir_;
  request.DefaultExt = defaultExt_;
  request.Options = options_;
  request.FileName = fileName_;
  bool ok = Run([&] { return DialogService().ExecuteFileDialog(request); });
  if (!ok) return false;
  fileName_ = request.FileName;
  filterIndex_ = request.FilterIndex;
  files_->Clear();
  for (const String& f : request.Files) files_->Add(f);
  return true;
}

bool TOpenDialog::Execute() { return ExecuteAs(false); }

TSaveDialog::TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
bool TSaveDialog::Execute() { return ExecuteAs(true); }

TOpenPictureDialog::TOpenPictureDialog(TComponent* AOwner) : TOpenDialog(AOwner) {
  SetFilter(TPicture::GetFileFormats());
}

TColorDialog::TColorDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}

bool TColorDialog::Execute() {
  TColor chosen = color_;
  bool ok = Run([&] { return DialogService().ExecuteColorDialog(chosen); });
  if (ok) color_ = chosen;
  return ok;
}

TFontDialog::TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner), font_(std::make_unique<TFont>()) {}
TFontDialog::~TFontDialog() = default;

void TFontDialog::SetFont(TFont* Value) {
  if (Value) font_->Assign(Value);
}

bool TFontDialog::Execute() {
  TFont chosen;
  chosen.Assign(font_.get());
  bool ok = Run([&] { return DialogService().ExecuteFontDialog(chosen); });
  if (ok) font_->Assign(&chosen);
  return ok;
}

TPrintDialog::TPrintDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}

bool TPrintDialog::Execute() {
  TPrintDialogRequest request = request_;
  request.AllowPageNums = request.MaxPage > 0;
  bool ok = Run([&] { return DialogService().ExecutePrintDialog(request); });
  if (ok) request_ = request;
  return ok;
}

String BoxCaption() {
  for (TCustomForm* form : {Screen->ActiveForm(), Application->MainForm()})
    if (form && !form->Caption().empty()) return form->Caption();
  return Application->Title();
}

String BoxCaption(TObject* Sender) {
  const TCustomForm* form = dynamic_cast<const TCustomForm*>(Sender);
  if (!form)
    if (const auto* control = dynamic_cast<const TControl*>(Sender)) form = GetParentForm(control);
  return form && !form->Caption().empty() ? form->Caption() : BoxCaption();
}

int MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int) {
  // The program speaks Thai: the boxes' own words are Thai too.
  static const char* const captions[] = {"คำเตือน", "ข้อผิดพลาด", "ข้อมูล", "ยืนยัน"};
  TMessageBoxRequest request;
  request.Caption = DlgType == mtCustom ? BoxCaption() : String(captions[DlgType]);
  request.Text = Msg;
  request.Type = DlgType;
  request.Buttons = Buttons;
  return DialogService().ShowMessageBox(request);
}

void ShowMessage(const String& Msg) {
  TMessageBoxRequest request;
  request.Caption = BoxCaption();
  request.Text = Msg;
  request.Type = mtCustom;
  request.Buttons = {mbOK};
  DialogService().ShowMessageBox(request);
}

String InputBox(const String& ACaption, const String& APrompt, const String& ADefault) {
  String value = ADefault;
  return DialogService().InputQuery(ACaption, APrompt, value) ? value : ADefault;
}

bool InputQuery(const String& ACaption, const String& APrompt, String& Value) {
  return DialogService().InputQuery(ACaption, APrompt, Value);
}

ORV_IMPLEMENT_CLASS(TCommonDialog, c) {
  c.Event("OnShow", &TCommonDialog::OnShow);
  c.Event("OnClose", &TCommonDialog::OnClose);
}

ORV_IMPLEMENT_CLASS(TOpenDialog, c) {
  c.Prop("DefaultExt", [](TOpenDialog& d) { return d.DefaultExt(); }, &TOpenDialog::SetDefaultExt);
  c.Prop("FileName", [](TOpenDialog& d) { return d.FileName(); }, &TOpenDialog::SetFileName);
  c.Prop("Filter", [](TOpenDialog& d) { return d.Filter(); }, &TOpenDialog::SetFilter);
  c.Prop("FilterIndex", &TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex).Default(1);
  c.Prop("InitialDir", [](TOpenDialog& d) { return d.InitialDir(); }, &TOpenDialog::SetInitialDir);
  c.Prop("Options", &TOpenDialog::Options, &TOpenDialog::SetOptions)
      .Default(TOpenOptions{ofHideReadOnly, ofEnableSizing});
  c.Prop("Title", [](TOpenDialog& d) { return d.Title(); }, &TOpenDialog::SetTitle);
}

ORV_IMPLEMENT_CLASS(TSaveDialog, c) {}
ORV_IMPLEMENT_CLASS(TOpenPictureDialog, c) {}

ORV_IMPLEMENT_CLASS(TColorDialog, c) {
  c.Prop("Color", &TColorDialog::Color, &TColorDialog::SetColor).Default(clBlack);
  c.Prop("Options", &TColorDialog::Options, &TColorDialog::SetOptions).Default(TColorDialogOptions{});
}

ORV_IMPLEMENT_CLASS(TFontDialog, c) {
  c.Prop("Font", &TFontDialog::Font, &TFontDialog::SetFont);
  c.Prop("Device", &TFontDialog::Device, &TFontDialog::SetDevice).Default(fdScreen);
  c.Prop("Options", &TFontDialog::Options, &TFontDialog::SetOptions).Default(TFontDialogOptions{fdEffects});
}

ORV_IMPLEMENT_CLASS(TPrintDialog, c) {
  c.Prop("Collate", &TPrintDialog::Collate, &TPrintDialog::SetCollate).Default(false);
  c.Prop("Copies", &TPrintDialog::Copies, &TPrintDialog::SetCopies);
  c.Prop("FromPage", &TPrintDialog::FromPage, &TPrintDialog::SetFromPage);
  c.Prop("MinPage", &TPrintDialog::MinPage, &TPrintDialog::SetMinPage);
  c.Prop("MaxPage", &TPrintDialog::MaxPage, &TPrintDialog::SetMaxPage);
  c.Prop("Options", &TPrintDialog::Options, &TPrintDialog::SetOptions).Default(TPrintDialogOptions{});
  c.Prop("PrintRange", &TPrintDialog::PrintRange, &TPrintDialog::SetPrintRange).Default(prAllPages);
  c.Prop("ToPage", &TPrintDialog::ToPage, &TPrintDialog::SetToPage);
}

}  // namespace orv
