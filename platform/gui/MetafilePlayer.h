#pragma once
// Inside the graphics layer: Windows metafiles (placeable WMF and EMF) played into our own
// drawing records, so that a picture made by another program draws as vectors.
#include <vector>

#include "platform/gui/MetafileFormat.h"

namespace orv {

// True when the bytes begin a placeable WMF or an EMF.
bool IsWindowsMetafile(const Byte* head, size_t size);
// The drawing of a placeable WMF or an EMF at 96 pixels per inch. Records this player does not
// draw are skipped, one line each in skipped; EInvalidGraphic for a file that is not one, and
// for sizes or counts the file cannot hold.
TMetafileContent PlayWindowsMetafile(TStream& stream, std::vector<String>& skipped);

}  // namespace orv
