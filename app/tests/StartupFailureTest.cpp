// The program started as a user starts it, on a virtual display, on parish folders whose
// database is damaged, foreign or cannot be written to: an error box naming the file and the
// reason, a clean non-zero exit, and the file's bytes as they were. The screenshot variable
// makes the run unattended: the boxes are written to the standard error and answered there.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <iterator>

#include "app/Screenshot.h"
#include "app/tests/ParishFixture.h"

namespace orv::test {

namespace {

// The files of dir; a WAL database's companion files come and go with its readers.
std::set<std::string> Names(const std::filesystem::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::string name = entry.path().filename().string();
    if (!name.ends_with("-wal") && !name.ends_with("-shm")) names.insert(name);
  }
  return names;
}

}  // namespace

class StartupFailureTest : public ParishTest {
 protected:
  // Runs the program on folder under xvfb-run. A read-only file is read-only to root only in
  // name: with readOnly, a run as root is made as an unprivileged user instead. limit is a
  // command put before the program's (prlimit, say).
  TRun RunProgram(const std::filesystem::path& folder, bool readOnly = false, const std::string& limit = "") {
    std::string shot = (dir_ / "shots" / "window.png").string();
    std::filesystem::create_directories(dir_ / "shots");
    std::filesystem::permissions(dir_ / "shots", std::filesystem::perms::all);
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all |
                                           std::filesystem::perms::group_exec |
                                           std::filesystem::perms::others_exec |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
    std::string user = readOnly && geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    return RunOnDisplay(user + limit + Quoted(ORVANE_PROGRAM) + " " + Quoted(folder.string()),
                        "HOME=" + Quoted(dir_.string()) + " " + ScreenshotVariable + "=" + Quoted(shot));
  }

  // The folder's database fails start-up with reason, and the folder is left as it was.
  void ExpectRefused(const std::string& reason, bool readOnly = false) {
    std::string before = FileBytes(Db());
    std::set<std::string> names = Names(dir_);
    TRun run = RunProgram(dir_, readOnly);
    EXPECT_EQ(run.Status, 1) << run.Output;
    EXPECT_NE(run.Output.find("OrvaneIDv4.5: เปิดทะเบียนวัดไม่ได้\nแฟ้ม: " + Db() + "\nสาเหตุ: " +
                              reason),
              std::string::npos)
        << run.Output;
    EXPECT_EQ(FileBytes(Db()), before);
    names.insert("shots");
    EXPECT_EQ(Names(dir_), names);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "shots" / "window.png"));
  }

  void SetUp() override {
    ParishTest::SetUp();
    if (!OnPath("xvfb-run")) GTEST_SKIP() << "xvfb-run is not installed";
  }
  void TearDown() override {
    // Give back what the tests took away, so the folder can be removed.
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_, ec))
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    ParishTest::TearDown();
  }
};

TEST_F(StartupFailureTest, FilesThatAreNoParishDatabaseAreLeftAsTheyWere) {
  { std::ofstream empty(Db()); }
  ExpectRefused("แฟ้มว่างเปล่า ไม่ใช่ฐานข้อมูลทะเบียนวัด");

  std::string noise;
  for (int i = 0; i < 5000; ++i) noise.push_back(char(i * 7919 % 251));
  std::ofstream(Db(), std::ios::binary) << noise;
  ExpectRefused("แฟ้มนี้ไม่ใช่ฐานข้อมูล หรือเสียหาย (file is not a database)");

  // Another program's database, in the rollback journal mode that opening it for writing would
  // have changed.
  std::filesystem::remove(Db());
  Cli("create table Orvanis (x); insert into Orvanis values (1);");
  ASSERT_EQ(Cli("pragma journal_mode"), "delete");
  ExpectRefused("แฟ้มนี้ไม่ใช่ฐานข้อมูลทะเบียนวัด (ไม่มีตาราง Orvani)");
  EXPECT_EQ(Cli("pragma journal_mode"), "delete");
}

