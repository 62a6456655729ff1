#pragma once
// The write-ahead log beside a database file, read as its own file (not through SQLite, which
// would lay it over the database when it opens it).
#include <cstdint>

#include "platform/rtl/Exceptions.h"

namespace orv {

// What a database file's header says of its state: SQLite raises the change counter with every
// write of the first page, and the page count is the file's length in pages.
struct TDatabaseHeader {
  std::uint32_t ChangeCounter = 0;
  std::uint32_t PageCount = 0;
  std::uint32_t PageSize = 0;
  bool operator==(const TDatabaseHeader&) const = default;
};

// The header read from descriptor fd at the start of the file; false when the file is shorter
// than a header or is no SQLite database.
bool ReadDatabaseHeader(int fd, TDatabaseHeader& header);

// Whether the log beside databaseFile, when it holds committed changes, was written for the file
// as it is: a log whose first page carries a change counter the file never had before or after
// those changes was written for another file (a backup or another parish copied over this one
// after a crash), and laid over it would mix the two. A log without the first page among its
// changes, or without committed changes, cannot be told apart and is taken as the file's.
bool LogBelongsToDatabase(const String& databaseFile);

}  // namespace orv
