// Prepared pages leaving the store: drawn on a canvas, handed object by object to an export
// filter, and answering the mouse over a page.
#include <cmath>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Conversions.h"
#include "report/engine/ObjectKinds.h"
#include "report/engine/PreviewPages.h"
#include "report/model/PropertyIndex.h"
#include "report/model/ReportComponent.h"
#include "report/model/Resources.h"

namespace orv {

namespace {

// Views, not bands: what a page paints and a filter exports as content.
TkvxReportComponent* AsView(TkvxComponent* obj) {
  auto* view = dynamic_cast<TkvxReportComponent*>(obj);
  return view && !view->IsBand() ? view : nullptr;
}

bool BoolProp(TObject* obj, const char* name, bool fallback) {
  const TPropInfo* prop = kvxFindProp(obj->ClassType(), name);
  return prop && prop->Kind() == tkEnumeration ? prop->GetOrd(obj) != 0 : fallback;
}

// Swaps the side margins of an even-numbered page of a mirrored report for as long as it lives.
class TMirrorMargins {
 public:
  TMirrorMargins(TkvxReportPage* page, Integer index) : page_(page), on_(page->MirrorMargins() && index % 2 == 1) {
    if (on_) Swap();
  }
  ~TMirrorMargins() {
    if (on_) Swap();
  }

 private:
  void Swap() {
    Extended left = page_->LeftMargin();
    page_->SetLeftMargin(page_->RightMargin());
    page_->SetRightMargin(left);
  }
  TkvxReportPage* page_;
  bool on_;
};

}  // namespace

void TkvxPreviewPages::DrawPage(Integer index, TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                                Extended offsetY) {
  std::shared_ptr<TkvxReportPage> page = GetPageShared(index);
  if (!page || !canvas) return;
  TMirrorMargins mirror(page.get(), index);
  bool printing = kvxIsKindOf(canvas, "TkvxPrinterCanvas");
  if (!printing) {
    canvas->SaveClip();
    canvas->IntersectClipRect(TRect{
        static_cast<int>(std::lround(offsetX)), static_cast<int>(std::lround(offsetY)),
        static_cast<int>(std::lround(offsetX + page->PaperWidth() * kvxPixelsPerMM * scaleX)) - 1,
        static_cast<int>(std::lround(offsetY + page->PaperHeight() * kvxPixelsPerMM * scaleY)) - 1});
  }
  offsetX += page->LeftMargin() * kvxPixelsPerMM * scaleX;
  offsetY += page->TopMargin() * kvxPixelsPerMM * scaleY;
  TRect clip = canvas->ClipRect();
  bool recording = kvxIsKindOf(canvas, "TMetafileCanvas");
  for (TkvxComponent* obj : page->AllObjects()) {
    TkvxReportComponent* view = AsView(obj);
    if (!view || (printing && !BoolProp(view, "Printable", true))) continue;
    // A frame or shadow may paint a little outside the object's own rectangle.
    int left = static_cast<int>(std::lround((view->AbsLeft() - 20) * scaleX + offsetX));
    int top = static_cast<int>(std::lround((view->AbsTop() - 20) * scaleY + offsetY));
    int right = static_cast<int>(std::lround((view->AbsLeft() + view->Width() + 20) * scaleX + offsetX));
    int bottom = static_cast<int>(std::lround((view->AbsTop() + view->Height() + 20) * scaleY + offsetY));
    bool visible = right > clip.Left && left < clip.Right && bottom > clip.Top && top < clip.Bottom;
    if (!visible && !recording) continue;
    view->IsPrinting = printing;
    view->Draw(canvas, scaleX, scaleY, offsetX, offsetY);
    view->IsPrinting = false;
  }
  if (!printing) canvas->RestoreClip();
}

void TkvxPreviewPages::ObjectOver(Integer index, Integer x, Integer y, TMouseButton, TShiftState, Extended scale,
                                  Extended offsetX, Extended offsetY, bool, TCursor& cursor) {
  if ((Engine && Engine->Running) || index < 0 || index >= GetCount()) return;
  std::shared_ptr<TkvxReportPage> page = GetPageShared(index);
  if (!page) return;
  const std::vector<TkvxComponent*> objects = page->AllObjects();
  for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
    TkvxReportComponent* view = AsView(*it);
    if (!view) continue;
    int left = static_cast<int>(std::lround(view->AbsLeft() * scale + offsetX));
    int top = static_cast<int>(std::lround(view->AbsTop() * scale + offsetY));
    int right = static_cast<int>(std::lround((view->AbsLeft() + view->Width()) * scale + offsetX));
    int bottom = static_cast<int>(std::lround((view->AbsTop() + view->Height()) * scale + offsetY));
    if (x < left || x > right || y < top || y > bottom) continue;
    const TPropInfo* cursorProp = kvxFindProp(view->ClassType(), "Cursor");
    if (cursorProp && cursorProp->Kind() == tkInteger && cursorProp->GetOrd(view) != 0)
      cursor = static_cast<TCursor>(cursorProp->GetOrd(view));
    return;
  }
}

