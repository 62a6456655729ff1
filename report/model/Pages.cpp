#include "report/model/Pages.h"

#include <algorithm>
#include <cmath>

#include "report/model/DataSets.h"
#include "report/model/PictureView.h"
#include "report/model/PropertyIndex.h"
#include "report/model/PropertyLimits.h"
#include "report/model/Report.h"
#include "report/model/ReportUtils.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxPage, c) {
  c.Prop("Font", &TkvxPage::Font, &TkvxPage::SetFont);
  c.Prop("Visible", &TkvxPage::Visible, &TkvxPage::SetVisible).Default(true);
}

ORV_IMPLEMENT_CLASS(TkvxReportPage, c) {
  using T = TkvxReportPage;
  c.Prop("Orientation", &T::Orientation, &T::SetOrientation).Default(poPortrait);
  c.Prop("PaperWidth", &T::PaperWidth, &T::SetPaperWidth);
  c.Prop("PaperHeight", &T::PaperHeight, &T::SetPaperHeight);
  c.Prop("PaperSize", &T::PaperSize, &T::SetPaperSize);
  c.Prop("LeftMargin", &T::LeftMargin, &T::SetLeftMargin);
  c.Prop("RightMargin", &T::RightMargin, &T::SetRightMargin);
  c.Prop("TopMargin", &T::TopMargin, &T::SetTopMargin);
  c.Prop("BottomMargin", &T::BottomMargin, &T::SetBottomMargin);
  c.Prop("MirrorMargins", &T::MirrorMargins, &T::SetMirrorMargins).Default(false);
  c.Prop("Columns", &T::Columns, &T::SetColumns).Default(0);
  c.Prop("ColumnWidth", &T::ColumnWidth, &T::SetColumnWidth);
  c.Prop("ColumnPositions", &T::ColumnPositions, &T::SetColumnPositions);
  c.Prop("Bin", &T::Bin, &T::SetBin).Default(7);
  c.Prop("BinOtherPages", &T::BinOtherPages, &T::SetBinOtherPages).Default(7);
  c.Prop("BackPicture", &T::BackPicture, &T::SetBackPicture);
  c.Prop("BackPictureVisible", &T::BackPictureVisible, &T::SetBackPictureVisible).Default(true);
  c.Prop("BackPicturePrintable", &T::BackPicturePrintable, &T::SetBackPicturePrintable).Default(true);
  c.Prop("PageCount", &T::PageCount, &T::SetPageCount).Default(1);
  c.Prop("Color", &T::Color, &T::SetColor).Default(clNone);
  c.Prop("DataSet", &T::DataSet, &T::SetDataSet);
  c.Prop("DataSetName", &T::DataSetName, &T::SetDataSetName);
  c.Prop("Duplex", &T::Duplex, &T::SetDuplex).Default(dmNone);
  c.Prop("Frame", &T::Frame, &T::SetFrame);
  c.Prop("EndlessHeight", &T::EndlessHeight, &T::SetEndlessHeight).Default(false);
  c.Prop("EndlessWidth", &T::EndlessWidth, &T::SetEndlessWidth).Default(false);
  c.Prop("LargeDesignHeight", &T::LargeDesignHeight, &T::SetLargeDesignHeight).Default(false);
  c.Prop("OutlineText", &T::OutlineText, &T::SetOutlineText);
  c.Prop("PrintIfEmpty", &T::PrintIfEmpty, &T::SetPrintIfEmpty).Default(true);
  c.Prop("PrintOnPreviousPage", &T::PrintOnPreviousPage, &T::SetPrintOnPreviousPage).Default(false);
  c.Prop("ResetPageNumbers", &T::ResetPageNumbers, &T::SetResetPageNumbers).Default(false);
  c.Prop("TitleBeforeHeader", &T::TitleBeforeHeader, &T::SetTitleBeforeHeader).Default(true);
  c.Prop("HGuides", &T::HGuides, &T::SetHGuides);
  c.Prop("VGuides", &T::VGuides, &T::SetVGuides);
  c.Prop("OnAfterPrint", [](T& p) { return p.OnAfterPrint; }, [](T& p, const String& v) { p.OnAfterPrint = v; });
  c.Prop("OnBeforePrint", [](T& p) { return p.OnBeforePrint; }, [](T& p, const String& v) { p.OnBeforePrint = v; });
  c.Prop("OnManualBuild", [](T& p) { return p.OnManualBuild; }, [](T& p, const String& v) { p.OnManualBuild = v; });
}

