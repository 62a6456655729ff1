// The data-aware grid over a real database file: what it shows, and the cursor kept in step.
#include <gtest/gtest.h>

#include <QTableView>
#include <filesystem>

#include "platform/db/ADODB.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/ScriptedDialogService.h"
#include "platform/gui/tests/GraphicsTesting.h"
#include "platform/gui/tests/WidgetTesting.h"

namespace orv {
namespace {

class DBGridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::EnsureGraphics();
    file_ = testing::TempPath("dbgrid-" + std::to_string(getpid()) + ".db");
    std::filesystem::remove(file_);
    TADOConnection::CreateDatabase(file_);
    conn_ = std::make_unique<TADOConnection>(nullptr);
    conn_->SetConnectionString("Data Source=" + file_);
    conn_->Execute(
        "CREATE TABLE Orvani (ID INTEGER PRIMARY KEY AUTOINCREMENT, st TEXT(50), nm TEXT(50), "
        "sur TEXT(50), birth_date DATE);"
        "INSERT INTO Orvani (st, nm, sur, birth_date) VALUES ('ยอแซฟ', 'สมชาย', 'ใจดี', '1980-05-01'),"
        "('มารีอา', 'อนงค์', 'ศรีสุข', NULL), ('เปโตร', 'วิชัย', 'ทองคำ', '2001-03-05');");
    query_ = std::make_unique<TADOQuery>(nullptr);
    query_->SetConnection(conn_.get());
    query_->SQL().SetText("select * from Orvani order by ID");
    source_ = std::make_unique<TDataSource>(nullptr);
    source_->SetDataSet(query_.get());
    grid_ = std::make_unique<TDBGrid>(nullptr);
    grid_->SetDataSource(source_.get());
  }
  void TearDown() override {
    grid_.reset();
    source_.reset();
    query_.reset();
    conn_.reset();
    std::filesystem::remove(file_);
    std::filesystem::remove(file_ + "-wal");
    std::filesystem::remove(file_ + "-shm");
  }

  std::string file_;
  std::unique_ptr<TADOConnection> conn_;
  std::unique_ptr<TADOQuery> query_;
  std::unique_ptr<TDataSource> source_;
  std::unique_ptr<TDBGrid> grid_;
};

TEST_F(DBGridTest, ShowsTheRowsUnderTheColumnTitles) {
  EXPECT_EQ(grid_->RowCount(), 0) << "a closed query shows nothing";
  query_->Open();
  ASSERT_EQ(grid_->RowCount(), 3);
  EXPECT_EQ(grid_->TitleText(1), "st");
  EXPECT_EQ(grid_->CellText(0, 2), "สมชาย");
  EXPECT_EQ(grid_->CellText(2, 4), "5/3/2001");
  EXPECT_EQ(grid_->CellText(1, 4), "");

  for (auto [field, title] : {std::pair{"st", "นักบุญ"}, {"nm", "ชื่อ"}, {"sur", "นามสกุล"},
                              {"birth_date", "วันเกิด"}}) {
    TColumn* c = grid_->Columns().Add();
    c->SetFieldName(field);
    c->SetTitleCaption(title);
  }
  EXPECT_EQ(grid_->TitleText(0), "นักบุญ");
  EXPECT_EQ(grid_->CellText(1, 1), "อนงค์");
  grid_->Columns()[0]->SetVisible(false);
  EXPECT_EQ(grid_->TitleText(0), "ชื่อ");

  conn_->Execute("INSERT INTO Orvani (nm) VALUES ('ใหม่')");
  query_->Requery();
  EXPECT_EQ(grid_->RowCount(), 4);
  query_->Close();
  EXPECT_EQ(grid_->RowCount(), 0);
}

