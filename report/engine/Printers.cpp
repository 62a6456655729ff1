#include "report/engine/Printers.h"

#include <cmath>

#include "platform/gui/DialogService.h"
#include "platform/print/PaperCodes.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/Resources.h"

namespace orv {

namespace {

constexpr Integer kDefaultBin = kAutoBinCode;
const char* const kDefaultTitle = "Quillan Document";

Extended RoundMm(Extended mm) { return std::round(mm); }

bool SameJobOptions(const TJobOptions& a, const TJobOptions& b) {
  return a.Media == b.Media && a.MediaSource == b.MediaSource && a.Sides == b.Sides &&
         a.Copies == b.Copies && a.Collate == b.Collate && a.Landscape == b.Landscape;
}

}  // namespace

void TkvxPrinterCanvas::UpdateFont(Integer Points) {
  Font().SetPixelsPerInch(FPrinter->DPI().Y);
  Font().SetSize(Points);
}

// ---------------------------------------------------------------------------------------------

TkvxCustomPrinter::TkvxCustomPrinter(const String& AName, const String& APort)
    : FCanvas(std::make_unique<TkvxPrinterCanvas>(this)), FName(AName), FPort(APort) {
  ResetLists();
}

TkvxCustomPrinter::~TkvxCustomPrinter() = default;

void TkvxCustomPrinter::ResetLists() {
  FPapers = {{kvxGetResources()->Get("prCustom"), kCustomPaperCode}};
  FBins = {{kvxGetResources()->Get("prDefault"), kDefaultBin}};
}

Integer TkvxCustomPrinter::IndexOfPaper(Integer PaperCode) const {
  for (size_t i = 0; i < FPapers.size(); ++i)
    if (FPapers[i].Code == PaperCode) return static_cast<Integer>(i);
  return -1;
}

Integer TkvxCustomPrinter::PaperNameToCode(const String& Name) const {
  for (const TkvxPrinterItem& p : FPapers)
    if (p.Name == Name) return p.Code;
  return FPapers.front().Code;
}

TkvxPrinterSettings TkvxCustomPrinter::Settings() const {
  TkvxPrinterSettings s;
  s.Bin = FBin;
  s.Paper = FPaper;
  s.Orientation = FOrientation;
  s.PaperWidth = FPaperWidth;
  s.PaperHeight = FPaperHeight;
  return s;
}

void TkvxCustomPrinter::RestoreSettings(const TkvxPrinterSettings& Value) {
  FBin = Value.Bin;
  FPaper = Value.Paper;
  FOrientation = Value.Orientation;
  FPaperWidth = Value.PaperWidth;
  FPaperHeight = Value.PaperHeight;
}

// ---------------------------------------------------------------------------------------------

TkvxPrinter::TkvxPrinter(const String& AName, const String& APort) : TkvxCustomPrinter(AName, APort) {}

void TkvxPrinter::Init() {
  if (FInitialized) return;
  TPrinterCapabilities caps;
  String error;
  if (!QueryCapabilities(FName, caps, error)) {
    FLastError = error;
    ResetLists();
    return;
  }
  FCapabilities = std::move(caps);
  // Pages are drawn on the spool at its resolution, whatever the printer prints at.
  FDPI = Point(TCanvasJob::kResolution, TCanvasJob::kResolution);
  const auto& papers = FCapabilities.Papers;
  FDeviceMode = {};
  FDeviceMode.PaperSize = FCapabilities.DefaultPaper >= 0 ? papers[FCapabilities.DefaultPaper].Code
                          : papers.empty()                ? 9
                                                          : papers.front().Code;
  FDeviceMode.Landscape = FCapabilities.DefaultLandscape;
  if (!ReadCapabilities()) return;
  FPaper = FDefPaper = FDeviceMode.PaperSize;
  FDefPaperWidth = FPaperWidth;
  FDefPaperHeight = FPaperHeight;
  FDefOrientation = FOrientation = FDeviceMode.Landscape;
  ResetLists();
  for (const TPrinterPaper& p : papers)
    if (p.Code != kCustomPaperCode) FPapers.push_back({p.Name, p.Code});
  for (const TPrinterBin& b : FCapabilities.Bins)
    if (b.Code != kDefaultBin) FBins.push_back({b.Name, b.Code});
  FBin = -1;
  FInitialized = true;
  FLastError.clear();
}

bool TkvxPrinter::ReadCapabilities() {
  const auto& papers = FCapabilities.Papers;
  const TPrinterPaper* defaultPaper =
      FCapabilities.DefaultPaper >= 0 ? &papers[FCapabilities.DefaultPaper]
      : papers.empty()                ? nullptr
                                      : &papers.front();
  const TPrinterPaper* paper = nullptr;
  for (const TPrinterPaper& p : papers)
    if (p.Code == FDeviceMode.PaperSize) paper = &p;
  // Portrait size and margins (mm) of the paper the settings name.
  Extended w, h, left, top, right, bottom;
  String media;
  if (paper) {
    w = paper->Width;
    h = paper->Height;
    left = paper->LeftMargin;
    top = paper->TopMargin;
    right = paper->RightMargin;
    bottom = paper->BottomMargin;
    media = paper->Media;
  } else {
    if (FDeviceMode.PaperSize == kCustomPaperCode && FDeviceMode.PaperWidth > 0 &&
        FDeviceMode.PaperLength > 0) {
      w = FDeviceMode.PaperWidth / 10.0;
      h = FDeviceMode.PaperLength / 10.0;
    } else if (const TPaperCodeSize* size = FindPaperCodeSize(FDeviceMode.PaperSize)) {
      w = size->Width / 10.0;
      h = size->Height / 10.0;
    } else {
      FLastError = "Paper " + std::to_string(FDeviceMode.PaperSize) + " is unknown to " + FName;
      return false;
    }
    // A paper the printer does not list prints within the margins of its default paper.
    left = defaultPaper ? defaultPaper->LeftMargin : 0;
    top = defaultPaper ? defaultPaper->TopMargin : 0;
    right = defaultPaper ? defaultPaper->RightMargin : 0;
    bottom = defaultPaper ? defaultPaper->BottomMargin : 0;
    media = MediaForSize(w, h);
  }
  if (FDeviceMode.Landscape) {
    // Turned a quarter to the left, as CUPS turns landscape pages: the paper's left edge is
    // the page's top.
    std::swap(w, h);
    Extended l = left, t = top, r = right, b = bottom;
    left = b;
    top = l;
    right = t;
    bottom = r;
  }
  FExactWidth = w;
  FExactHeight = h;
  FMedia = media;
  // Whole millimetres, as the device reports them in pixels rounded to mm.
  FPaperWidth = RoundMm(w);
  FPaperHeight = RoundMm(h);
  FLeftMargin = RoundMm(left);
  FTopMargin = RoundMm(top);
  FRightMargin = FPaperWidth - RoundMm(w - left - right) - FLeftMargin;
  FBottomMargin = FPaperHeight - RoundMm(h - top - bottom) - FTopMargin;
  return true;
}

void TkvxPrinter::SetViewParams(Integer PaperSize, Extended PaperWidth, Extended PaperHeight,
                                bool Orientation) {
  TkvxDeviceMode saved = FDeviceMode;
  FDeviceMode.PaperSize = PaperSize == kCustomPaperCode ? 9 : PaperSize;
  FDeviceMode.Landscape = Orientation;
  if (!ReadCapabilities()) {
    FDeviceMode = saved;
    return;
  }
  if (PaperSize == kCustomPaperCode) {
    FPaperWidth = PaperWidth;
    FPaperHeight = PaperHeight;
  }
  FPaper = PaperSize;
  FOrientation = Orientation;
}

void TkvxPrinter::SetPrintParams(Integer PaperSize, Extended PaperWidth, Extended PaperHeight,
                                 bool Orientation, Integer Bin, Integer Duplex, Integer Copies) {
  TkvxDeviceMode saved = FDeviceMode;
  FDeviceMode.PaperSize = PaperSize;
  if (PaperSize == kCustomPaperCode) {
    FDeviceMode.PaperLength = static_cast<Integer>(std::lround(PaperHeight * 10));
    FDeviceMode.PaperWidth = static_cast<Integer>(std::lround(PaperWidth * 10));
    if (Orientation) std::swap(FDeviceMode.PaperLength, FDeviceMode.PaperWidth);
  } else {
    FDeviceMode.PaperLength = 0;
    FDeviceMode.PaperWidth = 0;
  }
  FDeviceMode.Landscape = Orientation;
  FDeviceMode.Copies = Copies;
  // The default bin is the printer's own choice: a page that asks for it does not keep the
  // tray an earlier page asked for.
  FDeviceMode.DefaultSource = FBin != -1 ? FBin : Bin;
  // Each page says its own sides: one that says nothing prints as the properties dialog chose
  // for this job, or as the printer is set up, never as the page before it.
  FDeviceMode.Duplex = Duplex == 2 || Duplex == 3 ? Duplex : Duplex == 4 ? 1 : FChosenDuplex;
  if (!ReadCapabilities()) {
    FDeviceMode = saved;
    return;
  }
  FPaper = PaperSize;
  FOrientation = Orientation;
}

TJobOptions TkvxPrinter::JobOptions() const {
  TJobOptions o;
  o.Title = FTitle.empty() ? String(kDefaultTitle) : FTitle;
  o.Media = FMedia;
  if (FDeviceMode.DefaultSource != kDefaultBin) {
    for (const TPrinterBin& b : FCapabilities.Bins)
      if (b.Code == FDeviceMode.DefaultSource) o.MediaSource = b.Source;
    if (o.MediaSource.empty()) o.MediaSource = MediaSourceForBin(FDeviceMode.DefaultSource);
  }
  switch (FDeviceMode.Duplex) {
    case 1: o.Sides = jsOneSided; break;
    case 2: o.Sides = jsTwoSidedLongEdge; break;
    case 3: o.Sides = jsTwoSidedShortEdge; break;
    default: o.Sides = jsPrinterDefault; break;
  }
  o.Copies = FDeviceMode.Copies;
  // Collated copies are made by printing the pages again; copies the printer makes are the
  // uncollated ones.
  o.Collate = false;
  o.Landscape = FDeviceMode.Landscape;
  o.Quality = FDeviceMode.PrintQuality;
  return o;
}

bool TkvxPrinter::PropertiesDlg() {
  if (!FInitialized) return false;
  TPrinterOffer offer;
  for (const TPrinterPaper& p : FCapabilities.Papers) offer.Papers.push_back({p.Name, p.Media});
  offer.Sources.push_back({FBins.front().Name, ""});
  for (const TPrinterBin& b : FCapabilities.Bins) offer.Sources.push_back({b.Name, b.Source});
  offer.Duplex = FCapabilities.Duplex;
  offer.Qualities = FCapabilities.Qualities;
  TPrinterSetupRequest r;
  r.Caption = FName;
  r.Printer = FName;
  r.Offer = [offer](const String&) { return offer; };
  r.Paper = FMedia;
  for (const TPrinterBin& b : FCapabilities.Bins)
    if (FBin != -1 && b.Code == FBin) r.Source = b.Source;
  r.ShowSides = FCapabilities.Duplex;
  r.Sides = FDeviceMode.Duplex;
  r.ShowQuality = !FCapabilities.Qualities.empty();
  r.Quality = FDeviceMode.PrintQuality;
  if (!DialogService().ExecutePrinterSetupDialog(r)) return false;
  for (const TPrinterPaper& p : FCapabilities.Papers)
    if (p.Media == r.Paper && p.Media != FMedia) SetViewParams(p.Code, 0, 0, FOrientation);
  // The source chosen holds for the next job whatever its pages ask; "Default" lets the
  // pages say.
  FBin = -1;
  for (const TPrinterBin& b : FCapabilities.Bins)
    if (!r.Source.empty() && b.Source == r.Source) FBin = b.Code;
  FChosenDuplex = FDeviceMode.Duplex = r.Sides;
  FDeviceMode.PrintQuality = r.Quality;
  return true;
}

TkvxPrinterSettings TkvxPrinter::Settings() const {
  TkvxPrinterSettings s = TkvxCustomPrinter::Settings();
  s.DeviceMode = FDeviceMode;
  s.ChosenDuplex = FChosenDuplex;
  return s;
}

void TkvxPrinter::RestoreSettings(const TkvxPrinterSettings& Value) {
  if (!FInitialized) return;
  FDeviceMode = Value.DeviceMode;
  FChosenDuplex = Value.ChosenDuplex;
  ReadCapabilities();
  TkvxCustomPrinter::RestoreSettings(Value);
}

bool TkvxPrinter::BeginDoc() {
  if (!FInitialized) {
    // Nothing is known of the paper: no page could be laid out.
    FLastError = "Printer selected is not valid";
    FSpooled = false;
    return false;
  }
  FPrinting = true;
  FPagesBegun = 0;
  if (FSpooled && kvxPrintSpoolMaker()) {
    FSpoolFiles.Begin(FFileName);
    if (!OpenSpool()) {
      JobEnded();
      return false;
    }
    return true;
  }
  if (!FJob.Begin(FTitle.empty() ? String(kDefaultTitle) : FTitle, FFileName, FLastError)) {
    JobEnded();
    return false;
  }
  return true;
}

bool TkvxPrinter::OpenSpool() {
  if (!FSpoolFiles.Add(FSpoolFile, FLastError)) return false;
  FSpool = kvxPrintSpoolMaker()();
  return true;
}

bool TkvxPrinter::CloseSpool() {
  std::unique_ptr<TkvxPrintSpool> spool = std::move(FSpool);
  if (!spool->Save(FSpoolFile, FLastError)) return false;
  FSpoolFiles.SetOptions(FJobOptions);
  return true;
}

bool TkvxPrinter::BeginPage() {
  if (!FPrinting || (!FSpool && !FJob.Printing())) {
    FLastError = "Printing has not begun";
    return false;
  }
  // A printer job carries one set of options: a page that needs other paper, another tray, side
  // or orientation than the pages before it starts a printer job of its own.
  TJobOptions options = JobOptions();
  bool cut = FPagesBegun > 0 && !SameJobOptions(options, FJobOptions);
  if (FSpool) {
    // A job to a file is one file, whatever its pages ask for.
    if (cut && !FSpoolFiles.ToFile() && !(CloseSpool() && OpenSpool())) return false;
    FJobOptions = options;
    FSpool->AddSheet(FExactWidth, FExactHeight);
    ++FPagesBegun;
    return true;
  }
  if (cut && !FJob.Cut(FJobOptions, FLastError)) return false;
  FJobOptions = options;
  Integer points = FCanvas->Font().Size();
  FJob.BeginPage(*FCanvas, {FExactWidth, FExactHeight, FOrientation, FLeftMargin, FTopMargin});
  FCanvas->UpdateFont(points);
  ++FPagesBegun;
  return true;
}

void TkvxPrinter::EndPage() {
  if (!FSpool) FJob.EndPage();
}

bool TkvxPrinter::EndDoc() {
  if (!FPrinting) {
    FLastError = "Printing has not begun";
    return false;
  }
  bool done;
  if (FSpool) {
    if (FPagesBegun == 0) {
      FLastError = "The job has no pages";
      done = false;
    } else {
      done = CloseSpool() && FSpoolFiles.End(FName, FLastError);
    }
  } else {
    done = FJob.End(FName, FJobOptions, FLastError);
  }
  JobEnded();
  return done;
}

void TkvxPrinter::Abort() {
  FJob.Abort();
  JobEnded();
}

void TkvxPrinter::JobEnded() {
  FPrinting = false;
  FPagesBegun = 0;
  FSpooled = false;
  FSpool.reset();
  FSpoolFiles.Discard();
  // What the properties dialog chose was for this job; a file chosen for it is not where the
  // next job goes.
  FBin = -1;
  FChosenDuplex = FDeviceMode.Duplex = 0;
  FDeviceMode.PrintQuality = 0;
  FFileName.clear();
}

bool TkvxPrinter::BeginRAWDoc() {
  TJobOptions o;
  o.Title = FTitle.empty() ? String(kDefaultTitle) : FTitle;
  return FRawJob.Start(FName, o, dfRaw, FLastError);
}

bool TkvxPrinter::WriteRAWDoc(const String& Text) {
  return FRawJob.Write(Text.data(), Text.size(), FLastError);
}

bool TkvxPrinter::EndRAWDoc() { return FRawJob.Finish(FLastError); }

// ---------------------------------------------------------------------------------------------

TkvxVirtualPrinter::TkvxVirtualPrinter(const String& AName, const String& APort)
    : TkvxCustomPrinter(AName, APort) {}

void TkvxVirtualPrinter::Init() {
  if (FInitialized) return;
  FDPI = Point(600, 600);
  FPaper = FDefPaper = 9;
  FOrientation = FDefOrientation = false;
  FPaperWidth = FDefPaperWidth = 210;
  FPaperHeight = FDefPaperHeight = 297;
  ResetLists();
  for (const TPaperCodeSize& p : PaperCodeSizes()) FPapers.push_back({p.Name, p.Code});
  FBin = -1;
  FInitialized = true;
}

void TkvxVirtualPrinter::SetViewParams(Integer PaperSize, Extended PaperWidth,
                                       Extended PaperHeight, bool Orientation) {
  if (const TPaperCodeSize* size = FindPaperCodeSize(PaperSize)) {
    FPaperWidth = size->Width / 10.0;
    FPaperHeight = size->Height / 10.0;
    if (Orientation) std::swap(FPaperWidth, FPaperHeight);
  } else {
    PaperSize = kCustomPaperCode;
    FPaperWidth = PaperWidth;
    FPaperHeight = PaperHeight;
  }
  FLeftMargin = FTopMargin = FRightMargin = FBottomMargin = 5;
  FPaper = PaperSize;
  FOrientation = Orientation;
}

void TkvxVirtualPrinter::SetPrintParams(Integer PaperSize, Extended PaperWidth,
                                        Extended PaperHeight, bool Orientation, Integer Bin,
                                        Integer, Integer) {
  SetViewParams(PaperSize, PaperWidth, PaperHeight, Orientation);
  FBin = Bin;
}

// ---------------------------------------------------------------------------------------------

TkvxPrinters::TkvxPrinters() {
  FillPrinters();
  if (!FPrinterList.empty()) {
    FHasPhysicalPrinters = true;
    SetPrinterIndex(-1);
  } else {
    String name = kvxGetResources()->Get("prVirtual");
    FPrinters.Add(name);
    FPrinterList.push_back(std::make_unique<TkvxVirtualPrinter>(name, ""));
    SetPrinterIndex(0);
  }
}

TkvxPrinters::~TkvxPrinters() { Clear(); }

void TkvxPrinters::FillPrinters() {
  TPrinterList list = ListPrinters();
  if (!list.ServerReachable)
    FServerError = "ติดต่อเซิร์ฟเวอร์การพิมพ์ " + list.Server + " ไม่ได้ (" + list.Error +
                   ") จึงยังพิมพ์ไม่ได้ ให้ตรวจว่าเซิร์ฟเวอร์การพิมพ์ (CUPS) ทำงานอยู่";
  // The port of a printer is where it prints to.
  for (size_t i = 0; i < list.Names.size(); ++i) {
    FPrinters.Add(list.Names[i]);
    FPrinterList.push_back(std::make_unique<TkvxPrinter>(list.Names[i], list.Locations[i]));
  }
  FDefaultPrinter = list.Default;
}

String TkvxPrinters::GetDefaultPrinter() const { return FDefaultPrinter; }

Integer TkvxPrinters::IndexOf(const String& Name) const {
  for (Integer i = 0; i < FPrinters.Count(); ++i)
    if (AnsiSameText(FPrinters.Strings(i), Name)) return i;
  return -1;
}

TkvxCustomPrinter* TkvxPrinters::GetItem(Integer Index) const {
  if (Index < 0 || Index >= Count()) return nullptr;
  return FPrinterList[Index].get();
}

void TkvxPrinters::Clear() {
  FPrinterList.clear();
  FPrinters.Clear();
  FPrinterIndex = -1;
}

void TkvxPrinters::SetPrinterIndex(Integer Value) {
  if (Value == -1) {
    Value = IndexOf(GetDefaultPrinter());
    if (Value < 0) Value = 0;
  }
  if (Value < 0 || Value >= Count()) return;
  FPrinterIndex = Value;
  FPrinterList[Value]->Init();
}

TkvxPrinters* kvxPrinters() {
  static std::unique_ptr<TkvxPrinters> printers;
  if (!printers) printers = std::make_unique<TkvxPrinters>();
  return printers.get();
}

bool kvxGetPaperDimensions(Integer PaperSize, Extended& Width, Extended& Height) {
  const TPaperCodeSize* size = FindPaperCodeSize(PaperSize);
  if (!size) return false;
  Width = size->Width / 10.0;
  Height = size->Height / 10.0;
  return true;
}

}  // namespace orv
