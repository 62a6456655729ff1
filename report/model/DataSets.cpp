#include "report/model/DataSets.h"

#include <algorithm>

#include "platform/rtl/TextUtils.h"
#include "report/model/Report.h"
#include "report/model/Resources.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxDataSet, c) {
  c.Prop("Enabled", &TkvxDataSet::Enabled, &TkvxDataSet::SetEnabled).Default(true);
  c.Prop("RangeBegin", &TkvxDataSet::RangeBegin, &TkvxDataSet::SetRangeBegin).Default(rbFirst);
  c.Prop("RangeEnd", &TkvxDataSet::RangeEnd, &TkvxDataSet::SetRangeEnd).Default(reLast);
  c.Prop("RangeEndCount", &TkvxDataSet::RangeEndCount, &TkvxDataSet::SetRangeEndCount).Default(0);
  c.Prop("UserName", &TkvxDataSet::UserName, &TkvxDataSet::SetUserName);
  c.Event("OnCheckEOF", &TkvxDataSet::OnCheckEOF);
  c.Event("OnFirst", &TkvxDataSet::OnFirst);
  c.Event("OnNext", &TkvxDataSet::OnNext);
  c.Event("OnPrior", &TkvxDataSet::OnPrior);
}

ORV_IMPLEMENT_CLASS(TkvxUserDataSet, c) {
  c.Prop("Fields", &TkvxUserDataSet::Fields, &TkvxUserDataSet::SetFields);
  c.Event("OnGetValue", &TkvxUserDataSet::OnGetValue);
  c.Event("OnNewGetValue", &TkvxUserDataSet::OnNewGetValue);
}

ORV_IMPLEMENT_CLASS(TkvxCustomDBDataSet, c) {
  c.Prop("CloseDataSource", &TkvxCustomDBDataSet::CloseDataSource, &TkvxCustomDBDataSet::SetCloseDataSource)
      .Default(false);
  c.Prop("FieldAliases", &TkvxCustomDBDataSet::FieldAliases, &TkvxCustomDBDataSet::SetFieldAliases);
  c.Prop("OpenDataSource", &TkvxCustomDBDataSet::OpenDataSource, &TkvxCustomDBDataSet::SetOpenDataSource)
      .Default(true);
  c.Event("OnClose", static_cast<TNotifyHandler TkvxCustomDBDataSet::*>(&TkvxDataSet::OnClose));
  c.Event("OnOpen", static_cast<TNotifyHandler TkvxCustomDBDataSet::*>(&TkvxDataSet::OnOpen));
}

ORV_IMPLEMENT_CLASS(TkvxCustomDatabase, c) {}

ORV_IMPLEMENT_CLASS(TkvxDataSetItem, c) {
  c.Prop("DataSet", &TkvxDataSetItem::DataSet, &TkvxDataSetItem::SetDataSet);
  c.Prop("DataSetName", &TkvxDataSetItem::DataSetName, &TkvxDataSetItem::SetDataSetName);
}

ORV_IMPLEMENT_CLASS(TkvxReportDataSets, c) {}

TkvxGlobalDataSetList& kvxGlobalDataSetList() {
  static TkvxGlobalDataSetList list;
  return list;
}

TkvxDataSet::TkvxDataSet(TComponent* owner) : TkvxDialogComponent(owner) {
  auto& list = kvxGlobalDataSetList();
  TLockGuard guard(list.Lock);
  list.Items.push_back(this);
  ++list.Changes;
}

TkvxDataSet::~TkvxDataSet() {
  auto& list = kvxGlobalDataSetList();
  TLockGuard guard(list.Lock);
  list.Items.erase(std::remove(list.Items.begin(), list.Items.end(), this), list.Items.end());
  ++list.Changes;
}

WideString TkvxDataSet::GetDisplayText(const String&) { return {}; }
Integer TkvxDataSet::GetDisplayWidth(const String&) { return 10; }
TkvxFieldType TkvxDataSet::GetFieldType(const String&) { return fftNumeric; }
Variant TkvxDataSet::GetValue(const String&) { return Null(); }

void TkvxDataSet::SetUserName(const String& value) {
  if (Trim(value).empty()) throw EPropertyError(kvxGetResources()->Get("prInvProp"));
  userName_ = value;
}

void TkvxDataSet::SetName(const String& value) {
  String old = Name();
  TkvxDialogComponent::SetName(value);
  if ((userName_.empty() || userName_ == old) && !Trim(value).empty()) SetUserName(value);
}

void TkvxDataSet::Open() {
  if (OnOpen) OnOpen(this);
}

void TkvxDataSet::Close() {
  if (OnClose) OnClose(this);
}

void TkvxDataSet::First() {
  recNo_ = 0;
  EndFlag = false;
  if (OnFirst) OnFirst(this);
}

void TkvxDataSet::Next() {
  EndFlag = false;
  ++recNo_;
  if (rangeEnd_ == reCount && recNo_ >= rangeEndCount_) {
    recNo_ = rangeEndCount_ - 1;
    EndFlag = true;
    return;
  }
  if (OnNext) OnNext(this);
}

