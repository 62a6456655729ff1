#pragma once
// Test support: a scratch working folder per test holding a parish database of a chosen kind,
// the main window started in it, and the sqlite3 command line to check what the program wrote.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/DemoParish.h"
#include "app/ParishSchema.h"
#include "app/Unit1.h"
#include "platform/gui/Application.h"

namespace orv::test {

// Runs sql through the sqlite3 command line on file; returns what it printed, rows on lines,
// columns split by '|'.
inline std::string Sqlite3(const std::string& file, const std::string& sql) {
  std::string quoted = "'";
  for (char c : file) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  quoted += "'";
  std::string cmd = "sqlite3 -batch " + quoted + " <<'ORVANE_SQL'\n" + sql + "\nORVANE_SQL\n";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe.get())) > 0) out.append(buf, n);
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

class ParishTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    old_ = std::filesystem::current_path();
    dir_ = std::filesystem::temp_directory_path() /
           ("orvane-app-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "Picture");
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    Stop();
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
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
  void Stop() {
    if (!form_) return;
    bool canClose = false;
    form_->FormCloseQuery(form_, canClose);
    delete form_;
    form_ = nullptr;
  }

  std::filesystem::path old_;
  std::filesystem::path dir_;
  TForm1* form_ = nullptr;
};

}  // namespace orv::test
