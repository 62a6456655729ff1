#include "platform/gui/DBGrids.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>

#include <exception>

#include "platform/gui/Application.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/QtBridge.h"
#include "platform/rtl/Format.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TDBGrid, c) {
  c.Prop("ReadOnly", &TDBGrid::ReadOnly, &TDBGrid::SetReadOnly).Default(false);
}

// The grid's keys for whole records, as the class library's grid has them: Insert inserts a
// record before the current one, Down on the last record appends one, Escape drops the record
// being inserted or edited, Ctrl+Delete deletes the current record (asking first with
// dgConfirmDelete). A new record that is left without a value is dropped, never posted.
class DBGridView : public QTableView {
 public:
  explicit DBGridView(TDBGrid* grid) : grid_(grid) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    TDataSource* src = grid_->DataSource();
    TDataSet* ds = src && src->Enabled() ? src->DataSet() : nullptr;
    bool editable = ds && ds->Active() && ds->CanModify() && !grid_->ReadOnly() &&
                    grid_->Options().Contains(dgEditing) && state() != EditingState;
    if (!editable) {
      QTableView::keyPressEvent(event);
      return;
    }
    Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    int key = event->key();
    bool blankInsert = ds->State() == dsInsert && !ds->Modified();
    if (key == Qt::Key_Insert && mods == Qt::NoModifier) {
      CallSafely(grid_, [ds] { ds->Insert(); });
    } else if (key == Qt::Key_Down && mods == Qt::NoModifier &&
               (ds->IsEmpty() || ds->RecNo() == ds->RecordCount())) {
      if (!blankInsert) CallSafely(grid_, [ds] { ds->Append(); });
    } else if (key == Qt::Key_Escape && mods == Qt::NoModifier &&
               (ds->State() == dsInsert || ds->State() == dsEdit)) {
      ds->Cancel();
    } else if (key == Qt::Key_Delete && mods == Qt::ControlModifier && !ds->IsEmpty()) {
      CallSafely(grid_, [this, ds] {
        if (!grid_->Options().Contains(dgConfirmDelete) ||
            MessageDlg("ต้องการลบรายการนี้หรือ ?", mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}, 0) ==
                mrOk)
          ds->Delete();
      });
    } else {
      QTableView::keyPressEvent(event);
    }
  }

 private:
  TDBGrid* grid_;
};

// Reads the records straight from the dataset; rows are records in dataset order.
class DBGridModel : public QAbstractTableModel {
 public:
  explicit DBGridModel(TDBGrid* grid) : grid_(grid) {}

  void Reset() {
    beginResetModel();
    columns_ = grid_->ShownColumns();
    TDataSet* ds = DataSet();
    shownRows_ = ds ? ds->RecordCount() : 0;
    endResetModel();
  }
  const std::vector<TColumn*>& Columns() const { return columns_; }

  int rowCount(const QModelIndex& parent) const override {
    TDataSet* ds = DataSet();
    return parent.isValid() || !ds ? 0 : ds->RecordCount();
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole && role != Qt::EditRole) return QVariant();
    TDataSet* ds = DataSet();
    TField* field = Field(index.column());
    if (!ds || !field) return QVariant();
    String text = role == Qt::EditRole && index.row() + 1 == ds->RecNo()
                      ? field->Text()
                      : ds->DisplayTextAt(field, index.row() + 1);
    return QString::fromStdString(text);
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return QVariant();
    if (orientation == Qt::Vertical) {
      TDataSet* ds = DataSet();
      return QString(ds && section + 1 == ds->RecNo() ? QStringLiteral("▶") : QString());
    }
    if (section < 0 || section >= static_cast<int>(columns_.size())) return QVariant();
    return QString::fromStdString(columns_[static_cast<size_t>(section)]->TitleCaption());
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    TField* field = Field(index.column());
    TDataSet* ds = DataSet();
    if (field && ds && ds->CanModify() && !field->ReadOnly() && !grid_->ReadOnly() &&
        grid_->Options().Contains(dgEditing))
      f |= Qt::ItemIsEditable;
    return f;
  }
  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (role != Qt::EditRole) return false;
    TDataSet* ds = DataSet();
    TField* field = Field(index.column());
    if (!ds || !field) return false;
    // Runs inside the view's closing of the cell editor, before Tab or Enter opens the next
    // one: the rows are not reset under it (the next editor would go with them, and the user's
    // typing into it), and no box is shown from here (the box taking the focus would close the
    // editor again, inside this call).
    std::exception_ptr failure;
    writing_ = true;
    try {
      if (ds->RecNo() != index.row() + 1) ds->SetRecNo(index.row() + 1);
      ds->Edit();
      field->SetAsString(value.toString().toStdString());
      ds->Post();
    } catch (...) {
      failure = std::current_exception();
      // What the database refused is dropped, so the row shows what is stored and no later
      // post carries it.
      // The first error is the one told: one from the cancel's own events would only hide it.
      try {
        if (ds->State() == dsEdit || ds->State() == dsInsert) ds->Cancel();
      } catch (...) {
      }
    }
    writing_ = false;
    Refresh();
    if (failure) {
      TDBGrid* grid = grid_;
      QMetaObject::invokeMethod(
          grid_->view_,
          [grid, failure] {
            try {
              std::rethrow_exception(failure);
            } catch (...) {
              Application->HandleException(grid);
            }
          },
          Qt::QueuedConnection);
    }
    return !failure;
  }

  // Whether the grid's own write is under way: the dataset's news waits for its end.
  bool Writing() const { return writing_; }
  // Shows the dataset again: the same rows in place when their number has not changed, else
  // a reset once the view is done with its editor.
  void Refresh() {
    TDataSet* ds = DataSet();
    int rows = ds ? ds->RecordCount() : 0;
    if (rows != shownRows_) {
      TDBGrid* grid = grid_;
      QMetaObject::invokeMethod(grid_->view_, [grid] { grid->DataChanged(); }, Qt::QueuedConnection);
      return;
    }
    if (rows > 0 && !columns_.empty())
      emit dataChanged(index(0, 0), index(rows - 1, static_cast<int>(columns_.size()) - 1));
    emit headerDataChanged(Qt::Vertical, 0, std::max(rows - 1, 0));
  }

 private:
  TDataSet* DataSet() const {
    TDataSource* src = grid_->DataSource();
    TDataSet* ds = src && src->Enabled() ? src->DataSet() : nullptr;
    return ds && ds->Active() ? ds : nullptr;
  }
  TField* Field(int column) const {
    if (column < 0 || column >= static_cast<int>(columns_.size())) return nullptr;
    return columns_[static_cast<size_t>(column)]->Field();
  }

  TDBGrid* grid_;
  std::vector<TColumn*> columns_;
  int shownRows_ = 0;
  bool writing_ = false;
};

