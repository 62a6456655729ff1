#include "png/PngChunk.h"

#include <zlib.h>

#include <typeinfo>

#include "png/PngBytes.h"
#include "png/PngChunks.h"
#include "png/PngErrors.h"

namespace orv {

TChunk::TChunk(TPngImage& owner, String name) : owner_(owner), name_(std::move(name)), data_(1) {}

void TChunk::ResizeData(Cardinal size) {
  data_.assign(size_t(size) + 1, 0);
  dataSize_ = size;
}

void TChunk::Assign(const TChunk& source) {
  if (typeid(*this) != typeid(source)) throw EPngError(EPNGCannotAssignChunkText);
  name_ = source.name_;
  data_ = source.data_;
  dataSize_ = source.dataSize_;
}

void TChunk::CheckCrc(TStream& stream) const {
  uLong crc = crc32(0, reinterpret_cast<const Byte*>(name_.data()), 4);
  crc = crc32_z(crc, data_.data(), dataSize_);
  if (ReadPngLong(stream) != LongWord(crc)) throw EPngInvalidCRC(EPngInvalidCRCText);
}

bool TChunk::LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) {
  name_ = chunkName;
  // The body and its CRC must be there before anything is allocated for them.
  RequirePngBytes(stream, Int64(size) + 4);
  ResizeData(size);
  ReadPngBytes(stream, data_.data(), size);
  CheckCrc(stream);
  return true;
}

bool TChunk::SaveToStream(TStream& stream) const {
  WritePngChunk(stream, name_.c_str(), data_.data(), dataSize_);
  return true;
}

namespace {

template <class T>
std::unique_ptr<TChunk> Make(TPngImage& owner) {
  return std::make_unique<T>(owner);
}

struct TChunkClass {
  const char* name;
  std::unique_ptr<TChunk> (*create)(TPngImage&);
};

// In the order of registration: the first match wins.
constexpr TChunkClass ChunkClasses[] = {
    {"IEND", Make<TChunkIEND>}, {"IHDR", Make<TChunkIHDR>}, {"IDAT", Make<TChunkIDAT>},
    {"PLTE", Make<TChunkPLTE>}, {"gAMA", Make<TChunkgAMA>}, {"tRNS", Make<TChunktRNS>},
    {"pHYs", Make<TChunkpHYs>}, {"tIME", Make<TChunktIME>}, {"tEXt", Make<TChunktEXt>},
    {"zTXt", Make<TChunkzTXt>},
};

}  // namespace

std::unique_ptr<TChunk> CreateChunk(TPngImage& owner, const String& name) {
  for (const auto& c : ChunkClasses)
    if (name == c.name) return c.create(owner);
  return std::make_unique<TChunk>(owner, name);
}

bool IsRegisteredChunk(const String& name) {
  for (const auto& c : ChunkClasses)
    if (name == c.name) return true;
  return false;
}

}  // namespace orv
