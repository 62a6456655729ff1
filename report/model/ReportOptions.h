#pragma once
// The four option objects every report owns: engine, preview, print and report options.
#include <memory>

#include "platform/gui/Picture.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Persistent.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/StringList.h"

namespace orv {

class TkvxReport;

ORV_ENUM(TkvxSilentMode, simMessageBoxes, simSilent, simReThrow);
ORV_ENUM(TkvxPreviewButton, pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbOutline, pbPageSetup, pbTools,
         pbEdit, pbNavigator, pbExportQuick, pbNoClose, pbNoFullScreen, pbNoEmail);
using TkvxPreviewButtons = TSet<TkvxPreviewButton>;
ORV_SET_INFO(TkvxPreviewButtons);
ORV_ENUM(TkvxZoomMode, zmDefault, zmWholePage, zmPageWidth, zmManyPages);
ORV_ENUM(TkvxPrintMode, pmDefault, pmSplit, pmJoin, pmScale);
ORV_ENUM(TkvxPrintPages, ppAll, ppOdd, ppEven);

class TkvxEngineOptions : public TPersistent {
  ORV_CLASS(TkvxEngineOptions, TPersistent)

 public:
  TkvxEngineOptions() = default;
  // Copies the published fields; the three switches stay.
  void Assign(TPersistent* source) override;
  // Only ConvertNulls and DoublePass go back to their defaults.
  void Clear();

  bool ConvertNulls = true;
  bool DoublePass = false;
  Integer MaxMemSize = 10;
  bool PrintIfEmpty = true;
  TkvxSilentMode NewSilentMode = simMessageBoxes;
  String TempDir;
  bool UseFileCache = false;
  // Never stored: save before a run and read back after it; suppress progress and lock loading;
  // resolve data-set names through the global list.
  bool DestroyForms = true;
  bool EnabledLock = false;
  bool UseGlobalDataSetList = true;

  bool SilentMode() const { return NewSilentMode == simSilent; }
  void SetSilentMode(bool value) { NewSilentMode = value ? simSilent : simMessageBoxes; }
  bool GetConvertNulls() const { return ConvertNulls; }
  bool GetDoublePass() const { return DoublePass; }
};

class TkvxPreviewOptions : public TPersistent {
  ORV_CLASS(TkvxPreviewOptions, TPersistent)

 public:
  static constexpr TkvxPreviewButtons DefaultButtons{pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind,
                                                    pbOutline, pbPageSetup, pbTools, pbEdit, pbNavigator,
                                                    pbExportQuick};
  void Assign(TPersistent* source) override;
  // The outline and thumbnail settings and the page cache size go back to their defaults.
  void Clear();

  bool AllowEdit = true;
  TkvxPreviewButtons Buttons = DefaultButtons;
  bool DoubleBuffered = true;
  bool Maximized = true;
  bool MDIChild = false;
  bool Modal = true;
  bool OutlineExpand = true;
  bool OutlineVisible = false;
  Integer OutlineWidth = 120;
  Integer PagesInCache = 50;
  bool ThumbnailVisible = false;
  bool ShowCaptions = false;
  Extended Zoom = 1;
  TkvxZoomMode ZoomMode = zmDefault;
  bool PictureCacheInFile = false;
  // Never stored: pages laid out right to left.
  bool RTLPreview = false;
};

class TkvxPrintOptions : public TPersistent {
  ORV_CLASS(TkvxPrintOptions, TPersistent)

 public:
  TkvxPrintOptions();
  void Assign(TPersistent* source) override;
  void Clear();

  Integer Copies = 1;
  bool Collate = true;
  String PageNumbers;
  String Printer;
  TkvxPrintMode PrintMode = pmDefault;
  Integer PrintOnSheet = 0;
  TkvxPrintPages PrintPages = ppAll;
  bool Reverse = false;
  bool ShowDialog = true;
};

class TkvxReportOptions : public TPersistent {
  ORV_CLASS(TkvxReportOptions, TPersistent)

 public:
  explicit TkvxReportOptions(TkvxReport* report = nullptr);
  void Assign(TPersistent* source) override;
  void Clear();
  // True when no password is set or it was accepted before; otherwise the user is asked once,
  // and a wrong answer is reported through the report's errors. A program without a user is
  // never asked: the report is refused with the same error.
  bool CheckPassword();

  String Author;
  bool Compressed = false;
  String ConnectionName;
  TDateTime CreateDate = 0;
  std::unique_ptr<TStringList> Description = std::make_unique<TStringList>();
  String InitString;
  String Name;
  TDateTime LastChange = 0;
  String Password;
  // A picture of the report (a thumbnail of what it prints), kept with it in its file.
  std::unique_ptr<TPicture> Picture = std::make_unique<TPicture>();
  String VersionBuild;
  String VersionMajor;
  String VersionMinor;
  String VersionRelease;
  // The password accepted last time; loading the same report again does not ask.
  String AcceptedPassword;
  TkvxReport* Report;
};

// Whether someone sits at the program to answer the password window. Without a display (no
// DISPLAY or WAYLAND_DISPLAY, or Qt's offscreen or minimal platform) nobody does, unless the
// program says otherwise; a tool that runs reports unattended says so too.
bool kvxUserPresent();
void kvxSetUserPresent(bool present);

}  // namespace orv
