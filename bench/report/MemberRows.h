#pragma once
// The member list row both prepared-page benchmarks write: a data band of five memos and the
// Thai text of row r, so that their page counts and timings describe the same pages.
#include <array>
#include <string>

#include "report/engine/tests/StoreObjects.h"

namespace orv::test {

struct TMemberRow {
  TStoreBand* Band;
  std::array<TStoreMemo*, 5> Memos;
};

inline TMemberRow AddMemberRow(TkvxReportPage* page, Integer top) {
  TMemberRow row{new TStoreBand(page), {}};
  row.Band->SetName("Data");
  row.Band->SetBounds(0, top, 700, 20);
  const char* names[] = {"No", "Name", "Surname", "Address", "Phone"};
  for (int i = 0; i < 5; ++i) {
    row.Memos[i] = new TStoreMemo(row.Band);
    row.Memos[i]->SetName(names[i]);
    row.Memos[i]->SetBounds(i * 140, 0, 135, 20);
  }
  return row;
}

inline void FillMemberRow(const TMemberRow& row, int r) {
  row.Memos[0]->SetText(std::to_string(r + 1));
  row.Memos[1]->SetText("สมชาย " + std::to_string(r));
  row.Memos[2]->SetText("ใจดี");
  row.Memos[3]->SetText(std::to_string(r % 300) + " หมู่ 4 ต.บ้านแพ้ว");
  row.Memos[4]->SetText("08" + std::to_string(10000000 + r));
}

}  // namespace orv::test
