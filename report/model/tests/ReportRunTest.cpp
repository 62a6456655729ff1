// A report run from the outside: the data-set check, the script and its events, the snapshot
// that undoes what the run changed, the one report of all errors in each silent mode, and a
// report over a query of the demo parish.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/DemoParish.h"
#include "platform/db/ADODB.h"
#include "platform/gui/Application.h"
#include "platform/gui/ScriptedDialogService.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/DBDataset.h"
#include "report/model/View.h"
#include "report/model/Resources.h"
#include "report/model/tests/ModelTestSupport.h"
#include "report/model/tests/RunTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

// A view that refuses to be read while Refuse is set: a snapshot that cannot be read back.
class TFragileView : public TTestMemo {
  ORV_CLASS(TFragileView, TTestMemo)

 public:
  using TTestMemo::TTestMemo;
  static inline bool Refuse = false;
  Integer Level() const { return level_; }
  void SetLevel(Integer v) {
    if (Refuse) throw Exception("the view refuses to be read");
    level_ = v;
  }

 private:
  Integer level_ = 0;
};

// A preview control that writes down what the report asks of it.
class TLogPreview : public TkvxCustomPreview {
 public:
  using TkvxCustomPreview::TkvxCustomPreview;
  void Init() override { Log += "init;"; }
  void Lock() override {}
  void Unlock() override {}
  void RefreshReport() override {}
  void ProgressStart(TkvxProgressType) override { Log += "start;"; }
  void ProgressStep(TkvxProgressType, Integer progress) override { Log += "step " + std::to_string(progress) + ";"; }
  void ProgressStop(TkvxProgressType) override { Log += "stop;"; }
  std::string Log;
};

}  // namespace

ORV_IMPLEMENT_CLASS(TFragileView, c) {
  c.Prop("Level", &TFragileView::Level, &TFragileView::SetLevel);
}

namespace {

class ReportRun : public ::testing::Test {
 protected:
  void SetUp() override {
    report_ = RunnableReport();
    RegisterClasses({TFragileView::StaticClass()});
    auto* dialogs = new TScriptedDialogService;
    dialogs_ = dialogs;
    previous_ = SetDialogService(std::unique_ptr<IDialogService>(dialogs));
    page_ = new TkvxReportPage(report_.get());
    page_->SetName("Page1");
    page_->SetParent(report_.get());
    memo_ = new TTestMemo(report_.get());
    memo_->SetName("Memo1");
    memo_->SetStyle("design");
    memo_->SetParent(page_);
    report_->OnBeginDoc = [this](TObject*) { events_ += "begin;"; };
    report_->OnAfterScriptCompile = [this](TObject*) { events_ += "compiled;"; };
    report_->OnEndDoc = [this](TObject*) { events_ += "end;"; };
  }
  void TearDown() override {
    TFragileView::Refuse = false;
    report_.reset();
    SetDialogService(std::move(previous_));
  }

  std::unique_ptr<TkvxReport> report_;
  TkvxReportPage* page_ = nullptr;
  TTestMemo* memo_ = nullptr;
  TScriptedDialogService* dialogs_ = nullptr;
  std::unique_ptr<IDialogService> previous_;
  String events_;
};

TEST_F(ReportRun, MissingDataSetsAreListedOnceSortedAndNothingElseRuns) {
  report_->EngineOptions()->NewSilentMode = simMessageBoxes;
  report_->DataSets->Add()->SetDataSetName("Members");
  report_->DataSets->Add()->SetDataSetName("Churches");
  report_->DataSets->Add()->SetDataSetName("Members");

  EXPECT_FALSE(report_->PrepareReport());
  EXPECT_EQ(EngineOf(*report_).Runs, 0);
  EXPECT_EQ(events_, "");
  ASSERT_EQ(dialogs_->Shown().size(), 1u);
  const auto& box = dialogs_->Shown()[0];
  // No window of the program is open: the program's name.
  EXPECT_EQ(box.Caption, Application->Title());
  EXPECT_EQ(box.Type, mtError);
  const String missing = kvxGetResources()->Get("clDSNotExist");
  auto line = [&](const char* name) {
    String text = missing;
    text.replace(text.find("%s"), 2, name);
    return text;
  };
  EXPECT_EQ(box.Text, "The following error(s) have occured:\r\n" + line("Churches") + "\r\n" + line("Members") + "\r\n");
  EXPECT_NE(line("Members").find("Members"), String::npos);
}

TEST_F(ReportRun, SilentAndRaisingModes) {
  report_->ScriptText()->SetText("begin\r\n  x := ;\r\nend.");
  report_->EngineOptions()->NewSilentMode = simSilent;
  EXPECT_FALSE(report_->PrepareReport());
  EXPECT_TRUE(dialogs_->Shown().empty());
  EXPECT_EQ(events_, "begin;");
  EXPECT_EQ(EngineOf(*report_).Runs, 0);
  ASSERT_EQ(report_->Errors->Count(), 1);
  EXPECT_EQ(report_->Errors->Strings(0).rfind("Script error at 2:", 0), 0u) << report_->Errors->Strings(0);

  report_->EngineOptions()->NewSilentMode = simReThrow;
  try {
    report_->PrepareReport();
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("The following error(s) have occured:\r\nScript error at 2:", 0), 0u) << e.Message();
  }
  EXPECT_TRUE(dialogs_->Shown().empty());
}

