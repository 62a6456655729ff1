#pragma once
// A scratch database file per test, and the sqlite3 command line to check what was written.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/db/ADODB.h"

namespace orv::test {

// Runs sql through the sqlite3 command line on file and returns what it printed.
inline std::string Sqlite3Cli(const std::string& file, const std::string& sql) {
  std::string cmd = "sqlite3 -batch '" + file + "' \"" + sql + "\" 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe.get())) > 0) out.append(buf, n);
  return out;
}

// Bytes as sqlite3's hex() prints them.
inline std::string Hex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex;
}

class DbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("orvane-db-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    file_ = (dir_ / "Orvane.db").string();
    TADOConnection::CreateDatabase(file_);
    conn_ = std::make_unique<TADOConnection>(nullptr);
    conn_->SetConnectionString("Provider=SQLite;Data Source=" + file_ + ";Mode=Share Deny None");
    conn_->Open();
  }
  void TearDown() override {
    conn_.reset();
    std::filesystem::remove_all(dir_);
  }
  std::unique_ptr<TADOQuery> Query(const std::string& sql) {
    auto q = std::make_unique<TADOQuery>(nullptr);
    q->SetConnection(conn_.get());
    q->SQL().SetText(sql);
    return q;
  }
  std::string Cli(const std::string& sql) { return Sqlite3Cli(file_, sql); }

  std::filesystem::path dir_;
  std::string file_;
  std::unique_ptr<TADOConnection> conn_;
};

}  // namespace orv::test
