#include "report/engine/PreviewForm.h"

#include <cmath>
#include <set>

#include "platform/gui/Application.h"
#include "platform/gui/ImageList.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/Format.h"
#include "report/engine/PreviewPages.h"
#include "report/model/Registries.h"
#include "report/model/Bands.h"
#include "report/model/Report.h"
#include "report/model/ReportUtils.h"
#include "report/model/Resources.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxPreviewForm, c) {}

namespace {

String Res(const char* key) { return kvxGetResources()->Get(key); }

}  // namespace

TToolButton* TkvxPreviewForm::Button(const String& caption, const String& hint, int image,
                                     const std::function<void()>& command) {
  auto* b = new TToolButton(this);
  b->SetParent(ToolBar);
  b->SetCaption(caption);
  b->SetHint(hint);
  b->SetImageIndex(image);
  if (command) b->OnClick = [command](TObject*) { command(); };
  return b;
}

TkvxPreviewForm::TkvxPreviewForm(TComponent* owner) : TForm(owner) {
  SetCaption(Res("100"));
  SetClientWidth(803);
  SetClientHeight(584);
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  SetShowHint(true);
  Font()->SetName("Tahoma");
  Font()->SetSize(8);
  TImageList* images = kvxGetResources()->GetPreviewButtonImages();
  ToolBar = new TToolBar(this);
  ToolBar->SetParent(this);
  ToolBar->SetAlign(alTop);
  ToolBar->SetFlat(true);
  ToolBar->SetButtonHeight(23);
  ToolBar->SetImages(images);
  PrintB = Button(Res("101"), Res("102"), 2, [this] {
    preview_->Print();
    SetEnabled(true);
  });
  OpenB = Button(Res("103"), Res("104"), 0, [this] {
    preview_->LoadFromFile();
    String name = preview_->Report ? preview_->Report->ReportOptions()->Name : String();
    SetCaption(name.empty() ? Res("100") : name);
  });
  SaveB = Button(Res("105"), Res("106"), 1, [this] { preview_->SaveToFile(); });
  ExportPopup = new TPopupMenu(this);
  ExportB = Button(Res("107"), Res("108"), 3, nullptr);
  ExportB->SetStyle(tbsDropDown);
  ExportB->SetDropdownMenu(ExportPopup);
  PdfB = Button("", Res("151"), 24, [this] {
    if (TkvxCustomExportFilter* filter = PdfFilter()) preview_->Export(filter);
    SetEnabled(true);
  });
  PdfB->SetVisible(false);
  EmailB = Button("", Res("152"), 23, [this] {
    if (TkvxCustomExportFilter* filter = EmailFilter()) preview_->Export(filter);
    SetEnabled(true);
  });
  EmailB->SetVisible(false);
  FindB = Button(Res("109"), Res("110"), 4, [this] { preview_->Find(); });
  Sep1 = Button("", "", -1, nullptr);
  Sep1->SetStyle(tbsSeparator);
  ZoomPlusB = Button(Res("124"), Res("125"), 15, [this] { preview_->SetZoom(preview_->Zoom() + 0.25); });
  Sep3 = new TkvxTBPanel(this);
  Sep3->SetParent(ToolBar);
  Sep3->SetWidth(80);
  ZoomCB = new TkvxComboBox(Sep3);
  ZoomCB->SetParent(Sep3);
  ZoomCB->SetBounds(2, 0, 76, 21);
  ZoomCB->SetHint(Res("119"));
  ZoomCB->SetListWidth(100);
  for (const char* item : {"25%", "50%", "75%", "100%", "150%", "200%"}) ZoomCB->Items()->Add(item);
  ZoomCB->Items()->Add(Res("zmPageWidth"));
  ZoomCB->Items()->Add(Res("zmWholePage"));
  ZoomCB->OnSelect = [this](TObject*) { ZoomCBClick(); };
  ZoomCB->OnKeyDown = [this](TObject*, Word& key, TShiftState) {
    if (key == VK_RETURN) ZoomCBClick();
  };
  ZoomMinusB = Button(Res("126"), Res("127"), 16, [this] { preview_->SetZoom(preview_->Zoom() - 0.25); });
  FullScreenBtn = Button("F", Res("150"), 22, [this] { SetFullScreen(!fullScreen_); });
  Sep2 = Button("", "", -1, nullptr);
  Sep2->SetStyle(tbsSeparator);
  OutlineB = Button(Res("128"), Res("129"), 12, [this] { preview_->SetOutlineVisible(OutlineB->Down()); });
  OutlineB->SetStyle(tbsCheck);
  ThumbB = Button(Res("130"), Res("131"), 5, [this] { preview_->SetThumbnailVisible(ThumbB->Down()); });
  ThumbB->SetStyle(tbsCheck);
  PageSettingsB = Button(Res("120"), Res("121"), 7, [this] { preview_->PageSetupDlg(); });
  Sep5 = Button("", "", -1, nullptr);
  Sep5->SetStyle(tbsSeparator);
  FirstB = Button(Res("134"), Res("135"), 8, [this] { preview_->First(); });
  PriorB = Button(Res("136"), Res("137"), 9, [this] { preview_->Prior(); });
  Sep4 = new TkvxTBPanel(this);
  Sep4->SetParent(ToolBar);
  Sep4->SetWidth(44);
  PageE = new TEdit(Sep4);
  PageE->SetParent(Sep4);
  PageE->SetBounds(2, 1, 40, 20);
  PageE->SetHint(Res("142"));
  PageE->SetText("1");
  PageE->OnKeyPress = [](TObject*, char32_t& key) {
    // Digits only, as in a number box; editing keys pass.
    if (key >= 32 && (key < '0' || key > '9')) key = 0;
  };
  PageE->OnKeyDown = [this](TObject*, Word& key, TShiftState) {
    if (key == VK_RETURN) PageEClick();
  };
  NextB = Button(Res("138"), Res("139"), 10, [this] { preview_->Next(); });
  LastB = Button(Res("140"), Res("141"), 11, [this] { preview_->Last(); });
  kvTBPanel1 = new TkvxTBPanel(this);
  kvTBPanel1->SetParent(ToolBar);
  kvTBPanel1->SetWidth(8);
  auto* cancelPanel = new TkvxTBPanel(this);
  cancelPanel->SetParent(ToolBar);
  cancelPanel->SetWidth(64);
  CancelB = new TSpeedButton(this);
  CancelB->SetParent(cancelPanel);
  CancelB->SetFlat(true);
  CancelB->SetBounds(0, 0, 64, 23);
  CancelB->SetCaption(Res("clClose"));
  CancelB->OnClick = [this](TObject*) { CancelBClick(); };

  StatusBar = new TStatusBar(this);
  StatusBar->SetParent(this);
  StatusBar->SetAlign(alBottom);
  for (int width : {200, 50, 50}) StatusBar->Panels()->Add()->SetWidth(width);

  RightMenu = new TPopupMenu(this);
  RightMenu->SetImages(images);
  CollapseMI = new TMenuItem(RightMenu);
  CollapseMI->SetCaption(Res("601"));
  CollapseMI->SetImageIndex(13);
  CollapseMI->OnClick = [this](TObject*) { CollapseAllClick(); };
  ExpandMI = new TMenuItem(RightMenu);
  ExpandMI->SetCaption(Res("600"));
  ExpandMI->SetImageIndex(14);
  ExpandMI->OnClick = [this](TObject*) { ExpandAllClick(); };
  N1 = new TMenuItem(RightMenu);
  N1->SetCaption("-");
  for (TMenuItem* item : {CollapseMI, ExpandMI, N1}) RightMenu->Items()->Add(item);

  preview_ = new TkvxPreview(this);
  preview_->SetParent(this);
  preview_->SetAlign(alClient);
  preview_->OnPageChanged = [this](TObject*, Integer pageNo) { PageChanged(pageNo); };
  preview_->OnDblClick = [this](TObject*) {
    if (fullScreen_) SetFullScreen(false);
  };
  preview_->OnZoomChanged = [this](TObject*) { UpdateZoom(); };
  preview_->OnStatusMessage = [this](const String& text, bool isHint) { SetMessage(text, isHint); };
  preview_->OnRunStateChanged = [this](TObject*) {
    CancelB->SetCaption(Res(preview_->Running() ? "clCancel" : "clClose"));
    // What the run went on past stays in view once it ends.
    if (!preview_->Running()) {
      TkvxReport* report = preview_->Report;
      const Integer warnings = report ? report->Warnings->Count() : 0;
      StatusBar->Panels()->Items(1)->SetText(warnings > 0 ? report->Warnings->Strings(warnings - 1) : String());
    }
    UpdateControls();
  };
  SetActiveControl(preview_->Workspace());

  OnKeyDown = [this](TObject*, Word& key, TShiftState) {
    if (key == VK_ESCAPE) {
      CancelBClick();
      key = 0;
    } else if (key == VK_F11) {
      SetFullScreen(!fullScreen_);
      key = 0;
    } else if (key == VK_F1) {
      kvxGetResources()->Help(this);
      key = 0;
    }
  };
  OnMouseWheel = [this](TObject*, TShiftState shift, int delta, TPoint, bool& handled) {
    preview_->MouseWheelScroll(delta, false, shift.Contains(ssCtrl));
    handled = true;
  };
  OnCloseQuery = [this](TObject*, bool& canClose) { canClose = !preview_->Running(); };
  OnClose = [this](TObject*, TCloseAction& action) {
    if (FreeOnClose) action = caFree;
    if (TkvxReport* report = preview_->Report; report && report->OnClosePreview) report->OnClosePreview(this);
  };
}

