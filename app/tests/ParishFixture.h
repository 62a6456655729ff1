#pragma once
// Test support: a scratch parish folder per test holding a parish database of a chosen kind,
// the main window started on it, and the sqlite3 command line to check what the program wrote.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/DemoParish.h"
#include "app/ParishSchema.h"
#include "app/MainWindow.h"
#include "platform/gui/Application.h"
#include "platform/gui/ScriptedDialogService.h"
#include "platform/rtl/DateTime.h"

namespace orv::test {

// text quoted for the shell.
inline std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs a shell command; returns its exit status (-1 when it did not end normally) and adds what
// it printed to output.
inline int RunShell(const std::string& command, std::string& output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) output.append(buf, n);
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A file's bytes; empty when it cannot be read.
inline std::string FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A PNG of width x height pixels of one colour, written by Python's zlib under whatever name it
// is given (phones and chat programs save PNG files as ".jpg"); false when Python failed.
inline bool WritePng(const std::filesystem::path& file, int width, int height, int r, int g, int b) {
  std::filesystem::create_directories(file.parent_path());
  const std::string script =
      "import struct, sys, zlib\n"
      "w, h, r, g, b = map(int, sys.argv[2:])\n"
      "def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))\n"
      "rows = (b'\\0' + bytes([r, g, b]) * w) * h\n"
      "open(sys.argv[1], 'wb').write(b'\\x89PNG\\r\\n\\x1a\\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))"
      " + chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))\n";
  std::string out;
  return RunShell("python3 - " + Quoted(file.string()) + " " + std::to_string(width) + " " + std::to_string(height) + " " +
                      std::to_string(r) + " " + std::to_string(g) + " " + std::to_string(b) + " <<'ORVANE_PY'\n" + script +
                      "ORVANE_PY\n",
                  out) == 0;
}

// Runs sql through the sqlite3 command line on file; returns what it printed, rows on lines,
// columns split by '|'.
inline std::string Sqlite3(const std::string& file, const std::string& sql) {
  std::string out;
  RunShell("sqlite3 -batch " + Quoted(file) + " <<'ORVANE_SQL'\n" + sql + "\nORVANE_SQL\n", out);
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

// The lines of what sqlite3 printed.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// "2024-03-05" as the display shows it: "5 มีนาคม 2024".
inline std::string ThaiDate(const std::string& iso) {
  static const char* const months[] = {"มกราคม", "กุมภาพันธ์", "มีนาคม", "เมษายน", "พฤษภาคม",
                                       "มิถุนายน", "กรกฎาคม", "สิงหาคม", "กันยายน", "ตุลาคม",
                                       "พฤศจิกายน", "ธันวาคม"};
  int year = std::stoi(iso.substr(0, 4)), month = std::stoi(iso.substr(5, 2)),
      day = std::stoi(iso.substr(8, 2));
  return std::to_string(day) + " " + months[month - 1] + " " + std::to_string(year);
}

// The date a picker shows for a stored "YYYY-MM-DD"; today for no date.
inline TDateTime PickerDate(const std::string& iso) {
  if (iso.empty()) return Date();
  return EncodeDate(static_cast<Word>(std::stoi(iso.substr(0, 4))),
                    static_cast<Word>(std::stoi(iso.substr(5, 2))),
                    static_cast<Word>(std::stoi(iso.substr(8, 2))));
}

// Whether the shell finds program.
inline bool OnPath(const std::string& program) {
  return std::system(("command -v " + program + " > /dev/null 2>&1").c_str()) == 0;
}

struct TRun {
  int Status = -1;  // the program's own exit status; -1 when it never ran
  std::string Output;
};

// Runs program (a shell command) on a virtual display with env (assignments for env(1)); what
// it prints comes back with its exit status. That status is kept apart from xvfb-run's, which
// also counts the display's own troubles (a display number two runs took at once, a temporary
// folder it could not clean); a run whose display did not start, or went to another run that took
// the same number, is made again. Each test process starts looking for a free number at one of
// its own, so that runs side by side seldom meet.
inline TRun RunOnDisplay(const std::string& program, const std::string& env) {
  std::filesystem::path status =
      std::filesystem::temp_directory_path() / ("orvane-status-" + std::to_string(getpid()));
  const std::string firstDisplay = std::to_string(100 + getpid() % 20000);
  TRun run;
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::filesystem::remove(status);
    // -ac: a program run as another user cannot read root's display cookie.
    std::string command = "cd / && env -u QT_QPA_PLATFORM " + env + " timeout 180 xvfb-run -a -n " + firstDisplay +
                          " -s '-ac -screen 0 1400x900x24' sh -c " +
                          Quoted(program + "; echo $? > " + Quoted(status.string())) + " 2>&1";
    run.Output.clear();
    RunShell(command, run.Output);
    std::ifstream in(status);
    if (in >> run.Status && run.Output.find("could not connect to display") == std::string::npos) break;
    run.Status = -1;
  }
  std::filesystem::remove(status);
  return run;
}

class ParishTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    old_ = std::filesystem::current_path();
    dir_ = std::filesystem::temp_directory_path() /
           ("orvane-app-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    root_ = dir_;
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "Picture");
    // The parish folder is named, never found from the current folder; a window started
    // without one finds the default folder here, not in the home of whoever runs the tests.
    AppPath = dir_.string();
    setenv("XDG_DATA_HOME", (dir_ / "data-home").c_str(), 1);
    // Workbooks handed to the spreadsheet are named in the session's runtime folder: tests
    // running side by side each get one, so none finds another's names taken.
    std::filesystem::create_directories(dir_ / "runtime");
    std::filesystem::permissions(dir_ / "runtime", std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", (dir_ / "runtime").c_str(), 1);
    // Boxes are answered here: a real one would wait for a person who is not there.
    SetDialogService(std::make_unique<TScriptedDialogService>());
    dialogs_ = static_cast<TScriptedDialogService*>(&DialogService());
  }
  void TearDown() override {
    Stop();
    SetDialogService(nullptr);
    AppPath.clear();
    // A test may move the parish into a folder of its own below this one.
    std::filesystem::remove_all(root_);
  }

