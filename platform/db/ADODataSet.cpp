#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "platform/db/ADODB.h"
#include "platform/db/RowOrder.h"
#include "platform/db/Sqlite.h"
#include "platform/db/ThaiCollation.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TCustomADODataSet, c) {}

// The table that edits of the dataset go to.
struct TCustomADODataSet::Table {
  String qualifiedName;         // "schema"."table"
  std::vector<String> columns;  // per field: the table column it shows, "" for expressions
  std::vector<Integer> key;     // fields holding the whole primary key; empty: match every column
};

// The rows not read at open: the key of each, in the statement's order, the statement that
// reads the row of a key from the table, and the dataset's own statement with the values it
// opened with, for reading many rows in one pass.
struct TCustomADODataSet::Unread {
  std::vector<Int64> keys;
  Integer keyColumn = 0;
  String table;                 // "schema"."table"
  std::vector<String> origins;  // the table column of each field
  std::unique_ptr<Statement> fetch;
  std::unique_ptr<Statement> fetchBatch;  // kFetchBatch keys at a time, made when first wanted
  std::unique_ptr<Statement> whole;
  // The statement sorts its rows: running it again sorts them again, which reading them by
  // their keys does not.
  bool sorts = false;
  // Some columns of kFetchBatch keys, and the columns they are.
  std::unique_ptr<Statement> someBatch;
  std::vector<int> someColumns;
  // The columns of one key that a walk left unread.
  std::unique_ptr<Statement> rest;
  std::vector<int> restColumns;
};

