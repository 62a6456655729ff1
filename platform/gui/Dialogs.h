#pragma once
// The standard dialogs and the message and input boxes, all through the dialog service.
#include <memory>

#include "platform/gui/Controls.h"
#include "platform/gui/DialogService.h"

namespace orv {

class TStrings;

// A dialog component: set its properties, call Execute, read the answer.
class TCommonDialog : public TComponent {
  ORV_CLASS(TCommonDialog, TComponent)

 public:
  explicit TCommonDialog(TComponent* AOwner);
  // True when the user confirmed.
  virtual bool Execute() = 0;
  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

 protected:
  // OnShow, the service's dialog, OnClose.
  bool Run(const std::function<bool()>& Ask);
};

// Asks for a file to open.
class TOpenDialog : public TCommonDialog {
  ORV_CLASS(TOpenDialog, TCommonDialog)

 public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;
  bool Execute() override;

  const String& FileName() const { return fileName_; }
  void SetFileName(const String& Value) { fileName_ = Value; }
  // Every file chosen, for ofAllowMultiSelect.
  TStrings* Files() const;
  const String& Filter() const { return filter_; }
  void SetFilter(const String& Value) { filter_ = Value; }
  int FilterIndex() const { return filterIndex_; }
  void SetFilterIndex(int Value) { filterIndex_ = Value; }
  const String& InitialDir() const { return initialDir_; }
  void SetInitialDir(const String& Value) { initialDir_ = Value; }
  const String& DefaultExt() const { return defaultExt_; }
  void SetDefaultExt(const String& Value) { defaultExt_ = Value; }
  const String& Title() const { return title_; }
  void SetTitle(const String& Value) { title_ = Value; }
  TOpenOptions Options() const { return options_; }
  void SetOptions(TOpenOptions Value) { options_ = Value; }

 protected:
  bool ExecuteAs(bool Save);

 private:
  String fileName_;
  std::unique_ptr<TStrings> files_;
  String filter_;
  int filterIndex_ = 1;
  String initialDir_;
  String defaultExt_;
  String title_;
  TOpenOptions options_{ofHideReadOnly, ofEnableSizing};
};

// Asks for a file to save to.
class TSaveDialog : public TOpenDialog {
  ORV_CLASS(TSaveDialog, TOpenDialog)

 public:
  explicit TSaveDialog(TComponent* AOwner);
  bool Execute() override;
};

// Asks for a picture file; the filter lists the registered picture formats unless set.
class TOpenPictureDialog : public TOpenDialog {
  ORV_CLASS(TOpenPictureDialog, TOpenDialog)

 public:
  explicit TOpenPictureDialog(TComponent* AOwner);
};

// Asks for a colour.
class TColorDialog : public TCommonDialog {
  ORV_CLASS(TColorDialog, TCommonDialog)

 public:
  explicit TColorDialog(TComponent* AOwner);
  bool Execute() override;
  TColor Color() const { return color_; }
  void SetColor(TColor Value) { color_ = Value; }
  TColorDialogOptions Options() const { return options_; }
  void SetOptions(TColorDialogOptions Value) { options_ = Value; }

 private:
  TColor color_ = clBlack;
  TColorDialogOptions options_;
};

// Asks for a font.
class TFontDialog : public TCommonDialog {
  ORV_CLASS(TFontDialog, TCommonDialog)

 public:
  explicit TFontDialog(TComponent* AOwner);
  ~TFontDialog() override;
  bool Execute() override;
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* Value);
  TFontDialogOptions Options() const { return options_; }
  void SetOptions(TFontDialogOptions Value) { options_ = Value; }
  TFontDialogDevice Device() const { return device_; }
  void SetDevice(TFontDialogDevice Value) { device_ = Value; }

 private:
  std::unique_ptr<TFont> font_;
  TFontDialogOptions options_{fdEffects};
  TFontDialogDevice device_ = fdScreen;
};

// Asks how many copies of which pages to print; the printer itself is chosen elsewhere.
class TPrintDialog : public TCommonDialog {
  ORV_CLASS(TPrintDialog, TCommonDialog)

 public:
  explicit TPrintDialog(TComponent* AOwner);
  bool Execute() override;
  int Copies() const { return request_.Copies; }
  void SetCopies(int Value) { request_.Copies = Value; }
  bool Collate() const { return request_.Collate; }
  void SetCollate(bool Value) { request_.Collate = Value; }
  TPrintRange PrintRange() const { return request_.PrintRange; }
  void SetPrintRange(TPrintRange Value) { request_.PrintRange = Value; }
  int FromPage() const { return request_.FromPage; }
  void SetFromPage(int Value) { request_.FromPage = Value; }
  int ToPage() const { return request_.ToPage; }
  void SetToPage(int Value) { request_.ToPage = Value; }
  int MinPage() const { return request_.MinPage; }
  void SetMinPage(int Value) { request_.MinPage = Value; }
  int MaxPage() const { return request_.MaxPage; }
  void SetMaxPage(int Value) { request_.MaxPage = Value; }
  TPrintDialogOptions Options() const { return options_; }
  void SetOptions(TPrintDialogOptions Value) { options_ = Value; }

 private:
  TPrintDialogRequest request_;
  TPrintDialogOptions options_;
};

// The caption of the program's active window, which tells the user where a box comes from;
// the main window's when none is active, the application's title when there is none.
String BoxCaption();
// The caption of the window Sender belongs to (a control's form, or the form itself); else
// BoxCaption().
String BoxCaption(TObject* Sender);
// The box's caption is "คำเตือน" (warning), "ข้อผิดพลาด" (error), "ข้อมูล" (information) or
// "ยืนยัน" (confirm) by type (BoxCaption() for mtCustom); returns the modal result of the button pressed.
int MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
// The text in a box with an OK button, titled with BoxCaption().
void ShowMessage(const String& Msg);
// The text typed, or ADefault when cancelled.
String InputBox(const String& ACaption, const String& APrompt, const String& ADefault);
// True when confirmed, with the text typed in Value; Value untouched when cancelled.
bool InputQuery(const String& ACaption, const String& APrompt, String& Value);

}  // namespace orv
