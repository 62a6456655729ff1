#pragma once
// Thin RAII over SQLite's C API for the data layer's own use.
#include <sqlite3.h>

#include <string>
#include <string_view>

#include "platform/db/RowStore.h"
#include "platform/rtl/Variant.h"

namespace orv {

// EDatabaseError with SQLite's message and, when given, the statement it concerns.
[[noreturn]] void RaiseSqliteError(sqlite3* db, std::string_view sql);

// A prepared statement, finalized when destroyed.
class Statement {
 public:
  // Prepares the first statement of sql; tail receives the rest of the text.
  Statement(sqlite3* db, std::string_view sql, std::string_view* tail = nullptr);
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  sqlite3_stmt* Handle() const { return stmt_; }
  // Nothing was prepared: the text held only blanks or comments.
  bool IsEmpty() const { return stmt_ == nullptr; }
  // true while a row is available.
  bool Step();
  void Reset() { sqlite3_reset(stmt_); }

  void Bind(int index, const Variant& value);
  void Bind(int index, const CellView& cell);
  CellView Column(int index) const;

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  std::string sql_;  // for error messages
};

}  // namespace orv

namespace orv {

class TParameters;

// Binds every marker of the statement from params: ":name" by name, "?" by position.
void BindParameters(Statement& statement, const TParameters& params);
// Runs every statement of text with params bound; returns the rows they changed.
Integer ExecuteAll(sqlite3* db, std::string_view text, const TParameters* params);

}  // namespace orv