  std::string Db() const { return (dir_ / ParishDatabaseName).string(); }
  std::string Cli(const std::string& sql) const { return Sqlite3(Db(), sql); }

  // A database with the schema and no members.
  void MakeEmpty() { CreateParishDatabase(Db()); }
  // The demonstration parish with its logo.
  void MakeDemo(int members) {
    std::filesystem::remove_all(dir_ / "Picture");
    CreateDemoParish(dir_.string(), members);
  }

  // Creates the main window in the working folder and runs its start-up, as the main block does.
  TForm1* Start() {
    Stop();
    form_ = new TForm1(Application);
    form_->DoCreate();
    return form_;
  }
  // The move editors, named as the window names them, against sqlite3's reading of the last
  // move row of the member on screen; disabled and empty when the member has no move.
  void ExpectLastMoveShown(TForm1* f) {
    struct MoveEditor {
      TLabeledEdit* Edit;
      const char* Column;
      TDateTimePicker* Picker;
    };
    const MoveEditor editors[] = {{f->LabeledEdit59, "DateIn", f->DateTimePicker11},
                                  {f->LabeledEdit60, "MoveInBy", nullptr},
                                  {f->LabeledEdit61, "FromChurch", nullptr},
                                  {f->LabeledEdit62, "MoveFromNo", nullptr},
                                  {f->LabeledEdit63, "FromFr", nullptr},
                                  {f->LabeledEdit64, "DateOut", f->DateTimePicker12},
                                  {f->LabeledEdit65, "MoveOutBy", nullptr},
                                  {f->LabeledEdit66, "ToChurch", nullptr},
                                  {f->LabeledEdit67, "MoveToNo", nullptr},
                                  {f->LabeledEdit68, "ReceiveInBy", nullptr}};
    std::string member =
        f->ADOQuery1->IsEmpty() ? "null" : f->ADOQuery1->FieldByName("ID")->AsString();
    SCOPED_TRACE("moves of member " + member);
    std::string sql;
    for (const MoveEditor& e : editors)
      sql += "select '[' || ifnull(" + std::string(e.Column) +
             ", '') || ']' from Move where OrvID = " + member + " order by ID desc limit 1;\n";
    std::vector<std::string> values = Lines(Cli(sql));
    bool hasMove = !values.empty();
    if (hasMove) {
      ASSERT_EQ(values.size(), std::size(editors));
    }
    for (size_t i = 0; i < std::size(editors); ++i) {
      const MoveEditor& e = editors[i];
      SCOPED_TRACE(e.Column);
      std::string value = hasMove ? values[i].substr(1, values[i].size() - 2) : std::string();
      EXPECT_EQ(e.Edit->Enabled(), hasMove);
      if (e.Picker) {
        EXPECT_EQ(e.Edit->Text(), value.empty() ? "" : ThaiDate(value));
        EXPECT_EQ(e.Picker->Date(), PickerDate(value));
        EXPECT_EQ(e.Picker->Enabled(), hasMove);
      } else {
        EXPECT_EQ(e.Edit->Text(), value);
      }
    }
  }

  void Stop() {
    if (!form_) return;
    bool canClose = false;
    form_->FormCloseQuery(form_, canClose);
    delete form_;
    form_ = nullptr;
  }

  std::filesystem::path old_;
  std::filesystem::path dir_;
  std::filesystem::path root_;
  TForm1* form_ = nullptr;
  TScriptedDialogService* dialogs_ = nullptr;
};

}  // namespace orv::test