TEST_F(DBGridTest, GridRowAndCursorFollowEachOther) {
  query_->Open();
  EXPECT_EQ(grid_->Row(), 0);
  query_->Last();
  EXPECT_EQ(grid_->Row(), 2);
  query_->Locate("nm", Variant("อนงค์"), 0);
  EXPECT_EQ(grid_->Row(), 1);

  // A click on a row moves the dataset, and its AfterScroll runs.
  std::string shown;
  query_->AfterScroll = [&](TDataSet* ds) { shown = ds->FieldByName("nm")->AsString(); };
  TColumn* clicked = nullptr;
  grid_->OnCellClick = [&](TColumn* c) { clicked = c; };
  QTableView* view = nullptr;
  for (QWidget* w : QApplication::allWidgets())
    if (auto* v = dynamic_cast<QTableView*>(w); v && v->model() && v->model()->rowCount() == 3)
      view = v;
  ASSERT_NE(view, nullptr);
  QModelIndex third = view->model()->index(2, 2);
  view->setCurrentIndex(third);
  emit view->clicked(third);
  EXPECT_EQ(query_->RecNo(), 3);
  EXPECT_EQ(shown, "วิชัย");
  ASSERT_NE(clicked, nullptr);
  EXPECT_EQ(clicked->FieldName(), "nm");

  // Editing a cell posts through the dataset to the file.
  EXPECT_TRUE(view->model()->setData(view->model()->index(0, 3), QString("แสงทอง"), Qt::EditRole));
  EXPECT_EQ(query_->RecNo(), 1);
  EXPECT_EQ(query_->State(), dsBrowse);
  TADOQuery check(nullptr);
  check.SetConnection(conn_.get());
  check.SQL().SetText("select sur from Orvani where ID = 1");
  check.Open();
  EXPECT_EQ(check.FieldByName("sur")->AsString(), "แสงทอง");

  grid_->SetReadOnly(true);
  EXPECT_FALSE(view->model()->flags(view->model()->index(0, 3)) & Qt::ItemIsEditable);
}

TEST_F(DBGridTest, RecordKeysInsertAppendDropAndDeleteRows) {
  query_->Open();
  QWidget* view = testing::KeyTarget(grid_.get());
  auto* table = dynamic_cast<QTableView*>(view);
  ASSERT_NE(table, nullptr);
  auto count = [this] {
    TADOQuery check(nullptr);
    check.SetConnection(conn_.get());
    check.SQL().SetText("select count(*) as n from Orvani");
    check.Open();
    return check.FieldByName("n")->AsInteger();
  };
  auto dialogs = std::make_unique<TScriptedDialogService>();
  TScriptedDialogService* answers = dialogs.get();
  auto oldDialogs = SetDialogService(std::move(dialogs));

  // Insert before the second row; a blank new row left by Escape never reaches the file.
  query_->SetRecNo(2);
  testing::KeyClick(view, Qt::Key_Insert);
  EXPECT_EQ(query_->State(), dsInsert);
  EXPECT_EQ(grid_->RowCount(), 4);
  EXPECT_EQ(grid_->Row(), 1);
  testing::KeyClick(view, Qt::Key_Escape);
  EXPECT_EQ(query_->State(), dsBrowse);
  EXPECT_EQ(grid_->RowCount(), 3);
  EXPECT_EQ(count(), 3);

  // Down on the last row appends one; typing a cell posts it; a second Down on a blank new row
  // adds no second one.
  query_->Last();
  testing::KeyClick(view, Qt::Key_Down);
  EXPECT_EQ(query_->State(), dsInsert);
  testing::KeyClick(view, Qt::Key_Down);
  EXPECT_EQ(grid_->RowCount(), 4);
  EXPECT_TRUE(table->model()->setData(table->model()->index(3, 2), QString("มาลี"), Qt::EditRole));
  EXPECT_EQ(count(), 4);
  EXPECT_EQ(query_->FieldByName("nm")->AsString(), "มาลี");

  // Ctrl+Delete asks; Cancel keeps the row, OK deletes it.
  answers->QueueResult(mrCancel);
  testing::KeyClick(view, Qt::Key_Delete, QString(), Qt::ControlModifier);
  EXPECT_EQ(answers->LastText(), "ต้องการลบรายการนี้หรือ ?");
  EXPECT_EQ(count(), 4);
  answers->QueueResult(mrOk);
  testing::KeyClick(view, Qt::Key_Delete, QString(), Qt::ControlModifier);
  EXPECT_EQ(count(), 3);
  EXPECT_EQ(grid_->RowCount(), 3);

  // A read-only grid takes none of them.
  grid_->SetReadOnly(true);
  testing::KeyClick(view, Qt::Key_Insert);
  testing::KeyClick(view, Qt::Key_Delete, QString(), Qt::ControlModifier);
  EXPECT_EQ(query_->State(), dsBrowse);
  EXPECT_EQ(count(), 3);
  SetDialogService(std::move(oldDialogs));
}

}  // namespace
}  // namespace orv