namespace {

constexpr int kFetchBatch = 256;

bool Contains(const String& upper, const char* word) { return upper.find(word) != String::npos; }

// The declared length in "TEXT(50)" or "VARCHAR(50)"; 255 when none is given.
Integer DeclaredSize(const String& decl) {
  size_t open = decl.find('(');
  if (open == String::npos) return 255;
  Integer n = StrToIntDef(Trim(decl.substr(open + 1, decl.find_first_of(",)", open) - open - 1)), 255);
  return n > 0 ? n : 255;
}

struct ColumnInfo {
  String name;
  String decl;
  bool autoInc = false;
};

// The field class for a column's declared type; nullptr when it declares none we know.
std::unique_ptr<TField> FieldOfDecl(TDataSet* ds, const ColumnInfo& col) {
  String t = UpperCase(col.decl);
  const String& n = col.name;
  if (t.empty()) return nullptr;
  if (Contains(t, "BOOL") || t.rfind("BIT", 0) == 0 || Contains(t, "YESNO"))
    return std::make_unique<TBooleanField>(ds, n);
  if (Contains(t, "DATETIME") || Contains(t, "TIMESTAMP"))
    return std::make_unique<TDateTimeField>(ds, n);
  if (Contains(t, "DATE")) return std::make_unique<TDateField>(ds, n);
  if (Contains(t, "INT")) {
    if (col.autoInc) return std::make_unique<TAutoIncField>(ds, n);
    if (Contains(t, "BIGINT") || Contains(t, "INT8")) return std::make_unique<TLargeintField>(ds, n);
    if (Contains(t, "SMALLINT") || Contains(t, "TINYINT") || Contains(t, "INT2"))
      return std::make_unique<TSmallintField>(ds, n);
    return std::make_unique<TIntegerField>(ds, n);
  }
  if (Contains(t, "MEMO") || Contains(t, "LONGTEXT") || Contains(t, "CLOB") ||
      Contains(t, "NTEXT") || Contains(t, "LONGCHAR"))
    return std::make_unique<TMemoField>(ds, n);
  if (Contains(t, "CHAR") || Contains(t, "TEXT"))
    return std::make_unique<TWideStringField>(ds, n, DeclaredSize(t));
  if (Contains(t, "CURRENCY") || Contains(t, "MONEY")) return std::make_unique<TCurrencyField>(ds, n);
  if (Contains(t, "REAL") || Contains(t, "FLOA") || Contains(t, "DOUB") || Contains(t, "NUMERIC") ||
      Contains(t, "DECIMAL"))
    return std::make_unique<TFloatField>(ds, n);
  if (Contains(t, "BLOB") || Contains(t, "BINARY") || Contains(t, "IMAGE") || Contains(t, "OLE"))
    return std::make_unique<TBlobField>(ds, n);
  return nullptr;
}

// The field class for a column without a declared type we know (an expression): by the values
// it holds.
std::unique_ptr<TField> FieldOfValues(TDataSet* ds, const ColumnInfo& col, const RowStore& store,
                                      int column) {
  const String& n = col.name;
  CellType kind = CellType::Null;
  bool wide = false;
  size_t longest = 0;
  for (Int64 r = 0; r < store.Rows(); ++r) {
    CellView v = store.Get(r, column);
    if (v.IsNull()) continue;
    if (kind == CellType::Null) kind = v.Type;
    if (v.Type == CellType::Integer && (v.Int < INT32_MIN || v.Int > INT32_MAX)) wide = true;
    longest = std::max(longest, static_cast<size_t>(Length(v.Bytes)));
  }
  switch (kind) {
    case CellType::Integer:
      if (wide) return std::make_unique<TLargeintField>(ds, n);
      return std::make_unique<TIntegerField>(ds, n);
    case CellType::Float: return std::make_unique<TFloatField>(ds, n);
    case CellType::Blob: return std::make_unique<TBlobField>(ds, n);
    default:
      return std::make_unique<TWideStringField>(ds, n, std::max<Integer>(static_cast<Integer>(longest), 1));
  }
}

bool IsText(const TField& field) {
  switch (field.DataType()) {
    case ftString:
    case ftWideString:
    case ftFixedChar:
    case ftMemo:
    case ftFmtMemo: return true;
    default: return false;
  }
}

// "Nm, Sur DESC" as columns of fields.
std::vector<TSortColumn> SortColumns(const String& sort,
                                     const std::vector<std::unique_ptr<TField>>& fields) {
  std::vector<TSortColumn> columns;
  size_t start = 0;
  while (start <= sort.size()) {
    size_t end = sort.find(',', start);
    if (end == String::npos) end = sort.size();
    String item = Trim(sort.substr(start, end - start));
    start = end + 1;
    if (item.empty()) continue;
    bool descending = false;
    size_t blank = item.find_last_of(" \t");
    if (blank != String::npos) {
      String word = UpperCase(item.substr(blank + 1));
      if (word == "ASC" || word == "DESC") {
        descending = word == "DESC";
        item = Trim(item.substr(0, blank));
      }
    }
    auto it = std::find_if(fields.begin(), fields.end(),
                           [&](const auto& f) { return SameText(f->FieldName(), item); });
    if (it == fields.end()) throw EDatabaseError(Format("Field '%s' not found", {item}));
    columns.push_back({static_cast<int>(it - fields.begin()), IsText(**it), descending});
  }
  return columns;
}

bool AllDifferent(const std::vector<Int64>& keys) {
  if (keys.empty()) return true;
  auto [low, high] = std::minmax_element(keys.begin(), keys.end());
  // Keys given by the table are mostly dense: one bit per possible key is then cheapest.
  if (static_cast<std::uint64_t>(*high) - static_cast<std::uint64_t>(*low) < 8 * keys.size()) {
    std::vector<bool> seen(static_cast<size_t>(*high - *low) + 1);
    for (Int64 key : keys) {
      auto bit = seen[static_cast<size_t>(key - *low)];
      if (bit) return false;
      bit = true;
    }
    return true;
  }
  std::vector<Int64> sorted = keys;
  std::sort(sorted.begin(), sorted.end());
  return std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
}

std::vector<Int64> Identity(Int64 count) {
  std::vector<Int64> rows(static_cast<size_t>(count));
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<Int64>(i);
  return rows;
}

// Reads the columns of the table's rows whose key is one of count parameters.
String FetchText(const String& table, const std::vector<String>& origins, Integer keyColumn,
                 const std::vector<int>& columns, int count) {
  String sql = "SELECT ";
  for (size_t i = 0; i < columns.size(); ++i)
    sql += (i ? ", " : "") + QuoteIdent(origins[static_cast<size_t>(columns[i])]);
  sql += " FROM " + table + " WHERE " + QuoteIdent(origins[static_cast<size_t>(keyColumn)]);
  if (count == 1) return sql + " = ?1";
  sql += " IN (?1";
  for (int i = 2; i <= count; ++i) sql += ", ?" + IntToStr(static_cast<Int64>(i));
  return sql + ")";
}

bool OnlyComments(sqlite3* db, std::string_view text) {
  Statement rest(db, text);
  return rest.IsEmpty();
}

}  // namespace