// Hears the data source and tells the grid.
class DBGridLink : public TDataLink {
 public:
  explicit DBGridLink(TDBGrid* grid) : grid_(grid) {}

 protected:
  void ActiveChanged() override { grid_->LayoutChanged(); }
  void LayoutChanged() override { grid_->LayoutChanged(); }
  void DataSetChanged() override { grid_->DataChanged(); }
  void DataSetScrolled() override { grid_->FollowCursor(); }
  void RecordChanged(TField*) override { grid_->DataChanged(); }

 private:
  TDBGrid* grid_;
};

// Columns.

void TColumn::SetFieldName(const String& name) {
  fieldName_ = name;
  grid_->LayoutChanged();
}

TField* TColumn::Field() const {
  TDataSource* src = grid_->DataSource();
  TDataSet* ds = src ? src->DataSet() : nullptr;
  return ds && ds->Active() ? ds->FindField(fieldName_) : nullptr;
}

String TColumn::TitleCaption() const {
  if (hasCaption_) return caption_;
  TField* f = Field();
  return f ? f->DisplayName() : fieldName_;
}

void TColumn::SetTitleCaption(const String& caption) {
  caption_ = caption;
  hasCaption_ = true;
  grid_->LayoutChanged();
}

int TColumn::Width() const {
  if (width_ >= 0) return width_;
  TField* f = Field();
  int chars = f ? std::min(f->DisplayWidth(), 40) : 10;
  return chars * grid_->view_->fontMetrics().averageCharWidth() + 8;
}

void TColumn::SetWidth(int width) {
  width_ = width;
  grid_->LayoutChanged();
}

void TColumn::SetVisible(bool visible) {
  visible_ = visible;
  grid_->LayoutChanged();
}

TColumn* TDBGridColumns::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError(Format("List index out of bounds (%d)", {index}));
  return items_[static_cast<size_t>(index)].get();
}

TColumn* TDBGridColumns::Add() {
  items_.push_back(std::make_unique<TColumn>(grid_));
  grid_->LayoutChanged();
  return items_.back().get();
}

void TDBGridColumns::Clear() {
  items_.clear();
  grid_->LayoutChanged();
}

// The grid.

TDBGrid::TDBGrid(TComponent* AOwner)
    : TCustomControl(AOwner, new DBGridView(this)),
      view_(static_cast<DBGridView*>(Widget())),
      model_(std::make_unique<DBGridModel>(this)),
      link_(std::make_unique<DBGridLink>(this)),
      columns_(this) {
  view_->setModel(model_.get());
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  AddEventSource(view_->viewport());
  QObject::connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, view_,
                   [this](const QModelIndex& current, const QModelIndex&) {
                     TDataSource* src = DataSource();
                     TDataSet* ds = src ? src->DataSet() : nullptr;
                     if (syncing_ || !current.isValid() || !ds || !ds->Active()) return;
                     if (ds->RecNo() != current.row() + 1) ds->SetRecNo(current.row() + 1);
                   });
  QObject::connect(view_, &QTableView::clicked, view_, [this](const QModelIndex& index) {
    const auto& cols = model_->Columns();
    if (OnCellClick && index.column() < static_cast<int>(cols.size()))
      OnCellClick(cols[static_cast<size_t>(index.column())]);
  });
  QObject::connect(view_->horizontalHeader(), &QHeaderView::sectionClicked, view_,
                   [this](int section) {
                     const auto& cols = model_->Columns();
                     if (OnTitleClick && section >= 0 && section < static_cast<int>(cols.size()))
                       OnTitleClick(cols[static_cast<size_t>(section)]);
                   });
  ApplyOptions();
}