void TkvxPreviewForm::ShowForReport(TkvxReport& report) {
  auto* form = new TkvxPreviewForm(Application);
  report.SetPreviewForm(form);
  report.SetPreview(form->Preview());
  form->Init();
  if (report.OnPreview) report.OnPreview(&report);
  TkvxPreviewOptions* options = report.PreviewOptions();
  if (options->Maximized) form->SetPosition(poDesigned);
  if (!options->Modal) {
    form->FreeOnClose = true;
    form->Show();
    return;
  }
  try {
    form->ShowModal();
  } catch (...) {
    report.SetPreview(nullptr);
    delete form;
    throw;
  }
  report.SetPreview(nullptr);
  delete form;
}

void TkvxPreviewForm::Init() {
  TkvxReport* report = preview_->Report;
  if (!report) return;
  preview_->Init();
  TkvxPreviewOptions* o = report->PreviewOptions();
  if (o->Maximized) SetWindowState(wsMaximized);
  const TkvxPreviewButtons& b = o->Buttons;
  PrintB->SetVisible(b.Contains(pbPrint));
  OpenB->SetVisible(b.Contains(pbLoad));
  SaveB->SetVisible(b.Contains(pbSave));
  ExportB->SetVisible(b.Contains(pbExport));
  FindB->SetVisible(b.Contains(pbFind));
  bool zoom = b.Contains(pbZoom);
  ZoomPlusB->SetVisible(zoom);
  ZoomMinusB->SetVisible(zoom);
  Sep3->SetVisible(zoom);
  Sep1->SetVisible(zoom);
  FullScreenBtn->SetVisible(zoom && !b.Contains(pbNoFullScreen));
  OutlineB->SetVisible(b.Contains(pbOutline));
  ThumbB->SetVisible(b.Contains(pbOutline));
  PageSettingsB->SetVisible(b.Contains(pbPageSetup));
  Sep2->SetVisible(PageSettingsB->Visible());
  bool navigator = b.Contains(pbNavigator);
  for (TControl* c : std::initializer_list<TControl*>{FirstB, PriorB, NextB, LastB, Sep4, Sep5})
    c->SetVisible(navigator);
  // The close button sits on a panel of its own at the end of the bar.
  CancelB->SetVisible(!b.Contains(pbNoClose));
  CancelB->Parent()->SetVisible(CancelB->Visible());
  ToolBar->SetShowCaptions(o->ShowCaptions);

  // One entry per kind of filter: a second instance of a filter class would only repeat its
  // description in the menu.
  ExportPopup->Items()->Clear();
  std::set<String> classes;
  TkvxExportFilterCollection* filters = kvxGetExportFilters();
  for (Integer i = 0; i < filters->Count(); ++i) {
    TkvxCustomExportFilter* filter = filters->GetItem(i)->Filter;
    if (!filter || !classes.insert(filter->ClassName()).second) continue;
    auto* item = new TMenuItem(ExportPopup);
    item->SetCaption(filter->GetDescription() + "...");
    item->SetTag(i);
    // Filters come and go with their owners: the entry exports through its kind's filter as
    // registered when it is chosen.
    item->OnClick = [this, kind = filter->ClassName()](TObject*) {
      if (TkvxCustomExportFilter* chosen = FilterOfClass(kind)) preview_->Export(chosen);
      SetEnabled(true);
    };
    ExportPopup->Items()->Add(item);
  }
  if (filters->Count() == 0) ExportB->SetVisible(false);
  bool quick = b.Contains(pbExportQuick);
  PdfB->SetVisible(quick && PdfFilter());
  EmailB->SetVisible(quick && !b.Contains(pbNoEmail) && EmailFilter());
  if (!report->ReportOptions()->Name.empty()) SetCaption(report->ReportOptions()->Name);
  BuildRightMenu();
  UpdateControls();
  UpdateZoom();
  SetPopupMenu(RightMenu);
}

