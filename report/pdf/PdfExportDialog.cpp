#include "report/pdf/PdfExportDialog.h"

#include "platform/gui/Keys.h"
#include "platform/rtl/Format.h"
#include "report/model/Report.h"
#include "report/model/ReportUtils.h"
#include "report/model/Resources.h"
#include "report/pdf/ExportStrings.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxPDFExportDialog, c) {}

TkvxPDFExportDialog::TkvxPDFExportDialog(TComponent* AOwner) : TForm(AOwner) {
  CreateControls();
  OnKeyDown = [this](TObject* s, Word& k, TShiftState sh) { FormKeyDown(s, k, sh); };
  OnCloseQuery = [this](TObject* s, bool& can) { FormCloseQuery(s, can); };
  FormCreate(this);
}

void TkvxPDFExportDialog::CreateControls() {
  // Sized before the dialog border fixes the size it has.
  SetClientWidth(292);
  SetClientHeight(321);
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  Font()->SetName("Tahoma");
  Font()->SetSize(8);

  PageControl1 = new TPageControl(this);
  PageControl1->SetParent(this);
  PageControl1->SetBounds(4, 4, 284, 280);
  auto tab = [this] {
    auto* t = new TTabSheet(this);
    t->SetPageControl(PageControl1);
    return t;
  };
  auto group = [this](TWinControl* parent, int t, int h) {
    auto* g = new TGroupBox(this);
    g->SetParent(parent);
    g->SetBounds(4, t, 268, h);
    return g;
  };
  auto check = [this](TWinControl* parent, int l, int t, int w) {
    auto* c = new TCheckBox(this);
    c->SetParent(parent);
    c->SetBounds(l, t, w, 17);
    return c;
  };
  auto radio = [this](TWinControl* parent, int t) {
    auto* r = new TRadioButton(this);
    r->SetParent(parent);
    r->SetBounds(12, t, 110, 17);
    return r;
  };
  // A caption on the left of its edit box.
  auto labelled = [this](TWinControl* parent, int t, TLabel*& label, TEdit*& edit) {
    label = new TLabel(this);
    label->SetParent(parent);
    label->SetLeft(12);
    label->SetTop(t + 4);
    edit = new TEdit(this);
    edit->SetParent(parent);
    edit->SetBounds(104, t, 152, 21);
  };

  ExportPage = tab();
  GroupPageRange = group(ExportPage, 4, 134);
  AllRB = radio(GroupPageRange, 20);
  AllRB->SetChecked(true);
  CurPageRB = radio(GroupPageRange, 40);
  PageNumbersRB = radio(GroupPageRange, 62);
  PageNumbersRB->SetWidth(70);
  PageNumbersE = new TEdit(this);
  PageNumbersE->SetParent(GroupPageRange);
  PageNumbersE->SetBounds(84, 60, 172, 21);
  DescrL = new TLabel(this);
  DescrL->SetParent(GroupPageRange);
  DescrL->SetAutoSize(false);
  DescrL->SetWordWrap(true);
  DescrL->SetBounds(12, 86, 244, 44);
  GroupQuality = group(ExportPage, 142, 96);
  CompressedCB = check(GroupQuality, 12, 24, 120);
  EmbeddedCB = check(GroupQuality, 12, 46, 120);
  PrintOptCB = check(GroupQuality, 12, 68, 120);
  OutlineCB = check(GroupQuality, 140, 24, 120);
  BackgrCB = check(GroupQuality, 140, 46, 120);
  OpenCB = check(GroupQuality, 140, 68, 120);

  InfoPage = tab();
  DocInfoGB = group(InfoPage, 4, 186);
  labelled(DocInfoGB, 20, TitleL, TitleE);
  labelled(DocInfoGB, 48, AuthorL, AuthorE);
  labelled(DocInfoGB, 76, SubjectL, SubjectE);
  labelled(DocInfoGB, 104, KeywordsL, KeywordsE);
  labelled(DocInfoGB, 132, CreatorL, CreatorE);
  labelled(DocInfoGB, 160, ProducerL, ProducerE);

  SecurityPage = tab();
  SecGB = group(SecurityPage, 4, 80);
  labelled(SecGB, 20, OwnPassL, OwnPassE);
  labelled(SecGB, 48, UserPassL, UserPassE);
  OwnPassE->SetPasswordChar(U'*');
  UserPassE->SetPasswordChar(U'*');
  PermGB = group(SecurityPage, 88, 116);
  PrintCB = check(PermGB, 12, 24, 244);
  ModCB = check(PermGB, 12, 46, 244);
  CopyCB = check(PermGB, 12, 68, 244);
  AnnotCB = check(PermGB, 12, 90, 244);

  ViewerPage = tab();
  ViewerGB = group(ViewerPage, 4, 160);
  HideToolbarCB = check(ViewerGB, 12, 24, 244);
  HideMenubarCB = check(ViewerGB, 12, 46, 244);
  HideWindowUICB = check(ViewerGB, 12, 68, 244);
  FitWindowCB = check(ViewerGB, 12, 90, 244);
  CenterWindowCB = check(ViewerGB, 12, 112, 244);
  PrintScalingCB = check(ViewerGB, 12, 134, 244);
  PageControl1->SetActivePage(ExportPage);

  OkB = new TButton(this);
  OkB->SetParent(this);
  OkB->SetBounds(130, 290, 75, 25);
  OkB->SetModalResult(mrOk);
  OkB->SetDefault(true);
  CancelB = new TButton(this);
  CancelB->SetParent(this);
  CancelB->SetBounds(212, 290, 75, 25);
  CancelB->SetModalResult(mrCancel);
  CancelB->SetCancel(true);

  SaveDialog1 = new TSaveDialog(this);
  SaveDialog1->SetOptions({ofHideReadOnly, ofNoChangeDir, ofEnableSizing});

  PageNumbersE->OnChange = [this](TObject* s) { PageNumbersEChange(s); };
  PageNumbersE->OnKeyPress = [this](TObject* s, char32_t& k) { PageNumbersEKeyPress(s, k); };
}