TCustomADODataSet::TCustomADODataSet(TComponent* owner) : TDataSet(owner) {}

TCustomADODataSet::~TCustomADODataSet() {
  Close();
  if (connection_) connection_->Detach(this);
}

void TCustomADODataSet::SetConnection(TADOConnection* connection) {
  if (connection_ == connection) return;
  Close();
  if (connection_) connection_->Detach(this);
  connection_ = connection;
  if (connection_) connection_->Attach(this);
}

sqlite3* TCustomADODataSet::Database() const {
  if (!connection_) DatabaseError("Missing Connection or ConnectionString");
  return connection_->Handle();
}

bool TCustomADODataSet::CanModify() const { return Active() && table_ != nullptr; }

void TCustomADODataSet::Requery() { Reopen(); }

void TCustomADODataSet::InternalOpen() {
  // An ORDER BY of Thai names sorts while the rows or their keys are read here.
  TThaiSortKeys sortKeys;
  sqlite3* db = Database();
  String text = StatementText();
  std::string_view tail;
  auto st = std::make_unique<Statement>(db, text, &tail);
  if (st->IsEmpty() || sqlite3_column_count(st->Handle()) == 0)
    DatabaseError("CommandText does not return a result set");
  if (!OnlyComments(db, tail)) DatabaseError("A query holds one statement only");
  BindParameters(*st, parameters_);

  sqlite3_stmt* h = st->Handle();
  int count = sqlite3_column_count(h);
  std::vector<ColumnInfo> cols(static_cast<size_t>(count));
  std::vector<String> origins(static_cast<size_t>(count));
  std::vector<String> resultNames(static_cast<size_t>(count));
  String schema, table;
  bool oneTable = true;
  for (int i = 0; i < count; ++i) {
    ColumnInfo& c = cols[static_cast<size_t>(i)];
    c.name = sqlite3_column_name(h, i);
    resultNames[static_cast<size_t>(i)] = c.name;
    const char* decl = sqlite3_column_decltype(h, i);
    c.decl = decl ? decl : "";
    const char* tbl = sqlite3_column_table_name(h, i);
    if (!tbl) continue;
    const char* dbName = sqlite3_column_database_name(h, i);
    const char* origin = sqlite3_column_origin_name(h, i);
    int pk = 0, autoInc = 0;
    sqlite3_table_column_metadata(db, dbName, tbl, origin, nullptr, nullptr, nullptr, &pk, &autoInc);
    c.autoInc = autoInc != 0;
    origins[static_cast<size_t>(i)] = origin;
    if (table.empty()) {
      schema = dbName;
      table = tbl;
    } else if (schema != dbName || table != tbl) {
      oneTable = false;
    }
  }
  // Two result columns of one name get "_1", "_2" ... as the later ones' field names.
  for (size_t i = 0; i < cols.size(); ++i) {
    String base = cols[i].name;
    for (int k = 1;; ++k) {
      bool taken = false;
      for (size_t j = 0; j < i; ++j) taken = taken || SameText(cols[j].name, cols[i].name);
      if (!taken) break;
      cols[i].name = base + "_" + IntToStr(k);
    }
  }

  table_.reset();
  unread_.reset();
  bool rowless = false;
  std::unique_ptr<Table> t;
  if (!table.empty() && oneTable) {
    t = std::make_unique<Table>();
    t->qualifiedName = QuoteIdent(schema) + "." + QuoteIdent(table);
    t->columns = origins;
    try {
      // A table without rowid cannot be written by row; its dataset stays read-only.
      Statement probe(db, "SELECT rowid FROM " + t->qualifiedName + " LIMIT 0");
    } catch (const EDatabaseError&) {
      rowless = true;
      t.reset();
    }
  }
  if (t) {
    Statement pk(db, "SELECT name FROM pragma_table_info(?1, ?2) WHERE pk > 0 ORDER BY pk");
    pk.Bind(1, Variant(table));
    pk.Bind(2, Variant(schema));
    bool whole = true;
    while (pk.Step()) {
      String name(pk.Column(0).Bytes);
      auto it = std::find_if(origins.begin(), origins.end(),
                             [&](const String& o) { return SameText(o, name); });
      if (it == origins.end())
        whole = false;
      else
        t->key.push_back(static_cast<Integer>(it - origins.begin()));
    }
    if (!whole) t->key.clear();
  }

  std::vector<std::unique_ptr<TField>> fields;
  for (const ColumnInfo& c : cols) {
    fields.push_back(FieldOfDecl(this, c));
    if (!fields.back()) {
      fields.clear();
      break;
    }
  }
  std::vector<TSortColumn> sort;
  if (!fields.empty()) sort = SortColumns(sort_, fields);
  // A list of the rows' keys is enough to open when every column is a column of the table and
  // one key column finds each row: the rest of a row is read when it is first needed.
  bool byKeys = t && t->key.size() == 1 && !fields.empty() &&
                std::none_of(origins.begin(), origins.end(), [](const String& o) { return o.empty(); });
  std::string_view statement(text.data(), text.size() - tail.size());
  if (byKeys)
    byKeys = OpenByKeys(st, statement, resultNames, t->key[0], t->qualifiedName, origins, sort);
  if (!byKeys) {
    RowStore& store = NewStore(count);
    while ((maxRecords_ <= 0 || store.Rows() < maxRecords_) && st->Step()) {
      Int64 row = store.AddRow();
      for (int i = 0; i < count; ++i) store.Set(row, i, st->Column(i));
    }
    if (fields.empty()) {
      for (int i = 0; i < count; ++i) {
        const ColumnInfo& c = cols[static_cast<size_t>(i)];
        auto field = FieldOfDecl(this, c);
        fields.push_back(field ? std::move(field) : FieldOfValues(this, c, store, i));
      }
      sort = SortColumns(sort_, fields);
    }
    if (!sort.empty()) SetRowOrder(SortedRows(store, sort, [this] { connection_->StopAtTimeLimit(); }));
  }

  for (int i = 0; i < count; ++i)
    if (rowless || origins[static_cast<size_t>(i)].empty() || !oneTable)
      fields[static_cast<size_t>(i)]->SetReadOnly(true);
  SetFields(std::move(fields));
  table_ = std::move(t);
}

