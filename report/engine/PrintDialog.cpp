#include "report/engine/PrintDialog.h"

#include <algorithm>
#include <climits>

#include "platform/gui/Picture.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Format.h"
#include "report/engine/Printers.h"
#include "report/model/ImageUtils.h"
#include "report/model/Interfaces.h"
#include "report/model/Report.h"
#include "report/model/ReportUtils.h"
#include "report/model/Resources.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxPrintDialog, c) {}

namespace {

constexpr Integer kCustomPaper = 256;
constexpr Integer kA4Paper = 9;
// The print server makes at most this many copies of a job (its MaxCopies default).
constexpr Integer kMaxCopies = 9999;
// What stands behind the pictures: left out when they are drawn.
constexpr TColor kPictureBack = clFuchsia;

// A sheet of paper, for the pictures of the dialog.
void DrawSheet(TCanvas& c, int x, int y, int w, int h) {
  c.Pen().SetColor(clGray);
  c.Brush().SetColor(clWhite);
  c.Rectangle(x, y, x + w, y + h);
}

void DrawPrinter(TBitmap& b) {
  b.SetSize(16, 16);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(kPictureBack);
  c.FillRect(Rect(0, 0, 16, 16));
  DrawSheet(c, 4, 1, 8, 6);
  c.Pen().SetColor(clBlack);
  c.Brush().SetColor(clSilver);
  c.Rectangle(1, 6, 15, 13);
  c.Brush().SetColor(clWhite);
  c.Rectangle(4, 11, 12, 15);
  c.Pen().SetColor(clLime);
  c.MoveTo(12, 8);
  c.LineTo(14, 8);
  b.SetTransparentColor(kPictureBack);
}

// The four print modes, 64 x 32 each: the page on the left, the sheets it prints on at right.
void DrawModes(TImageList& list) {
  list.SetWidth(64);
  list.SetHeight(32);
  for (int mode = 0; mode < 4; ++mode) {
    TBitmap b(64, 32);
    TCanvas& c = b.Canvas();
    c.Brush().SetColor(kPictureBack);
    c.FillRect(Rect(0, 0, 64, 32));
    c.Pen().SetColor(clNavy);
    c.MoveTo(27, 16);
    c.LineTo(36, 16);
    c.LineTo(33, 13);
    c.MoveTo(36, 16);
    c.LineTo(33, 19);
    switch (mode) {
      case 0:  // a page on a sheet of its size
        DrawSheet(c, 6, 4, 18, 24);
        DrawSheet(c, 40, 4, 18, 24);
        break;
      case 1:  // a big page over two sheets
        DrawSheet(c, 2, 1, 22, 30);
        DrawSheet(c, 38, 2, 12, 16);
        DrawSheet(c, 51, 14, 12, 16);
        break;
      case 2:  // small pages joined on one sheet
        DrawSheet(c, 4, 2, 10, 13);
        DrawSheet(c, 14, 17, 10, 13);
        DrawSheet(c, 40, 4, 18, 24);
        c.Pen().SetColor(clGray);
        c.MoveTo(49, 4);
        c.LineTo(49, 28);
        break;
      default:  // a page shrunk onto a sheet
        DrawSheet(c, 2, 1, 22, 30);
        DrawSheet(c, 40, 4, 18, 24);
        c.Pen().SetColor(clNavy);
        c.Brush().SetColor(clSkyBlue);
        c.Rectangle(43, 7, 55, 25);
        break;
    }
    list.AddMasked(&b, kPictureBack);
  }
}

// Collated: two copies, each pages 1, 2, 3 in order; not collated: each page's copies together.
void DrawCopies(TBitmap& b, bool collate) {
  b.SetSize(96, 44);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(kPictureBack);
  c.FillRect(Rect(0, 0, 96, 44));
  c.Font().SetSize(7);
  int stacks = collate ? 2 : 3;
  int perStack = collate ? 3 : 2;
  for (int stack = 0; stack < stacks; ++stack)
    for (int sheet = 0; sheet < perStack; ++sheet) {
      int x = stack * (collate ? 48 : 32) + sheet * 6;
      int y = 2 + sheet * 6;
      DrawSheet(c, x, y, 20, 28);
      c.TextOut(x + 7, y + 12, IntToStr(collate ? sheet + 1 : stack + 1));
    }
  b.SetTransparentColor(kPictureBack);
}

}  // namespace

