#pragma once
// TkvxPreviewPages: the prepared report. Pages are XML items whose objects record only what
// differs from copies of the report's own pages (the source pages); pages are rebuilt as
// objects on demand and kept in a small cache, and with the file cache on, page items move to
// the document's temporary file and come back when asked for.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "report/engine/AliasDictionary.h"
#include "report/engine/Outline.h"
#include "report/engine/PictureCache.h"
#include "report/model/Pages.h"
#include "report/model/Report.h"
#include "report/model/XmlDocument.h"
#include "report/model/XmlSerializer.h"

namespace orv {

class TkvxXMLSerializer;
class TkvxCustomPrinter;
class TkvxPrintOptions;
class TkvxPictureView;

// What AddPage does where a page already exists.
enum class TkvxAddPageAction { WriteOver, Add };

// Page text a run keeps in memory, whatever its file cache setting: past it the pages written so
// far move to the file cache. A single page past kvxMaxPreparedPageBytes ends the run, which
// would otherwise take all the memory there is.
inline constexpr Int64 kvxPreparedMemoryLimit = Int64{64} << 20;
inline constexpr Int64 kvxMaxPreparedPageBytes = Int64{128} << 20;

// Moves page index by its margins (the right one on a mirrored even page), so that the positions
// of its objects include them, as an export or a printer's spool places them on the paper.
void kvxPlaceOnPaper(TkvxReportPage* page, Integer index);

// The page's colour, frame and background picture as one view over its printable area, the
// page placed on its paper: what an export or a printer's spool draws beneath the page's objects.
std::unique_ptr<TkvxPictureView> kvxPageBackgroundView(TkvxReportPage* page);

class TkvxPreviewPages : public TkvxCustomPreviewPages {
  ORV_CLASS(TkvxPreviewPages, TkvxCustomPreviewPages)

 public:
  explicit TkvxPreviewPages(TkvxReport* report);
  ~TkvxPreviewPages() override;

  Integer GetCount() override;
  // The rebuilt page, owned by the page cache; nullptr when index names no page. A caller that
  // keeps a page across other calls of the store holds it through GetPageShared.
  TkvxReportPage* GetPage(Integer index) override;
  std::shared_ptr<TkvxReportPage> GetPageShared(Integer index);
  TPoint GetPageSize(Integer index) override;
  void Clear() override;
  void Initialize() override;
  void AddObject(TkvxComponent* obj) override;
  void AddPage(TkvxReportPage* sourcePage) override;
  void AddSourcePage(TkvxReportPage* page) override;
  void AddToSourcePage(TkvxComponent* obj) override;
  void BeginPass() override;
  void ClearFirstPass() override;
  void CutObjects(Integer position) override;
  void Finish() override;
  void IncLogicalPageNumber() override;
  void ResetLogicalPageNumber() override;
  void PasteObjects(Extended x, Extended y) override;
  void ShiftAnchors(Integer from, Integer newTop) override;
  void AddPicture(TkvxComponent* pictureView) override;
  bool BandExists(TkvxComponent* band) override;
  Integer GetCurPosition() override;
  Integer GetAnchorCur() override;
  Extended GetLastY(Extended x) override;
  Integer GetLogicalPageNo() override;
  Integer GetLogicalTotalPages() override;
  void AddEmptyPage(Integer index) override;
  void DeletePage(Integer index) override;
  void ModifyPage(Integer index, TkvxReportPage* page) override;
  void DrawPage(Integer index, TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                Extended offsetY) override;
  void ObjectOver(Integer index, Integer x, Integer y, TMouseButton button, TShiftState shift, Extended scale,
                  Extended offsetX, Extended offsetY, bool click, TCursor& cursor, bool dblClick = false) override;
  void AddFrom(TkvxReport* report) override;
  // A failed load leaves the store as it was.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  bool LoadFromFile(const String& fileName) override;
  // Written beside the target and renamed over it, so a failed save keeps the old file.
  void SaveToFile(const String& fileName) override;
  bool Print() override;
  bool Export(TkvxCustomExportFilter* filter) override;
  // Runs prepare, which prepares the report into this store and says whether its pages are to be
  // exported, and exports them to filter: the same as prepare followed by Export, but where the
  // report's pages are final as soon as the engine leaves them, each page is exported on threads
  // of their own while the next ones are prepared. False when prepare said no or the export
  // failed; nothing is exported then.
  bool ExportWhilePreparing(TkvxCustomExportFilter* filter, const std::function<bool()>& prepare);

  void AddAnchor(const String& text) override;
  // The last anchor of that text (case-blind); nullptr when none.
  TkvxXMLItem* FindAnchor(const String& text);
  // Anchors from index from up to (not including) index to that point at oldPage now point at
  // newPage, dy pixels lower.
  void MoveAnchors(Integer from, Integer to, Integer oldPage, Integer newPage, Extended dy);
  // 1-based page of the anchor, 1 when there is none.
  Integer GetAnchorPage(const String& text) override;
  // An endless page's prepared size: its source page becomes a custom paper of that size.
  void UpdatePageDimensions(TkvxReportPage* page, Extended width, Extended height);

