#include "report/model/Report.h"

#include <mutex>

#include "platform/gui/DialogService.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Timers.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/Bands.h"
#include "report/model/Cursors.h"
#include "report/model/DBDataset.h"
#include "report/model/LegacyText.h"
#include "report/model/LineView.h"
#include "report/model/MemoView.h"
#include "report/model/PictureView.h"
#include "report/model/ProgressWindow.h"
#include "report/model/ShapeView.h"
#include "report/model/ReportUtils.h"
#include "report/model/Resources.h"
#include "report/model/XmlDocument.h"
#include "report/model/XmlSerializer.h"

namespace orv {

namespace {

// Statements, loop rounds and native work counted by size that a report's script may take: in
// one run of its main block, or in all the events and expressions of one report run together.
// The plainest statement takes a few nanoseconds and native work is counted as statements
// taking as long, so this is a minute of work or more: a report that ends sooner is never
// stopped, one that would never end still does.
constexpr Int64 kReportScriptStepLimit = 20'000'000'000;

}  // namespace

ORV_IMPLEMENT_CLASS(TkvxReport, c) {
  using T = TkvxReport;
  c.Prop("Version", &T::Version, &T::SetVersion);
  c.Prop("ParentReport", &T::ParentReport, &T::SetParentReport);
  c.Prop("DataSet", &T::DataSet, &T::SetDataSet);
  c.Prop("DataSetName", &T::DataSetName, &T::SetDataSetName);
  c.Prop("DotMatrixReport", &T::DotMatrixReport, &T::SetDotMatrixReport).Default(false);
  c.Prop("EngineOptions", &T::EngineOptions, &T::SetEngineOptions);
  c.Prop("IniFile", &T::IniFile, &T::SetIniFile);
  c.Prop("OldStyleProgress", &T::OldStyleProgress, &T::SetOldStyleProgress).Default(false);
  c.Prop("Preview", &T::Preview, &T::SetPreview);
  c.Prop("PreviewOptions", &T::PreviewOptions, &T::SetPreviewOptions);
  c.Prop("PrintOptions", &T::PrintOptions, &T::SetPrintOptions);
  c.Prop("ReportOptions", &T::ReportOptions, &T::SetReportOptions);
  c.Prop("ScriptLanguage", &T::ScriptLanguage, &T::SetScriptLanguage);
  c.Prop("ScriptText", &T::ScriptText, &T::SetScriptText);
  c.Prop("ShowProgress", &T::ShowProgress, &T::SetShowProgress).Default(true);
  c.Prop("StoreInDFM", &T::StoreInDFM, &T::SetStoreInDFM).Default(true);
  c.Prop("OnRunDialogs", [](T& r) { return r.OnRunDialogs; }, [](T& r, const String& v) { r.OnRunDialogs = v; });
  c.Prop("OnStartReport", [](T& r) { return r.OnStartReport; }, [](T& r, const String& v) { r.OnStartReport = v; });
  c.Prop("OnStopReport", [](T& r) { return r.OnStopReport; }, [](T& r, const String& v) { r.OnStopReport = v; });
  c.Prop("OnReportPrint", [](T& r) { return r.OnReportPrint; }, [](T& r, const String& v) { r.OnReportPrint = v; });
}

void kvxRegisterModelClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    kvxRegisterCursors();
    RegisterClasses({TkvxReport::StaticClass(), TkvxReportPage::StaticClass(), TkvxDataPage::StaticClass(),
                     TkvxStyleItem::StaticClass(), TkvxUserDataSet::StaticClass(), TkvxDBDataset::StaticClass(),
                     TkvxChild::StaticClass(), TkvxColumnFooter::StaticClass(), TkvxColumnHeader::StaticClass(),
                     TkvxMasterData::StaticClass(), TkvxDetailData::StaticClass(), TkvxSubdetailData::StaticClass(),
                     TkvxDataBand4::StaticClass(), TkvxDataBand5::StaticClass(), TkvxDataBand6::StaticClass(),
                     TkvxFooter::StaticClass(), TkvxGroupFooter::StaticClass(), TkvxGroupHeader::StaticClass(),
                     TkvxHeader::StaticClass(), TkvxOverlay::StaticClass(), TkvxPageFooter::StaticClass(),
                     TkvxPageHeader::StaticClass(), TkvxReportSummary::StaticClass(), TkvxReportTitle::StaticClass(),
                     TkvxSubreport::StaticClass(), TkvxNullBand::StaticClass(), TkvxLineView::StaticClass(),
                     TkvxCustomLineView::StaticClass(), TkvxShapeView::StaticClass(),
                     TkvxPictureView::StaticClass(), TkvxMemoView::StaticClass(), TkvxSysMemoView::StaticClass()});
  });
}

