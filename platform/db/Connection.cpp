#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>

#include "platform/db/ADODB.h"
#include "platform/db/LogFile.h"
#include "platform/db/Sqlite.h"
#include "platform/db/ThaiCollation.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

// The connections whose steps each have a time of their own; the program has one or two.
std::vector<TADOConnection*>& StepLimited() {
  static std::vector<TADOConnection*> connections;
  return connections;
}

}  // namespace

ORV_IMPLEMENT_CLASS(TADOConnection, c) {
  c.Prop("ConnectionString", &TADOConnection::ConnectionString,
         &TADOConnection::SetConnectionString);
  c.Prop("Connected", &TADOConnection::Connected, &TADOConnection::SetConnected);
}

TADOConnection::TADOConnection(TComponent* owner) : TComponent(owner) {}

TADOConnection::~TADOConnection() {
  Close();
  std::erase(StepLimited(), this);
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

// A write of the caller's own text that runs as it is: it controls transactions or the
// connection, and cannot run inside a transaction of the connection's own.
bool ControlsConnection(std::string_view statement) {
  size_t i = 0;
  while (i < statement.size()) {
    if (std::isspace(static_cast<unsigned char>(statement[i]))) {
      ++i;
    } else if (statement.substr(i, 2) == "--") {
      i = statement.find('\n', i);
      if (i == std::string_view::npos) return false;
    } else if (statement.substr(i, 2) == "/*") {
      i = statement.find("*/", i);
      if (i == std::string_view::npos) return false;
      i += 2;
    } else {
      break;
    }
  }
  String word;
  while (i < statement.size() && std::isalpha(static_cast<unsigned char>(statement[i]))) word += statement[i++];
  word = UpperCase(word);
  for (const char* control : {"BEGIN", "COMMIT", "END", "ROLLBACK", "SAVEPOINT", "RELEASE", "PRAGMA", "VACUUM",
                              "ATTACH", "DETACH"})
    if (word == control) return true;
  return false;
}

void SyncFile(const String& file) {
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

long long Nanoseconds(const timespec& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; }

// Wrapping comparison of change counters: b was written after a.
bool Later(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(b - a) > 0; }

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
  if (file != ":memory:" && !LogBelongsToDatabase(file))
    throw EDatabaseForeignLog(Format(
        "Cannot open database '%s': its log '%s-wal' was written for another file (a copy put over the database "
        "after a crash?); laid over this one it would mix the two",
        {file, file}));
  const bool hadLogFiles = access((file + "-wal").c_str(), F_OK) == 0 || access((file + "-shm").c_str(), F_OK) == 0;
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
    // A file written through the connection is synced by the connection itself after every
    // commit, in the order that lets it look at the file between the steps (AfterCommit).
    ExecuteAll(db, readOnly ? "PRAGMA synchronous=NORMAL" : "PRAGMA synchronous=OFF", nullptr);
    // No memory map: pages SQLite maps stay resident in the program for as long as the
    // connection is open, so one read of every member (an export, a report) would leave the
    // whole file counted in its memory. Full reads run at much the same speed without it.
    // A reader's rows are read once each, mostly by their keys in another order than the
    // file's: beyond the tree's inner pages a cache keeps little that is read again, and the
    // system's own cache hands a page back nearly as fast. A quarter of a megabyte instead of
    // two takes the difference off the peak of every report run at the same speed.
    if (readOnly) ExecuteAll(db, "PRAGMA cache_size=-256", nullptr);
    RegisterThaiCollation(db);
  } catch (...) {
    sqlite3_close_v2(db);
    throw;
  }
  db_ = db;
  replaced_ = lostCommit_ = lostCommitTold_ = foreignLog_ = false;
  madeLogFiles_ = readOnly && !hadLogFiles;
  // A database in memory has no file to watch.
  watched_ = false;
  if (!readOnly && file != ":memory:") {
    fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    watched_ = fd_ >= 0 && ::fstat(fd_, &st) == 0;
  }
  if (watched_) {
    Statement id(db_, "PRAGMA application_id");
    id.Step();
    applicationId_ = id.Column(0).Int;
    NoteFileAsLeft();
    sqlite3_wal_hook(db_, AfterCommit, this);
  }
  ApplyTimeLimit();
}

bool TADOConnection::SameInode() const {
  struct stat st;
  return ::stat(DataSource().c_str(), &st) == 0 && static_cast<unsigned long long>(st.st_dev) == device_ &&
         static_cast<unsigned long long>(st.st_ino) == inode_;
}

