#include "report/model/Bands.h"

#include <cmath>

#include "platform/rtl/Conversions.h"

namespace orv {

namespace {

#define ORV_FIELD(T, field) [](T& o) { return o.field; }, [](T& o, decltype(T::field) v) { o.field = v; }

template <class T>
void AllowSplit(TClassBuilder<T>& c) {
  c.Prop("AllowSplit", &T::AllowSplit, &T::SetAllowSplit).Default(false);
}
template <class T>
void Child(TClassBuilder<T>& c) {
  c.Prop("Child", &T::Child, &T::SetChild);
}
template <class T>
void KeepChild(TClassBuilder<T>& c) {
  c.Prop("KeepChild", &T::KeepChild, &T::SetKeepChild).Default(false);
}
template <class T>
void PrintChildIfInvisible(TClassBuilder<T>& c) {
  c.Prop("PrintChildIfInvisible", &T::PrintChildIfInvisible, &T::SetPrintChildIfInvisible).Default(false);
}
template <class T>
void StartNewPage(TClassBuilder<T>& c) {
  c.Prop("StartNewPage", &T::StartNewPage, &T::SetStartNewPage).Default(false);
}
template <class T>
void Stretched(TClassBuilder<T>& c) {
  c.Prop("Stretched", &T::Stretched, &T::SetStretched).Default(false);
}
template <class T>
void OutlineText(TClassBuilder<T>& c) {
  c.Prop("OutlineText", &T::OutlineText, &T::SetOutlineText);
}
// The role properties of the report title, the summary and the child band.
template <class T>
void TitleLike(TClassBuilder<T>& c) {
  AllowSplit(c);
  Child(c);
  KeepChild(c);
  PrintChildIfInvisible(c);
  StartNewPage(c);
  Stretched(c);
}

}  // namespace

ORV_IMPLEMENT_CLASS(TkvxBand, c) {
  using T = TkvxBand;
  c.Prop("Font", &T::Font, &T::SetFont);
  c.Prop("Height", &T::Height, &T::SetHeight);
  c.Prop("Left", &T::Left, &T::SetLeft);
  c.Prop("ParentFont", &T::ParentFont, &T::SetParentFont).Default(true);
  c.Prop("Restrictions", &T::Restrictions, &T::SetRestrictions).Default(TkvxRestrictions());
  c.Prop("Top", &T::Top, &T::SetTop);
  c.Prop("Vertical", &T::Vertical, &T::SetVertical).Default(false);
  c.Prop("Visible", &T::Visible, &T::SetVisible).Default(true);
  c.Prop("Width", &T::Width, &T::SetWidth);
  c.Prop("OnAfterCalcHeight", ORV_FIELD(T, OnAfterCalcHeight));
  c.Prop("OnAfterPrint", ORV_FIELD(T, OnAfterPrint));
  c.Prop("OnBeforePrint", ORV_FIELD(T, OnBeforePrint));
}

ORV_IMPLEMENT_CLASS(TkvxReportTitle, c) { TitleLike(c); }
ORV_IMPLEMENT_CLASS(TkvxReportSummary, c) { TitleLike(c); }
ORV_IMPLEMENT_CLASS(TkvxChild, c) { TitleLike(c); }

ORV_IMPLEMENT_CLASS(TkvxPageHeader, c) {
  Child(c);
  PrintChildIfInvisible(c);
  c.Prop("PrintOnFirstPage", ORV_FIELD(TkvxPageHeader, PrintOnFirstPage)).Default(true);
  Stretched(c);
}

ORV_IMPLEMENT_CLASS(TkvxPageFooter, c) {
  c.Prop("PrintOnFirstPage", ORV_FIELD(TkvxPageFooter, PrintOnFirstPage)).Default(true);
  c.Prop("PrintOnLastPage", ORV_FIELD(TkvxPageFooter, PrintOnLastPage)).Default(true);
}

ORV_IMPLEMENT_CLASS(TkvxHeader, c) {
  AllowSplit(c);
  Child(c);
  KeepChild(c);
  PrintChildIfInvisible(c);
  c.Prop("ReprintOnNewPage", ORV_FIELD(TkvxHeader, ReprintOnNewPage)).Default(false);
  StartNewPage(c);
  Stretched(c);
}

ORV_IMPLEMENT_CLASS(TkvxFooter, c) {
  AllowSplit(c);
  Child(c);
  KeepChild(c);
  PrintChildIfInvisible(c);
  Stretched(c);
}

ORV_IMPLEMENT_CLASS(TkvxGroupHeader, c) {
  using T = TkvxGroupHeader;
  AllowSplit(c);
  Child(c);
  c.Prop("Condition", ORV_FIELD(T, Condition));
  c.Prop("DrillDown", ORV_FIELD(T, DrillDown)).Default(false);
  c.Prop("ExpandDrillDown", ORV_FIELD(T, ExpandDrillDown)).Default(false);
  KeepChild(c);
  c.Prop("KeepTogether", ORV_FIELD(T, KeepTogether)).Default(false);
  c.Prop("ReprintOnNewPage", ORV_FIELD(T, ReprintOnNewPage)).Default(false);
  OutlineText(c);
  PrintChildIfInvisible(c);
  c.Prop("ResetPageNumbers", ORV_FIELD(T, ResetPageNumbers)).Default(false);
  c.Prop("ShowFooterIfDrillDown", ORV_FIELD(T, ShowFooterIfDrillDown)).Default(false);
  StartNewPage(c);
  Stretched(c);
}

ORV_IMPLEMENT_CLASS(TkvxGroupFooter, c) {
  AllowSplit(c);
  Child(c);
  c.Prop("HideIfSingleDataRecord", ORV_FIELD(TkvxGroupFooter, HideIfSingleDataRecord)).Default(false);
  KeepChild(c);
  PrintChildIfInvisible(c);
  Stretched(c);
}

ORV_IMPLEMENT_CLASS(TkvxColumnHeader, c) {
  Child(c);
  Stretched(c);
}

ORV_IMPLEMENT_CLASS(TkvxColumnFooter, c) {}

ORV_IMPLEMENT_CLASS(TkvxOverlay, c) { c.Prop("PrintOnTop", ORV_FIELD(TkvxOverlay, PrintOnTop)).Default(false); }

ORV_IMPLEMENT_CLASS(TkvxNullBand, c) {}

ORV_IMPLEMENT_CLASS(TkvxDataBand, c) {
  using T = TkvxDataBand;
  AllowSplit(c);
  Child(c);
  c.Prop("Columns", ORV_FIELD(T, Columns)).Default(0);
  c.Prop("ColumnWidth", ORV_FIELD(T, ColumnWidth));
  c.Prop("ColumnGap", ORV_FIELD(T, ColumnGap));
  c.Prop("DataSet", &T::DataSet, &T::SetDataSet);
  c.Prop("DataSetName", &T::DataSetName, &T::SetDataSetName);
  c.Prop("FooterAfterEach", ORV_FIELD(T, FooterAfterEach)).Default(false);
  KeepChild(c);
  c.Prop("KeepFooter", ORV_FIELD(T, KeepFooter)).Default(false);
  c.Prop("KeepHeader", ORV_FIELD(T, KeepHeader)).Default(false);
  c.Prop("KeepTogether", ORV_FIELD(T, KeepTogether)).Default(false);
  OutlineText(c);
  PrintChildIfInvisible(c);
  c.Prop("PrintIfDetailEmpty", ORV_FIELD(T, PrintIfDetailEmpty)).Default(false);
  c.Prop("RowCount", &T::RowCount, &T::SetRowCount).Default(0);
  StartNewPage(c);
  Stretched(c);
  c.Prop("OnMasterDetail", ORV_FIELD(T, OnMasterDetail));
}

ORV_IMPLEMENT_CLASS(TkvxMasterData, c) {}
ORV_IMPLEMENT_CLASS(TkvxDetailData, c) {}
ORV_IMPLEMENT_CLASS(TkvxSubdetailData, c) {}
ORV_IMPLEMENT_CLASS(TkvxDataBand4, c) {}
ORV_IMPLEMENT_CLASS(TkvxDataBand5, c) {}
ORV_IMPLEMENT_CLASS(TkvxDataBand6, c) {}

ORV_IMPLEMENT_CLASS(TkvxSubreport, c) {
  c.Prop("Page", &TkvxSubreport::Page, &TkvxSubreport::SetPage);
  c.Prop("PrintOnParent", ORV_FIELD(TkvxSubreport, PrintOnParent)).Default(false);
}

const std::vector<TClass>& kvxBandClasses() {
  static const std::vector<TClass> classes{
      TkvxReportTitle::StaticClass(),   TkvxReportSummary::StaticClass(), TkvxPageHeader::StaticClass(),
      TkvxPageFooter::StaticClass(),    TkvxHeader::StaticClass(),        TkvxFooter::StaticClass(),
      TkvxMasterData::StaticClass(),    TkvxDetailData::StaticClass(),    TkvxSubdetailData::StaticClass(),
      TkvxDataBand4::StaticClass(),     TkvxDataBand5::StaticClass(),     TkvxDataBand6::StaticClass(),
      TkvxGroupHeader::StaticClass(),   TkvxGroupFooter::StaticClass(),   TkvxChild::StaticClass(),
      TkvxColumnHeader::StaticClass(),  TkvxColumnFooter::StaticClass(),  TkvxOverlay::StaticClass()};
  return classes;
}

TkvxBand::TkvxBand(TComponent* owner) : TkvxReportComponent(owner) {}

Integer TkvxBand::GetBandNumber() const {
  Integer number = 0;
  const auto& classes = kvxBandClasses();
  for (size_t i = 0; i < classes.size(); ++i)
    if (InheritsFrom(classes[i])) number = static_cast<Integer>(i);
  return number;
}

void TkvxBand::SetChild(TkvxChild* value) {
  for (TkvxBand* b = value; b; b = b->Child())
    if (b == this) throw EComponentError("Circular child reference is not allowed");
  child_ = value;
  if (value) FreeNotification(value);
}

void TkvxBand::Notification(TComponent* component, TOperation operation) {
  TkvxReportComponent::Notification(component, operation);
  // The band is being destroyed: compare addresses only.
  if (operation == opRemove && component == static_cast<TComponent*>(child_)) child_ = nullptr;
}

String TkvxGroupHeader::Diff(TkvxComponent* templ) {
  String out = TkvxBand::Diff(templ);
  if (DrillDown) out += " Tag=\"" + IntToStr(DrillDownGroup) + "\"";
  return out;
}

TkvxDataBand::TkvxDataBand(TComponent* owner) : TkvxBand(owner) {}

TkvxDataBand::~TkvxDataBand() = default;

void TkvxDataBand::SetDataSet(TkvxDataSet* value) {
  dataSet_ = value;
  dataSetName_ = value ? value->UserName() : String();
  if (value) FreeNotification(value);
}

String TkvxDataBand::DataSetName() const { return dataSet_ ? dataSet_->UserName() : dataSetName_; }

void TkvxDataBand::SetDataSetName(const String& value) {
  dataSetName_ = value;
  dataSet_ = FindDataSet(dataSet_, value);
  if (dataSet_) FreeNotification(dataSet_);
}

void TkvxDataBand::Notification(TComponent* component, TOperation operation) {
  TkvxBand::Notification(component, operation);
  if (operation == opRemove && component == static_cast<TComponent*>(dataSet_)) dataSet_ = nullptr;
}

void TkvxDataBand::SetRowCount(Integer value) {
  rowCount_ = value;
  if (virtualDataSet_) virtualDataSet_->SetRangeEndCount(value);
}

TkvxUserDataSet* TkvxDataBand::VirtualDataSet() const {
  if (!virtualDataSet_) {
    virtualDataSet_ = std::make_unique<TkvxUserDataSet>(nullptr);
    virtualDataSet_->SetRangeEnd(reCount);
    virtualDataSet_->SetRangeEndCount(rowCount_);
  }
  return virtualDataSet_.get();
}

void TkvxDataBand::SetCurColumn(Integer value) {
  if (value > Columns) value = 1;
  curColumn_ = value;
  if (value == 1) CurColumnX = 0;
  SetLeft((value - 1) * (ColumnWidth + ColumnGap));
}

TkvxSubreport::TkvxSubreport(TComponent* owner) : TkvxView(owner) {
  Traits &= ~otInPreparedPages;
  Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
  TFont font;
  font.SetName("Tahoma");
  font.SetSize(8);
  SetFont(&font);
  SetColor(clSilver);
}

TkvxSubreport::~TkvxSubreport() = default;

void TkvxSubreport::SetPage(TkvxReportPage* value) {
  if (page_ && page_->SubReport == this) page_->SubReport = nullptr;
  page_ = value;
  if (page_) {
    page_->SubReport = this;
    // Page and subreport each hear of the other's end; several subreports may name one page.
    FreeNotification(page_);
  }
}

void TkvxSubreport::Notification(TComponent* component, TOperation operation) {
  TkvxView::Notification(component, operation);
  // The page is being destroyed: compare addresses only.
  if (operation == opRemove && component == static_cast<TComponent*>(page_)) page_ = nullptr;
}

void TkvxSubreport::Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) {
  TkvxView::Draw(canvas, scaleX, scaleY, offsetX, offsetY);
  canvas->Font().Assign(Font());
  canvas->Brush().SetStyle(bsClear);
  canvas->TextOut(X + 2, Y + 2, Name());
}

}  // namespace orv
