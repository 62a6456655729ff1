#include "report/engine/Preview.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/gui/Application.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/FileUtils.h"
#include "platform/gui/ImageList.h"
#include "report/engine/PageSettingsForm.h"
#include "report/engine/PreviewForm.h"
#include "report/engine/PreviewPages.h"
#include "report/engine/Printers.h"
#include "report/engine/SearchDialog.h"
#include "report/model/Resources.h"
#include "report/model/LegacyText.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxPreview, c) {
  c.Prop("ActiveFrameColor", &TkvxPreview::ActiveFrameColor, &TkvxPreview::SetActiveFrameColor)
      .Default(static_cast<TColor>(0x804020));
  c.Prop("BackColor", &TkvxPreview::BackColor, &TkvxPreview::SetBackColor).Default(static_cast<TColor>(0x808080));
  c.Prop("FrameColor", &TkvxPreview::FrameColor, &TkvxPreview::SetFrameColor).Default(static_cast<TColor>(0));
  c.Prop("OutlineColor", &TkvxPreview::OutlineColor, &TkvxPreview::SetOutlineColor).Default(clWindow);
  c.Prop("OutlineVisible", &TkvxPreview::OutlineVisible, &TkvxPreview::SetOutlineVisible);
  c.Prop("OutlineWidth", &TkvxPreview::OutlineWidth, &TkvxPreview::SetOutlineWidth);
  c.Prop("ThumbnailVisible", &TkvxPreview::ThumbnailVisible, &TkvxPreview::SetThumbnailVisible);
  c.Prop("BorderStyle", &TkvxPreview::BorderStyle, &TkvxPreview::SetBorderStyle).Default(bsSingle);
  c.Prop("BevelEdges", &TkvxPreview::BevelEdges, &TkvxPreview::SetBevelEdges)
      .Default(TBevelEdges{beLeft, beTop, beRight, beBottom});
  c.Prop("BevelInner", &TkvxPreview::BevelInner, &TkvxPreview::SetBevelInner).Default(bvRaised);
  c.Prop("BevelKind", &TkvxPreview::BevelKind, &TkvxPreview::SetBevelKind).Default(bkNone);
  c.Prop("BevelOuter", &TkvxPreview::BevelOuter, &TkvxPreview::SetBevelOuter).Default(bvLowered);
  c.Prop("BorderWidth", &TkvxPreview::BorderWidth, &TkvxPreview::SetBorderWidth).Default(0);
  c.Prop("UseReportHints", [](TkvxPreview& p) { return p.UseReportHints; },
         [](TkvxPreview& p, bool value) { p.UseReportHints = value; })
      .Default(true);
  c.Event("OnPageChanged", &TkvxPreview::OnPageChanged);
}

namespace {

constexpr int kScrollBarSize = 16;
// Pages added to the view one by one while a report runs; the rest are laid out at the end.
constexpr Integer kPagesShownWhileRunning = 50;
// Each refresh during a run repaints the pages shown; more often than this, a long list spent a
// third of its run repainting the same first page.
constexpr Int64 kRefreshMs = 250;

Int64 NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

String Res(const char* key) { return kvxGetResources()->Get(key); }

String QpvFilter() { return Res("clQPVfiles") + " (*.qpv)|*.qpv"; }

// The paper list of the selected printer, as the page settings dialog reads it.
class TPrinterPapers : public IkvxPaperSource {
 public:
  explicit TPrinterPapers(TkvxCustomPrinter& printer) : printer_(printer) {}
  int PaperCount() const override { return static_cast<int>(printer_.Papers().size()); }
  String PaperName(int index) const override { return printer_.Papers()[static_cast<size_t>(index)].Name; }
  Integer PaperCode(int index) const override { return printer_.Papers()[static_cast<size_t>(index)].Code; }
  void SetViewParams(Integer paperSize, Extended width, Extended height, TPrinterOrientation o) override {
    printer_.SetViewParams(paperSize, width, height, o == poLandscape);
  }
  Extended PaperWidth() const override { return printer_.PaperWidth(); }
  Extended PaperHeight() const override { return printer_.PaperHeight(); }