ORV_IMPLEMENT_CLASS(TkvxDataPage, c) {}

bool kvxPaperDimensions(Integer paperSize, Extended& width, Extended& height) {
  struct TPaper {
    Integer Size;
    Extended Width, Height;
  };
  static constexpr TPaper kPapers[] = {
      {1, 215.9, 279.4}, {2, 215.9, 279.4}, {3, 279.4, 431.8}, {4, 431.8, 279.4}, {5, 215.9, 355.6},
      {6, 139.7, 215.9}, {7, 184.15, 266.7}, {8, 297, 420},    {9, 210, 297},     {10, 210, 297},
      {11, 148, 210},    {12, 250, 353},     {13, 182, 257},   {14, 215.9, 330.2}, {15, 215, 275},
      {16, 254, 355.6},  {17, 279.4, 431.8}, {18, 215.9, 279.4}, {19, 98.4, 225.4}, {20, 104.8, 241.3},
      {21, 114.3, 263.5}, {22, 120.7, 279.4}, {23, 127, 292.1}, {24, 431.8, 558.8}, {25, 558.8, 863.6},
      {26, 863.6, 1117.6}, {27, 110, 220},   {28, 162, 229},   {29, 324, 458},    {30, 229, 324},
      {31, 114, 162},    {32, 114, 229},     {33, 250, 353},   {34, 176, 250},    {35, 176, 125},
      {36, 110, 230},    {37, 98.4, 190.5},  {38, 92.1, 165.1}, {39, 377.8, 279.4}, {40, 215.9, 304.8},
      {41, 215.9, 330.2}, {70, 105, 148},    {66, 420, 594},   {67, 297, 420},
  };
  for (const TPaper& p : kPapers)
    if (p.Size == paperSize) {
      width = p.Width;
      height = p.Height;
      return true;
    }
  return false;
}

TkvxReportPage::TkvxReportPage(TComponent* owner)
    : TkvxPage(owner),
      columnPositions_(std::make_unique<TStringList>()),
      background_(std::make_unique<TkvxPictureView>(nullptr)),
      hGuides_(std::make_unique<TStringList>()),
      vGuides_(std::make_unique<TStringList>()) {
  SetBaseName("Page");
  background_->SetColor(clNone);
  // The picture covers the printable area, as the export hands it to a filter.
  background_->KeepAspectRatio = false;
  kvxPaperDimensions(9, paperWidth_, paperHeight_);
  UpdateSize();
}

TkvxReportPage::~TkvxReportPage() = default;

TColor TkvxReportPage::Color() const { return background_->Color(); }
void TkvxReportPage::SetColor(TColor v) { background_->SetColor(v); }
TkvxFrame* TkvxReportPage::Frame() const { return background_->Frame(); }
void TkvxReportPage::SetFrame(TkvxFrame* v) { background_->SetFrame(v); }
TPicture* TkvxReportPage::BackPicture() const { return background_->Picture(); }
void TkvxReportPage::SetBackPicture(TPicture* v) { background_->SetPicture(v); }

void TkvxReportPage::DrawBackground(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                                    Extended offsetY) {
  if (!backPictureVisible_ || (IsPrinting && !backPicturePrintable_)) return;
  background_->SetBounds(leftMargin_ * kvxPixelsPerMM, topMargin_ * kvxPixelsPerMM,
                         (paperWidth_ - leftMargin_ - rightMargin_) * kvxPixelsPerMM,
                         (paperHeight_ - topMargin_ - bottomMargin_) * kvxPixelsPerMM);
  background_->Draw(canvas, scaleX, scaleY, offsetX, offsetY);
}

void TkvxReportPage::UpdateSize() {
  SetWidth(std::round(paperWidth_ * kvxPixelsPerMM));
  SetHeight(std::round(paperHeight_ * kvxPixelsPerMM));
}

