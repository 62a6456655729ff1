#pragma once
// Report data sets: what a report reads its records and fields through. TkvxDataSet gives the
// record range and navigation; TkvxUserDataSet answers fields through events; the database bridge
// derives from TkvxCustomDBDataSet. Every data set is listed in one global list through which
// report objects resolve data-set names.
#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/rtl/Collection.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Sync.h"
#include "report/model/ReportComponent.h"

namespace orv {

class TkvxReport;

ORV_ENUM(TkvxRangeBegin, rbFirst, rbCurrent);
ORV_ENUM(TkvxRangeEnd, reLast, reCurrent, reCount);
ORV_ENUM(TkvxFieldType, fftNumeric, fftString, fftBoolean);

class TkvxDataSet : public TkvxDialogComponent {
  ORV_CLASS(TkvxDataSet, TkvxDialogComponent)

 public:
  explicit TkvxDataSet(TComponent* owner);
  ~TkvxDataSet() override;

  virtual WideString GetDisplayText(const String& field);
  virtual Integer GetDisplayWidth(const String& field);
  virtual TkvxFieldType GetFieldType(const String& field);
  virtual Variant GetValue(const String& field);
  // "prInvProp" for a name that is blank after trimming; the old name stays.
  virtual void SetUserName(const String& value);
  virtual void Initialize() {}
  virtual void Finalize() {}
  virtual void Open();
  virtual void Close();
  virtual void First();
  virtual void Next();
  virtual void Prior();
  virtual bool Eof();
  virtual Integer FieldsCount() { return 0; }
  virtual bool IsBlobField(const String&) { return false; }
  virtual Integer RecordCount();
  virtual void AssignBlobTo(const String&, TObject*) {}
  virtual void GetFieldList(TStrings& list) { list.Clear(); }
  bool HasField(const String& field);

  // The user name follows the component name while it was empty or equal to it.
  void SetName(const String& value) override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  TkvxRangeBegin RangeBegin() const { return rangeBegin_; }
  void SetRangeBegin(TkvxRangeBegin v) { rangeBegin_ = v; }
  TkvxRangeEnd RangeEnd() const { return rangeEnd_; }
  void SetRangeEnd(TkvxRangeEnd v) { rangeEnd_ = v; }
  Integer RangeEndCount() const { return rangeEndCount_; }
  void SetRangeEndCount(Integer v) { rangeEndCount_ = v; }
  const String& UserName() const { return userName_; }
  Integer RecNo() const { return recNo_; }
  void SetRecNo(Integer v) { recNo_ = v; }
  bool OpenDataSource() const { return openDataSource_; }
  void SetOpenDataSource(bool v) { openDataSource_ = v; }
  bool CloseDataSource() const { return closeDataSource_; }
  void SetCloseDataSource(bool v) { closeDataSource_ = v; }
  // The report the data set serves during a run.
  TkvxReport* ReportRef = nullptr;

  std::function<void(TObject* sender, bool& eof)> OnCheckEOF;
  TNotifyHandler OnFirst;
  TNotifyHandler OnNext;
  TNotifyHandler OnPrior;
  TNotifyHandler OnOpen;
  TNotifyHandler OnClose;

 protected:
  bool EndFlag = false;

 private:
  bool enabled_ = true;
  TkvxRangeBegin rangeBegin_ = rbFirst;
  TkvxRangeEnd rangeEnd_ = reLast;
  Integer rangeEndCount_ = 0;
  String userName_;
  Integer recNo_ = 0;
  bool openDataSource_ = true;
  bool closeDataSource_ = false;
};

// Fields answered by the OnGetValue and OnNewGetValue events (the second has the last word).
class TkvxUserDataSet : public TkvxDataSet {
  ORV_CLASS(TkvxUserDataSet, TkvxDataSet)

 public:
  explicit TkvxUserDataSet(TComponent* owner);
  TStrings* Fields() const { return fields_.get(); }
  void SetFields(TStrings* value) { fields_->Assign(value); }

  void GetFieldList(TStrings& list) override { list.Assign(fields_.get()); }
  Integer FieldsCount() override { return fields_->Count(); }
  Variant GetValue(const String& field) override;
  WideString GetDisplayText(const String& field) override;

  std::function<void(const String& varName, Variant& value)> OnGetValue;
  std::function<void(TObject* sender, const String& varName, Variant& value)> OnNewGetValue;

 private:
  std::unique_ptr<TStringList> fields_;
};

// The base of data sets over a database: field aliases and the current field list.
class TkvxCustomDBDataSet : public TkvxDataSet {
  ORV_CLASS(TkvxCustomDBDataSet, TkvxDataSet)

 public:
  explicit TkvxCustomDBDataSet(TComponent* owner);
  TStrings* FieldAliases() const { return aliases_.get(); }
  void SetFieldAliases(TStrings* value) { aliases_->Assign(value); }
  // The field name whose alias is alias (case-blind), alias itself when none.
  String ConvertAlias(const String& alias) const;
  Integer FieldsCount() override;

 protected:
  // The current field names, each with its field object; filled by the bridge.
  std::unique_ptr<TStringList> Fields;

 private:
  std::unique_ptr<TStringList> aliases_;
};

// The base of database-connection components: the object registry files its descendants with
// the data-page objects. No descendant exists in this system.
class TkvxCustomDatabase : public TkvxDialogComponent {
  ORV_CLASS(TkvxCustomDatabase, TkvxDialogComponent)

 public:
  using TkvxDialogComponent::TkvxDialogComponent;
};

class TkvxDataSetItem : public TCollectionItem {
  ORV_CLASS(TkvxDataSetItem, TCollectionItem)

 public:
  explicit TkvxDataSetItem(TCollection* collection) : TCollectionItem(collection) {}
  void Assign(TPersistent* source) override;
  TkvxDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TkvxDataSet* value);
  String DataSetName() const;
  void SetDataSetName(const String& value);

 private:
  void Watch();
  TkvxDataSet* dataSet_ = nullptr;
  String dataSetName_;
};

// The data sets a report uses.
class TkvxReportDataSets : public TCollection {
  ORV_CLASS(TkvxReportDataSets, TCollection)

 public:
  explicit TkvxReportDataSets(TkvxReport* report);
  TkvxDataSetItem* Items(Integer index) const { return static_cast<TkvxDataSetItem*>(TCollection::Items(index)); }
  TkvxDataSetItem* Add() { return static_cast<TkvxDataSetItem*>(TCollection::Add()); }
  TkvxDataSetItem* Find(const TkvxDataSet* dataSet) const;
  TkvxDataSetItem* Find(const String& name) const;
  void Initialize();
  void Finalize();
  TkvxReport* Report() const { return report_; }

 private:
  TkvxReport* report_;
};

// Every data set that exists, in creation order, with the lock that guards it.
class TkvxGlobalDataSetList {
 public:
  TCriticalSection Lock;
  std::vector<TkvxDataSet*> Items;
  // Counts every data set made or freed, so that what was looked up by name can tell it may
  // be stale.
  std::atomic<std::uint64_t> Changes{0};
};
TkvxGlobalDataSetList& kvxGlobalDataSetList();

// The first data set named name (case-blind) that belongs to a window or to report; dataSet
// when there is none or report is nil; nil for an empty name.
TkvxDataSet* kvxFindDataSet(TkvxDataSet* dataSet, const String& name, TkvxReport* report);

}  // namespace orv
