#pragma once
// TkvxReport: the root of a report document. It owns its pages (its children), its data-set
// lists, variables, styles and the four option objects, and it reads and writes itself as a
// report file with its password in the stored form.
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/StringList.h"
#include "report/model/DataSets.h"
#include "report/model/ExpressionCache.h"
#include "report/model/Interfaces.h"
#include "report/model/KvxComponent.h"
#include "report/model/XmlItem.h"
#include "report/model/Pages.h"
#include "report/model/ReportOptions.h"
#include "report/model/Styles.h"
#include "report/model/ValueLookupMemo.h"
#include "report/model/Variables.h"

namespace orv {

class TkvxXMLSerializer;
class TkvxProgress;
class TForm;
class TTimer;
class TsxMethodHelper;

using TkvxGetValueEvent = std::function<void(const String& name, Variant& value)>;
using TkvxClickObjectEvent =
    std::function<void(TkvxComponent* view, TMouseButton button, TShiftState shift, bool& modified)>;
using TkvxProgressEvent = std::function<void(TkvxReport* sender, TkvxProgressType progressType, Integer progress)>;
// A prepared page about to be printed, and which copy of it.
using TkvxPrintPageEvent = std::function<void(TkvxReportPage* page, Integer copyNo)>;
// The mouse over a view of a prepared page; the handler may choose the cursor.
using TkvxMouseOverObjectEvent = std::function<void(TkvxComponent* view, TCursor& cursor)>;
// The host builds a report page's output itself, band by band, through the report's engine.
using TkvxManualBuildEvent = std::function<void(TkvxReportPage* page)>;

class TkvxReport : public TkvxComponent {
  ORV_CLASS(TkvxReport, TkvxComponent)

 public:
  explicit TkvxReport(TComponent* owner);
  // withRTTI false: a report that is only read into or looked at, never scripted, skips the
  // script's class registration, which costs more than reading a whole report.
  TkvxReport(TComponent* owner, bool withRTTI);
  ~TkvxReport() override;

  String GetDescription() const override { return "obReport"; }
  // Through the report's index of names, so that reading a report of many objects stays linear.
  TkvxComponent* FindObject(const String& name) override;
  // The component the report owns under that name (case-blind); nullptr when none.
  TComponent* FindOwned(const String& name) const;
  // Pages and objects go; the lists empty and the options return to their defaults.
  void Clear() override;

  // The report file forms: the password travels in its stored form; a load keeps the running
  // report's engine and preview settings and its window's progress choices, collects errors and
  // reports them once at its end.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream, bool saveChildren = true, bool saveDefaultValues = false,
                   bool streaming = false) override;
  // False when the file does not exist (raiseIfMissing raises the file error instead).
  bool LoadFromFile(const String& fileName, bool raiseIfMissing = false);
  // Written beside the target and renamed over it, so a failed save keeps the old file.
  void SaveToFile(const String& fileName);
  // The settings store named by IniFile; the caller frees it.
  std::unique_ptr<TCustomIniFile> GetIniFile() const;

  // The data set registered in DataSets under alias; nullptr when none.
  TkvxDataSet* GetDataset(const String& alias) const;
  Integer PagesCount() const { return static_cast<Integer>(Objects().size()); }
  TkvxPage* Pages(Integer index) const;
  TkvxPage* GetPages(Integer index) const { return Pages(index); }
  Integer GetPagesCount() const { return PagesCount(); }

  // True also stops the running script.
  void SetTerminated(bool value);
  // While the engine builds pages or the report's script runs (its main block, an event, an
  // expression), the tree and the script stay as they are: what runs uses them.
  bool InUse() const;
  // EInvalidOperation "Cannot <what> while the report runs" when InUse.
  void RefuseWhileInUse(const String& what) const;

  // Runs the report into its prepared pages (emptied first when asked): data-set check, script,
  // engine, and one report of every error collected. False when anything failed.
  bool PrepareReport(bool clearLastReport = true);
  // Prepares the report and shows it in the attached preview control, or in a preview window of
  // its own in which the pages appear while they are built.
  void ShowReport(bool clearLastReport = true);
  // Hands the prepared pages to the attached preview control, or opens the report's own preview
  // window over them (returning once a modal one has closed).
  void ShowPreparedReport();
  // Would open a report designer over the report; no designer exists in this program.
  void DesignReport(bool modal = true, bool mdiChild = false);
  // Would let a report designer edit the report's one page, a copy of a prepared page, true when
  // it changed it; no designer exists in this program, so nothing is changed.
  bool DesignPreviewPage();
  // Set by the engine library: makes the engine and the prepared pages a new report owns.
  static std::function<void(TkvxReport&, std::unique_ptr<TkvxCustomEngine>&,
                            std::unique_ptr<TkvxCustomPreviewPages>&)>
      MakeEngine;
  // Set by the engine library: opens the report's own preview window over its prepared pages
  // and, when the window is modal, runs it until it closes.
  static std::function<void(TkvxReport&)> ShowPreviewForm;
  // The preview window the report opened itself, while it is open.
  TForm* PreviewForm() const { return previewForm_; }
  void SetPreviewForm(TForm* form);