void TkvxPreviewForm::BuildRightMenu() {
  while (RightMenu->Items()->Count() > 3) RightMenu->Items()->Delete(3);
  mirrored_.clear();
  bool separatorSeen = false;
  for (int i = 0; i < ToolBar->ButtonCount(); ++i) {
    TToolButton* b = ToolBar->Buttons(i);
    if (b->Style() == tbsSeparator) {
      // The commands up to the second group of the bar: file and search, then zoom.
      if (separatorSeen) break;
      separatorSeen = true;
      if (b->Visible()) {
        auto* line = new TMenuItem(RightMenu);
        line->SetCaption("-");
        RightMenu->Items()->Add(line);
      }
      continue;
    }
    if (!b->Visible() || b->Style() == tbsCheck || b->Hint().empty()) continue;
    auto* item = new TMenuItem(RightMenu);
    item->SetCaption(b->Hint());
    item->SetImageIndex(b->ImageIndex());
    item->OnClick = b->OnClick;
    if (TPopupMenu* drop = b->DropdownMenu()) {
      for (int j = 0; j < drop->Items()->Count(); ++j) {
        TMenuItem* from = drop->Items()->Items(j);
        auto* sub = new TMenuItem(RightMenu);
        sub->SetCaption(from->Caption());
        sub->SetTag(from->Tag());
        sub->OnClick = from->OnClick;
        item->Add(sub);
      }
    }
    RightMenu->Items()->Add(item);
    mirrored_.push_back({b, item});
  }
}

