// Prepared pages drawn on a canvas, and answering the mouse over a page.
#include <cmath>

#include "platform/gui/Application.h"
#include "platform/gui/Cursors.h"
#include "platform/gui/Desktop.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/TextUtils.h"
#include "report/engine/ObjectKinds.h"
#include "report/engine/Preview.h"
#include "report/engine/PreviewPages.h"
#include "report/engine/Printers.h"
#include "report/model/Bands.h"
#include "report/model/MemoView.h"
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

String StrProp(TObject* obj, const char* name) {
  const TPropInfo* prop = kvxFindProp(obj->ClassType(), name);
  return prop && (prop->Kind() == tkLString || prop->Kind() == tkString) ? prop->GetStr(obj) : String();
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

bool kvxOpenURL(const String& url) {
  // A report's link is data from the database: only web and mail links leave the program, never
  // a file to run or a scheme some other program registered.
  String lower = LowerCase(Trim(url));
  for (const char* scheme : {"http://", "https://", "mailto:"})
    if (lower.rfind(scheme, 0) == 0) return ShellOpen(Trim(url));
  return false;
}

void TkvxPreviewPages::DrawPage(Integer index, TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                                Extended offsetY) {
  std::shared_ptr<TkvxReportPage> page = GetPageShared(index);
  if (!page || !canvas) return;
  TMirrorMargins mirror(page.get(), index);
  bool printing = dynamic_cast<TkvxPrinterCanvas*>(canvas) != nullptr;
  if (!printing) {
    canvas->SaveClip();
    canvas->IntersectClipRect(TRect{
        static_cast<int>(std::lround(offsetX)), static_cast<int>(std::lround(offsetY)),
        static_cast<int>(std::lround(offsetX + page->PaperWidth() * kvxPixelsPerMM * scaleX)) - 1,
        static_cast<int>(std::lround(offsetY + page->PaperHeight() * kvxPixelsPerMM * scaleY)) - 1});
  }
  // The page's colour, frame and background picture lie beneath its objects.
  page->IsPrinting = printing;
  page->DrawBackground(canvas, scaleX, scaleY, offsetX, offsetY);
  page->IsPrinting = false;
  offsetX += page->LeftMargin() * kvxPixelsPerMM * scaleX;
  offsetY += page->TopMargin() * kvxPixelsPerMM * scaleY;
  TRect clip = canvas->ClipRect();
  bool recording = kvxIsKindOf(canvas, "TMetafileCanvas");
  SetMemoPageValues(page.get(), index);
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

void TkvxPreviewPages::SetMemoPageValues(TkvxReportPage* page, Integer index) {
  SetMemoPageValues(page, index, GetCount(), LogicalPageNoAt(index));
}

void TkvxPreviewPages::SetMemoPageValues(TkvxReportPage* page, Integer index, Integer count, Integer logical) {
  // The class registry answers for every object of every page; a dynamic_cast down the views'
  // deep hierarchy would cost more than the assignment.
  for (TkvxComponent* obj : page->AllObjects())
    if (obj->InheritsFrom(TkvxCustomMemoView::StaticClass())) {
      auto* memo = static_cast<TkvxCustomMemoView*>(obj);
      memo->TotalPages = count;
      memo->CopyNo = CopyNo;
      memo->PageNo = index + 1;
      memo->LogicalPageNo = logical;
    }
}

void TkvxPreviewPages::ObjectOver(Integer index, Integer x, Integer y, TMouseButton button, TShiftState shift,
                                  Extended scale, Extended offsetX, Extended offsetY, bool click, TCursor& cursor,
                                  bool dblClick) {
  if ((Engine && Engine->Running) || index < 0 || index >= GetCount()) return;
  std::shared_ptr<TkvxReportPage> page = GetPageShared(index);
  if (!page) return;
  Report->SetProgressMessage("");
  Report->SetProgressMessage("", true);
  // Objects are drawn inside the page's margins (DrawPage), so they are found there too.
  {
    TMirrorMargins mirror(page.get(), index);
    offsetX += page->LeftMargin() * kvxPixelsPerMM * scale;
    offsetY += page->TopMargin() * kvxPixelsPerMM * scale;
  }
  auto* preview = dynamic_cast<TkvxPreview*>(Report->Preview());
  bool reportHints = preview && preview->UseReportHints;
  auto under = [&](TkvxReportComponent* obj) {
    int left = static_cast<int>(std::lround(obj->AbsLeft() * scale + offsetX));
    int top = static_cast<int>(std::lround(obj->AbsTop() * scale + offsetY));
    int right = static_cast<int>(std::lround((obj->AbsLeft() + obj->Width()) * scale + offsetX));
    int bottom = static_cast<int>(std::lround((obj->AbsTop() + obj->Height()) * scale + offsetY));
    return x >= left && x <= right && y >= top && y <= bottom;
  };
  TkvxGroupHeader* drillDown = nullptr;
  const std::vector<TkvxComponent*> objects = page->AllObjects();
  for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
    auto* obj = dynamic_cast<TkvxReportComponent*>(*it);
    if (!obj) continue;
    if (!under(obj)) {
      if (reportHints && BoolProp(obj, "ShowHint", false)) preview->SetShowHint(false);
      continue;
    }
    // A click anywhere on a drill-down group's header, its views included, opens or closes it.
    auto* header = dynamic_cast<TkvxGroupHeader*>(obj);
    if (!header && !obj->IsBand()) header = dynamic_cast<TkvxGroupHeader*>(obj->Parent());
    if (header && header->DrillDown) {
      drillDown = header;
      break;
    }
    TkvxReportComponent* view = AsView(obj);
    if (!view) continue;
    const TPropInfo* cursorProp = kvxFindProp(view->ClassType(), "Cursor");
    bool ownCursor = cursorProp && cursorProp->Kind() == tkInteger && cursorProp->GetOrd(view) != 0;
    if (ownCursor) cursor = static_cast<TCursor>(cursorProp->GetOrd(view));
    String url = StrProp(view, "URL");
    if (!url.empty()) {
      Report->SetProgressMessage(url);
      if (!ownCursor) cursor = crHandPoint;
    }
    String hint = StrProp(view, "Hint");
    if (reportHints && !hint.empty() && BoolProp(view, "ShowHint", false)) {
      // "short|long": the short part pops up, the long part goes to the status bar.
      size_t bar = hint.find('|');
      Report->SetProgressMessage(bar == String::npos ? hint : hint.substr(bar + 1), true);
      preview->SetHint(hint.substr(0, bar));
      preview->SetShowHint(true);
    } else if (reportHints) {
      // Views earlier on the page are never tested: the last hint must not stay over this one.
      preview->SetShowHint(false);
    }
    if (!click) {
      if (Report->OnMouseOverObject) Report->OnMouseOverObject(view, cursor);
      return;
    }
    if (!url.empty()) FollowLink(url);
    bool modified = false;
    Report->DoPreviewClick(view, button, shift, modified, dblClick);
    if (modified) {
      ModifyPage(index, page.get());
      if (TkvxCustomPreview* shown = Report->Preview()) shown->Invalidate();
    }
    return;
  }
  if (!drillDown) return;
  cursor = crHandPoint;
  if (!click || dblClick) return;
  String key = drillDown->Name() + "." + IntToStr(drillDown->Tag());
  Integer at = Report->DrillDownState->IndexOf(key);
  if (at >= 0)
    Report->DrillDownState->Delete(at);
  else
    Report->DrillDownState->Add(key);
  if (TkvxCustomPreview* preview = Report->Preview()) preview->RefreshReport();
}

void TkvxPreviewPages::FollowLink(const String& url) {
  auto* preview = dynamic_cast<TkvxPreview*>(Report->Preview());
  if (url[0] == '@' || url[0] == '#') {
    if (!preview) return;
    if (url[0] == '@') {
      // A page number that is no number shows nothing new.
      Integer pageNo = StrToIntDef(Trim(url.substr(1)), 0);
      if (pageNo > 0) preview->SetPageNo(pageNo);
      return;
    }
    // An anchor the report never set leaves the preview where it is.
    if (TkvxXMLItem* anchor = FindAnchor(url.substr(1)))
      preview->SetPosition(StrToIntDef(anchor->Prop("page"), 0) + 1, StrToIntDef(anchor->Prop("top"), 0));
    return;
  }
  kvxOpenURL(url);
}

}  // namespace orv