  // The value of a plain name: data field, system variable, OnGetValue, report, global and
  // script variables in this order. False when no step knows the name.
  bool DoGetValue(const String& name, Variant& value);
  // Splits alias."field"; nullptr and '' when the name is not a data field.
  void GetDataSetAndField(const String& complexName, TkvxDataSet*& dataSet, String& field) const;
  // The value of a name or expression in aScript's scope (nullptr: the report's script).
  // Failures raise; unless calledFromScript they also go to Errors, naming the current object.
  Variant Calc(const String& expr, TsxScript* aScript = nullptr, bool calledFromScript = false);
  // Makes the report's objects and services script names, then compiles ScriptText; a failure
  // goes to Errors.
  bool PrepareScript();
  // Whether the name is one PrepareScript gives the report's own objects and values (the
  // report, engine, outline, value and view being printed), in any letter case.
  static bool IsScriptName(const String& name);
  // The script variables "Value" and "Self" while an object is filled.
  void SetScriptValue(const Variant& value);
  void SetScriptSelf(TObject* obj);
  // Runs the script procedure eventName with obj while the engine runs (or always).
  void DoNotifyEvent(TObject* obj, const String& eventName, bool runAlways = false);
  // Runs the script procedure eventName with an array of parameters whose values come back.
  void DoParamEvent(const String& eventName, Variant& params, bool runAlways = false);
  // The report's OnBeforePrint / OnAfterPrint, then the object's script event of that name.
  void DoBeforePrint(TkvxComponent* obj);
  void DoAfterPrint(TkvxComponent* obj);
  // A view clicked in the preview: its script event runs also outside a run and may set
  // modified (the preview then redraws), then the report's own click event.
  void DoPreviewClick(TkvxComponent* view, TMouseButton button, TShiftState shift, bool& modified, bool dblClick);

  virtual void DoProgressStart(TkvxProgressType progressType);
  virtual void DoProgress(TkvxProgressType progressType, Integer progress);
  virtual void DoProgressStop(TkvxProgressType progressType);
  void SetProgressMessage(const String& value, bool isHint = false);
  // Keeps a fault the run goes on past in Warnings and shows it in the preview's status.
  void Warn(const String& message);
  // "Datasets", "Variables" and "Style" while the report is stored inside its window.
  void DefineProperties(TFiler* filer) override;