 private:
  TkvxCustomPrinter& printer_;
};

// Lock now when asked, Unlock whatever happens before the scope ends.
class TPreviewLock {
 public:
  TPreviewLock(TkvxPreview& preview, bool lock) : preview_(preview) {
    if (lock) preview_.Lock();
  }
  ~TPreviewLock() { preview_.Unlock(); }
  TPreviewLock(const TPreviewLock&) = delete;
  TPreviewLock& operator=(const TPreviewLock&) = delete;

 private:
  TkvxPreview& preview_;
};

}  // namespace

TkvxPreview::TkvxPreview(TComponent* owner) : TkvxCustomPreview(owner) {
  SetBounds(0, 0, 100, 100);
  outline_ = new TTreeView(this);
  outline_->SetParent(this);
  outline_->SetAlign(alLeft);
  outline_->SetVisible(false);
  outline_->SetWidth(120);
  outline_->SetColor(clWindow);
  outline_->OnChange = [this](TObject*, TTreeNode*) { OutlineClick(); };
  outlinePopup_ = new TPopupMenu(this);
  outlinePopup_->SetImages(kvxGetResources()->GetPreviewButtonImages());
  auto* collapse = new TMenuItem(outlinePopup_);
  collapse->SetCaption(Res("601"));
  collapse->SetImageIndex(13);
  collapse->OnClick = [this](TObject*) { outline_->FullCollapse(); };
  auto* expand = new TMenuItem(outlinePopup_);
  expand->SetCaption(Res("600"));
  expand->SetImageIndex(14);
  expand->OnClick = [this](TObject*) {
    outline_->FullExpand();
    if (TTreeNode* first = outline_->Items()->GetFirstNode()) outline_->SetTopItem(first);
  };
  outlinePopup_->Items()->Add(collapse);
  outlinePopup_->Items()->Add(expand);
  outline_->SetPopupMenu(outlinePopup_);

  thumbnails_ = new TkvxPreviewWorkspace(this, this, true);
  thumbnails_->SetParent(this);
  thumbnails_->SetAlign(alLeft);
  thumbnails_->SetWidth(120);
  thumbnails_->SetVisible(false);

  splitter_ = new TSplitter(this);
  splitter_->SetParent(this);
  splitter_->SetAlign(alLeft);
  splitter_->SetWidth(4);
  splitter_->SetVisible(false);
  splitter_->OnMoved = [this](TObject*) { UpdatePages(); };

  workspace_ = new TkvxPreviewWorkspace(this, this, false);
  workspace_->SetParent(this);
  workspace_->SetAlign(alClient);
  // The page area holds the keyboard focus; its keys are the preview's.
  workspace_->OnKeyDown = [this](TObject*, Word& key, TShiftState shift) { KeyDown(key, shift); };

  messagePanel_ = new TPanel(this);
  messagePanel_->SetParent(this);
  messagePanel_->SetBounds(0, 0, 260, 75);
  messagePanel_->SetVisible(false);
  messageLabel_ = new TLabel(messagePanel_);
  messageLabel_->SetParent(messagePanel_);
  messageLabel_->SetBounds(4, 20, 255, 20);
  messageLabel_->SetAlignment(taCenter);
  cancelButton_ = new TButton(messagePanel_);
  cancelButton_->SetParent(messagePanel_);
  cancelButton_->SetBounds(92, 44, 75, 25);
  cancelButton_->SetCaption(Res("clCancel"));
  cancelButton_->SetVisible(false);
  cancelButton_->OnClick = [this](TObject*) {
    if (Report) Report->Terminated = true;
  };
}

TkvxPreview::~TkvxPreview() {
  if (Report) Report->SetPreview(nullptr);
}

TkvxPreviewPages* TkvxPreview::Store() const { return dynamic_cast<TkvxPreviewPages*>(PreviewPages); }

void TkvxPreview::Notification(TComponent* component, TOperation operation) {
  TkvxCustomPreview::Notification(component, operation);
  if (operation == opRemove && Report && component == Report) {
    Clear();
    Report = nullptr;
    PreviewPages = nullptr;
    workspace_->PreviewPages = nullptr;
    thumbnails_->PreviewPages = nullptr;
  }
}

bool TkvxPreview::HasButton(TkvxPreviewButton button) const {
  return Report && Report->PreviewOptions()->Buttons.Contains(button);
}

