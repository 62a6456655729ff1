#pragma once
// TkvxPDFExportDialog: the options of one PDF export (pages, quality, document information,
// passwords and permissions, viewer preferences). The export filter fills it and reads it back.
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

namespace orv {

class TkvxPDFExportDialog : public TForm {
  ORV_CLASS(TkvxPDFExportDialog, TForm)

 public:
  explicit TkvxPDFExportDialog(TComponent* AOwner);

  // How many pages the report has, to check typed page numbers against; set before showing.
  Integer PageCount = 0;
  // The page list as OK checked it, ranges ended at the last page; '' for all pages.
  const String& CheckedPages() const { return FCheckedPages; }

  TPageControl* PageControl1;
  TTabSheet* ExportPage;
  TGroupBox* GroupPageRange;
  TRadioButton* AllRB;
  TRadioButton* CurPageRB;
  TRadioButton* PageNumbersRB;
  TEdit* PageNumbersE;
  TLabel* DescrL;
  TGroupBox* GroupQuality;
  TCheckBox* CompressedCB;
  TCheckBox* EmbeddedCB;
  TCheckBox* PrintOptCB;
  TCheckBox* OutlineCB;
  TCheckBox* BackgrCB;
  TCheckBox* OpenCB;
  TTabSheet* InfoPage;
  TGroupBox* DocInfoGB;
  TLabel* TitleL;
  TEdit* TitleE;
  TLabel* AuthorL;
  TEdit* AuthorE;
  TLabel* SubjectL;
  TEdit* SubjectE;
  TLabel* KeywordsL;
  TEdit* KeywordsE;
  TLabel* CreatorL;
  TEdit* CreatorE;
  TLabel* ProducerL;
  TEdit* ProducerE;
  TTabSheet* SecurityPage;
  TGroupBox* SecGB;
  TLabel* OwnPassL;
  TEdit* OwnPassE;
  TLabel* UserPassL;
  TEdit* UserPassE;
  TGroupBox* PermGB;
  TCheckBox* PrintCB;
  TCheckBox* ModCB;
  TCheckBox* CopyCB;
  TCheckBox* AnnotCB;
  TTabSheet* ViewerPage;
  TGroupBox* ViewerGB;
  TCheckBox* HideToolbarCB;
  TCheckBox* HideMenubarCB;
  TCheckBox* HideWindowUICB;
  TCheckBox* FitWindowCB;
  TCheckBox* CenterWindowCB;
  TCheckBox* PrintScalingCB;
  TButton* OkB;
  TButton* CancelB;
  TSaveDialog* SaveDialog1;

  void FormCreate(TObject* Sender);
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void PageNumbersEChange(TObject* Sender);
  void PageNumbersEKeyPress(TObject* Sender, char32_t& Key);

 private:
  void CreateControls();

  String FCheckedPages;
};

}  // namespace orv
