#pragma once
// The folder a parish lives in, and the checks its database passes before the main window
// connects to it: nothing is ever written to a file that is not a whole parish database.
#include "platform/rtl/Exceptions.h"

namespace orv {

// A start-up that cannot go on; the message names the file and the reason, in Thai.
class EParishStartup : public Exception {
 public:
  using Exception::Exception;
};

// Where a parish lives when none is named: $XDG_DATA_HOME/orvane, normally
// ~/.local/share/orvane. A program started from a menu has no meaningful current folder.
String DefaultParishFolder();

// The absolute form of folder.
String AbsoluteFolder(const String& folder);

// The parish folder the command line names: the absolute form of folder, or, when it names a
// parish database file (Orvane.db) rather than a folder of that name, the folder of the file.
String ParishFolderOf(const String& folder);

// The database of a parish folder as start-up found it.
struct TParishDatabase {
  String FileName;        // absolute
  bool Created = false;   // a new empty parish was made
  bool ReadOnly = false;  // the file or its folder may not be written to
};

// Makes the folder (a file in its place is refused), and a new empty parish with its Picture folder when the folder holds no
// database; then checks the database without writing to it: a parish database with every
// table, column and view the program reads, and, when it cannot be written to, one that needs
// no upgrade. EParishStartup says what is wrong.
TParishDatabase PrepareParishDatabase(const String& folder);

// How long, in milliseconds, start-up waits for the database's answers before it gives up, and
// the reason it then gives.
extern int StartupTimeLimit;
String StartupTimeLimitReason();

// How long, in milliseconds, each step of a query of the windows may take after start-up, and
// the text of the box that says a query was stopped.
extern int QueryTimeLimit;
String QueryStoppedText(const String& fileName);

// The text of the start-up error box: the file and the reason.
String StartupFailureText(const String& fileName, const String& reason);

}  // namespace orv