bool TCustomADODataSet::OpenByKeys(std::unique_ptr<Statement>& whole, std::string_view statement,
                                   const std::vector<String>& names,
                                   Integer keyColumn, const String& table,
                                   const std::vector<String>& origins,
                                   const std::vector<TSortColumn>& sort) {
  // The outer query names the columns it reads; a name the statement gives twice names either.
  auto unique = [&](Integer column) {
    return std::count_if(names.begin(), names.end(), [&](const String& n) {
             return SameText(n, names[static_cast<size_t>(column)]);
           }) == 1;
  };
  if (!unique(keyColumn)) return false;
  for (const TSortColumn& c : sort)
    if (!unique(c.Column)) return false;
  // The statement's own text, without the ";" that may end it.
  while (!statement.empty() && (std::isspace(static_cast<unsigned char>(statement.back())) ||
                                statement.back() == ';'))
    statement.remove_suffix(1);

  auto unread = std::make_unique<Unread>();
  unread->keyColumn = keyColumn;
  // The key statement gives the sort cells after the key, in the order of sort.
  std::vector<TSortColumn> bySortCells = sort;
  for (size_t c = 0; c < sort.size(); ++c) bySortCells[c].Column = static_cast<int>(c);
  TRowSorter sorter(bySortCells, [this] { connection_->StopAtTimeLimit(); });
  std::vector<CellView> cells(sort.size());
  sqlite3* db = Database();
  try {
    // SQLite reads only the named columns of the statement's rows; a line break ends a comment
    // that may close the statement.
    String sql = "SELECT k." + QuoteIdent(names[static_cast<size_t>(keyColumn)]);
    for (const TSortColumn& c : sort) sql += ", k." + QuoteIdent(names[static_cast<size_t>(c.Column)]);
    sql += " FROM (\n" + String(statement) + "\n) AS k";
    Statement keys(db, sql);
    BindParameters(keys, parameters_);
    while ((maxRecords_ <= 0 || static_cast<Int64>(unread->keys.size()) < maxRecords_) && keys.Step()) {
      CellView key = keys.Column(0);
      if (key.Type != CellType::Integer) return false;
      unread->keys.push_back(key.Int);
      if (sort.empty()) continue;
      for (size_t c = 0; c < sort.size(); ++c) cells[c] = keys.Column(static_cast<int>(c + 1));
      sorter.Add(cells);
    }
    unread->sorts = sqlite3_stmt_status(keys.Handle(), SQLITE_STMTSTATUS_SORT, 0) > 0 ||
                    sqlite3_stmt_status(keys.Handle(), SQLITE_STMTSTATUS_AUTOINDEX, 0) > 0;
    unread->table = table;
    unread->origins = origins;
    std::vector<int> every(origins.size());
    for (size_t i = 0; i < every.size(); ++i) every[i] = static_cast<int>(i);
    unread->fetch = std::make_unique<Statement>(db, FetchText(table, origins, keyColumn, every, 1));
  } catch (const EDatabaseError&) {
    // Out of time, reading it again would be, too.
    if (connection_->TimeLimitPassed()) throw;
    // The statement cannot be read by its keys (a key is not a column SQLite can select from
    // outside); reading it whole reports any real fault.
    return false;
  }
  // A join may give one row of the table twice; only a key that finds one record will do.
  if (!AllDifferent(unread->keys)) return false;

  std::vector<Int64> tickets =
      sort.empty() ? Identity(static_cast<Int64>(unread->keys.size())) : sorter.Order();
  for (Int64& ticket : tickets) ticket = -ticket - 1;
  NewStore(static_cast<Integer>(names.size()));
  SetRowOrder(std::move(tickets));
  unread->whole = std::move(whole);
  unread_ = std::move(unread);
  return true;
}

