#pragma once
// Report objects that stand in for the report's view and band classes where the prepared
// pages are tested and fuzzed: a memo, a line, a picture view and bands.
#include <memory>

#include "platform/gui/Picture.h"
#include "report/model/Bands.h"
#include "report/model/ReportComponent.h"
#include "report/model/WideStrings.h"

namespace orv::test {

// A text object: recorded on prepared pages with all its properties, as memo views are.
class TStoreMemo : public TkvxReportComponent {
  ORV_CLASS(TStoreMemo, TkvxReportComponent)

 public:
  explicit TStoreMemo(TComponent* owner);
  // Writes its text at its place, one line per memo, as a memo view lays out a line.
  void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
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

// Registers the classes above for reading by name (and the model's own).
void RegisterStoreObjectClasses();

}  // namespace orv::test