void TADOConnection::NoteFileAsLeft() {
  struct stat st;
  if (::fstat(fd_, &st) == 0) {
    device_ = static_cast<unsigned long long>(st.st_dev);
    inode_ = static_cast<unsigned long long>(st.st_ino);
    times_ = {static_cast<long long>(st.st_size), Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim)};
  }
  TDatabaseHeader header;
  if (ReadDatabaseHeader(fd_, header)) {
    changeCounter_ = header.ChangeCounter;
    pageCount_ = header.PageCount;
  }
}

bool TADOConnection::FileAsLeft() {
  if (replaced_ || !SameInode()) return false;
  struct stat st;
  if (::fstat(fd_, &st) != 0) return false;
  // Not written since: another program's commits, if any, are still in the log.
  if (TFileTimes{static_cast<long long>(st.st_size), Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim)} == times_)
    return true;
  TDatabaseHeader header;
  if (!ReadDatabaseHeader(fd_, header)) return false;
  // Written by a checkpoint that did not touch the first page, or a later state that another
  // program's commits brought the file to; a copy of the file as it was before this connection's
  // last write carries an older counter (every such write raises it).
  if ((header.ChangeCounter == changeCounter_ && header.PageCount == pageCount_) ||
      Later(changeCounter_, header.ChangeCounter)) {
    NoteFileAsLeft();
    return true;
  }
  return false;
}

void TADOConnection::MarkReplaced() {
  replaced_ = true;
  // Written over in place: the log holds commits (this connection's or another program's) made
  // for the file that was there, and must never be merged into this one. A file moved away
  // still has its log, which goes into it through SQLite's own descriptor.
  if (SameInode()) foreignLog_ = true;
}

void TADOConnection::CheckFileUnreplaced() {
  if (!db_ || !watched_) return;
  if (!FileAsLeft()) MarkReplaced();
  if (replaced_)
    throw EDatabaseReplaced(Format(
        "The database file '%s' is no longer the one that was opened: it was moved, deleted or written over",
        {DataSource()}));
}

void TADOConnection::StartWrite() {
  CheckFileUnreplaced();
  if (!watched_) return;
  // Rewriting the header's application field makes the first page part of the commit, and
  // SQLite raises the change counter of every commit that writes the first page.
  ExecuteAll(db_, "PRAGMA application_id = " + IntToStr(applicationId_), nullptr);
}

int TADOConnection::AfterCommit(void* connection, sqlite3*, const char*, int) {
  static_cast<TADOConnection*>(connection)->SettleCommit();
  return SQLITE_OK;
}

void TADOConnection::SettleCommit() {
  // The commit on the disk first: from here on a crash keeps it.
  SyncFile(DataSource() + "-wal");
  const bool moved = !SameInode();
  const std::uint32_t before = changeCounter_;
  if (!moved && !FileAsLeft()) {
    // Written over while the commit reached the disk: the log holds pages of the file that was
    // there, and merged into this one they would mix the two.
    MarkReplaced();
    lostCommit_ = true;
    return;
  }
  // Moved away, the log still goes into the file it was written for, through SQLite's own
  // descriptor of it, and leaves the file now at the path without it.
  sqlite3_busy_timeout(db_, 0);
  int logged = 0, merged = 0;
  bool whole = sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_PASSIVE, &logged, &merged) == SQLITE_OK &&
               logged == merged;
  if (whole) {
    ::fsync(fd_);
    // Without waiting for other programs' readers: what they still read stays in the log.
    sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  }
  sqlite3_busy_timeout(db_, 5000);
  TDatabaseHeader header;
  if (moved || !SameInode() || !ReadDatabaseHeader(fd_, header) || (whole && !Later(before, header.ChangeCounter))) {
    // Moved away or written over after the commit went into the file: what is at the path now
    // does not hold it.
    MarkReplaced();
    lostCommit_ = true;
    return;
  }
  NoteFileAsLeft();
  // SQLite raises the counter from the value it read with the first page, and a page kept in
  // its cache is not read again: let go of the cache, so that the next write reads the page as
  // this one left it and raises the counter past it.
  sqlite3_db_release_memory(db_);
}

void TADOConnection::CheckCommitKept() {
  if (!lostCommit_ || lostCommitTold_) return;
  lostCommitTold_ = true;
  throw EDatabaseWrittenIntoReplaced(Format(
      "The database file '%s' was moved or written over while a change was being saved: the change went into "
      "the file that was there before",
      {DataSource()}));
}