TkvxReport::TkvxReport(TComponent* owner) : TkvxReport(owner, true) {}

TkvxReport::TkvxReport(TComponent* owner, bool withRTTI)
    : TkvxComponent(owner),
      DataSets(std::make_unique<TkvxReportDataSets>(this)),
      EnabledDataSets(std::make_unique<TkvxReportDataSets>(this)),
      Variables(std::make_unique<TkvxVariables>()),
      Styles(std::make_unique<TkvxStyles>(this)),
      Errors(std::make_unique<TStringList>()),
      Warnings(std::make_unique<TStringList>()),
      DrillDownState(std::make_unique<TStringList>()),
      engineOptions_(std::make_unique<TkvxEngineOptions>()),
      previewOptions_(std::make_unique<TkvxPreviewOptions>()),
      printOptions_(std::make_unique<TkvxPrintOptions>()),
      reportOptions_(std::make_unique<TkvxReportOptions>(this)),
      scriptText_(std::make_unique<TStringList>()) {
  kvxRegisterModelClasses();
  Script = std::make_unique<TsxScript>(nullptr);
  Script->ExtendedCharset = true;
  // A report file's script that loops for ever stops with an error instead of hanging the
  // register; a host may set another limit (or none) on Script. Its memory is limited too
  // (TsxScript::kDefaultMemoryLimit).
  Script->SetStepLimit(kReportScriptStepLimit);
  if (withRTTI) Script->AddRTTI();
  ExpressionCache = std::make_unique<TkvxExpressionCache>(Script.get());
  SysVariables = std::make_unique<TStringList>();
  Errors->SetSorted(true);
  Errors->SetDuplicates(dupIgnore);
  Clear();
  if (MakeEngine) {
    MakeEngine(*this, ownedEngine_, ownedPages_);
    Engine = ownedEngine_.get();
    PreviewPages = ownedPages_.get();
  }
}

TkvxReport::~TkvxReport() {
  // Pages and objects first: their destruction reaches back into the report's lists.
  clearingAll_ = true;
  TkvxComponent::Clear();
  DestroyComponents();
  SetPreview(nullptr);
  ownedEngine_.reset();
  ownedPages_.reset();
}

std::function<void(TkvxReport&, std::unique_ptr<TkvxCustomEngine>&, std::unique_ptr<TkvxCustomPreviewPages>&)>
    TkvxReport::MakeEngine;

void TkvxReport::Clear() {
  clearingAll_ = true;
  try {
    TkvxComponent::Clear();
  } catch (...) {
    clearingAll_ = false;
    throw;
  }
  clearingAll_ = false;
  Unplaced.clear();
  DataSets->Clear();
  Variables->Clear();
  Styles->Clear();
  engineOptions_->Clear();
  previewOptions_->Clear();
  printOptions_->Clear();
  reportOptions_->Clear();
  dataSet_ = nullptr;
  dataSetName_.clear();
  dotMatrixReport_ = false;
  parentReport_.clear();
  parentObject_.reset();
  IsAncestorMark = false;
  scriptLanguage_ = "PascalScript";
  scriptText_->SetText("begin\r\n\r\nend.");
  SysVariables->SetText("Date\r\nTime\r\nPage\r\nPage#\r\nTotalPages\r\nTotalPages#\r\nLine\r\nLine#\r\nCopyName#");
  OnRunDialogs.clear();
  OnStartReport.clear();
  OnStopReport.clear();
}

TkvxPage* TkvxReport::Pages(Integer index) const {
  return dynamic_cast<TkvxPage*>(Objects().at(static_cast<size_t>(index)));
}

void TkvxReport::SetDataSet(TkvxDataSet* value) {
  dataSet_ = value;
  if (value) FreeNotification(value);
  dataSetName_ = value ? value->UserName() : String();
}

String TkvxReport::DataSetName() const { return dataSet_ ? dataSet_->UserName() : dataSetName_; }

void TkvxReport::SetDataSetName(const String& value) {
  dataSetName_ = value;
  dataSet_ = FindDataSet(dataSet_, value);
  if (dataSet_) FreeNotification(dataSet_);
}

