#pragma once
// Inside the graphics layer: the 8-bit text of metafile records, in the code page of its font's
// charset.
#include <string>

#include "platform/rtl/Types.h"

namespace orv {

// Bytes up to the first zero as text: code page 874 for a Thai charset (and the system's default
// one), 1252 for the Western one ...; Latin-1 where the system does not know the code page.
WideString MetafileCharsetText(std::string bytes, Byte charset);

}  // namespace orv
