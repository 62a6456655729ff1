#pragma once
// Opening a document or a link with the desktop's default application.
#include <functional>

#include "platform/rtl/Types.h"

namespace orv {

// Hands target to xdg-open when it is an http, https or mailto link or an existing local file
// (a path or a file: URL); anything else is refused. Returns whether it was handed on; the
// application itself starts (or fails) on its own.
bool ShellOpen(const String& target);

// Opens the existing local file with the desktop's application for its type. When that cannot
// be done (no xdg-open, no application for the type, the application failed to start),
// OnFailure is called later, from the message loop, with the reason in Thai: the user would
// otherwise see nothing at all.
void ShellOpenFile(const String& file, std::function<void(const String& reason)> OnFailure);

}  // namespace orv
