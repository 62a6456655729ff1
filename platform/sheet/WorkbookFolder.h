#pragma once
// Where workbooks shown without a file name of their own are written: a folder only the user
// can enter, emptied when the program ends of those nobody changed after they were written;
// the changed ones are moved to the user's documents.
#include <vector>

#include "platform/rtl/Types.h"

namespace orv {

// A new file name "<base>.xlsx" (or "<base> (2).xlsx" ...) in the user's private workbook
// folder: $XDG_RUNTIME_DIR/orvane-workbooks, else $XDG_CACHE_HOME/orvane/workbooks (normally
// ~/.cache/orvane/workbooks), made 0700. EOleException when the folder cannot be made private.
// The file is removed when the program ends unless it changed after NoteWorkbookWritten.
String PrivateWorkbookFile(const String& base);
// Whether file was handed out by PrivateWorkbookFile, and so lies in the private folder.
bool IsPrivateWorkbookFile(const String& file);
// Notes the file as the program left it: a later change (the user saving it in the spreadsheet
// application) keeps it from removal.
void NoteWorkbookWritten(const String& file);
// Whether a spreadsheet application has file open: LibreOffice keeps ".~lock.<name>#" beside it.
bool IsWorkbookOpenElsewhere(const String& file);
// Removes the private workbooks unchanged since the program wrote them and forgets them all;
// gives the paths of those kept: one changed is moved into the user's documents folder
// (XDG_DOCUMENTS_DIR, else ~/Documents) first, one a spreadsheet application still has open
// stays where it is. Also done when the program ends.
std::vector<String> RemovePrivateWorkbooks();

}  // namespace orv
