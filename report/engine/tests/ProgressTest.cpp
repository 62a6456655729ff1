// How far a run, a print and an export have come, as the report's progress events and its
// progress window tell it, and the window's Cancel: a cancelled print sends nothing to the
// private CUPS server, a cancelled export leaves no PDF and an older one as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/gui/Screen.h"
#include "report/engine/Printers.h"
#include "report/engine/tests/PrintTesting.h"
#include "report/engine/tests/StoreTestSupport.h"
#include "report/model/ProgressWindow.h"
#include "report/pdf/PdfExport.h"

namespace orv::test {
namespace {

using namespace orv::testing;

// The progress window on the screen; nullptr when none shows.
TkvxProgress* ProgressWindow() {
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (auto* window = dynamic_cast<TkvxProgress*>(Screen->Forms(i)); window && window->Visible()) return window;
  return nullptr;
}

// Writes down every progress event of the report as "start:kind", "kind:n" and "stop:kind", and
// what the progress window says at each step.
struct TProgressLog {
  explicit TProgressLog(TkvxReport& report) {
    auto kind = [](TkvxProgressType t) { return t == ptRunning ? "run" : t == ptPrinting ? "print" : "export"; };
    report.OnProgressStart = [this, kind](TkvxReport*, TkvxProgressType t, Integer) {
      Events += std::string("start:") + kind(t) + " ";
    };
    report.OnProgress = [this, kind](TkvxReport*, TkvxProgressType t, Integer n) {
      Events += std::string(kind(t)) + ":" + std::to_string(n) + " ";
      TkvxProgress* window = ProgressWindow();
      Windows += window ? "window " : "none ";
      // The user presses Cancel while the window shows the page asked for.
      if (window && n == CancelAt) window->CancelB->Click();
    };
    report.OnProgressStop = [this, kind](TkvxReport*, TkvxProgressType t, Integer) {
      Events += std::string("stop:") + kind(t) + " ";
    };
  }
  void Clear() {
    Events.clear();
    Windows.clear();
  }
  std::string Events, Windows;
  Integer CancelAt = -1;
};

// Three pages (rows 1-20, 21-40, 41-45).
struct TProgressList : TListReport {
  TProgressList() : Log(*Report) { Run(45); }
  TProgressLog Log;
};

TEST(Progress, ARunTellsTheReportOfEveryPageWithoutAWindow) {
  TProgressList list;
  EXPECT_EQ(list.Log.Events, "start:run run:1 run:2 run:3 stop:run ");
  // The preview shows how far a run has come; a window of its own only in the old style.
  EXPECT_EQ(list.Log.Windows, "none none none ");
  list.Log.Clear();
  list.Report->SetOldStyleProgress(true);
  list.Run(45);
  EXPECT_EQ(list.Log.Windows, "window window window ");
  EXPECT_EQ(ProgressWindow(), nullptr) << "the window goes with the run";
  // The quiet switch silences all of it.
  list.Log.Events.clear();
  list.Report->EngineOptions()->EnabledLock = true;
  list.Run(45);
  EXPECT_EQ(list.Log.Events, "");
}

TEST(Progress, PrintingShowsItsWindowAndItsCancelSendsNothing) {
  TProgressList list;
  TCupsServer server = UseTestServer();
  TkvxPrintOptions* o = list.Report->PrintOptions();
  o->ShowDialog = false;
  o->Printer = "PdfQ";
  list.Report->ReportOptions()->Name = "progress whole";
  list.Log.Clear();
  ASSERT_TRUE(list.Pages->Print());
  EXPECT_EQ(list.Log.Events, "start:print print:1 print:2 print:3 stop:print ");
  EXPECT_EQ(list.Log.Windows, "window window window ");
  EXPECT_TRUE(FindJob(server, "progress whole").Arrived);

  // Cancel on the last page still withdraws the job; so does one on the first.
  for (Integer at : {3, 1}) {
    list.Log.Events.clear();
    list.Log.CancelAt = at;
    list.Report->ReportOptions()->Name = "progress cancelled " + std::to_string(at);
    EXPECT_FALSE(list.Pages->Print());
    EXPECT_EQ(ProgressWindow(), nullptr);
    EXPECT_EQ(list.Log.Events.substr(list.Log.Events.size() - 11), "stop:print ");
    EXPECT_FALSE(kvxPrinters()->Printer()->Printing());
  }
  EXPECT_EQ(list.Log.Events, "start:print print:1 stop:print ");
  // A job printed afterwards arrives; nothing of the cancelled ones came before it.
  list.Log.CancelAt = -1;
  list.Report->ReportOptions()->Name = "progress after";
  ASSERT_TRUE(list.Pages->Print());
  ASSERT_TRUE(FindJob(server, "progress after").Arrived);
  for (auto& e : std::filesystem::directory_iterator(server.Tree + "/out"))
    if (e.path().extension() == ".args") {
      EXPECT_EQ(ReadFile(e.path()).find("title=progress cancelled"), std::string::npos);
    }
}

TEST(Progress, ExportingShowsItsWindowAndItsCancelWritesNothing) {
  TProgressList list;
  list.Report->EngineOptions()->NewSilentMode = simSilent;
  std::string folder = TempFolder("progress-export");
  std::string whole = folder + "/whole.pdf", cancelled = folder + "/cancelled.pdf", older = folder + "/older.pdf";
  for (const std::string& f : {whole, cancelled}) std::filesystem::remove(f);
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(whole);
  list.Log.Clear();
  ASSERT_TRUE(list.Pages->Export(&pdf));
  EXPECT_EQ(list.Log.Events, "start:export export:1 export:2 export:3 stop:export ");
  EXPECT_EQ(list.Log.Windows, "window window window ");
  EXPECT_EQ(PdfPageSizes(whole).size(), 3u);

  list.Log.Events.clear();
  list.Log.CancelAt = 2;
  pdf.SetFileName(cancelled);
  EXPECT_FALSE(list.Pages->Export(&pdf));
  EXPECT_EQ(list.Log.Events, "start:export export:1 export:2 stop:export ");
  EXPECT_FALSE(std::filesystem::exists(cancelled));
  EXPECT_EQ(ProgressWindow(), nullptr);
  // Over an older file, a cancelled export leaves it as it was.
  std::filesystem::copy_file(whole, older, std::filesystem::copy_options::overwrite_existing);
  pdf.SetFileName(older);
  EXPECT_FALSE(list.Pages->Export(&pdf));
  EXPECT_EQ(ReadFile(older), ReadFile(whole));
  // A cancel after the last page loses nothing: the export is whole.
  list.Log.CancelAt = 3;
  pdf.SetFileName(cancelled);
  EXPECT_TRUE(list.Pages->Export(&pdf));
  EXPECT_EQ(PdfPageSizes(cancelled).size(), 3u);
}

}  // namespace
}  // namespace orv::test
