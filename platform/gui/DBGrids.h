#pragma once
// The data-aware grid: shows the records of a data source's dataset, one row per record, and
// keeps its selected row and the dataset's cursor in step both ways.
#include <memory>
#include <vector>

#include "platform/db/DB.h"
#include "platform/gui/Controls.h"
#include "platform/rtl/Set.h"

namespace orv {

ORV_ENUM(TDBGridOption, dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColumnResize,
         dgColLines, dgRowLines, dgTabs, dgRowSelect, dgAlwaysShowSelection, dgConfirmDelete,
         dgCancelOnExit, dgMultiSelect);
using TDBGridOptions = TSet<TDBGridOption>;

class TDBGrid;

// One column of a grid: the field it shows, its title and width.
class TColumn {
 public:
  explicit TColumn(TDBGrid* grid) : grid_(grid) {}

  const String& FieldName() const { return fieldName_; }
  void SetFieldName(const String& name);
  // The dataset's field of that name; nullptr when the dataset is closed or lacks it.
  TField* Field() const;
  // The field's display label unless a caption was set.
  String TitleCaption() const;
  void SetTitleCaption(const String& caption);
  // In pixels; the field's display width in average characters unless set.
  int Width() const;
  void SetWidth(int width);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

 private:
  friend class TDBGrid;
  TDBGrid* grid_;
  String fieldName_;
  String caption_;
  bool hasCaption_ = false;
  int width_ = -1;
  bool visible_ = true;
};

// The columns of a grid; empty means one column per visible field.
class TDBGridColumns {
 public:
  explicit TDBGridColumns(TDBGrid* grid) : grid_(grid) {}
  int Count() const { return static_cast<int>(items_.size()); }
  // EListError outside 0..Count-1.
  TColumn* Items(int index) const;
  TColumn* operator[](int index) const { return Items(index); }
  TColumn* Add();
  void Clear();

 private:
  TDBGrid* grid_;
  std::vector<std::unique_ptr<TColumn>> items_;
};

class DBGridView;
class DBGridModel;
class DBGridLink;

// The grid control over a QTableView. Editing a cell (dgEditing, not ReadOnly) puts the dataset
// into edit state and posts the value when the cell is left. The record keys: Insert, Down on
// the last record (append), Escape (drop the change) and Ctrl+Delete (delete, asking first with
// dgConfirmDelete).
class TDBGrid : public TCustomControl {
  ORV_CLASS(TDBGrid, TCustomControl)

 public:
  explicit TDBGrid(TComponent* AOwner);
  ~TDBGrid() override;

  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* source);
  TDBGridColumns& Columns() { return columns_; }
  TDBGridOptions Options() const { return options_; }
  void SetOptions(TDBGridOptions options);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  // The field of the current column; nullptr without data.
  TField* SelectedField() const;
  int SelectedIndex() const;

  // The grid row (0-based, titles not counted) that shows the current record; -1 without one.
  int Row() const;
  // Number of data rows shown.
  int RowCount() const;
  // The text shown in a data cell, for tests and accessibility.
  String CellText(int row, int column) const;
  String TitleText(int column) const;

  std::function<void(TColumn* column)> OnCellClick;
  std::function<void(TColumn* column)> OnTitleClick;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TColumn;
  friend class TDBGridColumns;
  friend class DBGridModel;
  friend class DBGridLink;
  // The shown columns: Columns when set, otherwise one per visible field.
  std::vector<TColumn*> ShownColumns() const;
  void LayoutChanged();
  void DataChanged();
  void FollowCursor();
  void ApplyOptions();

  DBGridView* view_;
  std::unique_ptr<DBGridModel> model_;
  std::unique_ptr<DBGridLink> link_;
  TDBGridColumns columns_;
  std::vector<std::unique_ptr<TColumn>> defaultColumns_;
  TDBGridOptions options_{dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines,
                          dgRowLines, dgTabs, dgConfirmDelete, dgCancelOnExit};
  bool readOnly_ = false;
  bool syncing_ = false;
};

}  // namespace orv