void TkvxReport::SetPreview(TkvxCustomPreview* value) {
  if (preview_ == value) return;
  if (preview_) {
    preview_->Report = nullptr;
    preview_->PreviewPages = nullptr;
    preview_->RemoveFreeNotification(this);
  }
  preview_ = value;
  if (preview_) {
    preview_->FreeNotification(this);
    preview_->Report = this;
    preview_->PreviewPages = PreviewPages;
    preview_->Init();
  }
}

namespace {

String NameKey(const String& name) {
  String key = name;
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return key;
}

}  // namespace

TComponent* TkvxReport::FindOwned(const String& name) const {
  auto it = names_.find(NameKey(name));
  return it == names_.end() ? nullptr : it->second;
}

TkvxComponent* TkvxReport::FindObject(const String& name) {
  auto* found = dynamic_cast<TkvxComponent*>(FindOwned(name));
  if (!found || found == this) return nullptr;
  for (TkvxComponent* p = found->Parent(); p; p = p->Parent())
    if (p == this) return found;
  return nullptr;
}

void TkvxReport::ValidateRename(TComponent* component, const String& curName, const String& newName) const {
  if (!component || component->Owner() != this) {
    TkvxComponent::ValidateRename(component, curName, newName);
    return;
  }
  String key = NameKey(newName);
  auto it = names_.find(key);
  if (!newName.empty() && it != names_.end() && it->second != component)
    throw EComponentError("A component named " + newName + " already exists");
  // The rename cannot fail after this check.
  if (auto old = names_.find(NameKey(curName)); old != names_.end() && old->second == component) names_.erase(old);
  if (!newName.empty()) names_[key] = component;
}

void TkvxReport::Notification(TComponent* component, TOperation operation) {
  // Objects made while a file is read, or freed with the whole tree, need not be announced to
  // every other object: that would cost a message per object per object.
  if (clearingAll_ && operation == opRemove)
    RemoveFreeNotification(component);
  else if (!(operation == opInsert && ComponentState().Contains(csLoading)))
    TkvxComponent::Notification(component, operation);
  if (operation == opInsert) {
    if (component->Owner() == this && !component->Name().empty()) names_[NameKey(component->Name())] = component;
    return;
  }
  if (auto it = names_.find(NameKey(component->Name())); it != names_.end() && it->second == component)
    names_.erase(it);
  // The component is being destroyed and is no longer of its own class: compare addresses only.
  for (TkvxReportDataSets* list : {DataSets.get(), EnabledDataSets.get()})
    for (Integer i = list->Count() - 1; i >= 0; --i)
      if (static_cast<TComponent*>(list->Items(i)->DataSet()) == component) list->Delete(i);
  if (static_cast<TComponent*>(dataSet_) == component) dataSet_ = nullptr;
  if (component == preview_) preview_ = nullptr;
  if (component == previewForm_) previewForm_ = nullptr;
}

void TkvxReport::SetPreviewForm(TForm* form) {
  if (previewForm_) previewForm_->RemoveFreeNotification(this);
  previewForm_ = form;
  if (form) form->FreeNotification(this);
}

TkvxDataSet* TkvxReport::GetDataset(const String& alias) const {
  TkvxDataSetItem* item = DataSets->Find(alias);
  return item ? item->DataSet() : nullptr;
}

void TkvxReport::DefineProperties(TFiler* filer) {
  TkvxComponent::DefineProperties(filer);
  auto collection = [this, filer](const char* name, TCollection* list) {
    filer->DefineProperty(
        name, [this, list](TReader& r) { kvxReadCollection(list, r, this); },
        [this, list](TWriter& w) { kvxWriteCollection(list, w, this); }, storeInDFM_);
  };
  collection("Datasets", DataSets.get());
  collection("Variables", Variables.get());
  collection("Style", Styles.get());
}

