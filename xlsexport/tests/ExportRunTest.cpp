// One export's road: checks, connections, blocks of records, re-entry, failures and the
// component's own rules for its rows and formats.
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/gui/Screen.h"
#include "platform/gui/Timers.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/TypInfo.h"
#include "platform/sheet/SheetWorksheet.h"
#include "xlsexport/tests/ExportFixture.h"

namespace orv::exporttest {

using namespace vwExcelExport;

namespace {

// A custom pipe of `records` rows with two columns: the row number and "r<number>".
struct CountingPipe {
  int records;
  int current = 1;
  void Attach(TvwExcelExport& e) {
    e.SetDataPipe(dpCustom);
    e.OnGetFieldCount = [](TObject*, int& n) { n = 2; };
    e.OnGetFieldName = [](TObject*, int i, String& name) { name = i == 0 ? "N" : "Text"; };
    e.OnGetFieldDataType = [](TObject*, int i, TFieldType& t) { t = i == 0 ? ftInteger : ftWideString; };
    e.OnGotoFirstRecord = [this](TObject*) { current = 1; };
    e.OnGotoNextRecord = [this](TObject*) { ++current; };
    e.OnGetEOF = [this](TObject*, bool& eof) { eof = current > records; };
    e.OnGetFieldValue = [this](TObject*, int i, Variant& v) {
      v = i == 0 ? Variant(current) : Variant("r" + std::to_string(current));
    };
  }
};

}  // namespace

TEST_F(ExportTest, BlocksOfRecordsLandOnTheirRows) {
  for (int block : {20, 0, 7, 1000}) {
    auto e = Exporter();
    CountingPipe pipe{45};
    pipe.Attach(*e);
    e->SetBlockOfRecords(block);
    std::vector<int> progress;
    e->OnExportRecords = [&](TObject*, int n) { progress.push_back(n); };
    e->ExportDataset();
    EXPECT_EQ(e->ExportedCount(), 45);
    EXPECT_EQ(e->LastDataRow(), 46);
    EXPECT_EQ(e->NextFreeRow(), 47);
    ASSERT_EQ(progress.size(), 45u);
    EXPECT_EQ(progress.front(), 1);
    EXPECT_EQ(progress.back(), 45);
    sheettest::WorkbookFacts wb(Save(*e, "block" + std::to_string(block) + ".xlsx"));
    ASSERT_TRUE(wb.Ok()) << wb.Raw();
    EXPECT_EQ(wb.Lines("SHEET"), std::vector<std::string>{"Sheet1"});  // no name to give it
    for (int row = 2; row <= 46; ++row) {
      EXPECT_EQ(wb.Value("Sheet1!A" + std::to_string(row)), std::to_string(row - 1)) << "block " << block;
      EXPECT_EQ(wb.Value("Sheet1!B" + std::to_string(row)), "r" + std::to_string(row - 1)) << "block " << block;
    }
    EXPECT_FALSE(wb.Has("Sheet1!A47"));
  }
}

// The hourglass of an export run where no window is open (the report tool, a script) shows
// nowhere, and starting the window system for it cost such a run its fonts and 10 MB.
TEST_F(ExportTest, AnExportWithNoWindowOpenStartsNoWindowSystem) {
  auto windowSystemLoaded = [] {
    std::ifstream maps("/proc/self/maps");
    const std::string all((std::istreambuf_iterator<char>(maps)), {});
    return all.find("/platforms/libq") != std::string::npos;
  };
  if (windowSystemLoaded()) GTEST_SKIP() << "an earlier test of this process started the window system";
  auto e = Exporter();
  CountingPipe pipe{10};
  pipe.Attach(*e);
  e->ExportDataset();
  EXPECT_EQ(e->ExportedCount(), 10);
  EXPECT_FALSE(windowSystemLoaded());
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(ExportTest, NoRecordsAndNoColumns) {
  Open("select Nm, qty from members where 0");
  auto e = Exporter();
  e->SetSummarySelection(ssValues);
  e->ExportDataset();
  EXPECT_EQ(e->LastDataRow(), 1);
  EXPECT_EQ(e->NextFreeRow(), 3);
  sheettest::WorkbookFacts wb(Save(*e, "empty.xlsx"));
  EXPECT_EQ(wb.Value("ADOQuery10!B1"), "qty");
  // No rows to sum: no formula that would read its own cell.
  EXPECT_EQ(wb.Type("ADOQuery10!B2"), "");
  EXPECT_FALSE(wb.Has("ADOQuery10!A3"));

  auto custom = Exporter();
  custom->SetDataPipe(dpCustom);
  custom->ExportDataset();
  EXPECT_EQ(custom->FieldNames().Count(), 0);
  EXPECT_EQ(custom->ExportedCount(), 0);
}

TEST_F(ExportTest, SecondExportDuringARunIsRefused) {
  Open("select Nm from members");
  auto e = Exporter();
  std::vector<std::string> refused;
  e->OnExportRecords = [&](TObject*, int) {
    try {
      e->ExportDataset();
    } catch (const EExportRunning& x) {
      refused.push_back(x.Message());
    }
  };
  e->ExportDataset();
  EXPECT_EQ(refused, std::vector<std::string>(3, "An export is already running"));
  EXPECT_FALSE(e->Exporting());
  sheettest::WorkbookFacts wb(Save(*e, "once.xlsx"));
  EXPECT_EQ(wb.Value("ADOQuery10!A4"), "บุญมี มีสุข");
  EXPECT_FALSE(wb.Has("ADOQuery10!A5"));
}

TEST_F(ExportTest, FailedExportDropsItsWorkbookAndKeepsTheSavedFile) {
  Open("select Nm, qty from members order by ID");
  auto e = Exporter();
  e->ExportDataset();
  std::string file = Save(*e, "members.xlsx");
  e->Disconnect(false);

  e->OnExportRecords = [](TObject*, int n) {
    if (n == 2) throw EConvertError("broken record");
  };
  EXPECT_THROW(e->ExportDataset(), EConvertError);
  EXPECT_FALSE(e->Connected());
  EXPECT_FALSE(e->Exporting());
  EXPECT_FALSE(query->ControlsDisabled());
  // Nothing half-written is left to save, and the saved file is untouched.
  EXPECT_THROW(e->SaveWorkbook((dir / "members.xlsx").string(), 1), ENoActiveWorkbook);
  sheettest::WorkbookFacts wb(file);
  ASSERT_TRUE(wb.Ok());
  EXPECT_EQ(wb.Value("ADOQuery10!A4"), "บุญมี มีสุข");

  e->OnExportRecords = nullptr;
  e->ExportDataset();
  sheettest::WorkbookFacts again(Save(*e, "again.xlsx"));
  EXPECT_EQ(again.Value("ADOQuery10!B4"), "4");
}

TEST_F(ExportTest, ComponentFreedDuringTheRunStopsIt) {
  connection->Execute(
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
      "INSERT INTO members (Nm, qty) SELECT 'm' || i, i FROM n");
  Open("select Nm, qty from members order by ID");
  // Freed from a timer, as a window closed in the middle of the run would free it.
  auto* e = Exporter().release();
  TTimer timer(nullptr);
  timer.SetInterval(5);
  timer.OnTimer = [&](TObject*) {
    timer.SetEnabled(false);
    delete e;
  };
  e->OnExportRecords = [](TObject*, int) { std::this_thread::sleep_for(std::chrono::microseconds(100)); };
  timer.SetEnabled(true);
  EXPECT_THROW(e->ExportDataset(), EAbort);
  EXPECT_FALSE(query->ControlsDisabled());
  // Cut short: the dataset stays on the record where the run stopped.
  EXPECT_LT(query->RecNo(), query->RecordCount());
}

TEST_F(ExportTest, ConnectionKindsAndTheirErrors) {
  Open("select Nm from members");
  auto e = Exporter();
  e->SetDataset(nullptr);
  EXPECT_THROW(e->ExportDataset(), ENoDatasetConnected);
  e->SetDataset(query.get());
  query->Close();
  EXPECT_THROW(e->ExportDataset(), EDatasetNotActive);
  query->Open();

  e->SetFilename("  " + (dir / "none.xlsx").string());
  try {
    e->ExportDataset();
    ADD_FAILURE() << "a missing file was opened";
  } catch (const EFileNotExists& x) {
    EXPECT_EQ(x.Message(), "File   " + (dir / "none.xlsx").string() + " does not exist");
  }
  EXPECT_FALSE(e->Connected());
  e->SetFilename("   ");
  e->ExportDataset();
  e->Disconnect(true);

  e->SetConnectTo(ctNewWorksheet);
  EXPECT_THROW(e->ExportDataset(), ENoActiveWorkbook);

  // A visible export keeps its application running; the next one adds a sheet to its workbook,
  // and a sheet found by name is written again under its own name.
  std::vector<std::string> shown;
  SetSheetShowHandler([&](const String& f) { shown.push_back(f); });
  auto first = Exporter();
  first->SetExcelVisible(true);
  first->SetConnectTo(ctNewWorkbook);
  first->ExportDataset();
  ASSERT_EQ(shown.size(), 1u);
  auto second = Exporter();
  second->SetConnectTo(ctNewWorksheet);
  second->SetWorksheetName("สถิติ");
  second->ExportDataset();
  second->SetWorksheetName("ADOQuery10");
  EXPECT_EQ(second->FieldNames().Count(), 1);
  sheettest::WorkbookFacts wb(Save(*second, "two.xlsx"));
  EXPECT_EQ(wb.Lines("SHEET"), (std::vector<std::string>{"ADOQuery10", "สถิติ"}));
  EXPECT_EQ(wb.Value("สถิติ!A2"), "สมชาย ใจดี");
  EXPECT_THROW(second->SaveWorkbook((dir / "x.xls").string(), 5), ENotSupported) << "the form of Excel 95";
  second->SaveWorkbook((dir / "x.htm").string(), 7);
  EXPECT_FALSE(fs::exists(dir / "x.htm"));

  // The preview gets the sheet with its page setup: the gridlines asked for, the sheet's name as
  // header (and the number of workbooks handed to the desktop so far).
  std::vector<std::string> previewed;
  SetSheetPreviewHandler([&](const SheetWorksheet& sheet) {
    previewed.push_back(sheet.Name() + "|" + sheet.CenterHeader + "|" + (sheet.PrintGridlines ? "grid" : "nogrid") +
                        "|" + std::to_string(shown.size()));
  });
  // An application not yet visible shows the workbook on the desktop once the preview closes.
  auto hidden = Exporter();
  hidden->SetWorksheetName("Hidden");
  hidden->ExportDataset();
  size_t before = shown.size();
  hidden->PrintPreview(true);
  ASSERT_EQ(shown.size(), before + 1);
  EXPECT_EQ(previewed, (std::vector<std::string>{"Hidden|Hidden|grid|" + std::to_string(before)}));
  EXPECT_TRUE(hidden->ExcelVisible());
  hidden->Disconnect(true);
  previewed.clear();
  size_t shownBefore = shown.size();
  second->PrintPreview(false);
  SetSheetPreviewHandler([](const SheetWorksheet& sheet) { ShowSheetPreview(sheet); });
  EXPECT_EQ(previewed, (std::vector<std::string>{"ADOQuery10|ADOQuery10|nogrid|" + std::to_string(shownBefore)}));
  // The pages show in the program's own preview; the application was visible already and
  // hands nothing more to the desktop.
  EXPECT_EQ(shown.size(), shownBefore);
  sheettest::WorkbookFacts preview(Save(*second, "previewed.xlsx"));
  EXPECT_EQ(preview.Lines("HEADER"), (std::vector<std::string>{"ADOQuery10 ADOQuery10"}));
  EXPECT_EQ(preview.Lines("GRIDLINES"), (std::vector<std::string>{"ADOQuery10 0", "สถิติ 0"}));
  EXPECT_TRUE(second->ExcelVisible());
  second->Disconnect(true);
  first->Disconnect(false);
  for (auto& f : shown) fs::remove(f);
  SetSheetShowHandler(nullptr);
}

TEST_F(ExportTest, RowRulesListsAndFonts) {
  TvwExcelExport e(nullptr);
  TStringList header;
  header.Add("one");
  header.Add("two");
  e.SetHeaderText(&header);
  EXPECT_EQ(e.BeginRowTitles(), 3);
  EXPECT_EQ(e.BeginRowData(), 4);
  e.SetBeginRowData(3);
  EXPECT_EQ(e.BeginRowData(), 4);
  e.SetShowTitles(false);
  e.SetBeginRowData(3);
  EXPECT_EQ(e.BeginRowData(), 3);
  e.SetBeginColumnData(0);
  EXPECT_EQ(e.BeginColumnData(), 1);
  TStringList fields;
  fields.Add("qty");
  e.SetSummaryFields(&fields);
  EXPECT_EQ(e.SummaryFields()->Strings(0), "QTY");
  TxlFont centred;
  centred.SetAlignment(haCenter);
  centred.SetSize(14);
  e.SetFontData(&centred);
  EXPECT_EQ(e.FontData()->Size(), 14);
  EXPECT_EQ(e.FontData()->Alignment(), haGeneral);
  TxlFont fresh;
  EXPECT_EQ(fresh.Name(), "MS Sans Serif");
  EXPECT_EQ(fresh.Size(), -1);

  // A window's stored settings reach the component by property name.
  SetOrdProp(&e, "BlockOfRecords", 50);
  EXPECT_EQ(e.BlockOfRecords(), 50);
  SetOrdProp(&e, "SummarySelection", ssValues);
  EXPECT_EQ(e.SummarySelection(), ssValues);
  EXPECT_EQ(GetOrdProp(e.BorderTitles(), "LineStyle"), blNone);
  EXPECT_EQ(GetOrdProp(e.FontTitles(), "Alignment"), haGeneral);
  EXPECT_EQ(GetOrdProp(e.GroupOptions(), "IntervalFontSize"), 2);
}

TEST_F(ExportTest, DateAndMoneyFormatsInTheFilesOwnForm) {
  Open("select Nm from members");
  auto e = Exporter();
  e->ExportDataset();
  EXPECT_EQ(e->ToExcelDateFormat("dd/mm/yyyy hh:nn:ss"), "dd/mm/yyyy hh:mm:ss");
  EXPECT_EQ(e->ToExcelDateFormat("D/M/YYYY H:NN"), "d/m/yyyy h:mm");
  TFormatSettings saved = FormatSettings(), money = saved;
  money.CurrencyString = "$";
  money.CurrencyFormat = 3;
  SetFormatSettings(money);
  EXPECT_EQ(e->AddCurrencySymbol("#,##0.00"), "#,##0.00 \"$\"");
  SetFormatSettings(saved);
  EXPECT_EQ(e->AddCurrencySymbol("#,##0.00"), "\"฿\"#,##0.00");
}

}  // namespace orv::exporttest
