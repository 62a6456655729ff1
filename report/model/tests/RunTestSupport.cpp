#include "report/model/tests/RunTestSupport.h"

#include "report/model/tests/ModelTestSupport.h"

namespace orv::test {

Variant TTestEngine::GetAggregateValue(const String& name, const String& expression, TkvxBand* band,
                                       Integer flags) {
  Aggregates.push_back({name, expression, band, flags});
  return Variant(42);
}

bool TTestEngine::Run() {
  ++Runs;
  StartDate = 46000;
  StartTime = 0.5;
  Running = true;
  FinalPass = true;
  Report->DataSets->Initialize();
  try {
    Report->DoNotifyEvent(Report, Report->OnStartReport);
    Report->DoProgressStart(ptRunning);
    if (TkvxDataSet* ds = Report->DataSet()) {
      CurLine = 0;
      for (ds->First(); !ds->Eof(); ds->Next()) {
        ++CurLine;
        ++CurLineThrough;
        if (PerRow) PerRow();
      }
    } else if (PerRow) {
      PerRow();
    }
    Report->DoProgress(ptRunning, 1);
    Report->DoProgressStop(ptRunning);
    Report->DoNotifyEvent(Report, Report->OnStopReport);
  } catch (...) {
    Report->DataSets->Finalize();
    Running = false;
    throw;
  }
  Report->DataSets->Finalize();
  Running = false;
  return Result;
}

std::unique_ptr<TkvxReport> RunnableReport() {
  auto saved = TkvxReport::MakeEngine;
  TkvxReport::MakeEngine = [](TkvxReport& report, std::unique_ptr<TkvxCustomEngine>& engine,
                              std::unique_ptr<TkvxCustomPreviewPages>& pages) {
    pages = std::make_unique<TTestPages>(&report);
    engine = std::make_unique<TTestEngine>(&report);
    engine->PreviewPages = pages.get();
    pages->Engine = engine.get();
  };
  auto report = QuietReport();
  TkvxReport::MakeEngine = saved;
  return report;
}

TTestEngine& EngineOf(TkvxReport& report) { return static_cast<TTestEngine&>(*report.Engine); }
TTestPages& PagesOf(TkvxReport& report) { return static_cast<TTestPages&>(*report.PreviewPages); }

}  // namespace orv::test