TEST_F(StartupFailureTest, DamagedParishDatabasesEndTheProgramWithTheReason) {
  MakeDemo(300);
  std::filesystem::remove_all(dir_ / "Picture");
  Cli("pragma wal_checkpoint(truncate)");
  std::string whole = FileBytes(Db());
  ASSERT_GT(whole.size(), 40000u);

  // Cut short: the schema on the first page reads, the members do not.
  std::ofstream(Db(), std::ios::binary | std::ios::trunc) << whole.substr(0, whole.size() / 2);
  ExpectRefused("");
  // Only its first page left: refused by the checks, which leave no log files beside it.
  std::ofstream(Db(), std::ios::binary | std::ios::trunc) << whole.substr(0, 4096);
  ExpectRefused("แฟ้มนี้ไม่ใช่ฐานข้อมูล หรือเสียหาย (database disk image is malformed)");
  // Pages overwritten in the middle.
  std::string damaged = whole;
  for (size_t i = 8192; i < damaged.size() - 4096; ++i) damaged[i] = char(0xA5);
  std::ofstream(Db(), std::ios::binary | std::ios::trunc) << damaged;
  ExpectRefused("");
}

TEST_F(StartupFailureTest, MissingColumnsTablesAndTheListViewAreNamed) {
  MakeEmpty();
  Cli("drop view List; alter table Orvani drop column tel; create view List as select ID, St, NM, "
      "Sur, Address1, Address2, '' as tel, Occupation, birth_date, Papa_Nm, Mama_Nm from Orvani;");
  ExpectRefused("ตาราง Orvani ไม่มีคอลัมน์ tel");
  std::filesystem::remove(Db());
  MakeEmpty();
  Cli("drop view List");
  ExpectRefused("ฐานข้อมูลไม่มีมุมมอง List");
  std::filesystem::remove(Db());
  MakeEmpty();
  // A List of another definition is the program's to put back; in a file it may not write, it
  // cannot, and the file is refused.
  Cli("drop view List; create view List as select ID, St, NM, Sur from Orvani");
  chmod(Db().c_str(), 0444);
  ExpectRefused("มุมมอง List ในแฟ้มนี้ไม่ใช่ของโปรแกรมนี้ ต้องสร้างใหม่ แต่แฟ้มหรือโฟลเดอร์นี้เขียนไม่ได้", true);
  chmod(Db().c_str(), 0644);
  std::filesystem::remove(Db());
  MakeEmpty();
  Cli("drop view List; create table List (ID, St, NM, Sur, Address1, Address2, tel, Occupation, birth_date, "
      "Papa_Nm, Mama_Nm)");
  ExpectRefused("List ในแฟ้มนี้เป็นตาราง ไม่ใช่มุมมอง (view) ที่โปรแกรมนี้ใช้แสดงรายชื่อบุตร");
  std::filesystem::remove(Db());
  MakeEmpty();
  Cli("drop table church");
  ExpectRefused("ฐานข้อมูลไม่มีตาราง church");
}

TEST_F(StartupFailureTest, ReadOnlyDatabasesOpenForReadingUnlessTheyNeedTheUpgrade) {
  // An older layout in a read-only file cannot be brought up to date.
  MakeEmpty();
  Cli("drop index MoveMember; alter table Move drop column OrvID; pragma user_version = 0;");
  chmod(Db().c_str(), 0444);
  ExpectRefused("ฐานข้อมูลต้องปรับให้เป็นรุ่นปัจจุบัน แต่แฟ้มหรือโฟลเดอร์นี้เขียนไม่ได้", true);

  // A current database in a folder that cannot be written to is read, and the user told so once.
  chmod(Db().c_str(), 0644);
  std::filesystem::remove(Db());
  MakeDemo(20);
  Cli("pragma wal_checkpoint(truncate)");
  std::filesystem::remove(Db() + "-wal");
  std::filesystem::remove(Db() + "-shm");
  std::string before = FileBytes(Db());
  std::set<std::string> names = Names(dir_);
  chmod(dir_.c_str(), 0555);
  TRun run = RunProgram(dir_, true);
  chmod(dir_.c_str(), 0755);
  EXPECT_EQ(run.Status, 0) << run.Output;
  std::string notice = "ทะเบียนวัด " + Db() + " เปิดได้เพื่ออ่านอย่างเดียว";
  size_t at = run.Output.find(notice);
  EXPECT_NE(at, std::string::npos) << run.Output;
  EXPECT_EQ(run.Output.find(notice, at + 1), std::string::npos) << run.Output;
  EXPECT_TRUE(std::filesystem::exists(dir_ / "shots" / "window.png")) << run.Output;
  EXPECT_EQ(FileBytes(Db()), before);
  names.insert("shots");
  EXPECT_EQ(Names(dir_), names);

  // Such a folder without a database cannot take a new one.
  std::filesystem::remove(Db());
  chmod(dir_.c_str(), 0555);
  run = RunProgram(dir_, true);
  chmod(dir_.c_str(), 0755);
  EXPECT_EQ(run.Status, 1) << run.Output;
  EXPECT_NE(run.Output.find("สาเหตุ: สร้างทะเบียนวัดใหม่ไม่ได้"), std::string::npos) << run.Output;
  EXPECT_FALSE(std::filesystem::exists(Db()));
}

