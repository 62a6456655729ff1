#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "platform/db/ADODB.h"
#include "platform/db/Sqlite.h"
#include "platform/db/ThaiCollation.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TADOConnection, c) {
  c.Prop("ConnectionString", &TADOConnection::ConnectionString,
         &TADOConnection::SetConnectionString);
  c.Prop("Connected", &TADOConnection::Connected, &TADOConnection::SetConnected);
}

TADOConnection::TADOConnection(TComponent* owner) : TComponent(owner) {}

TADOConnection::~TADOConnection() {
  Close();
  for (TCustomADODataSet* ds : dataSets_) ds->connection_ = nullptr;
}

void TADOConnection::SetConnectionString(const String& connectionString) {
  connectionString_ = connectionString;
}

namespace {

bool HasLog(const String& file) {
  struct stat st;
  return stat((file + "-wal").c_str(), &st) == 0 && st.st_size > 0;
}

// A read-only URI for file. A WAL database is read through a shared-memory file beside it;
// where that file cannot be made (a folder the user may not write to) a database without a
// log can be read as unchanging. One with a log is not: read as unchanging, SQLite would
// ignore the log and every change still in it.
String ReadOnlyUri(const String& file) {
  String uri = "file:";
  for (char c : file) {
    if (c == '%' || c == '?' || c == '#') {
      const char* hex = "0123456789ABCDEF";
      unsigned char b = static_cast<unsigned char>(c);
      uri += {'%', hex[b >> 4], hex[b & 15]};
    } else {
      uri += c;
    }
  }
  uri += "?mode=ro";
  size_t slash = file.rfind('/');
  String folder = slash == String::npos ? String(".") : slash == 0 ? String("/") : file.substr(0, slash);
  if (access(folder.c_str(), W_OK) != 0 && !HasLog(file)) uri += "&immutable=1";
  return uri;
}

// Turns the log on. Switching a database that has none yet needs the file to itself, and a
// program that holds a read lock while another waits to write is refused at once, without
// waiting (waiting could never end): several programs opening such a file together would fail
// with "database is locked". They try again until the busy time is up.
void UseLog(sqlite3* db) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (;;) {
    try {
      ExecuteAll(db, "PRAGMA journal_mode=WAL", nullptr);
      return;
    } catch (const EDatabaseLocked&) {
      if (std::chrono::steady_clock::now() >= deadline) throw;
      sqlite3_sleep(5);
    }
  }
}

}  // namespace

String TADOConnection::DataSource() const { return databaseFile_.empty() ? Setting("Data Source") : databaseFile_; }

String TADOConnection::Setting(const String& name) const {
  const String& cs = connectionString_;
  if (cs.find('=') == String::npos) return SameText(name, "Data Source") ? Trim(cs) : String();
  size_t i = 0;
  while (i < cs.size()) {
    size_t eq = cs.find('=', i);
    if (eq == String::npos) break;
    String key = Trim(cs.substr(i, eq - i));
    size_t v = eq + 1;
    while (v < cs.size() && cs[v] == ' ') ++v;
    String value;
    size_t next;
    if (v < cs.size() && (cs[v] == '"' || cs[v] == '\'')) {
      size_t close = cs.find(cs[v], v + 1);
      if (close == String::npos) close = cs.size();
      value = cs.substr(v + 1, close - v - 1);
      next = cs.find(';', close);
    } else {
      next = cs.find(';', v);
      value = Trim(cs.substr(v, next == String::npos ? String::npos : next - v));
    }
    if (SameText(key, name)) return value;
    if (next == String::npos) break;
    i = next + 1;
  }
  return String();
}

