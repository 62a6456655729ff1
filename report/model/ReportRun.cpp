// A report run: data-set check, a snapshot of the report, script and engine, the snapshot read
// back, and every error collected on the way reported once at the end.
#include <memory>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Timers.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/MemoryAccount.h"
#include "platform/rtl/Streams.h"
#include "script/Statements.h"
#include "report/model/ProgressWindow.h"
#include "report/model/Report.h"
#include "report/model/ReportUtils.h"
#include "report/model/Resources.h"

namespace orv {

// Whether the snapshot reads into a report of its own: a snapshot that does not is never read
// into the live report, which would keep only half of it.
bool TkvxReport::SnapshotReadable(TStream& stream, String& error) const {
  TkvxReport scratch(nullptr, false);
  scratch.EngineOptions()->NewSilentMode = simSilent;
  scratch.FileName = FileName;
  scratch.OnLoadTemplate = OnLoadTemplate;
  scratch.parentPassword_ = parentPassword_;
  scratch.Reloading = true;
  try {
    WithOutOfMemoryAsError([&] { scratch.LoadFromStream(stream); });
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
  if (scratch.Errors->Count() == 0) return true;
  error = scratch.Errors->Strings(0);
  return false;
}

void TkvxReport::SetTerminated(bool value) {
  Terminated = value;
  if (value && Script) Script->Terminate();
}

bool TkvxReport::RunPrepared() {
  if (OnBeginDoc) OnBeginDoc(this);
  if (!PrepareScript()) return false;
  if (OnAfterScriptCompile) OnAfterScriptCompile(this);
  if (!(Script->MainStatement().Count() == 0)) Script->Execute();
  if (!Engine) throw Exception(kvxGetResources()->Get("clNoEngine"));
  if (!Engine->Run()) {
    if (previewForm_) previewForm_->Close();
    return false;
  }
  if (OnEndDoc) OnEndDoc(this);
  return true;
}

bool TkvxReport::InUse() const { return (Engine && Engine->Running) || (Script && Script->InRun()); }

void TkvxReport::RefuseWhileInUse(const String& what) const {
  if (InUse()) throw EInvalidOperation("Cannot " + what + " while the report runs");
}

bool TkvxReport::PrepareReport(bool clearLastReport) {
  // Events are processed during a run (progress, the preview's buttons): a second run started
  // from one of them would rebuild the pages and the report under the first.
  if (Engine && Engine->Running) return false;
  if (clearLastReport && PreviewPages) PreviewPages->Clear();
  Errors->Clear();
  Warnings->Clear();
  Terminated = false;
  bool result = false;

  for (Integer i = 0; i < DataSets->Count(); ++i)
    if (!DataSets->Items(i)->DataSet())
      Errors->Add(Format(kvxGetResources()->Get("clDSNotExist"), {DataSets->Items(i)->DataSetName()}));

  if (Errors->Count() == 0) {
    const String password = ReportOptions()->Password;
    const bool snapshot = EngineOptions()->DestroyForms;
    std::unique_ptr<TStream> stream;
    String tempName;
    if (snapshot) {
      if (EngineOptions()->UseFileCache) {
        tempName = kvxGetTempFileNameInDir(EngineOptions()->TempDir);
        stream = std::make_unique<TFileStream>(tempName, fmCreate);
      } else {
        stream = std::make_unique<TMemoryStream>();
      }
      ReportOptions()->Password.clear();
      try {
        SaveToStream(*stream, true, false);
      } catch (...) {
        ReportOptions()->Password = password;
        stream.reset();
        if (!tempName.empty()) DeleteFile(tempName);
        throw;
      }
    }

    // What the script keeps from one event to the next counts against its limit: all of the
    // run's handlers charge one account.
    Script->KeepMemoryAccount(true);
    try {
      // Memory the system refuses reads as the run's own "Out of memory".
      result = WithOutOfMemoryAsError([this] { return RunPrepared(); });
    } catch (const std::exception& e) {
      Errors->Add(e.what());
    }
    Script->KeepMemoryAccount(false);

    if (snapshot) {
      const String errors = Errors->Text();
      String readError;
      stream->SetPosition(0);
      const bool readable = SnapshotReadable(*stream, readError);
      if (readable) {
        stream->SetPosition(0);
        Reloading = true;
        try {
          WithOutOfMemoryAsError([&] { LoadFromStream(*stream); });
        } catch (const std::exception& e) {
          readError = e.what();
        }
        Reloading = false;
      }
      ReportOptions()->Password = password;
      stream.reset();
      if (!tempName.empty()) DeleteFile(tempName);
      Errors->SetText(errors);
      if (!readError.empty()) Errors->Add(readError);
    }
  }

  ReportErrors();
  return result && Errors->Count() == 0;
}

void TkvxReport::ReportErrors() {
  if (Errors->Count() == 0) return;
  kvxCommonErrorHandler(this, kvxGetResources()->Get("clErrors") + "\r\n" + Errors->Text());
}

std::function<void(TkvxReport&)> TkvxReport::ShowPreviewForm;

void TkvxReport::ShowReport(bool clearLastReport) {
  if (clearLastReport && PreviewPages) PreviewPages->Clear();
  if (OldStyleProgress()) {
    if (PrepareReport(false)) ShowPreparedReport();
    return;
  }
  if (Preview() || !ShowPreviewForm) {
    // The preview is open while the pages are built, so they appear in it one by one.
    ShowPreparedReport();
    PrepareReport(false);
    return;
  }
  // A modal window runs its own loop: the timer's first tick comes inside it and builds the
  // pages there. A window closed before the tick leaves nothing to build for. The timer is made
  // here, so that a report that is never shown needs no window system.
  if (!prepareTimer_) {
    prepareTimer_ = std::make_unique<TTimer>(nullptr);
    prepareTimer_->SetEnabled(false);
    prepareTimer_->SetInterval(50);
    prepareTimer_->OnTimer = [this](TObject*) {
      prepareTimer_->SetEnabled(false);
      PrepareReport(false);
    };
  }
  prepareTimer_->SetEnabled(true);
  ShowPreparedReport();
  if (PreviewOptions()->Modal) prepareTimer_->SetEnabled(false);
}

// No report designer is part of this program: there is nothing to open, and nothing changes.
void TkvxReport::DesignReport(bool, bool) {}

bool TkvxReport::DesignPreviewPage() { return false; }

void TkvxReport::ShowPreparedReport() {
  SetPreviewForm(nullptr);
  if (TkvxCustomPreview* preview = Preview()) {
    preview->Report = this;
    preview->PreviewPages = PreviewPages;
    preview->Init();
    return;
  }
  if (ShowPreviewForm) ShowPreviewForm(*this);
}

void TkvxReport::DoProgressStart(TkvxProgressType progressType) {
  if (EngineOptions()->EnabledLock) return;
  if (OnProgressStart) OnProgressStart(this, progressType, 0);
  if (ShowProgress() && (OldStyleProgress() || progressType != ptRunning)) {
    progress_.reset();
    progress_ = std::make_unique<TkvxProgress>(nullptr);
    progress_->Execute(0, "", true, false);
  }
  if (progressType == ptRunning && Preview()) Preview()->ProgressStart(progressType);
  Application->ProcessMessages();
}

void TkvxReport::DoProgress(TkvxProgressType progressType, Integer progress) {
  if (EngineOptions()->EnabledLock) return;
  if (OnProgress) OnProgress(this, progressType, progress);
  if (progress_) {
    String key = progressType == ptExporting  ? "prExporting"
                 : progressType == ptPrinting ? "prPrinting"
                 : Engine && Engine->FinalPass ? "prRunning"
                                                : "prRunningFirst";
    progress_->SetMessage(Format(kvxGetResources()->Get(key), {progress}));
    if (progress_->Terminated) SetTerminated(true);
  }
  if (progressType == ptRunning && Preview()) Preview()->ProgressStep(progressType, progress - 1);
  Application->ProcessMessages();
}

void TkvxReport::DoProgressStop(TkvxProgressType progressType) {
  if (EngineOptions()->EnabledLock) return;
  if (OnProgressStop) OnProgressStop(this, progressType, 0);
  progress_.reset();
  if (progressType == ptRunning && Preview()) Preview()->ProgressStop(progressType);
  Application->ProcessMessages();
}

void TkvxReport::SetProgressMessage(const String& value, bool isHint) {
  if (EngineOptions()->EnabledLock) return;
  if (OldStyleProgress() && ShowProgress() && progress_ && Engine && Engine->Running) progress_->SetMessage(value);
  if (Preview() && Preview()->OnStatusMessage) Preview()->OnStatusMessage(value, isHint);
  Application->ProcessMessages();
}

void TkvxReport::Warn(const String& message) {
  // A picture missing from every row is told once, and a run full of them stays small.
  if (Warnings->Count() >= 1000 || Warnings->IndexOf(message) >= 0) return;
  Warnings->Add(message);
  SetProgressMessage(message);
}

TkvxProgressScope::TkvxProgressScope(TkvxReport& report, TkvxProgressType progressType, bool shown)
    : report_(report), type_(progressType), shown_(shown) {
  if (shown_) report_.DoProgressStart(type_);
}

TkvxProgressScope::~TkvxProgressScope() {
  if (shown_) report_.DoProgressStop(type_);
}

void TkvxProgressScope::Step(Integer progress) {
  if (shown_) report_.DoProgress(type_, progress);
}

}  // namespace orv