TEST_F(StartupFailureTest, WithoutAFolderTheParishLivesInTheUsersDataFolder) {
  std::filesystem::path data = dir_ / "data";
  std::filesystem::create_directories(data);
  std::filesystem::permissions(data, std::filesystem::perms::all);
  // No folder argument: the program is started with none.
  std::string shot = (dir_ / "shots" / "window.png").string();
  std::filesystem::create_directories(dir_ / "shots");
  TRun run = RunOnDisplay("cd " + Quoted(dir_.string()) + " && " + Quoted(ORVANE_PROGRAM),
                          "XDG_DATA_HOME=" + Quoted(data.string()) + " " + ScreenshotVariable +
                              "=" + Quoted(shot));
  EXPECT_EQ(run.Status, 0) << run.Output;
  std::string output = run.Output;
  std::string folder = (data / "orvane").string();
  std::string notice = "ยังไม่มีทะเบียนวัดในโฟลเดอร์ " + folder + "\n";
  EXPECT_NE(output.find(notice), std::string::npos) << output;
  EXPECT_EQ(Sqlite3(folder + "/Orvane.db", "select sen, Prefix from print"), "เรียน|คุณ");
  EXPECT_TRUE(std::filesystem::is_directory(folder + "/Picture"));
  // Not in the folder it was started from.
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Orvane.db"));
  EXPECT_TRUE(std::filesystem::exists(shot));
}

TEST_F(StartupFailureTest, AFileSizeLimitIsToldAsAFullDiskAndEndsTheProgramCleanly) {
  MakeDemo(10);
  Cli("pragma wal_checkpoint(truncate)");
  std::filesystem::remove(Db() + "-wal");
  std::filesystem::remove(Db() + "-shm");
  std::string before = FileBytes(Db());
  // Too small for the shared-memory file the log needs: the signal of the limit no longer ends
  // the program (status 153); the write fails, and start-up says why.
  TRun run = RunProgram(dir_, false, "prlimit --fsize=16384 ");
  EXPECT_EQ(run.Status, 1) << run.Output;
  EXPECT_NE(run.Output.find("OrvaneIDv4.5: เปิดทะเบียนวัดไม่ได้\nแฟ้ม: " + Db() + "\nสาเหตุ: สร้างแฟ้ม " + Db() +
                            "-shm และ " + Db() + "-wal ที่ใช้คู่กับทะเบียนวัดไม่ได้: แฟ้มใหญ่เกินกว่าที่ระบบยอมให้ (" +
                            std::strerror(EFBIG) + ")"),
            std::string::npos)
      << run.Output;
  EXPECT_EQ(FileBytes(Db()), before);
  EXPECT_FALSE(std::filesystem::exists(Db() + "-shm"));
}