TkvxCustomExportFilter* TkvxPreviewForm::FilterOfClass(const String& className) const {
  TkvxExportFilterCollection* filters = kvxGetExportFilters();
  for (Integer i = 0; i < filters->Count(); ++i)
    if (TkvxCustomExportFilter* filter = filters->GetItem(i)->Filter; filter && filter->ClassName() == className)
      return filter;
  return nullptr;
}

TkvxCustomExportFilter* TkvxPreviewForm::PdfFilter() const { return FilterOfClass("TkvxPDFExport"); }

TkvxCustomExportFilter* TkvxPreviewForm::EmailFilter() const { return FilterOfClass("TkvxMailExport"); }

bool TkvxPreviewForm::HasDrillDown() const {
  TkvxReport* report = preview_->Report;
  if (!report) return false;
  for (TkvxComponent* obj : report->AllObjects())
    if (auto* header = dynamic_cast<TkvxGroupHeader*>(obj); header && header->DrillDown) return true;
  return false;
}

void TkvxPreviewForm::UpdateControls() {
  bool idle = !preview_->Running();
  bool pages = idle && preview_->GetPageCount() > 0;
  for (TToolButton* b : {PrintB, OpenB, SaveB, ExportB, PdfB, EmailB, FindB, PageSettingsB}) b->SetEnabled(pages);
  bool drillDown = idle && HasDrillDown();
  for (TMenuItem* item : {ExpandMI, CollapseMI, N1}) item->SetEnabled(drillDown);
  for (auto& [button, item] : mirrored_) item->SetEnabled(button->Enabled());
}

