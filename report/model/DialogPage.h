#pragma once
// TkvxDialogPage: a window described inside the report, which asks the user for input before
// the report runs. Its controls are TkvxDialogControl objects; the window's size and place
// follow the page.
#include <memory>

#include "platform/gui/Forms.h"
#include "report/model/DialogForm.h"
#include "report/model/Pages.h"

namespace orv {

class TkvxDialogPage : public TkvxPage {
  ORV_CLASS(TkvxDialogPage, TkvxPage)

 public:
  explicit TkvxDialogPage(TComponent* owner);
  ~TkvxDialogPage() override;
  String GetDescription() const override { return "obDlgPage"; }

  void SetLeft(Extended value) override;
  void SetTop(Extended value) override;
  void SetWidth(Extended value) override;
  void SetHeight(Extended value) override;
  void FontChanged() override;

  // Shows the window modally; the result is its modal result (mrCancel when closed).
  Integer ShowModal();
  Integer ModalResult() const { return form_->ModalResult(); }
  void SetModalResult(Integer value) { form_->SetModalResult(value); }

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle value) { borderStyle_ = value; }
  const String& Caption() const { return caption_; }
  void SetCaption(const String& value);
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value) { position_ = value; }
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState value) { windowState_ = value; }

  TkvxDialogForm* Form() const { return form_.get(); }

  // Names of script procedures for the window's events.
  String OnActivate, OnClick, OnCloseQuery, OnDeactivate, OnHide, OnKeyDown, OnKeyPress, OnKeyUp, OnShow,
      OnResize;

 private:
  void HookForm();
  void CopyBoundsFromForm();
  void Notify(TObject* sender, const String& eventName);
  // False without a report to call.
  bool CallWithParams(const String& eventName, Variant& params);

  // Script events run even when no report run is under way.
  bool runAlways_ = false;
  TCloseQueryEvent formCloseQuery_;
  TFormBorderStyle borderStyle_ = bsSizeable;
  String caption_;
  TColor color_ = clBtnFace;
  TPosition position_ = poScreenCenter;
  TWindowState windowState_ = wsNormal;
  std::unique_ptr<TkvxDialogForm> form_;
};

}  // namespace orv
