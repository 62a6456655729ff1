#pragma once
// Objects for running the band engine outside the register: rows of data in memory, and the
// registration of the classes a run needs. The tests and the report benchmark use them.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "report/engine/Engine.h"

namespace orv::test {

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

// Registers the model's classes and the engine, once.
void RegisterEngineObjects();

}  // namespace orv::test
