#include "png/PngBytes.h"

#include <zlib.h>

#include "png/PngErrors.h"

namespace orv {

void ReadPngBytes(TStream& stream, void* buffer, Int64 count) {
  if (count > 0 && stream.Read(buffer, count) != count)
    throw EPngUnexpectedEnd(EPNGUnexpectedEndText);
}

LongWord ReadPngLong(TStream& stream) {
  Byte b[4];
  ReadPngBytes(stream, b, 4);
  return GetBigEndian32(b);
}

void RequirePngBytes(TStream& stream, Int64 count) {
  if (stream.Size() - stream.Position() < count) throw EPngUnexpectedEnd(EPNGUnexpectedEndText);
}

void WritePngChunk(TStream& stream, const char* type, const Byte* body, LongWord size) {
  Byte head[8];
  PutBigEndian32(head, size);
  for (int i = 0; i < 4; ++i) head[4 + i] = Byte(type[i]);
  uLong crc = crc32(0, head + 4, 4);
  if (size > 0) crc = crc32_z(crc, body, size);
  Byte tail[4];
  PutBigEndian32(tail, LongWord(crc));
  stream.WriteBuffer(head, 8);
  stream.WriteBuffer(body, size);
  stream.WriteBuffer(tail, 4);
}

}  // namespace orv
