#include "platform/gui/ScriptedDialogService.h"

#include "platform/gui/Controls.h"
#include "platform/gui/Graphics.h"

namespace orv {

namespace {

int FirstButtonResult(TMsgDlgButtons buttons) {
  static const std::pair<TMsgDlgBtn, int> order[] = {
      {mbOK, mrOk}, {mbYes, mrYes}, {mbNo, mrNo}, {mbCancel, mrCancel}, {mbAbort, mrAbort},
      {mbRetry, mrRetry}, {mbIgnore, mrIgnore}, {mbAll, mrAll}, {mbNoToAll, mrNoToAll},
      {mbYesToAll, mrYesToAll}};
  for (auto [button, result] : order)
    if (buttons.Contains(button)) return result;
  return mrOk;
}

}  // namespace

int TScriptedDialogService::ShowMessageBox(const TMessageBoxRequest& r) {
  shown_.push_back({"message", r.Caption, r.Text, r.Type, r.Buttons});
  if (results_.empty()) return FirstButtonResult(r.Buttons);
  int result = results_.front();
  results_.pop_front();
  return result;
}

bool TScriptedDialogService::InputQuery(const String& Caption, const String& Prompt, String& Value) {
  shown_.push_back({"input", Caption, Prompt, mtCustom, {}});
  if (inputs_.empty()) return false;
  std::optional<String> answer = inputs_.front();
  inputs_.pop_front();
  if (!answer) return false;
  Value = *answer;
  return true;
}

bool TScriptedDialogService::ExecuteFileDialog(TFileDialogRequest& Request) {
  shown_.push_back({"file", Request.Title, Request.Filter, mtCustom, {}});
  lastFile_ = Request;
  if (files_.empty() || files_.front().empty()) {
    if (!files_.empty()) files_.pop_front();
    return false;
  }
  Request.Files = files_.front();
  files_.pop_front();
  Request.FileName = Request.Files.front();
  return true;
}

bool TScriptedDialogService::ExecuteColorDialog(TColor& Color) {
  shown_.push_back({"color", "", "", mtCustom, {}});
  lastColor_ = Color;
  if (colors_.empty()) return false;
  std::optional<TColor> answer = colors_.front();
  colors_.pop_front();
  if (answer) Color = *answer;
  return answer.has_value();
}

bool TScriptedDialogService::ExecuteFontDialog(TFont& Font) {
  shown_.push_back({"font", "", Font.Name(), mtCustom, {}});
  lastFont_ = Font.Data();
  if (fonts_.empty()) return false;
  std::optional<TFontData> answer = fonts_.front();
  fonts_.pop_front();
  if (answer) Font.SetData(*answer);
  return answer.has_value();
}

bool TScriptedDialogService::ExecutePrintDialog(TPrintDialogRequest& Request) {
  shown_.push_back({"print", "", "", mtCustom, {}});
  lastPrint_ = Request;
  if (prints_.empty()) return false;
  std::optional<TPrintDialogRequest> answer = prints_.front();
  prints_.pop_front();
  if (answer) Request = *answer;
  return answer.has_value();
}

bool TScriptedDialogService::ExecutePrinterSetupDialog(TPrinterSetupRequest& Request) {
  shown_.push_back({"printer setup", Request.Caption, "", mtCustom, {}});
  lastSetup_ = Request;
  lastOffer_ = Request.Offer ? Request.Offer(Request.Printer) : TPrinterOffer{};
  if (setups_.empty()) return false;
  std::optional<TPrinterSetupRequest> answer = setups_.front();
  setups_.pop_front();
  if (!answer) return false;
  // The choices only: what the dialog was asked stays the program's.
  if (!Request.Printers.empty()) Request.Printer = answer->Printer;
  Request.Paper = answer->Paper;
  Request.Source = answer->Source;
  if (Request.ShowOrientation) Request.Landscape = answer->Landscape;
  if (Request.ShowSides) Request.Sides = answer->Sides;
  if (Request.ShowQuality) Request.Quality = answer->Quality;
  return true;
}

}  // namespace orv