TEST_F(ReportRun, ScriptEventsRunAndTheSnapshotUndoesTheRunsChanges) {
  report_->ReportOptions()->Password = "ลับ";
  report_->ReportOptions()->AcceptedPassword = "ลับ";
  report_->ScriptText()->SetText(
      "var Started, Stopped, Main: Integer;\r\n"
      "procedure StartIt(Sender: TObject);\r\nbegin\r\n  Started := Started + 1;\r\nend;\r\n"
      "procedure StopIt(Sender: TObject);\r\nbegin\r\n  Stopped := Started + 10;\r\nend;\r\n"
      "begin\r\n  Main := 5;\r\nend.");
  report_->OnStartReport = "StartIt";
  report_->OnStopReport = "StopIt";
  String seen;
  bool nested = true;
  EngineOf(*report_).PerRow = [&] {
    // Found afresh each run: undoing a run's changes replaces the report's objects.
    dynamic_cast<TTestMemo&>(*report_->FindObject("Memo1")).SetStyle("changed by the run");
    seen = VarToStr(report_->Calc("<Main> * 2"));
    nested = report_->PrepareReport();
  };

  EXPECT_TRUE(report_->PrepareReport());
  EXPECT_EQ(events_, "begin;compiled;end;");
  EXPECT_EQ(seen, "10");
  // A run asked for while one runs is refused and leaves the first alone.
  EXPECT_FALSE(nested);
  EXPECT_EQ(EngineOf(*report_).Runs, 1);
  EXPECT_EQ(report_->Script->Find("Started")->GetValue().ToInteger(), 1);
  EXPECT_EQ(report_->Script->Find("Stopped")->GetValue().ToInteger(), 11);
  EXPECT_EQ(PagesOf(*report_).Clears, 1);

  auto* memo = dynamic_cast<TTestMemo*>(report_->FindObject("Memo1"));
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->Style(), "design");
  EXPECT_EQ(report_->ReportOptions()->Password, "ลับ");
  EXPECT_FALSE(report_->Reloading);

  // Outside a run an event runs only when asked to.
  report_->DoNotifyEvent(report_.get(), "StartIt");
  EXPECT_EQ(report_->Script->Find("Started")->GetValue().ToInteger(), 1);
  report_->DoNotifyEvent(report_.get(), "StartIt", true);
  EXPECT_EQ(report_->Script->Find("Started")->GetValue().ToInteger(), 2);

  // Without the snapshot the changes stay. Each run starts the script afresh: nothing of the
  // last run's names piles up.
  auto named = [&](const char* name) {
    int n = 0;
    for (int i = 0; i < report_->Script->Count(); ++i) n += SameText(report_->Script->GetItem(i)->Name(), name);
    return n;
  };
  report_->EngineOptions()->DestroyForms = false;
  EXPECT_TRUE(report_->PrepareReport());
  EXPECT_EQ(memo->Style(), "changed by the run");
  EXPECT_EQ(named("Started"), 1);
  EXPECT_EQ(named("StartIt"), 1);
  EXPECT_EQ(named("Get"), 1);
  EXPECT_EQ(named("Memo1"), 1);
  EXPECT_EQ(report_->Script->Find("Started")->GetValue().ToInteger(), 1);
}

