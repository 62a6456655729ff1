#pragma once
// The database components over SQLite: the connection, queries and commands. Every value that
// comes from a user travels as a bound parameter (":name" in the SQL text), never as SQL text.
//
//   auto* conn = new TADOConnection(form);
//   conn->SetConnectionString("Data Source=Orvane.db");
//   conn->Open();
//   auto* q = new TADOQuery(form);
//   q->SetConnection(conn);
//   q->SQL().SetText("select * from Orvani where nm like :t || '%' order by Nm collate THAI");
//   q->Parameters().ParamByName("t")->SetValue(text);
//   q->Open();
//   for (q->First(); !q->Eof(); q->Next()) ... q->FieldByName("Nm")->AsString() ...
//   q->Edit(); q->FieldByName("tel")->SetAsString("02 123 4567"); q->Post();
#include <chrono>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/db/DB.h"
#include "platform/rtl/StringList.h"

struct sqlite3;

namespace orv {

// An identifier in double quotes, inner quotes doubled: for names read from a file's own schema,
// which cannot travel as parameters.
std::string QuoteIdent(std::string_view name);

class TCustomADODataSet;
class Statement;
struct TSortColumn;

// One parameter of a statement: its name without the colon and the value bound for it.
class TParameter {
 public:
  explicit TParameter(String name) : name_(std::move(name)) {}
  const String& Name() const { return name_; }
  const Variant& Value() const { return value_; }
  // Dates bind as ISO text ("YYYY-MM-DD", with " HH:MM:SS" when there is a time of day),
  // Booleans as 0 and 1, Null and Empty as NULL.
  void SetValue(const Variant& value) { value_ = value; }

 private:
  String name_;
  Variant value_;
};

// The parameters of a statement, made from its ":name" markers; values of names that stay
// when the text changes are kept.
class TParameters {
 public:
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  // EListError outside 0..Count-1.
  TParameter* Items(Integer index) const;
  TParameter* operator[](Integer index) const { return Items(index); }
  // Case-blind; nullptr when absent.
  TParameter* FindParam(const String& name) const;
  // EDatabaseError "Parameter '%s' not found".
  TParameter* ParamByName(const String& name) const;
  // Rebuilds the list from the markers of sql (outside quotes and comments).
  void ParseSQL(const String& sql);

 private:
  std::vector<std::unique_ptr<TParameter>> items_;
};

// The connection to one SQLite database file. The file must exist; CreateDatabase makes one.
// Double-quoted text in SQL is an identifier only (never a string), the journal is WAL, and the
// collation "THAI" sorts Thai names as a Thai reader expects.
class TADOConnection : public TComponent {
  ORV_CLASS(TADOConnection, TComponent)

 public:
  explicit TADOConnection(TComponent* owner);
  ~TADOConnection() override;

  // "Data Source=<file>" among other "name=value;" settings, or a bare file name. "Mode=Read"
  // opens the file for reading only and writes nothing to it, not even the journal mode.
  const String& ConnectionString() const { return connectionString_; }
  void SetConnectionString(const String& connectionString);
  // The file named by the connection string.
  String DataSource() const;
  // The database file given as a path, not as connection-string text: a folder's name may hold
  // ';', '=' or quotes, which the string would split or cut. It takes the place of the string's
  // Data Source; an empty path gives the string's back.
  const String& DatabaseFile() const { return databaseFile_; }
  void SetDatabaseFile(const String& path) { databaseFile_ = path; }
  // The value of one "name=value" setting of the connection string; empty when absent.
  String Setting(const String& name) const;

  // EDatabaseError naming the file and SQLite's reason when it cannot be opened.
  void Open();
  // Closes the datasets that use the connection first.
  void Close();
  bool Connected() const { return db_ != nullptr; }
  void SetConnected(bool connected);

  // Runs every statement of the text; returns the number of rows they changed.
  Integer Execute(const String& commandText);

  // Returns the nesting level; inner levels are savepoints.
  Integer BeginTrans();
  void CommitTrans();
  void RollbackTrans();
  bool InTransaction() const { return transactionLevel_ > 0; }

  // The datasets set to this connection, open or not.
  Integer DataSetCount() const { return static_cast<Integer>(dataSets_.size()); }
  TCustomADODataSet* DataSets(Integer index) const;

  // Creates an empty database file in WAL mode; EDatabaseError when the file exists.
  static void CreateDatabase(const String& fileName);

