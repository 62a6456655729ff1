#pragma once
// TkvxDBDataset: a report data set over a dataset of the data access layer. It opens the dataset
// when the report first needs it, walks it within its range, reads fields through the aliases,
// and at the end of a run puts the dataset back where it was.
#include <unordered_map>
#include <utility>

#include "platform/db/DB.h"
#include "report/model/DataSets.h"
#include "report/model/ValueLookupMemo.h"

namespace orv {

class TkvxDBDataset : public TkvxCustomDBDataSet {
  ORV_CLASS(TkvxDBDataset, TkvxCustomDBDataSet)

 public:
  explicit TkvxDBDataset(TComponent* owner);
  ~TkvxDBDataset() override;

  WideString GetDisplayText(const String& field) override;
  Integer GetDisplayWidth(const String& field) override;
  TkvxFieldType GetFieldType(const String& field) override;
  Variant GetValue(const String& field) override;
  // EDatabaseError "DataSet %s is not connected to data" without a dataset.
  void Initialize() override;
  void Finalize() override;
  void Open() override;
  void Close() override;
  void First() override;
  void Next() override;
  void Prior() override;
  bool Eof() override;
  bool IsBlobField(const String& field) override;
  Integer RecordCount() override;
  void AssignBlobTo(const String& field, TObject* obj) override;
  void GetFieldList(TStrings& list) override;

  // A parameter (":name") of the query read, so that a report script can point a detail at its
  // master's row: a new value reads the query again when the report next walks it.
  // EDatabaseError when the data read is no query or has no such parameter.
  Variant ParamValue(const String& name);
  void SetParamValue(const String& name, const Variant& value);

  TDataSet* DataSet() const { return dataSet_; }
  // Setting one of DataSet and DataSource clears the other.
  void SetDataSet(TDataSet* value);
  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* value);
  bool BCDToCurrency() const { return bcdToCurrency_; }
  void SetBCDToCurrency(bool v) { bcdToCurrency_ = v; }
  // The dataset read: DataSet, else the source's.
  TDataSet* DataSetInUse() const;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void EnsureOpen();
  void RebuildFields();
  TField* ListedField(const String& field, bool& listed);
  void ReportMissing(const String& field);
  bool IsWindowOwned() const;

  TDataSet* dataSet_ = nullptr;
  TDataSource* dataSource_ = nullptr;
  bool bcdToCurrency_ = false;
  TDataSet* inUse_ = nullptr;
  bool opened_ = false;
  TBookmark bookmark_;
  bool endFlag_ = false;
  bool hooked_ = false;
  // ListedField's answers by the name asked, until the field list is rebuilt.
  std::unordered_map<String, std::pair<bool, TField*>> listed_;
  TkvxNameMemo<std::pair<bool, TField*>> listedMemo_;
  std::function<void(TDataSet*)> savedAfterOpen_;
  std::function<void(TDataSet*)> savedBeforeClose_;
};

}  // namespace orv