void TCustomADODataSet::InternalReadRows(const std::vector<std::pair<Int64, Int64>>& rows,
                                         const std::vector<bool>& columns) {
  int count = Store().Columns();
  // The key is always read: it finds the rest of the row when that is wanted.
  std::vector<int> read;
  for (int i = 0; i < count; ++i)
    if (columns.empty() || columns[static_cast<size_t>(i)] || i == unread_->keyColumn) read.push_back(i);
  bool some = static_cast<int>(read.size()) < count;
  // A statement left on a row would hold its read transaction open.
  auto finish = [](Statement& st, bool found) {
    st.Reset();
    return found;
  };
  std::unordered_map<Int64, Int64> left;  // key -> row of the store
  for (const auto& [ticket, row] : rows) left.emplace(unread_->keys[static_cast<size_t>(ticket)], row);
  // The statement gives its rows in its own order. Rows that the store must move to its file
  // are better read by their keys in the store's order than written all over it, and so are
  // the rows of a statement that would sort them all again.
  bool inOrder = std::is_sorted(rows.begin(), rows.end());
  bool fits = rows.size() * static_cast<size_t>(count) * 18 < RowStore::MemoryBudget();
  constexpr size_t kOnePass = 256;
  // Stores the rows st gives that are still waited for; at[k] is the column of st that holds
  // read[k].
  auto take = [&](Statement& st, const std::vector<int>& at, int keyAt) {
    try {
      while (!left.empty() && st.Step()) {
        CellView key = st.Column(keyAt);
        auto it = key.Type == CellType::Integer ? left.find(key.Int) : left.end();
        if (it == left.end()) continue;
        for (size_t k = 0; k < read.size(); ++k)
          Store().Set(it->second, read[k], at[k] == keyAt ? key : st.Column(at[k]));
        left.erase(it);
      }
    } catch (...) {
      finish(st, false);
      throw;
    }
    finish(st, true);
  };
  // Running the statement again steps over every row before the last one wanted, so it pays
  // only when most of those are wanted (a walk's first window, not the ones after it).
  const Int64 stepped =
      rows.empty() ? 0 : std::max_element(rows.begin(), rows.end())->first + 1;
  const bool mostStepped = stepped <= 2 * static_cast<Int64>(rows.size());
  if (left.size() >= kOnePass && !unread_->sorts && (inOrder || fits) && mostStepped) {
    take(*unread_->whole, read, unread_->keyColumn);
  } else if (left.size() >= kOnePass) {
    // By their keys, in batches of rows next to each other in the store: a whole row read
    // into the store where the rows before it went costs less than one written far from them.
    if (!unread_->fetchBatch && !some)
      unread_->fetchBatch = std::make_unique<Statement>(
          Database(), FetchText(unread_->table, unread_->origins, unread_->keyColumn, read, kFetchBatch));
    Statement* batch = unread_->fetchBatch.get();
    std::vector<int> at = read;
    int keyAt = unread_->keyColumn;
    if (some) {
      if (unread_->someColumns != read) {
        unread_->someBatch = std::make_unique<Statement>(
            Database(), FetchText(unread_->table, unread_->origins, unread_->keyColumn, read, kFetchBatch));
        unread_->someColumns = read;
      }
      batch = unread_->someBatch.get();
      for (size_t k = 0; k < read.size(); ++k) at[k] = static_cast<int>(k);
      keyAt = static_cast<int>(std::find(read.begin(), read.end(), unread_->keyColumn) - read.begin());
    }
    // Rows that all fit in memory (a walk's window) are read in the order of their keys, the
    // file's: SQLite then reads each page of the table once for them all, rather than once for
    // every batch whose rows it holds.
    std::vector<Int64> keys;
    keys.reserve(rows.size());
    for (const auto& r : rows) keys.push_back(unread_->keys[static_cast<size_t>(r.first)]);
    if (some || fits) std::sort(keys.begin(), keys.end());
    for (size_t first = 0; first < keys.size(); first += kFetchBatch) {
      for (size_t i = 0; i < static_cast<size_t>(kFetchBatch); ++i)
        batch->Bind(static_cast<int>(i + 1),
                    first + i < keys.size() ? CellView::MakeInteger(keys[first + i]) : CellView());
      take(*batch, at, keyAt);
    }
  }
  // One by one, whole: the few rows of a screen, or rows that no longer meet the statement's
  // condition.
  Statement& fetch = *unread_->fetch;
  for (const auto& [ticket, row] : rows) {
    Int64 key = unread_->keys[static_cast<size_t>(ticket)];
    if (!left.contains(key)) continue;
    fetch.Bind(1, CellView::MakeInteger(key));
    bool found;
    try {
      found = fetch.Step();
      if (found)
        for (int i = 0; i < count; ++i) Store().Set(row, i, fetch.Column(i));
    } catch (...) {
      finish(fetch, false);
      throw;
    }
    finish(fetch, found);
    // Deleted since the dataset opened: the record keeps its place and its key, and an edit of
    // it reports that it cannot be found.
    if (!found) Store().Set(row, unread_->keyColumn, CellView::MakeInteger(key));
  }
}

