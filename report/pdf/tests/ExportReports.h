#pragma once
// Small prepared reports that the export tests hand to the PDF filter.
#include <memory>

#include "report/model/Pages.h"
#include "report/model/Report.h"

namespace orv {
class TkvxBand;
class TkvxMemoView;
class TkvxUserDataSet;
}  // namespace orv

namespace orv::testing {

// A report of one page paperHeight mm high with equal margins, not yet prepared.
std::unique_ptr<TkvxReport> NewReport(Extended paperHeight, Extended margin);
TkvxReportPage* FirstPage(TkvxReport& report);

template <class T>
T* Add(TComponent* owner, const String& name, Extended left, Extended top, Extended width, Extended height) {
  auto* obj = new T(owner);
  obj->SetName(name);
  obj->SetBounds(left, top, width, height);
  return obj;
}

// A memo of the band in Tahoma 10, as high as its text.
TkvxMemoView* AddMemo(TkvxBand* band, const char* name, Extended left, Extended width, const WideString& text);
// A data set of count empty rows.
TkvxUserDataSet* AddRows(TkvxReport& report, const char* name, int count);

// A list of 40 rows, 30 pixels each, on pages 100 mm high: four pages, each one bookmark.
std::unique_ptr<TkvxReport> ListReport();

}  // namespace orv::testing