TkvxPrintDialog::TkvxPrintDialog(TComponent* AOwner) : TForm(AOwner) {
  CreateControls();
  OnShow = [this](TObject* s) { FormShow(s); };
  OnHide = [this](TObject* s) { FormHide(s); };
  OnCloseQuery = [this](TObject* s, bool& can) { FormCloseQuery(s, can); };
  OnKeyDown = [this](TObject* s, Word& k, TShiftState sh) { FormKeyDown(s, k, sh); };
  FormCreate(this);
}

void TkvxPrintDialog::CreateControls() {
  // Sized before the dialog border fixes the size it has.
  SetClientWidth(557);
  SetClientHeight(334);
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  Font()->SetName("Tahoma");
  Font()->SetSize(8);

  auto group = [this](int l, int t, int w, int h) {
    auto* g = new TGroupBox(this);
    g->SetParent(this);
    g->SetBounds(l, t, w, h);
    return g;
  };
  auto label = [this](TWinControl* parent, int l, int t) {
    auto* c = new TLabel(this);
    c->SetParent(parent);
    c->SetLeft(l);
    c->SetTop(t);
    return c;
  };
  auto list = [this](TWinControl* parent, int l, int t, int w, TComboBoxStyle style) {
    auto* c = new TComboBox(this);
    c->SetParent(parent);
    c->SetStyle(style);
    c->SetBounds(l, t, w, 21);
    return c;
  };
  auto radio = [this](TWinControl* parent, int l, int t) {
    auto* c = new TRadioButton(this);
    c->SetParent(parent);
    c->SetBounds(l, t, 110, 17);
    return c;
  };

  Label12 = group(8, 4, 541, 72);
  NameL = label(Label12, 12, 24);
  PrintersCB = list(Label12, 70, 20, 340, csOwnerDrawFixed);
  PrintersCB->SetItemHeight(16);
  PrintersCB->SetHeight(22);
  PropButton = new TButton(this);
  PropButton->SetParent(Label12);
  PropButton->SetBounds(424, 18, 105, 25);
  WhereL = label(Label12, 12, 50);
  WhereL1 = label(Label12, 70, 50);
  FileCB = new TCheckBox(this);
  FileCB->SetParent(Label12);
  FileCB->SetBounds(424, 48, 105, 17);

  Label1 = group(8, 80, 268, 124);
  AllRB = radio(Label1, 12, 20);
  AllRB->SetChecked(true);
  CurPageRB = radio(Label1, 12, 40);
  PageNumbersRB = radio(Label1, 12, 62);
  PageNumbersRB->SetWidth(70);
  PageNumbersE = new TEdit(this);
  PageNumbersE->SetParent(Label1);
  PageNumbersE->SetBounds(84, 60, 172, 21);
  DescrL = label(Label1, 12, 86);
  DescrL->SetAutoSize(false);
  DescrL->SetWordWrap(true);
  DescrL->SetBounds(12, 86, 244, 32);

  Label2 = group(282, 80, 267, 124);
  CopiesL = label(Label2, 12, 24);
  CopiesE = new TEdit(this);
  CopiesE->SetParent(Label2);
  CopiesE->SetBounds(160, 20, 60, 21);
  // Digits only, as the box is for a count.
  CopiesE->OnKeyPress = [](TObject*, char32_t& key) {
    if (key >= U' ' && (key < U'0' || key > U'9')) key = 0;
  };
  UpDown1 = new TUpDown(this);
  UpDown1->SetMin(1);
  UpDown1->SetMax(kMaxCopies);
  UpDown1->SetAssociate(CopiesE);
  UpDown1->SetPosition(1);
  CopiesPB = new TPaintBox(this);
  CopiesPB->SetParent(Label2);
  CopiesPB->SetBounds(12, 56, 96, 44);
  CollateCB = new TCheckBox(this);
  CollateCB->SetParent(Label2);
  CollateCB->SetBounds(160, 70, 95, 17);
  CollateCB->SetChecked(true);
  CollateImg = new TImage(this);
  CollateImg->SetParent(this);
  CollateImg->SetVisible(false);
  DrawCopies(CollateImg->Picture()->Bitmap(), true);
  NonCollateImg = new TImage(this);
  NonCollateImg->SetParent(this);
  NonCollateImg->SetVisible(false);
  DrawCopies(NonCollateImg->Picture()->Bitmap(), false);

  ScaleGB = group(8, 208, 268, 90);
  PrintModeIL = new TImageList(this);
  DrawModes(*PrintModeIL);
  PrintModeCB = list(ScaleGB, 12, 18, 244, csOwnerDrawFixed);
  PrintModeCB->SetItemHeight(34);
  PrintModeCB->SetHeight(40);
  PagSizeL = label(ScaleGB, 12, 64);
  PagPageSizeCB = list(ScaleGB, 112, 60, 144, csDropDownList);

  OtherGB = group(282, 208, 267, 90);
  PrintL = label(OtherGB, 12, 20);
  PrintPagesCB = list(OtherGB, 100, 16, 155, csDropDownList);
  DuplexL = label(OtherGB, 12, 42);
  DuplexCB = list(OtherGB, 100, 38, 155, csDropDownList);
  OrderL = label(OtherGB, 12, 64);
  OrderCB = list(OtherGB, 100, 60, 155, csDropDownList);

  OkB = new TButton(this);
  OkB->SetParent(this);
  OkB->SetBounds(390, 304, 75, 25);
  OkB->SetModalResult(mrOk);
  OkB->SetDefault(true);
  CancelB = new TButton(this);
  CancelB->SetParent(this);
  CancelB->SetBounds(474, 304, 75, 25);
  CancelB->SetModalResult(mrCancel);
  CancelB->SetCancel(true);

  FileDlg = new TSaveDialog(this);
  FileDlg->SetFilter("Printer files (*.prn)|*.prn");
  FileDlg->SetTitle("Print To File");

  PrinterImages = new TImageList(this);
  TBitmap printer;
  DrawPrinter(printer);
  PrinterImages->AddMasked(&printer, kPictureBack);

  PrintersCB->OnClick = [this](TObject* s) { PrintersCBClick(s); };
  PrintersCB->OnDrawItem = [this](TWinControl* c, int i, const TRect& r, TOwnerDrawState st) {
    PrintersCBDrawItem(c, i, r, st);
  };
  PrintModeCB->OnClick = [this](TObject* s) { PrintModeCBClick(s); };
  PrintModeCB->OnDrawItem = [this](TWinControl* c, int i, const TRect& r, TOwnerDrawState st) {
    PrintModeCBDrawItem(c, i, r, st);
  };
  CollateCB->OnClick = [this](TObject* s) { CollateCBClick(s); };
  PageNumbersE->OnEnter = [this](TObject* s) { PageNumbersEEnter(s); };
  PageNumbersRB->OnClick = [this](TObject* s) { PageNumbersRBClick(s); };
  PropButton->OnClick = [this](TObject* s) { PropButtonClick(s); };
  CopiesPB->OnPaint = [this](TObject* s) { CopiesPBPaint(s); };
}

