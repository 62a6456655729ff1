// The palette and transparency chunks.
#include <algorithm>

#include "png/PngBytes.h"
#include "png/PngChunks.h"
#include "png/PngErrors.h"

namespace orv {

void TChunkPLTE::Assign(const TChunk& source) {
  TChunk::Assign(source);
  count_ = static_cast<const TChunkPLTE&>(source).count_;
}

bool TChunkPLTE::LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) {
  if (size % 3 != 0 || size / 3 > 256) throw EPNGInvalidPalette(EPNGInvalidPaletteText);
  TChunk::LoadFromStream(stream, chunkName, size);
  count_ = int(size / 3);
  TChunkIHDR& header = Owner().Header();
  // Only a palette image draws through its palette; for colour images the chunk is a
  // suggestion that is kept as it came.
  if (header.ColorType() != 3) return true;
  auto& palette = header.Bitmap().Palette();
  const Byte* d = Data();
  for (int i = 0; i < count_; ++i) palette[i] = TRGBQuad{d[3 * i + 2], d[3 * i + 1], d[3 * i], 0};
  header.Bitmap().SetPaletteCount(count_);
  return true;
}

bool TChunkPLTE::SaveToStream(TStream& stream) const {
  const TChunkIHDR& header = Owner().Header();
  if (header.ColorType() != 3) return TChunk::SaveToStream(stream);
  int count = count_ ? count_ : header.Bitmap().PaletteCount();
  const auto& palette = header.Bitmap().Palette();
  Byte d[256 * 3];
  for (int i = 0; i < count; ++i) {
    d[3 * i] = palette[i].rgbRed;
    d[3 * i + 1] = palette[i].rgbGreen;
    d[3 * i + 2] = palette[i].rgbBlue;
  }
  WritePngChunk(stream, "PLTE", d, LongWord(count * 3));
  return true;
}

TChunktRNS::TChunktRNS(TPngImage& owner) : TChunk(owner, "tRNS") { paletteValues_.fill(255); }

void TChunktRNS::Assign(const TChunk& source) {
  TChunk::Assign(source);
  const auto& s = static_cast<const TChunktRNS&>(source);
  paletteValues_ = s.paletteValues_;
  bitTransparency_ = s.bitTransparency_;
  transparentIndex_ = s.transparentIndex_;
  red_ = s.red_;
  green_ = s.green_;
  blue_ = s.blue_;
}

bool TChunktRNS::LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) {
  if (size > 256) throw EPNGInvalidPalette(EPNGInvalidPaletteText);
  TChunk::LoadFromStream(stream, chunkName, size);
  Interpret();
  return true;
}

void TChunktRNS::Interpret() {
  paletteValues_.fill(255);
  bitTransparency_ = false;
  transparentIndex_ = -1;
  const Byte* d = Data();
  switch (Owner().Header().ColorType()) {
    case 3: {
      int zeros = 0, partial = 0;
      for (Cardinal i = 0; i < DataSize(); ++i) {
        paletteValues_[i] = d[i];
        if (d[i] == 0) {
          ++zeros;
          transparentIndex_ = int(i);
        } else if (d[i] != 255) {
          ++partial;
        }
      }
      // One entry fully transparent and the rest opaque is what a colour key can show; any
      // other table needs real alpha.
      bitTransparency_ = zeros == 1 && partial == 0;
      if (!bitTransparency_) transparentIndex_ = -1;
      break;
    }
    case 0:
      if (DataSize() >= 2) {
        red_ = green_ = blue_ = GetBigEndian16(d);
        bitTransparency_ = true;
      }
      break;
    case 2:
      if (DataSize() >= 6) {
        red_ = GetBigEndian16(d);
        green_ = GetBigEndian16(d + 2);
        blue_ = GetBigEndian16(d + 4);
        bitTransparency_ = true;
      }
      break;
  }
}

void TChunktRNS::SetPaletteValues(const std::array<Byte, 256>& values, int count) {
  ResizeData(Cardinal(std::clamp(count, 0, 256)));
  std::copy_n(values.begin(), DataSize(), Data());
  Interpret();
}

void TChunktRNS::SetSample(Word red, Word green, Word blue) {
  bool grey = Owner().Header().ColorType() == 0;
  ResizeData(grey ? 2 : 6);
  PutBigEndian16(Data(), red);
  if (!grey) {
    PutBigEndian16(Data() + 2, green);
    PutBigEndian16(Data() + 4, blue);
  }
  Interpret();
}

bool TChunktRNS::SaveToStream(TStream& stream) const {
  const TChunkIHDR& header = Owner().Header();
  // A 2-bit grey image is written with depth 4, where its sample s reads s * 5.
  if (header.ColorType() == 0 && header.BitDepth() == 2 && DataSize() >= 2) {
    Byte d[2];
    PutBigEndian16(d, Word(GetBigEndian16(Data()) * 5));
    WritePngChunk(stream, "tRNS", d, 2);
    return true;
  }
  return TChunk::SaveToStream(stream);
}

}  // namespace orv
