#pragma once
// TkvxReportComponent: a report object the engine prints (before-print, data, drawing,
// after-print); TkvxDialogComponent: a non-visual object placed on a data or dialog page, such as
// a data set.
#include <memory>

#include "platform/gui/Canvas.h"
#include "report/model/KvxComponent.h"
#include "report/model/ReportUtils.h"

namespace orv {

class TkvxReportComponent : public TkvxComponent {
  ORV_CLASS(TkvxReportComponent, TkvxComponent)

 public:
  explicit TkvxReportComponent(TComponent* owner);

  const String& Description() const { return description_; }
  void SetDescription(const String& value) { description_ = value; }

  // Paints the object at the given scale and pixel offset.
  virtual void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) = 0;
  // Saves the design bounds that AfterPrint puts back.
  virtual void BeforePrint();
  virtual void GetData() {}
  virtual void AfterPrint();
  virtual String GetComponentText() { return ""; }
  // The rectangle the object really paints, in absolute pixels.
  virtual TkvxRect GetRealBounds();

 private:
  String description_;
  Extended savedLeft_ = 0, savedTop_ = 0, savedWidth_ = 0, savedHeight_ = 0;
};

class TkvxDialogComponent : public TkvxReportComponent {
  ORV_CLASS(TkvxDialogComponent, TkvxReportComponent)

 public:
  explicit TkvxDialogComponent(TComponent* owner);
  ~TkvxDialogComponent() override;

  // The design icon: a raised square with the name under it.
  void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
  // "pLeft" and "pTop", the rounded position, while the object belongs to a report.
  void DefineProperties(TFiler* filer) override;

 protected:
  // The non-visual component the class wraps, freed with it; nullptr when it wraps none.
  std::unique_ptr<TComponent> Component;
};

}  // namespace orv
