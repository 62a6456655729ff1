#pragma once
// The printer setup dialog: which printer the program prints on, with which paper, orientation
// and paper source, asked through the dialog service over the print server's printers.
#include "platform/gui/Dialogs.h"

namespace orv {

// The program's printer as the setup dialog left it; empty texts are the printer's defaults.
struct TPrinterSetup {
  String Printer;
  // The CUPS media and media-source keywords.
  String Paper;
  String Source;
  bool Landscape = false;
};

// The one setup of the program, shared by every setup dialog.
TPrinterSetup& ProgramPrinterSetup();

class TPrinterSetupDialog : public TCommonDialog {
  ORV_CLASS(TPrinterSetupDialog, TCommonDialog)

 public:
  explicit TPrinterSetupDialog(TComponent* AOwner);
  // True when the user confirmed; the choices are then the program's printer setup. Without
  // a print server or printers it says so and returns False.
  bool Execute() override;
};

}  // namespace orv
