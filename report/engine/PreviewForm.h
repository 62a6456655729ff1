#pragma once
// TkvxPreviewForm: the window a report's prepared pages are shown in, with the preview's
// commands on a tool bar and in a right-click menu, a zoom box, a page-number box, a status bar
// with the page counter, and a full-screen mode.
#include <utility>
#include <vector>

#include "platform/gui/Buttons.h"
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

  // Shows the commands the report's options allow, lists the export filters and builds the
  // right-click menu; called once the preview has the report.
  void Init();
  void UpdateControls();
  void UpdateZoom();
  // Reads the zoom box: a listed mode, or a percentage such as "150 %".
  void ZoomCBClick();
  // Goes to the page typed in the page-number box.
  void PageEClick();
  // Cancels a running report, or closes the window.
  void CancelBClick();
  // Text goes to the message panel of the status bar, or with isHint to the hint panel.
  void SetMessage(const String& text, bool isHint);
  bool FullScreen() const { return fullScreen_; }
  void SetFullScreen(bool value);
  // Close or open every drill-down group of the report and prepare it again.
  void CollapseAllClick();
  void ExpandAllClick();

  TkvxPreview* Preview() const { return preview_; }
  // The window a report opens over its prepared pages when no preview control is attached to it:
  // modal, it runs until closed and is then freed; otherwise it frees itself when closed.
  static void ShowForReport(TkvxReport& report);
  // The filters the quick buttons export through, looked up when clicked; nil without one.
  TkvxCustomExportFilter* PdfFilter() const;
  TkvxCustomExportFilter* EmailFilter() const;

  TToolBar* ToolBar = nullptr;
  TToolButton *PrintB, *OpenB, *SaveB, *ExportB, *PdfB, *EmailB, *FindB, *Sep1, *ZoomPlusB, *ZoomMinusB,
      *FullScreenBtn, *Sep2, *OutlineB, *ThumbB, *PageSettingsB, *Sep5, *FirstB, *PriorB, *NextB, *LastB;
  TkvxTBPanel *Sep3, *Sep4, *kvTBPanel1;
  TSpeedButton* CancelB;
  TkvxComboBox* ZoomCB;
  TEdit* PageE;
  TStatusBar* StatusBar = nullptr;
  TPopupMenu* ExportPopup;
  TPopupMenu* RightMenu;
  TMenuItem *CollapseMI, *ExpandMI, *N1;
  // Set for a window shown without waiting for it: closing it frees it.
  bool FreeOnClose = false;

 protected:
  void Resize() override;

 private:
  TToolButton* Button(const String& caption, const String& hint, int image, const std::function<void()>& command);
  void PageChanged(Integer pageNo);
  void BuildRightMenu();
  void SetDrillDown(bool expand);
  bool HasDrillDown() const;
  TkvxCustomExportFilter* FilterOfClass(const String& className) const;

  TkvxPreview* preview_;
  // Each tool button mirrored in the right-click menu, with its item.
  std::vector<std::pair<TToolButton*, TMenuItem*>> mirrored_;
  bool fullScreen_ = false;
  TFormBorderStyle savedBorderStyle_ = bsSizeable;
  TWindowState savedWindowState_ = wsNormal;
};

}  // namespace orv
