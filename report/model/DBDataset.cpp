#include "report/model/DBDataset.h"

#include "platform/db/ADODB.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/LegacyText.h"
#include "report/model/Report.h"
#include "report/model/Resources.h"
#include "report/model/WideStrings.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxDBDataset, c) {
  c.Prop("DataSet", &TkvxDBDataset::DataSet, &TkvxDBDataset::SetDataSet).Stored([](TkvxDBDataset& d) {
    return d.DataSet() && !dynamic_cast<TkvxReport*>(d.Owner());
  });
  c.Prop("DataSource", &TkvxDBDataset::DataSource, &TkvxDBDataset::SetDataSource).Stored([](TkvxDBDataset& d) {
    return d.DataSource() && !dynamic_cast<TkvxReport*>(d.Owner());
  });
  c.Prop("BCDToCurrency", &TkvxDBDataset::BCDToCurrency, &TkvxDBDataset::SetBCDToCurrency).Default(false);
}

TkvxDBDataset::TkvxDBDataset(TComponent* owner) : TkvxCustomDBDataSet(owner) {}

TkvxDBDataset::~TkvxDBDataset() {
  // A run that did not end leaves the dataset with the bridge's handlers; give its own back.
  if (hooked_ && inUse_) {
    inUse_->AfterOpen = savedAfterOpen_;
    inUse_->BeforeClose = savedBeforeClose_;
  }
}

TDataSet* TkvxDBDataset::DataSetInUse() const {
  if (dataSet_) return dataSet_;
  return dataSource_ ? dataSource_->DataSet() : nullptr;
}

void TkvxDBDataset::SetDataSet(TDataSet* value) {
  dataSet_ = value;
  dataSource_ = nullptr;
  if (value) FreeNotification(value);
}

void TkvxDBDataset::SetDataSource(TDataSource* value) {
  dataSource_ = value;
  dataSet_ = nullptr;
  if (value) FreeNotification(value);
}

void TkvxDBDataset::Notification(TComponent* component, TOperation operation) {
  TkvxCustomDBDataSet::Notification(component, operation);
  if (operation != opRemove) return;
  // The component is being destroyed: compare addresses only.
  if (component == static_cast<TComponent*>(dataSet_)) dataSet_ = nullptr;
  if (component == static_cast<TComponent*>(dataSource_)) dataSource_ = nullptr;
  if (component == static_cast<TComponent*>(inUse_)) {
    inUse_ = nullptr;
    hooked_ = false;
    opened_ = false;
  }
}

void TkvxDBDataset::Initialize() {
  inUse_ = DataSetInUse();
  if (!inUse_) throw EDatabaseError(Format(kvxGetResources()->Get("dbNotConn"), {TVarRec(Name())}));
  FreeNotification(inUse_);
  savedAfterOpen_ = inUse_->AfterOpen;
  savedBeforeClose_ = inUse_->BeforeClose;
  hooked_ = true;
  inUse_->AfterOpen = [this](TDataSet* ds) {
    RebuildFields();
    if (savedAfterOpen_) savedAfterOpen_(ds);
  };
  inUse_->BeforeClose = [this](TDataSet* ds) {
    if (savedBeforeClose_) savedBeforeClose_(ds);
    inUse_->FreeBookmark(bookmark_);
    opened_ = false;
  };
  endFlag_ = false;
  opened_ = false;
}

void TkvxDBDataset::Finalize() {
  if (!inUse_) return;
  inUse_->WalkAhead(false);
  if (!bookmark_.IsNull()) {
    if (inUse_->Active() && inUse_->BookmarkValid(bookmark_)) inUse_->GotoBookmark(bookmark_);
    inUse_->FreeBookmark(bookmark_);
  }
  if (CloseDataSource() && inUse_->Active()) {
    inUse_->Close();
    TkvxReport* report = ReportRef ? ReportRef : dynamic_cast<TkvxReport*>(Owner());
    if (report && report->OnAfterDisconnect) report->OnAfterDisconnect(inUse_);
  }
  if (hooked_) {
    inUse_->AfterOpen = savedAfterOpen_;
    inUse_->BeforeClose = savedBeforeClose_;
    hooked_ = false;
  }
  opened_ = false;
}

void TkvxDBDataset::EnsureOpen() {
  if (!opened_) Open();
}

