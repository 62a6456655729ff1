#include "app/ParishFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <vector>

#include "app/ParishSchema.h"
#include "app/ParishWriteFailure.h"
#include "platform/db/ADODB.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

// Columns the upgrade step adds to a database of the older layout: their absence is no damage.
const std::set<String> kUpgradeColumns = {"move.orvid", "print.sen", "print.prefix"};

// The longest value a field of the register takes, in characters (bytes for binary values): a
// name or a note of a million letters still shows, sorts and prints; a longer one only costs
// memory, hundreds of megabytes for a file of a few cells.
constexpr Int64 kLongestCell = 1000000;

// The names as the program spells them in its messages.
const std::map<String, String> kSpelling = {{"orvani", "Orvani"}, {"move", "Move"},
                                            {"list", "List"}, {"marriagenotify", "MarriageNotify"}};

String Spelled(const String& name) {
  auto it = kSpelling.find(name);
  return it == kSpelling.end() ? name : it->second;
}

// The log files SQLite makes beside a WAL-mode database when it is first read. A file that is
// refused is left as it was found: the ones the checks made go again, the ones that were there
// stay.
class TLogFilesMade {
 public:
  explicit TLogFilesMade(const String& fileName) {
    std::error_code ec;
    for (const char* suffix : {"-wal", "-shm"})
      if (!std::filesystem::exists(fileName + suffix, ec)) made_.push_back(fileName + suffix);
  }
  TLogFilesMade(const TLogFilesMade&) = delete;
  TLogFilesMade& operator=(const TLogFilesMade&) = delete;
  ~TLogFilesMade() {
    std::error_code ec;
    if (!kept_)
      for (const String& file : made_) std::filesystem::remove(file, ec);
  }
  // The file is accepted: its log files belong to it now.
  void Keep() { kept_ = true; }

 private:
  std::vector<String> made_;
  bool kept_ = false;
};

[[noreturn]] void Refuse(const String& fileName, const String& reason) {
  throw EParishStartup(StartupFailureText(fileName, reason));
}

std::vector<String> Column(TADOConnection& connection, const String& sql, const String& table) {
  TADOQuery query(nullptr);
  query.SetConnection(&connection);
  query.SQL().SetText(sql);
  if (!table.empty()) query.Parameters().ParamByName("table")->SetValue(table);
  query.Open();
  std::vector<String> values;
  for (; !query.Eof(); query.Next()) values.push_back(query.Fields()[0]->AsString());
  return values;
}

// A table or a view, with its columns in their own spelling.
struct TObjectLayout {
  bool View = false;
  std::vector<String> Columns;
};

// Table or view name (lower case, as SQL matches names) to its layout.
using TLayout = std::map<String, TObjectLayout>;

TLayout LayoutOf(TADOConnection& connection) {
  TLayout layout;
  for (bool view : {false, true}) {
    for (const String& name :
         Column(connection,
                String("select name from sqlite_master where type = '") + (view ? "view" : "table") +
                    "' and name not like 'sqlite%'",
                {}))
      layout[LowerCase(name)] = {view, Column(connection, "select name from pragma_table_info(:table)", name)};
  }
  return layout;
}

bool HasColumn(const std::vector<String>& columns, const String& column) {
  for (const String& c : columns)
    if (SameText(c, column)) return true;
  return false;
}

// The layout this program creates, read from a database made in memory.
const TLayout& ExpectedLayout() {
  static const TLayout layout = [] { return LayoutOf(ModelParish()); }();
  return layout;
}

// The data layer's message without the statement it ran, which says nothing to a user.
String Reason(const Exception& e) {
  const String& message = e.Message();
  return message.substr(0, message.find('\n'));
}

bool Writable(const String& path) { return access(path.c_str(), W_OK) == 0; }

void CreateParish(const String& folder, const String& fileName) {
  // Made under another name and renamed when whole, so that a failure leaves no half-made
  // database to be opened next time.
  String fresh = fileName + ".new";
  DeleteFile(fresh);
  try {
    CreateParishDatabase(fresh);
  } catch (const Exception& e) {
    DeleteFile(fresh);
    Refuse(fileName, "สร้างทะเบียนวัดใหม่ไม่ได้ (" + Reason(e) + ")");
  }
  if (!RenameFile(fresh, fileName)) {
    DeleteFile(fresh);
    Refuse(fileName, "สร้างทะเบียนวัดใหม่ไม่ได้");
  }
  ForceDirectories(folder + "/Picture");
}

