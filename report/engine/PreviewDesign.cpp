// The preview's commands that hand pages to a report designer: the shown page to be edited, and
// the report's pages as the run took them.
#include "report/engine/ObjectKinds.h"
#include "report/engine/Preview.h"
#include "report/engine/PreviewPages.h"

namespace orv {

void TkvxPreview::Edit() {
  TkvxPreviewPages* store = Store();
  if (!store || !Report) return;
  std::shared_ptr<TkvxReportPage> shown = store->GetPageShared(pageNo_ - 1);
  if (!shown) return;
  TkvxReport designed(nullptr);
  // A dot-matrix page stays one.
  auto* page = static_cast<TkvxReportPage*>(shown->ClassType()->CreateComponent(&designed));
  page->Assign(shown.get());
  // The objects of the bands stand on the page where they printed, without data to fill them;
  // the bands themselves are not part of it.
  for (TkvxComponent* band : shown->Objects())
    for (TkvxComponent* obj : band->Objects()) {
      auto* copy = static_cast<TkvxComponent*>(obj->ClassType()->CreateComponent(nullptr));
      copy->SetParent(page);
      copy->AssignAll(obj);
      copy->SetBounds(band->Left() + obj->Left(), band->Top() + obj->Top(), obj->Width(), obj->Height());
      kvxForgetMemoData(copy);
    }
  if (!designed.DesignPreviewPage()) return;
  RunLocked("", [&] { store->ModifyPage(pageNo_ - 1, page); });
}

void TkvxPreview::ShowTemplate() {
  TkvxPreviewPages* store = Store();
  if (!store) return;
  TkvxReport designed(nullptr);
  for (Integer i = 0; i < store->SourcePageCount(); ++i) {
    TkvxReportPage* source = store->SourcePages(i);
    auto* page = static_cast<TkvxReportPage*>(source->ClassType()->CreateComponent(&designed));
    page->AssignAll(source);
  }
  designed.DesignReport(true, false);
}

}  // namespace orv
