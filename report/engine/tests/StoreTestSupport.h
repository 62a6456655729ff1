#pragma once
// A driver that feeds a store the way the band engine does, and helpers of the store's tests.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "report/engine/PreviewPages.h"
#include "report/engine/tests/StoreObjects.h"

namespace orv::test {

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