  // EDatabaseReplaced naming the file when the file at the path is no longer the one opened:
  // moved away or deleted, or written over by something that is not a database program (a
  // backup copied over it). The file is told by the descriptor the connection opened and by its
  // header as this connection last left it; the path is only asked which file it names now. A
  // write then would go into the log of a file that is gone, and that log, left beside the new
  // file, would be read into it as a mix of both. Every write checks it first; once replaced,
  // always.
  void CheckFileUnreplaced();
  // Merges the log into the database file and empties it.
  void MergeLog();

  // A statement still running milliseconds from now is interrupted and fails; 0 lifts the
  // limit. A damaged file or a view that never ends would otherwise hold the program for ever.
  void SetTimeLimit(int milliseconds);
  // Each step of every statement (the work to its next row, or to its end) has milliseconds,
  // counted afresh at every step; 0 lifts the limit. Long work of many quick steps (a report over
  // every member) goes on, and one statement that never gets on is stopped.
  void SetStatementTimeLimit(int milliseconds);
  // The time of a step starts: called by every step of a statement on db.
  static void StartOfStep(sqlite3* db);
  // Whether the limit stopped a statement since it was set.
  bool TimeLimitPassed() const { return limitPassed_; }
  // The limit over the program's own work on what the statements gave (sorting their rows):
  // EDatabaseError "interrupted", as a stopped statement, once the time is up.
  void StopAtTimeLimit();

 private:
  friend class TCustomADODataSet;
  friend class TADOQuery;
  friend class TADOCommand;
  sqlite3* Handle();  // opens on first use
  static int CheckTimeLimit(void* connection);
  void ApplyTimeLimit();
  // A write through the connection. Outside a transaction it opens one of its own, which takes
  // the write lock before the file is looked at (no other program commits between the look and
  // the write) and commits at the end, or rolls back when the write fails.
  class TWrite {
   public:
    // statement: the SQL text of the write, when a caller's; a text that controls transactions
    // or the connection itself runs as it is.
    explicit TWrite(TADOConnection& connection, std::string_view statement = {});
    ~TWrite();
    TWrite(const TWrite&) = delete;
    TWrite& operator=(const TWrite&) = delete;
    void Commit();

   private:
    TADOConnection& connection_;
    bool own_ = false;
  };
  // Inside the write lock: the file must be the one opened, and the change that follows raises
  // its change counter, so that each of this connection's writes leaves a header of its own.
  void StartWrite();
  // EDatabaseReplaced when the last commit found the file replaced.
  void CheckCommitKept();
  // Whether the path names the file of the descriptor, and the file is as this connection last
  // left it or newer by another program's writes.
  bool SameInode() const;
  bool FileAsLeft();
  void NoteFileAsLeft();
  void MarkReplaced();
  // After every commit: the log is on the disk, then goes into the file at once and is emptied,
  // so that nothing of it is left to lay over a file copied over this one later, and the file's
  // new header is noted. A file replaced meanwhile is told, and a log that is not its own is
  // never merged into it.
  static int AfterCommit(void* connection, sqlite3* db, const char* name, int pages);
  void SettleCommit();
  // No other program has the database open (each keeps a shared lock on it while it has).
  bool AloneOnFile() const;
  void Attach(TCustomADODataSet* dataSet);
  void Detach(TCustomADODataSet* dataSet);

  String connectionString_;
  String databaseFile_;
  sqlite3* db_ = nullptr;
  Integer transactionLevel_ = 0;
  std::vector<TCustomADODataSet*> dataSets_;
  std::chrono::steady_clock::time_point deadline_{};
  std::chrono::milliseconds stepLimit_{0};
  bool limited_ = false;
  bool limitPassed_ = false;
  bool watched_ = false;  // a file written through this connection
  bool replaced_ = false;
  // The last commit went into a file no longer at the path, and was told so.
  bool lostCommit_ = false;
  bool lostCommitTold_ = false;
  // The log holds commits written for the file that was replaced: never merged into the new one.
  bool foreignLog_ = false;
  // A read-only connection that made the log files beside a file that had none.
  bool madeLogFiles_ = false;
  int fd_ = -1;  // the file opened, as this connection's own descriptor
  unsigned long long device_ = 0, inode_ = 0;
  struct TFileTimes {
    long long Size = 0, Modified = 0, Changed = 0;
    bool operator==(const TFileTimes&) const = default;
  };
  TFileTimes times_;
  std::uint32_t changeCounter_ = 0, pageCount_ = 0;
  Int64 applicationId_ = 0;
};

// A dataset over one SQL statement of a connection. When the statement reads one table (or a
// view of one) the rows can be edited: changes are written to that table by its primary key,
// or, for a table without one, by the row's values as read. When every column is a column of
// such a table with a one-column integer key, opening reads only the rows' keys (and the Sort
// fields); a row is read from the table when first needed, so it shows what the table holds
// then, and a row deleted in between keeps its place with its key alone.
class TCustomADODataSet : public TDataSet {
  ORV_CLASS(TCustomADODataSet, TDataSet)

