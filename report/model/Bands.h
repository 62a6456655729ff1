#pragma once
// Bands: the horizontal strips of a report page, each named for the role the engine gives it
// (title, summary, page and column headers and footers, data at six levels, group headers and
// footers, child and overlay bands), and the subreport, a view that stands for a further page.
#include <memory>

#include "report/model/DataSets.h"
#include "report/model/Pages.h"
#include "report/model/View.h"

namespace orv {

class TkvxChild;

class TkvxBand : public TkvxReportComponent {
  ORV_CLASS(TkvxBand, TkvxReportComponent)

 public:
  explicit TkvxBand(TComponent* owner);
  String GetDescription() const override { return "obBand"; }
  bool IsBand() const override { return true; }
  // Bands draw nothing of their own.
  void Draw(TCanvas*, Extended, Extended, Extended, Extended) override {}
  // The band's place in kvxBandClasses: the last class of the table it inherits from, 0 for none.
  Integer GetBandNumber() const;

  bool AllowSplit() const { return allowSplit_; }
  void SetAllowSplit(bool v) { allowSplit_ = v; }
  TkvxChild* Child() const { return child_; }
  // "Circular child reference is not allowed" when the chain of children leads back here.
  void SetChild(TkvxChild* value);
  bool KeepChild() const { return keepChild_; }
  void SetKeepChild(bool v) { keepChild_ = v; }
  const String& OutlineText() const { return outlineText_; }
  void SetOutlineText(const String& v) { outlineText_ = v; }
  bool StartNewPage() const { return startNewPage_; }
  void SetStartNewPage(bool v) { startNewPage_ = v; }
  bool Stretched() const { return stretched_; }
  void SetStretched(bool v) { stretched_ = v; }
  bool PrintChildIfInvisible() const { return printChildIfInvisible_; }
  void SetPrintChildIfInvisible(bool v) { printChildIfInvisible_ = v; }
  bool Vertical() const { return vertical_; }
  void SetVertical(bool v) { vertical_ = v; }
  // Names of script procedures.
  String OnAfterCalcHeight, OnAfterPrint, OnBeforePrint;

  // The engine's list of objects and its index while a report runs.
  std::vector<TkvxComponent*> EngineObjects;
  Integer EngineIndex = -1;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  bool allowSplit_ = false;
  TkvxChild* child_ = nullptr;
  bool keepChild_ = false;
  String outlineText_;
  bool startNewPage_ = false;
  bool stretched_ = false;
  bool printChildIfInvisible_ = false;
  bool vertical_ = false;
};

#define ORV_BAND_CLASS(Name, Base)                          \
  class Name : public Base {                                \
    ORV_CLASS(Name, Base)                                   \
                                                            \
   public:                                                  \
    explicit Name(TComponent* owner) : Base(owner) {}       \
  }

ORV_BAND_CLASS(TkvxReportTitle, TkvxBand);
ORV_BAND_CLASS(TkvxReportSummary, TkvxBand);
ORV_BAND_CLASS(TkvxFooter, TkvxBand);
ORV_BAND_CLASS(TkvxChild, TkvxBand);
ORV_BAND_CLASS(TkvxColumnHeader, TkvxBand);
ORV_BAND_CLASS(TkvxColumnFooter, TkvxBand);
ORV_BAND_CLASS(TkvxNullBand, TkvxBand);

class TkvxPageHeader : public TkvxBand {
  ORV_CLASS(TkvxPageHeader, TkvxBand)

 public:
  explicit TkvxPageHeader(TComponent* owner) : TkvxBand(owner) {}
  bool PrintOnFirstPage = true;
};

class TkvxPageFooter : public TkvxBand {
  ORV_CLASS(TkvxPageFooter, TkvxBand)

 public:
  explicit TkvxPageFooter(TComponent* owner) : TkvxBand(owner) {}
  bool PrintOnFirstPage = true;
  bool PrintOnLastPage = true;
};

class TkvxHeader : public TkvxBand {
  ORV_CLASS(TkvxHeader, TkvxBand)

