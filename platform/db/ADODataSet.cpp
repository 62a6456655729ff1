#include <sqlite3.h>

#include <algorithm>

#include "platform/db/ADODB.h"
#include "platform/db/Sqlite.h"
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

namespace {

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

// The field class for a column: by its declared type, or, for an expression, by the values it
// holds.
std::unique_ptr<TField> MakeField(TDataSet* ds, const ColumnInfo& col, const RowStore& store,
                                  int column) {
  String t = UpperCase(col.decl);
  const String& n = col.name;
  if (!t.empty()) {
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
  }
  CellType kind = CellType::Null;
  bool wide = false;
  size_t longest = 0;
  for (Int64 r = 0; r < store.Rows(); ++r) {
    CellView v = store.Get(r, column);
    if (v.IsNull()) continue;
    if (kind == CellType::Null) kind = v.Type;
    if (v.Type == CellType::Integer && (v.Int < INT32_MIN || v.Int > INT32_MAX)) wide = true;
    longest = std::max(longest, static_cast<size_t>(Length(String(v.Bytes))));
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
  sqlite3* db = Database();
  String text = StatementText();
  std::string_view tail;
  Statement st(db, text, &tail);
  if (st.IsEmpty() || sqlite3_column_count(st.Handle()) == 0)
    DatabaseError("CommandText does not return a result set");
  if (!OnlyComments(db, tail)) DatabaseError("A query holds one statement only");
  BindParameters(st, parameters_);

  sqlite3_stmt* h = st.Handle();
  int count = sqlite3_column_count(h);
  std::vector<ColumnInfo> cols(static_cast<size_t>(count));
  std::vector<String> origins(static_cast<size_t>(count));
  String schema, table;
  bool oneTable = true;
  for (int i = 0; i < count; ++i) {
    ColumnInfo& c = cols[static_cast<size_t>(i)];
    c.name = sqlite3_column_name(h, i);
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

  RowStore& store = NewStore(count);
  while (st.Step()) {
    Int64 row = store.AddRow();
    for (int i = 0; i < count; ++i) store.Set(row, i, st.Column(i));
  }

  std::vector<std::unique_ptr<TField>> fields;
  for (int i = 0; i < count; ++i) {
    ColumnInfo& c = cols[static_cast<size_t>(i)];
    // Two result columns of one name get "_1", "_2" ... as the later ones' field names.
    String base = c.name;
    for (int k = 1;; ++k) {
      bool taken = false;
      for (const auto& f : fields) taken = taken || SameText(f->FieldName(), c.name);
      if (!taken) break;
      c.name = base + "_" + IntToStr(k);
    }
    auto field = MakeField(this, c, store, i);
    if (origins[static_cast<size_t>(i)].empty() || !oneTable) field->SetReadOnly(true);
    fields.push_back(std::move(field));
  }
  SetFields(std::move(fields));

  table_.reset();
  if (table.empty() || !oneTable) return;
  auto t = std::make_unique<Table>();
  t->qualifiedName = QuoteIdent(schema) + "." + QuoteIdent(table);
  t->columns = origins;
  try {
    // A table without rowid cannot be written by row; its dataset stays read-only.
    Statement probe(db, "SELECT rowid FROM " + t->qualifiedName + " LIMIT 0");
  } catch (const EDatabaseError&) {
    for (Integer i = 0; i < FieldCount(); ++i) Fields()[i]->SetReadOnly(true);
    return;
  }
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
  table_ = std::move(t);
}

void TCustomADODataSet::InternalClose() { table_.reset(); }

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
    DatabaseError("Row cannot be located for updating. Some values may have been changed since it was last read");
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
}

void TCustomADODataSet::InternalDelete(Int64 row) {
  if (!table_) DatabaseError("Cannot modify a read-only dataset");
  Int64 rowId = ResolveRowId(row);
  Statement st(Database(), "DELETE FROM " + table_->qualifiedName + " WHERE rowid = ?1");
  st.Bind(1, CellView::MakeInteger(rowId));
  st.Step();
}

}  // namespace orv