Integer TCustomADODataSet::InternalWalkRows(const std::vector<bool>& columns) const {
  // Rows read by their keys cost as much read many at a time as few, so a walk reads about what
  // a quarter of the store's memory holds: they are used before the store has to move them to
  // its file and back, and what the walk holds stays the same however many rows it walks. A
  // row read in part holds the cells of its columns (and the key), with room for as many again.
  if (!unread_) return 0;
  const size_t read = static_cast<size_t>(std::count(columns.begin(), columns.end(), true));
  const size_t row = columns.empty() || read * 2 >= static_cast<size_t>(Store().Columns())
                         ? static_cast<size_t>(Store().Columns()) * 9 + 64
                         : (read + 1) * 18 + 64;
  return static_cast<Integer>(std::max<size_t>(1024, RowStore::MemoryBudget() / 4 / row));
}

void TCustomADODataSet::InternalReadRest(Int64 row, const std::vector<bool>& read) {
  std::vector<int> rest;
  for (int i = 0; i < Store().Columns(); ++i)
    if (!read[static_cast<size_t>(i)] && i != unread_->keyColumn) rest.push_back(i);
  if (rest.empty()) return;
  if (unread_->restColumns != rest) {
    unread_->rest = std::make_unique<Statement>(
        Database(), FetchText(unread_->table, unread_->origins, unread_->keyColumn, rest, 1));
    unread_->restColumns = rest;
  }
  Statement& st = *unread_->rest;
  st.Bind(1, Store().Get(row, unread_->keyColumn));
  try {
    // A row deleted since keeps what was read of it.
    if (st.Step())
      for (size_t k = 0; k < rest.size(); ++k) Store().Set(row, rest[k], st.Column(static_cast<int>(k)));
  } catch (...) {
    st.Reset();
    throw;
  }
  st.Reset();
}

