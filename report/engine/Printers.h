#pragma once
// The report library's printers: one object per system printer, a virtual printer for systems
// without one, the global list kvxPrinters and the table of paper sizes by paper code.
#include <memory>
#include <vector>

#include "platform/gui/Canvas.h"
#include "platform/print/CanvasJob.h"
#include "platform/print/PrintJob.h"
#include "platform/print/PrintServer.h"
#include "platform/print/SpoolFiles.h"
#include "report/engine/PrintSpool.h"
#include "platform/rtl/List.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/StringList.h"

namespace orv {

class TkvxCustomPrinter;

// A paper or bin as the printer lists it: the name shown and its code.
struct TkvxPrinterItem {
  String Name;
  Integer Code = 0;
};
using TkvxPrinterItems = std::vector<TkvxPrinterItem>;

// The canvas pages are drawn on while a printer prints. Its font keeps its point size at the
// printer's resolution.
class TkvxPrinterCanvas : public TCanvas {
 public:
  explicit TkvxPrinterCanvas(TkvxCustomPrinter* APrinter) : FPrinter(APrinter) {}
  TkvxCustomPrinter* Printer() const { return FPrinter; }
  // Sets the font's resolution to the printer's vertical DPI at the given point size.
  void UpdateFont(Integer Points);

 private:
  TkvxCustomPrinter* FPrinter;
};

// The settings a job is printed with, as a printer driver keeps them: paper code, a custom
// paper's portrait size in tenths of a millimetre, copies, source bin and duplex (1 simplex,
// 2 long edge, 3 short edge; 0 = the printer's own setting).
struct TkvxDeviceMode {
  Integer PaperSize = 9;
  Integer PaperLength = 0;
  Integer PaperWidth = 0;
  bool Landscape = false;
  Integer Copies = 1;
  Integer DefaultSource = 7;
  Integer Duplex = 0;
  // print-quality: 3 draft, 4 normal, 5 high; 0 = the printer's own setting.
  Integer PrintQuality = 0;
};

// What a printer's properties dialog may change, as it stood before: a print dialog that is
// cancelled puts it back.
struct TkvxPrinterSettings {
  Integer Bin = -1;
  Integer Paper = 0;
  bool Orientation = false;
  Extended PaperWidth = 0, PaperHeight = 0;
  TkvxDeviceMode DeviceMode;
  Integer ChosenDuplex = 0;
};

// A printer of the report library. Failures of a job are returned to the caller, with the
// reason in LastError, so that the caller shows one message.
class TkvxCustomPrinter : public TObject {
 public:
  TkvxCustomPrinter(const String& AName, const String& APort);
  ~TkvxCustomPrinter() override;

  virtual void Init() = 0;
  virtual void Abort() = 0;
  virtual bool BeginDoc() = 0;
  virtual bool BeginPage() = 0;
  virtual bool BeginRAWDoc() = 0;
  virtual bool EndDoc() = 0;
  virtual void EndPage() = 0;
  virtual bool EndRAWDoc() = 0;
  virtual bool WriteRAWDoc(const String& Text) = 0;
  // Paper for page layout (not for printing); Orientation True = landscape.
  virtual void SetViewParams(Integer PaperSize, Extended PaperWidth, Extended PaperHeight,
                             bool Orientation) = 0;
  // Paper, bin, duplex (the page's duplex mode + 1) and copies of the pages that follow.
  virtual void SetPrintParams(Integer PaperSize, Extended PaperWidth, Extended PaperHeight,
                              bool Orientation, Integer Bin, Integer Duplex, Integer Copies) = 0;
  virtual bool PropertiesDlg() = 0;
  virtual TkvxPrinterSettings Settings() const;
  virtual void RestoreSettings(const TkvxPrinterSettings& Value);
  // While a job begun with Spooled set prints, each page begun is a sheet of its spool, where
  // the pages go instead of onto Canvas; nullptr otherwise, or for a printer that has none.
  virtual TkvxPrintSpool* Spool() const { return nullptr; }
  // The job BeginDoc begins next takes its pages as prepared pages for the program's spool
  // (kvxSetPrintSpoolMaker), when it has one; its end, or its failing to begin, clears it.
  void SetSpooled(bool Value) { FSpooled = Value; }

