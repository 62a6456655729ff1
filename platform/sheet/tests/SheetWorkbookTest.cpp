// The workbook model driven through its automation objects, saved, and read back by openpyxl.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <thread>
#include <fstream>
#include <iterator>

#include "platform/rtl/DateTime.h"
#include "platform/sheet/OleObject.h"
#include "platform/sheet/SheetAutomation.h"
#include "platform/sheet/FormulaShift.h"
#include "platform/sheet/SheetWorkbook.h"
#include "platform/sheet/WorkbookFolder.h"
#include "platform/sheet/tests/WorkbookReader.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

fs::path Folder(const std::string& name) {
  auto dir = fs::temp_directory_path() / ("orvane-sheet-" + name + "-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

struct Book {
  OleObject app{CreateSheetApplication()};
  OleObject book = app.Obj("Workbooks").Obj("Add", {-4167});
  OleObject sheet = book.Obj("Worksheets", {1});
  OleObject Range(const char* a, const char* b) const { return sheet.Obj("Range", {a, b}); }
};

}  // namespace

TEST(SheetWorkbook, CellsStylesAndLayoutReadBackByOpenpyxl) {
  auto dir = Folder("readback");
  Book b;
  b.sheet.Set("Name", "สมาชิก");
  Variant block = VarArrayCreate({1, 2, 1, 5}, varVariant);
  VarArrayPut(block, Variant("สมชาย ใจดี"), {1, 1});
  VarArrayPut(block, Variant(3.5), {1, 2});
  VarArrayPut(block, Variant(true), {1, 3});
  VarArrayPut(block, Variant::FromDate(EncodeDate(2020, 1, 31)), {1, 4});
  VarArrayPut(block, Variant("=A1"), {1, 5});
  VarArrayPut(block, Variant("Ann"), {2, 1});
  VarArrayPut(block, Variant(4), {2, 2});
  VarArrayPut(block, Null(), {2, 3});
  VarArrayPut(block, Variant(""), {2, 4});
  VarArrayPut(block, Variant(std::int64_t{9000000000}), {2, 5});
  b.Range("A2", "E3").Set("Value2", block);
  b.Range("D2", "D3").Set("NumberFormat", "d/m/yyyy");
  b.Range("B4", "B4").Set("Formula", "=SUM(B2:B3)");
  b.Range("A1", "A1").Set("Value2", "รายชื่อสมาชิก");
  b.Range("A1", "E1").Set("MergeCells", true);
  OleObject font = b.Range("A2", "B2").Obj("Font");
  font.Set("Bold", true);
  font.Set("Name", "Tahoma");
  font.Set("Size", 14);
  font.Set("Color", 0x0000FF);  // red, as 0x00BBGGRR
  b.Range("A3", "A3").Obj("Interior").Set("Color", 0xFF0000);  // blue
  for (int edge : {7, 8, 9, 10}) {
    OleObject border = b.Range("B3", "C3").Obj("Borders", {edge});
    border.Set("LineStyle", 1);
    border.Set("Weight", -4138);
  }
  b.Range("C3", "C3").Set("HorizontalAlignment", -4108);
  b.Range("C3", "C3").Set("WrapText", true);
  b.Range("B1", "C1").Set("ColumnWidth", 21);
  b.Range("A3", "A3").Obj("EntireRow").Call("Insert", {-4121});
  b.Range("A4", "A4").Obj("Rows").Call("Group");
  b.Range("A2", "E4").Call("AutoFilter", {1, OleObject::Omitted(), 1, OleObject::Omitted(), true});
  OleObject setup = b.sheet.Obj("PageSetup");
  setup.Set("PrintGridlines", true);
  setup.Set("CenterHeader", "A & B");
  std::string file = (dir / "book.xlsx").string();
  b.book.Call("SaveAs", {file});

  sheettest::WorkbookFacts wb(file);
  ASSERT_TRUE(wb.Ok()) << wb.Raw();
  EXPECT_EQ(wb.Lines("SHEET"), std::vector<std::string>{"สมาชิก"});
  const std::string s = "สมาชิก!";
  EXPECT_EQ(wb.Value(s + "A1"), "รายชื่อสมาชิก");
  EXPECT_EQ(wb.Lines("MERGE"), std::vector<std::string>{"สมาชิก A1:E1"});
  EXPECT_EQ(wb.Type(s + "A2"), "s");
  EXPECT_EQ(wb.Value(s + "A2"), "สมชาย ใจดี");
  EXPECT_EQ(wb.Type(s + "B2"), "n");
  EXPECT_EQ(wb.Value(s + "B2"), "3.5");
  EXPECT_EQ(wb.Type(s + "C2"), "b");
  EXPECT_EQ(wb.Type(s + "D2"), "d");
  EXPECT_EQ(wb.Value(s + "D2"), "2020-01-31 00:00:00");
  EXPECT_EQ(wb.Style(s + "D2", "fmt"), "d/m/yyyy");
  // A text that looks like a formula stays a text.
  EXPECT_EQ(wb.Type(s + "E2"), "s");
  EXPECT_EQ(wb.Value(s + "E2"), "=A1");
  // Row 3 was inserted: the second record is on row 4, the formula on row 5 and widened.
  EXPECT_FALSE(wb.Has(s + "A3"));
  EXPECT_EQ(wb.Value(s + "A4"), "Ann");
  EXPECT_EQ(wb.Value(s + "C4"), "");
  EXPECT_EQ(wb.Value(s + "D4"), "");
  EXPECT_EQ(wb.Value(s + "E4"), "9000000000");
  EXPECT_EQ(wb.Type(s + "B5"), "f");
  EXPECT_EQ(wb.Value(s + "B5"), "=SUM(B2:B4)");
  EXPECT_EQ(wb.Style(s + "A2", "bold"), "1");
  EXPECT_EQ(wb.Style(s + "B2", "font"), "Tahoma");
  EXPECT_EQ(wb.Style(s + "B2", "size"), "14");
  EXPECT_EQ(wb.Style(s + "B2", "color"), "FF0000");
  EXPECT_EQ(wb.Style(s + "C2", "bold"), "0");
  EXPECT_EQ(wb.Style(s + "A4", "fill"), "0000FF");
  EXPECT_EQ(wb.Style(s + "B4", "border"), "medium,medium,medium,none");
  EXPECT_EQ(wb.Style(s + "C4", "border"), "none,medium,medium,medium");
  EXPECT_EQ(wb.Style(s + "C4", "align"), "center");
  EXPECT_EQ(wb.Style(s + "C4", "wrap"), "1");
  // The file stores a width of n characters with the cell padding: trunc((7n + 5) / 7 * 256) / 256.
  EXPECT_EQ(wb.Lines("WIDTH"), (std::vector<std::string>{"สมาชิก B 21.7109375", "สมาชิก C 21.7109375"}));
  EXPECT_EQ(wb.Lines("LEVEL"), std::vector<std::string>{"สมาชิก 4 1"});
  EXPECT_EQ(wb.Lines("FILTER"), std::vector<std::string>{"สมาชิก A2:E4"});
  // openpyxl shows the header code as stored, where a literal "&" is doubled.
  EXPECT_EQ(wb.Lines("HEADER"), std::vector<std::string>{"สมาชิก A && B"});
  EXPECT_EQ(wb.Lines("GRIDLINES"), std::vector<std::string>{"สมาชิก 1"});
  fs::remove_all(dir);
}

TEST(SheetWorkbook, TextsNumbersAndFormulasReadBackExactlyOnEverySheet) {
  auto dir = Folder("texts");
  Book b;
  OleObject second = b.book.Obj("Worksheets").Obj("Add");
  b.book.Obj("Worksheets").Obj("Add");  // a third sheet, left empty
  const std::vector<std::string> texts = {"a < b & c > d", "  spaces at both ends  ", "tab\there\nnew line",
                                          "bell\x07 and \x1f", "ทะเบียนสมาชิก"};
  for (size_t i = 0; i < texts.size(); ++i) {
    std::string cell = "A" + std::to_string(i + 1);
    b.Range(cell.c_str(), cell.c_str()).Set("Value2", texts[i]);
  }
  // The same text on the second sheet, and numbers that need every digit.
  second.Obj("Range", {"C3", "C3"}).Set("Value2", texts[4]);
  second.Obj("Range", {"D3", "D3"}).Set("Value2", 0.1 + 0.2);
  second.Obj("Range", {"E3", "E3"}).Set("Value2", -1e21);
  second.Obj("Range", {"F3", "F3"}).Set("Formula", "=IF(D3<1,\"<\",\"&\")");
  std::string file = (dir / "texts.xlsx").string();
  b.book.Call("SaveAs", {file});

  sheettest::WorkbookFacts wb(file);
  ASSERT_TRUE(wb.Ok()) << wb.Raw();
  ASSERT_EQ(wb.Lines("SHEET").size(), 3u);
  std::string first = wb.Lines("SHEET")[0] + "!", other;
  for (const auto& name : wb.Lines("SHEET"))
    if (wb.Has(name + "!C3")) other = name + "!";
  ASSERT_FALSE(other.empty()) << wb.Raw();
  EXPECT_EQ(wb.Value(first + "A1"), "a < b & c > d");
  EXPECT_EQ(wb.Value(first + "A2"), "  spaces at both ends  ");
  EXPECT_EQ(wb.Value(first + "A3"), "tab\\there\\nnew line") << "the reader writes tabs and newlines as \\t and \\n";
  // Characters XML cannot carry go in the spreadsheet's own escape, which openpyxl leaves as it
  // stands and LibreOffice reads back below.
  EXPECT_EQ(wb.Value(first + "A4"), "bell_x0007_ and _x001F_");
  EXPECT_EQ(wb.Value(first + "A5"), "ทะเบียนสมาชิก");
  EXPECT_EQ(wb.Value(other + "C3"), "ทะเบียนสมาชิก");
  EXPECT_EQ(std::stod(wb.Value(other + "D3")), 0.1 + 0.2);
  EXPECT_EQ(std::stod(wb.Value(other + "E3")), -1e21);
  EXPECT_EQ(wb.Value(other + "F3"), "=IF(D3<1,\"<\",\"&\")");

  // LibreOffice opens every sheet of it.
  auto csv = sheettest::StoredValuesCsv({file}, dir);
  const auto& rows = csv[file];
  ASSERT_EQ(rows.size(), 6u) << "the text with a new line takes two lines";
  EXPECT_EQ(rows[0][0], "a < b & c > d");
  EXPECT_EQ(rows[1][0], "  spaces at both ends  ");
  EXPECT_EQ(rows[4][0], "bell\x07 and \x1f");
  EXPECT_EQ(rows[5][0], "ทะเบียนสมาชิก");
  fs::remove_all(dir);
}

TEST(SheetWorkbook, FormulasFollowInsertedRows) {
  EXPECT_EQ(ShiftFormulaRows("=SUM(C2:C46)", 2, 1), "=SUM(C3:C47)");
  EXPECT_EQ(ShiftFormulaRows("=SUM(C2:C46)", 10, 2), "=SUM(C2:C48)");
  EXPECT_EQ(ShiftFormulaRows("=SUM(C2:C46)", 47, 1), "=SUM(C2:C46)");
  EXPECT_EQ(ShiftFormulaRows("=$B$5+LOG10(A5)&\"A5\"", 5, 1), "=$B$6+LOG10(A6)&\"A5\"");
  EXPECT_EQ(ShiftFormulaRows("=Sheet1!A9*2", 3, 4), "=Sheet1!A13*2");
}

TEST(SheetWorkbook, FormulasFilledDownAndAcrossMoveTheirRelativeParts) {
  EXPECT_EQ(MoveFormula("A2*2+$A$1", 3, 0), "A5*2+$A$1");
  EXPECT_EQ(MoveFormula("SUM($B2:B$2)/C1", 2, 1), "SUM($B4:C$2)/D3");
  EXPECT_EQ(MoveFormula("LOG10(A1)&\"A1\"", 1, 1), "LOG10(B2)&\"A1\"");
  // A sheet name in quotes is a name, not a cell.
  EXPECT_EQ(MoveFormula("'A1 list'!A1+'it''s'!B1", 1, 0), "'A1 list'!A2+'it''s'!B2");
  EXPECT_EQ(MoveFormula("A1-B2", -1, 0), "#REF!-B1");
  EXPECT_EQ(MoveFormula("XFD1", 0, 1), "#REF!");
}

TEST(SheetWorkbook, CellTextLimitAndNamesAreRefusedNotCut) {
  Book b;
  std::string longest;
  for (int i = 0; i < 32767; ++i) longest += "ก";
  b.Range("A1", "A1").Set("Value2", longest);
  EXPECT_THROW(b.Range("A2", "A2").Set("Value2", longest + "ข"), EOleException);
  EXPECT_THROW(b.sheet.Set("Name", "a/b"), EOleException);
  EXPECT_THROW(b.sheet.Set("Name", std::string(32, 'x')), EOleException);
  EXPECT_THROW(b.sheet.Obj("Range", {"A0", "B2"}), EOleException);
  EXPECT_THROW(b.sheet.Get("NoSuchMember"), EOleSysError);
}

TEST(SheetWorkbook, FailedSaveLeavesTheTargetAndNoTemporaryFile) {
  auto dir = Folder("failed");
  Book b;
  b.Range("A1", "A1").Set("Value2", "x");
  // A folder stands where the file should go: the rename fails and the folder stays as it was.
  fs::create_directories(dir / "taken.xlsx" / "inside");
  EXPECT_THROW(b.book.Call("SaveAs", {(dir / "taken.xlsx").string()}), EOleException);
  EXPECT_TRUE(fs::is_directory(dir / "taken.xlsx" / "inside"));
  // The form of Excel 95 is not written.
  EXPECT_THROW(b.book.Call("SaveAs", {(dir / "book.xls").string(), 43}), EOleException);
  // Without LibreOffice the binary form cannot be made: the error names the file asked for, not
  // the hidden temporary it would have been written to.
  const char* path = std::getenv("PATH");
  std::string savedPath = path ? path : "";
  setenv("PATH", (dir / "no-programs").c_str(), 1);
  std::string message;
  try {
    b.book.Call("SaveAs", {(dir / "book.xls").string(), 56});
  } catch (const EOleException& e) {
    message = e.Message();
  }
  setenv("PATH", savedPath.c_str(), 1);
  const std::string target = (dir / "book.xls").string();
  EXPECT_EQ(message, "Cannot write " + target + ": saving in this form needs LibreOffice (soffice), which cannot be started");
  int entries = 0;
  for (auto& e : fs::directory_iterator(dir)) entries += e.path().filename() != "taken.xlsx";
  EXPECT_EQ(entries, 0);

  // What a save killed while it wrote the cells left (its temporary and the sheet part beside
  // it, as mkstemp made them) goes with the next save of that workbook.
  // The zip writer keeps its own temporary beside the one it rewrites.
  for (const char* left : {".book.xlsx.Ab12Cd", ".book.xlsx.Ab12Cd.partXy34Zw", ".book.xlsx.Ab12Cd.q7R2s9"}) {
    std::ofstream(dir / left) << "half";
    fs::permissions(dir / left, fs::perms::owner_read | fs::perms::owner_write);
  }
  b.book.Call("SaveAs", {(dir / "book.xlsx").string()});
  entries = 0;
  for (auto& e : fs::directory_iterator(dir)) entries += e.path().filename() != "taken.xlsx";
  EXPECT_EQ(entries, 1) << "the workbook alone";
  fs::remove_all(dir);
}

TEST(SheetWorkbook, CommaSeparatedText) {
  auto dir = Folder("csv");
  Book b;
  b.Range("A1", "A1").Set("Value2", "a,\"b\"");
  b.Range("B1", "B1").Set("Value2", 2.25);
  b.Range("C1", "C1").Set("Value2", Variant::FromDate(EncodeDate(2021, 12, 5)));
  b.Range("C1", "C1").Set("NumberFormat", "d/m/yyyy");
  b.Range("A2", "A2").Set("Value2", "ไทย");
  std::string file = (dir / "s.csv").string();
  b.book.Call("SaveAs", {file, 6});
  std::ifstream in(file);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  // The byte-order mark first: readers told no character set take the Thai as UTF-8.
  EXPECT_EQ(text, "\xEF\xBB\xBF\"a,\"\"b\"\"\",2.25,2021-12-05\r\nไทย\r\n");
  fs::remove_all(dir);
}

TEST(SheetWorkbook, VisibleApplicationShowsEachWorkbookOnce) {
  std::vector<std::string> shown;
  SetSheetShowHandler([&](const String& f) { shown.push_back(f); });
  Book b;
  b.Range("A1", "A1").Set("Value2", 1);
  b.app.Set("Visible", true);
  b.app.Set("Visible", true);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(fs::exists(shown[0]));
  EXPECT_EQ(GetActiveSheetApplication(), b.app.Interface());
  b.app.Call("Quit");
  EXPECT_EQ(GetActiveSheetApplication(), nullptr);
  fs::remove(shown[0]);
  SetSheetShowHandler(nullptr);
}

TEST(SheetWorkbook, ShownWorkbooksGoToAFolderOnlyTheUserEnters) {
  fs::path runtime = Folder("runtime");
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  std::string old = saved ? saved : "";
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  std::vector<std::string> shown;
  SetSheetShowHandler([&](const String& f) { shown.push_back(f); });
  {
    Book b;
    b.Range("A1", "A1").Set("Value2", "สมาชิก");
    b.app.Set("Visible", true);
  }
  ASSERT_EQ(shown.size(), 1u);
  fs::path file = shown[0];
  EXPECT_EQ(file.parent_path(), runtime / "orvane-workbooks");
  struct stat st;
  ASSERT_EQ(::stat(file.parent_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // A folder of that name that another user made is not written into.
  fs::remove_all(runtime / "orvane-workbooks");
  fs::create_directories(runtime / "orvane-workbooks");
  if (::geteuid() == 0 && ::chown((runtime / "orvane-workbooks").c_str(), 65534, 65534) == 0) {
    Book b;
    b.Range("A1", "A1").Set("Value2", 1);
    EXPECT_THROW(b.app.Set("Visible", true), EOleException);
  }
  // Nor is one that is a link to a folder elsewhere, and the refusal says so.
  fs::remove_all(runtime / "orvane-workbooks");
  fs::create_directories(runtime / "elsewhere");
  fs::create_directory_symlink(runtime / "elsewhere", runtime / "orvane-workbooks");
  {
    Book b;
    b.Range("A1", "A1").Set("Value2", 1);
    try {
      b.app.Set("Visible", true);
      ADD_FAILURE() << "a linked folder was written into";
    } catch (const EOleException& e) {
      EXPECT_EQ(e.Message(), "ใช้โฟลเดอร์ " + (runtime / "orvane-workbooks").string() +
                                 " เก็บแฟ้มตารางคำนวณไม่ได้: ชื่อนี้เป็นลิงก์ (symbolic link) ไม่ใช่โฟลเดอร์");
    }
  }
  EXPECT_TRUE(fs::is_empty(runtime / "elsewhere"));
  SetSheetShowHandler(nullptr);
  if (saved) ::setenv("XDG_RUNTIME_DIR", old.c_str(), 1); else ::unsetenv("XDG_RUNTIME_DIR");
  fs::remove_all(runtime);
}

// The user opens the shown workbook, edits it and saves it where it lies (Ctrl+S): at the end
// of the program it is moved into the user's documents, which outlast the session, and its
// path there is given back; an untouched one goes.
TEST(SheetWorkbook, AWorkbookTheUserSavedOverIsKeptAtTheEnd) {
  fs::path runtime = Folder("kept");
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  std::string old = saved ? saved : "";
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  ::setenv("XDG_DOCUMENTS_DIR", (runtime / "documents").c_str(), 1);
  fs::create_directories(runtime / "documents");
  // A file of the name there already is not written over.
  std::ofstream(runtime / "documents" / "saved in place.xlsx") << "the user's own";
  std::vector<std::string> shown;
  SetSheetShowHandler([&](const String& f) { shown.push_back(f); });
  for (const char* name : {"saved in place", "saved as a new file", "untouched"}) {
    Book b;
    b.Range("A1", "A1").Set("Value2", String(name));
    b.sheet.Set("Name", String(name));
    b.app.Set("Visible", true);
  }
  ASSERT_EQ(shown.size(), 3u);
  // A save in place of the same size, as soon as the file system's clock moves on, and one the
  // way LibreOffice saves: a new file renamed over the old.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  {
    std::fstream f(shown[0], std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(0);
    f.put('P');
  }
  std::ofstream(shown[1] + ".new") << "edited";
  fs::rename(shown[1] + ".new", shown[1]);
  std::vector<String> kept = RemovePrivateWorkbooks();
  std::sort(kept.begin(), kept.end());
  std::vector<String> expected = {(runtime / "documents" / "saved in place (2).xlsx").string(),
                                  (runtime / "documents" / "saved as a new file.xlsx").string()};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(kept, expected);
  EXPECT_FALSE(fs::exists(shown[0]));
  EXPECT_FALSE(fs::exists(shown[1]));
  EXPECT_FALSE(fs::exists(shown[2]));
  std::ifstream edited(runtime / "documents" / "saved as a new file.xlsx");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(edited), {}), "edited");
  std::ifstream own(runtime / "documents" / "saved in place.xlsx");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(own), {}), "the user's own");
  // Forgotten once asked: nothing is moved or reported twice.
  EXPECT_TRUE(RemovePrivateWorkbooks().empty());
  EXPECT_TRUE(fs::exists(runtime / "documents" / "saved in place (2).xlsx"));
  ::unsetenv("XDG_DOCUMENTS_DIR");
  SetSheetShowHandler(nullptr);
  if (saved) ::setenv("XDG_RUNTIME_DIR", old.c_str(), 1); else ::unsetenv("XDG_RUNTIME_DIR");
  fs::remove_all(runtime);
}

