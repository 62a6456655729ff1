#include "report/engine/PreviewForm.h"

#include <cmath>
#include <set>

#include "platform/gui/Application.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/Format.h"
#include "report/engine/PreviewPages.h"
#include "report/model/Registries.h"
#include "report/model/Report.h"
#include "report/model/ReportUtils.h"
#include "report/model/Resources.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxPreviewForm, c) {}

namespace {

String Res(const char* key) { return kvxGetResources()->Get(key); }

}  // namespace

TToolButton* TkvxPreviewForm::Button(const String& caption, const String& hint,
                                     const std::function<void()>& command) {
  auto* b = new TToolButton(this);
  b->SetParent(ToolBar);
  b->SetCaption(caption);
  b->SetHint(hint);
  if (command) b->OnClick = [command](TObject*) { command(); };
  return b;
}

TkvxPreviewForm::TkvxPreviewForm(TComponent* owner) : TForm(owner) {
  SetCaption(Res("100"));
  SetClientWidth(803);
  SetClientHeight(584);
  SetKeyPreview(true);
  SetShowHint(true);
  ToolBar = new TToolBar(this);
  ToolBar->SetParent(this);
  ToolBar->SetAlign(alTop);
  ToolBar->SetFlat(true);
  ToolBar->SetShowCaptions(true);
  ToolBar->SetButtonHeight(23);
  PrintB = Button(Res("101"), Res("102"), [this] { preview_->Print(); });
  OpenB = Button(Res("103"), Res("104"), [this] {
    preview_->LoadFromFile();
    String name = preview_->Report ? preview_->Report->ReportOptions()->Name : String();
    SetCaption(name.empty() ? Res("100") : name);
  });
  SaveB = Button(Res("105"), Res("106"), [this] { preview_->SaveToFile(); });
  ExportPopup = new TPopupMenu(this);
  ExportB = Button(Res("107"), Res("108"), nullptr);
  ExportB->SetStyle(tbsDropDown);
  ExportB->SetDropdownMenu(ExportPopup);
  FindB = Button(Res("109"), Res("110"), [this] { preview_->Find(); });
  Sep1 = Button("", "", nullptr);
  Sep1->SetStyle(tbsSeparator);
  ZoomPlusB = Button(Res("124"), Res("125"), [this] { preview_->SetZoom(preview_->Zoom() + 0.25); });
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
  ZoomMinusB = Button(Res("126"), Res("127"), [this] { preview_->SetZoom(preview_->Zoom() - 0.25); });
  Sep2 = Button("", "", nullptr);
  Sep2->SetStyle(tbsSeparator);
  OutlineB = Button(Res("128"), Res("129"), [this] { preview_->SetOutlineVisible(OutlineB->Down()); });
  OutlineB->SetStyle(tbsCheck);
  ThumbB = Button(Res("130"), Res("131"), [this] { preview_->SetThumbnailVisible(ThumbB->Down()); });
  ThumbB->SetStyle(tbsCheck);
  PageSettingsB = Button(Res("120"), Res("121"), [this] { preview_->PageSetupDlg(); });
  Sep5 = Button("", "", nullptr);
  Sep5->SetStyle(tbsSeparator);
  FirstB = Button(Res("134"), Res("135"), [this] { preview_->First(); });
  PriorB = Button(Res("136"), Res("137"), [this] { preview_->Prior(); });
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
  NextB = Button(Res("138"), Res("139"), [this] { preview_->Next(); });
  LastB = Button(Res("140"), Res("141"), [this] { preview_->Last(); });
  CancelB = Button(Res("clClose"), "", [this] { CancelBClick(); });

  StatusBar = new TStatusBar(this);
  StatusBar->SetParent(this);
  StatusBar->SetAlign(alBottom);
  for (int width : {200, 50, 50}) StatusBar->Panels()->Add()->SetWidth(width);

  preview_ = new TkvxPreview(this);
  preview_->SetParent(this);
  preview_->SetAlign(alClient);
  preview_->OnPageChanged = [this](TObject*, Integer pageNo) { PageChanged(pageNo); };
  preview_->OnZoomChanged = [this](TObject*) { UpdateZoom(); };
  preview_->OnRunStateChanged = [this](TObject*) {
    CancelB->SetCaption(Res(preview_->Running() ? "clCancel" : "clClose"));
    if (!preview_->Running()) StatusBar->Panels()->Items(1)->SetText("");
    UpdateControls();
  };

  OnKeyDown = [this](TObject*, Word& key, TShiftState) {
    if (key == VK_ESCAPE) {
      CancelBClick();
      key = 0;
    }
  };
  OnCloseQuery = [this](TObject*, bool& canClose) { canClose = !preview_->Running(); };
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
    form->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
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
  TkvxPreviewOptions* o = report->PreviewOptions();
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
  OutlineB->SetVisible(b.Contains(pbOutline));
  ThumbB->SetVisible(b.Contains(pbOutline));
  PageSettingsB->SetVisible(b.Contains(pbPageSetup));
  Sep2->SetVisible(PageSettingsB->Visible());
  bool navigator = b.Contains(pbNavigator);
  for (TControl* c : std::initializer_list<TControl*>{FirstB, PriorB, NextB, LastB, Sep4, Sep5})
    c->SetVisible(navigator);
  CancelB->SetVisible(!b.Contains(pbNoClose));

  // One entry per kind of filter: a second instance of a filter class would only repeat its
  // description in the menu.
  while (ExportPopup->Items()->Count() > 0) delete ExportPopup->Items()->Items(0);
  std::set<String> classes;
  TkvxExportFilterCollection* filters = kvxGetExportFilters();
  for (Integer i = 0; i < filters->Count(); ++i) {
    TkvxCustomExportFilter* filter = filters->GetItem(i)->Filter;
    if (!filter || !classes.insert(filter->ClassName()).second) continue;
    auto* item = new TMenuItem(ExportPopup);
    item->SetCaption(filter->GetDescription() + "...");
    item->SetTag(i);
    item->OnClick = [this, i](TObject*) {
      TkvxExportFilterCollection* all = kvxGetExportFilters();
      if (i < all->Count()) preview_->Export(all->GetItem(i)->Filter);
    };
    ExportPopup->Items()->Add(item);
  }
  if (filters->Count() == 0) ExportB->SetVisible(false);
  if (!report->ReportOptions()->Name.empty()) SetCaption(report->ReportOptions()->Name);
  OutlineB->SetDown(preview_->OutlineVisible());
  ThumbB->SetDown(preview_->ThumbnailVisible());
  UpdateControls();
  UpdateZoom();
}

void TkvxPreviewForm::UpdateControls() {
  bool idle = !preview_->Running();
  bool pages = idle && preview_->GetPageCount() > 0;
  for (TToolButton* b : {PrintB, OpenB, SaveB, ExportB, FindB, PageSettingsB}) b->SetEnabled(pages);
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
