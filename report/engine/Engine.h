#pragma once
// TkvxEngine: runs a report's pages over their data into the prepared pages. The page frame
// (pages, columns, repeated headers, keep-together) is in Engine.cpp, the walk over data bands
// and groups in EngineBands.cpp, the output of one band (stretch, split, subreports) in
// EngineOutput.cpp, bands printed cell by cell across the page in EngineVBands.cpp.
#include <memory>
#include <unordered_map>
#include <vector>

#include "report/engine/Aggregates.h"
#include "report/engine/PreviewPages.h"
#include "report/model/Bands.h"
#include "report/model/Report.h"

namespace orv {

class TkvxDBDataset;

struct TkvxHeaderListItem {
  TkvxBand* Band;
  Extended Left;
  bool IsInKeepList;
};

class TkvxHeaderList {
 public:
  void Clear() { items_.clear(); }
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  const TkvxHeaderListItem& Items(Integer i) const { return items_[static_cast<size_t>(i)]; }
  void AddItem(TkvxBand* band, Extended left, bool isInKeepList) { items_.push_back({band, left, isInKeepList}); }
  void RemoveItem(TkvxBand* band);
  // The keep-together block has ended or moved: the headers that began in it repeat on the
  // pages and columns after it like any other.
  void EndKeepList() {
    for (TkvxHeaderListItem& item : items_) item.IsInKeepList = false;
  }

 private:
  std::vector<TkvxHeaderListItem> items_;
};

// Where a block of output began that may later move to the next column or page as a whole: the
// objects of the prepared page, the outline and anchors from there on, the top of the block and
// its page, and the aggregate mark of the footer values it carries (-1 when none).
struct TkvxKeepPoint {
  Integer Objects = 0;
  TkvxXMLItem* OutlineParent = nullptr;
  Integer OutlineIndex = 0;
  Integer Anchor = -1;
  Extended Y = 0;
  Integer Page = 0;
  Integer Mark = -1;
};

// A place of the output: prepared page, page column, left and top.
struct TPlace {
  Integer Page = 0, Column = 1;
  Extended X = 0, Y = 0;
};

// Whether the output at a has gone further than at b: a later page, column, or lower.
inline bool kvxFurther(const TPlace& a, const TPlace& b) {
  return a.Page != b.Page ? a.Page > b.Page : a.Column != b.Column ? a.Column > b.Column : a.Y > b.Y;
}

// Where a subreport of a band begins: the place of the band (or of its part) and the subreport's
// top within it, as the objects above it pushed it.
struct TSubreportPlace {
  TkvxSubreport* Sub;
  TPlace Band;
  Extended Top;
};

class TkvxEngine : public TkvxCustomEngine {
  ORV_CLASS(TkvxEngine, TkvxCustomEngine)

 public:
  explicit TkvxEngine(TkvxReport* report);
  ~TkvxEngine() override;

  void EndPage() override;
  void NewColumn() override;
  void NewPage() override;
  void ShowBand(TkvxBand* band) override;
  void ShowBandByClass(TClass bandClass) override;
  Extended HeaderHeight() override;
  Extended FooterHeight() override;
  Extended FreeSpace() override;
  Variant GetAggregateValue(const String& name, const String& expression, TkvxBand* band, Integer flags) override;
  bool Run() override;

  // Pages one band may add while it is split before the run gives up on it with an error.
  static constexpr Integer MaxSplitPages = 1000;

 private:
  // Run-time links and counters of one band, rebuilt by every run.
  struct TBandState {
    std::vector<TkvxBand*> SubBands;
    TkvxHeader* Header = nullptr;
    TkvxFooter* Footer = nullptr;
    TkvxGroupHeader* Group = nullptr;
    TkvxGroupFooter* GroupFooter = nullptr;
    Integer Line = 1, LineThrough = 1;
    bool ShiftTreeBuilt = false;
    std::vector<TkvxComponent*> ShiftChildren;
    // Shown again at the top of a page or column as a repeated header.
    bool Reprint = false;
    // Objects the band had before subreports or vertical bands printed into it; those after
    // are the engine's.
    Integer SavedObjectCount = -1;
    // Some of its objects were handed to the page's vertical bands and come back as cells.
    bool HasVBands = false;
    // Where the band last went out, for its outline entry: page, top and height as printed.
    Integer PrintedPage = 0;
    Extended PrintedTop = 0, PrintedHeight = 0;
    // Multi-column data band: where the present row of columns began, the furthest place one of
    // its cells (with its child and detail bands and subreports) reached, and the left offset of
    // the output around the row. A row moves to the next column at most once.
    TkvxKeepPoint RowPoint;
    TPlace RowStart, RowEnd;
    Extended RowOffset = 0;
    bool RowOpen = false, RowMoved = false;
    // Where the band's subreports start: set where the band, or the part of it holding them, went out.
    std::vector<TSubreportPlace> SubreportPlaces;
    // Records the band's data moved on since its last printed row.
    Integer SincePrinted = 0;
    // The report script pointed the band's data at its master's row already.
    bool MasterDetailDone = false;
    // A data band's group headers, outermost first, once GroupNest has listed them.
    std::vector<TkvxGroupHeader*> Nest;
    bool NestListed = false;
  };
  struct TObjectState {
    std::vector<TkvxComponent*> ShiftChildren;
    Extended ShiftAmount = 0;
    // For an object handed to a vertical band: the band it came from.
    TkvxBand* HomeBand = nullptr;
  };
  // A band whose objects were handed to vertical bands, with its objects as designed.
  struct THandOver {
    TkvxBand* Band;
    std::vector<TkvxComponent*> Objects;
  };