int TCustomADODataSet::InternalMatchUnread(Int64 ticket, const std::vector<TField*>& keys,
                                           const std::vector<Variant>& values,
                                           TLocateOptions options) const {
  if (!unread_ || options != 0 || keys.size() != 1 || keys[0]->Index() != unread_->keyColumn)
    return -1;
  const Variant& v = values[0];
  switch (VarType(v) & varTypeMask) {
    case varEmpty:
    case varNull: return 0;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: return v.ToInt64() == unread_->keys[static_cast<size_t>(ticket)] ? 1 : 0;
    default: return -1;
  }
}

void TCustomADODataSet::InternalClose() {
  table_.reset();
  unread_.reset();
}

Int64 TCustomADODataSet::ResolveRowId(Int64 row) const {
  sqlite3* db = Database();
  std::vector<Integer> match = table_->key;
  if (match.empty())
    for (Integer i = 0; i < FieldCount(); ++i)
      if (!table_->columns[static_cast<size_t>(i)].empty()) match.push_back(i);
  String sql = "SELECT rowid FROM " + table_->qualifiedName + " WHERE ";
  for (size_t k = 0; k < match.size(); ++k) {
    if (k) sql += " AND ";
    sql += QuoteIdent(table_->columns[static_cast<size_t>(match[k])]) + " IS ?" + IntToStr(static_cast<Int64>(k + 1));
  }
  sql += " LIMIT 1";
  Statement st(db, sql);
  for (size_t k = 0; k < match.size(); ++k) st.Bind(static_cast<int>(k + 1), Store().Get(row, match[k]));
  if (!st.Step())
    throw ERecordChanged(
        (Name().empty() ? String() : Name() + ": ") +
        "Row cannot be located for updating. Some values may have been changed since it was last read");
  return st.Column(0).Int;
}

