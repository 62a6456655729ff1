#pragma once
// Reports built in code for the engine's tests, and the prepared pages read back from the file
// they save.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "report/engine/tests/EngineObjects.h"
#include "report/model/MemoView.h"

namespace orv::test {

// A report with one page of PaperHeight millimetres and no margins.
struct TEngineReport {
  explicit TEngineReport(Extended paperHeight = 100);
  ~TEngineReport();
  template <class T>
  T* Band(const String& name, Extended top, Extended height) {
    auto* band = new T(Page);
    band->SetName(name);
    band->SetBounds(0, top, 700, height);
    return band;
  }
  // The register's own memo, filled by the report's expressions and script.
  TkvxMemoView* MemoView(TkvxBand* band, const String& name, const String& text, Extended height = 20);
  TRowsDataSet* Data(const String& alias, std::vector<std::map<String, Variant>> rows);
  // Prepares, saves, loads and saves again (both saves must match); the texts of each page.
  std::vector<std::vector<std::string>> Run(bool expectSuccess = true);
  TkvxPreviewPages& Pages() { return *static_cast<TkvxPreviewPages*>(Report->PreviewPages); }

  std::unique_ptr<TkvxReport> Report;
  TkvxReportPage* Page;
  std::vector<std::unique_ptr<TRowsDataSet>> Sets;
  int MemoCount = 0;
};

// The text of a prepared memo; none for other objects.
std::optional<std::string> MemoText(TkvxComponent* obj);
// The memo texts of a prepared page in the order of its bands and their objects.
std::vector<std::string> PageTexts(TkvxReportPage* page);

}  // namespace orv::test