  TBandState& State(TkvxBand* band) { return bands_[band]; }
  TObjectState& ObjState(TkvxComponent* obj) { return objects_[obj]; }
  TkvxPreviewPages* Store() const;

  // Engine.cpp: the run and the page frame.
  bool Initialize();
  void Finalize();
  void RunReportPages();
  void RunAllPages();
  void RunPage(TkvxReportPage* page);
  void PageCopy(TkvxReportPage* page);
  // An endless page takes the size of what it holds.
  void SizeEndlessPage();
  void InitPage();
  void AddPage();
  void ShowPageObjects();
  void ShowPageFooter(TkvxBand* band);
  void ShowColumnFooter();
  void DoNewColumn();
  void ReprintHeaderChain(TkvxBand* band);
  TkvxBand* FindBand(TClass bandClass) const;
  void AddToHeaderList(TkvxBand* band);
  void RemoveFromHeaderList(TkvxBand* band);
  // Starts a keep-together block here, or at an earlier point.
  void StartKeep(TkvxBand* band, const TkvxKeepPoint* from = nullptr);
  void EndKeep(TkvxBand* band);
  TkvxKeepPoint TakeKeepPoint(Integer mark = -1);
  // The block from the point on was cut from page oldPage and pasted at newY of the present
  // page or column: its outline entries, anchors and printed places follow it.
  void BlockMoved(const TkvxKeepPoint& from, Integer oldPage, Extended newY);
  void RecordPrinted(TkvxBand* band);
  void OutlineRoot();
  void AddPageOutline();
  void AddError(const String& text);

  bool RunDialogs();
  void RunPasses();
  // Puts the report's data sets at their first row, where a pass begins.
  void RewindDataSets();
  // The data sets the run walks: the report's list, the report's, pages' and master bands'.
  std::vector<TkvxDataSet*> RunDataSets();
  // Notes the parameters of the data sets read through a query, as the first pass starts.
  void KeepParameters();
  struct TPassParameter {
    TkvxDBDataset* DataSet;
    String Name;
    Variant Value;
  };
  std::vector<TPassParameter> passParameters_;

  // EngineBands.cpp: links between bands and the walk over the data.
  void PrepareBands(TkvxReportPage* page, bool vertical);
  void LinkGroups(std::vector<TkvxBand*>& list);
  void LinkHeaders(std::vector<TkvxBand*>& list);
  void LinkMasterDetail(std::vector<TkvxBand*>& masters, std::vector<TkvxBand*>& list);
  void LinkDetails(TkvxDataBand* band, std::vector<TkvxBand*>& list, size_t from);
  // The band's data set, or its own counting one.
  static TkvxDataSet* BandData(TkvxBand* band);
  void PointAtMaster(TkvxDataBand* band);
  bool HasDetailRows(TkvxDataBand* band, bool printIfEmpty);
  bool PageHasDetailRows(TkvxReportPage* page, bool printIfEmpty);
  bool ListHasDetailRows(const std::vector<TkvxBand*>& list);
  void ShowDataBands(const std::vector<TkvxBand*>& list);
  void ShowDataBand(TkvxDataBand* band);
  // Listed once a run: every row of the band asks for them.
  const std::vector<TkvxGroupHeader*>& GroupNest(TkvxDataBand* band);
  void InitGroups(TkvxDataBand* band, bool initial, size_t from);
  void CheckGroups(TkvxDataBand* band);
  void EndGroups(TkvxDataBand* band, size_t from);
  // EndGroups with the band's data back records behind where it stands.
  void EndGroupsAtLastRow(TkvxDataBand* band, size_t from, Integer back);
  void ApplyDrillDown(TkvxDataBand* band);
  // A cell of a multi-column data band: it begins at the top of its row, in its own column, and
  // its row ends below the furthest of its cells.
  void BeginCell(TkvxDataBand* band, Integer rowMark);
  void EndCell(TkvxDataBand* band);
  void CloseRow(TkvxDataBand* band);
  // The cell at hand does not fit below its row's top: the row goes to the next column or page.
  void MoveRow(TkvxDataBand* band);
  TPlace Here() const;
  void GoTo(const TPlace& place);
  std::vector<TkvxBand*> FootersOf(TkvxDataBand* band);
  std::vector<TkvxDataBand*> DetailsOf(TkvxDataBand* band);

