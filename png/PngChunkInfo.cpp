// The chunks of plain values: gamma, time and physical pixel size.
#include "png/PngBytes.h"
#include "png/PngChunks.h"

namespace orv {

void TChunkgAMA::Assign(const TChunk& source) {
  TChunk::Assign(source);
  gamma_ = static_cast<const TChunkgAMA&>(source).gamma_;
}

bool TChunkgAMA::LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) {
  TChunk::LoadFromStream(stream, chunkName, size);
  if (DataSize() == 4) {
    gamma_ = GetBigEndian32(Data());
    Owner().InitializeGamma(gamma_);
  }
  return true;
}

bool TChunkgAMA::SaveToStream(TStream& stream) const {
  Byte d[4];
  PutBigEndian32(d, gamma_);
  WritePngChunk(stream, "gAMA", d, 4);
  return true;
}

void TChunktIME::Assign(const TChunk& source) {
  TChunk::Assign(source);
  const auto& s = static_cast<const TChunktIME&>(source);
  year_ = s.year_;
  month_ = s.month_;
  day_ = s.day_;
  hour_ = s.hour_;
  minute_ = s.minute_;
  second_ = s.second_;
}

bool TChunktIME::LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) {
  TChunk::LoadFromStream(stream, chunkName, size);
  if (DataSize() == 7) {
    const Byte* d = Data();
    year_ = GetBigEndian16(d);
    month_ = d[2];
    day_ = d[3];
    hour_ = d[4];
    minute_ = d[5];
    second_ = d[6];
  }
  return true;
}

bool TChunktIME::SaveToStream(TStream& stream) const {
  Byte d[7];
  PutBigEndian16(d, year_);
  d[2] = month_;
  d[3] = day_;
  d[4] = hour_;
  d[5] = minute_;
  d[6] = second_;
  WritePngChunk(stream, "tIME", d, 7);
  return true;
}

void TChunkpHYs::Assign(const TChunk& source) {
  TChunk::Assign(source);
  const auto& s = static_cast<const TChunkpHYs&>(source);
  ppUnitX_ = s.ppUnitX_;
  ppUnitY_ = s.ppUnitY_;
  unitType_ = s.unitType_;
}

bool TChunkpHYs::LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) {
  TChunk::LoadFromStream(stream, chunkName, size);
  if (DataSize() == 9) {
    ppUnitX_ = GetBigEndian32(Data());
    ppUnitY_ = GetBigEndian32(Data() + 4);
    unitType_ = Data()[8];
  }
  return true;
}

bool TChunkpHYs::SaveToStream(TStream& stream) const {
  Byte d[9];
  PutBigEndian32(d, ppUnitX_);
  PutBigEndian32(d + 4, ppUnitY_);
  d[8] = unitType_;
  WritePngChunk(stream, "pHYs", d, 9);
  return true;
}

}  // namespace orv
