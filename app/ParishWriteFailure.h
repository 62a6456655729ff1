#pragma once
// What the user is told when a change cannot be written to the parish database: in Thai, what
// was not done, the parish file, the cause, and what can be done about it.
#include <exception>

#include "platform/db/DB.h"

namespace orv {

// A change the parish refused, already said in the user's words.
ORV_DECLARE_EXCEPTION(EParishWriteFailed, Exception);

// What is left undone, as the message's last line says it.
inline constexpr const char* FieldNotSaved = "ข้อมูลในช่องนี้จึงยังไม่ได้บันทึก";
inline constexpr const char* ChangeNotSaved = "การเปลี่ยนแปลงนี้จึงยังไม่ได้บันทึก";
inline constexpr const char* RowNotDeleted = "รายการนี้จึงยังไม่ได้ลบ";

// Why e, a failed write, failed: the cause line of the message below.
String ParishWriteFailureCause(const std::exception& e);

// Whether e is a write the parish refused (a lock, a read-only or full parish, a record gone, a
// change refused by the database), rather than a fault of the program.
bool IsParishWriteFailure(const std::exception& e);

// The message for e, a failed write to the database file fileName.
String ParishWriteFailureText(const std::exception& e, const String& fileName, const String& notDone);

// The database file dataSet writes to: its connection's, else the parish folder's.
String ParishDatabaseFileOf(TDataSet* dataSet);

// Shows the message for e, a failed write through dataSet, in an error box captioned as the
// window of sender; the database's own words go to standard error.
void ShowParishWriteFailure(const std::exception& e, TDataSet* dataSet, const String& notDone,
                            TObject* sender);

// A write the parish refused that no handler caught is told as such; every other error keeps
// the application's own box.
void ReportUncaughtParishErrors();

}  // namespace orv