void TkvxPreview::Init() {
  workspace_->PreviewPages = PreviewPages;
  thumbnails_->PreviewPages = PreviewPages;
  search_ = TkvxSearchState{};
  findAllowed_ = false;
  workspace_->MarkPage = thumbnails_->MarkPage = -1;
  if (Report) {
    TkvxPreviewOptions* o = Report->PreviewOptions();
    SetOutlineWidth(o->OutlineWidth);
    SetOutlineVisible(o->OutlineVisible);
    SetThumbnailVisible(o->ThumbnailVisible);
    workspace_->RightToLeft = thumbnails_->RightToLeft = o->RTLPreview;
    zoomMode_ = o->ZoomMode;
    zoom_ = o->Zoom;
  }
  UpdatePages();
  UpdateOutline();
  First();
}

void TkvxPreview::Lock() {
  locked_ = true;
  workspace_->Locked = true;
  thumbnails_->Locked = true;
}

void TkvxPreview::Unlock() {
  HideMessage();
  locked_ = false;
  workspace_->Locked = false;
  thumbnails_->Locked = false;
  UpdatePages();
  workspace_->Invalidate();
  thumbnails_->Invalidate();
}

void TkvxPreview::RunLocked(const String& message, const std::function<void()>& work, bool lock) {
  String error;
  {
    TPreviewLock guard(*this, lock);
    if (!message.empty()) ShowMessage(message);
    try {
      work();
    } catch (const Exception& e) {
      error = e.Message();
    } catch (const std::exception& e) {
      error = e.what();
    }
  }
  if (!error.empty()) kvxCommonErrorHandler(Report, error);
}

Integer TkvxPreview::GetPageCount() { return PreviewPages ? PreviewPages->GetCount() : 0; }

void TkvxPreview::ShowMessage(const String& text) {
  messagePanel_->SetBounds((Width() - 260) / 2, (Height() - 75) / 3, 260, 75);
  messageLabel_->SetCaption(text);
  messagePanel_->Show();
  messagePanel_->BringToFront();
  messagePanel_->Repaint();
}

void TkvxPreview::HideMessage() {
  messagePanel_->Hide();
  cancelButton_->Hide();
}

void TkvxPreview::UpdatePages() {
  if (locked_ || GetPageCount() == 0) return;
  findAllowed_ = false;
  workspace_->DropSearchPage();
  TPoint size = PreviewPages->GetPageSize(pageNo_ - 1);
  if (size.Y == 0) return;
  Integer usableWidth = workspace_->Width() - kScrollBarSize - 26;
  Integer usableHeight = workspace_->Height() - 26;
  // With no room to show a page (a hidden or collapsed window) the zoom stays as it is rather
  // than turning zero or negative.
  bool room = usableWidth > 0 && usableHeight > 0 && ClientWidth() > 0 && ClientHeight() > 0 && size.X > 0;
  if (zoomMode_ == zmWholePage && room) {
    if (static_cast<Extended>(size.Y) / ClientHeight() >= static_cast<Extended>(size.X) / ClientWidth())
      zoom_ = static_cast<Extended>(usableHeight) / size.Y;
    else
      zoom_ = static_cast<Extended>(usableWidth) / size.X;
  } else if (zoomMode_ == zmPageWidth && room) {
    zoom_ = static_cast<Extended>(usableWidth) / size.X;
  }
  workspace_->Zoom = zoom_;
  thumbnails_->Zoom = 0.1;
  workspace_->ClearPages();
  thumbnails_->ClearPages();
  Integer count = GetPageCount();
  for (Integer i = 0; i < count; ++i) {
    TPoint s = PreviewPages->GetPageSize(i);
    workspace_->AddPage(s.X, s.Y);
    if (!running_) thumbnails_->AddPage(s.X, s.Y);
  }
  workspace_->CalcPageBounds(workspace_->ViewWidth() - 26);
  if (!running_) thumbnails_->CalcPageBounds(thumbnails_->ViewWidth() - 26);
  workspace_->UpdateScrollBars();
  thumbnails_->UpdateScrollBars();
  workspace_->SetHorzPosition(workspace_->HorzPosition());
  workspace_->SetVertPosition(workspace_->VertPosition());
  if (zoomMode_ == zmWholePage && room) SetPosition(pageNo_, 0);
  if (!refreshing_) {
    workspace_->Invalidate();
    thumbnails_->Invalidate();
  }
  if (OnZoomChanged) OnZoomChanged(this);
}

