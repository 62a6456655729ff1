#include "script/DialogBindings.h"

#include "platform/gui/Dialogs.h"
#include "platform/print/PrinterSetupDialog.h"
#include "script/Script.h"

namespace orv {

std::unique_ptr<TsxRTTIModule> sxCreateDialogFunctions(TsxScript* script) {
  return std::make_unique<TsxDialogFunctions>(script);
}

TsxDialogFunctions::TsxDialogFunctions(TsxScript* script) : TsxRTTIModule(script) {
  TsxScript& s = *Script;
  s.AddEnumSet("TOpenOptions",
               "ofReadOnly, ofOverwritePrompt, ofHideReadOnly,ofNoChangeDir, ofShowHelp, ofNoValidate, "
               "ofAllowMultiSelect,ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,"
               "ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton,ofNoLongNames, "
               "ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify,ofEnableSizing");
  s.AddEnum("TFileEditStyle", "fsEdit, fsComboBox");
  s.AddEnumSet("TColorDialogOptions", "cdFullOpen, cdPreventFullOpen, cdShowHelp,cdSolidColor, cdAnyColor");
  s.AddEnumSet("TFontDialogOptions",
               "fdAnsiOnly, fdTrueTypeOnly, fdEffects,fdFixedPitchOnly, fdForceFontExist, fdNoFaceSel, "
               "fdNoOEMFonts,fdNoSimulations, fdNoSizeSel, fdNoStyleSel,  fdNoVectorFonts,fdShowHelp, fdWysiwyg, "
               "fdLimitSize, fdScalableOnly, fdApplyButton");
  s.AddEnum("TFontDialogDevice", "fdScreen, fdPrinter, fdBoth");
  s.AddEnum("TPrintRange", "prAllPages, prSelection, prPageNums");
  s.AddEnumSet("TPrintDialogOptions", "poPrintToFile, poPageNums, poSelection,poWarning, poHelp, poDisablePrintToFile");
  s.AddEnum("TMsgDlgType", "mtWarning, mtError, mtInformation, mtConfirmation, mtCustom");
  s.AddEnumSet("TMsgDlgButtons",
               "mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp");

  TsxClassVariable* common = s.AddClass(TCommonDialog::StaticClass(), "TComponent");
  common->AddMethod("function Execute: Boolean", [](TObject* instance, TClass, const String&, TsxMethodHelper&) {
    auto* dialog = dynamic_cast<TCommonDialog*>(instance);
    if (!dialog) throw EInvalidPointer("Invalid object reference");
    return Variant(dialog->Execute());
  });
  for (TClass cls : {TOpenDialog::StaticClass(), TSaveDialog::StaticClass(), TColorDialog::StaticClass(),
                     TFontDialog::StaticClass(), TPrintDialog::StaticClass(), TPrinterSetupDialog::StaticClass()})
    s.AddClass(cls, "TCommonDialog");

  s.AddMethod("function MessageDlg(Msg: string; DlgType: TMsgDlgType; Buttons: TMsgDlgButtons; HelpCtx: Longint): Integer",
              [](TObject*, TClass, const String&, TsxMethodHelper& c) {
                const Integer type = c.GetParamValue(1).ToInteger();
                if (type < mtWarning || type > mtCustom) throw ERangeError("Message type out of range");
                const auto buttons = TMsgDlgButtons::FromMask(static_cast<std::uint32_t>(c.GetParamValue(2).ToInt64()));
                return Variant(MessageDlg(c.GetParamValue(0).ToString(), static_cast<TMsgDlgType>(type), buttons,
                                          c.GetParamValue(3).ToInteger()));
              },
              "ctOther");
  s.AddMethod("function InputBox(ACaption, APrompt, ADefault: string): string",
              [](TObject*, TClass, const String&, TsxMethodHelper& c) {
                return Variant(InputBox(c.GetParamValue(0).ToString(), c.GetParamValue(1).ToString(),
                                        c.GetParamValue(2).ToString()));
              },
              "ctOther");
  s.AddMethod("function InputQuery(ACaption, APrompt: string; var Value: string): Boolean",
              [](TObject*, TClass, const String&, TsxMethodHelper& c) {
                String value = c.GetParamValue(2).ToString();
                const bool ok = InputQuery(c.GetParamValue(0).ToString(), c.GetParamValue(1).ToString(), value);
                if (ok) c.SetParamValue(2, Variant(value));
                return Variant(ok);
              },
              "ctOther");
}

}  // namespace orv