TEST_F(StartupFailureTest, TheCommandLineGivesUsageAndTakesTheParishFileForItsFolder) {
  std::string program = "cd " + Quoted(dir_.string()) + " && " + Quoted(ORVANE_PROGRAM);
  for (const char* option : {" --help", " -h"}) {
    std::string out;
    EXPECT_EQ(RunShell(program + option + " 2>&1", out), 0);
    EXPECT_EQ(out.rfind("usage: orvane [FOLDER]\n", 0), 0u) << out;
  }
  std::string out;
  EXPECT_EQ(RunShell(program + " --version 2>&1", out), 0);
  EXPECT_EQ(out, "orvane OrvaneIDv4.5\n");
  out.clear();
  EXPECT_EQ(RunShell(program + " --helps 2>&1", out), 2);
  EXPECT_EQ(out.rfind("usage: orvane [FOLDER]\n", 0), 0u) << out;
  // No parish is made in a folder named as an option.
  EXPECT_FALSE(std::filesystem::exists(dir_ / "--help"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "--helps"));

  // Without a display the program says so and ends, making nothing.
  out.clear();
  EXPECT_EQ(RunShell("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + Quoted(ORVANE_PROGRAM) + " " +
                         Quoted((dir_ / "new").string()) + " 2>&1",
                     out),
            1);
  EXPECT_EQ(out, "orvane: ไม่มีจอภาพให้เปิดหน้าต่าง (ไม่ได้ตั้งตัวแปร DISPLAY หรือ WAYLAND_DISPLAY) "
                 "ให้เรียกโปรแกรมจากหน้าจอเดสก์ท็อป\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "new"));

  // A Wayland socket a compositor left behind when it ended is no display either: the program
  // says so instead of ending inside the window system library.
  const std::filesystem::path runtime = dir_ / "runtime";
  std::filesystem::create_directories(runtime);
  out.clear();
  ASSERT_EQ(RunShell("python3 -c \"import socket; socket.socket(socket.AF_UNIX).bind('" + (runtime / "wayland-9").string() +
                         "')\" 2>&1",
                     out),
            0)
      << out;
  out.clear();
  EXPECT_EQ(RunShell("env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=wayland-9 XDG_RUNTIME_DIR=" +
                         Quoted(runtime.string()) + " " + Quoted(ORVANE_PROGRAM) + " " + Quoted((dir_ / "new").string()) +
                         " 2>&1",
                     out),
            1);
  EXPECT_EQ(out, "orvane: ต่อจอภาพ Wayland " + (runtime / "wayland-9").string() +
                     " ไม่ได้ (ตัวแปร WAYLAND_DISPLAY) จึงเปิดหน้าต่างของโปรแกรมไม่ได้\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "new"));

  // A mistyped folder whose parent does not exist is refused and nothing is made; one inside an
  // existing folder becomes a new parish.
  std::filesystem::path typo = dir_ / "parsh" / "2026";
  TRun made = RunProgram(typo);
  EXPECT_EQ(made.Status, 1) << made.Output;
  EXPECT_NE(made.Output.find("เปิดทะเบียนวัดไม่ได้\nแฟ้ม: " + typo.string() + "\nสาเหตุ: ไม่พบโฟลเดอร์ " +
                             (dir_ / "parsh").string()),
            std::string::npos)
      << made.Output;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "parsh"));
  made = RunProgram(dir_ / "parish");
  EXPECT_EQ(made.Status, 0) << made.Output;
  EXPECT_TRUE(std::filesystem::exists(dir_ / "parish" / ParishDatabaseName));

  // The parish file itself names its folder; another file is refused as no folder.
  MakeDemo(10);
  TRun run = RunProgram(dir_ / ParishDatabaseName);
  EXPECT_EQ(run.Status, 0) << run.Output;
  EXPECT_TRUE(std::filesystem::exists(dir_ / "shots" / "window.png")) << run.Output;
  std::filesystem::path other = dir_ / "Picture" / "Logo.jpg";
  run = RunProgram(other);
  EXPECT_EQ(run.Status, 1) << run.Output;
  EXPECT_NE(run.Output.find("เปิดทะเบียนวัดไม่ได้\nแฟ้ม: " + other.string() +
                            "\nสาเหตุ: ชื่อนี้เป็นแฟ้ม ไม่ใช่โฟลเดอร์ทะเบียนวัด"),
            std::string::npos)
      << run.Output;
}

}  // namespace orv::test
