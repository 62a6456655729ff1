#pragma once
// Opening a document or a link with the desktop's default application.
#include "platform/rtl/Types.h"

namespace orv {

// Hands target to xdg-open when it is an http, https or mailto link or an existing local file
// (a path or a file: URL); anything else is refused. Returns whether it was handed on; the
// application itself starts (or fails) on its own.
bool ShellOpen(const String& target);

}  // namespace orv
