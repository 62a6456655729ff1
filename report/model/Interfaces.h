#pragma once
// The abstract classes through which the report document model reaches the band engine, the
// prepared-page store, the outline, the preview and the export filters. Their implementations
// belong to the engine and export subsystems; the model only declares what it calls.
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/Controls.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Cursors.h"
#include "platform/gui/Keys.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Streams.h"

namespace orv {

class TkvxReport;
class TkvxComponent;
class TkvxReportPage;
class TkvxBand;
class TkvxDialogPage;
class TkvxCustomEngine;
class TkvxCustomOutline;
class TkvxCustomExportFilter;
class TkvxXMLItem;

ORV_ENUM(TkvxProgressType, ptRunning, ptExporting, ptPrinting);

// The band engine: prepares the report's pages into its prepared-page store.
class TkvxCustomEngine : public TPersistent {
  ORV_CLASS(TkvxCustomEngine, TPersistent)

 public:
  explicit TkvxCustomEngine(TkvxReport* report) : Report(report) {}

  virtual void EndPage() = 0;
  virtual void NewColumn() = 0;
  virtual void NewPage() = 0;
  virtual void ShowBand(TkvxBand* band) = 0;
  virtual void ShowBandByClass(TClass bandClass) = 0;
  virtual Extended HeaderHeight() = 0;
  virtual Extended FooterHeight() = 0;
  virtual Extended FreeSpace() = 0;
  // The value of the aggregate functions SUM, AVG, MIN, MAX and COUNT.
  virtual Variant GetAggregateValue(const String& name, const String& expression, TkvxBand* band,
                                    Integer flags) = 0;
  // Prepares the whole report (one or two passes); True when it finished.
  virtual bool Run() = 0;
  // Asks the running report to stop.
  void StopReport();

  // The report's EngineOptions.DoublePass, always current.
  bool DoublePass() const;

  TkvxReport* Report;
  class TkvxCustomPreviewPages* PreviewPages = nullptr;
  // Objects to tell about the run; emptied by each script preparation.
  std::vector<TObject*> NotifyList;
  Integer CurColumn = 0;
  Integer CurVColumn = 0;
  Extended CurX = 0;
  Extended CurY = 0;
  bool FinalPass = false;
  // True while a report of two passes runs once, its own final pass: nothing in it can tell
  // the passes apart, so it numbers its pages as it goes instead of keeping a first pass's numbers.
  bool SinglePass = false;
  Extended PageHeight = 0;
  Extended PageWidth = 0;
  TDateTime StartDate = 0;
  TDateTime StartTime = 0;
  Integer TotalPages = 0;
  bool SecondScriptCall = false;
  // "Line" and "Line#": the line within the current data band and the running line number.
  Integer CurLine = 0;
  Integer CurLineThrough = 0;
  // True while Run works.
  bool Running = false;
  // Shows a dialog page with controls in the host's own way instead of modally.
  std::function<void(TkvxDialogPage* page)> OnRunDialogs;
};

// The prepared-page store: an XML tree of pages whose objects are diffs against their templates.
class TkvxCustomPreviewPages : public TObject {
  ORV_CLASS(TkvxCustomPreviewPages, TObject)

 public:
  // Keeps the report; the store creates its outline.
  explicit TkvxCustomPreviewPages(TkvxReport* report) : Report(report) {}
  ~TkvxCustomPreviewPages() override;

  virtual Integer GetCount() = 0;
  virtual TkvxReportPage* GetPage(Integer index) = 0;
  virtual TPoint GetPageSize(Integer index) = 0;
  virtual void Clear() = 0;
  virtual void Initialize() = 0;
  virtual void AddObject(TkvxComponent* obj) = 0;
  virtual void AddPage(TkvxReportPage* sourcePage) = 0;
  virtual void AddSourcePage(TkvxReportPage* page) = 0;
  virtual void AddToSourcePage(TkvxComponent* obj) = 0;
  virtual void BeginPass() = 0;
  virtual void ClearFirstPass() = 0;
  virtual void CutObjects(Integer position) = 0;
  virtual void Finish() = 0;
  virtual void IncLogicalPageNumber() = 0;
  virtual void ResetLogicalPageNumber() = 0;
  virtual void PasteObjects(Extended x, Extended y) = 0;
  virtual void ShiftAnchors(Integer from, Integer newTop) = 0;
  // The view publishes Picture and ImageIndex; a picture view in the engine's hands.
  virtual void AddPicture(TkvxComponent* pictureView) = 0;
  // band is a band of the report (a TkvxBand).
  virtual bool BandExists(TkvxComponent* band) = 0;
  virtual Integer GetCurPosition() = 0;
  virtual Integer GetAnchorCur() = 0;
  // An anchor named text at the current page and the engine's vertical position; the 1-based
  // page of the last anchor of that name (case-blind), 1 when there is none.
  virtual void AddAnchor(const String& text) = 0;
  virtual Integer GetAnchorPage(const String& text) = 0;
  virtual Extended GetLastY(Extended x) = 0;
  virtual Integer GetLogicalPageNo() = 0;
  virtual Integer GetLogicalTotalPages() = 0;
  virtual void AddEmptyPage(Integer index) = 0;
  virtual void DeletePage(Integer index) = 0;
  virtual void ModifyPage(Integer index, TkvxReportPage* page) = 0;
  virtual void DrawPage(Integer index, TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                        Extended offsetY) = 0;
  virtual void ObjectOver(Integer index, Integer x, Integer y, TMouseButton button, TShiftState shift,
                          Extended scale, Extended offsetX, Extended offsetY, bool click, TCursor& cursor,
                          bool dblClick = false) = 0;
  virtual void AddFrom(TkvxReport* report) = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  virtual bool LoadFromFile(const String& fileName) = 0;
  virtual void SaveToFile(const String& fileName) = 0;
  virtual bool Print() = 0;
  virtual bool Export(TkvxCustomExportFilter* filter) = 0;