// Every table, view and column the program reads must be there; a file without the members'
// table is not a parish database at all.
// A List of another definition that start-up puts back to its own is not judged by its columns.
void CheckLayout(const String& fileName, const TLayout& found, bool listRemade) {
  if (!found.count("orvani"))
    Refuse(fileName, "แฟ้มนี้ไม่ใช่ฐานข้อมูลทะเบียนวัด (ไม่มีตาราง Orvani)");
  for (const auto& [name, expected] : ExpectedLayout()) {
    if (listRemade && name == "list") continue;
    String kind = expected.View ? "มุมมอง" : "ตาราง";
    auto it = found.find(name);
    if (it == found.end()) Refuse(fileName, "ฐานข้อมูลไม่มี" + kind + " " + Spelled(name));
    // Data the program writes and searches lives in tables; a view in a table's place may be
    // read-only, or recursive and never end.
    if (!expected.View && it->second.View)
      Refuse(fileName, Spelled(name) + " ในแฟ้มนี้เป็นมุมมอง (view) ไม่ใช่ตาราง");
    for (const String& column : expected.Columns) {
      if (HasColumn(it->second.Columns, column) || kUpgradeColumns.count(name + "." + LowerCase(column)))
        continue;
      Refuse(fileName, kind + " " + Spelled(name) + " ไม่มีคอลัมน์ " + column);
    }
  }
}

bool IsTable(const TLayout& found, const String& name) {
  auto it = found.find(name);
  return it != found.end() && !it->second.View;
}

// Columns the database computes or hides (generated columns, a virtual table's hidden ones):
// "select *" reads them too, and one can be a value of any size made anew on every read.
void CheckStoredColumns(TADOConnection& probe, const String& fileName, const TLayout& found) {
  for (const auto& [name, expected] : ExpectedLayout()) {
    if (expected.View || !IsTable(found, name)) continue;
    std::vector<String> computed =
        Column(probe, "select name from pragma_table_xinfo(:table) where hidden != 0", Spelled(name));
    if (computed.empty()) continue;
    String names;
    for (const String& column : computed) names += (names.empty() ? "" : ", ") + column;
    Refuse(fileName, "ตาราง " + Spelled(name) +
                         " มีคอลัมน์ที่ฐานข้อมูลคำนวณเองหรือซ่อนไว้ (generated/hidden) ซึ่งโปรแกรมนี้ไม่ได้สร้าง: " +
                         names);
  }
}

// A cell longer than a field takes, found in one pass over each table.
void CheckCellSizes(TADOConnection& probe, const String& fileName, const TLayout& found) {
  for (const auto& [name, expected] : ExpectedLayout()) {
    // A view in a table's place is refused by the layout, never read here: it may not end.
    if (expected.View || !IsTable(found, name)) continue;
    const String table = Spelled(name);
    std::vector<String> columns = Column(probe, "select name from pragma_table_info(:table)", table);
    if (columns.empty()) continue;
    // The names come from the file's own schema and are quoted; no user's text is in the statement.
    String condition;
    String select = "select rowid";
    for (const String& column : columns) {
      condition += (condition.empty() ? "" : " or ") + String("length(") + QuoteIdent(column) + ") > " + IntToStr(kLongestCell);
      select += ", length(" + QuoteIdent(column) + ")";
    }
    TADOQuery query(nullptr);
    query.SetConnection(&probe);
    query.SQL().SetText(select + " from " + QuoteIdent(table) + " where " + condition + " limit 1");
    query.Open();
    if (query.IsEmpty()) continue;
    for (size_t i = 0; i < columns.size(); ++i) {
      if (query.Fields()[static_cast<Integer>(i + 1)]->AsLargeInt() <= kLongestCell) continue;
      Refuse(fileName, "คอลัมน์ " + columns[i] + " ของตาราง " + table + " (แถวที่ " + query.Fields()[0]->AsString() +
                           ") ยาว " + query.Fields()[static_cast<Integer>(i + 1)]->AsString() +
                           " ตัวอักษร เกินกว่าที่ช่องข้อมูลรับได้ (" + IntToStr(kLongestCell) + ")");
    }
  }
}

}  // namespace

String DefaultParishFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data == '/') return String(data) + "/orvane";
  String home = HomeFolder();
  return (home.empty() ? String() : ExcludeTrailingPathDelimiter(home)) + "/.local/share/orvane";
}

String AbsoluteFolder(const String& folder) {
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(folder.empty() ? "." : folder, ec);
  return ExcludeTrailingPathDelimiter(path.lexically_normal().string());
}

String ParishFolderOf(const String& folder) {
  String path = AbsoluteFolder(folder);
  std::error_code ec;
  // Named as the parish file, it is one, or the one to be made there; a folder of that name
  // stays a folder.
  if (ExtractFileName(path) == ParishDatabaseName && !std::filesystem::is_directory(path, ec))
    return ExcludeTrailingPathDelimiter(ExtractFileDir(path));
  return path;
}