TDBGrid::~TDBGrid() {
  // The link must not call back into a grid whose model is going.
  link_->SetDataSource(nullptr);
  view_->setModel(nullptr);
}

TDataSource* TDBGrid::DataSource() const { return link_->DataSource(); }

void TDBGrid::SetDataSource(TDataSource* source) {
  if (TDataSource* old = link_->DataSource()) old->RemoveFreeNotification(this);
  link_->SetDataSource(source);
  if (source) source->FreeNotification(this);
}

void TDBGrid::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == opRemove && component == link_->DataSource()) link_->SetDataSource(nullptr);
}

void TDBGrid::SetOptions(TDBGridOptions options) {
  options_ = options;
  ApplyOptions();
  LayoutChanged();
}

void TDBGrid::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  LayoutChanged();
}

void TDBGrid::ApplyOptions() {
  view_->horizontalHeader()->setVisible(options_.Contains(dgTitles));
  view_->verticalHeader()->setVisible(options_.Contains(dgIndicator));
  view_->setSelectionBehavior(options_.Contains(dgRowSelect) ? QAbstractItemView::SelectRows
                                                             : QAbstractItemView::SelectItems);
  view_->setShowGrid(options_.Contains(dgColLines) || options_.Contains(dgRowLines));
  view_->horizontalHeader()->setSectionResizeMode(options_.Contains(dgColumnResize)
                                                      ? QHeaderView::Interactive
                                                      : QHeaderView::Fixed);
}

std::vector<TColumn*> TDBGrid::ShownColumns() const {
  std::vector<TColumn*> shown;
  if (columns_.Count() > 0) {
    for (int i = 0; i < columns_.Count(); ++i)
      if (columns_[i]->Visible()) shown.push_back(columns_[i]);
    return shown;
  }
  for (const auto& c : defaultColumns_) shown.push_back(c.get());
  return shown;
}

void TDBGrid::LayoutChanged() {
  if (!model_) return;
  defaultColumns_.clear();
  TDataSource* src = DataSource();
  TDataSet* ds = src ? src->DataSet() : nullptr;
  if (columns_.Count() == 0 && ds && ds->Active()) {
    for (int i = 0; i < ds->FieldCount(); ++i) {
      TField* f = ds->Fields()[i];
      if (!f->Visible()) continue;
      defaultColumns_.push_back(std::make_unique<TColumn>(this));
      // Set directly: SetFieldName would come back here.
      auto& c = *defaultColumns_.back();
      c.fieldName_ = f->FieldName();
    }
  }
  model_->Reset();
  const auto& cols = model_->Columns();
  for (size_t i = 0; i < cols.size(); ++i)
    view_->setColumnWidth(static_cast<int>(i), cols[i]->Width());
  FollowCursor();
}

void TDBGrid::DataChanged() {
  if (!model_) return;
  if (model_->Writing()) return;
  syncing_ = true;
  model_->Reset();
  syncing_ = false;
  const auto& cols = model_->Columns();
  for (size_t i = 0; i < cols.size(); ++i)
    view_->setColumnWidth(static_cast<int>(i), cols[i]->Width());
  FollowCursor();
}

void TDBGrid::FollowCursor() {
  int row = Row();
  syncing_ = true;
  if (row >= 0) {
    int column = std::max(view_->currentIndex().column(), 0);
    view_->setCurrentIndex(model_->index(row, column));
    view_->scrollTo(model_->index(row, column));
  } else {
    view_->setCurrentIndex(QModelIndex());
  }
  syncing_ = false;
  view_->viewport()->update();
  view_->verticalHeader()->viewport()->update();
}

int TDBGrid::Row() const {
  TDataSource* src = DataSource();
  TDataSet* ds = src && src->Enabled() ? src->DataSet() : nullptr;
  if (!ds || !ds->Active()) return -1;
  return ds->RecNo() - 1;
}

int TDBGrid::RowCount() const { return model_->rowCount(QModelIndex()); }

String TDBGrid::CellText(int row, int column) const {
  return model_->data(model_->index(row, column), Qt::DisplayRole).toString().toStdString();
}

String TDBGrid::TitleText(int column) const {
  return model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().toStdString();
}

TField* TDBGrid::SelectedField() const {
  const auto& cols = model_->Columns();
  int c = SelectedIndex();
  return c >= 0 && c < static_cast<int>(cols.size()) ? cols[static_cast<size_t>(c)]->Field() : nullptr;
}

int TDBGrid::SelectedIndex() const { return std::max(view_->currentIndex().column(), 0); }

}  // namespace orv