bool TkvxPreviewPages::Print() {
  // Pages reach paper through the report printers; without them this system has no printer.
  kvxCommonErrorHandler(Report, kvxGetResources()->Get("clNoPrinters"));
  return false;
}

bool TkvxPreviewPages::Export(TkvxCustomExportFilter* filter) {
  CopyNo = 0;
  if (!filter) return false;
  filter->Report = Report;
  if (filter->ShowDialog() && filter->ShowModal() != mrOk) return false;
  TkvxCustomPreview* preview = Report->Preview();
  if (filter->CurrentPageOnly) filter->PageNumbers = preview ? IntToStr(CurPreviewPage) : String("1");
  Report->SetTerminated(false);
  Integer count = GetCount();
  TStringList numbers;
  kvxParsePageNumbers(filter->PageNumbers, numbers, count);
  if (!filter->Start()) return false;
  if (preview) preview->Lock();
  if (filter->ShowProgress() && preview) preview->ProgressStart(ptExporting);
  TClass backgroundClass = GetClass("TkvxPictureView");
  for (Integer i = 0; i < count && !Report->Terminated; ++i) {
    if (numbers.Count() > 0 && numbers.IndexOf(IntToStr(i + 1)) < 0) continue;
    std::shared_ptr<TkvxReportPage> page = GetPageShared(i);
    if (!page) continue;
    if (filter->ShowProgress() && preview) preview->ProgressStep(ptExporting, i + 1);
    filter->StartPage(page.get(), i);
    bool mirrored = page->MirrorMargins() && i % 2 == 1;
    page->SetLeft(kvxPixelsPerMM * (mirrored ? page->RightMargin() : page->LeftMargin()));
    page->SetTop(kvxPixelsPerMM * page->TopMargin());
    if (backgroundClass && backgroundClass->InheritsFrom(TkvxComponent::StaticClass())) {
      std::unique_ptr<TkvxComponent> background(static_cast<TkvxComponent*>(backgroundClass->CreateComponent(nullptr)));
      background->SetName("_pagebackground");
      if (const TPropInfo* p = kvxFindProp(backgroundClass, "Color"); p && p->IsWritable())
        p->SetOrd(background.get(), page->Color());
      if (const TPropInfo* p = kvxFindProp(backgroundClass, "Frame"); p && p->Kind() == tkClass)
        if (auto* frame = dynamic_cast<TPersistent*>(p->GetObject(background.get()))) frame->Assign(page->Frame());
      background->SetBounds(page->Left(), page->Top(),
                            page->Width() - kvxPixelsPerMM * (page->LeftMargin() + page->RightMargin()),
                            page->Height() - kvxPixelsPerMM * (page->TopMargin() + page->BottomMargin()));
      filter->ExportObject(background.get());
    }
    for (TkvxComponent* band : page->Objects()) {
      if (filter->HeaderFooterOnce && ((kvxIsKindOf(band, "TkvxPageHeader") && i != 0) ||
                                       (kvxIsKindOf(band, "TkvxPageFooter") && i != count - 1)))
        continue;
      filter->ExportObject(band);
      for (TkvxComponent* obj : band->Objects()) filter->ExportObject(obj);
    }
    filter->FinishPage(page.get(), i);
    if (!preview) {
      ClearPageCache();
    } else {
      page->SetLeft(0);
      page->SetTop(0);
    }
    Application->ProcessMessages();
  }
  if (preview) preview->Unlock();
  if (filter->ShowProgress() && preview) preview->ProgressStop(ptExporting);
  filter->Finish();
  return true;
}

}  // namespace orv
