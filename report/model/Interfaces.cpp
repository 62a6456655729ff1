#include "report/model/Interfaces.h"

#include "platform/gui/DialogService.h"
#include "report/model/Registries.h"
#include "report/model/Report.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxCustomEngine, c) {
  c.Prop("CurColumn", [](TkvxCustomEngine& e) { return e.CurColumn; }, [](TkvxCustomEngine& e, Integer v) { e.CurColumn = v; });
  c.Prop("CurVColumn", [](TkvxCustomEngine& e) { return e.CurVColumn; }, [](TkvxCustomEngine& e, Integer v) { e.CurVColumn = v; });
  c.Prop("CurX", [](TkvxCustomEngine& e) { return e.CurX; }, [](TkvxCustomEngine& e, Extended v) { e.CurX = v; });
  c.Prop("CurY", [](TkvxCustomEngine& e) { return e.CurY; }, [](TkvxCustomEngine& e, Extended v) { e.CurY = v; });
  c.Prop("DoublePass", &TkvxCustomEngine::DoublePass);
  c.Prop("FinalPass", [](TkvxCustomEngine& e) { return e.FinalPass; }, [](TkvxCustomEngine& e, bool v) { e.FinalPass = v; });
  c.Prop("PageHeight", [](TkvxCustomEngine& e) { return e.PageHeight; }, [](TkvxCustomEngine& e, Extended v) { e.PageHeight = v; });
  c.Prop("PageWidth", [](TkvxCustomEngine& e) { return e.PageWidth; }, [](TkvxCustomEngine& e, Extended v) { e.PageWidth = v; });
  c.Prop("StartDate", [](TkvxCustomEngine& e) { return e.StartDate; }, [](TkvxCustomEngine& e, TDateTime v) { e.StartDate = v; });
  c.Prop("StartTime", [](TkvxCustomEngine& e) { return e.StartTime; }, [](TkvxCustomEngine& e, TDateTime v) { e.StartTime = v; });
  c.Prop("TotalPages", [](TkvxCustomEngine& e) { return e.TotalPages; }, [](TkvxCustomEngine& e, Integer v) { e.TotalPages = v; });
  c.Prop("SecondScriptCall", [](TkvxCustomEngine& e) { return e.SecondScriptCall; }, [](TkvxCustomEngine& e, bool v) { e.SecondScriptCall = v; });
}

ORV_IMPLEMENT_CLASS(TkvxCustomPreviewPages, c) {}
ORV_IMPLEMENT_CLASS(TkvxCustomOutline, c) {}
ORV_IMPLEMENT_CLASS(TkvxCustomPreview, c) {}

ORV_IMPLEMENT_CLASS(TkvxCustomExportFilter, c) {
  c.Prop("ShowDialog", &TkvxCustomExportFilter::ShowDialog, &TkvxCustomExportFilter::SetShowDialog).Default(true);
  c.Prop("FileName", &TkvxCustomExportFilter::FileName, &TkvxCustomExportFilter::SetFileName);
  c.Prop("ExportNotPrintable", &TkvxCustomExportFilter::ExportNotPrintable, &TkvxCustomExportFilter::SetExportNotPrintable)
      .Default(false);
  c.Prop("UseFileCache", &TkvxCustomExportFilter::UseFileCache, &TkvxCustomExportFilter::SetUseFileCache).Default(true);
  c.Prop("DefaultPath", &TkvxCustomExportFilter::DefaultPath, &TkvxCustomExportFilter::SetDefaultPath);
  c.Prop("ShowProgress", &TkvxCustomExportFilter::ShowProgress, &TkvxCustomExportFilter::SetShowProgress).Default(true);
  c.Prop("OverwritePrompt", &TkvxCustomExportFilter::OverwritePrompt, &TkvxCustomExportFilter::SetOverwritePrompt)
      .Default(false);
}

void TkvxCustomEngine::StopReport() {
  if (Report) Report->SetTerminated(true);
}

bool TkvxCustomEngine::DoublePass() const { return Report && Report->EngineOptions()->DoublePass; }

TkvxCustomPreviewPages::~TkvxCustomPreviewPages() = default;

TkvxCustomExportFilter::TkvxCustomExportFilter(TComponent* owner) : TkvxCustomExportFilter(owner, false) {}

TkvxCustomExportFilter::TkvxCustomExportFilter(TComponent* owner, bool noRegister)
    : TComponent(owner), noRegister_(noRegister) {
  if (!noRegister_) kvxGetExportFilters()->Register(this);
}

TkvxCustomExportFilter::~TkvxCustomExportFilter() {
  if (!noRegister_) kvxGetExportFilters()->Unregister(this);
}

int TkvxCustomExportFilter::ShowModal() { return mrOk; }

}  // namespace orv
