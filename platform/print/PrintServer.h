#pragma once
// The printers the print server offers and what each of them can do.
#include <vector>

#include "platform/rtl/Types.h"

namespace orv {

// The printers of the print server, in the server's order.
struct TPrinterList {
  std::vector<String> Names;
  // Where each printer is, in the order of Names: the device it prints to, as its URI says,
  // without any user name or password in it.
  std::vector<String> Locations;
  // The user's or the server's default printer; empty when there is none.
  String Default;
  // False when no print server answered; Error then says why.
  bool ServerReachable = true;
  String Error;
  // The print server asked ("localhost", "/run/cups/cups.sock", "host:631").
  String Server;
};

TPrinterList ListPrinters();

// A device URI as it can be shown: user name and password taken out.
String DeviceLocation(const String& uri);

// A paper a printer takes: sizes and unprintable margins in millimetres, portrait.
struct TPrinterPaper {
  String Name;
  // The CUPS media name to ask for it by.
  String Media;
  // Its Windows paper code, or a code of this printer's own from kFirstPrinterPaperCode up.
  int Code = 0;
  double Width = 0, Height = 0;
  double LeftMargin = 0, TopMargin = 0, RightMargin = 0, BottomMargin = 0;
};

// A paper source (bin) of a printer.
struct TPrinterBin {
  String Name;
  // The media-source keyword to ask for it by.
  String Source;
  // Its Windows bin code, or a code of this printer's own from kFirstPrinterBinCode up.
  int Code = 0;
};

struct TPrinterCapabilities {
  std::vector<TPrinterPaper> Papers;
  std::vector<TPrinterBin> Bins;
  bool Duplex = false;
  // The print-quality values the printer takes (3 draft, 4 normal, 5 high).
  std::vector<int> Qualities;
  int DpiX = 0, DpiY = 0;
  // Index in Papers of the printer's default paper, -1 when it names none of them.
  int DefaultPaper = -1;
  bool DefaultLandscape = false;
};

// Asks the server what printer can do. False, with the server's reason in error, when the
// printer is unknown or the server does not answer.
bool QueryCapabilities(const String& printer, TPrinterCapabilities& capabilities, String& error);

}  // namespace orv