void TADOConnection::MergeLog() {
  if (!db_ || !watched_ || foreignLog_) return;
  // Without waiting for other programs' readers: what they still read stays in the log.
  sqlite3_busy_timeout(db_, 0);
  sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  sqlite3_busy_timeout(db_, 5000);
  if (SameInode() && !replaced_) NoteFileAsLeft();
}

bool TADOConnection::AloneOnFile() const {
  int fd = ::open(DataSource().c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // SQLite's shared lock bytes: every connection to a database in WAL mode holds one of them.
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0x40000002;
  lock.l_len = 510;
  bool alone = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type == F_UNLCK;
  // Closing a descriptor drops this process's locks on the file: only once SQLite has let go.
  ::close(fd);
  return alone;
}

TADOConnection::TWrite::TWrite(TADOConnection& connection, std::string_view statement) : connection_(connection) {
  sqlite3* db = connection_.Handle();
  const bool control = !statement.empty() && ControlsConnection(statement);
  if (!connection_.watched_ || control || connection_.transactionLevel_ > 0 || !sqlite3_get_autocommit(db)) {
    connection_.CheckFileUnreplaced();
    return;
  }
  ExecuteAll(db, "BEGIN IMMEDIATE", nullptr);
  try {
    connection_.StartWrite();
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  own_ = true;
}

TADOConnection::TWrite::~TWrite() {
  // A failed write that SQLite rolled back itself (a full disk) has nothing left to roll back.
  if (own_ && !sqlite3_get_autocommit(connection_.db_))
    sqlite3_exec(connection_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void TADOConnection::TWrite::Commit() {
  if (!own_) return;
  ExecuteAll(connection_.db_, "COMMIT", nullptr);
  own_ = false;
  connection_.CheckCommitKept();
}

void TADOConnection::SetStatementTimeLimit(int milliseconds) {
  SetTimeLimit(milliseconds);
  stepLimit_ = std::chrono::milliseconds(milliseconds > 0 ? milliseconds : 0);
  if (limited_) StepLimited().push_back(this);
}

void TADOConnection::StartOfStep(sqlite3* db) {
  for (TADOConnection* c : StepLimited())
    if (c->db_ == db) c->deadline_ = std::chrono::steady_clock::now() + c->stepLimit_;
}

void TADOConnection::SetTimeLimit(int milliseconds) {
  std::erase(StepLimited(), this);
  stepLimit_ = std::chrono::milliseconds(0);
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
  throw EDatabaseInterrupted("interrupted");
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
  const String file = DataSource();
  // Written over since the last look, with no write to tell it: the log is not this file's
  // either.
  if (watched_ && !replaced_ && SameInode() && !FileAsLeft()) MarkReplaced();
  if (foreignLog_) {
    // The log holds commits for the file that was written over: the last connection to close
    // would merge them into the one there now.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  } else if (watched_ && !SameInode()) {
    // A file moved away keeps its log, which SQLite does not merge then, under the name the
    // file at the path now reads as its own: the log goes into the file it belongs to and is
    // emptied.
    sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  }
  sqlite3_close_v2(db_);
  db_ = nullptr;
  // Log files that are not the file's, or that a reader made beside a file that had none, go
  // when no other program has the file open.
  bool removeLog = foreignLog_;
  if (madeLogFiles_) {
    struct stat st;
    removeLog = ::stat((file + "-wal").c_str(), &st) != 0 || st.st_size == 0;
  }
  if (removeLog && AloneOnFile()) {
    ::unlink((file + "-wal").c_str());
    ::unlink((file + "-shm").c_str());
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  watched_ = madeLogFiles_ = false;
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
  TWrite write(*this, commandText);
  Integer changed = ExecuteAll(db_, commandText, nullptr);
  write.Commit();
  return changed;
}

Integer TADOConnection::BeginTrans() {
  sqlite3* db = Handle();
  if (transactionLevel_ > 0) {
    ExecuteAll(db, "SAVEPOINT level" + IntToStr(transactionLevel_ + 1), nullptr);
    return ++transactionLevel_;
  }
  CheckFileUnreplaced();
  // The write lock from the start, so that the file is looked at with no other program's
  // commit to come before this transaction's.
  ExecuteAll(db, watched_ ? "BEGIN IMMEDIATE" : "BEGIN", nullptr);
  try {
    StartWrite();
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  return ++transactionLevel_;
}

void TADOConnection::CommitTrans() {
  if (transactionLevel_ == 0) throw EDatabaseError("No transaction is active");
  ExecuteAll(db_, transactionLevel_ == 1 ? String("COMMIT")
                                         : "RELEASE level" + IntToStr(transactionLevel_),
             nullptr);
  if (--transactionLevel_ == 0) CheckCommitKept();
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
