#include "app/ParishSchema.h"

#include "platform/rtl/Conversions.h"

namespace orv {

namespace {

// Dates are DATE, numbers INTEGER, texts TEXT: the data layer picks the field class from the
// declared type. Long texts (notes, occupation) have no length.
const char* const kSchema = R"sql(
CREATE TABLE Orvani (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  NUM TEXT(50), Nm TEXT(100), sur TEXT(100), st TEXT(100), sex TEXT(10), birth_date DATE,
  religion TEXT(50), Address1 TEXT(150), Address2 TEXT(150), tel TEXT(100), e_mail TEXT(100),
  old_nm TEXT(100), Old_sur TEXT(100), gang TEXT(100), Occupation TEXT,
  from_family TEXT(50), family_no TEXT(50),
  papa_nm TEXT(150), papa_st TEXT(100), papa_relig TEXT(50),
  mama_nm TEXT(150), mama_st TEXT(100), mama_relig TEXT(50),
  DateIn DATE, From_church TEXT(150), DateOut DATE, To_church TEXT(150),
  btsm_date DATE, btsm_No TEXT(50), btsm_wat TEXT(150), btsm_parent TEXT(150), btsm_st TEXT(100),
  btsm_priest TEXT(150), note1 TEXT,
  fm_date DATE, fm_No TEXT(50), fm_wat TEXT(150), fm_priest TEXT(150), note2 TEXT,
  cnfm_date DATE, cnfm_No TEXT(50), cnfm_wat TEXT(150), cnfm_parent TEXT(150), cnfm_st TEXT(100),
  cnfm_priest TEXT(150), note3 TEXT,
  mtmn_date DATE, mtmn_No TEXT(50), mtmn_wat TEXT(150), mtmn_priest TEXT(150),
  refer1 TEXT(100), refer2 TEXT(100),
  mtmn_father TEXT(150), mtmn_fatherSt TEXT(100), mtmn_mother TEXT(150), mtmn_motherSt TEXT(100),
  note4 TEXT,
  couple_nm TEXT(150), couple_St TEXT(100), couple_No TEXT(50), couple_religion TEXT(50),
  couple_btsmDate DATE, couple_btsmNo TEXT(50), couple_btsmPlace TEXT(150),
  couple_Church TEXT(150),
  couple_FrNm TEXT(150), couple_FrSt TEXT(100), couple_FrRelig TEXT(50),
  couple_MoNm TEXT(150), couple_MoSt TEXT(100), couple_MoRelig TEXT(50), Couple_Memo TEXT,
  fimn_date DATE, fimn_priest TEXT(150),
  dead_No TEXT(50), Citydead_No TEXT(50), dead_date DATE,
  keep_date DATE, keep_place TEXT(150), keep_priest TEXT(150), reason TEXT,
  "Update" DATE);
CREATE INDEX OrvaniName ON Orvani (Nm, sur);
CREATE INDEX OrvaniNum ON Orvani (NUM);
CREATE TABLE Move (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  OrvID INTEGER, NUM TEXT(50),
  DateIn DATE, MoveInBy TEXT(150), FromChurch TEXT(150), MoveFromNo TEXT(50), FromFr TEXT(150),
  DateOut DATE, MoveOutBy TEXT(150), ToChurch TEXT(150), MoveToNo TEXT(50),
  ReceiveInBy TEXT(150));
CREATE INDEX MoveMember ON Move (OrvID);
CREATE TABLE print (
  ChurchT TEXT(150), ChurchE TEXT(150), AddrT TEXT(255), AddrE TEXT(255), Father TEXT(150),
  ID TEXT(50), Religion TEXT(50), Provience TEXT(150),
  Church1 TEXT(150), Church2 TEXT(150), Church3 TEXT(150),
  sen TEXT(50), Prefix TEXT(50));
CREATE TABLE MarriageNotify (
  Notify_No INTEGER, MarriageID TEXT(50), Marriage_Date DATE,
  Witness1 TEXT(150), Witness2 TEXT(150), Priest TEXT(150), Notify_to TEXT(150),
  Certify_Date DATE, Certify_By TEXT(150), Return_Date DATE, Return_By TEXT(150),
  Groom TEXT(150), Gr_religion TEXT(50), GrBap_place TEXT(150), GrBap_Date DATE,
  GrBap_No TEXT(50), Groom_Fr TEXT(150), GrFr_religion TEXT(50), Groom_Mo TEXT(150),
  GrMo_religion TEXT(50),
  Bride TEXT(150), Br_religion TEXT(50), BrBap_place TEXT(150), BrBap_Date DATE,
  BrBap_No TEXT(50), Bride_Fr TEXT(150), BrFr_religion TEXT(50), Bride_Mo TEXT(150),
  BrMo_religion TEXT(50));
CREATE TABLE church (
  "ID-Church" TEXT(50), "Name-Church" TEXT(150), "gen-name-church" TEXT(150),
  Address1 TEXT(150), Address2 TEXT(150));
INSERT INTO print (sen, Prefix) VALUES ('เรียน', 'คุณ');
)sql";

// The definition as SQLite keeps it in the schema, to be compared with what a file holds.
const char* const kListView =
    "CREATE VIEW List AS\n"
    "  SELECT ID, St, NM, Sur, Address1, Address2, tel, Occupation, birth_date, Papa_Nm, Mama_Nm\n"
    "  FROM Orvani";

}  // namespace

