// What a printed row costs in value lookups: a data field, a report variable that is itself an
// expression, and an IIF compiled into the report's script, each asked once per row as the band
// engine asks them. The peer is compiling the same IIF afresh for every row, which is what the
// expression cache saves.
#include <cstdio>

#include "bench/BenchTiming.h"
#include "platform/rtl/StringList.h"
#include "report/model/DataSets.h"
#include "report/model/Report.h"

using namespace orv;

int main() {
  TkvxReport report(nullptr);
  report.EngineOptions()->NewSilentMode = simSilent;
  auto* people = new TkvxUserDataSet(&report);
  people->SetName("People");
  TStringList fields;
  fields.SetText("Name\r\nAge");
  people->SetFields(&fields);
  int row = 0;
  people->OnGetValue = [&](const String& field, Variant& value) {
    value = field == "Age" ? Variant(row % 90) : Variant("สมชาย ใจดี");
  };
  report.DataSets->Add()->SetDataSet(people);
  report.Variables->SetVariable("Adult", "<People.\"Age\"> >= 18");
  if (!report.PrepareScript()) {
    std::fprintf(stderr, "script: %s\n", report.Errors->Text().c_str());
    return 1;
  }

  const int rows = 20000;
  long sink = 0;
  const double cached = Best(3, [&] {
    for (row = 0; row < rows; ++row) {
      sink += VarToStr(report.Calc("People.\"Name\"")).size();
      sink += report.Calc("Adult").ToBoolean();
      sink += VarToStr(report.Calc("IIF(<Adult>, 'ผู้ใหญ่', 'เด็ก')")).size();
    }
  });
  const int peerRows = 500;
  const double fresh = Best(3, [&] {
    for (row = 0; row < peerRows; ++row) {
      report.ExpressionCache->Clear();
      sink += VarToStr(report.Calc("IIF(<Adult>, 'ผู้ใหญ่', 'เด็ก')")).size();
    }
  });
  const double perRow = cached / rows;
  const double perFresh = fresh / peerRows;
  std::printf("rows %d: %.3f s, %.2f us per row (three lookups), %.1f ms per 1,000 rows\n", rows, cached,
              perRow * 1e6, perRow * 1e6);
  std::printf("compiling the IIF afresh each row: %.2f us per row; the cache is %.1fx faster\n", perFresh * 1e6,
              perFresh / perRow);
  return sink == 0;
}
