// One band of many memos prepared by the band engine: 5,000 and 20,000 memos in rows of four
// (a form printed as one band), each filled from an expression, laid out by who pushes whom down
// and written to the prepared pages. The work should grow with the memos: the benchmark prints
// the ratio of the times of the two sizes beside that of xmllint --noout reading the two report
// files in the same run, which grows with the file.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchTiming.h"
#include "platform/gui/Application.h"
#include "report/engine/PreviewPages.h"
#include "report/engine/tests/EngineObjects.h"
#include "report/model/Bands.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"
#include "report/model/Report.h"

using namespace orv;
using namespace orv::test;

namespace {

constexpr int kAcross = 4;

// A report of one endless page whose one band holds memos memos; saved to file for the peer.
std::unique_ptr<TkvxReport> MakeReport(int memos, const std::string& file) {
  auto report = std::make_unique<TkvxReport>(nullptr);
  report->EngineOptions()->NewSilentMode = simSilent;
  // The run itself: the report is not read back from its snapshot afterwards.
  report->EngineOptions()->DestroyForms = false;
  auto* page = new TkvxReportPage(report.get());
  page->SetName("Page1");
  page->SetEndlessHeight(true);
  auto* band = new TkvxMasterData(page);
  band->SetName("Form");
  band->SetRowCount(1);
  const int rows = (memos + kAcross - 1) / kAcross;
  band->SetBounds(0, 0, 700, 20.0 * rows);
  for (int i = 0; i < memos; ++i) {
    auto* memo = new TkvxMemoView(band);
    memo->SetName("Field" + std::to_string(i + 1));
    memo->SetBounds(175.0 * (i % kAcross), 20.0 * (i / kAcross), 170, 20);
    memo->SetText(kvxUtf8ToWide("ช่อง " + std::to_string(i + 1) + " [Line]"));
  }
  report->SaveToFile(file);
  return report;
}

struct TTimes {
  double Prepare = 0, Lint = 0;
  int Objects = 0;
};

TTimes Run(int memos, const std::filesystem::path& dir) {
  TTimes t;
  std::string file = (dir / ("form-" + std::to_string(memos) + ".xml")).string();
  auto report = MakeReport(memos, file);
  t.Prepare = Best(3, [&] {
    if (!report->PrepareReport()) std::fprintf(stderr, "%s", report->Errors->Text().c_str());
  });
  TkvxReportPage* prepared = report->PreviewPages->GetPage(0);
  if (prepared && !prepared->Objects().empty()) t.Objects = static_cast<int>(prepared->Objects()[0]->Objects().size());
  if (t.Objects != memos) std::fprintf(stderr, "the band came out with %d memos, not %d\n", t.Objects, memos);
  std::string lint = "xmllint --noout '" + file + "'";
  t.Lint = Best(3, [&] {
    if (std::system(lint.c_str()) != 0) std::fprintf(stderr, "xmllint failed on %s\n", file.c_str());
  });
  return t;
}

}  // namespace

int main() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize();
  RegisterEngineObjects();
  auto dir = BenchFolder("band-objects");
  std::printf("one band of memos in rows of %d prepared, against xmllint --noout reading its report file\n", kAcross);
  TTimes small = Run(5000, dir), large = Run(20000, dir);
  for (auto [memos, t] : {std::pair{5000, small}, std::pair{20000, large}})
    std::printf("%6d memos: prepared %.3f s   xmllint --noout %.3f s\n", memos, t.Prepare, t.Lint);
  std::printf("20,000 against 5,000 memos: %.2fx the time for 4x the memos (xmllint %.2fx)\n",
              small.Prepare > 0 ? large.Prepare / small.Prepare : 0.0, small.Lint > 0 ? large.Lint / small.Lint : 0.0);
  std::filesystem::remove_all(dir);
  return 0;
}