TEST_F(ReportRun, PrintAndPreviewClickEventsReachTheScript) {
  auto* view = new TkvxView(report_.get());
  view->SetName("View1");
  view->SetParent(page_);
  view->OnBeforePrint = "Before";
  view->OnPreviewClick = "Clicked";
  view->OnPreviewDblClick = "Twice";
  report_->ScriptText()->SetText(
      "var Log: String;\r\n"
      "procedure Before(Sender: TObject);\r\nbegin\r\n  Log := Log + 'before;';\r\nend;\r\n"
      "procedure Clicked(View: TObject; Button, Shift: Integer; var Modified: Boolean);\r\n"
      "begin\r\n  Log := Log + 'click ' + IntToStr(Button) + ' ' + IntToStr(Shift) + ';';\r\n  Modified := True;\r\nend;\r\n"
      "procedure Twice(View: TObject; Button, Shift: Integer; var Modified: Boolean);\r\n"
      "begin\r\n  Log := Log + 'twice;';\r\nend;\r\n"
      "begin\r\nend.");
  ASSERT_TRUE(report_->PrepareScript()) << report_->Errors->Text();
  int native = 0;
  report_->OnBeforePrint = [&](TObject* sender) { native += sender == view ? 1 : 100; };
  bool nativeModified = false;
  report_->OnClickObject = [&](TkvxComponent* v, TMouseButton, TShiftState, bool& modified) {
    nativeModified = modified && v == view;
  };
  auto log = [&] { return VarToStr(report_->Script->Find("Log")->GetValue()); };

  // Outside a run the print events stay native only.
  report_->DoBeforePrint(view);
  EXPECT_EQ(native, 1);
  EXPECT_EQ(log(), "");
  EngineOf(*report_).Running = true;
  report_->DoBeforePrint(view);
  EngineOf(*report_).Running = false;
  EXPECT_EQ(log(), "before;");

  bool modified = false;
  report_->DoPreviewClick(view, mbRight, TShiftState{ssShift, ssCtrl}, modified, false);
  EXPECT_TRUE(modified);
  EXPECT_TRUE(nativeModified);
  EXPECT_EQ(log(), "before;click 1 5;");
  modified = false;
  report_->DoPreviewClick(view, mbLeft, TShiftState{}, modified, true);
  EXPECT_FALSE(modified);
  EXPECT_EQ(log(), "before;click 1 5;twice;");
}

TEST_F(ReportRun, ProgressGoesToTheWindowTheEventsAndThePreview) {
  report_->EngineOptions()->EnabledLock = false;
  TLogPreview preview(nullptr);
  report_->SetPreview(&preview);
  EXPECT_EQ(preview.Log, "init;");
  EXPECT_EQ(preview.Report, report_.get());
  EXPECT_EQ(preview.PreviewPages, report_->PreviewPages);
  std::string events;
  report_->OnProgress = [&](TkvxReport*, TkvxProgressType type, Integer progress) {
    events += std::to_string(static_cast<int>(type)) + ":" + std::to_string(progress) + ";";
  };

  // Preparing shows in the preview, the pages appearing as they are built.
  report_->ShowReport();
  EXPECT_EQ(preview.Log, "init;init;start;step 0;stop;");
  EXPECT_EQ(events, "0:1;");

  // Printing has its progress window, whose Cancel stops the work.
  report_->DoProgressStart(ptPrinting);
  report_->DoProgress(ptPrinting, 3);
  EXPECT_FALSE(report_->Terminated);
  report_->DoProgressStop(ptPrinting);
  EXPECT_EQ(events, "0:1;2:3;");
  EXPECT_EQ(preview.Log, "init;init;start;step 0;stop;");

  // The quiet switch silences all of it.
  report_->EngineOptions()->EnabledLock = true;
  report_->DoProgressStart(ptRunning);
  report_->DoProgress(ptRunning, 2);
  report_->DoProgressStop(ptRunning);
  EXPECT_EQ(events, "0:1;2:3;");
  EXPECT_EQ(preview.Log, "init;init;start;step 0;stop;");
  report_->SetPreview(nullptr);
  EXPECT_EQ(preview.Report, nullptr);
}

