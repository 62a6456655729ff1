#pragma once
// TkvxPreviewForm: the window a report's prepared pages are shown in, with the preview's
// commands on a tool bar, a zoom box, a page-number box and a status bar with the page counter.
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/ToolBar.h"
#include "report/engine/ComboBox.h"
#include "report/engine/Preview.h"
#include "report/engine/ToolBarPanel.h"

namespace orv {

class TkvxPreviewForm : public TForm {
  ORV_CLASS(TkvxPreviewForm, TForm)

 public:
  explicit TkvxPreviewForm(TComponent* owner);

  // Shows the commands the report's options allow and lists the export filters; called once the
  // preview has the report.
  void Init();
  void UpdateControls();
  void UpdateZoom();
  // Reads the zoom box: a listed mode, or a percentage such as "150 %".
  void ZoomCBClick();
  // Goes to the page typed in the page-number box.
  void PageEClick();
  // Cancels a running report, or closes the window.
  void CancelBClick();

  TkvxPreview* Preview() const { return preview_; }
  // The window a report opens over its prepared pages when no preview control is attached to it:
  // modal, it runs until closed and is then freed; otherwise it frees itself when closed.
  static void ShowForReport(TkvxReport& report);

  TToolBar* ToolBar;
  TToolButton *PrintB, *OpenB, *SaveB, *ExportB, *FindB, *Sep1, *ZoomPlusB, *ZoomMinusB, *Sep2, *OutlineB,
      *ThumbB, *PageSettingsB, *Sep5, *FirstB, *PriorB, *NextB, *LastB, *CancelB;
  TkvxTBPanel *Sep3, *Sep4;
  TkvxComboBox* ZoomCB;
  TEdit* PageE;
  TStatusBar* StatusBar;
  TPopupMenu* ExportPopup;

 private:
  TToolButton* Button(const String& caption, const String& hint, const std::function<void()>& command);
  void PageChanged(Integer pageNo);
  TkvxPreview* preview_;
};

}  // namespace orv
