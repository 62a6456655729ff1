#include "report/model/ReportOptions.h"

#include <cstdlib>
#include <optional>
#include <string_view>

#include "platform/gui/Application.h"
#include "report/model/PasswordForm.h"
#include "report/model/Report.h"
#include "report/model/Resources.h"

namespace orv {

#define ORV_FIELD(T, field) \
  [](T& o) { return o.field; }, [](T& o, decltype(T::field) v) { o.field = v; }

ORV_IMPLEMENT_CLASS(TkvxEngineOptions, c) {
  using T = TkvxEngineOptions;
  c.Prop("ConvertNulls", ORV_FIELD(T, ConvertNulls)).Default(true);
  c.Prop("DoublePass", ORV_FIELD(T, DoublePass)).Default(false);
  c.Prop("MaxMemSize", ORV_FIELD(T, MaxMemSize)).Default(10);
  c.Prop("PrintIfEmpty", ORV_FIELD(T, PrintIfEmpty)).Default(true);
  c.Prop("SilentMode", &T::SilentMode, &T::SetSilentMode).Stored(false);
  c.Prop("NewSilentMode", ORV_FIELD(T, NewSilentMode)).Default(simMessageBoxes);
  c.Prop("TempDir", ORV_FIELD(T, TempDir));
  c.Prop("UseFileCache", ORV_FIELD(T, UseFileCache)).Default(false);
}

ORV_IMPLEMENT_CLASS(TkvxPreviewOptions, c) {
  using T = TkvxPreviewOptions;
  c.Prop("AllowEdit", ORV_FIELD(T, AllowEdit)).Default(true);
  c.Prop("Buttons", ORV_FIELD(T, Buttons)).Default(T::DefaultButtons);
  c.Prop("DoubleBuffered", ORV_FIELD(T, DoubleBuffered)).Default(true);
  c.Prop("Maximized", ORV_FIELD(T, Maximized)).Default(true);
  c.Prop("MDIChild", ORV_FIELD(T, MDIChild)).Default(false);
  c.Prop("Modal", ORV_FIELD(T, Modal)).Default(true);
  c.Prop("OutlineExpand", ORV_FIELD(T, OutlineExpand)).Default(true);
  c.Prop("OutlineVisible", ORV_FIELD(T, OutlineVisible)).Default(false);
  c.Prop("OutlineWidth", ORV_FIELD(T, OutlineWidth)).Default(120);
  c.Prop("PagesInCache", ORV_FIELD(T, PagesInCache)).Default(50);
  c.Prop("ThumbnailVisible", ORV_FIELD(T, ThumbnailVisible)).Default(false);
  c.Prop("ShowCaptions", ORV_FIELD(T, ShowCaptions)).Default(false);
  c.Prop("Zoom", ORV_FIELD(T, Zoom));
  c.Prop("ZoomMode", ORV_FIELD(T, ZoomMode)).Default(zmDefault);
  c.Prop("PictureCacheInFile", ORV_FIELD(T, PictureCacheInFile)).Default(false);
}

ORV_IMPLEMENT_CLASS(TkvxPrintOptions, c) {
  using T = TkvxPrintOptions;
  c.Prop("Copies", ORV_FIELD(T, Copies)).Default(1);
  c.Prop("Collate", ORV_FIELD(T, Collate)).Default(true);
  c.Prop("PageNumbers", ORV_FIELD(T, PageNumbers));
  c.Prop("Printer", ORV_FIELD(T, Printer));
  c.Prop("PrintMode", ORV_FIELD(T, PrintMode)).Default(pmDefault);
  c.Prop("PrintOnSheet", ORV_FIELD(T, PrintOnSheet)).Default(0);
  c.Prop("PrintPages", ORV_FIELD(T, PrintPages)).Default(ppAll);
  c.Prop("Reverse", ORV_FIELD(T, Reverse)).Default(false);
  c.Prop("ShowDialog", ORV_FIELD(T, ShowDialog)).Default(true);
}

ORV_IMPLEMENT_CLASS(TkvxReportOptions, c) {
  using T = TkvxReportOptions;
  c.Prop("Author", ORV_FIELD(T, Author));
  c.Prop("Compressed", ORV_FIELD(T, Compressed)).Default(false);
  c.Prop("ConnectionName", ORV_FIELD(T, ConnectionName));
  c.Prop("CreateDate", ORV_FIELD(T, CreateDate));
  c.Prop("Description", [](T& o) -> TStrings* { return o.Description.get(); },
         [](T& o, TStrings* v) { o.Description->Assign(v); });
  c.Prop("InitString", ORV_FIELD(T, InitString));
  c.Prop("Name", ORV_FIELD(T, Name));
  c.Prop("LastChange", ORV_FIELD(T, LastChange));
  c.Prop("Password", ORV_FIELD(T, Password));
  c.Prop("Picture", [](T& o) -> TPicture* { return o.Picture.get(); },
         [](T& o, TPicture* v) { o.Picture->Assign(v); });
  c.Prop("VersionBuild", ORV_FIELD(T, VersionBuild));
  c.Prop("VersionMajor", ORV_FIELD(T, VersionMajor));
  c.Prop("VersionMinor", ORV_FIELD(T, VersionMinor));
  c.Prop("VersionRelease", ORV_FIELD(T, VersionRelease));
}

void TkvxEngineOptions::Assign(TPersistent* source) {
  if (auto* o = dynamic_cast<TkvxEngineOptions*>(source)) {
    ConvertNulls = o->ConvertNulls;
    DoublePass = o->DoublePass;
    MaxMemSize = o->MaxMemSize;
    PrintIfEmpty = o->PrintIfEmpty;
    NewSilentMode = o->NewSilentMode;
    TempDir = o->TempDir;
    UseFileCache = o->UseFileCache;
    return;
  }
  TPersistent::Assign(source);
}

void TkvxEngineOptions::Clear() {
  ConvertNulls = true;
  DoublePass = false;
}

void TkvxPreviewOptions::Assign(TPersistent* source) {
  if (auto* o = dynamic_cast<TkvxPreviewOptions*>(source)) {
    AllowEdit = o->AllowEdit;
    Buttons = o->Buttons;
    DoubleBuffered = o->DoubleBuffered;
    Maximized = o->Maximized;
    MDIChild = o->MDIChild;
    Modal = o->Modal;
    OutlineExpand = o->OutlineExpand;
    OutlineVisible = o->OutlineVisible;
    OutlineWidth = o->OutlineWidth;
    PagesInCache = o->PagesInCache;
    ThumbnailVisible = o->ThumbnailVisible;
    ShowCaptions = o->ShowCaptions;
    Zoom = o->Zoom;
    ZoomMode = o->ZoomMode;
    PictureCacheInFile = o->PictureCacheInFile;
    RTLPreview = o->RTLPreview;
    return;
  }
  TPersistent::Assign(source);
}

void TkvxPreviewOptions::Clear() {
  OutlineExpand = true;
  OutlineVisible = false;
  OutlineWidth = 120;
  PagesInCache = 50;
  ThumbnailVisible = false;
}

TkvxPrintOptions::TkvxPrintOptions() { Printer = kvxGetResources()->Get("prDefault"); }

void TkvxPrintOptions::Assign(TPersistent* source) {
  if (auto* o = dynamic_cast<TkvxPrintOptions*>(source)) {
    Copies = o->Copies;
    Collate = o->Collate;
    PageNumbers = o->PageNumbers;
    Printer = o->Printer;
    PrintMode = o->PrintMode;
    PrintOnSheet = o->PrintOnSheet;
    PrintPages = o->PrintPages;
    Reverse = o->Reverse;
    ShowDialog = o->ShowDialog;
    return;
  }
  TPersistent::Assign(source);
}

void TkvxPrintOptions::Clear() {
  Copies = 1;
  Collate = true;
  PageNumbers.clear();
  Printer = kvxGetResources()->Get("prDefault");
  PrintMode = pmDefault;
  PrintOnSheet = 0;
  PrintPages = ppAll;
  Reverse = false;
  ShowDialog = true;
}

TkvxReportOptions::TkvxReportOptions(TkvxReport* report) : Report(report) {}

void TkvxReportOptions::Assign(TPersistent* source) {
  if (auto* o = dynamic_cast<TkvxReportOptions*>(source)) {
    Author = o->Author;
    Compressed = o->Compressed;
    ConnectionName = o->ConnectionName;
    CreateDate = o->CreateDate;
    Description->Assign(o->Description.get());
    InitString = o->InitString;
    Name = o->Name;
    LastChange = o->LastChange;
    Password = o->Password;
    Picture->Assign(o->Picture.get());
    VersionBuild = o->VersionBuild;
    VersionMajor = o->VersionMajor;
    VersionMinor = o->VersionMinor;
    VersionRelease = o->VersionRelease;
    return;
  }
  TPersistent::Assign(source);
}

void TkvxReportOptions::Clear() {
  Author.clear();
  Compressed = false;
  CreateDate = Now();
  Description->Clear();
  LastChange = Now();
  Picture->Assign(nullptr);
  VersionBuild.clear();
  VersionMajor.clear();
  VersionMinor.clear();
  VersionRelease.clear();
  ConnectionName.clear();
  InitString.clear();
  Name.clear();
  Password.clear();
  AcceptedPassword.clear();
}

namespace {

std::optional<bool>& UserPresentChoice() {
  static std::optional<bool> choice;
  return choice;
}

bool HasDisplay() {
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
  };
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform && (std::string_view(platform) == "offscreen" || std::string_view(platform) == "minimal"))
    return false;
  return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace

bool kvxUserPresent() { return UserPresentChoice().value_or(HasDisplay()); }

void kvxSetUserPresent(bool present) { UserPresentChoice() = present; }

bool TkvxReportOptions::CheckPassword() {
  if (Password.empty() || Password == AcceptedPassword) return true;
  TkvxResources* res = kvxGetResources();
  if (kvxUserPresent()) {
    TkvxPasswordForm form(nullptr);
    if (form.ShowModal() == mrOk && form.PasswordE->Text() == Password) {
      AcceptedPassword = Password;
      return true;
    }
  }
  if (Report) {
    Report->Errors->Add(res->Get("Invalid password"));
    kvxCommonErrorHandler(Report, res->Get("clErrors") + "\r\n" + Report->Errors->Text());
  }
  return false;
}

}  // namespace orv
