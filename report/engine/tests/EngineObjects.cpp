#include "report/engine/tests/EngineObjects.h"

#include <cstdlib>

#include "platform/gui/Application.h"
#include "report/model/Report.h"

namespace orv {

using test::TRowsDataSet;

ORV_IMPLEMENT_CLASS(TRowsDataSet, c) {}

namespace test {

void TRowsDataSet::First() {
  visible_.clear();
  for (size_t i = 0; i < Rows.size(); ++i)
    if (!Master || Rows[i][MasterField] == Master->GetValue(KeyField)) visible_.push_back(i);
  pos_ = 0;
}

Variant TRowsDataSet::GetValue(const String& field) {
  if (pos_ >= visible_.size()) return Variant::MakeNull();
  auto& row = Rows[visible_[pos_]];
  auto it = row.find(field);
  return it == row.end() ? Variant::MakeNull() : it->second;
}

void RegisterEngineObjects() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize();
  kvxRegisterModelClasses();
  kvxRegisterEngine();
}

}  // namespace test
}  // namespace orv
