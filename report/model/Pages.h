#pragma once
// Report pages: printed pages (paper, margins, columns, background, band layout) and the data
// page that holds non-visual components.
#include <memory>

#include "platform/rtl/StringList.h"
#include "report/model/Frame.h"
#include "report/model/KvxComponent.h"

namespace orv {

class TkvxDataSet;
class TkvxPictureView;
class TPicture;
class TCanvas;

ORV_ENUM(TPrinterOrientation, poPortrait, poLandscape);
ORV_ENUM(TkvxDuplexMode, dmNone, dmVertical, dmHorizontal, dmSimplex);

// Pixels per millimetre at 96 dpi.
inline constexpr Extended kvxPixelsPerMM = 3.77953;

// The base of printed, data and dialog pages.
class TkvxPage : public TkvxComponent {
  ORV_CLASS(TkvxPage, TkvxComponent)

 public:
  using TkvxComponent::TkvxComponent;
};

class TkvxReportPage : public TkvxPage {
  ORV_CLASS(TkvxReportPage, TkvxPage)

 public:
  explicit TkvxReportPage(TComponent* owner);
  ~TkvxReportPage() override;

  String GetDescription() const override { return "obRepPage"; }
  // The page becomes the printable area and its bands span it.
  void AlignChildren() override;

  TPrinterOrientation Orientation() const { return orientation_; }
  // Swaps paper width and height and turns the margins with the paper.
  void SetOrientation(TPrinterOrientation value);
  Extended PaperWidth() const { return paperWidth_; }
  Extended PaperHeight() const { return paperHeight_; }
  // Rounded to 8 decimals; the paper becomes custom (256).
  virtual void SetPaperHeight(Extended value);
  virtual void SetPaperWidth(Extended value);
  Integer PaperSize() const { return paperSize_; }
  // A size below 256 takes its width and height from the paper table.
  virtual void SetPaperSize(Integer value);
  // Margins of 10 mm on A4 portrait.
  virtual void SetDefaults();
  Extended LeftMargin() const { return leftMargin_; }
  void SetLeftMargin(Extended v) { leftMargin_ = v; }
  Extended RightMargin() const { return rightMargin_; }
  void SetRightMargin(Extended v) { rightMargin_ = v; }
  Extended TopMargin() const { return topMargin_; }
  void SetTopMargin(Extended v) { topMargin_ = v; }
  Extended BottomMargin() const { return bottomMargin_; }
  void SetBottomMargin(Extended v) { bottomMargin_ = v; }
  bool MirrorMargins() const { return mirrorMargins_; }
  void SetMirrorMargins(bool v) { mirrorMargins_ = v; }
  Integer Columns() const { return columns_; }
  // Rebuilds the column positions over the printable width.
  void SetColumns(Integer value);
  Extended ColumnWidth() const { return columnWidth_; }
  void SetColumnWidth(Extended v) { columnWidth_ = v; }
  TStrings* ColumnPositions() const { return columnPositions_.get(); }
  void SetColumnPositions(TStrings* v) { columnPositions_->Assign(v); }
  Integer Bin() const { return bin_; }
  void SetBin(Integer v) { bin_ = v; }
  Integer BinOtherPages() const { return binOtherPages_; }
  void SetBinOtherPages(Integer v) { binOtherPages_ = v; }
  bool BackPictureVisible() const { return backPictureVisible_; }
  void SetBackPictureVisible(bool v) { backPictureVisible_ = v; }
  bool BackPicturePrintable() const { return backPicturePrintable_; }
  void SetBackPicturePrintable(bool v) { backPicturePrintable_ = v; }
  Integer PageCount() const { return pageCount_; }
  // Values below 1 are ignored.
  void SetPageCount(Integer value);
  // Colour, frame and background picture are those of the page's background object.
  TColor Color() const;
  void SetColor(TColor v);
  TPicture* BackPicture() const;
  void SetBackPicture(TPicture* v);
  TkvxDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TkvxDataSet* value);
  String DataSetName() const;
  void SetDataSetName(const String& value);
  TkvxDuplexMode Duplex() const { return duplex_; }
  void SetDuplex(TkvxDuplexMode v) { duplex_ = v; }
  TkvxFrame* Frame() const;
  void SetFrame(TkvxFrame* v);
  bool EndlessHeight() const { return endlessHeight_; }
  void SetEndlessHeight(bool v) { endlessHeight_ = v; }
  bool EndlessWidth() const { return endlessWidth_; }
  void SetEndlessWidth(bool v) { endlessWidth_ = v; }
  bool LargeDesignHeight() const { return largeDesignHeight_; }
  void SetLargeDesignHeight(bool v) { largeDesignHeight_ = v; }
  const String& OutlineText() const { return outlineText_; }
  void SetOutlineText(const String& v) { outlineText_ = v; }
  bool PrintIfEmpty() const { return printIfEmpty_; }
  void SetPrintIfEmpty(bool v) { printIfEmpty_ = v; }
  bool PrintOnPreviousPage() const { return printOnPreviousPage_; }
  void SetPrintOnPreviousPage(bool v) { printOnPreviousPage_ = v; }
  bool ResetPageNumbers() const { return resetPageNumbers_; }
  void SetResetPageNumbers(bool v) { resetPageNumbers_ = v; }
  bool TitleBeforeHeader() const { return titleBeforeHeader_; }
  void SetTitleBeforeHeader(bool v) { titleBeforeHeader_ = v; }
  TStrings* HGuides() const { return hGuides_.get(); }
  void SetHGuides(TStrings* v) { hGuides_->Assign(v); }
  TStrings* VGuides() const { return vGuides_.get(); }
  void SetVGuides(TStrings* v) { vGuides_->Assign(v); }
  // Names of script procedures.
  String OnAfterPrint, OnBeforePrint, OnManualBuild;