namespace {

// The stored form of a password: every byte lowered by 10. It only keeps the text from being
// read at a glance; it protects nothing. When the lowered bytes are not all printable ASCII (a
// blank becomes a control character, Thai letters become bytes that are not UTF-8), they are
// written as "~" and hexadecimal digits instead, so the report file stays well-formed UTF-8.
// No old stored form begins with "~": that byte is a password starting with 0x88, which is
// neither the first byte of a UTF-8 character nor a letter of code page 874.
String StoredPassword(const String& plain) {
  String lowered = plain;
  bool printable = true;
  for (char& c : lowered) {
    c = static_cast<char>(static_cast<unsigned char>(c) - 10);
    printable &= static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
  }
  if (printable && (lowered.empty() || lowered[0] != '~')) return lowered;
  static constexpr char kHex[] = "0123456789ABCDEF";
  String hex = "~";
  for (unsigned char c : lowered) {
    hex += kHex[c >> 4];
    hex += kHex[c & 15];
  }
  return hex;
}

// True when s is UTF-8 whose letters beyond ASCII are all Thai: the bytes this program wrote,
// lowered, before it wrote the "~" form. Text of code page 874 is seldom such UTF-8: only
// SARA E and THO THONG or NO NU followed by one character of 0x80 to 0xBF make it.
bool ThaiUtf8(const String& s) {
  if (!IsValidUtf8(s)) return false;
  for (size_t pos = 0; pos < s.size();) {
    char32_t c = NextCodePoint(s, pos);
    if (c >= 0x80 && (c < 0x0E00 || c > 0x0E7F)) return false;
  }
  return true;
}

// The stored form back to the password. Besides the forms StoredPassword writes, the old
// program's form is read: the code page 874 bytes of the password, each lowered by 10 and
// written as they were. They reach here as the file's reader made them: read as code page 874
// when they are not UTF-8 (no byte lost), or kept when they happen to be UTF-8.
String PlainPassword(const String& stored) {
  auto nibble = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  auto raised = [](String bytes) {
    for (char& c : bytes) c = static_cast<char>(static_cast<unsigned char>(c) + 10);
    return bytes;
  };
  if (stored.size() % 2 == 1 && stored[0] == '~') {
    String bytes;
    for (size_t i = 1; i + 1 < stored.size(); i += 2) {
      int hi = nibble(stored[i]), lo = nibble(stored[i + 1]);
      if (hi < 0 || lo < 0) break;
      bytes += static_cast<char>(hi * 16 + lo);
    }
    if (bytes.size() * 2 + 1 == stored.size()) return raised(bytes);
  }
  if (IsAsciiText(stored)) return raised(stored);
  std::string bytes;
  if (!kvxUtf8To874(stored, bytes)) bytes = stored;
  String plain = raised(bytes);
  return ThaiUtf8(plain) ? plain : kvx874ToUtf8(plain);
}

}  // namespace

void TkvxReport::SaveToStream(TStream& stream, bool saveChildren, bool saveDefaultValues, bool streaming) {
  String password = reportOptions_->Password;
  reportOptions_->AcceptedPassword = password;
  reportOptions_->Password = StoredPassword(password);
  TkvxCustomPreview* preview = preview_;
  preview_ = nullptr;
  try {
    TkvxComponent::SaveToStream(stream, saveChildren, saveDefaultValues, streaming);
  } catch (...) {
    reportOptions_->Password = password;
    preview_ = preview;
    throw;
  }
  reportOptions_->Password = password;
  preview_ = preview;
}

void TkvxReport::LoadFromStream(TStream& stream) {
  Errors->Clear();
  LoadRefused = false;
  TkvxEngineOptions engine;
  engine.Assign(engineOptions_.get());
  bool destroyForms = engineOptions_->DestroyForms;
  bool lock = engineOptions_->EnabledLock;
  bool globalList = engineOptions_->UseGlobalDataSetList;
  TkvxPreviewOptions previewOptions;
  previewOptions.Assign(previewOptions_.get());
  String iniFile = iniFile_;
  TkvxCustomPreview* preview = preview_;
  bool oldStyle = oldStyleProgress_, showProgress = showProgress_, storeInDFM = storeInDFM_;
  // Clearing the report for the load would forget the password accepted before; a report
  // loaded again while the program runs must not ask again, nor must the parents it names.
  String accepted = reportOptions_->AcceptedPassword;
  loadingPassword_ = accepted;
  try {
    TkvxComponent::LoadFromStream(stream);
  } catch (const std::exception& e) {
    // Whatever a damaged file provokes ends up as a line of the report's errors.
    Errors->Add(e.what());
    LoadRefused = true;
  }
  loadingPassword_.clear();
  FixDataPage();
  bool convertNulls = engineOptions_->ConvertNulls, doublePass = engineOptions_->DoublePass;
  engineOptions_->Assign(&engine);
  engineOptions_->ConvertNulls = convertNulls;
  engineOptions_->DoublePass = doublePass;
  engineOptions_->DestroyForms = destroyForms;
  engineOptions_->EnabledLock = lock;
  engineOptions_->UseGlobalDataSetList = globalList;
  TkvxPreviewOptions loaded;
  loaded.Assign(previewOptions_.get());
  previewOptions_->Assign(&previewOptions);
  previewOptions_->OutlineExpand = loaded.OutlineExpand;
  previewOptions_->OutlineVisible = loaded.OutlineVisible;
  previewOptions_->OutlineWidth = loaded.OutlineWidth;
  previewOptions_->PagesInCache = loaded.PagesInCache;
  previewOptions_->ThumbnailVisible = loaded.ThumbnailVisible;
  iniFile_ = iniFile;
  preview_ = preview;
  oldStyleProgress_ = oldStyle;
  showProgress_ = showProgress;
  storeInDFM_ = storeInDFM;
  reportOptions_->AcceptedPassword = accepted;
  reportOptions_->Password = PlainPassword(reportOptions_->Password);
  if (!Reloading && !engineOptions_->EnabledLock && !reportOptions_->CheckPassword()) {
    Clear();
    LoadRefused = true;
    return;
  }
  // A snapshot read back during a run leaves its errors to the run's own report.
  if (!Reloading && Errors->Count() > 0)
    kvxCommonErrorHandler(this, kvxGetResources()->Get("clErrors") + "\r\n" + Errors->Text());
}

