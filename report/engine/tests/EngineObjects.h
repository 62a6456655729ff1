#pragma once
// Objects for running the band engine outside the register: a memo that fills its text from
// data, line numbers, page numbers and aggregates and wraps at fixed line heights, and rows of
// data in memory. The tests and the report benchmark use them.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "report/engine/Engine.h"
#include "report/model/WideStrings.h"

namespace orv::test {

// A text view: "[...]" parts stand for a field ("M.Name"), "Line", "Page#", "TotalPages#" or an
// aggregate call; each text line is LineHeight pixels high and parts split between lines.
class TEngineMemo : public TkvxStretcheable {
  ORV_CLASS(TEngineMemo, TkvxStretcheable)

 public:
  explicit TEngineMemo(TComponent* owner);
  void Draw(TCanvas*, Extended, Extended, Extended, Extended) override {}
  void BeforePrint() override;
  void GetData() override;
  void AfterPrint() override;
  Extended CalcHeight() override;
  void InitPart() override;
  Extended DrawPart() override;

  TWideStrings* Memo() const { return memo_.get(); }
  void SetMemo(TWideStrings* v) { memo_->Assign(v); }
  String Text() const;
  void SetText(const String& text);
  Extended LineHeight = 20;

 private:
  std::unique_ptr<TWideStrings> memo_;
  String saved_;
  std::vector<String> lines_;
  size_t partStart_ = 0;
};

// Rows held in memory; with Master set, only the rows whose MasterField equals the master's
// current KeyField.
class TRowsDataSet : public TkvxDataSet {
  ORV_CLASS(TRowsDataSet, TkvxDataSet)

 public:
  using TkvxDataSet::TkvxDataSet;
  void First() override;
  void Next() override { ++pos_; }
  void Prior() override { --pos_; }
  bool Eof() override { return pos_ >= visible_.size(); }
  Variant GetValue(const String& field) override;

  std::vector<std::map<String, Variant>> Rows;
  TRowsDataSet* Master = nullptr;
  String KeyField, MasterField;

 private:
  std::vector<size_t> visible_;
  size_t pos_ = 0;
};

// Registers the classes above, the model's and the engine, once.
void RegisterEngineObjects();

}  // namespace orv::test
