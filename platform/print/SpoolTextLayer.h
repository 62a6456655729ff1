#pragma once
// The text layer of a spooled job, made searchable where the drawing leaves it wrong.
#include <vector>

#include "platform/rtl/Types.h"

namespace orv {

// Rewrites the glyph-to-text maps of the PDF file at path so that glyphs of Thai marks drawn in
// their shifted or lowered forms read as the marks themselves and a Latin ligature as its
// letters; marks that two stored orders draw alike read as written, the texts drawn (in the
// order drawn) telling which. The drawing is not touched. False when the file cannot be read or
// written.
bool MendSpoolTextLayer(const String& path, const std::vector<WideString>& written = {});

// The text a Thai presentation form stands for (U+F700-U+F71A), else code itself.
unsigned ThaiPresentationBase(unsigned code);

}  // namespace orv
