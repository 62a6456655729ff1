#include "report/model/DialogPage.h"

#include <cmath>

#include "platform/gui/DialogService.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/Report.h"
#include "report/model/DialogControls.h"
#include "report/model/ReportOptions.h"
#include "script/ClassModel.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxDialogPage, c) {
  using T = TkvxDialogPage;
  c.Prop("BorderStyle", &T::BorderStyle, &T::SetBorderStyle).Default(bsSizeable);
  c.Prop("Caption", &T::Caption, &T::SetCaption);
  c.Prop("Color", &T::Color, &T::SetColor).Default(clBtnFace);
  c.Prop("Height", &T::Height, &T::SetHeight);
  c.Prop("Left", &T::Left, &T::SetLeft);
  c.Prop("Position", &T::Position, &T::SetPosition).Default(poScreenCenter);
  c.Prop("Top", &T::Top, &T::SetTop);
  c.Prop("Width", &T::Width, &T::SetWidth);
  c.Prop("WindowState", &T::WindowState, &T::SetWindowState).Default(wsNormal);
  auto event = [&c](const char* name, String T::*field) {
    c.Prop(name, [field](T& p) { return p.*field; }, [field](T& p, const String& v) { p.*field = v; });
  };
  event("OnActivate", &T::OnActivate);
  event("OnClick", &T::OnClick);
  event("OnCloseQuery", &T::OnCloseQuery);
  event("OnDeactivate", &T::OnDeactivate);
  event("OnHide", &T::OnHide);
  event("OnKeyDown", &T::OnKeyDown);
  event("OnKeyPress", &T::OnKeyPress);
  event("OnKeyUp", &T::OnKeyUp);
  event("OnShow", &T::OnShow);
  event("OnResize", &T::OnResize);
}

namespace {

const bool registered = (RegisterClass(TkvxDialogPage::StaticClass()), true);

int Rounded(Extended v) { return static_cast<int>(std::lround(v)); }

}  // namespace

TkvxDialogPage::TkvxDialogPage(TComponent* owner) : TkvxPage(owner) {
  // A report that locks its windows builds the dialog in code rather than from a stored window.
  TkvxReport* report = GetReport();
  const Integer oldTag = Tag();
  SetTag(report && report->EngineOptions()->EnabledLock ? 318 : 0);
  form_ = std::make_unique<TkvxDialogForm>(this);
  SetTag(oldTag);
  form_->SetKeyPreview(true);
  TFont font;
  font.SetName("Tahoma");
  font.SetSize(8);
  form_->SetFont(&font);
  form_->SetBorderStyle(bsSizeable);
  form_->SetPosition(poScreenCenter);
  form_->SetWindowState(wsNormal);
  form_->SetColor(clBtnFace);
  form_->SetShowHint(true);
}

TkvxDialogPage::~TkvxDialogPage() {
  // A report being read elsewhere under the same lock does not see the page half gone.
  TCriticalSection& lock = kvxCS();
  lock.Enter();
  Clear();
  form_.reset();
  lock.Leave();
}

void TkvxDialogPage::SetLeft(Extended value) {
  TkvxPage::SetLeft(value);
  if (form_) form_->SetLeft(Rounded(value));
}

void TkvxDialogPage::SetTop(Extended value) {
  TkvxPage::SetTop(value);
  if (form_) form_->SetTop(Rounded(value));
}

void TkvxDialogPage::SetWidth(Extended value) {
  TkvxPage::SetWidth(value);
  if (form_) form_->SetWidth(Rounded(value));
}

void TkvxDialogPage::SetHeight(Extended value) {
  TkvxPage::SetHeight(value);
  if (form_) form_->SetHeight(Rounded(value));
}

void TkvxDialogPage::SetCaption(const String& value) {
  caption_ = value;
  form_->SetCaption(value);
}

void TkvxDialogPage::SetColor(TColor value) {
  color_ = value;
  form_->SetColor(value);
}

void TkvxDialogPage::FontChanged() {
  TkvxPage::FontChanged();
  if (form_) form_->SetFont(Font());
}

