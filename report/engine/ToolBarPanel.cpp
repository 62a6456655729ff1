#include "report/engine/ToolBarPanel.h"

#include "platform/gui/Canvas.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxTBPanel, c) {}

TkvxTBPanel::TkvxTBPanel(TComponent* AOwner) : TPanel(AOwner) {
  SetAlign(alLeft);
  SetBounds(Left(), Top(), 8, 8);
  SetBevelInner(bvNone);
  SetBevelOuter(bvNone);
}

void TkvxTBPanel::SetParent(TWinControl* AParent) {
  TPanel::SetParent(AParent);
  if (!dynamic_cast<TCustomPanel*>(AParent) || !AParent->Parent()) return;
  TAlign outer = AParent->Parent()->Align();
  SetAlign(outer == alLeft || outer == alRight ? alTop : alLeft);
}

void TkvxTBPanel::Paint() {
  Canvas()->Brush().SetColor(clBtnFace);
  Canvas()->FillRect(ClientRect());
}

}  // namespace orv
