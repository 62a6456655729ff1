#include "report/model/ReportComponent.h"

#include <cmath>

#include "platform/gui/ImageList.h"
#include "platform/rtl/Filer.h"
#include "report/model/Registries.h"
#include "report/model/Report.h"
#include "report/model/Resources.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxReportComponent, c) {
  c.Prop("Description", &TkvxReportComponent::Description, &TkvxReportComponent::SetDescription);
}

ORV_IMPLEMENT_CLASS(TkvxDialogComponent, c) {}

TkvxReportComponent::TkvxReportComponent(TComponent* owner) : TkvxComponent(owner) {}

void TkvxReportComponent::BeforePrint() {
  savedLeft_ = Left();
  savedTop_ = Top();
  savedWidth_ = Width();
  savedHeight_ = Height();
}

void TkvxReportComponent::AfterPrint() { SetBounds(savedLeft_, savedTop_, savedWidth_, savedHeight_); }

TkvxRect TkvxReportComponent::GetRealBounds() {
  return kvxRect(AbsLeft(), AbsTop(), AbsLeft() + Width(), AbsTop() + Height());
}

TkvxDialogComponent::TkvxDialogComponent(TComponent* owner) : TkvxReportComponent(owner) {
  Traits &= ~otInPreparedPages;
  SetWidth(28);
  SetHeight(28);
}

TkvxDialogComponent::~TkvxDialogComponent() = default;

void TkvxDialogComponent::Draw(TCanvas* canvas, Extended, Extended, Extended, Extended) {
  SetWidth(28);
  SetHeight(28);
  int left = static_cast<int>(std::lround(Left()));
  int top = static_cast<int>(std::lround(Top()));
  canvas->Brush().SetColor(clBtnFace);
  canvas->FillRect(Rect(left, top, left + 28, top + 28));
  canvas->Pen().SetColor(clBtnHighlight);
  canvas->MoveTo(left, top + 27);
  canvas->LineTo(left, top);
  canvas->LineTo(left + 27, top);
  canvas->Pen().SetColor(clBtnShadow);
  canvas->LineTo(left + 27, top + 27);
  canvas->LineTo(left, top + 27);
  TkvxObjectCollection* objects = kvxGetObjects();
  for (Integer i = 0; i < objects->Count(); ++i)
    if (objects->GetItem(i)->ClassRef == ClassType()) {
      kvxGetResources()->GetObjectButtonImages()->Draw(canvas, left + 6, top + 6, objects->GetItem(i)->ImageIndex);
      break;
    }
  canvas->Font().SetName("Tahoma");
  canvas->Font().SetSize(8);
  canvas->Font().SetColor(clBlack);
  canvas->Brush().SetColor(clWindow);
  int w = canvas->TextWidth(Name());
  canvas->TextOut(left + 14 - w / 2, top + 32, Name());
}

void TkvxDialogComponent::DefineProperties(TFiler* filer) {
  TkvxReportComponent::DefineProperties(filer);
  bool inReport = dynamic_cast<TkvxReport*>(Owner()) != nullptr;
  filer->DefineProperty(
      "pLeft", [this](TReader& r) { SetLeft(static_cast<Extended>(r.ReadInteger())); },
      [this](TWriter& w) { w.WriteInteger(std::lround(Left())); }, inReport);
  filer->DefineProperty(
      "pTop", [this](TReader& r) { SetTop(static_cast<Extended>(r.ReadInteger())); },
      [this](TWriter& w) { w.WriteInteger(std::lround(Top())); }, inReport);
}

}  // namespace orv
