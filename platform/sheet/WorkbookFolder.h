#pragma once
// Where workbooks shown without a file name of their own are written: a folder only the user
// can enter, emptied of them when the program ends.
#include "platform/rtl/Types.h"

namespace orv {

// A new file name "<base>.xlsx" (or "<base> (2).xlsx" ...) in the user's private workbook
// folder: $XDG_RUNTIME_DIR/orvane-workbooks, else $XDG_CACHE_HOME/orvane/workbooks (normally
// ~/.cache/orvane/workbooks), made 0700. EOleException when the folder cannot be made private.
// The file, once written, is removed when the program ends.
String PrivateWorkbookFile(const String& base);
// Whether file was handed out by PrivateWorkbookFile, and so goes when the program ends.
bool IsPrivateWorkbookFile(const String& file);

}  // namespace orv