void TkvxPrintDialog::FormCreate(TObject*) {
  TkvxResources* res = kvxGetResources();
  SetCaption(res->Get("200"));
  Label12->SetCaption(res->Get("201"));
  NameL->SetCaption(res->Get("212"));
  WhereL->SetCaption(res->Get("208"));
  PropButton->SetCaption(res->Get("209"));
  FileCB->SetCaption(res->Get("210"));
  Label1->SetCaption(res->Get("202"));
  AllRB->SetCaption(res->Get("3"));
  CurPageRB->SetCaption(res->Get("4"));
  PageNumbersRB->SetCaption(res->Get("5"));
  DescrL->SetCaption(res->Get("9"));
  Label2->SetCaption(res->Get("205"));
  CopiesL->SetCaption(res->Get("203"));
  CollateCB->SetCaption(res->Get("204"));
  ScaleGB->SetCaption(res->Get("213"));
  PagSizeL->SetCaption(res->Get("214"));
  OtherGB->SetCaption(res->Get("207"));
  PrintL->SetCaption(res->Get("206"));
  DuplexL->SetCaption(res->Get("216"));
  OrderL->SetCaption(res->Get("211"));
  OkB->SetCaption(res->Get("1"));
  CancelB->SetCaption(res->Get("2"));
  for (const char* key : {"pmDefault", "pmSplit", "pmJoin", "pmScale"}) PrintModeCB->Items()->Add(res->Get(key));
  for (const char* key : {"ppAll", "ppOdd", "ppEven"}) PrintPagesCB->Items()->Add(res->Get(key));
  PrintPagesCB->SetItemIndex(0);
  for (const char* key : {"dupDefault", "dupVert", "dupHorz", "dupSimpl"}) DuplexCB->Items()->Add(res->Get(key));
  DuplexCB->SetItemIndex(0);
  for (const char* key : {"poDirect", "poReverse"}) OrderCB->Items()->Add(res->Get(key));
  OrderCB->SetItemIndex(0);

  TkvxPrinters* printers = kvxPrinters();
  PrintersCB->Items()->Assign(&printers->Printers());
  PrintersCB->SetItemIndex(printers->PrinterIndex());
  PrintersCBClick(nullptr);
  FOldIndex = printers->PrinterIndex();
  CollateCBClick(nullptr);
}

