#pragma once
// Reading and writing the codec's big-endian integers, with every read checked against the end
// of the stream.
#include "platform/rtl/Streams.h"

namespace orv {

inline LongWord GetBigEndian32(const Byte* p) {
  return LongWord(p[0]) << 24 | LongWord(p[1]) << 16 | LongWord(p[2]) << 8 | LongWord(p[3]);
}
inline Word GetBigEndian16(const Byte* p) { return Word(p[0] << 8 | p[1]); }
inline void PutBigEndian32(Byte* p, LongWord v) {
  p[0] = Byte(v >> 24);
  p[1] = Byte(v >> 16);
  p[2] = Byte(v >> 8);
  p[3] = Byte(v);
}
inline void PutBigEndian16(Byte* p, Word v) {
  p[0] = Byte(v >> 8);
  p[1] = Byte(v);
}

// The format's limit for lengths and sizes.
constexpr LongWord PngMaxLength = 0x7FFFFFFF;

// Reads exactly count bytes; raises EPngUnexpectedEnd when the stream ends first.
void ReadPngBytes(TStream& stream, void* buffer, Int64 count);
LongWord ReadPngLong(TStream& stream);
// Raises EPngUnexpectedEnd unless at least count bytes are left in the stream.
void RequirePngBytes(TStream& stream, Int64 count);
// Writes one chunk: length, type, body, CRC over type and body.
void WritePngChunk(TStream& stream, const char* type, const Byte* body, LongWord size);

}  // namespace orv