void TkvxDBDataset::Open() {
  if (opened_) return;
  if (!inUse_) inUse_ = DataSetInUse();
  if (!inUse_) throw EDatabaseError(Format(kvxGetResources()->Get("dbNotConn"), {TVarRec(Name())}));
  opened_ = true;
  if (!inUse_->Active()) {
    TkvxReport* report = ReportRef ? ReportRef : dynamic_cast<TkvxReport*>(Owner());
    if (report && report->OnBeforeConnect) report->OnBeforeConnect(inUse_);
    inUse_->Open();
  }
  RebuildFields();
  if (RangeBegin() == rbCurrent || RangeEnd() == reCurrent) bookmark_ = inUse_->GetBookmark();
  TkvxCustomDBDataSet::Open();
}

void TkvxDBDataset::Close() {
  TkvxCustomDBDataSet::Close();
  if (inUse_) inUse_->FreeBookmark(bookmark_);
  opened_ = false;
  if (inUse_ && inUse_->Active()) {
    // The bridge's own close handler must not run here; the dataset's own still does.
    auto handler = std::move(inUse_->BeforeClose);
    inUse_->BeforeClose = savedBeforeClose_;
    inUse_->Close();
    inUse_->BeforeClose = std::move(handler);
    TkvxReport* report = ReportRef ? ReportRef : dynamic_cast<TkvxReport*>(Owner());
    if (report && report->OnAfterDisconnect) report->OnAfterDisconnect(inUse_);
  }
}

namespace {

TParameter* QueryParameter(TkvxDBDataset& bridge, const String& name) {
  auto* query = dynamic_cast<TCustomADODataSet*>(bridge.DataSetInUse());
  if (!query) throw EDatabaseError("DataSet " + bridge.Name() + " has no parameters");
  return query->Parameters().ParamByName(name);
}

}  // namespace

Variant TkvxDBDataset::ParamValue(const String& name) { return QueryParameter(*this, name)->Value(); }

void TkvxDBDataset::SetParamValue(const String& name, const Variant& value) {
  TParameter* param = QueryParameter(*this, name);
  param->SetValue(value);
  Close();
}

void TkvxDBDataset::RebuildFields() {
  Fields->Clear();
  listedMemo_.Clear();
  listed_.clear();
  TDataSet* ds = inUse_ ? inUse_ : DataSetInUse();
  if (!ds) return;
  TStringList names;
  GetFieldList(names);
  for (Integer i = 0; i < names.Count(); ++i)
    Fields->AddObject(names.Strings(i), ds->FindField(ConvertAlias(names.Strings(i))));
}

void TkvxDBDataset::First() {
  EnsureOpen();
  if (RangeBegin() == rbCurrent && !bookmark_.IsNull() && inUse_->BookmarkValid(bookmark_))
    inUse_->GotoBookmark(bookmark_);
  else
    inUse_->First();
  // A run reads every record from here on.
  inUse_->WalkAhead(true);
  endFlag_ = false;
  TkvxCustomDBDataSet::First();
}

void TkvxDBDataset::Next() {
  EnsureOpen();
  endFlag_ = false;
  if (RangeEnd() == reCurrent && !bookmark_.IsNull() &&
      inUse_->CompareBookmarks(inUse_->GetBookmark(), bookmark_) == 0) {
    endFlag_ = true;
    return;
  }
  inUse_->Next();
  TkvxCustomDBDataSet::Next();
}

void TkvxDBDataset::Prior() {
  EnsureOpen();
  inUse_->Prior();
  TkvxCustomDBDataSet::Prior();
}

bool TkvxDBDataset::Eof() {
  EnsureOpen();
  return TkvxCustomDBDataSet::Eof() || inUse_->Eof() || endFlag_;
}

Integer TkvxDBDataset::RecordCount() {
  EnsureOpen();
  return inUse_->RecordCount();
}

TField* TkvxDBDataset::ListedField(const String& field, bool& listed) {
  // Every expression of every row names its field; the list's collating search runs once a name.
  const std::pair<bool, TField*>* known = listedMemo_.Find(field);
  if (!known) {
    auto it = listed_.find(field);
    if (it == listed_.end()) {
      const Integer i = Fields->IndexOf(field);
      it = listed_.emplace(field, std::pair{i >= 0, i >= 0 ? static_cast<TField*>(Fields->Objects(i)) : nullptr}).first;
    }
    listedMemo_.Remember(field, it->first, it->second);
    known = &it->second;
  }
  listed = known->first;
  return known->second;
}