void TkvxDialogPage::CopyBoundsFromForm() {
  TkvxPage::SetLeft(form_->Left());
  TkvxPage::SetTop(form_->Top());
  TkvxPage::SetWidth(form_->Width());
  TkvxPage::SetHeight(form_->Height());
}

void TkvxDialogPage::Notify(TObject* sender, const String& eventName) {
  if (TkvxReport* report = GetReport()) report->DoNotifyEvent(sender, eventName, runAlways_);
}

bool TkvxDialogPage::CallWithParams(const String& eventName, Variant& params) {
  TkvxReport* report = GetReport();
  if (!report) return false;
  report->DoParamEvent(eventName, params, runAlways_);
  return true;
}

void TkvxDialogPage::HookForm() {
  TkvxReport* report = GetReport();
  // Outside a run the events still reach the script, unless the report is read back after
  // every run anyway.
  runAlways_ = !(report && report->EngineOptions()->DestroyForms);
  if (form_->Visible()) form_->Hide();
  form_->SetPosition(position_);
  form_->SetWindowState(windowState_);

  TkvxDialogForm* form = form_.get();
  form->OnActivate = [this](TObject* sender) {
    CopyBoundsFromForm();
    Notify(sender, OnActivate);
    for (TkvxComponent* child : Objects())
      if (auto* control = dynamic_cast<TkvxDialogControl*>(child); control && control->OnActivate) control->OnActivate();
  };
  form->OnClick = [this](TObject* sender) { Notify(sender, OnClick); };
  form->OnDeactivate = [this](TObject* sender) { Notify(sender, OnDeactivate); };
  form->OnHide = [this](TObject* sender) { Notify(sender, OnHide); };
  form->OnResize = [this](TObject* sender) {
    CopyBoundsFromForm();
    Notify(sender, OnResize);
  };
  form->OnShow = [this, form](TObject* sender) {
    if (TWinControl* active = form->ActiveControl()) form->SetActiveControl(active);
    Notify(sender, OnShow);
  };
  // The window's own rule (no closing without a modal result) decides first; the script may
  // then change its mind.
  if (!formCloseQuery_) formCloseQuery_ = form->OnCloseQuery;
  form->OnCloseQuery = [this](TObject* sender, bool& canClose) {
    if (formCloseQuery_) formCloseQuery_(sender, canClose);
    Variant params = VarArrayOf({sxObjectToValue(sender), Variant(canClose)});
    if (CallWithParams(OnCloseQuery, params)) canClose = VarArrayGet(params, {1}).ToBoolean();
  };
  auto keyEvent = [this](const String* eventName) {
    return [this, eventName](TObject* sender, Word& key, TShiftState shift) {
      Variant params = VarArrayOf({sxObjectToValue(sender), Variant(Integer{key}), Variant(static_cast<Integer>(shift.Mask()))});
      if (CallWithParams(*eventName, params)) key = static_cast<Word>(VarArrayGet(params, {1}).ToInteger());
    };
  };
  form->OnKeyDown = keyEvent(&OnKeyDown);
  form->OnKeyUp = keyEvent(&OnKeyUp);
  form->OnKeyPress = [this](TObject* sender, char32_t& key) {
    String text;
    AppendCodePoint(text, key);
    Variant params = VarArrayOf({sxObjectToValue(sender), Variant(text)});
    if (!CallWithParams(OnKeyPress, params)) return;
    const String result = VarArrayGet(params, {1}).ToString();
    size_t pos = 0;
    key = result.empty() ? U'\0' : NextCodePoint(result, pos);
  };
  form->OnMouseMove = [this](TObject*, TShiftState, int, int) {
    if (TkvxReport* r = GetReport()) r->SetProgressMessage("", true);
  };
}

Integer TkvxDialogPage::ShowModal() {
  // Nobody is there to answer: the controls keep the values the report gave them, as in the
  // engine's own run of the dialogs.
  if (DialogService().Unattended()) {
    form_->SetModalResult(mrOk);
    return mrOk;
  }
  HookForm();
  form_->SetBorderStyle(borderStyle_);
  form_->SetFormStyle(fsNormal);
  const Integer result = form_->ShowModal();
  CopyBoundsFromForm();
  form_->SetFormStyle(fsStayOnTop);
  return result;
}

}  // namespace orv