void TkvxPreview::UpdateOutline() {
  outline_->Items()->BeginUpdate();
  outline_->Items()->Clear();
  outlineTargets_.clear();
  auto* outline = Store() ? Store()->GetOutline() : nullptr;
  if (outline) {
    outline->LevelRoot();
    std::function<void(TTreeNode*)> add = [&](TTreeNode* parent) {
      Integer n = outline->GetCount();
      for (Integer i = 0; i < n; ++i) {
        String text;
        Integer page = 0, top = 0;
        outline->GetItem(i, text, page, top);
        TTreeNode* node = outline_->Items()->AddChild(parent, text);
        node->SetData(static_cast<Integer>(outlineTargets_.size()));
        outlineTargets_.push_back({page + 1, top});
        outline->LevelDown(i);
        add(node);
        outline->LevelUp();
      }
    };
    add(nullptr);
  }
  outline_->Items()->EndUpdate();
  if (Report && Report->PreviewOptions()->OutlineExpand) outline_->FullExpand();
  if (TTreeNode* first = outline_->Items()->GetFirstNode()) outline_->SetTopItem(first);
}

void TkvxPreview::OutlineClick() {
  TTreeNode* node = outline_->Selected();
  if (!node || node->IntegerData() >= static_cast<Integer>(outlineTargets_.size())) return;
  const auto& [page, top] = outlineTargets_[static_cast<size_t>(node->IntegerData())];
  SetPosition(page, top);
  if (CanFocus()) SetFocus();
}

void TkvxPreview::SetPageNo(Integer value) {
  Integer count = GetPageCount();
  value = std::clamp<Integer>(value, 1, std::max<Integer>(count, 1));
  bool changed = value != pageNo_;
  pageNo_ = value;
  workspace_->PageNo = value;
  thumbnails_->PageNo = value;
  if (changed) {
    workspace_->Invalidate();
    thumbnails_->Invalidate();
  }
  workspace_->ScrollToPage(value);
  thumbnails_->ScrollToPage(value);
  DoPageChanged();
}

void TkvxPreview::SetPosition(Integer pageN, Integer top) {
  pageN = std::clamp<Integer>(pageN, 1, std::max<Integer>(GetPageCount(), 1));
  workspace_->SetPosition(pageN, top);
}

void TkvxPreview::DoPageChanged() {
  if (OnPageChanged) OnPageChanged(this, pageNo_);
}

void TkvxPreview::SetZoom(Extended value) {
  zoom_ = std::max<Extended>(value, 0.25);
  zoomMode_ = zmDefault;
  UpdatePages();
}

void TkvxPreview::SetZoomMode(TkvxZoomMode value) {
  zoomMode_ = value;
  UpdatePages();
}

void TkvxPreview::MouseWheelScroll(int wheelDelta, bool horizontal, bool zoomKey) {
  if (wheelDelta == 0) return;
  int sign = wheelDelta > 0 ? 1 : -1;
  if (zoomKey) {
    SetZoom(std::max<Extended>(zoom_ + sign / 10.0, 0.3));
  } else if (horizontal) {
    workspace_->SetHorzPosition(workspace_->HorzPosition() - sign * 20);
  } else {
    workspace_->SetVertPosition(workspace_->VertPosition() - sign * 20);
  }
}

TkvxPreviewForm* TkvxPreview::OwnerForm() const { return dynamic_cast<TkvxPreviewForm*>(Owner()); }

// The outline and the thumbnails share the left side: showing one hides the other, and the
// window's two buttons show which is there.
void TkvxPreview::SetOutlineVisible(bool value) {
  bool changed = outline_->Visible() != value;
  splitter_->SetVisible(value || thumbnails_->Visible());
  outline_->SetVisible(value);
  if (value) thumbnails_->SetVisible(false);
  if (TkvxPreviewForm* form = OwnerForm()) {
    form->OutlineB->SetDown(value);
    form->ThumbB->SetDown(thumbnails_->Visible());
  }
  if (changed) UpdatePages();
}

void TkvxPreview::SetThumbnailVisible(bool value) {
  bool changed = thumbnails_->Visible() != value;
  splitter_->SetVisible(value || outline_->Visible());
  thumbnails_->SetVisible(value);
  if (value) {
    outline_->SetVisible(false);
    thumbnails_->ScrollToPage(pageNo_);
  }
  if (TkvxPreviewForm* form = OwnerForm()) {
    form->ThumbB->SetDown(value);
    form->OutlineB->SetDown(outline_->Visible());
  }
  if (changed) UpdatePages();
}