void TkvxDBDataset::ReportMissing(const String& field) {
  TkvxReport* report = ReportRef ? ReportRef : dynamic_cast<TkvxReport*>(Owner());
  if (!report) return;
  report->Errors->Add(report->CurrentObjectName + ": " + kvxGetResources()->Get("dbFldNotFound") + " " + UserName() +
                      ".\"" + field + "\"");
}

Variant TkvxDBDataset::GetValue(const String& field) {
  EnsureOpen();
  bool listed;
  TField* f = ListedField(field, listed);
  if (!listed) {
    ReportMissing(field);
    return Null();
  }
  if (!f) return Null();
  // Every row reads every field it prints: the cell is found once, for its value or its Null.
  switch (f->DataType()) {
    case ftFMTBcd:
    case ftBCD:
      if (f->IsNull()) return Null();
      return bcdToCurrency_ ? Variant(Currency::FromDouble(f->Value().ToDouble())) : Variant(f->Value().ToDouble());
    case ftLargeint:
      if (f->IsNull()) return Null();
      return Variant(f->AsLargeInt());
    default:
      return f->Value();
  }
}

WideString TkvxDBDataset::GetDisplayText(const String& field) {
  EnsureOpen();
  if (!inUse_->Active()) return kvxUtf8ToWide(UserName() + ".\"" + field + "\"");
  if (Fields->Count() == 0) return kvxUtf8ToWide(inUse_->FieldByName(field)->DisplayText());
  bool listed;
  TField* f = ListedField(field, listed);
  if (!listed) {
    ReportMissing(field);
    return kvxUtf8ToWide(kvxGetResources()->Get("dbFldNotFound") + " " + UserName() + ".\"" + field + "\"");
  }
  if (!f) return {};
  if (f->DataType() == ftWideString) return f->Value().ToWideString();
  return kvxUtf8ToWide(f->DisplayText());
}

Integer TkvxDBDataset::GetDisplayWidth(const String& field) {
  try {
    EnsureOpen();
    if (TField* f = inUse_->FindField(ConvertAlias(field))) return f->DisplayWidth();
  } catch (const Exception&) {
    // A width is only a layout hint: fall back to the usual one.
  }
  return 10;
}

TkvxFieldType TkvxDBDataset::GetFieldType(const String& field) {
  EnsureOpen();
  bool listed;
  TField* f = ListedField(field, listed);
  if (!f) return fftNumeric;
  switch (f->DataType()) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
    case ftFixedChar:
    case ftWideString:
      return fftString;
    case ftBoolean:
      return fftBoolean;
    default:
      return fftNumeric;
  }
}

bool TkvxDBDataset::IsBlobField(const String& field) {
  EnsureOpen();
  bool listed;
  TField* f = ListedField(field, listed);
  return f && f->IsBlob();
}

void TkvxDBDataset::AssignBlobTo(const String& field, TObject* obj) {
  EnsureOpen();
  bool listed;
  TField* f = ListedField(field, listed);
  if (!f || !f->IsBlob()) return;
  std::unique_ptr<TStream> blob = inUse_->CreateBlobStream(f, bmRead);
  if (auto* lines = dynamic_cast<TWideStrings*>(obj)) {
    TStringList list;
    list.LoadFromStream(*blob);
    lines->Assign(&list);
  } else if (auto* stream = dynamic_cast<TStream*>(obj)) {
    stream->SetPosition(0);
    stream->CopyFrom(*blob, 0);
    stream->SetPosition(0);
  }
}

void TkvxDBDataset::GetFieldList(TStrings& list) {
  list.Clear();
  try {
    if (FieldAliases()->Count() > 0) {
      for (Integer i = 0; i < FieldAliases()->Count(); ++i) {
        String line = FieldAliases()->Strings(i);
        size_t eq = line.find('=');
        String fieldName = line.substr(0, eq);
        if (!fieldName.empty() && fieldName[0] == '-') continue;
        list.Add(eq == String::npos ? line : line.substr(eq + 1));
      }
      return;
    }
    TDataSet* ds = inUse_ ? inUse_ : DataSetInUse();
    if (!ds) return;
    for (Integer i = 0; i < ds->FieldCount(); ++i) list.Add(ds->Fields()[i]->FieldName());
  } catch (const Exception&) {
    // The list is asked for while laying out; a dataset that cannot tell gives none.
  }
}

}  // namespace orv