// Two copies of the program showing a workbook of one name at the same moment: the second must
// not be handed the name the first has yet to write, or one would write over the other's rows.
TEST(SheetWorkbook, AWorkbookNameHandedOutIsNotHandedToAnotherCopyOfTheProgram) {
  fs::path runtime = Folder("names");
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  std::string old = saved ? saved : "";
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  const fs::path first = PrivateWorkbookFile("สมาชิก");
  const fs::path answer = runtime / "other-copy";
  if (const pid_t child = ::fork(); child == 0) {
    std::ofstream(answer) << PrivateWorkbookFile("สมาชิก");
    std::_Exit(0);
  } else {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
  }
  std::string second;
  std::getline(std::ifstream(answer), second);
  EXPECT_EQ(first, runtime / "orvane-workbooks" / "สมาชิก.xlsx");
  EXPECT_EQ(fs::path(second), runtime / "orvane-workbooks" / "สมาชิก (2).xlsx");
  if (saved) ::setenv("XDG_RUNTIME_DIR", old.c_str(), 1); else ::unsetenv("XDG_RUNTIME_DIR");
  fs::remove_all(runtime);
}

TEST(SheetWorkbook, AutoFitMeasuresWhatTheCellShowsInItsFont) {
  SheetWorkbook book;
  auto sheet = book.AddSheet();
  // A date is stored as a day number of five digits and shows ten characters.
  sheet->SetValue({1, 1}, Variant::FromDate(EncodeDate(1990, 5, 17)));
  sheet->ChangeStyle({{1, 1}, {1, 1}}, [](SheetStyle& s) { s.NumberFormat = "dd/mm/yyyy"; });
  // The same text larger and bold needs a wider column.
  sheet->SetValue({1, 2}, String("Wide"));
  sheet->SetValue({1, 3}, String("Wide"));
  sheet->ChangeStyle({{1, 3}, {1, 3}}, [](SheetStyle& s) {
    s.FontSize = 22;
    s.Bold = true;
  });
  sheet->AutoFitColumns(1, 3);
  EXPECT_GE(*sheet->ColumnWidth(1), 10);
  EXPECT_GT(*sheet->ColumnWidth(3), *sheet->ColumnWidth(2) + 2);
}