  // The background object over the printable area, at the margins, when the back picture is to
  // be seen (on paper only when it is printable too).
  void DrawBackground(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY);
  // First child of that class or a class derived from it.
  TkvxComponent* FindBand(TClass bandClass) const;
  // The page belongs to a subreport object.
  bool IsSubReport() const { return SubReport != nullptr; }
  // The subreport object whose page this is. The two hear of each other's end, so neither
  // keeps a reference to a freed object.
  TkvxComponent* SubReport = nullptr;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  // Paper of the given millimetres, keeping the paper code.
  void StorePaperSize(Extended width, Extended height);

 private:
  void UpdateSize();

  TPrinterOrientation orientation_ = poPortrait;
  Extended paperWidth_ = 0, paperHeight_ = 0;
  Integer paperSize_ = 9;
  Extended leftMargin_ = 0, rightMargin_ = 0, topMargin_ = 0, bottomMargin_ = 0;
  bool mirrorMargins_ = false;
  Integer columns_ = 0;
  Extended columnWidth_ = 0;
  std::unique_ptr<TStringList> columnPositions_;
  Integer bin_ = 7, binOtherPages_ = 7;
  bool backPictureVisible_ = true, backPicturePrintable_ = true;
  Integer pageCount_ = 1;
  TkvxDataSet* dataSet_ = nullptr;
  String dataSetName_;
  TkvxDuplexMode duplex_ = dmNone;
  std::unique_ptr<TkvxPictureView> background_;
  bool endlessHeight_ = false, endlessWidth_ = false, largeDesignHeight_ = false;
  String outlineText_;
  bool printIfEmpty_ = true, printOnPreviousPage_ = false, resetPageNumbers_ = false, titleBeforeHeader_ = true;
  std::unique_ptr<TStringList> hGuides_, vGuides_;
};

// The page of non-visual components (data sets, databases).
class TkvxDataPage : public TkvxPage {
  ORV_CLASS(TkvxDataPage, TkvxPage)

 public:
  explicit TkvxDataPage(TComponent* owner);
  String GetDescription() const override { return "obDataPage"; }
};

// Width and height in millimetres of a paper of the Windows paper numbering; false for
// numbers the table does not hold.
bool kvxPaperDimensions(Integer paperSize, Extended& width, Extended& height);

}  // namespace orv
