#include "controls/LumSmoothTabPager.h"

namespace orv {

TLumSmoothTabPage::TLumSmoothTabPage(TComponent* AOwner) : TTabSheet(AOwner) {}

TLumSmoothTabPager* TLumSmoothTabPage::Pager() const {
  return dynamic_cast<TLumSmoothTabPager*>(PageControl());
}

void TLumSmoothTabPage::SetPager(TLumSmoothTabPager* APager) { SetPageControl(APager); }

TLumSmoothTabPager::TLumSmoothTabPager(TComponent* AOwner) : TPageControl(AOwner) {}

TLumSmoothTabPage* TLumSmoothTabPager::ActivePage() const {
  return dynamic_cast<TLumSmoothTabPage*>(TPageControl::ActivePage());
}

void TLumSmoothTabPager::SetActivePage(TLumSmoothTabPage* Value) {
  if (!Value || Value->PageControl() != this || Value == ActivePage()) return;
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  if (!allow) return;
  TPageControl::SetActivePage(Value);
  if (OnChange) OnChange(this);
  Invalidate();
}

ORV_IMPLEMENT_CLASS(TLumSmoothTabPage, c) {}

ORV_IMPLEMENT_CLASS(TLumSmoothTabPager, c) {}

}  // namespace orv
