#pragma once
// The report library's compression routines: reading its gzip resources and deflating one
// stream into another (PDF content and font streams).
#include "png/ZLibStreams.h"

namespace orv {

// The most a gzip stream may inflate to by default: far above any resource the program keeps,
// far below what a small hostile file could otherwise claim.
constexpr Int64 kvxMaxDecompressedSize = Int64(64) << 20;

// Reads the gzip stream from source's position, one member or several written one after
// another, and writes the inflated data to dest. The whole header is honoured (extra field,
// name, comment, header CRC); fileName receives the first member's stored name. Each trailer's
// length must match; the data must match either the trailer's CRC-32 or, as in the report
// library's own button resources, an Adler-32 kept big-endian in the modification-time field.
// Inflating past maxSize bytes raises "insufficient memory". Failures raise
// EZDecompressionError and leave dest untouched.
void kvxDecompressStream(TStream& source, TStream& dest, String& fileName,
                         Int64 maxSize = kvxMaxDecompressedSize);

// Deflates all of source, from its start whatever its position, into dest at dest's position,
// in zlib format.
void kvxCompressStream(TStream& source, TStream& dest, TZCompressionLevel level);

}  // namespace orv