String ParishListViewOf(TADOConnection& connection) {
  TADOQuery query(nullptr);
  query.SetConnection(&connection);
  query.SQL().SetText("select type || ':' || ifnull(sql, '') from sqlite_master where name = 'List' collate nocase");
  query.Open();
  if (query.IsEmpty()) return String();
  const String found = query.Fields()[0]->AsString();
  if (found.rfind("table:", 0) == 0) return "table";
  return found == String("view:") + kListView ? String("own") : String("other");
}

TADOConnection& ModelParish() {
  static TADOConnection* model = [] {
    auto* memory = new TADOConnection(nullptr);
    memory->SetConnectionString("Data Source=:memory:");
    memory->Open();
    CreateParishSchema(*memory);
    return memory;
  }();
  return *model;
}

const String& MemberColumns() {
  static const String columns = [] {
    TADOQuery query(nullptr);
    query.SetConnection(&ModelParish());
    query.SQL().SetText("select group_concat('\"' || name || '\"', ', ') from pragma_table_info('Orvani')");
    query.Open();
    return query.Fields()[0]->AsString();
  }();
  return columns;
}

void OwnParishListView(TADOConnection& connection) {
  if (ParishListViewOf(connection) != "other") return;
  connection.Execute("DROP VIEW List");
  connection.Execute(kListView);
}

void CreateParishSchema(TADOConnection& connection) {
  connection.BeginTrans();
  try {
    connection.Execute(kSchema);
    connection.Execute(kListView);
    SetParishSchemaVersion(connection, ParishSchemaVersion);
    connection.CommitTrans();
  } catch (...) {
    connection.RollbackTrans();
    throw;
  }
}

void CreateParishDatabase(const String& fileName) {
  TADOConnection::CreateDatabase(fileName);
  TADOConnection connection(nullptr);
  connection.SetDatabaseFile(fileName);
  connection.Open();
  CreateParishSchema(connection);
}

int ParishSchemaVersionOf(TADOConnection& connection) {
  TADOQuery query(nullptr);
  query.SetConnection(&connection);
  query.SQL().SetText("PRAGMA user_version");
  query.Open();
  return query.Fields()[0]->AsInteger();
}

void SetParishSchemaVersion(TADOConnection& connection, int version) {
  // PRAGMA takes no parameters; the version is our own number, never a user's text.
  connection.Execute("PRAGMA user_version = " + IntToStr(version));
}

}  // namespace orv