void TkvxPrintDialog::FormShow(TObject*) {
  TkvxPrintOptions* options = Report->PrintOptions();
  UpDown1->SetPosition(options->Copies);
  CollateCB->SetChecked(options->Collate);
  PageNumbersE->SetText(options->PageNumbers);
  if (!options->PageNumbers.empty()) PageNumbersRB->SetChecked(true);
  PrintPagesCB->SetItemIndex(static_cast<int>(options->PrintPages));
  OrderCB->SetItemIndex(options->Reverse ? 1 : 0);
  PrintModeCB->SetItemIndex(static_cast<int>(options->PrintMode));
  PrintModeCBClick(nullptr);
  if (options->PrintMode != pmDefault)
    PagPageSizeCB->SetItemIndex(SheetItemOfPaper(kvxPrinters()->Printer(), options->PrintOnSheet));
}

int TkvxPrintDialog::SheetItemOfPaper(TkvxCustomPrinter* Printer, Integer PaperCode) const {
  Integer position = Printer->IndexOfPaper(PaperCode);
  Integer custom = Printer->IndexOfPaper(kCustomPaper);
  return position + 1 - (custom >= 0 && custom < position ? 1 : 0);
}

void TkvxPrintDialog::PrintersCBClick(TObject*) {
  TkvxPrinters* printers = kvxPrinters();
  bool remembered = !PagPageSizeCB->Text().empty();
  Integer paper = remembered ? printers->Printer()->PaperNameToCode(PagPageSizeCB->Text()) : 0;
  printers->SetPrinterIndex(PrintersCB->ItemIndex());
  TkvxCustomPrinter* printer = printers->Printer();
  WhereL1->SetCaption(printer->Port());
  TStrings* items = PagPageSizeCB->Items();
  items->Clear();
  items->Add(kvxGetResources()->Get("pgDefault"));
  for (const TkvxPrinterItem& p : printer->Papers())
    if (p.Code != kCustomPaper) items->Add(p.Name);
  int item = remembered && printer->IndexOfPaper(paper) >= 0 ? SheetItemOfPaper(printer, paper) : 0;
  // A printer without papers of its own has no first real paper to move to.
  PagPageSizeCB->SetItemIndex(item < items->Count() ? item : 0);
}

void TkvxPrintDialog::PrintModeCBClick(TObject*) {
  if (PrintModeCB->ItemIndex() <= 0) {
    PagPageSizeCB->SetItemIndex(0);
    PagPageSizeCB->SetEnabled(false);
    return;
  }
  PagPageSizeCB->SetEnabled(true);
  // A printer without A4 keeps "Default" rather than an empty box.
  Integer a4 = kvxPrinters()->Printer()->IndexOfPaper(kA4Paper);
  if (PagPageSizeCB->ItemIndex() == 0 && a4 >= 0) PagPageSizeCB->SetItemIndex(a4);
}

void TkvxPrintDialog::CollateCBClick(TObject*) { CopiesPB->Repaint(); }

void TkvxPrintDialog::PageNumbersEEnter(TObject*) { PageNumbersRB->SetChecked(true); }

void TkvxPrintDialog::PageNumbersRBClick(TObject*) {
  if (Visible() && PageNumbersE->CanFocus()) PageNumbersE->SetFocus();
}

void TkvxPrintDialog::PropButtonClick(TObject*) {
  TkvxCustomPrinter* printer = kvxPrinters()->Printer();
  if (!printer) return;
  bool kept = std::any_of(FOldSettings.begin(), FOldSettings.end(), [printer](const auto& e) { return e.first == printer; });
  if (!kept) FOldSettings.emplace_back(printer, printer->Settings());
  printer->PropertiesDlg();
}

