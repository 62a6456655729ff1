#include <algorithm>

#include "platform/db/DB.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TDataSource, c) {}

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  SetDataSet(nullptr);
  for (TDataLink* link : std::vector<TDataLink*>(links_)) link->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet_ == dataSet) return;
  if (dataSet_) std::erase(dataSet_->dataSources_, this);
  dataSet_ = dataSet;
  if (dataSet_) dataSet_->dataSources_.push_back(this);
  Notify(deUpdateState, nullptr);
  Notify(deDataSetChange, nullptr);
}

void TDataSource::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  for (TDataLink* link : std::vector<TDataLink*>(links_)) link->Notify(deUpdateState, nullptr);
}

TDataSetState TDataSource::State() const {
  return dataSet_ && enabled_ ? dataSet_->State() : dsInactive;
}

void TDataSource::Notify(TDataEvent event, TField* field) {
  if (!enabled_) return;
  if (event == deUpdateState) {
    if (OnStateChange) OnStateChange(this);
  } else if (OnDataChange) {
    OnDataChange(this, event == deFieldChange ? field : nullptr);
  }
  for (TDataLink* link : std::vector<TDataLink*>(links_)) link->Notify(event, field);
}

TDataLink::~TDataLink() {
  if (dataSource_) std::erase(dataSource_->links_, this);
}

void TDataLink::SetDataSource(TDataSource* source) {
  if (dataSource_ == source) return;
  if (dataSource_) std::erase(dataSource_->links_, this);
  dataSource_ = source;
  if (dataSource_) dataSource_->links_.push_back(this);
  active_ = Active();
  lastState_ = dataSource_ ? dataSource_->State() : dsInactive;
  ActiveChanged();
}

TDataSet* TDataLink::DataSet() const { return dataSource_ ? dataSource_->DataSet() : nullptr; }

bool TDataLink::Active() const {
  return dataSource_ && dataSource_->Enabled() && dataSource_->DataSet() &&
         dataSource_->DataSet()->Active();
}

void TDataLink::Notify(TDataEvent event, TField* field) {
  switch (event) {
    case deUpdateState: {
      bool active = Active();
      TDataSetState state = dataSource_ ? dataSource_->State() : dsInactive;
      if (active != active_) {
        active_ = active;
        lastState_ = state;
        ActiveChanged();
      } else if (state != lastState_) {
        lastState_ = state;
        EditingChanged();
      }
      break;
    }
    case deFieldChange:
    case deRecordChange:
      if (active_) RecordChanged(event == deFieldChange ? field : nullptr);
      break;
    case deDataSetChange:
      if (active_) DataSetChanged();
      break;
    case deDataSetScroll:
      if (active_) DataSetScrolled();
      break;
    case deLayoutChange:
      if (active_) LayoutChanged();
      break;
  }
}

}  // namespace orv