void TADOConnection::Open() {
  if (db_) return;
  String file = DataSource();
  if (file.empty()) throw EDatabaseError("No database file is named in the connection string");
  sqlite3* db = nullptr;
  bool readOnly = SameText(Setting("Mode"), "Read");
  String name = readOnly ? ReadOnlyUri(file) : file;
  // The program uses a connection from one thread at a time; SQLite's own lock around every
  // call would only cost time.
  int flags = (readOnly ? SQLITE_OPEN_READONLY | SQLITE_OPEN_URI : SQLITE_OPEN_READWRITE) |
              SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(name.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    String reason = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close_v2(db);
    throw EDatabaseError(Format("Cannot open database '%s': %s", {file, reason}));
  }
  try {
    if (readOnly && HasLog(file)) {
      // Reading the log needs its shared-memory file, which SQLite may not be able to make.
      if (sqlite3_exec(db, "select count(*) from sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw EDatabaseError(Format("Cannot open database '%s': its log '%s-wal' cannot be read: %s",
                                    {file, file, String(sqlite3_errmsg(db))}));
    }
    // Without this, "x" naming no column silently becomes the string 'x'.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_busy_timeout(db, 5000);
    // Choosing the journal writes to the file: a reader leaves the file as it found it.
    if (!readOnly) UseLog(db);
    // A committed write survives a crash of the program; only a power loss can take back the
    // last writes before the next checkpoint. Syncing every commit would slow each field save.
    ExecuteAll(db, "PRAGMA synchronous=NORMAL", nullptr);
    // No memory map: pages SQLite maps stay resident in the program for as long as the
    // connection is open, so one read of every member (an export, a report) would leave the
    // whole file counted in its memory. Full reads run at much the same speed without it.
    RegisterThaiCollation(db);
  } catch (...) {
    sqlite3_close_v2(db);
    throw;
  }
  db_ = db;
  replaced_ = false;
  // A database in memory has no file to watch.
  watched_ = !readOnly && StampOf(stamp_);
  if (watched_) {
    sqlite3_wal_hook(db_, AfterCommit, this);
    Statement read(db_, "PRAGMA data_version");
    read.Step();
    dataVersion_ = DataVersion();
  }
  ApplyTimeLimit();
}

bool TADOConnection::StampOf(TFileStamp& stamp) const {
  struct stat st;
  if (::stat(DataSource().c_str(), &st) != 0) return false;
  auto nanoseconds = [](const timespec& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; };
  stamp = {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
           static_cast<long long>(st.st_size), nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
  return true;
}

Int64 TADOConnection::DataVersion() const {
  // Counts every change of the database, this connection's own commits among them, as far as
  // the connection has read: a read brings it up to date with other connections' commits.
  unsigned int version = 0;
  sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &version);
  return version;
}

int TADOConnection::AfterCommit(void* connection, sqlite3* db, const char* name, int) {
  sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
  auto* c = static_cast<TADOConnection*>(connection);
  c->StampOf(c->stamp_);
  c->dataVersion_ = c->DataVersion();
  return SQLITE_OK;
}

void TADOConnection::CheckFileUnreplaced() {
  if (!db_ || !watched_ || transactionLevel_ > 0) return;
  TFileStamp now;
  bool same = !replaced_ && StampOf(now) && now.Device == stamp_.Device && now.Inode == stamp_.Inode;
  if (same && (now.Size != stamp_.Size || now.Modified != stamp_.Modified || now.Changed != stamp_.Changed)) {
    // Written since: by another database program, which commits through the log like this
    // one, or over it by something else.
    Statement read(db_, "PRAGMA data_version");
    read.Step();
    const Int64 version = DataVersion();
    same = version != dataVersion_;
    if (same) {
      dataVersion_ = version;
      stamp_ = now;
    }
  }
  // Once replaced, always: the file at the path is not this connection's any more.
  replaced_ = !same;
  if (replaced_)
    throw EDatabaseReplaced(Format(
        "The database file '%s' is no longer the one that was opened: it was moved, deleted or written over",
        {DataSource()}));
}

void TADOConnection::MergeLog() {
  if (!db_ || !watched_) return;
  // Without waiting for other programs' readers: what they still read stays in the log.
  sqlite3_busy_timeout(db_, 0);
  sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  sqlite3_busy_timeout(db_, 5000);
  StampOf(stamp_);
}

void TADOConnection::SetTimeLimit(int milliseconds) {
  limited_ = milliseconds > 0;
  limitPassed_ = false;
  deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  ApplyTimeLimit();
}