void TkvxPDFExportDialog::FormCreate(TObject*) {
  kvxLoadExportStrings();
  TkvxResources* res = kvxGetResources();
  auto text = [](Integer key) { return kvxGetResourceString(key); };
  SetCaption(text(8700));
  ExportPage->SetCaption(res->Get("107"));
  GroupPageRange->SetCaption(res->Get("7"));
  AllRB->SetCaption(res->Get("3"));
  CurPageRB->SetCaption(res->Get("4"));
  PageNumbersRB->SetCaption(res->Get("5"));
  DescrL->SetCaption(res->Get("9"));
  GroupQuality->SetCaption(res->Get("8"));
  CompressedCB->SetCaption(text(8701));
  EmbeddedCB->SetCaption(text(8702));
  PrintOptCB->SetCaption(text(8703));
  OutlineCB->SetCaption(text(8704));
  BackgrCB->SetCaption(text(8705));
  OpenCB->SetCaption(text(8706));
  InfoPage->SetCaption(text(8972));
  DocInfoGB->SetCaption(text(8971));
  TitleL->SetCaption(text(8973));
  AuthorL->SetCaption(text(8974));
  SubjectL->SetCaption(text(8975));
  KeywordsL->SetCaption(text(8976));
  CreatorL->SetCaption(text(8977));
  ProducerL->SetCaption(text(8978));
  SecurityPage->SetCaption(text(8962));
  SecGB->SetCaption(text(8979));
  OwnPassL->SetCaption(text(8964));
  UserPassL->SetCaption(text(8965));
  PermGB->SetCaption(text(8980));
  PrintCB->SetCaption(text(8966));
  ModCB->SetCaption(text(8967));
  CopyCB->SetCaption(text(8968));
  AnnotCB->SetCaption(text(8969));
  ViewerPage->SetCaption(text(8981));
  ViewerGB->SetCaption(text(8982));
  HideToolbarCB->SetCaption(text(8983));
  HideMenubarCB->SetCaption(text(8984));
  HideWindowUICB->SetCaption(text(8985));
  FitWindowCB->SetCaption(text(8986));
  CenterWindowCB->SetCaption(text(8987));
  PrintScalingCB->SetCaption(text(8988));
  OkB->SetCaption(res->Get("1"));
  CancelB->SetCaption(res->Get("2"));
  SaveDialog1->SetFilter(text(8707));
  SaveDialog1->SetDefaultExt(text(8708));
}

void TkvxPDFExportDialog::FormKeyDown(TObject*, Word& Key, TShiftState) {
  if (Key == VK_F1) kvxGetResources()->Help(this);
}

void TkvxPDFExportDialog::FormCloseQuery(TObject*, bool& CanClose) {
  FCheckedPages.clear();
  if (ModalResult() != mrOk || !PageNumbersRB->Checked()) return;
  // Nothing typed exports every page.
  if (PageNumbersE->Text().find_first_not_of(' ') == String::npos) return;
  if (kvxCheckPageNumbers(PageNumbersE->Text(), PageCount, FCheckedPages)) return;
  CanClose = false;
  PageControl1->SetActivePage(ExportPage);
  kvxErrorMsg(Format(kvxGetResources()->Get("clBadPages"), {PageCount}));
  if (PageNumbersE->CanFocus()) PageNumbersE->SetFocus();
}

void TkvxPDFExportDialog::PageNumbersEChange(TObject*) { PageNumbersRB->SetChecked(true); }

void TkvxPDFExportDialog::PageNumbersEKeyPress(TObject*, char32_t& Key) {
  // Keys below the blank type nothing into the box; Enter and Escape still reach the buttons.
  bool allowed = Key < U' ' || (Key >= U'0' && Key <= U'9') || Key == U',' || Key == U'-';
  if (!allowed) Key = 0;
}

}  // namespace orv