TParishDatabase PrepareParishDatabase(const String& folder) {
  TParishDatabase result;
  String dir = AbsoluteFolder(folder);
  result.FileName = dir + "/" + ParishDatabaseName;
  std::error_code ec;
  if (std::filesystem::exists(dir, ec) && !std::filesystem::is_directory(dir, ec))
    throw EParishStartup(StartupFailureText(
        dir, "ชื่อนี้เป็นแฟ้ม ไม่ใช่โฟลเดอร์ทะเบียนวัด (ให้ระบุโฟลเดอร์ที่เก็บแฟ้ม " +
                 String(ParishDatabaseName) + " หรือตัวแฟ้ม " + ParishDatabaseName + " เอง)"));
  // A folder named on the command line is made only inside one that exists: a mistyped path
  // would otherwise grow a tree of folders and an empty parish at its end. The program's own
  // folder is made with its parents (a new account may have no ~/.local/share yet).
  if (!DirectoryExists(dir)) {
    String parent = ExtractFileDir(dir);
    if (dir != AbsoluteFolder(DefaultParishFolder()) && !DirectoryExists(parent))
      throw EParishStartup(StartupFailureText(
          dir, "ไม่พบโฟลเดอร์ " + parent +
                   " ทะเบียนวัดใหม่สร้างได้ในโฟลเดอร์ที่มีอยู่แล้วเท่านั้น (ชื่อโฟลเดอร์พิมพ์ผิดหรือไม่)"));
    if (!ForceDirectories(dir)) Refuse(result.FileName, "สร้างโฟลเดอร์ " + dir + " ไม่ได้");
  }
  if (!std::filesystem::exists(result.FileName, ec)) {
    CreateParish(dir, result.FileName);
    result.Created = true;
  }
  if (std::filesystem::is_directory(result.FileName, ec))
    Refuse(result.FileName, "ชื่อนี้เป็นโฟลเดอร์ ไม่ใช่แฟ้มฐานข้อมูล");
  // A named pipe or a device would hold the program for ever on its first read.
  if (!std::filesystem::is_regular_file(result.FileName, ec))
    Refuse(result.FileName, "ชื่อนี้ไม่ใช่แฟ้มธรรมดา (เช่น เป็นไปป์หรืออุปกรณ์) จึงไม่ใช่แฟ้มฐานข้อมูล");
  // An empty file would open as an empty database and be written to.
  if (std::filesystem::file_size(result.FileName, ec) == 0 && !ec)
    Refuse(result.FileName, "แฟ้มว่างเปล่า ไม่ใช่ฐานข้อมูลทะเบียนวัด");
  // A link is judged by the file it names (a parish on a read-only disk): the journal files are
  // made beside that file, and it is the one opened.
  if (std::filesystem::is_symlink(result.FileName, ec)) {
    String real = std::filesystem::canonical(result.FileName, ec).string();
    if (!ec) {
      result.FileName = real;
      dir = ExtractFileDir(real);
    }
  }
  // The journal files are made beside the database: the folder must take them too.
  result.ReadOnly = !Writable(result.FileName) || !Writable(dir);

  TLogFilesMade logFiles(result.FileName);
  TADOConnection probe(nullptr);
  probe.SetConnectionString("Mode=Read");
  probe.SetDatabaseFile(result.FileName);
  probe.SetTimeLimit(StartupTimeLimit);
  TLayout found;
  std::vector<String> triggers;
  int version = 0;
  String list;
  try {
    probe.Open();
    found = LayoutOf(probe);
    list = ParishListViewOf(probe);
    if (found.count("orvani")) {
      CheckStoredColumns(probe, result.FileName, found);
      CheckCellSizes(probe, result.FileName, found);
    }
    triggers = Column(probe, "select name from sqlite_master where type = 'trigger' order by name", {});
    if (found.count("orvani")) version = ParishSchemaVersionOf(probe);
  } catch (const EParishStartup&) {
    throw;
  } catch (const EDatabaseForeignLog&) {
    Refuse(result.FileName,
           "แฟ้มบันทึกการเปลี่ยนแปลง " + result.FileName + "-wal ที่อยู่ข้างแฟ้มนี้ ไม่ได้เขียนไว้สำหรับแฟ้มนี้ "
           "(เช่น คัดลอกแฟ้มสำรองมาทับหลังจากโปรแกรมหยุดกลางคัน) ถ้าเปิดจะได้ข้อมูลสองแฟ้มปนกัน จึงไม่เปิด: "
           "ถ้าแฟ้มนี้คือแฟ้มสำรองที่ต้องการใช้ ให้ย้ายแฟ้ม " + result.FileName + "-wal และ " + result.FileName +
           "-shm ออกไปจากโฟลเดอร์ก่อน แล้วเปิดใหม่");
  } catch (const Exception& e) {
    if (probe.TimeLimitPassed()) Refuse(result.FileName, StartupTimeLimitReason());
    // The log files beside the database could not be made: no room on the disk, or the
    // size the system lets the program write is too small for them.
    if (dynamic_cast<const EDatabaseFull*>(&e))
      Refuse(result.FileName, "สร้างแฟ้ม " + result.FileName + "-shm และ " + result.FileName +
                                  "-wal ที่ใช้คู่กับทะเบียนวัดไม่ได้: " + ParishWriteFailureCause(e));
    String log = result.FileName + "-wal", shared = result.FileName + "-shm";
    // Changes still in the log are read through the shared-memory file beside it, which
    // SQLite makes when it is missing, and cannot make in a folder the user may not write to.
    if (result.ReadOnly && std::filesystem::file_size(log, ec) > 0 && !ec &&
        !std::filesystem::exists(shared, ec) && !Writable(dir))
      Refuse(result.FileName,
             "ไม่มีแฟ้มหน่วยความจำร่วม " + shared + " ที่ต้องใช้อ่านการเปลี่ยนแปลงที่ค้างอยู่ในแฟ้ม " +
                 log + " และสร้างแฟ้มนั้นไม่ได้ เพราะโฟลเดอร์ " + dir +
                 " เขียนไม่ได้ (ให้ผู้ที่เขียนโฟลเดอร์นี้ได้เปิดทะเบียนนี้หนึ่งครั้ง)");
    Refuse(result.FileName, "แฟ้มนี้ไม่ใช่ฐานข้อมูล หรือเสียหาย (" + Reason(e) + ")");
  }
  probe.Close();
  // The children display runs List for every member shown: the program owns it.
  if (list == "table")
    Refuse(result.FileName, "List ในแฟ้มนี้เป็นตาราง ไม่ใช่มุมมอง (view) ที่โปรแกรมนี้ใช้แสดงรายชื่อบุตร");
  if (list == "other" && result.ReadOnly)
    Refuse(result.FileName,
           "มุมมอง List ในแฟ้มนี้ไม่ใช่ของโปรแกรมนี้ ต้องสร้างใหม่ แต่แฟ้มหรือโฟลเดอร์นี้เขียนไม่ได้");
  CheckLayout(result.FileName, found, list == "other");
  // The register makes no triggers: one in the file belongs to another program and would run,
  // unseen, on the register's own saves (deleting moves, say).
  if (!triggers.empty()) {
    // The first few by name; a file may carry any number.
    String names;
    for (size_t i = 0; i < triggers.size() && i < 10; ++i) names += (i ? ", " : "") + triggers[i];
    if (triggers.size() > 10) names += " และอีก " + IntToStr(static_cast<Int64>(triggers.size() - 10)) + " ตัว";
    Refuse(result.FileName, "ฐานข้อมูลมีทริกเกอร์ (trigger) ที่โปรแกรมนี้ไม่ได้สร้าง: " + names +
                                " ซึ่งจะทำงานเองเมื่อบันทึกข้อมูล จึงไม่เปิดแฟ้มนี้");
  }
  bool needsUpgrade = !HasColumn(found["move"].Columns, "OrvID") || version < ParishSchemaVersion;
  if (result.ReadOnly && needsUpgrade)
    Refuse(result.FileName,
           "ฐานข้อมูลต้องปรับให้เป็นรุ่นปัจจุบัน แต่แฟ้มหรือโฟลเดอร์นี้เขียนไม่ได้");
  logFiles.Keep();
  return result;
}

int StartupTimeLimit = 30000;

String StartupTimeLimitReason() {
  return "ฐานข้อมูลทำคำสั่งตอนเปิดไม่เสร็จภายใน " + IntToStr(StartupTimeLimit / 1000) +
         " วินาที จึงหยุดไว้ (แฟ้มอาจเสียหาย หรือมีมุมมองที่ทำงานไม่รู้จบ)";
}

int QueryTimeLimit = 30000;

String QueryStoppedText(const String& fileName) {
  return "อ่านทะเบียนวัดไม่ได้\nแฟ้ม: " + fileName + "\nสาเหตุ: ฐานข้อมูลทำคำสั่งไม่เสร็จภายใน " +
         IntToStr(QueryTimeLimit / 1000) +
         " วินาที จึงหยุดไว้ (แฟ้มอาจเสียหาย หรือมีมุมมองที่ทำงานไม่รู้จบ)";
}

String StartupFailureText(const String& fileName, const String& reason) {
  return "เปิดทะเบียนวัดไม่ได้\nแฟ้ม: " + fileName + "\nสาเหตุ: " + reason;
}

}  // namespace orv