void TCustomADODataSet::RefreshRow(Int64 row, Int64 rowId) {
  std::vector<Integer> bound;
  String sql = "SELECT ";
  for (Integer i = 0; i < FieldCount(); ++i) {
    const String& col = table_->columns[static_cast<size_t>(i)];
    if (col.empty()) continue;
    sql += (bound.empty() ? "" : ", ") + QuoteIdent(col);
    bound.push_back(i);
  }
  if (bound.empty()) return;
  sql += " FROM " + table_->qualifiedName + " WHERE rowid = ?1";
  Statement st(Database(), sql);
  st.Bind(1, CellView::MakeInteger(rowId));
  if (!st.Step()) return;
  for (size_t k = 0; k < bound.size(); ++k) Store().Set(row, bound[k], st.Column(static_cast<int>(k)));
}

void TCustomADODataSet::InternalPost(Int64 row, Int64 original) {
  if (!table_) DatabaseError("Cannot modify a read-only dataset");
  sqlite3* db = Database();
  TADOConnection::TWrite commit(*connection_);
  // Changed fields that show a table column, each column once.
  std::vector<Integer> write;
  std::vector<String> names;
  for (Integer i = 0; i < FieldCount(); ++i) {
    const String& col = table_->columns[static_cast<size_t>(i)];
    if (col.empty() || !FieldChanged(i) || Fields()[i]->ReadOnly()) continue;
    if (std::any_of(names.begin(), names.end(), [&](const String& n) { return SameText(n, col); }))
      continue;
    write.push_back(i);
    names.push_back(col);
  }
  if (original >= 0) {
    if (write.empty()) return;
    Int64 rowId = ResolveRowId(original);
    String sql = "UPDATE " + table_->qualifiedName + " SET ";
    for (size_t k = 0; k < write.size(); ++k)
      sql += (k ? ", " : "") + QuoteIdent(names[k]) + " = ?" + IntToStr(static_cast<Int64>(k + 1));
    sql += " WHERE rowid = ?" + IntToStr(static_cast<Int64>(write.size() + 1));
    Statement st(db, sql);
    for (size_t k = 0; k < write.size(); ++k) st.Bind(static_cast<int>(k + 1), Store().Get(row, write[k]));
    st.Bind(static_cast<int>(write.size() + 1), CellView::MakeInteger(rowId));
    st.Step();
    RefreshRow(row, rowId);
    commit.Commit();
    return;
  }
  String sql = "INSERT INTO " + table_->qualifiedName;
  if (write.empty()) {
    sql += " DEFAULT VALUES";
  } else {
    sql += " (";
    String marks;
    for (size_t k = 0; k < write.size(); ++k) {
      sql += (k ? ", " : "") + QuoteIdent(names[k]);
      marks += (k ? ", ?" : "?") + IntToStr(static_cast<Int64>(k + 1));
    }
    sql += ") VALUES (" + marks + ")";
  }
  Statement st(db, sql);
  for (size_t k = 0; k < write.size(); ++k) st.Bind(static_cast<int>(k + 1), Store().Get(row, write[k]));
  st.Step();
  RefreshRow(row, sqlite3_last_insert_rowid(db));
  commit.Commit();
}

void TCustomADODataSet::InternalDelete(Int64 row) {
  if (!table_) DatabaseError("Cannot modify a read-only dataset");
  TADOConnection::TWrite commit(*connection_);
  Int64 rowId = ResolveRowId(row);
  Statement st(Database(), "DELETE FROM " + table_->qualifiedName + " WHERE rowid = ?1");
  st.Bind(1, CellView::MakeInteger(rowId));
  st.Step();
  commit.Commit();
}

}  // namespace orv