  TkvxReport* Report;
  TkvxCustomEngine* Engine = nullptr;
  std::unique_ptr<TkvxCustomOutline> Outline;
  // 0-based; "Page#" is this plus one.
  Integer CurPage = 0;
  // 1-based page shown in the preview; printing and export read it for "current page".
  Integer CurPreviewPage = 1;
  Integer CopyNo = 0;
  Integer FirstPage = 0;
  Extended PrintScale = 1;
};

// The outline of a prepared report: a tree of captions pointing at page positions.
class TkvxCustomOutline : public TPersistent {
  ORV_CLASS(TkvxCustomOutline, TPersistent)

 public:
  explicit TkvxCustomOutline(TkvxCustomPreviewPages* previewPages) : PreviewPages(previewPages) {}

  // Items below the current item.
  virtual Integer GetCount() = 0;
  virtual void AddItem(const String& text, Integer top) = 0;
  virtual void LevelDown(Integer index) = 0;
  virtual void LevelRoot() = 0;
  virtual void LevelUp() = 0;
  virtual void GetItem(Integer index, String& text, Integer& page, Integer& top) = 0;
  // from is an item GetCurPosition gave: its next sibling's subtree moves to the next page.
  virtual void ShiftItems(TkvxXMLItem* from, Integer newTop) = 0;
  // The last child of the current item; nullptr when it has none.
  virtual TkvxXMLItem* GetCurPosition() = 0;
  TkvxCustomEngine* GetEngine() const { return PreviewPages ? PreviewPages->Engine : nullptr; }

  TkvxCustomPreviewPages* PreviewPages;
};

// A preview control that shows a report's prepared pages and follows its progress.
class TkvxCustomPreview : public TCustomControl {
  ORV_CLASS(TkvxCustomPreview, TCustomControl)

 public:
  using TCustomControl::TCustomControl;

  virtual void Init() = 0;
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
  virtual void RefreshReport() = 0;
  virtual void ProgressStart(TkvxProgressType progressType) = 0;
  virtual void ProgressStep(TkvxProgressType progressType, Integer progress) = 0;
  virtual void ProgressStop(TkvxProgressType progressType) = 0;

  TkvxReport* Report = nullptr;
  TkvxCustomPreviewPages* PreviewPages = nullptr;
  // Told the report's status texts (as a hint when isHint), for the window the preview sits in.
  std::function<void(const String& text, bool isHint)> OnStatusMessage;
};

// An export filter component; every one that exists is listed in the export-filter registry
// from its creation to its destruction, in creation order.
class TkvxCustomExportFilter : public TComponent {
  ORV_CLASS(TkvxCustomExportFilter, TComponent)

 public:
  explicit TkvxCustomExportFilter(TComponent* owner);
  ~TkvxCustomExportFilter() override;

  // The filter's menu text; '' here.
  virtual String GetDescription() const { return ""; }
  virtual int ShowModal();
  // False stops the export before the first page.
  virtual bool Start() { return true; }
  virtual void ExportObject(TkvxComponent* obj) = 0;
  virtual void Finish() {}
  virtual void FinishPage(TkvxReportPage*, Integer) {}
  virtual void StartPage(TkvxReportPage*, Integer) {}
  // Work on a page that may be done ahead of StartPage, on another thread, while the pages
  // before it are exported: nothing here may touch what the export of another page uses.
  virtual void PreparePage(TkvxReportPage*, Integer) {}
  // Whether objects can still be drawn on a page after its FinishPage, until Finish: a page
  // exported while the report is prepared gets its memos that show the page total once the
  // total is known.
  virtual bool AddsToFinishedPages() const { return false; }
  // What is exported from here to the next AddToPage or Finish is drawn over the page started
  // at position (from 0, in the order of StartPage).
  virtual void AddToPage(Integer) {}

  bool ShowDialog() const { return showDialog_; }
  void SetShowDialog(bool v) { showDialog_ = v; }
  const String& FileName() const { return fileName_; }
  void SetFileName(const String& v) { fileName_ = v; }
  bool ExportNotPrintable() const { return exportNotPrintable_; }
  void SetExportNotPrintable(bool v) { exportNotPrintable_ = v; }
  bool UseFileCache() const { return useFileCache_; }
  void SetUseFileCache(bool v) { useFileCache_ = v; }
  const String& DefaultPath() const { return defaultPath_; }
  void SetDefaultPath(const String& v) { defaultPath_ = v; }
  bool ShowProgress() const { return showProgress_; }
  void SetShowProgress(bool v) { showProgress_ = v; }
  bool OverwritePrompt() const { return overwritePrompt_; }
  void SetOverwritePrompt(bool v) { overwritePrompt_ = v; }

  TkvxReport* Report = nullptr;
  TStream* Stream = nullptr;
  bool CurrentPageOnly = false;
  String PageNumbers;
  // Page headers on the first page only, page footers on the last only.
  bool HeaderFooterOnce = false;
  bool NestedExport = false;
  // Set while the pages are exported as the report is prepared: Start cannot know their count.
  bool PagesComing = false;
  String DefaultExt;
  String DefaultFilter;

 protected:
  // A descendant that must stay out of the registry says so before this constructor runs.
  TkvxCustomExportFilter(TComponent* owner, bool noRegister);
  std::unique_ptr<TObject> Auxiliary;

 private:
  bool noRegister_ = false;
  bool showDialog_ = true;
  String fileName_;
  bool exportNotPrintable_ = false;
  bool useFileCache_ = true;
  String defaultPath_;
  bool showProgress_ = true;
  bool overwritePrompt_ = false;
};

}  // namespace orv