void TkvxPreview::SetActiveFrameColor(TColor value) {
  workspace_->ActiveFrameColor = value;
  workspace_->Invalidate();
}

void TkvxPreview::SetBackColor(TColor value) {
  workspace_->BackColor = value;
  workspace_->Invalidate();
}

void TkvxPreview::SetFrameColor(TColor value) {
  workspace_->FrameColor = value;
  workspace_->Invalidate();
}

void TkvxPreview::SetOutlineWidth(Integer value) {
  outline_->SetWidth(value);
  thumbnails_->SetWidth(value);
}

void TkvxPreview::SetBorderStyle(TBorderStyle value) {
  // Controls have no other border than none or single.
  SetFrame(&TControlFrame::BorderStyle, value == bsNone ? bsNone : bsSingle);
}

void TkvxPreview::SetBevelEdges(TBevelEdges value) { SetFrame(&TControlFrame::BevelEdges, value); }
void TkvxPreview::SetBevelInner(TBevelCut value) { SetFrame(&TControlFrame::BevelInner, value); }
void TkvxPreview::SetBevelOuter(TBevelCut value) { SetFrame(&TControlFrame::BevelOuter, value); }
void TkvxPreview::SetBevelKind(TBevelKind value) { SetFrame(&TControlFrame::BevelKind, value); }
void TkvxPreview::SetBorderWidth(Integer value) { SetFrame(&TControlFrame::BorderWidth, std::max<Integer>(0, value)); }

void TkvxPreview::FrameChanged() {
  Realign();
  Invalidate();
}

void TkvxPreview::AdjustClientRect(TRect& rect) const { rect = frame_.Inside(rect); }

void TkvxPreview::Paint() { frame_.Paint(*Canvas(), ClientRect(), Color()); }

void TkvxPreview::Resize() {
  TkvxCustomPreview::Resize();
  if (PreviewPages) UpdatePages();
}

void TkvxPreview::ProgressStart(TkvxProgressType progressType) {
  if (refreshing_ || progressType != ptRunning) return;
  Clear();
  if (Report) Report->DrillDownState->Clear();
  running_ = true;
  if (OnRunStateChanged) OnRunStateChanged(this);
}

void TkvxPreview::ProgressStep(TkvxProgressType progressType, Integer progress) {
  if (progressType != ptRunning) return;
  if (refreshing_) {
    DoPageChanged();
    return;
  }
  bool finalPass = Report && Report->Engine && Report->Engine->FinalPass;
  if (finalPass && progress < kPagesShownWhileRunning && PreviewPages) {
    TPoint s = PreviewPages->GetPageSize(progress);
    workspace_->Zoom = zoom_;
    workspace_->AddPage(s.X, s.Y);
    workspace_->CalcPageBounds(workspace_->ViewWidth() - 26);
  }
  if (progress == 0) {
    SetPageNo(1);
    if (finalPass) UpdatePages();
    cancelButton_->SetCaption(Res("clCancel"));
    tick_ = refreshed_ = NowMs();
  } else if (progress == 1) {
    Int64 elapsed = NowMs() - tick_;
    refreshInterval_ = elapsed < 5 ? 50 : elapsed < 10 ? 20 : 5;
    SetPageNo(1);
    if (finalPass) UpdatePages();
  } else if (progress % refreshInterval_ == 0 && NowMs() - refreshed_ >= kRefreshMs) {
    refreshed_ = NowMs();
    DoPageChanged();
    if (finalPass) workspace_->UpdateScrollBars();
  }
  Application->ProcessMessages();
}

void TkvxPreview::ProgressStop(TkvxProgressType progressType) {
  if (refreshing_ || progressType != ptRunning) return;
  running_ = false;
  DoPageChanged();
  workspace_->UpdateScrollBars();
  thumbnails_->UpdateScrollBars();
  UpdatePages();
  UpdateOutline();
  if (OnRunStateChanged) OnRunStateChanged(this);
}

