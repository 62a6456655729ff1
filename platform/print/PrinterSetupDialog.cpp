#include "platform/print/PrinterSetupDialog.h"

#include <algorithm>

#include "platform/gui/DialogService.h"
#include "platform/print/PrintServer.h"

namespace orv {

namespace {

// What the server says a printer offers; nothing when it does not answer.
TPrinterOffer OfferOf(const String& printer, String* defaultPaper) {
  TPrinterOffer offer;
  TPrinterCapabilities caps;
  String error;
  if (!QueryCapabilities(printer, caps, error)) return offer;
  for (const TPrinterPaper& p : caps.Papers) offer.Papers.push_back({p.Name, p.Media});
  offer.Sources.push_back({"Default", ""});
  for (const TPrinterBin& b : caps.Bins) offer.Sources.push_back({b.Name, b.Source});
  offer.Duplex = caps.Duplex;
  offer.Qualities = caps.Qualities;
  if (defaultPaper && caps.DefaultPaper >= 0) *defaultPaper = caps.Papers[caps.DefaultPaper].Media;
  return offer;
}

}  // namespace

TPrinterSetup& ProgramPrinterSetup() {
  static TPrinterSetup setup;
  return setup;
}

TPrinterSetupDialog::TPrinterSetupDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}

bool TPrinterSetupDialog::Execute() {
  TPrinterList list = ListPrinters();
  if (list.Names.empty()) {
    TMessageBoxRequest box;
    box.Caption = "Printer Setup";
    box.Text = list.ServerReachable ? "No printers are installed." : "The print server does not answer: " + list.Error;
    box.Type = mtError;
    DialogService().ShowMessageBox(box);
    return false;
  }
  TPrinterSetup& setup = ProgramPrinterSetup();
  TPrinterSetupRequest request;
  request.Caption = "Printer Setup";
  request.Printers = list.Names;
  bool known = std::find(list.Names.begin(), list.Names.end(), setup.Printer) != list.Names.end();
  request.Printer = known ? setup.Printer : !list.Default.empty() ? list.Default : list.Names.front();
  request.Offer = [](const String& printer) { return OfferOf(printer, nullptr); };
  request.Paper = setup.Paper;
  if (!known || request.Paper.empty()) OfferOf(request.Printer, &request.Paper);
  request.Source = known ? setup.Source : String();
  request.ShowOrientation = true;
  request.Landscape = setup.Landscape;
  bool ok = Run([&] { return DialogService().ExecutePrinterSetupDialog(request); });
  if (ok) setup = {request.Printer, request.Paper, request.Source, request.Landscape};
  return ok;
}

ORV_IMPLEMENT_CLASS(TPrinterSetupDialog, c) {}

}  // namespace orv