namespace {

// Whether this process holds the unnamed file rows wait in.
bool RowsSpooled() {
  for (auto& e : fs::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    if (fs::read_symlink(e.path(), ec).string().find("orvane-rows.") != std::string::npos) return true;
  }
  return false;
}

}  // namespace

// Rows written in order leave the memory for a file while more come, and come back whole: in the
// saved workbook with the looks given to them afterwards, and to anyone who reads them again.
TEST(SheetWorkbook, RowsWrittenInOrderComeBackWhole) {
  auto dir = Folder("spool");
  const int blocks = 250, rows = 1 + blocks * 20;
  std::string file = (dir / "long.xlsx").string();
  {
    Book b;
    b.Range("A1", "A1").Set("Value2", "รายชื่อ");
    b.Range("A1", "C1").Set("MergeCells", true);
    for (int first = 2; first <= rows; first += 20) {  // 20 rows a block, as the exporter writes
      Variant block = VarArrayCreate({1, 20, 1, 3}, varVariant);
      for (int i = 0; i < 20; ++i) {
        VarArrayPut(block, Variant("สมาชิก " + std::to_string(first + i)), {i + 1, 1});
        VarArrayPut(block, Variant(first + i), {i + 1, 2});
        if ((first + i) % 2) VarArrayPut(block, Variant("0812345678"), {i + 1, 3});
      }
      std::string top = "A" + std::to_string(first), bottom = "C" + std::to_string(first + 19);
      b.Range(top.c_str(), bottom.c_str()).Set("Value2", block);
      // Outline levels, twice over one row, that go to the file with their rows.
      if (first == 102) {
        b.Range("A100", "A102").Obj("Rows").Call("Group");
        b.Range("A101", "A101").Obj("Rows").Call("Group");
      }
    }
    EXPECT_TRUE(RowsSpooled());
    // Looks given to every row after the rows are written.
    std::string last = "C" + std::to_string(rows);
    b.Range("A2", last.c_str()).Obj("Font").Set("Bold", true);
    b.Range("B2", ("B" + std::to_string(rows)).c_str()).Set("NumberFormat", "0.00");
    // An outline level given to a row still in the memory.
    std::string near = "A" + std::to_string(rows - 1);
    b.Range(near.c_str(), near.c_str()).Obj("Rows").Call("Group");
    EXPECT_TRUE(RowsSpooled());
    std::string after = "A" + std::to_string(rows + 2);
    b.Range(after.c_str(), after.c_str()).Set("Value2", "after");
    b.sheet.Call("SaveAs", {file});
    EXPECT_EQ(b.sheet.Obj("UsedRange").Get("Row").ToInteger(), 1);
    EXPECT_TRUE(RowsSpooled()) << "saving reads the rows without bringing them back";
    // Reading a row again brings them all back.
    EXPECT_EQ(b.Range("A3", "A3").Get("Value2").ToString(), "สมาชิก 3");
    EXPECT_FALSE(RowsSpooled());
  }
  sheettest::WorkbookFacts wb(file);
  ASSERT_TRUE(wb.Ok()) << wb.Raw().substr(0, 2000);
  EXPECT_EQ(wb.Value("Sheet1!A1"), "รายชื่อ");
  EXPECT_EQ(wb.Lines("MERGE"), std::vector<std::string>{"Sheet1 A1:C1"});
  EXPECT_EQ(wb.Lines("LEVEL"), (std::vector<std::string>{"Sheet1 100 1", "Sheet1 101 2", "Sheet1 102 1",
                                                          "Sheet1 " + std::to_string(rows - 1) + " 1"}));
  for (int r : {2, 3, 1500, 4000, rows}) {
    std::string row = std::to_string(r);
    EXPECT_EQ(wb.Value("Sheet1!A" + row), "สมาชิก " + row) << r;
    EXPECT_EQ(wb.Value("Sheet1!B" + row), row) << r;
    EXPECT_EQ(wb.Style("Sheet1!A" + row, "bold"), "1") << r;
    EXPECT_EQ(wb.Style("Sheet1!B" + row, "fmt"), "0.00") << r;
    EXPECT_EQ(wb.Value("Sheet1!C" + row), r % 2 ? "0812345678" : "") << r;
  }
  EXPECT_EQ(wb.Value("Sheet1!A" + std::to_string(rows + 2)), "after");
  fs::remove_all(dir);
}