 public:
  explicit TkvxHeader(TComponent* owner) : TkvxBand(owner) {}
  bool ReprintOnNewPage = false;
};

class TkvxOverlay : public TkvxBand {
  ORV_CLASS(TkvxOverlay, TkvxBand)

 public:
  explicit TkvxOverlay(TComponent* owner) : TkvxBand(owner) {}
  bool PrintOnTop = false;
};

class TkvxGroupFooter : public TkvxBand {
  ORV_CLASS(TkvxGroupFooter, TkvxBand)

 public:
  explicit TkvxGroupFooter(TComponent* owner) : TkvxBand(owner) {}
  bool HideIfSingleDataRecord = false;
};

class TkvxGroupHeader : public TkvxBand {
  ORV_CLASS(TkvxGroupHeader, TkvxBand)

 public:
  explicit TkvxGroupHeader(TComponent* owner) : TkvxBand(owner) {}
  // With DrillDown, the group number the engine keeps here goes into the diff as "Tag".
  String Diff(TkvxComponent* templ) override;

  String Condition;
  bool DrillDown = false;
  bool ExpandDrillDown = false;
  bool KeepTogether = false;
  bool ReprintOnNewPage = false;
  bool ResetPageNumbers = false;
  bool ShowFooterIfDrillDown = false;
  // Kept by the engine while it runs: the value of the condition and the group number.
  Variant LastValue;
  Integer DrillDownGroup = 0;
};

class TkvxDataBand : public TkvxBand {
  ORV_CLASS(TkvxDataBand, TkvxBand)

 public:
  explicit TkvxDataBand(TComponent* owner);
  ~TkvxDataBand() override;
  String GetDescription() const override { return "obDataBand"; }

  Extended ColumnGap = 0;
  Extended ColumnWidth = 0;
  Integer Columns = 0;
  bool FooterAfterEach = false;
  bool KeepFooter = false;
  bool KeepHeader = false;
  bool KeepTogether = false;
  bool PrintIfDetailEmpty = false;
  String OnMasterDetail;

  TkvxDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TkvxDataSet* value);
  String DataSetName() const;
  void SetDataSetName(const String& value);
  Integer RowCount() const { return rowCount_; }
  // A band without a data set yields this many records through its own counting data set.
  void SetRowCount(Integer value);
  TkvxUserDataSet* VirtualDataSet() const;
  Integer CurColumn() const { return curColumn_; }
  // Columns beyond Columns wrap to the first; the band moves to its column.
  void SetCurColumn(Integer value);
  // The horizontal position the engine keeps for the current column.
  Extended CurColumnX = 0;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TkvxDataSet* dataSet_ = nullptr;
  String dataSetName_;
  Integer rowCount_ = 0;
  Integer curColumn_ = 0;
  // Made when first asked for: a band of a data set never needs it, and prepared pages rebuild
  // a copy of the band for every row they show.
  mutable std::unique_ptr<TkvxUserDataSet> virtualDataSet_;
};

ORV_BAND_CLASS(TkvxMasterData, TkvxDataBand);
ORV_BAND_CLASS(TkvxDetailData, TkvxDataBand);
ORV_BAND_CLASS(TkvxSubdetailData, TkvxDataBand);
ORV_BAND_CLASS(TkvxDataBand4, TkvxDataBand);
ORV_BAND_CLASS(TkvxDataBand5, TkvxDataBand);
ORV_BAND_CLASS(TkvxDataBand6, TkvxDataBand);

#undef ORV_BAND_CLASS

// The band classes in the order of their band numbers.
const std::vector<TClass>& kvxBandClasses();

// A view that stands for a whole further page printed in its place.
class TkvxSubreport : public TkvxView {
  ORV_CLASS(TkvxSubreport, TkvxView)

 public:
  explicit TkvxSubreport(TComponent* owner);
  ~TkvxSubreport() override;
  String GetDescription() const override { return "obSubRep"; }
  // The view, then the subreport's name.
  void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;

  TkvxReportPage* Page() const { return page_; }
  // The page points back to the subreport.
  void SetPage(TkvxReportPage* value);
  bool PrintOnParent = false;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TkvxReportPage* page_ = nullptr;
};

}  // namespace orv