TEST_F(ReportRun, AFailureDuringTheRunIsReportedAndTheSnapshotStillReadBack) {
  report_->EngineOptions()->UseFileCache = true;
  report_->EngineOptions()->TempDir = TempFolder("runcache");
  report_->EngineOptions()->NewSilentMode = simMessageBoxes;
  EngineOf(*report_).PerRow = [&] {
    memo_->SetStyle("half done");
    report_->CurrentObjectName = "Memo1";
    report_->Calc("1 div 0");
  };
  EXPECT_FALSE(report_->PrepareReport());
  ASSERT_EQ(dialogs_->Shown().size(), 1u);
  EXPECT_NE(dialogs_->LastText().find("\r\nMemo1: "), String::npos) << dialogs_->LastText();
  EXPECT_EQ(events_, "begin;compiled;");
  auto* memo = dynamic_cast<TTestMemo*>(report_->FindObject("Memo1"));
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->Style(), "design");
  // The snapshot's file is gone.
  EXPECT_TRUE(std::filesystem::is_empty(report_->EngineOptions()->TempDir));
  std::filesystem::remove_all(report_->EngineOptions()->TempDir);
}

TEST_F(ReportRun, ASnapshotThatCannotBeReadBackIsReportedAndTheReportStaysWhole) {
  auto* fragile = new TFragileView(report_.get());
  fragile->SetName("Fragile1");
  fragile->SetLevel(3);
  fragile->SetParent(page_);
  report_->ReportOptions()->Password = "pw";
  report_->ReportOptions()->AcceptedPassword = "pw";
  report_->EngineOptions()->NewSilentMode = simMessageBoxes;
  EngineOf(*report_).PerRow = [&] {
    memo_->SetStyle("after the run");
    TFragileView::Refuse = true;
  };

  EXPECT_FALSE(report_->PrepareReport());
  ASSERT_EQ(dialogs_->Shown().size(), 1u);
  EXPECT_NE(dialogs_->LastText().find("the view refuses to be read"), String::npos) << dialogs_->LastText();
  EXPECT_EQ(report_->FindObject("Memo1"), memo_);
  EXPECT_EQ(report_->FindObject("Fragile1"), fragile);
  EXPECT_EQ(fragile->Level(), 3);
  EXPECT_EQ(page_->Objects().size(), 2u);
  EXPECT_EQ(report_->ReportOptions()->Password, "pw");
  EXPECT_FALSE(report_->Reloading);
}

TEST_F(ReportRun, AReportOverAQueryOfTheDemoParish) {
  const std::string dir = TempFolder("demoreport");
  CreateDemoParish(dir + "/parish", 40, 7);
  const std::string file = dir + "/parish/Orvane.db";

  // What sqlite3 itself finds in the file.
  auto sqlite = [&](const std::string& sql) {
    std::string out;
    FILE* p = popen(("sqlite3 -batch '" + file + "' \"" + sql + "\"").c_str(), "r");
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
  };
  const std::string expectedNames = sqlite("select Nm || '|' || ifnull(sur,'') from Orvani order by ID;");
  const std::string expectedFields = sqlite("select name from pragma_table_info('Orvani');");
  ASSERT_FALSE(expectedNames.empty());

  TComponent window(nullptr);
  auto* conn = new TADOConnection(&window);
  conn->SetConnectionString("Provider=SQLite;Data Source=" + file + ";Mode=Share Deny None");
  conn->Open();
  auto* query = new TADOQuery(&window);
  query->SetConnection(conn);
  query->SQL().SetText("Select * from Orvani order by ID");
  auto* bridge = new TkvxDBDataset(&window);
  bridge->SetName("Members");
  bridge->SetDataSet(query);
  bridge->SetCloseDataSource(true);
  report_->DataSets->Add()->SetDataSet(bridge);
  report_->SetDataSet(bridge);

  std::string names;
  EngineOf(*report_).PerRow = [&] {
    names += VarToStr(report_->Calc("Members.\"Nm\"")) + "|" + VarToStr(report_->Calc("Members.\"sur\"")) + "\n";
  };
  ASSERT_TRUE(report_->PrepareReport()) << report_->Errors->Text();
  EXPECT_EQ(names, expectedNames);
  EXPECT_FALSE(query->Active());

  TStringList fields;
  bridge->GetFieldList(fields);
  std::string listed;
  for (Integer i = 0; i < fields.Count(); ++i) listed += fields.Strings(i) + "\n";
  EXPECT_EQ(listed, expectedFields);

  report_->SetDataSet(nullptr);
  report_->DataSets->Clear();
  std::filesystem::remove_all(dir);
}

}  // namespace