void TkvxReportPage::SetOrientation(TPrinterOrientation value) {
  if (value == orientation_) return;
  orientation_ = value;
  std::swap(paperWidth_, paperHeight_);
  Extended l = leftMargin_, r = rightMargin_, t = topMargin_, b = bottomMargin_;
  if (value == poLandscape) {
    leftMargin_ = t;
    rightMargin_ = b;
    topMargin_ = r;
    bottomMargin_ = l;
  } else {
    leftMargin_ = b;
    rightMargin_ = t;
    topMargin_ = l;
    bottomMargin_ = r;
  }
  UpdateSize();
}

void TkvxReportPage::SetPaperHeight(Extended value) {
  paperHeight_ = kvxRound8(value);
  paperSize_ = 256;
  UpdateSize();
}

void TkvxReportPage::SetPaperWidth(Extended value) {
  paperWidth_ = kvxRound8(value);
  paperSize_ = 256;
  UpdateSize();
}

void TkvxReportPage::SetPaperSize(Integer value) {
  paperSize_ = value;
  if (value >= 256) return;
  Extended w, h;
  if (!kvxPaperDimensions(value, w, h)) return;
  if (orientation_ == poLandscape) std::swap(w, h);
  paperWidth_ = w;
  paperHeight_ = h;
  UpdateSize();
}

void TkvxReportPage::StorePaperSize(Extended width, Extended height) {
  paperWidth_ = width;
  paperHeight_ = height;
  UpdateSize();
}

void TkvxReportPage::SetDefaults() {
  leftMargin_ = rightMargin_ = topMargin_ = bottomMargin_ = 10;
  orientation_ = poPortrait;
  SetPaperSize(9);
  UpdateSize();
}

void TkvxReportPage::SetColumns(Integer value) {
  // A script sets it past what a file may (a position per column is kept).
  value = std::min(value, kvxMaxColumns);
  columns_ = value;
  columnPositions_->Clear();
  if (value <= 0) return;
  columnWidth_ = (paperWidth_ - leftMargin_ - rightMargin_) / value;
  for (Integer i = 0; i < value; ++i) columnPositions_->Add(kvxFormatFloat(i * columnWidth_));
}

void TkvxReportPage::SetPageCount(Integer value) {
  if (value >= 1) pageCount_ = value;
}

void TkvxReportPage::SetDataSet(TkvxDataSet* value) {
  dataSet_ = value;
  dataSetName_ = value ? value->UserName() : String();
  if (value) FreeNotification(value);
}

void TkvxReportPage::Notification(TComponent* component, TOperation operation) {
  TkvxPage::Notification(component, operation);
  if (operation != opRemove) return;
  // The data set or subreport is being destroyed: compare addresses only.
  if (static_cast<TComponent*>(dataSet_) == component) dataSet_ = nullptr;
  if (static_cast<TComponent*>(SubReport) == component) SubReport = nullptr;
}

String TkvxReportPage::DataSetName() const { return dataSet_ ? dataSet_->UserName() : dataSetName_; }

void TkvxReportPage::SetDataSetName(const String& value) {
  dataSetName_ = value;
  if (TkvxReport* report = GetReport()) dataSet_ = report->FindDataSet(dataSet_, value);
  if (dataSet_) FreeNotification(dataSet_);
}

TkvxComponent* TkvxReportPage::FindBand(TClass bandClass) const {
  for (TkvxComponent* c : Objects())
    if (c->InheritsFrom(bandClass)) return c;
  return nullptr;
}

void TkvxReportPage::AlignChildren() {
  SetWidth((paperWidth_ - leftMargin_ - rightMargin_) * kvxPixelsPerMM);
  SetHeight((paperHeight_ - topMargin_ - bottomMargin_) * kvxPixelsPerMM);
  TkvxPage::AlignChildren();
  for (TkvxComponent* c : Objects()) {
    if (!c->IsBand()) continue;
    const TPropInfo* vertical = kvxFindProp(c->ClassType(), "Vertical");
    if (vertical && vertical->GetOrd(c) != 0) c->SetHeight(Height() - c->Top());
    else c->SetWidth(Width() - c->Left());
  }
}

TkvxDataPage::TkvxDataPage(TComponent* owner) : TkvxPage(owner) {
  SetWidth(1000);
  SetHeight(1000);
}

}  // namespace orv
