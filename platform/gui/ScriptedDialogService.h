#pragma once
// A dialog service for tests: answers from queues instead of asking a person, and records
// every box and dialog it was shown.
#include <deque>
#include <optional>

#include "platform/gui/DialogService.h"
#include "platform/gui/Graphics.h"

namespace orv {

// Answers dialogs from queued answers. A message box with nothing queued gets its first
// button (OK, Yes ...); other dialogs with nothing queued are cancelled.
class TScriptedDialogService : public IDialogService {
 public:
  struct TShownBox {
    String Kind;  // "message", "input", "file", "color", "font", "print", "printer setup"
    String Caption;
    String Text;
    TMsgDlgType Type = mtCustom;
    TMsgDlgButtons Buttons;
  };

  void QueueResult(int ModalResult) { results_.push_back(ModalResult); }
  // std::nullopt cancels the input box.
  void QueueInput(std::optional<String> Text) { inputs_.push_back(std::move(Text)); }
  // An empty list cancels the file dialog.
  void QueueFiles(std::vector<String> Files) { files_.push_back(std::move(Files)); }
  void QueueColor(std::optional<TColor> Color) { colors_.push_back(Color); }
  // The font the user leaves in the dialog; std::nullopt cancels it.
  void QueueFont(std::optional<TFontData> Font) { fonts_.push_back(std::move(Font)); }
  // The choices the user leaves in the print dialog; std::nullopt cancels it.
  void QueuePrint(std::optional<TPrintDialogRequest> Answer) { prints_.push_back(std::move(Answer)); }
  // The choices the user leaves in a printer setup or properties dialog (printer, paper,
  // source, orientation, sides, quality); std::nullopt cancels it.
  void QueuePrinterSetup(std::optional<TPrinterSetupRequest> Answer) { setups_.push_back(std::move(Answer)); }

  const std::vector<TShownBox>& Shown() const { return shown_; }
  // The text of the last box shown; empty when none.
  String LastText() const { return shown_.empty() ? String() : shown_.back().Text; }
  // The last file dialog's request as the program made it.
  const TFileDialogRequest& LastFileRequest() const { return lastFile_; }
  // What the last colour, font and print dialogs were opened with.
  TColor LastColor() const { return lastColor_; }
  const TFontData& LastFont() const { return lastFont_; }
  const TPrintDialogRequest& LastPrintRequest() const { return lastPrint_; }
  // What the last printer setup or properties dialog was opened with, and what its printer
  // offered then.
  const TPrinterSetupRequest& LastPrinterSetupRequest() const { return lastSetup_; }
  const TPrinterOffer& LastPrinterOffer() const { return lastOffer_; }

  int ShowMessageBox(const TMessageBoxRequest& Request) override;
  bool InputQuery(const String& Caption, const String& Prompt, String& Value) override;
  bool ExecuteFileDialog(TFileDialogRequest& Request) override;
  bool ExecuteColorDialog(TColor& Color) override;
  bool ExecuteFontDialog(TFont& Font) override;
  bool ExecutePrintDialog(TPrintDialogRequest& Request) override;
  bool ExecutePrinterSetupDialog(TPrinterSetupRequest& Request) override;

 private:
  std::vector<TShownBox> shown_;
  std::deque<int> results_;
  std::deque<std::optional<String>> inputs_;
  std::deque<std::vector<String>> files_;
  std::deque<std::optional<TColor>> colors_;
  std::deque<std::optional<TFontData>> fonts_;
  std::deque<std::optional<TPrintDialogRequest>> prints_;
  std::deque<std::optional<TPrinterSetupRequest>> setups_;
  TFileDialogRequest lastFile_;
  TColor lastColor_ = clNone;
  TFontData lastFont_;
  TPrintDialogRequest lastPrint_;
  TPrinterSetupRequest lastSetup_;
  TPrinterOffer lastOffer_;
};

}  // namespace orv