  // Position of a paper code in Papers, -1 when absent.
  Integer IndexOfPaper(Integer PaperCode) const;
  // Code of the named paper; the first paper's code when the name is unknown.
  Integer PaperNameToCode(const String& Name) const;

  Integer Bin() const { return FBin; }
  void SetBin(Integer Value) { FBin = Value; }
  const TkvxPrinterItems& Bins() const { return FBins; }
  TkvxPrinterCanvas* Canvas() const { return FCanvas.get(); }
  bool DefOrientation() const { return FDefOrientation; }
  Integer DefPaper() const { return FDefPaper; }
  Extended DefPaperWidth() const { return FDefPaperWidth; }
  Extended DefPaperHeight() const { return FDefPaperHeight; }
  TPoint DPI() const { return FDPI; }
  const String& FileName() const { return FFileName; }
  void SetFileName(const String& Value) { FFileName = Value; }
  bool Initialized() const { return FInitialized; }
  const String& Name() const { return FName; }
  const String& Port() const { return FPort; }
  Integer Paper() const { return FPaper; }
  const TkvxPrinterItems& Papers() const { return FPapers; }
  Extended PaperWidth() const { return FPaperWidth; }
  Extended PaperHeight() const { return FPaperHeight; }
  Extended LeftMargin() const { return FLeftMargin; }
  Extended TopMargin() const { return FTopMargin; }
  Extended RightMargin() const { return FRightMargin; }
  Extended BottomMargin() const { return FBottomMargin; }
  bool Orientation() const { return FOrientation; }
  bool Printing() const { return FPrinting; }
  const String& Title() const { return FTitle; }
  void SetTitle(const String& Value) { FTitle = Value; }
  // Why the last operation that failed failed.
  const String& LastError() const { return FLastError; }

 protected:
  // Empties the lists down to their first entries, "Custom" and "Default".
  void ResetLists();

  Integer FBin = -1;
  TkvxPrinterItems FBins;
  std::unique_ptr<TkvxPrinterCanvas> FCanvas;
  bool FDefOrientation = false;
  Integer FDefPaper = 0;
  Extended FDefPaperWidth = 0, FDefPaperHeight = 0;
  TPoint FDPI;
  String FFileName;
  bool FInitialized = false;
  String FName, FPort;
  Integer FPaper = 0;
  TkvxPrinterItems FPapers;
  Extended FPaperWidth = 0, FPaperHeight = 0;
  Extended FLeftMargin = 0, FTopMargin = 0, FRightMargin = 0, FBottomMargin = 0;
  bool FOrientation = false;
  bool FPrinting = false;
  String FTitle;
  String FLastError;
  bool FSpooled = false;
};

// A printer of the print server.
class TkvxPrinter : public TkvxCustomPrinter {
 public:
  TkvxPrinter(const String& AName, const String& APort);

  void Init() override;
  void Abort() override;
  bool BeginDoc() override;
  bool BeginPage() override;
  bool BeginRAWDoc() override;
  bool EndDoc() override;
  void EndPage() override;
  bool EndRAWDoc() override;
  bool WriteRAWDoc(const String& Text) override;
  void SetViewParams(Integer PaperSize, Extended PaperWidth, Extended PaperHeight,
                     bool Orientation) override;
  void SetPrintParams(Integer PaperSize, Extended PaperWidth, Extended PaperHeight,
                      bool Orientation, Integer Bin, Integer Duplex, Integer Copies) override;
  // The printer's properties (paper, source, sides, quality) asked through the dialog
  // service; on OK the next job carries them. False when cancelled.
  bool PropertiesDlg() override;
  TkvxPrinterSettings Settings() const override;
  void RestoreSettings(const TkvxPrinterSettings& Value) override;
  TkvxPrintSpool* Spool() const override { return FSpool.get(); }