void TkvxPreview::RefreshReport() {
  if (!Report) return;
  Integer h = workspace_->HorzPosition(), v = workspace_->VertPosition(), page = pageNo_;
  Lock();
  refreshing_ = true;
  Report->PrepareReport(true);
  locked_ = false;
  thumbnails_->Locked = false;
  pageNo_ = GetPageCount() >= page ? page : 1;
  UpdatePages();
  UpdateOutline();
  refreshing_ = false;
  workspace_->SetHorzPosition(h);
  workspace_->SetVertPosition(v);
  workspace_->Locked = false;
  workspace_->Invalidate();
  thumbnails_->Invalidate();
  if (GetPageCount() < page) SetPageNo(1);
}

void TkvxPreview::Print() {
  if (running_ || !PreviewPages) return;
  PreviewPages->CurPreviewPage = pageNo_;
  RunLocked("", [this] { PreviewPages->Print(); }, false);
}

void TkvxPreview::SaveToFile() {
  if (running_ || !PreviewPages) return;
  TSaveDialog dialog(Application);
  dialog.SetFilter(QpvFilter());
  dialog.SetOptions({ofNoChangeDir, ofEnableSizing});
  if (!dialog.Execute()) return;
  workspace_->Repaint();
  SaveToFile(ChangeFileExt(dialog.FileName(), ".qpv"));
}

void TkvxPreview::SaveToFile(const String& fileName) {
  if (running_ || !PreviewPages) return;
  RunLocked(Res("clSaving"), [this, &fileName] { PreviewPages->SaveToFile(fileName); });
}

void TkvxPreview::LoadFromFile() {
  if (running_ || !PreviewPages) return;
  TOpenDialog dialog(nullptr);
  dialog.SetFilter(QpvFilter());
  dialog.SetOptions({ofHideReadOnly, ofNoChangeDir, ofEnableSizing});
  if (!dialog.Execute()) return;
  workspace_->Repaint();
  LoadFromFile(dialog.FileName());
}

void TkvxPreview::LoadFromFile(const String& fileName) {
  if (running_ || !PreviewPages) return;
  RunLocked(Res("clLoading"), [this, &fileName] {
    PreviewPages->LoadFromFile(fileName);
    // The page number is clamped against the pages just loaded, which Unlock then lays out.
    pageNo_ = 1;
    UpdateOutline();
  });
  SetPageNo(1);
}

void TkvxPreview::Export(TkvxCustomExportFilter* filter) {
  if (running_ || !PreviewPages || !filter) return;
  PreviewPages->CurPreviewPage = pageNo_;
  RunLocked("", [this, filter] { PreviewPages->Export(filter); }, false);
}

void TkvxPreview::PageSetupDlg() {
  if (running_ || !PreviewPages || !Report) return;
  TkvxReportPage* page = PreviewPages->GetPage(pageNo_ - 1);
  TkvxCustomPrinter* printer = kvxPrinters()->Printer();
  if (!page || !printer) return;
  TPrinterPapers papers(*printer);
  TkvxPageSettingsForm form(Application, papers);
  form.Page = page;
  form.Report = Report;
  if (form.ShowModal() != mrOk) return;
  ApplyPageSettings(page, form.GetApplyToAll());
}

void TkvxPreview::ApplyPageSettings(TkvxReportPage* settings, bool toAll) {
  if (running_ || !PreviewPages || !Report) return;
  Integer current = pageNo_ - 1;
  auto copy = [settings](TkvxReportPage* p) {
    p->SetOrientation(settings->Orientation());
    p->SetPaperWidth(settings->PaperWidth());
    p->SetPaperHeight(settings->PaperHeight());
    p->SetPaperSize(settings->PaperSize());
    p->SetLeftMargin(settings->LeftMargin());
    p->SetTopMargin(settings->TopMargin());
    p->SetRightMargin(settings->RightMargin());
    p->SetBottomMargin(settings->BottomMargin());
  };
  auto* store = dynamic_cast<TkvxPreviewPages*>(PreviewPages);
  if (store && (!toAll || store->Loaded())) {
    // Pages opened from a file have no report to make them again: each one takes the settings.
    RunLocked("", [&] {
      Integer first = toAll ? 0 : current, last = toAll ? PreviewPages->GetCount() - 1 : current;
      for (Integer i = first; i <= last; ++i) {
        std::shared_ptr<TkvxReportPage> page = store->GetPageShared(i);
        if (!page) continue;
        if (page.get() != settings) copy(page.get());
        store->ModifyPage(i, page.get());
      }
    });
    return;
  }
  for (Integer i = 0; i < Report->PagesCount(); ++i)
    if (auto* p = dynamic_cast<TkvxReportPage*>(Report->Pages(i))) copy(p);
  Report->PrepareReport(true);
}