// A register's export writes a text of its own in almost every cell: the texts of rows gone to
// the file leave the memory with them, a text repeated down a column stays shared, and every one
// reads back as written, spaces at its ends included.
TEST(SheetWorkbook, TextsOfRowsInTheFileLeaveTheMemory) {
  auto dir = Folder("texts");
  std::string file = (dir / "texts.xlsx").string();
  const int rows = 20000;
  const std::string religions[] = {" คาทอลิก ", "พุทธ", "อิสลาม"};
  auto unique = [](int r) { return "สมาชิก " + std::to_string(r) + " บ้านเลขที่ " + std::to_string(r * 7); };
  SheetWorkbook book;
  auto sheet = book.AddSheet();
  for (int r = 1; r <= rows; ++r) {
    sheet->SetValue({r, 1}, Variant(unique(r)));
    sheet->SetValue({r, 2}, Variant(religions[r % 3]));
    // A text the file took long ago, given again.
    if (r > 10000) sheet->SetValue({r, 3}, Variant(unique(r - 10000)));
  }
  EXPECT_TRUE(RowsSpooled());
  EXPECT_LT(book.Store().Strings.Count(), 8000u) << "the texts of every row are kept";
  book.SaveAs(file);
  sheettest::WorkbookFacts wb(file);
  ASSERT_TRUE(wb.Ok()) << wb.Raw().substr(0, 2000);
  for (int r : {1, 2, 3000, 10001, 15000, rows}) {
    std::string row = std::to_string(r);
    EXPECT_EQ(wb.Value("Sheet1!A" + row), unique(r)) << r;
    EXPECT_EQ(wb.Value("Sheet1!B" + row), religions[r % 3]) << r;
    EXPECT_EQ(wb.Value("Sheet1!C" + row), r > 10000 ? unique(r - 10000) : "") << r;
  }
  // Read again in the program, the rows come back from the file with their texts.
  EXPECT_EQ(sheet->Value({2, 1}).ToString(), unique(2));
  EXPECT_EQ(sheet->Value({rows, 3}).ToString(), unique(rows - 10000));
  EXPECT_EQ(sheet->Value({4, 2}).ToString(), religions[1]);
  fs::remove_all(dir);
}

// With no room for the file, rows stay in the memory: nothing written is lost.
TEST(SheetWorkbook, RowsStayWhenTheyCannotWaitInAFile) {
  const char* tmp = std::getenv("TMPDIR");
  std::string saved = tmp ? tmp : "";
  setenv("TMPDIR", "/nonexistent/orvane", 1);
  SheetWorkbook book;
  auto sheet = book.AddSheet();
  for (int r = 1; r <= 4000; ++r) sheet->SetValue({r, 1}, Variant("แถว " + std::to_string(r)));
  if (tmp)
    setenv("TMPDIR", saved.c_str(), 1);
  else
    unsetenv("TMPDIR");
  EXPECT_FALSE(RowsSpooled());
  for (int r : {1, 2000, 4000}) EXPECT_EQ(sheet->Value({r, 1}).ToString(), "แถว " + std::to_string(r));
}