 public:
  explicit TCustomADODataSet(TComponent* owner);
  ~TCustomADODataSet() override;

  TADOConnection* Connection() const { return connection_; }
  void SetConnection(TADOConnection* connection);
  TParameters& Parameters() { return parameters_; }

  // Runs the statement again and goes to the first record.
  void Requery();
  bool CanModify() const override;

  // The order the records are put in when the dataset opens (or is requeried): field names
  // separated by commas, each optionally followed by ASC or DESC. Texts sort as the "THAI"
  // collation sorts them, other values as SQLite does; records that compare equal keep the
  // statement's order. Empty: the statement's order.
  const String& Sort() const { return sort_; }
  void SetSort(const String& sort) { sort_ = sort; }
  // The most records opening reads, the rest of the statement's rows left unread; 0 reads all.
  Integer MaxRecords() const { return maxRecords_; }
  void SetMaxRecords(Integer value) { maxRecords_ = value < 0 ? 0 : value; }

 protected:
  virtual String StatementText() const = 0;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalPost(Int64 row, Int64 original) override;
  void InternalDelete(Int64 row) override;
  void InternalReadRows(const std::vector<std::pair<Int64, Int64>>& rows,
                        const std::vector<bool>& columns) override;
  void InternalReadRest(Int64 row, const std::vector<bool>& read) override;
  Integer InternalWalkRows(const std::vector<bool>& columns) const override;
  int InternalMatchUnread(Int64 ticket, const std::vector<TField*>& keys,
                          const std::vector<Variant>& values, TLocateOptions options) const override;
  sqlite3* Database() const;

  TParameters parameters_;

 private:
  friend class TADOConnection;
  struct Table;
  struct Unread;
  Int64 ResolveRowId(Int64 row) const;
  void RefreshRow(Int64 row, Int64 rowId);
  // Opens with the keys of the rows only; false when the statement cannot be read that way.
  bool OpenByKeys(std::unique_ptr<Statement>& whole, std::string_view statement,
                  const std::vector<String>& names,
                  Integer keyColumn, const String& table, const std::vector<String>& origins,
                  const std::vector<TSortColumn>& sort);

  TADOConnection* connection_ = nullptr;
  std::unique_ptr<Table> table_;  // the table that edits go to; nullptr when read-only
  std::unique_ptr<Unread> unread_;  // how rows not read at open are read; nullptr when all were
  String sort_;
  Integer maxRecords_ = 0;
};

// A query whose SQL text is a string list.
class TADOQuery : public TCustomADODataSet {
  ORV_CLASS(TADOQuery, TCustomADODataSet)

 public:
  explicit TADOQuery(TComponent* owner);
  ~TADOQuery() override;

  // Changing the text closes the query and remakes Parameters.
  TStringList& SQL() { return *sql_; }
  // Runs a statement that returns no rows; returns the rows it changed.
  Integer ExecSQL();
  Integer RowsAffected() const { return rowsAffected_; }

 protected:
  String StatementText() const override;

 private:
  std::unique_ptr<TStringList> sql_;
  Integer rowsAffected_ = 0;
};

// A statement run for its effect.
class TADOCommand : public TComponent {
  ORV_CLASS(TADOCommand, TComponent)

 public:
  explicit TADOCommand(TComponent* owner);

  TADOConnection* Connection() const { return connection_; }
  void SetConnection(TADOConnection* connection);
  const String& CommandText() const { return commandText_; }
  // Remakes Parameters.
  void SetCommandText(const String& text);
  TParameters& Parameters() { return parameters_; }
  // Returns the rows changed.
  Integer Execute();

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TADOConnection* connection_ = nullptr;
  String commandText_;
  TParameters parameters_;
};

}  // namespace orv