void TkvxPreview::Find() {
  TkvxSearchDialog dialog(Application);
  if (dialog.ShowModal() == mrOk)
    FindText(dialog.TextE->Text(), dialog.CaseCB->Checked(), dialog.TopCB->Checked());
}

void TkvxPreview::FindText(const String& text, bool caseSensitive, bool fromTop) {
  search_ = TkvxSearchState{};
  search_.Text = kvxUtf8ToWide(text);
  search_.CaseSensitive = caseSensitive;
  search_.Page = fromTop ? 0 : pageNo_ - 1;
  search_.LastMatch = -1;
  findAllowed_ = true;
  FindNext();
}

void TkvxPreview::FindNext() {
  if (!findAllowed_) return;
  bool found = workspace_->FindText(search_);
  // The mark goes on the matching page in both views, and nowhere when nothing matched.
  Integer mark = found ? search_.Page : -1;
  workspace_->MarkPage = thumbnails_->MarkPage = mark;
  workspace_->MarkRect = thumbnails_->MarkRect = search_.FoundRect;
  thumbnails_->Invalidate();
  if (found && search_.Page + 1 != pageNo_) SetPageNo(search_.Page + 1);
}

void TkvxPreview::AddPage() {
  if (running_ || !PreviewPages) return;
  PreviewPages->AddEmptyPage(pageNo_ - 1);
  UpdatePages();
  SetPageNo(pageNo_);
}

void TkvxPreview::DeletePage() {
  if (running_ || !PreviewPages) return;
  PreviewPages->DeletePage(pageNo_ - 1);
  if (GetPageCount() <= pageNo_) SetPageNo(pageNo_ - 1);
  UpdatePages();
  DoPageChanged();
}

void TkvxPreview::Clear() {
  if (running_) return;
  if (PreviewPages) RunLocked("", [this] { PreviewPages->Clear(); });
  workspace_->ClearPages();
  thumbnails_->ClearPages();
  search_ = TkvxSearchState{};
  findAllowed_ = false;
  workspace_->MarkPage = thumbnails_->MarkPage = -1;
  UpdateOutline();
  SetPageNo(1);
  workspace_->SetHorzRange(0);
  workspace_->SetVertRange(0);
  thumbnails_->SetHorzRange(0);
  thumbnails_->SetVertRange(0);
}

void TkvxPreview::Cancel() {
  if (running_ && Report) Report->Terminated = true;
}

void TkvxPreview::KeyDown(Word& key, TShiftState shift) {
  TkvxCustomPreview::KeyDown(key, shift);
  bool ctrl = shift.Contains(ssCtrl);
  switch (key) {
    case VK_UP: workspace_->SetVertPosition(workspace_->VertPosition() - 8); break;
    case VK_DOWN: workspace_->SetVertPosition(workspace_->VertPosition() + 8); break;
    case VK_LEFT: workspace_->SetHorzPosition(workspace_->HorzPosition() - 8); break;
    case VK_RIGHT: workspace_->SetHorzPosition(workspace_->HorzPosition() + 8); break;
    case VK_PRIOR:
      if (ctrl)
        SetPageNo(pageNo_ - 1);
      else
        workspace_->SetVertPosition(workspace_->VertPosition() - 300);
      break;
    case VK_NEXT:
      if (ctrl)
        SetPageNo(pageNo_ + 1);
      else
        workspace_->SetVertPosition(workspace_->VertPosition() + 300);
      break;
    case VK_HOME: SetPageNo(1); break;
    case VK_END: SetPageNo(GetPageCount()); break;
    case VK_F3:
      if (HasButton(pbFind)) FindNext();
      break;
    case 'P':
      if (ctrl && HasButton(pbPrint)) Print();
      break;
    case 'S':
      if (ctrl && HasButton(pbSave)) SaveToFile();
      break;
    case 'F':
      if (ctrl && HasButton(pbFind)) Find();
      break;
    case 'O':
      if (ctrl && HasButton(pbLoad)) LoadFromFile();
      break;
    default: break;
  }
}

}  // namespace orv