void TkvxDataSet::Prior() {
  --recNo_;
  if (OnPrior) OnPrior(this);
}

bool TkvxDataSet::Eof() {
  bool eof = rangeEnd_ == reCount && (recNo_ >= rangeEndCount_ || EndFlag);
  if (OnCheckEOF) OnCheckEOF(this, eof);
  return eof;
}

Integer TkvxDataSet::RecordCount() {
  return rangeBegin_ == rbFirst && rangeEnd_ == reCount ? rangeEndCount_ : 0;
}

bool TkvxDataSet::HasField(const String& field) {
  TStringList list;
  GetFieldList(list);
  return list.IndexOf(field) >= 0;
}

TkvxUserDataSet::TkvxUserDataSet(TComponent* owner)
    : TkvxDataSet(owner), fields_(std::make_unique<TStringList>()) {}

Variant TkvxUserDataSet::GetValue(const String& field) {
  Variant value = Null();
  if (OnGetValue) OnGetValue(field, value);
  if (OnNewGetValue) OnNewGetValue(this, field, value);
  return value;
}

WideString TkvxUserDataSet::GetDisplayText(const String& field) { return GetValue(field).ToWideString(); }

TkvxCustomDBDataSet::TkvxCustomDBDataSet(TComponent* owner)
    : TkvxDataSet(owner), Fields(std::make_unique<TStringList>()), aliases_(std::make_unique<TStringList>()) {
  Fields->SetSorted(true);
  Fields->SetDuplicates(dupIgnore);
}

String TkvxCustomDBDataSet::ConvertAlias(const String& alias) const {
  for (Integer i = 0; i < aliases_->Count(); ++i) {
    String line = aliases_->Strings(i);
    size_t eq = line.find('=');
    if (eq != String::npos && AnsiSameText(line.substr(eq + 1), alias)) return line.substr(0, eq);
  }
  return alias;
}

Integer TkvxCustomDBDataSet::FieldsCount() {
  TStringList list;
  GetFieldList(list);
  return list.Count();
}

void TkvxDataSetItem::Assign(TPersistent* source) {
  if (auto* item = dynamic_cast<TkvxDataSetItem*>(source)) {
    dataSet_ = item->dataSet_;
    dataSetName_ = item->dataSetName_;
    return;
  }
  TCollectionItem::Assign(source);
}

void TkvxDataSetItem::SetDataSet(TkvxDataSet* value) {
  dataSet_ = value;
  dataSetName_ = value ? value->UserName() : String();
  Watch();
}

void TkvxDataSetItem::Watch() {
  // The report forgets the item when its data set is freed, wherever the data set lives.
  auto* owner = dynamic_cast<TkvxReportDataSets*>(Collection());
  if (dataSet_ && owner && owner->Report()) owner->Report()->FreeNotification(dataSet_);
}

String TkvxDataSetItem::DataSetName() const { return dataSet_ ? dataSet_->UserName() : dataSetName_; }

void TkvxDataSetItem::SetDataSetName(const String& value) {
  dataSetName_ = value;
  if (value.empty()) {
    dataSet_ = nullptr;
    return;
  }
  auto* owner = dynamic_cast<TkvxReportDataSets*>(Collection());
  if (owner && owner->Report()) dataSet_ = owner->Report()->FindDataSet(dataSet_, value);
  Watch();
}

TkvxReportDataSets::TkvxReportDataSets(TkvxReport* report)
    : TCollection(TkvxDataSetItem::StaticClass(), report), report_(report) {}

TkvxDataSetItem* TkvxReportDataSets::Find(const TkvxDataSet* dataSet) const {
  for (Integer i = 0; i < Count(); ++i)
    if (Items(i)->DataSet() == dataSet) return Items(i);
  return nullptr;
}

TkvxDataSetItem* TkvxReportDataSets::Find(const String& name) const {
  for (Integer i = 0; i < Count(); ++i)
    if (Items(i)->DataSet() && AnsiSameText(Items(i)->DataSet()->UserName(), name)) return Items(i);
  return nullptr;
}

void TkvxReportDataSets::Initialize() {
  for (Integer i = 0; i < Count(); ++i)
    if (TkvxDataSet* ds = Items(i)->DataSet()) {
      ds->ReportRef = report_;
      ds->Initialize();
    }
}

void TkvxReportDataSets::Finalize() {
  for (Integer i = 0; i < Count(); ++i)
    if (TkvxDataSet* ds = Items(i)->DataSet()) ds->Finalize();
}

TkvxDataSet* kvxFindDataSet(TkvxDataSet* dataSet, const String& name, TkvxReport* report) {
  if (name.empty()) return nullptr;
  if (!report) return dataSet;
  auto& list = kvxGlobalDataSetList();
  TLockGuard guard(list.Lock);
  for (TkvxDataSet* ds : list.Items) {
    if (!AnsiSameText(ds->UserName(), name)) continue;
    if (!dynamic_cast<TkvxReport*>(ds->Owner()) || ds->Owner() == report) return ds;
  }
  return dataSet;
}

}  // namespace orv
