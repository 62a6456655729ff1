#pragma once
// TkvxPageSettingsForm: the preview's dialog for the paper size, orientation and margins of a
// page, shown in the unit the report library's settings name.
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "report/model/Pages.h"

namespace orv {

class TkvxReport;

// What the dialog needs of the printer the page is laid out for: its papers and the size a
// paper has in an orientation.
class IkvxPaperSource {
 public:
  virtual ~IkvxPaperSource() = default;
  // In the printer's order; the first is the custom size, code 256.
  virtual int PaperCount() const = 0;
  virtual String PaperName(int Index) const = 0;
  virtual Integer PaperCode(int Index) const = 0;
  // A listed paper takes its own size in the orientation; the custom size (256) takes Width
  // and Height as given. Sizes in millimetres.
  virtual void SetViewParams(Integer PaperSize, Extended Width, Extended Height,
                             TPrinterOrientation Orientation) = 0;
  virtual Extended PaperWidth() const = 0;
  virtual Extended PaperHeight() const = 0;
};

class TkvxPageSettingsForm : public TForm {
  ORV_CLASS(TkvxPageSettingsForm, TForm)

 public:
  TkvxPageSettingsForm(TComponent* AOwner, IkvxPaperSource& Printer);

  // True when the settings go to every page of the report.
  bool GetApplyToAll() const { return ApplyToAllRB->Checked(); }

  // Set by the caller before showing; the page is changed only when OK is pressed.
  TkvxReportPage* Page = nullptr;
  TkvxReport* Report = nullptr;
  // Read from the report's settings when shown: 1 inches, every other value centimetres.
  Integer Units = 0;

  TGroupBox* SizeL;
  TComboBox* SizeCB;
  TLabel* WidthL;
  TLabel* HeightL;
  TEdit* WidthE;
  TEdit* HeightE;
  TLabel* UnitL1;
  TLabel* UnitL2;
  TGroupBox* OrientationL;
  TRadioButton* PortraitRB;
  TRadioButton* LandscapeRB;
  TImage* PortraitImg;
  TImage* LandscapeImg;
  TGroupBox* MarginsL;
  TLabel* LeftL;
  TLabel* TopL;
  TLabel* RightL;
  TLabel* BottomL;
  TEdit* MarginLeftE;
  TEdit* MarginTopE;
  TEdit* MarginRightE;
  TEdit* MarginBottomE;
  TLabel* UnitL3;
  TLabel* UnitL4;
  TLabel* UnitL5;
  TLabel* UnitL6;
  TGroupBox* OtherL;
  TRadioButton* ApplyToCurRB;
  TRadioButton* ApplyToAllRB;
  TButton* OKB;
  TButton* CancelB;

 private:
  // The six fields in millimetres, read only when every one of them is valid.
  struct TPageValues {
    Extended Width, Height, Left, Top, Right, Bottom;
  };

  void FormShow(TObject* Sender);
  void FormHide(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
  void PortraitRBClick(TObject* Sender);
  void SizeCBClick(TObject* Sender);
  void WidthEChange(TObject* Sender);

  String ToUnits(Extended Millimetres) const;
  bool FromUnits(const String& Text, Extended& Millimetres) const;
  // Every field checked before anything is applied; on the first bad one, Message says what
  // is wrong and Field is the edit to correct.
  bool ReadValues(TPageValues& Values, String& Message, TEdit*& Field) const;
  TPrinterOrientation ChosenOrientation() const;
  Integer ChosenPaper() const;

  IkvxPaperSource& printer_;
  bool updating_ = false;
};

}  // namespace orv
