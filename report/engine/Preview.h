#pragma once
// TkvxPreview: the control that shows a report's prepared pages while the report is still
// running, with zoom, navigation, outline, thumbnails, search and the commands that print,
// save, open and export the prepared report.
#include <functional>
#include <utility>
#include <vector>

#include "platform/gui/ControlFrame.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Menus.h"
#include "platform/gui/Splitter.h"
#include "platform/gui/TreeView.h"
#include "report/engine/PreviewWorkspace.h"
#include "report/model/ReportOptions.h"

namespace orv {

class TkvxPreviewForm;
class TkvxPreviewPages;

using TkvxPageChangedEvent = std::function<void(TObject* sender, Integer pageNo)>;

class TkvxPreview : public TkvxCustomPreview {
  ORV_CLASS(TkvxPreview, TkvxCustomPreview)

 public:
  explicit TkvxPreview(TComponent* owner);
  ~TkvxPreview() override;

  void Init() override;
  void Lock() override;
  void Unlock() override;
  void RefreshReport() override;
  void ProgressStart(TkvxProgressType progressType) override;
  void ProgressStep(TkvxProgressType progressType, Integer progress) override;
  void ProgressStop(TkvxProgressType progressType) override;

  void UpdatePages();
  void UpdateOutline();
  void ShowMessage(const String& text);
  void HideMessage();
  Integer GetPageCount();

  Integer PageNo() const { return pageNo_; }
  void SetPageNo(Integer value);
  void First() { SetPageNo(1); }
  void Next() { SetPageNo(pageNo_ + 1); }
  void Prior() { SetPageNo(pageNo_ - 1); }
  void Last() { SetPageNo(GetPageCount()); }
  void SetPosition(Integer pageN, Integer top);
  void DoPageChanged();

  Extended Zoom() const { return zoom_; }
  void SetZoom(Extended value);
  TkvxZoomMode ZoomMode() const { return zoomMode_; }
  void SetZoomMode(TkvxZoomMode value);
  void MouseWheelScroll(int wheelDelta, bool horizontal, bool zoomKey);

  bool OutlineVisible() const { return outline_->Visible(); }
  void SetOutlineVisible(bool value);
  bool ThumbnailVisible() const { return thumbnails_->Visible(); }
  void SetThumbnailVisible(bool value);
  Integer OutlineWidth() const { return outline_->Width(); }
  void SetOutlineWidth(Integer value);
  TColor OutlineColor() const { return outline_->Color(); }
  void SetOutlineColor(TColor value) { outline_->SetColor(value); }
  // The colours of the main page area: around the current page, around the pages, of each page's frame.
  TColor ActiveFrameColor() const { return workspace_->ActiveFrameColor; }
  void SetActiveFrameColor(TColor value);
  TColor BackColor() const { return workspace_->BackColor; }
  void SetBackColor(TColor value);
  TColor FrameColor() const { return workspace_->FrameColor; }
  void SetFrameColor(TColor value);

  // The frame around the pages, outline and thumbnails: the window's border (bsSingle, the
  // default, or bsNone), the bevel and the border width. Each change lays the frame out anew.
  TBorderStyle BorderStyle() const { return frame_.BorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  TBevelEdges BevelEdges() const { return frame_.BevelEdges; }
  void SetBevelEdges(TBevelEdges value);
  TBevelCut BevelInner() const { return frame_.BevelInner; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return frame_.BevelOuter; }
  void SetBevelOuter(TBevelCut value);
  TBevelKind BevelKind() const { return frame_.BevelKind; }
  void SetBevelKind(TBevelKind value);
  Integer BorderWidth() const { return frame_.BorderWidth; }
  void SetBorderWidth(Integer value);

  // The commands; all but the search ones do nothing while a report runs. A command that fails
  // reports its error and leaves the preview unlocked and showing its pages.
  void Print();
  void SaveToFile();
  void SaveToFile(const String& fileName);
  void LoadFromFile();
  void LoadFromFile(const String& fileName);
  void Export(TkvxCustomExportFilter* filter);
  void PageSetupDlg();
  // The settings of page settings (a page of the store, as the dialog left it) for the page
  // shown or for every page: a report made here is prepared again with them, pages opened from a
  // file take them one by one.
  void ApplyPageSettings(TkvxReportPage* settings, bool toAll);
  void Find();
  // Searches for text from the first page (fromTop) or from the current one.
  void FindText(const String& text, bool caseSensitive, bool fromTop);
  void FindNext();
  void AddPage();
  void DeletePage();
  void Clear();
  void Cancel();
  // The shown page, as plain objects on a page of a report of its own, is handed to the report's
  // designer and written back when the designer changed it.
  void Edit();
  // The report's pages as this run took them are handed to the designer of a report of their own.
  void ShowTemplate();

  bool Locked() const { return locked_; }
  bool Running() const { return running_; }
  bool FindAllowed() const { return findAllowed_; }
  const TkvxSearchState& Search() const { return search_; }
  TkvxPreviewWorkspace* Workspace() const { return workspace_; }
  TkvxPreviewWorkspace* Thumbnails() const { return thumbnails_; }
  TTreeView* OutlineTree() const { return outline_; }
  TPanel* MessagePanel() const { return messagePanel_; }
  // The click handler of the outline tree.
  void OutlineClick();

  // The hint of the report object under the mouse becomes the control's hint and the status text.
  bool UseReportHints = true;

  TkvxPageChangedEvent OnPageChanged;
  // Told when a run starts and stops, so the owning window can update its buttons.
  TNotifyEvent OnRunStateChanged;
  // Told after every layout, so the owning window can show the zoom.
  TNotifyEvent OnZoomChanged;

 protected:
  void KeyDown(Word& key, TShiftState shift) override;
  void Resize() override;
  void Paint() override;
  void AdjustClientRect(TRect& rect) const override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // Runs a command between Lock and Unlock, unlocking whatever happens inside; an error is
  // reported through the report's error handler once the preview shows its pages again. Print
  // and export lock the preview themselves once their dialog has closed (lock False), so the
  // pages stay drawn while the user picks them.
  void RunLocked(const String& message, const std::function<void()>& work, bool lock = true);
  bool HasButton(TkvxPreviewButton button) const;
  TkvxPreviewPages* Store() const;

  // Rebuilds the frame: the children are laid out inside it again and it is painted.
  void FrameChanged();
  template <class V>
  void SetFrame(V TControlFrame::*member, V value) {
    if (frame_.*member == value) return;
    frame_.*member = value;
    FrameChanged();
  }

  TControlFrame frame_{bsSingle};
  TkvxPreviewWorkspace* workspace_;
  TkvxPreviewWorkspace* thumbnails_;
  TTreeView* outline_;
  TSplitter* splitter_;
  TPanel* messagePanel_;
  TLabel* messageLabel_;
  TButton* cancelButton_;
  TPopupMenu* outlinePopup_;
  // The window the preview sits in, when it is the preview window.
  TkvxPreviewForm* OwnerForm() const;
  // Page (1-based) and top of each outline node, by the node's number.
  std::vector<std::pair<Integer, Integer>> outlineTargets_;
  Integer pageNo_ = 1;
  Extended zoom_ = 1;
  TkvxZoomMode zoomMode_ = zmDefault;
  bool locked_ = false;
  bool running_ = false;
  bool refreshing_ = false;
  bool findAllowed_ = false;
  TkvxSearchState search_;
  Integer refreshInterval_ = 50;
  Int64 tick_ = 0;
  // When the counter and the scroll range were last refreshed during a run.
  Int64 refreshed_ = 0;
};

}  // namespace orv
