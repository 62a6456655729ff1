#include "report/engine/PageSettingsForm.h"

#include <cmath>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/Picture.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/StringList.h"
#include "report/model/Report.h"
#include "report/model/ReportUtils.h"
#include "report/model/Resources.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxPageSettingsForm, c) {}

namespace {

constexpr Integer kCustomPaper = 256;

template <class C>
C* Make(TComponent* owner, TWinControl* parent, int left, int top, int width, int height) {
  auto* control = new C(owner);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

TLabel* MakeLabel(TComponent* owner, TWinControl* parent, int left, int top) {
  auto* label = new TLabel(owner);
  label->SetParent(parent);
  label->SetLeft(left);
  label->SetTop(top);
  return label;
}

// A sheet of paper with a few lines of text, upright or on its side, on a transparent ground.
void DrawSheet(TPicture* picture, bool landscape) {
  TBitmap& b = picture->Bitmap();
  b.SetSize(32, 32);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(clFuchsia);
  c.FillRect(Rect(0, 0, 32, 32));
  TRect sheet = landscape ? Rect(2, 7, 30, 25) : Rect(7, 2, 25, 30);
  c.Brush().SetColor(clWhite);
  c.FillRect(sheet);
  c.Brush().SetColor(clBlack);
  c.FrameRect(sheet);
  c.Pen().SetColor(clGray);
  for (int y = sheet.Top + 4; y < sheet.Bottom - 3; y += 3) {
    c.MoveTo(sheet.Left + 3, y);
    c.LineTo(sheet.Right - 3, y);
  }
  b.SetTransparentColor(clFuchsia);
  b.SetTransparent(true);
}

// Clears a flag however the work between ends.
class TUpdatingScope {
 public:
  explicit TUpdatingScope(bool& flag) : flag_(flag) { flag_ = true; }
  TUpdatingScope(const TUpdatingScope&) = delete;
  TUpdatingScope& operator=(const TUpdatingScope&) = delete;
  ~TUpdatingScope() { flag_ = false; }

 private:
  bool& flag_;
};

}  // namespace

TkvxPageSettingsForm::TkvxPageSettingsForm(TComponent* AOwner, IkvxPaperSource& Printer)
    : TForm(AOwner), printer_(Printer) {
  SetBorderStyle(bsDialog);
  SetClientWidth(286);
  SetClientHeight(359);
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  Font()->SetName("Tahoma");
  Font()->SetSize(8);

  SizeL = Make<TGroupBox>(this, this, 8, 4, 270, 100);
  SizeCB = Make<TComboBox>(this, SizeL, 8, 20, 254, 21);
  SizeCB->SetStyle(csDropDownList);
  SizeCB->SetDropDownCount(12);
  WidthL = MakeLabel(this, SizeL, 8, 50);
  WidthE = Make<TEdit>(this, SizeL, 70, 46, 60, 21);
  UnitL1 = MakeLabel(this, SizeL, 136, 50);
  HeightL = MakeLabel(this, SizeL, 8, 76);
  HeightE = Make<TEdit>(this, SizeL, 70, 72, 60, 21);
  UnitL2 = MakeLabel(this, SizeL, 136, 76);

  OrientationL = Make<TGroupBox>(this, this, 8, 108, 270, 64);
  PortraitRB = Make<TRadioButton>(this, OrientationL, 8, 20, 150, 17);
  LandscapeRB = Make<TRadioButton>(this, OrientationL, 8, 40, 150, 17);
  PortraitImg = Make<TImage>(this, OrientationL, 220, 20, 32, 32);
  LandscapeImg = Make<TImage>(this, OrientationL, 220, 20, 32, 32);
  DrawSheet(PortraitImg->Picture(), false);
  DrawSheet(LandscapeImg->Picture(), true);

  MarginsL = Make<TGroupBox>(this, this, 8, 176, 270, 76);
  LeftL = MakeLabel(this, MarginsL, 8, 24);
  MarginLeftE = Make<TEdit>(this, MarginsL, 56, 20, 50, 21);
  UnitL3 = MakeLabel(this, MarginsL, 110, 24);
  TopL = MakeLabel(this, MarginsL, 8, 50);
  MarginTopE = Make<TEdit>(this, MarginsL, 56, 46, 50, 21);
  UnitL4 = MakeLabel(this, MarginsL, 110, 50);
  RightL = MakeLabel(this, MarginsL, 140, 24);
  MarginRightE = Make<TEdit>(this, MarginsL, 190, 20, 50, 21);
  UnitL5 = MakeLabel(this, MarginsL, 244, 24);
  BottomL = MakeLabel(this, MarginsL, 140, 50);
  MarginBottomE = Make<TEdit>(this, MarginsL, 190, 46, 50, 21);
  UnitL6 = MakeLabel(this, MarginsL, 244, 50);

  OtherL = Make<TGroupBox>(this, this, 8, 256, 270, 60);
  ApplyToCurRB = Make<TRadioButton>(this, OtherL, 8, 20, 254, 17);
  ApplyToAllRB = Make<TRadioButton>(this, OtherL, 8, 38, 254, 17);
  ApplyToCurRB->SetChecked(true);

  OKB = Make<TButton>(this, this, 122, 326, 75, 25);
  OKB->SetModalResult(mrOk);
  OKB->SetDefault(true);
  CancelB = Make<TButton>(this, this, 203, 326, 75, 25);
  CancelB->SetModalResult(mrCancel);
  CancelB->SetCancel(true);

  OnShow = [this](TObject* s) { FormShow(s); };
  OnHide = [this](TObject* s) { FormHide(s); };
  OnCloseQuery = [this](TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
  OnKeyDown = [this](TObject* s, Word& key, TShiftState shift) { FormKeyDown(s, key, shift); };
  PortraitRB->OnClick = [this](TObject* s) { PortraitRBClick(s); };
  LandscapeRB->OnClick = [this](TObject* s) { PortraitRBClick(s); };
  SizeCB->OnClick = [this](TObject* s) { SizeCBClick(s); };
  WidthE->OnChange = [this](TObject* s) { WidthEChange(s); };
  HeightE->OnChange = [this](TObject* s) { WidthEChange(s); };
}

String TkvxPageSettingsForm::ToUnits(Extended Millimetres) const {
  return kvxFloatToStr(Units == 1 ? Millimetres / 25.4 : Millimetres / 10);
}

bool TkvxPageSettingsForm::FromUnits(const String& Text, Extended& Millimetres) const {
  try {
    Extended value = kvxStrToFloat(Text);
    Millimetres = Units == 1 ? value * 25.4 : value * 10;
  } catch (const EConvertError&) {
    return false;
  }
  return std::isfinite(Millimetres);
}

TPrinterOrientation TkvxPageSettingsForm::ChosenOrientation() const {
  return PortraitRB->Checked() ? poPortrait : poLandscape;
}

Integer TkvxPageSettingsForm::ChosenPaper() const {
  int index = SizeCB->ItemIndex();
  return printer_.PaperCode(index >= 0 && index < printer_.PaperCount() ? index : 0);
}

void TkvxPageSettingsForm::FormShow(TObject*) {
  TUpdatingScope updating(updating_);
  TkvxResources* res = kvxGetResources();
  SetCaption(res->Get("400"));
  WidthL->SetCaption(res->Get("401"));
  HeightL->SetCaption(res->Get("402"));
  SizeL->SetCaption(res->Get("403"));
  OrientationL->SetCaption(res->Get("404"));
  LeftL->SetCaption(res->Get("405"));
  TopL->SetCaption(res->Get("406"));
  RightL->SetCaption(res->Get("407"));
  BottomL->SetCaption(res->Get("408"));
  MarginsL->SetCaption(res->Get("409"));
  PortraitRB->SetCaption(res->Get("410"));
  LandscapeRB->SetCaption(res->Get("411"));
  OtherL->SetCaption(res->Get("412"));
  ApplyToCurRB->SetCaption(res->Get("413"));
  ApplyToAllRB->SetCaption(res->Get("414"));
  OKB->SetCaption(res->Get("1"));
  CancelB->SetCaption(res->Get("2"));

  if (Report) Units = Report->GetIniFile()->ReadInteger("Form.TkvxDesignerForm", "Units", 0);
  String unit = res->Get(Units == 1 ? "uInch" : "uCm");
  for (TLabel* label : {UnitL1, UnitL2, UnitL3, UnitL4, UnitL5, UnitL6}) label->SetCaption(unit);

  SizeCB->Items()->Clear();
  int listed = -1, custom = 0;
  for (int i = 0; i < printer_.PaperCount(); ++i) {
    SizeCB->Items()->Add(printer_.PaperName(i));
    if (Page && printer_.PaperCode(i) == Page->PaperSize() && listed < 0) listed = i;
    if (printer_.PaperCode(i) == kCustomPaper) custom = i;
  }
  SizeCB->SetItemIndex(listed >= 0 ? listed : custom);

  if (Page) {
    WidthE->SetText(ToUnits(Page->PaperWidth()));
    HeightE->SetText(ToUnits(Page->PaperHeight()));
    PortraitRB->SetChecked(Page->Orientation() == poPortrait);
    LandscapeRB->SetChecked(Page->Orientation() == poLandscape);
    MarginLeftE->SetText(ToUnits(Page->LeftMargin()));
    MarginTopE->SetText(ToUnits(Page->TopMargin()));
    MarginRightE->SetText(ToUnits(Page->RightMargin()));
    MarginBottomE->SetText(ToUnits(Page->BottomMargin()));
  }
  PortraitRBClick(this);
}

void TkvxPageSettingsForm::PortraitRBClick(TObject*) {
  PortraitImg->SetVisible(PortraitRB->Checked());
  LandscapeImg->SetVisible(LandscapeRB->Checked());
  SizeCBClick(this);
}

void TkvxPageSettingsForm::SizeCBClick(TObject*) {
  if (updating_) return;
  TUpdatingScope updating(updating_);
  Integer code = ChosenPaper();
  TPrinterOrientation orientation = ChosenOrientation();
  Extended w = 0, h = 0;
  bool sized = FromUnits(WidthE->Text(), w) && FromUnits(HeightE->Text(), h);
  if (code == kCustomPaper) {
    // The custom size turns with the paper: the two values change places. Text that is not a
    // number changes places as it stands; OK reports it.
    if (!sized) {
      String width = WidthE->Text();
      WidthE->SetText(HeightE->Text());
      HeightE->SetText(width);
      return;
    }
    printer_.SetViewParams(code, h, w, orientation);
  } else {
    // A listed paper's size comes from the printer whatever the edits hold.
    printer_.SetViewParams(code, sized ? w : 0, sized ? h : 0, orientation);
  }
  WidthE->SetText(ToUnits(printer_.PaperWidth()));
  HeightE->SetText(ToUnits(printer_.PaperHeight()));
}

void TkvxPageSettingsForm::WidthEChange(TObject*) {
  if (!updating_) SizeCB->SetItemIndex(0);
}

bool TkvxPageSettingsForm::ReadValues(TPageValues& Values, String& Message, TEdit*& Field) const {
  TkvxResources* res = kvxGetResources();
  String margins = MarginsL->Caption() + ", ";
  struct TField {
    TEdit* Edit;
    String Name;
    Extended* Value;
  };
  const TField fields[] = {
      {WidthE, WidthL->Caption(), &Values.Width},
      {HeightE, HeightL->Caption(), &Values.Height},
      {MarginLeftE, margins + LeftL->Caption(), &Values.Left},
      {MarginTopE, margins + TopL->Caption(), &Values.Top},
      {MarginRightE, margins + RightL->Caption(), &Values.Right},
      {MarginBottomE, margins + BottomL->Caption(), &Values.Bottom},
  };
  for (const TField& f : fields) {
    Field = f.Edit;
    if (!FromUnits(f.Edit->Text(), *f.Value)) {
      Message = Format(res->Get("psNotNumber"), {f.Name, f.Edit->Text()});
      return false;
    }
    bool size = f.Edit == WidthE || f.Edit == HeightE;
    if (size ? *f.Value <= 0 : *f.Value < 0) {
      Message = Format(res->Get(size ? "psNotPositive" : "psNegative"), {f.Name});
      return false;
    }
  }
  if (Values.Left + Values.Right >= Values.Width) {
    Field = MarginLeftE;
    Message = res->Get("psNoRoomAcross");
    return false;
  }
  if (Values.Top + Values.Bottom >= Values.Height) {
    Field = MarginTopE;
    Message = res->Get("psNoRoomDown");
    return false;
  }
  return true;
}

void TkvxPageSettingsForm::FormCloseQuery(TObject*, bool& CanClose) {
  if (ModalResult() != mrOk) return;
  TPageValues values;
  String message;
  TEdit* field = nullptr;
  if (ReadValues(values, message, field)) return;
  CanClose = false;
  kvxErrorMsg(message);
  if (field->CanFocus()) field->SetFocus();
  field->SelectAll();
}

void TkvxPageSettingsForm::FormHide(TObject*) {
  TPageValues values;
  String message;
  TEdit* field = nullptr;
  // A page is changed whole or not at all.
  if (ModalResult() != mrOk || !Page || !ReadValues(values, message, field)) return;
  Page->SetOrientation(ChosenOrientation());
  Page->SetPaperWidth(values.Width);
  Page->SetPaperHeight(values.Height);
  Page->SetPaperSize(ChosenPaper());
  Page->SetLeftMargin(values.Left);
  Page->SetRightMargin(values.Right);
  Page->SetTopMargin(values.Top);
  Page->SetBottomMargin(values.Bottom);
  Page->AlignChildren();
}

void TkvxPageSettingsForm::FormKeyDown(TObject*, Word& Key, TShiftState) {
  if (Key == VK_F1) kvxGetResources()->Help(this);
}

}  // namespace orv