  const TkvxDeviceMode& DeviceMode() const { return FDeviceMode; }

 private:
  // The paper of the device mode measured as the printer reports it; False when the printer
  // knows no paper of that code.
  bool ReadCapabilities();
  TJobOptions JobOptions() const;
  void JobEnded();
  // A new spool for the pages of the next printer job, in a file of its own.
  bool OpenSpool();
  // Writes the spool's sheets to its file, to be sent with the options of its pages.
  bool CloseSpool();

  TPrinterCapabilities FCapabilities;
  TkvxDeviceMode FDeviceMode;
  // The sides chosen in the properties dialog for the next job; pages that say nothing of their
  // sides print so, and the job after that prints as the printer is set up (0).
  Integer FChosenDuplex = 0;
  // The exact paper of the current settings, as it lies, and its CUPS media name.
  Extended FExactWidth = 0, FExactHeight = 0;
  String FMedia;
  // The options of the printer job the pages now go to.
  TJobOptions FJobOptions;
  Integer FPagesBegun = 0;
  TCanvasJob FJob;
  // A spooled job's files, its spool and the file the spool goes to.
  TSpoolFiles FSpoolFiles;
  std::unique_ptr<TkvxPrintSpool> FSpool;
  String FSpoolFile;
  TPrintJob FRawJob;
};

// The printer of a system without printers: page layout works, printing does nothing.
class TkvxVirtualPrinter : public TkvxCustomPrinter {
 public:
  TkvxVirtualPrinter(const String& AName, const String& APort);

  void Init() override;
  void Abort() override {}
  bool BeginDoc() override { return true; }
  bool BeginPage() override { return true; }
  bool BeginRAWDoc() override { return true; }
  bool EndDoc() override { return true; }
  void EndPage() override {}
  bool EndRAWDoc() override { return true; }
  bool WriteRAWDoc(const String&) override { return true; }
  void SetViewParams(Integer PaperSize, Extended PaperWidth, Extended PaperHeight,
                     bool Orientation) override;
  void SetPrintParams(Integer PaperSize, Extended PaperWidth, Extended PaperHeight,
                      bool Orientation, Integer Bin, Integer Duplex, Integer Copies) override;
  bool PropertiesDlg() override { return false; }
};

// The system's printers, or the one virtual printer when there is none.
class TkvxPrinters : public TObject {
 public:
  TkvxPrinters();
  ~TkvxPrinters() override;

  // The system's default printer; empty when there is none.
  String GetDefaultPrinter() const;
  // Case-insensitive; -1 when none.
  Integer IndexOf(const String& Name) const;
  // nullptr for an index out of range.
  TkvxCustomPrinter* GetItem(Integer Index) const;
  TkvxCustomPrinter* Printer() const { return GetItem(FPrinterIndex); }
  void Clear();

  Integer PrinterIndex() const { return FPrinterIndex; }
  // -1 selects the default printer; the selected printer is then initialized.
  void SetPrinterIndex(Integer Value);
  TStringList& Printers() { return FPrinters; }
  Integer Count() const { return static_cast<Integer>(FPrinterList.size()); }
  bool HasPhysicalPrinters() const { return FHasPhysicalPrinters; }
  // Why there is no printer when the print server did not answer; empty when it did.
  const String& ServerError() const { return FServerError; }

 private:
  void FillPrinters();

  TStringList FPrinters;
  std::vector<std::unique_ptr<TkvxCustomPrinter>> FPrinterList;
  Integer FPrinterIndex = -1;
  bool FHasPhysicalPrinters = false;
  String FDefaultPrinter;
  String FServerError;
};

// The global printer list, made on first use and freed when the program ends.
TkvxPrinters* kvxPrinters();

// Paper size of a paper code in millimetres, portrait; False for a code not in the table.
bool kvxGetPaperDimensions(Integer PaperSize, Extended& Width, Extended& Height);

}  // namespace orv