void TkvxPrintDialog::FormKeyDown(TObject*, Word& Key, TShiftState) {
  if (Key == VK_F1) kvxGetResources()->Help(this);
}

Integer TkvxPrintDialog::TypedCopies() const {
  String text = CopiesE->Text();
  if (text.empty() || text.size() > 4) return 0;
  Integer copies = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    copies = copies * 10 + (c - '0');
  }
  return copies >= 1 && copies <= kMaxCopies ? copies : 0;
}

Integer TkvxPrintDialog::PreparedPageCount() const {
  return Report && Report->PreviewPages ? Report->PreviewPages->GetCount() : INT_MAX;
}

bool TkvxPrintDialog::CheckedPageNumbers(String& Text) const {
  return kvxCheckPageNumbers(PageNumbersE->Text(), PreparedPageCount(), Text);
}

void TkvxPrintDialog::FormCloseQuery(TObject*, bool& CanClose) {
  if (ModalResult() != mrOk) return;
  TkvxResources* res = kvxGetResources();
  if (TypedCopies() == 0) {
    CanClose = false;
    kvxErrorMsg(Format(res->Get("clBadCopies"), {kMaxCopies}));
    if (CopiesE->CanFocus()) CopiesE->SetFocus();
    return;
  }
  if (PageNumbersRB->Checked() && !CheckedPageNumbers(FCheckedPages)) {
    CanClose = false;
    kvxErrorMsg(Format(res->Get("clBadPages"), {PreparedPageCount()}));
    if (PageNumbersE->CanFocus()) PageNumbersE->SetFocus();
  }
}

void TkvxPrintDialog::FormHide(TObject*) {
  TkvxPrinters* printers = kvxPrinters();
  if (ModalResult() == mrOk) {
    TkvxCustomPrinter* printer = printers->Printer();
    printer->SetFileName("");
    if (FileCB->Checked()) {
      if (FileDlg->Execute())
        printer->SetFileName(ChangeFileExt(FileDlg->FileName(), ".prn"));
      else
        SetModalResult(mrCancel);
    }
  }
  if (ModalResult() != mrOk) {
    for (const auto& [printer, settings] : FOldSettings) printer->RestoreSettings(settings);
    printers->SetPrinterIndex(FOldIndex);
    return;
  }
  TkvxPrintOptions* options = Report->PrintOptions();
  options->Copies = TypedCopies();
  options->Collate = CollateCB->Checked();
  if (AllRB->Checked())
    options->PageNumbers = "";
  else if (CurPageRB->Checked())
    options->PageNumbers = IntToStr(Report->PreviewPages ? Report->PreviewPages->CurPreviewPage : 1);
  else
    options->PageNumbers = FCheckedPages;
  options->PrintPages = static_cast<TkvxPrintPages>(PrintPagesCB->ItemIndex());
  Duplex = DuplexCB->ItemIndex();
  options->Reverse = OrderCB->ItemIndex() == 1;
  options->PrintMode = static_cast<TkvxPrintMode>(PrintModeCB->ItemIndex());
  options->PrintOnSheet = printers->Printer()->PaperNameToCode(PagPageSizeCB->Text());
}

void TkvxPrintDialog::PrintersCBDrawItem(TWinControl*, int Index, const TRect& Rect, TOwnerDrawState) {
  TCanvas* c = PrintersCB->Canvas();
  c->FillRect(Rect);
  PrinterImages->Draw(c, Rect.Left + 2, Rect.Top + 1, 0);
  c->TextOut(Rect.Left + 24, Rect.Top + 1, PrintersCB->Items()->Strings(Index));
}

void TkvxPrintDialog::PrintModeCBDrawItem(TWinControl*, int Index, const TRect& Rect, TOwnerDrawState) {
  TCanvas* c = PrintModeCB->Canvas();
  c->FillRect(Rect);
  PrintModeIL->Draw(c, Rect.Left + 2, Rect.Top + 1, Index);
  c->TextOut(Rect.Left + 74, Rect.Top + 10, PrintModeCB->Items()->Strings(Index));
}

void TkvxPrintDialog::CopiesPBPaint(TObject*) {
  TCanvas* c = CopiesPB->Canvas();
  c->Brush().SetColor(Color());
  c->FillRect(CopiesPB->ClientRect());
  TImage* picture = CollateCB->Checked() ? CollateImg : NonCollateImg;
  kvxDrawTransparent(*c, 0, 0, picture->Picture()->Bitmap());
}

}  // namespace orv
