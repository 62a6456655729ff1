#pragma once
// The parish database's tables as this program creates them, and the mark of the upgrades that
// have been applied to a database.
#include "platform/db/ADODB.h"

namespace orv {

// The file name of the parish database in the parish folder.
inline constexpr const char* ParishDatabaseName = "Orvane.db";

// The schema version kept in PRAGMA user_version. 0 is a database of the older layout, or one
// whose members' own move columns were never turned into move rows; 1 is a database whose move
// conversion has run (it must never run again: a move the user deleted would come back).
inline constexpr int ParishSchemaVersion = 1;

// Creates every table, the List view and the one settings row in an empty database, and marks
// it as up to date.
void CreateParishSchema(TADOConnection& connection);

// Creates the database file and its schema; EDatabaseError when the file exists.
void CreateParishDatabase(const String& fileName);

// The List view of the children display, as the file holds it: "own" (this program's definition),
// "other" (a view of another definition), "table", or empty when there is none.
String ParishListViewOf(TADOConnection& connection);
// The program owns List: a view of another definition (one that runs for ever for one parent,
// say) is put back to the program's own.
void OwnParishListView(TADOConnection& connection);

// An empty parish in memory with the schema this program creates, made once: what a parish
// file's tables are measured against.
TADOConnection& ModelParish();

// The members' columns as this program creates them, quoted, joined by ", ": the program reads
// its own columns by name, and a column another program added to the file is never read.
const String& MemberColumns();

// The version mark of the connected database.
int ParishSchemaVersionOf(TADOConnection& connection);
void SetParishSchemaVersion(TADOConnection& connection, int version);

}  // namespace orv