void TkvxPreviewForm::SetDrillDown(bool expand) {
  TkvxReport* report = preview_->Report;
  if (!report || preview_->Running()) return;
  preview_->Lock();
  for (TkvxComponent* obj : report->AllObjects())
    if (auto* header = dynamic_cast<TkvxGroupHeader*>(obj); header && header->DrillDown)
      header->ExpandDrillDown = expand;
  report->DrillDownState->Clear();
  preview_->RefreshReport();
}

void TkvxPreviewForm::CollapseAllClick() {
  SetDrillDown(false);
  preview_->SetPageNo(1);
  preview_->SetPosition(1, 0);
}

void TkvxPreviewForm::ExpandAllClick() { SetDrillDown(true); }

void TkvxPreviewForm::SetFullScreen(bool value) {
  if (value == fullScreen_) return;
  fullScreen_ = value;
  if (value) {
    StatusBar->Hide();
    ToolBar->Hide();
    savedBorderStyle_ = BorderStyle();
    savedWindowState_ = WindowState();
    SetBorderStyle(bsNone);
    SetWindowState(wsMaximized);
  } else {
    SetBorderStyle(savedBorderStyle_);
    SetWindowState(savedWindowState_);
    ToolBar->Show();
    StatusBar->Show();
  }
}

void TkvxPreviewForm::SetMessage(const String& text, bool isHint) {
  StatusBar->Panels()->Items(isHint ? 2 : 1)->SetText(text);
  Application->ProcessMessages();
}

void TkvxPreviewForm::Resize() {
  TForm::Resize();
  // Resized while its controls are still being made.
  if (!StatusBar || StatusBar->Panels()->Count() < 3) return;
  int rest = static_cast<int>(std::lround((ClientWidth() - StatusBar->Panels()->Items(0)->Width()) / 2.0));
  StatusBar->Panels()->Items(1)->SetWidth(rest);
  StatusBar->Panels()->Items(2)->SetWidth(rest);
}

void TkvxPreviewForm::UpdateZoom() {
  ZoomCB->SetText(IntToStr(std::lround(preview_->Zoom() * 100)) + "%");
}

void TkvxPreviewForm::ZoomCBClick() {
  if (preview_->CanFocus()) preview_->SetFocus();
  if (ZoomCB->ItemIndex() == 6) {
    preview_->SetZoomMode(zmPageWidth);
  } else if (ZoomCB->ItemIndex() == 7) {
    preview_->SetZoomMode(zmWholePage);
  } else {
    String text = ZoomCB->Text();
    if (size_t at = text.find('%'); at != String::npos) text[at] = ' ';
    String digits;
    for (char c : text)
      if (c != ' ') digits += c;
    if (!digits.empty()) {
      try {
        preview_->SetZoom(kvxStrToFloat(digits) / 100);
      } catch (const Exception&) {
        // A zoom text that is no number leaves the zoom as it was.
      }
    }
  }
  UpdateZoom();
}

void TkvxPreviewForm::PageEClick() {
  String text = PageE->Text();
  if (!text.empty()) preview_->SetPageNo(StrToInt(text));
  if (preview_->CanFocus()) preview_->SetFocus();
}

void TkvxPreviewForm::CancelBClick() {
  if (preview_->Running())
    preview_->Cancel();
  else
    Close();
}

void TkvxPreviewForm::PageChanged(Integer pageNo) {
  TkvxReport* report = preview_->Report;
  Integer count = preview_->GetPageCount();
  if (preview_->Running() && report && report->Engine && !report->Engine->FinalPass)
    StatusBar->Panels()->Items(0)->SetText(Res("clFirstPass") + " " + IntToStr(count));
  else
    StatusBar->Panels()->Items(0)->SetText(Format(Res("clPageOf"), {TVarRec(pageNo), TVarRec(count)}));
  PageE->SetText(IntToStr(pageNo));
}

}  // namespace orv
