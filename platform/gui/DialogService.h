#pragma once
// The one way message boxes, input boxes and the standard dialogs reach the user. The program
// uses Qt's dialogs; tests put in an answerer (platform/gui/ScriptedDialogService.h).
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/Colors.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/TypInfo.h"
#include "platform/rtl/Types.h"

namespace orv {

class TFont;

ORV_ENUM(TMsgDlgType, mtWarning, mtError, mtInformation, mtConfirmation, mtCustom);
ORV_ENUM(TMsgDlgBtn, mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll,
         mbYesToAll, mbHelp);
// As an integer (scripts): mbYes 1, mbNo 2, mbOK 4, mbCancel 8 ...
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
ORV_SET_INFO(TMsgDlgButtons);

ORV_ENUM(TOpenOption, ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp,
         ofNoValidate, ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist,
         ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton,
         ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify,
         ofEnableSizing);
using TOpenOptions = TSet<TOpenOption>;
ORV_SET_INFO(TOpenOptions);
ORV_ENUM(TPrintRange, prAllPages, prSelection, prPageNums);
// Kept with the dialogs they belong to; the service's dialogs do not depend on them.
ORV_ENUM(TColorDialogOption, cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor);
using TColorDialogOptions = TSet<TColorDialogOption>;
ORV_SET_INFO(TColorDialogOptions);
ORV_ENUM(TFontDialogOption, fdAnsiOnly, fdTrueTypeOnly, fdEffects, fdFixedPitchOnly, fdForceFontExist,
         fdNoFaceSel, fdNoOEMFonts, fdNoSimulations, fdNoSizeSel, fdNoStyleSel, fdNoVectorFonts,
         fdShowHelp, fdWysiwyg, fdLimitSize, fdScalableOnly, fdApplyButton);
using TFontDialogOptions = TSet<TFontDialogOption>;
ORV_SET_INFO(TFontDialogOptions);
ORV_ENUM(TFontDialogDevice, fdScreen, fdPrinter, fdBoth);
ORV_ENUM(TPrintDialogOption, poPrintToFile, poPageNums, poSelection, poWarning, poHelp, poDisablePrintToFile);
using TPrintDialogOptions = TSet<TPrintDialogOption>;
ORV_SET_INFO(TPrintDialogOptions);

struct TMessageBoxRequest {
  String Caption;
  String Text;
  TMsgDlgType Type = mtInformation;
  TMsgDlgButtons Buttons{mbOK};
};

// What an open or save dialog is asked, and on OK what was chosen.
struct TFileDialogRequest {
  bool Save = false;
  String Title;
  // "Description|pattern;pattern|Description|pattern" as the class library writes filters.
  String Filter;
  // 1-based; on OK the filter the user ended on.
  int FilterIndex = 1;
  String InitialDir;
  String DefaultExt;
  TOpenOptions Options;
  String FileName;
  // Every file chosen (several with ofAllowMultiSelect); FileName is the first.
  std::vector<String> Files;
};

struct TPrintDialogRequest {
  int Copies = 1;
  bool Collate = false;
  TPrintRange PrintRange = prAllPages;
  int FromPage = 0;
  int ToPage = 0;
  int MinPage = 0;
  int MaxPage = 0;
  bool AllowPageNums = false;
};

// One thing a printer offers: the name shown and the keyword the print server knows it by.
struct TPrinterOfferItem {
  String Name;
  String Keyword;
};

// What one printer offers in the printer setup and properties dialogs.
struct TPrinterOffer {
  std::vector<TPrinterOfferItem> Papers;
  // Paper sources; the printer's own choice ("Default", keyword "") comes first.
  std::vector<TPrinterOfferItem> Sources;
  bool Duplex = false;
  // print-quality values: 3 draft, 4 normal, 5 high.
  std::vector<int> Qualities;
};

// The printer setup dialog (printer, paper, orientation, source) and a printer's properties
// dialog (paper, source, sides, quality) alike; on OK what was chosen.
struct TPrinterSetupRequest {
  String Caption;
  // The printers to choose from; empty when the printer is not chosen here.
  std::vector<String> Printers;
  String Printer;
  // What a printer offers, asked again when another printer is chosen.
  std::function<TPrinterOffer(const String& Printer)> Offer;
  // Paper and source keywords; an empty source is the printer's own choice.
  String Paper;
  String Source;
  bool ShowOrientation = false;
  bool Landscape = false;
  // Sides: 0 the printer's default, 1 one-sided, 2 long edge, 3 short edge.
  bool ShowSides = false;
  int Sides = 0;
  // Quality: 0 the printer's default, else a print-quality value.
  bool ShowQuality = false;
  int Quality = 0;
};

// Puts questions to the user. Every method blocks until answered.
class IDialogService {
 public:
  virtual ~IDialogService() = default;
  // The modal result of the button chosen (mrYes ...); closing the box gives mrCancel when
  // it has a Cancel button, otherwise the result of its only or last button.
  virtual int ShowMessageBox(const TMessageBoxRequest& Request) = 0;
  // True on OK, with Value edited; Value untouched on Cancel.
  virtual bool InputQuery(const String& Caption, const String& Prompt, String& Value) = 0;
  // True when files were chosen; they are in Request.FileName and Request.Files.
  virtual bool ExecuteFileDialog(TFileDialogRequest& Request) = 0;
  virtual bool ExecuteColorDialog(TColor& Color) = 0;
  virtual bool ExecuteFontDialog(TFont& Font) = 0;
  virtual bool ExecutePrintDialog(TPrintDialogRequest& Request) = 0;
  virtual bool ExecutePrinterSetupDialog(TPrinterSetupRequest& Request) = 0;
  // True when nobody sits at the program: a modal window then ends at once, as no one could
  // ever close it.
  virtual bool Unattended() const { return false; }
};

// The service in use: Qt's dialogs unless replaced.
IDialogService& DialogService();
// Puts Service in place and returns the one it replaces (nullptr for the built-in one), so a
// test can put that back. nullptr restores the built-in service.
std::unique_ptr<IDialogService> SetDialogService(std::unique_ptr<IDialogService> Service);

}  // namespace orv