int TADOConnection::CheckTimeLimit(void* connection) {
  auto* c = static_cast<TADOConnection*>(connection);
  if (std::chrono::steady_clock::now() < c->deadline_) return 0;
  c->limitPassed_ = true;
  return 1;
}

void TADOConnection::StopAtTimeLimit() {
  if (!limited_ || std::chrono::steady_clock::now() < deadline_) return;
  limitPassed_ = true;
  throw EDatabaseError("interrupted");
}

void TADOConnection::ApplyTimeLimit() {
  // The clock is read every few thousand steps of a statement; without a limit, never.
  if (db_) sqlite3_progress_handler(db_, limited_ ? 4000 : 0, limited_ ? CheckTimeLimit : nullptr, this);
}

void TADOConnection::Close() {
  if (!db_) return;
  for (TCustomADODataSet* ds : std::vector<TCustomADODataSet*>(dataSets_)) ds->Close();
  // An open transaction is rolled back by the close.
  transactionLevel_ = 0;
  // A file moved away keeps its log, which SQLite does not merge then, under the name the file
  // at the path now reads as its own: the log goes into the file it belongs to and is emptied.
  TFileStamp now;
  if (watched_ && (!StampOf(now) || now.Device != stamp_.Device || now.Inode != stamp_.Inode))
    sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

void TADOConnection::SetConnected(bool connected) {
  if (connected)
    Open();
  else
    Close();
}

sqlite3* TADOConnection::Handle() {
  Open();
  return db_;
}

Integer TADOConnection::Execute(const String& commandText) {
  sqlite3* db = Handle();
  CheckFileUnreplaced();
  return ExecuteAll(db, commandText, nullptr);
}

Integer TADOConnection::BeginTrans() {
  sqlite3* db = Handle();
  CheckFileUnreplaced();
  ExecuteAll(db, transactionLevel_ == 0 ? String("BEGIN")
                                        : "SAVEPOINT level" + IntToStr(transactionLevel_ + 1),
             nullptr);
  return ++transactionLevel_;
}

void TADOConnection::CommitTrans() {
  if (transactionLevel_ == 0) throw EDatabaseError("No transaction is active");
  ExecuteAll(db_, transactionLevel_ == 1 ? String("COMMIT")
                                         : "RELEASE level" + IntToStr(transactionLevel_),
             nullptr);
  --transactionLevel_;
}

void TADOConnection::RollbackTrans() {
  if (transactionLevel_ == 0) throw EDatabaseError("No transaction is active");
  // A full disk, an I/O error or a lack of memory has SQLite roll the whole transaction back
  // itself: there is nothing left to roll back, and the error that did it is the one to tell.
  if (sqlite3_get_autocommit(db_)) {
    transactionLevel_ = 0;
    return;
  }
  String level = "level" + IntToStr(transactionLevel_);
  ExecuteAll(db_, transactionLevel_ == 1 ? String("ROLLBACK")
                                         : "ROLLBACK TO " + level + "; RELEASE " + level,
             nullptr);
  --transactionLevel_;
}

TCustomADODataSet* TADOConnection::DataSets(Integer index) const {
  if (index < 0 || index >= DataSetCount())
    throw EListError(Format("List index out of bounds (%d)", {index}));
  return dataSets_[static_cast<size_t>(index)];
}

void TADOConnection::Attach(TCustomADODataSet* dataSet) { dataSets_.push_back(dataSet); }

void TADOConnection::Detach(TCustomADODataSet* dataSet) { std::erase(dataSets_, dataSet); }

void TADOConnection::CreateDatabase(const String& fileName) {
  if (access(fileName.c_str(), F_OK) == 0)
    throw EDatabaseError(Format("Database file '%s' already exists", {fileName}));
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(fileName.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                           nullptr);
  try {
    if (rc != SQLITE_OK) RaiseSqliteError(db, "");
    ExecuteAll(db, "PRAGMA journal_mode=WAL", nullptr);
  } catch (...) {
    sqlite3_close_v2(db);
    throw;
  }
  sqlite3_close_v2(db);
}

}  // namespace orv