  TkvxXMLItem* Root() const { return doc_->Root(); }
  TkvxXMLDocument& Document() const { return *doc_; }
  TkvxDictionary& Dictionary() { return dictionary_; }
  TkvxPictureCache& PictureCache() { return *pictureCache_; }
  TkvxOutline* GetOutline() const { return static_cast<TkvxOutline*>(Outline.get()); }
  Integer SourcePageCount() const { return static_cast<Integer>(sourcePages_.size()); }
  TkvxReportPage* SourcePages(Integer index) const { return sourcePages_[static_cast<size_t>(index)].get(); }
  // Bytes of page text added since the last unloading pass.
  Int64 XMLSize() const { return xmlSize_; }

  // The pages came from a prepared report file: no report of this program makes them again.
  bool Loaded() const { return loaded_; }

  TkvxAddPageAction AddPageAction = TkvxAddPageAction::WriteOver;

 private:
  // Pages printed in pieces or several to a sheet leave the cache as they go.
  friend class TkvxPrintLoop;

  TkvxXMLItem* PagesItem();
  TkvxXMLItem* CurPageItem();
  void AddObjectTo(TkvxXMLItem* parent, TkvxComponent* obj);
  void CopySourceTree(TkvxComponent* from, TkvxComponent* toParent,
                      std::vector<std::pair<TkvxComponent*, TkvxComponent*>>& pairs);
  void SetSourceBaseName(TkvxComponent* copy);
  std::unique_ptr<TkvxReportPage> BuildPage(TkvxXMLItem* item);
  // The source page's own properties as a copy of it reads them back.
  struct TSourcePageForm {
    TkvxXMLDocument Document;
    // The root's attributes, read once for every page made from it; nullptr when the root has
    // children, which only the whole reading makes.
    std::unique_ptr<TkvxXMLAttributes> Attributes;
  };
  TSourcePageForm& SourcePageForm(Integer index);
  // depth: how many objects up from item to the page.
  void BuildObjects(TkvxXMLItem* item, TkvxComponent* parent, TkvxXMLSerializer& serializer, bool whole,
                    size_t depth);
  // The dictionary's object for an object item's name, item index of its parent's at depth.
  TkvxComponent* SourceNamed(const String& name, size_t depth, size_t index);
  void ClearPageCache();
  // Pages handed to an export while the engine writes the next ones. The engine lets a page go
  // when it leaves it for good (AddPage, Finish); the export waits for each in turn.
  void OpenHandOver();
  // No page comes any more: all the store holds are final, or with abandon none is.
  void CloseHandOver(bool abandon);
  // Makes the pages before upTo final, but those whose page marks are still to be put in.
  void HandOverPages(Integer upTo);
  // Waits until the page at index is final and gives its logical number; false when no such page
  // comes.
  bool WaitHandedOver(Integer index, Integer& logical);
  // Waits until no page comes any more and gives the number of pages, or -1 when the run was
  // abandoned.
  Integer WaitHandOverEnd();
  // The page at index, final, rebuilt while the engine may write later pages; an item the engine
  // moved to the file cache is read back for it and put back after.
  std::unique_ptr<TkvxReportPage> BuildHandedOver(Integer index);
  // Moves the item of a handed-over page, exported now, to the file cache: nothing reads it
  // while the run goes on, and a long run would otherwise hold every page it exported, and says
  // the export is done with the pages up to it.
  void PutAwayExported(Integer index);
  // Said by the export when it takes no more pages before the end of the run.
  void StopPacing();
  // On the engine's side, when the process has one processor: waits, when the export is more than
  // ahead pages behind the page at index, for it to come within a couple of pages. Taking turns
  // with the export on that processor, the engine would otherwise run far ahead of it, and every
  // page it passed would go to the file cache and come back. An export that exports nothing for a
  // while is not waited for again.
  void PaceEngine(Integer index, Integer ahead);
  // The same on the engine's side for a handed-over page the export has not reached yet: an export
  // slower than the engine would otherwise hold every page it is behind by.
  void PutAwayWaiting(Integer index);
  // Opens the printer's job and prints the pages through the print loop; false when nothing
  // went out, with the reason reported.
  bool RunJob(TkvxCustomPrinter* printer, const TkvxPrintOptions& options, Integer duplex, Extended sheetWidth,
              Extended sheetHeight);
  // A link clicked in the preview: "@N" shows page N, "#name" the anchor of that name, a web or
  // mail address opens on the desktop.
  void FollowLink(const String& url);
  // Memos leave the page total and the copy's name as markers while the report runs; a page
  // drawn, printed or exported gets them from here.
  void SetMemoPageValues(TkvxReportPage* page, Integer index);
  void SetMemoPageValues(TkvxReportPage* page, Integer index, Integer count, Integer logical);
  // Puts the numbers of the page at index in place of the page marks its memos left; done once
  // its objects can no longer move to another page.
  void ResolvePageMarks(Integer index);
  // The same for every page still holding marks.
  void ResolveMarkedPages();
  // The logical number of the page at index.
  Integer LogicalPageNoAt(Integer index);
  bool LogicalNumbersFrozen() const;
  void WriteWholePage(TkvxXMLItem* item, TkvxReportPage* page);
  // Refreshes "report", "sourcepages", "dictionary" and "picturecache" for a save.
  void PrepareForSave();
  // Reads a prepared report from a stream the document then owns (made with new).
  void Load(TStream* owned);