  const String& Version() const { return version_; }
  void SetVersion(const String& v) { version_ = v; }
  const String& ParentReport() const { return parentReport_; }
  // Names the report this one inherits from: the parent's pages and objects replace the
  // report's own and are marked inherited, so that the report's file stores only what differs
  // from them. '' forgets the parent and the marks.
  void SetParentReport(const String& value);
  // The parent report as loaded, the reference the report's file is written against.
  TkvxReport* ParentObject() const { return parentObject_.get(); }
  // What the report's file changed of objects its parent no longer has, each under the name of
  // the object that held it: written back as it was read, so that a save loses none of it.
  std::vector<std::pair<String, std::unique_ptr<TkvxXMLItem>>> Unplaced;
  TkvxDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TkvxDataSet* value);
  String DataSetName() const;
  void SetDataSetName(const String& value);
  bool DotMatrixReport() const { return dotMatrixReport_; }
  void SetDotMatrixReport(bool v) { dotMatrixReport_ = v; }
  TkvxEngineOptions* EngineOptions() const { return engineOptions_.get(); }
  void SetEngineOptions(TkvxEngineOptions* v) { engineOptions_->Assign(v); }
  const String& IniFile() const { return iniFile_; }
  void SetIniFile(const String& v) { iniFile_ = v; }
  bool OldStyleProgress() const { return oldStyleProgress_; }
  void SetOldStyleProgress(bool v) { oldStyleProgress_ = v; }
  TkvxCustomPreview* Preview() const { return preview_; }
  // Detaches the old control and attaches the new one to the report and its prepared pages.
  void SetPreview(TkvxCustomPreview* value);
  TkvxPreviewOptions* PreviewOptions() const { return previewOptions_.get(); }
  void SetPreviewOptions(TkvxPreviewOptions* v) { previewOptions_->Assign(v); }
  TkvxPrintOptions* PrintOptions() const { return printOptions_.get(); }
  void SetPrintOptions(TkvxPrintOptions* v) { printOptions_->Assign(v); }
  TkvxReportOptions* ReportOptions() const { return reportOptions_.get(); }
  void SetReportOptions(TkvxReportOptions* v) { reportOptions_->Assign(v); }
  const String& ScriptLanguage() const { return scriptLanguage_; }
  void SetScriptLanguage(const String& v) { scriptLanguage_ = v; }
  TStrings* ScriptText() const { return scriptText_.get(); }
  void SetScriptText(TStrings* v) { scriptText_->Assign(v); }
  bool ShowProgress() const { return showProgress_; }
  void SetShowProgress(bool v) { showProgress_ = v; }
  bool StoreInDFM() const { return storeInDFM_; }
  void SetStoreInDFM(bool v) { storeInDFM_ = v; }
  // Names of script procedures.
  String OnRunDialogs, OnStartReport, OnStopReport, OnReportPrint;
  TNotifyEvent OnBeginDoc, OnEndDoc, OnAfterScriptCompile, OnPreview, OnBeforePrint, OnAfterPrint;
  // Fired by the preview window as it closes, with the window as sender.
  TNotifyEvent OnClosePreview;
  TkvxClickObjectEvent OnClickObject, OnDblClickObject;
  // Around printing the prepared pages, with the report as sender.
  TNotifyEvent OnPrintReport, OnAfterPrintReport;
  TkvxPrintPageEvent OnPrintPage;
  TkvxMouseOverObjectEvent OnMouseOverObject;
  TkvxManualBuildEvent OnManualBuild;
  TkvxGetValueEvent OnGetValue;
  // Around the database data sets of a run: before one opens its query, after one closes it;
  // the sender is the database data set.
  TNotifyEvent OnBeforeConnect, OnAfterDisconnect;
  // A function Get is asked for that the report does not know: name upper-cased, its argument
  // text as written; a value set answers it.
  std::function<void(const String& name, const String& params, Variant& value)> OnUserFunction;
  // Loads the parent report named templateName into report, instead of the file of that name.
  std::function<void(TkvxReport* report, const String& templateName)> OnLoadTemplate;
  TkvxProgressEvent OnProgressStart, OnProgress, OnProgressStop;

  // The report's script and the expressions compiled over it.
  std::unique_ptr<TsxScript> Script;
  std::unique_ptr<TkvxExpressionCache> ExpressionCache;
  // "Date", "Time", "Page", ... in the order Clear gives them.
  std::unique_ptr<TStringList> SysVariables;

  std::unique_ptr<TkvxReportDataSets> DataSets;
  // The data sets available to the report, for names when the global list is not used.
  std::unique_ptr<TkvxReportDataSets> EnabledDataSets;
  std::unique_ptr<TkvxVariables> Variables;
  std::unique_ptr<TkvxStyles> Styles;
  // Sorted, without duplicates.
  std::unique_ptr<TStringList> Errors;
  // What a run went on past (a picture file that cannot be read), in the order met, each once.
  std::unique_ptr<TStringList> Warnings;
  // The expanded drill-down groups, one line each: header name, ".", the group's number.
  std::unique_ptr<TStringList> DrillDownState;
  // The file the report was last loaded from.
  String FileName;
  bool Terminated = false;
  // The object whose data or expression is being computed, named in error lines.
  String CurrentObjectName;
  // True while the report reads back its own snapshot.
  bool Reloading = false;
  // Whether the last load read no report: the file was no report file, or its password was
  // refused. Other messages of a load leave the report as far as it was read.
  bool LoadRefused = false;
  // The serializer reading the report at the moment, so collections stored in its defined
  // properties resolve their references with the rest of the file.
  TkvxXMLSerializer* CurrentSerializer = nullptr;
  // The engine and the prepared pages, made by the engine subsystem.
  TkvxCustomEngine* Engine = nullptr;
  TkvxCustomPreviewPages* PreviewPages = nullptr;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void ValidateRename(TComponent* component, const String& curName, const String& newName) const override;

 private:
  // Whether the snapshot reads back cleanly, tried in a scratch report that finds the same
  // parent report.
  bool SnapshotReadable(TStream& stream, String& error) const;
  void FixDataPage();
  bool RunPrepared();
  Variant SysVariable(Integer index) const;
  // What a name stands for in the steps of DoGetValue whose answer holds for a whole run: a data
  // field, a system variable, a script variable.
  struct TValueSource {
    TkvxDataSet* DataSet = nullptr;
    String Field;
    Integer SysVariable = -1;
    TsxCustomVariable* ScriptItem = nullptr;
  };
  TValueSource FindValueSource(const String& name) const;
  // The source of name, kept for the rest of the run while the engine runs: a list asks for the
  // same few names on every row.
  const TValueSource& ValueSourceOf(const String& name, TValueSource& scratch);
  void ForgetValueSources();
  Variant ScriptGet(const String& name);
  Variant ScriptMacro(const String& name, TsxMethodHelper& caller);
  void ReportErrors();
  // The files a parent report's name may stand for, in the order they are looked for.
  std::vector<String> ParentFileNames(const String& name) const;
  void InheritFrom(TkvxReport& parent);
  // The parent's own properties and options, as the report's until its file says otherwise.
  void InheritOptions(TkvxReport& parent);

  std::unique_ptr<TkvxCustomPreviewPages> ownedPages_;
  std::unique_ptr<TkvxCustomEngine> ownedEngine_;
  TsxCustomVariable* valueItem_ = nullptr;
  TsxCustomVariable* selfItem_ = nullptr;
  // Upper-cased names of the report variables being computed, so a variable whose text leads
  // back to itself stops with an error instead of recursing without end.
  std::vector<String> evaluating_;
  // Emptied whenever the script is prepared, which starts every run, and whenever a data set
  // is made or freed (a script or an event may do so in the middle of a run).
  std::unordered_map<String, TValueSource> valueSources_;
  TkvxNameMemo<TValueSource> valueSourceMemo_;
  std::uint64_t valueSourcesDataSets_ = 0;
  std::unique_ptr<TkvxProgress> progress_;
  TForm* previewForm_ = nullptr;
  // Starts the run inside the report's own preview window, once that window runs its loop.
  std::unique_ptr<TTimer> prepareTimer_;

  String version_ = "4.7.84";
  String parentReport_;
  std::unique_ptr<TkvxReport> parentObject_;
  TkvxDataSet* dataSet_ = nullptr;
  String dataSetName_;
  bool dotMatrixReport_ = false;
  std::unique_ptr<TkvxEngineOptions> engineOptions_;
  String iniFile_ = "\\Software\\Quillans";
  bool oldStyleProgress_ = false;
  TkvxCustomPreview* preview_ = nullptr;
  std::unique_ptr<TkvxPreviewOptions> previewOptions_;
  std::unique_ptr<TkvxPrintOptions> printOptions_;
  std::unique_ptr<TkvxReportOptions> reportOptions_;
  // The password accepted before a load, while the load reads the file: it opens the parents.
  String loadingPassword_;
  // The password the parents were last opened with.
  String parentPassword_;
  String scriptLanguage_ = "PascalScript";
  std::unique_ptr<TStringList> scriptText_;
  bool showProgress_ = true;
  bool storeInDFM_ = true;
  // True while the report frees its whole tree.
  bool clearingAll_ = false;
  // Upper-cased names of the components the report owns (every object of its tree).
  mutable std::unordered_map<String, TComponent*> names_;
};

// Reports collected errors by the report's silent mode: a message box, nothing, or an
// exception with the text.
void kvxCommonErrorHandler(TkvxReport* report, const String& text);
// A message box with the error icon, captioned with "mbError".
void kvxErrorMsg(const String& text);

// The report library's global lock.
TCriticalSection& kvxCS();

// Registers the report classes of this library for reading by name.
void kvxRegisterModelClasses();

// A print's or an export's progress from its start to its stop, which comes also when an error
// ends the work early: the progress window never outlives it.
class TkvxProgressScope {
 public:
  // shown False: the work tells of no progress at all.
  TkvxProgressScope(TkvxReport& report, TkvxProgressType progressType, bool shown = true);
  ~TkvxProgressScope();
  TkvxProgressScope(const TkvxProgressScope&) = delete;
  TkvxProgressScope& operator=(const TkvxProgressScope&) = delete;
  void Step(Integer progress);

 private:
  TkvxReport& report_;
  TkvxProgressType type_;
  bool shown_;
};

}  // namespace orv
