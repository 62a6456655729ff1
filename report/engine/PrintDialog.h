#pragma once
// TkvxPrintDialog: where the user picks the printer, the pages, the copies and the print mode
// before prepared pages are printed; OK leaves the choices in the report's print options.
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/ImageList.h"
#include "platform/gui/StdCtrls.h"
#include "report/engine/Printers.h"

namespace orv {

class TkvxReport;

class TkvxPrintDialog : public TForm {
  ORV_CLASS(TkvxPrintDialog, TForm)

 public:
  explicit TkvxPrintDialog(TComponent* AOwner);

  // The report whose print options the dialog edits; set before showing.
  TkvxReport* Report = nullptr;
  // The duplex choice, an index into DuplexCB: 0 as the pages say, 1 vertical, 2 horizontal,
  // 3 simplex. Read after OK.
  Integer Duplex = 0;

  TGroupBox* Label12;
  TLabel* NameL;
  TLabel* WhereL;
  TComboBox* PrintersCB;
  TLabel* WhereL1;
  TButton* PropButton;
  TCheckBox* FileCB;
  TGroupBox* Label1;
  TRadioButton* AllRB;
  TRadioButton* CurPageRB;
  TRadioButton* PageNumbersRB;
  TEdit* PageNumbersE;
  TLabel* DescrL;
  TGroupBox* Label2;
  TLabel* CopiesL;
  TEdit* CopiesE;
  TUpDown* UpDown1;
  TCheckBox* CollateCB;
  TPaintBox* CopiesPB;
  TImage* CollateImg;
  TImage* NonCollateImg;
  TGroupBox* ScaleGB;
  TComboBox* PrintModeCB;
  TImageList* PrintModeIL;
  TLabel* PagSizeL;
  TComboBox* PagPageSizeCB;
  TGroupBox* OtherGB;
  TLabel* PrintL;
  TComboBox* PrintPagesCB;
  TLabel* DuplexL;
  TComboBox* DuplexCB;
  TLabel* OrderL;
  TComboBox* OrderCB;
  TButton* OkB;
  TButton* CancelB;
  TSaveDialog* FileDlg;

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormHide(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
  void PrintersCBClick(TObject* Sender);
  void PrintModeCBClick(TObject* Sender);
  void CollateCBClick(TObject* Sender);
  void PageNumbersEEnter(TObject* Sender);
  void PageNumbersRBClick(TObject* Sender);
  void PropButtonClick(TObject* Sender);
  void PrintersCBDrawItem(TWinControl* Control, int Index, const TRect& Rect, TOwnerDrawState State);
  void PrintModeCBDrawItem(TWinControl* Control, int Index, const TRect& Rect, TOwnerDrawState State);
  void CopiesPBPaint(TObject* Sender);

 private:
  void CreateControls();
  // Box position of a paper of the printer: the box lists "Default" and then the printer's
  // papers without the custom size.
  int SheetItemOfPaper(TkvxCustomPrinter* Printer, Integer PaperCode) const;
  // The number of copies typed, or 0 when it is not a count the printer can make.
  Integer TypedCopies() const;
  // The typed page numbers written out again with every range ended at the last page and
  // pages beyond it left out; false when the text is no list of pages or names none there is.
  bool CheckedPageNumbers(String& Text) const;
  Integer PreparedPageCount() const;

  TImageList* PrinterImages;
  Integer FOldIndex = -1;
  // Each printer whose properties were opened here, as it was before, for a cancel to put back.
  std::vector<std::pair<TkvxCustomPrinter*, TkvxPrinterSettings>> FOldSettings;
  // The page numbers as OK found them, so that what is stored is what was checked.
  String FCheckedPages;
};

}  // namespace orv