  // EngineOutput.cpp: one band on the page.
  void DoShowBand(TkvxBand* band);
  void PrepareShiftTree(TkvxBand* band);
  void PrepareBand(TkvxBand* band);
  void DoShift(TkvxComponent* obj, Extended amount, TkvxBand* band);
  void UnprepareBand(TkvxBand* band);
  void ReprepareBand(TkvxBand* band);
  // With onePart only the part that fits here is placed: the band is clipped at the column's foot.
  void SplitBand(TkvxBand* band, bool onePart = false);
  void NoteSubreports(TkvxBand* band, const std::vector<TkvxComponent*>& objects);
  // Subreports start where the band's output placed them; with bandTop, on the present page at
  // bandTop plus their top, never above floor.
  void ShowSubreports(TkvxBand* band, const Extended* bandTop = nullptr, Extended floor = 0);
  void MarkRowPrinted(TkvxBand* band);
  void PrintOnParentSubreports(TkvxBand* band);
  void AddBandOutline(TkvxBand* band);
  void OutlineUp(TkvxBand* band);
  // Makes band's objects the given ones, in their order.
  static void SetBandObjects(TkvxBand* band, const std::vector<TkvxComponent*>& objects);

  // EngineVBands.cpp: bands printed cell by cell across the page.
  void HandOver(TkvxBand* band, const std::vector<TkvxBand*>& vbands);
  void ReturnHandedOver();
  void RunVBands(TkvxBand* band);
  void ShowVDataBands(const std::vector<TkvxBand*>& list);
  void ShowVBand(TkvxBand* band);
  void OutputVBandParts(TkvxBand* band);
  // A band made of cells shown at CurX and CurY outside the walk of the data: a repeated header,
  // a page or column footer.
  void OutputCellBand(TkvxBand* band);
  void EndVPage();
  void NextVPage(bool endLeaving);
  // The band whose aggregates a memo of vertical band vband answers when its cell is made in
  // the horizontal band home.
  static TkvxBand* AggregateParent(TkvxBand* vband, TkvxBand* home);

  // A data band's row on its way out. It counts in the totals once its child bands are done, or
  // when the page or column it printed on ends before that (a script starting the next page).
  struct TPendingRow {
    TkvxBand* Band;
    bool Printed = false, Counted = false;
  };
  void CountPrintedRows();

  TkvxAggregateList aggregates_;
  std::vector<TPendingRow*> pendingRows_;
  TkvxHeaderList headerList_;
  std::unordered_map<TkvxBand*, TBandState> bands_;
  std::unordered_map<TkvxComponent*, TObjectState> objects_;
  std::unordered_map<TkvxReportPage*, std::vector<TkvxBand*>> masters_;
  std::unordered_map<TkvxReportPage*, std::vector<TkvxBand*>> vMasters_;
  std::vector<THandOver> handOvers_;
  // Vertical bands repeated at the left of each further page of a wide row.
  TkvxHeaderList vHeaderList_;
  // The horizontal band whose cells are being made, and where its cells pass the page's edge.
  TkvxBand* vContext_ = nullptr;
  std::vector<Integer> vBreaks_;
  // The page the cells of the present row start on.
  Integer vStartPage_ = 0;
  // Pages the rows of the present page continued on, which show its page footer.
  Integer vPagesAhead_ = 0;
  // True while the cells of a wide row move on to a further page.
  bool vBreak_ = false;
  bool reprintingHeader_ = false;
  bool inSummary_ = false;
  TkvxBand* curBand_ = nullptr;
  TkvxBand* breakingBand_ = nullptr;
  bool firstPageOfPass_ = true;
  Extended columnTop_ = 0;
  bool keepDisabled_ = false;
  bool firstPage_ = true;
  // The prepared page a page copy began on.
  Integer copyFirstPage_ = 0;
  // Multi-column bands whose present row is still open, and the pages left meanwhile: their page
  // footers wait for the row's last cell, which counts on the page the row began on.
  Integer openRows_ = 0;
  std::vector<Integer> waitingFooters_;
  void ShowWaitingFooters();
  bool finishing_ = false;
  TkvxBand* keepBand_ = nullptr;
  bool footerShowing_ = false;
  bool keeping_ = false;
  bool keepHeader_ = false;
  Extended footerReserve_ = 0;
  TkvxKeepPoint keepPoint_;
  // The report title shown at the top of a page copy runs its subreports once the page's
  // headers are out, so they neither push the page header to the end of the subreports nor
  // leave its place empty there.
  TkvxBand* titleOfPage_ = nullptr;
  bool titleSubreportsWait_ = false;
  TkvxReportPage* curPage_ = nullptr;
  Extended xOffset_ = 0;
  TkvxBand* newPageBand_ = nullptr;
  // While subreports print on their parent band, the bands they show are copied in here.
  std::unique_ptr<TkvxNullBand> parentContainer_;
  // Pages added by the band being split, against MaxSplitPages.
  Integer splitPages_ = 0;
};

// Makes every report created from now on create a band engine and prepared pages of its own.
void kvxRegisterEngine();

// True when the engine writes the report's pages strictly one after another: once it starts a
// page, the pages before it are final (but for the page marks it puts in as it leaves a page).
bool kvxPagesFinalInOrder(TkvxReport* report);

}  // namespace orv
