#pragma once
// The control kit's tab pager and its pages. For now they are the platform's page control and
// tab sheets under the kit's names; the owner-drawn look replaces them without changing callers.
#include "platform/gui/ComCtrls.h"

namespace orv {

class TLumSmoothTabPager;

// One page of a TLumSmoothTabPager; its caption is the tab's text.
class TLumSmoothTabPage : public TTabSheet {
  ORV_CLASS(TLumSmoothTabPage, TTabSheet)

 public:
  explicit TLumSmoothTabPage(TComponent* AOwner);
  TLumSmoothTabPager* Pager() const;
  // Puts the page on APager as its last page.
  void SetPager(TLumSmoothTabPager* APager);
};

// Pages behind tabs. Setting ActivePage shows that page and runs the page change events, as
// the user's choice of a tab does.
class TLumSmoothTabPager : public TPageControl {
  ORV_CLASS(TLumSmoothTabPager, TPageControl)

 public:
  explicit TLumSmoothTabPager(TComponent* AOwner);
  TLumSmoothTabPage* ActivePage() const;
  // A page of another pager, or nullptr, changes nothing.
  void SetActivePage(TLumSmoothTabPage* Value);
};

}  // namespace orv
