#pragma once
// Report objects the store's tests place on pages, standing in for the report's view and band
// classes, and a driver that feeds a store the way the band engine does.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/gui/Picture.h"
#include "report/engine/PreviewPages.h"
#include "report/model/ReportComponent.h"
#include "report/model/WideStrings.h"

namespace orv::test {

// A text object: recorded on prepared pages with all its properties, as memo views are.
class TStoreMemo : public TkvxReportComponent {
  ORV_CLASS(TStoreMemo, TkvxReportComponent)

 public:
  explicit TStoreMemo(TComponent* owner);
  void Draw(TCanvas*, Extended, Extended, Extended, Extended) override { ++Drawn; }
  TWideStrings* Memo() const { return memo_.get(); }
  void SetMemo(TWideStrings* v) { memo_->Assign(v); }
  TkvxDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TkvxDataSet* v) { dataSet_ = v; }
  const String& DataField() const { return dataField_; }
  void SetDataField(const String& v) { dataField_ = v; }
  String Text() const;
  void SetText(const String& text);
  int Drawn = 0;

 private:
  std::unique_ptr<TWideStrings> memo_;
  TkvxDataSet* dataSet_ = nullptr;
  String dataField_;
};

// A line: recorded by position and size only.
class TStoreLine : public TkvxReportComponent {
  ORV_CLASS(TStoreLine, TkvxReportComponent)

 public:
  using TkvxReportComponent::TkvxReportComponent;
  void Draw(TCanvas*, Extended, Extended, Extended, Extended) override {}
};

class TStorePicture : public TkvxReportComponent {
  ORV_CLASS(TStorePicture, TkvxReportComponent)

 public:
  explicit TStorePicture(TComponent* owner);
  void Draw(TCanvas*, Extended, Extended, Extended, Extended) override {}
  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(TPicture* v) { picture_->Assign(v); }
  Integer ImageIndex() const { return imageIndex_; }
  void SetImageIndex(Integer v) { imageIndex_ = v; }
  // Pages record which cached picture the view shows, as picture views do.
  String Diff(TkvxComponent* templ) override;

 private:
  std::unique_ptr<TPicture> picture_;
  Integer imageIndex_ = 0;
};

class TStoreBand : public TkvxReportComponent {
  ORV_CLASS(TStoreBand, TkvxReportComponent)

 public:
  using TkvxReportComponent::TkvxReportComponent;
  void Draw(TCanvas*, Extended, Extended, Extended, Extended) override {}
  bool IsBand() const override { return true; }
};

// Bands of the kinds the store treats apart, named as the report's band classes are.
class TkvxPageFooter : public TStoreBand {
  ORV_CLASS(TkvxPageFooter, TStoreBand)
 public:
  using TStoreBand::TStoreBand;
};
class TkvxPageHeader : public TStoreBand {
  ORV_CLASS(TkvxPageHeader, TStoreBand)
 public:
  using TStoreBand::TStoreBand;
};

// One Qt application, the test classes registered for reading by name.
void RegisterStoreClasses();

// A report with one page: a title band holding a memo and a line, and a data band holding a
// memo "Name" and a memo "No". Each added row moves the data band down; a page holds 20 rows.
struct TListReport {
  TListReport();
  ~TListReport();
  std::unique_ptr<TkvxReport> Report;
  TkvxReportPage* Page;
  TStoreBand* Title;
  TStoreBand* Data;
  TStoreMemo* Name;
  TStoreMemo* No;
  std::unique_ptr<TkvxPreviewPages> Pages;

  // Clear, Initialize, source pages, BeginPass: the start of a run.
  void Start();
  // One data row, on a new page every 20 rows.
  void AddRow(int row, const std::string& name);
  // rows rows, then Finish.
  void Run(int rows);
};

std::string SaveText(TkvxPreviewPages& pages);
void LoadText(TkvxPreviewPages& pages, const std::string& text);
// The memo of that name on a rebuilt page; nullptr when absent.
TStoreMemo* FindMemo(TkvxReportPage* page, const std::string& name, int occurrence = 0);
std::string Lint(const std::string& xml);
std::string TempFolder(const std::string& name);

}  // namespace orv::test