  std::unique_ptr<TkvxXMLDocument> doc_;
  TkvxXMLItem* pagesItem_ = nullptr;
  std::vector<std::unique_ptr<TkvxReportPage>> sourcePages_;
  // Serialised once and read for every page built from it, instead of once per page; made when
  // first needed and dropped whenever its source page changes.
  std::vector<std::unique_ptr<TSourcePageForm>> sourcePageForms_;
  TkvxDictionary dictionary_;
  // A source object's attribute text, read once for every copy of it a page holds; found by the
  // text itself, so a source changed or replaced never meets the reading of an old one.
  std::unordered_map<String, std::unique_ptr<TkvxXMLAttributes>> sourceAttributes_;
  // The same, found by the source object: a source's text never changes once it is on a source
  // page, and source objects go only with Clear. Saves copying and hashing the text per object.
  std::unordered_map<const TkvxComponent*, TkvxXMLAttributes*> sourceAttributesOf_;
  // The source's attributes as a rebuilt object reads them first.
  TkvxXMLAttributes* SourceAttributes(const TkvxComponent* source);
  // The source found for the object built last at each place of its parent, by depth, good for
  // the page being built (the dictionary may grow between pages): a page's bands repeat a few
  // bands, whose objects come in the same order each time, so an object's name is mostly the
  // one met last at its place, and comparing it costs less than searching the dictionary.
  struct TRecentSource {
    String Name;
    TkvxComponent* Source = nullptr;
    std::uint64_t Page = 0;
  };
  std::vector<std::vector<TRecentSource>> recentSources_;
  std::uint64_t pagesBuilt_ = 0;
  // Moves the pages written so far, but the current one, to the file cache (all: the first two
  // as well, which otherwise stay).
  void UnloadWrittenPages(bool all);

  std::unique_ptr<TkvxPictureCache> pictureCache_;
  // An export rebuilds pages on a thread of its own while the GUI thread may still be asked for a
  // page: one page is rebuilt at a time, and page items are read back and unloaded one at a time
  // (in that order when both are held).
  std::mutex buildLock_;
  std::mutex itemsLock_;
  // The hand-over to an export that runs while the report is prepared (see OpenHandOver). The
  // engine adds page items and unloads them under itemsLock_ then, and leaves the items in
  // handOverBusy_ loaded, which the export is rebuilding.
  struct THandOver {
    std::mutex Lock;
    std::condition_variable Changed;
    // Pages before Final are the export's to read; logical numbers of each.
    Integer Final = 0;
    std::vector<Integer> Logical;
    bool Closed = false;
    // Pages before Exported are exported; Unpaced when the process has processors to spare, when
    // the export takes no more before the end, or once it kept the engine waiting without exporting.
    Integer Exported = 0;
    bool Unpaced = false;
    // The page the engine waits at for the export to come within a couple of pages, -1 while it
    // does not wait: the export wakes it once, when it may go on, not at every page exported.
    Integer PacedAt = -1;
    // Whether the engine at page index may go on, the export within pages of it.
    bool Within(Integer index, Integer pages) const {
      return Unpaced || Closed || Exported >= Final || index - Exported <= pages;
    }
  };
  std::unique_ptr<THandOver> handOver_;
  std::set<Integer> handOverBusy_;
  // Front = most recently used.
  std::vector<std::pair<Integer, std::shared_ptr<TkvxReportPage>>> pageCache_;
  // Pages written with page marks still in them, and whether the objects cut for a move came
  // from such a page.
  std::set<Integer> markedPages_;
  bool cutMarked_ = false;
  Integer passStartPage_ = -1;
  Integer passStartObjects_ = 0;
  Integer logicalCounter_ = 0;
  Int64 xmlSize_ = 0;
  // Bytes of text written to the current page.
  Int64 pageBytes_ = 0;
  bool loaded_ = false;
  // Loaded from a file whose memos write their page total and copy name out as text.
  bool writtenTotals_ = false;
};

// Opens a view's link in the desktop's browser or mail program: http, https and mailto links
// only, anything else is ignored. False when nothing was opened.
bool kvxOpenURL(const String& url);

}  // namespace orv
