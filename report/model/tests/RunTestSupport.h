#pragma once
// A stand-in for the band engine and the prepared-page store: enough of a run to drive the
// report's lookup, script events, progress and error collection from the outside, and enough
// of a prepared report for the print dialog's page choices.
#include <functional>
#include <vector>

#include "report/model/Report.h"

namespace orv::test {

class TTestEngine : public TkvxCustomEngine {
 public:
  using TkvxCustomEngine::TkvxCustomEngine;

  void EndPage() override {}
  void NewColumn() override {}
  void NewPage() override {}
  void ShowBand(TkvxBand*) override {}
  void ShowBandByClass(TClass) override {}
  Extended HeaderHeight() override { return 0; }
  Extended FooterHeight() override { return 0; }
  Extended FreeSpace() override { return 0; }
  Variant GetAggregateValue(const String& name, const String& expression, TkvxBand* band, Integer flags) override;
  // Start date and time, data sets initialized, OnStartReport, one row of PerRow for each record
  // of the report's data set (or one call without one), OnStopReport, data sets finalized.
  bool Run() override;

  struct TAggregateCall {
    String Name, Expression;
    TkvxBand* Band;
    Integer Flags;
  };
  std::vector<TAggregateCall> Aggregates;
  std::function<void()> PerRow;
  bool Result = true;
  int Runs = 0;
};

class TTestPages : public TkvxCustomPreviewPages {
 public:
  using TkvxCustomPreviewPages::TkvxCustomPreviewPages;
  Integer GetCount() override { return Count; }
  TkvxReportPage* GetPage(Integer) override { return nullptr; }
  TPoint GetPageSize(Integer) override { return {}; }
  void Clear() override { ++Clears; }
  void Initialize() override {}
  void AddObject(TkvxComponent*) override {}
  void AddPage(TkvxReportPage*) override {}
  void AddSourcePage(TkvxReportPage*) override {}
  void AddToSourcePage(TkvxComponent*) override {}
  void BeginPass() override {}
  void ClearFirstPass() override {}
  void CutObjects(Integer) override {}
  void Finish() override {}
  void IncLogicalPageNumber() override {}
  void ResetLogicalPageNumber() override {}
  void PasteObjects(Extended, Extended) override {}
  void ShiftAnchors(Integer, Integer) override {}
  void AddPicture(TkvxComponent*) override {}
  bool BandExists(TkvxComponent*) override { return false; }
  Integer GetCurPosition() override { return 0; }
  Integer GetAnchorCur() override { return 0; }
  void AddAnchor(const String& text) override { Anchors.push_back(text); }
  Integer GetAnchorPage(const String& text) override {
    for (size_t i = Anchors.size(); i-- > 0;)
      if (Anchors[i] == text) return static_cast<Integer>(i) + 2;
    return 1;
  }
  Extended GetLastY(Extended) override { return 0; }
  Integer GetLogicalPageNo() override { return LogicalPage; }
  Integer GetLogicalTotalPages() override { return LogicalTotal; }
  void AddEmptyPage(Integer) override {}
  void DeletePage(Integer) override {}
  void ModifyPage(Integer, TkvxReportPage*) override {}
  void DrawPage(Integer, TCanvas*, Extended, Extended, Extended, Extended) override {}
  void ObjectOver(Integer, Integer, Integer, TMouseButton, TShiftState, Extended, Extended, Extended, bool,
                  TCursor&, bool) override {}
  void AddFrom(TkvxReport*) override {}
  void LoadFromStream(TStream&) override {}
  void SaveToStream(TStream&) override {}
  bool LoadFromFile(const String&) override { return false; }
  void SaveToFile(const String&) override {}
  bool Print() override { return false; }
  bool Export(TkvxCustomExportFilter*) override { return false; }

  Integer Count = 0;
  Integer LogicalPage = 0;
  Integer LogicalTotal = 0;
  int Clears = 0;
  std::vector<String> Anchors;
};

// A quiet report (see QuietReport) with a test engine and test pages.
std::unique_ptr<TkvxReport> RunnableReport();
TTestEngine& EngineOf(TkvxReport& report);
TTestPages& PagesOf(TkvxReport& report);

}  // namespace orv::test
