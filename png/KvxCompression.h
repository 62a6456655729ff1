#pragma once
// The report library's compression routines: reading its gzip resources and deflating one
// stream into another (PDF content and font streams).
#include "png/ZLibStreams.h"

namespace orv {

// Reads one gzip member from source's position and writes the inflated data to dest. The whole
// header is honoured (extra field, name, comment, header CRC); fileName receives the stored
// name. The trailer's length must match; the data must match either the trailer's CRC-32 or, as
// in the report library's own button resources, an Adler-32 kept big-endian in the
// modification-time field. Failures raise EZDecompressionError and leave dest untouched.
void kvxDecompressStream(TStream& source, TStream& dest, String& fileName);

// Deflates all of source, from its start whatever its position, into dest at dest's position,
// in zlib format.
void kvxCompressStream(TStream& source, TStream& dest, TZCompressionLevel level);

}  // namespace orv
