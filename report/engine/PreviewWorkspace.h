#pragma once
// The page areas of the preview: a flow of page rectangles at a zoom (TkvxPageList), a control
// with its own scroll state (TkvxScrollWin) and the workspace that paints, scrolls, clicks and
// searches the prepared pages (TkvxPreviewWorkspace).
#include <map>
#include <memory>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Metafile.h"
#include "platform/gui/StdCtrls.h"
#include "report/model/Interfaces.h"

namespace orv {

class TkvxPreview;

struct TkvxPageItem {
  Integer Height = 0;
  Integer Width = 0;
  Integer Left = 0;
  Integer Top = 0;
};

class TkvxPageList {
 public:
  void AddPage(Integer width, Integer height, Extended zoom);
  // Rows of pages 10 pixels apart, each row centred in clientWidth.
  void CalcBounds(Integer clientWidth);
  // The page at line y (or, with x not 0, the page holding the point); -1 above the first page.
  Integer FindPage(Integer y, Integer x = 0) const;
  // An A4 rectangle at zoom for an index that names no page.
  TRect GetPageBounds(Integer index, Integer clientWidth, bool rightToLeft, Extended zoom) const;
  TPoint GetMaxBounds() const;
  const TkvxPageItem& GetItem(Integer index) const { return items_[static_cast<size_t>(index)]; }
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  void Clear() { items_.clear(); }
  Integer MaxWidth = 0;

 private:
  std::vector<TkvxPageItem> items_;
};

// A control that scrolls over a range of its own; positions are clamped to the range less the
// visible part.
class TkvxScrollWin : public TCustomControl {
  ORV_CLASS(TkvxScrollWin, TCustomControl)

 public:
  explicit TkvxScrollWin(TComponent* owner);

  Integer HorzRange() const { return horzRange_; }
  Integer HorzPage() const { return horzPage_; }
  Integer HorzPosition() const { return horzPosition_; }
  Integer VertRange() const { return vertRange_; }
  Integer VertPage() const { return vertPage_; }
  Integer VertPosition() const { return vertPosition_; }
  void SetHorzRange(Integer value);
  void SetHorzPage(Integer value);
  void SetHorzPosition(Integer value);
  void SetVertRange(Integer value);
  void SetVertPage(Integer value);
  void SetVertPosition(Integer value);
  // The area pages are painted in: the client area less the scroll bars.
  Integer ViewWidth() const;
  Integer ViewHeight() const;
  Integer LargeChange = 10;
  Integer SmallChange = 1;

 protected:
  virtual void HorzPositionChanged() {}
  virtual void VertPositionChanged() {}
  void Resize() override;
  void Paint() override;

 private:
  void UpdateBar(TScrollBar* bar, Integer range, Integer page, Integer position);
  void PlaceBars();
  TScrollBar* horzBar_;
  TScrollBar* vertBar_;
  Integer horzRange_ = 0, horzPage_ = 0, horzPosition_ = 0;
  Integer vertRange_ = 0, vertPage_ = 0, vertPosition_ = 0;
  bool updatingBars_ = false;
};

// Where a search stands: the text, the page searched, the last matching text record and its
// bounds in page pixels at zoom 1.
struct TkvxSearchState {
  WideString Text;
  bool CaseSensitive = false;
  bool Found = false;
  TRect FoundRect;
  Integer Page = 0;
  Integer LastMatch = -1;
};

class TkvxPreviewWorkspace : public TkvxScrollWin {
  ORV_CLASS(TkvxPreviewWorkspace, TkvxScrollWin)

 public:
  TkvxPreviewWorkspace(TComponent* owner, TkvxPreview* preview, bool isThumbnail);

  void AddPage(Integer width, Integer height);
  void CalcPageBounds(Integer clientWidth);
  // Forgets the pages and the thumbnails drawn of them.
  void ClearPages();
  void UpdateScrollBars();
  void ScrollToPage(Integer pageNo);
  void SetPosition(Integer pageN, Integer top);
  // Continues the preview's search from its page and last match; true when a match was found.
  bool FindText(TkvxSearchState& search);
  // Forgets the page drawn for the search, so the next search draws it again.
  void DropSearchPage();
  void DrawPages(bool backgroundOnly);
  // One page with its frame into r of canvas, at the workspace's zoom.
  void DrawPage(TCanvas& canvas, Integer index, const TRect& r);
  TkvxPageList& Pages() { return pages_; }
  // Thumbnails drawn and kept, for the test of the cache.
  size_t CachedThumbnails() const { return thumbnails_.size(); }

  TkvxCustomPreviewPages* PreviewPages = nullptr;
  Extended Zoom = 1;
  TColor ActiveFrameColor = static_cast<TColor>(0x804020);
  TColor BackColor = static_cast<TColor>(0x808080);
  TColor FrameColor = static_cast<TColor>(0);
  Integer PageNo = 1;
  bool Locked = false;
  bool RightToLeft = false;
  // The page whose thumbnail carries the search mark (0-based); -1 for none.
  Integer MarkPage = -1;
  TRect MarkRect;

 protected:
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void DblClick() override;
  void VertPositionChanged() override;
  void HorzPositionChanged() override;

 private:
  TRect ShownBounds(Integer index) const;
  TkvxPreview* preview_;
  bool isThumbnail_;
  TkvxPageList pages_;
  std::map<Integer, std::unique_ptr<TBitmap>> thumbnails_;
  std::unique_ptr<TMetafile> searchMetafile_;
  Integer searchMetafilePage_ = -1;
  bool dragging_ = false;
  bool suppressScroll_ = false;
  int lastX_ = 0, lastY_ = 0;
  Int64 lastClick_ = 0;
};

}  // namespace orv
