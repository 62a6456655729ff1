#include "platform/db/Sqlite.h"

#include <cerrno>
#include <cmath>

#include "platform/db/ADODB.h"
#include "platform/db/SqlValues.h"
#include "platform/rtl/Format.h"

namespace orv {

void RaiseSqliteError(sqlite3* db, std::string_view sql) {
  const int lastErrno = errno;
  String message = db ? sqlite3_errmsg(db) : "out of memory";
  if (!sql.empty()) {
    message += "\nSQL: ";
    message += sql;
  }
  int code = db ? sqlite3_errcode(db) & 0xff : SQLITE_NOMEM;
  // SQLite keeps the system's error of an I/O failure only where the failing call said it; the
  // error still standing from that call tells the rest.
  int systemError = db ? sqlite3_system_errno(db) : 0;
  if (systemError == 0 && code == SQLITE_IOERR) systemError = lastErrno;
  if (code == SQLITE_BUSY || code == SQLITE_LOCKED) throw EDatabaseLocked(message);
  if (code == SQLITE_READONLY) throw EDatabaseReadOnly(message);
  if (code == SQLITE_CONSTRAINT) throw EDatabaseRefused(message);
  if (code == SQLITE_INTERRUPT) throw EDatabaseInterrupted(message);
  // A write that passes a file-size limit fails as a disk I/O error, not as a full disk.
  bool noRoom = systemError == ENOSPC || systemError == EFBIG || systemError == EDQUOT;
  if (code == SQLITE_FULL || (code == SQLITE_IOERR && noRoom)) throw EDatabaseFull(message, noRoom ? systemError : 0);
  throw EDatabaseError(message);
}

Statement::Statement(sqlite3* db, std::string_view sql, std::string_view* tail)
    : db_(db), sql_(sql) {
  const char* rest = nullptr;
  if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, &rest) != SQLITE_OK)
    RaiseSqliteError(db, sql);
  if (tail) *tail = sql.substr(static_cast<size_t>(rest - sql.data()));
  if (stmt_) {
    // The message of an error names the statement itself, not the rest of the text.
    sql_ = std::string(sql.substr(0, static_cast<size_t>(rest - sql.data())));
  }
}

bool Statement::Step() {
  TADOConnection::StartOfStep(db_);
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  // sqlite3_reset reports the statement's own error code and keeps the message for errmsg.
  sqlite3_reset(stmt_);
  RaiseSqliteError(db_, sql_);
}

void Statement::Bind(int index, const Variant& value) {
  int rc = SQLITE_OK;
  TVarType t = VarType(value) & varTypeMask;
  if (value.IsArray()) throw EDatabaseError("An array cannot be bound to a statement");
  switch (t) {
    case varEmpty:
    case varNull: rc = sqlite3_bind_null(stmt_, index); break;
    case varBoolean: rc = sqlite3_bind_int(stmt_, index, value.ToBoolean() ? 1 : 0); break;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: rc = sqlite3_bind_int64(stmt_, index, value.ToInt64()); break;
    case varSingle:
    case varDouble:
    case varCurrency: rc = sqlite3_bind_double(stmt_, index, value.ToDouble()); break;
    case varDate: {
      double d = value.ToDateTime();
      String text = IsoDateText(d, std::trunc(d) != d);
      rc = sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                             SQLITE_TRANSIENT);
      break;
    }
    default: {
      String text = value.ToString();
      rc = sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                             SQLITE_TRANSIENT);
    }
  }
  if (rc != SQLITE_OK) RaiseSqliteError(db_, sql_);
}

void Statement::Bind(int index, const CellView& cell) {
  int rc = SQLITE_OK;
  switch (cell.Type) {
    case CellType::Null: rc = sqlite3_bind_null(stmt_, index); break;
    case CellType::Integer: rc = sqlite3_bind_int64(stmt_, index, cell.Int); break;
    case CellType::Float: rc = sqlite3_bind_double(stmt_, index, cell.Float); break;
    case CellType::Text:
      rc = sqlite3_bind_text64(stmt_, index, cell.Bytes.data(), cell.Bytes.size(),
                               SQLITE_TRANSIENT, SQLITE_UTF8);
      break;
    case CellType::Blob:
      rc = sqlite3_bind_blob64(stmt_, index, cell.Bytes.data(), cell.Bytes.size(),
                               SQLITE_TRANSIENT);
      break;
  }
  if (rc != SQLITE_OK) RaiseSqliteError(db_, sql_);
}

CellView Statement::Column(int index) const {
  switch (sqlite3_column_type(stmt_, index)) {
    case SQLITE_INTEGER: return CellView::MakeInteger(sqlite3_column_int64(stmt_, index));
    case SQLITE_FLOAT: return CellView::MakeFloat(sqlite3_column_double(stmt_, index));
    case SQLITE_TEXT: {
      auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
      return CellView::MakeText(std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(stmt_, index))));
    }
    case SQLITE_BLOB: {
      auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, index));
      int n = sqlite3_column_bytes(stmt_, index);
      return CellView::MakeBlob(n ? std::string_view(p, static_cast<size_t>(n)) : std::string_view());
    }
    default: return CellView();
  }
}

std::string QuoteIdent(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

}  // namespace orv

namespace orv {

void BindParameters(Statement& statement, const TParameters& params) {
  sqlite3_stmt* stmt = statement.Handle();
  int count = sqlite3_bind_parameter_count(stmt);
  for (int i = 1; i <= count; ++i) {
    const char* name = sqlite3_bind_parameter_name(stmt, i);
    if (name && name[0] != '?') {
      statement.Bind(i, params.ParamByName(name + 1)->Value());
    } else {
      if (i > params.Count())
        throw EDatabaseError(Format("Parameter %d not found", {i}));
      statement.Bind(i, params.Items(i - 1)->Value());
    }
  }
}

Integer ExecuteAll(sqlite3* db, std::string_view text, const TParameters* params) {
  sqlite3_int64 before = sqlite3_total_changes64(db);
  std::string_view rest = text;
  while (!rest.empty()) {
    std::string_view tail;
    Statement st(db, rest, &tail);
    if (st.IsEmpty()) break;
    if (params) BindParameters(st, *params);
    while (st.Step()) {
    }
    rest = tail;
  }
  return static_cast<Integer>(sqlite3_total_changes64(db) - before);
}

}  // namespace orv