void TkvxReport::FixDataPage() {
  TkvxDataPage* dataPage = nullptr;
  for (TkvxComponent* c : Objects())
    if ((dataPage = dynamic_cast<TkvxDataPage*>(c))) break;
  if (!dataPage) {
    dataPage = new TkvxDataPage(this);
    if (FindObject("Data")) dataPage->CreateUniqueName();
    else dataPage->SetName("Data");
    // The data page goes first: every other page moves behind it, keeping their order.
    for (TkvxComponent* p : std::vector<TkvxComponent*>(Objects()))
      if (p != dataPage) {
        p->SetParent(nullptr);
        p->SetParent(this);
      }
  }
  Integer left = 60;
  for (TkvxComponent* page : std::vector<TkvxComponent*>(Objects())) {
    if (page == dataPage) continue;
    for (TkvxComponent* obj : std::vector<TkvxComponent*>(page->AllObjects())) {
      if (!dynamic_cast<TkvxDialogComponent*>(obj)) continue;
      obj->SetParent(dataPage);
      obj->SetTop(20);
      obj->SetLeft(left);
      left += 64;
    }
  }
}

bool TkvxReport::LoadFromFile(const String& fileName, bool raiseIfMissing) {
  // The password this report saved or was told last is still the accepted one: the file it
  // just wrote opens without asking again.
  String accepted = reportOptions_->AcceptedPassword;
  Clear();
  reportOptions_->AcceptedPassword = accepted;
  FileName.clear();
  bool exists = FileExists(fileName);
  if (!exists && !raiseIfMissing) return false;
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  FileName = fileName;
  LoadFromStream(stream);
  return exists;
}

void TkvxReport::SaveToFile(const String& fileName) {
  // An absolute parent report in the folder of the file is stored by its name alone, so the
  // pair of files can move together.
  String parent = parentReport_;
  String dir = ExtractFilePath(fileName);
  bool absolute = (parent.size() > 1 && parent[1] == ':') || (!parent.empty() && parent[0] == '/');
  if (absolute && !dir.empty() && parent.size() > dir.size() && SameText(parent.substr(0, dir.size()), dir))
    parentReport_ = parent.substr(dir.size());
  TMemoryStream stream;
  try {
    SaveToStream(stream);
  } catch (...) {
    parentReport_ = parent;
    throw;
  }
  parentReport_ = parent;
  stream.SaveToFile(fileName);
}

std::unique_ptr<TCustomIniFile> TkvxReport::GetIniFile() const {
  if (SameText(iniFile_.substr(0, 10), "\\Software\\")) return std::make_unique<TRegistryIniFile>(iniFile_);
  return std::make_unique<TIniFile>(iniFile_);
}

TCriticalSection& kvxCS() {
  static TCriticalSection lock;
  return lock;
}

void kvxErrorMsg(const String& text) {
  TMessageBoxRequest request;
  // The window the error comes from (the preview, the window that printed), so the user can
  // tell where it was.
  request.Caption = BoxCaption();
  request.Text = text;
  request.Type = mtError;
  DialogService().ShowMessageBox(request);
}

void kvxCommonErrorHandler(TkvxReport* report, const String& text) {
  switch (report ? report->EngineOptions()->NewSilentMode : simMessageBoxes) {
    case simMessageBoxes: kvxErrorMsg(text); break;
    case simSilent: break;
    case simReThrow: throw Exception(text);
  }
}

}  // namespace orv
