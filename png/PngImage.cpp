#include "png/PngImage.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "png/PngBytes.h"
#include "png/PngChunks.h"
#include "png/PngErrors.h"

namespace orv {

namespace {

constexpr Byte PngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

TPngColor QuadColor(const TRGBQuad& q) { return PngRGB(q.rgbRed, q.rgbGreen, q.rgbBlue); }

TPngColor GammaColor(const std::array<Byte, 256>& gamma, Byte r, Byte g, Byte b) {
  return PngRGB(gamma[r], gamma[g], gamma[b]);
}

// The transparent sample of a grey or colour image in the form the store keeps it: the grey
// index, or blue, green, red; the low bytes for 16-bit images.
struct TStoreKey {
  bool valid = false;
  Byte value[3] = {};
  Byte low[3] = {};
};

}  // namespace

TChunk& TPNGList::Add(std::unique_ptr<TChunk> chunk) {
  items_.push_back(std::move(chunk));
  return *items_.back();
}

void TPNGList::Clear() { items_.clear(); }

TPNGList::~TPNGList() = default;

TPngImage::TPngImage() { ResetGamma(); }

TPngImage::~TPngImage() = default;

void TPngImage::SetCompressionLevel(int level) { compressionLevel_ = std::clamp(level, 0, 9); }

void TPngImage::SetMaxIdatSize(Cardinal size) {
  maxIdatSize_ = std::clamp<Cardinal>(size, 65535, PngMaxLength);
}

void TPngImage::ResetGamma() {
  for (int i = 0; i < 256; ++i) gamma_[i] = inverse_[i] = Byte(i);
}

void TPngImage::InitializeGamma(Cardinal gamma) {
  if (gamma == 0) return;
  double exponent = 1.0 / (gamma / 100000.0 * 2.2);
  for (int i = 0; i < 256; ++i) {
    gamma_[i] = Byte(std::lround(255.0 * std::pow(i / 255.0, exponent)));
    inverse_[i] = Byte(i);
  }
  for (int i = 0; i < 256; ++i) inverse_[gamma_[i]] = Byte(i);
}

TChunkIHDR& TPngImage::Header() const {
  auto* header = chunks_.Count() > 0 ? dynamic_cast<TChunkIHDR*>(&chunks_.Item(0)) : nullptr;
  if (!header) throw EPNGHeaderNotPresent(EPNGHeaderNotPresentText);
  return *header;
}

int TPngImage::Width() const {
  auto* header = chunks_.Count() > 0 ? dynamic_cast<TChunkIHDR*>(&chunks_.Item(0)) : nullptr;
  return header ? int(header->Width()) : 0;
}

int TPngImage::Height() const {
  auto* header = chunks_.Count() > 0 ? dynamic_cast<TChunkIHDR*>(&chunks_.Item(0)) : nullptr;
  return header ? int(header->Height()) : 0;
}

namespace {

// Ancillary chunks kept with the picture, as libpng keeps them: at most 1,000 of them and 8 MB
// each, and here no more than 16 MB in all. A file of thousands of text chunks would otherwise
// be held in memory, twice over, by every copy of the picture. The rest are read over, their
// CRCs checked, and dropped; the chunks that shape the picture's colours are always kept.
constexpr int kMaxAncillaryChunks = 1000;
constexpr LongWord kMaxAncillaryChunkBytes = 8000000;
constexpr Int64 kMaxAncillaryBytes = 16LL * 1024 * 1024;

bool Droppable(const String& name) { return name != "gAMA" && name != "tRNS"; }

// Reads a chunk's body and CRC in blocks, keeping nothing.
void SkipChunk(TStream& stream, const String& name, LongWord length) {
  uLong crc = crc32(0, reinterpret_cast<const Byte*>(name.data()), 4);
  std::vector<Byte> block(std::min<LongWord>(length, 1 << 16));
  for (Int64 left = length; left > 0;) {
    const Int64 n = std::min<Int64>(left, static_cast<Int64>(block.size()));
    ReadPngBytes(stream, block.data(), n);
    crc = crc32_z(crc, block.data(), static_cast<size_t>(n));
    left -= n;
  }
  if (ReadPngLong(stream) != LongWord(crc)) throw EPngInvalidCRC(EPngInvalidCRCText);
}

}  // namespace

void TPngImage::LoadFromStream(TStream& stream) {
  chunks_.Clear();
  ResetGamma();
  Byte signature[8];
  if (stream.Read(signature, 8) != 8 || std::memcmp(signature, PngSignature, 8) != 0)
    throw EPNGInvalidFileHeader(EPNGInvalidFileHeaderText);

  bool idatSeen = false;
  int ancillaryKept = 0;
  Int64 ancillaryBytes = 0;
  for (;;) {
    LongWord length = ReadPngLong(stream);
    char type[4];
    ReadPngBytes(stream, type, 4);
    String name(type, 4);
    if (length > PngMaxLength) throw EPngUnexpectedEnd(EPNGUnexpectedEndText);
    if (chunks_.Count() == 0 && name != "IHDR") throw EPNGIHDRNotFirst(EPNGIHDRNotFirstText);
    // A second header would prepare a second pixel store beside the first and be written back
    // as a file no reader accepts.
    if (chunks_.Count() > 0 && name == "IHDR") throw EPngInvalidIHDR(EPNGInvalidIHDRText);
    // The first IDAT chunk's decoder reads the whole run; later IDAT chunks, and cHRM, which
    // the codec does not keep, are stepped over, their CRCs checked like any other chunk's.
    if ((name == "IDAT" && idatSeen) || name == "cHRM") {
      TChunk skipped(*this, name);
      skipped.LoadFromStream(stream, name, length);
      continue;
    }
    // A type of anything but letters cannot be an ancillary chunk either.
    bool letters = IsLetter(type[0]) && IsLetter(type[1]) && IsLetter(type[2]) && IsLetter(type[3]);
    bool critical = !letters || (type[0] >= 'A' && type[0] <= 'Z');
    if (critical && !IsRegisteredChunk(name))
      throw EPNGUnknownCriticalChunk(EPNGUnknownCriticalChunkText);
    if (!critical && Droppable(name)) {
      if (ancillaryKept >= kMaxAncillaryChunks || length > kMaxAncillaryChunkBytes ||
          ancillaryBytes + length > kMaxAncillaryBytes) {
        SkipChunk(stream, name, length);
        continue;
      }
      ++ancillaryKept;
      ancillaryBytes += length;
    }
    if (name == "IDAT") {
      // Without its palette an image of indices has no colours: it would decode black and be
      // saved without the PLTE chunk a palette image must carry.
      if (Header().ColorType() == 3) {
        const TChunkPLTE* palette = chunks_.ItemFromClass<TChunkPLTE>();
        if (!palette || palette->Count() == 0) throw EPNGInvalidPalette(EPNGInvalidPaletteText);
      }
      idatSeen = true;
    }
    std::unique_ptr<TChunk> chunk = CreateChunk(*this, name);
    bool more = chunk->LoadFromStream(stream, name, length);
    chunks_.Add(std::move(chunk));
    if (!more || name == "IEND") break;
  }
  if (!idatSeen) throw EPNGNoImageData(EPNGNoImageDataText);
}

void TPngImage::SaveToStream(TStream& stream) const {
  stream.WriteBuffer(PngSignature, 8);
  for (int i = 0; i < chunks_.Count(); ++i) chunks_.Item(i).SaveToStream(stream);
}

void TPngImage::Assign(const TPngImage& source) {
  if (&source == this) return;
  interlaceMethod_ = source.interlaceMethod_;
  maxIdatSize_ = source.maxIdatSize_;
  compressionLevel_ = source.compressionLevel_;
  filters_ = source.filters_;
  // Colours are drawn through the source's gamma table.
  gamma_ = source.gamma_;
  inverse_ = source.inverse_;
  chunks_.Clear();
  for (int i = 0; i < source.chunks_.Count(); ++i) {
    const TChunk& from = source.chunks_.Item(i);
    std::unique_ptr<TChunk> chunk = CreateChunk(*this, from.Name());
    chunk->Assign(from);
    chunks_.Add(std::move(chunk));
  }
}

void TPngImage::AssignBitmap(const TPngBitmap& bitmap, bool transparent,
                             TPngColor transparentColor) {
  int bpp = bitmap.BitsPerPixel();
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24)
    throw EInvalidGraphic("Unsupported bitmap format");
  bool palette = bpp <= 8;
  chunks_.Clear();
  ResetGamma();
  interlaceMethod_ = imNone;

  auto& header = static_cast<TChunkIHDR&>(chunks_.Add(std::make_unique<TChunkIHDR>(*this)));
  header.SetFormat(Cardinal(bitmap.Width()), Cardinal(bitmap.Height()), palette ? 3 : 2,
                   Byte(palette ? bpp : 8));
  TPngBitmap& store = header.Bitmap();
  for (int y = 0; y < bitmap.Height(); ++y)
    std::memcpy(store.ScanLine(y), bitmap.ScanLine(y), store.BytesPerRow());
  if (palette) {
    store.Palette() = bitmap.Palette();
    int count = std::clamp(bitmap.PaletteCount(), 1, 1 << bpp);
    store.SetPaletteCount(count);
    chunks_.Add(std::make_unique<TChunkPLTE>(*this));
    if (transparent) {
      std::array<Byte, 256> alpha;
      alpha.fill(255);
      int last = -1;
      for (int i = 0; i < count; ++i)
        if (QuadColor(store.Palette()[i]) == (transparentColor & 0xFFFFFF)) {
          alpha[i] = 0;
          last = i;
        }
      if (last >= 0) {
        auto& trns = static_cast<TChunktRNS&>(chunks_.Add(std::make_unique<TChunktRNS>(*this)));
        trns.SetPaletteValues(alpha, last + 1);
      }
    }
  } else if (transparent) {
    auto& trns = static_cast<TChunktRNS&>(chunks_.Add(std::make_unique<TChunktRNS>(*this)));
    trns.SetSample(transparentColor & 0xFF, (transparentColor >> 8) & 0xFF,
                   (transparentColor >> 16) & 0xFF);
  }
  chunks_.Add(std::make_unique<TChunkIDAT>(*this));
  chunks_.Add(std::make_unique<TChunkIEND>(*this));
}

TPngColor TPngImage::Pixels(int x, int y) const {
  const TChunkIHDR& header = Header();
  const TPngBitmap& store = header.Bitmap();
  if (x < 0 || y < 0 || x >= store.Width() || y >= store.Height()) return 0;
  const Byte* line = store.ScanLine(y);
  if (store.BitsPerPixel() == 24) return GammaColor(gamma_, line[3 * x + 2], line[3 * x + 1], line[3 * x]);
  const TRGBQuad& q = store.Palette()[store.Index(line, x)];
  return GammaColor(gamma_, q.rgbRed, q.rgbGreen, q.rgbBlue);
}

void TPngImage::SetPixels(int x, int y, TPngColor color) {
  TChunkIHDR& header = Header();
  TPngBitmap& store = header.Bitmap();
  if (x < 0 || y < 0 || x >= store.Width() || y >= store.Height()) return;
  Byte r = inverse_[color & 0xFF], g = inverse_[(color >> 8) & 0xFF],
       b = inverse_[(color >> 16) & 0xFF];
  Byte* line = store.ScanLine(y);
  bool wide = store.HasExtra();
  switch (header.ColorType()) {
    case 2:
    case 6:
      line[3 * x] = b;
      line[3 * x + 1] = g;
      line[3 * x + 2] = r;
      // A 16-bit sample of an 8-bit value repeats the byte: 0xAB becomes 0xABAB.
      if (wide) std::memcpy(store.ExtraScanLine(y) + 3 * x, line + 3 * x, 3);
      break;
    case 0:
    case 4: {
      int level = (r + g + b) / 3;
      int top = store.PaletteCount() - 1;
      // The grey palette spans black to white evenly over the store's indices.
      int index = (level * top + 127) / 255;
      if (header.BitDepth() == 2) index = (level * 3 + 127) / 255 * 5;
      store.SetIndex(line, x, index);
      if (wide) store.ExtraScanLine(y)[x] = Byte(index);
      break;
    }
    case 3: {
      int count = store.PaletteCount();
      if (count <= 0) throw EPngError(EPNGUnknownPalEntryText);
      int best = 0, bestDistance = std::numeric_limits<int>::max();
      for (int i = 0; i < count; ++i) {
        const TRGBQuad& q = store.Palette()[i];
        int d = (q.rgbRed - r) * (q.rgbRed - r) + (q.rgbGreen - g) * (q.rgbGreen - g) +
                (q.rgbBlue - b) * (q.rgbBlue - b);
        if (d < bestDistance) {
          bestDistance = d;
          best = i;
        }
      }
      store.SetIndex(line, x, best);
      break;
    }
  }
}

void TPngImage::Resize(int cx, int cy) {
  if (cx <= 0 || cy <= 0) throw EPNGInvalidNewSize(EPNGInvalidNewSizeText);
  TChunkIHDR& header = Header();
  TPngBitmap old = header.Bitmap();
  header.SetFormat(Cardinal(cx), Cardinal(cy), header.ColorType(), header.BitDepth());
  TPngBitmap& store = header.Bitmap();
  store.Palette() = old.Palette();
  store.SetPaletteCount(old.PaletteCount());
  int rows = std::min(cy, old.Height());
  int columns = std::min(cx, old.Width());
  size_t rowBytes = std::min(store.BytesPerRow(), old.BytesPerRow());
  for (int y = 0; y < rows; ++y) {
    std::memcpy(store.ScanLine(y), old.ScanLine(y), rowBytes);
    if (store.HasExtra()) std::memcpy(store.ExtraScanLine(y), old.ExtraScanLine(y), rowBytes);
    if (store.HasAlpha()) std::memcpy(store.AlphaLine(y), old.AlphaLine(y), size_t(columns));
    if (store.HasExtraAlpha())
      std::memcpy(store.ExtraAlphaLine(y), old.ExtraAlphaLine(y), size_t(columns));
  }
}

TPNGTransparencyMode TPngImage::TransparencyMode() const {
  auto* header = chunks_.Count() > 0 ? dynamic_cast<TChunkIHDR*>(&chunks_.Item(0)) : nullptr;
  if (!header) return ptmNone;
  Byte colorType = header->ColorType();
  if (colorType == 4 || colorType == 6) return ptmPartial;
  auto* trns = chunks_.ItemFromClass<TChunktRNS>();
  if (!trns) return ptmNone;
  if (colorType == 3) return trns->BitTransparency() ? ptmBit : ptmPartial;
  return trns->BitTransparency() ? ptmBit : ptmNone;
}

namespace {

TStoreKey StoreKey(const TChunkIHDR& header, const TChunktRNS& trns) {
  TStoreKey key;
  Byte depth = header.BitDepth();
  // Bits above the depth are not part of the sample: decoders are to ignore them.
  const Word max = Word((1u << depth) - 1);
  const Word samples[3] = {Word(trns.SampleBlue() & max), Word(trns.SampleGreen() & max),
                           Word(trns.SampleRed() & max)};
  if (header.ColorType() == 0) {
    Word s = samples[0];
    key.value[0] = Byte(depth == 16 ? s >> 8 : depth == 2 ? s * 5 : s);
    key.low[0] = Byte(s);
  } else {
    for (int c = 0; c < 3; ++c) {
      key.value[c] = Byte(depth == 16 ? samples[c] >> 8 : samples[c]);
      key.low[c] = Byte(samples[c]);
    }
  }
  key.valid = true;
  return key;
}

}  // namespace

TPngColor TPngImage::TransparentColor() const {
  if (TransparencyMode() != ptmBit) return 0;
  const TChunkIHDR& header = Header();
  const TPngBitmap& store = header.Bitmap();
  const auto& trns = *chunks_.ItemFromClass<TChunktRNS>();
  TRGBQuad q;
  if (header.ColorType() == 3) {
    q = store.Palette()[trns.TransparentIndex()];
  } else {
    TStoreKey key = StoreKey(header, trns);
    if (!key.valid) return 0;
    if (header.ColorType() == 0) q = store.Palette()[key.value[0]];
    else q = TRGBQuad{key.value[0], key.value[1], key.value[2], 0};
  }
  return GammaColor(gamma_, q.rgbRed, q.rgbGreen, q.rgbBlue);
}

std::vector<Cardinal> TPngImage::RenderArgb() const {
  const TChunkIHDR& header = Header();
  const TPngBitmap& store = header.Bitmap();
  int width = store.Width(), height = store.Height();
  std::vector<Cardinal> out(size_t(width) * height);
  TPNGTransparencyMode mode = TransparencyMode();
  const TChunktRNS* trns = chunks_.ItemFromClass<TChunktRNS>();
  TStoreKey key;
  if (mode == ptmBit && trns && header.ColorType() != 3) key = StoreKey(header, *trns);
  bool wide = store.HasExtra();
  const auto& palette = store.Palette();

  for (int y = 0; y < height; ++y) {
    const Byte* line = store.ScanLine(y);
    const Byte* extra = wide ? store.ExtraScanLine(y) : nullptr;
    const Byte* alphaLine = store.HasAlpha() ? store.AlphaLine(y) : nullptr;
    Cardinal* o = out.data() + size_t(y) * width;
    for (int x = 0; x < width; ++x) {
      Byte r, g, b, a = 255;
      if (store.BitsPerPixel() == 24) {
        b = line[3 * x];
        g = line[3 * x + 1];
        r = line[3 * x + 2];
        if (key.valid && b == key.value[0] && g == key.value[1] && r == key.value[2] &&
            (!wide || (extra[3 * x] == key.low[0] && extra[3 * x + 1] == key.low[1] &&
                       extra[3 * x + 2] == key.low[2])))
          a = 0;
      } else {
        int index = store.Index(line, x);
        r = palette[index].rgbRed;
        g = palette[index].rgbGreen;
        b = palette[index].rgbBlue;
        if (header.ColorType() == 3) {
          if (mode == ptmPartial) a = trns->PaletteValues()[index];
          else if (mode == ptmBit && index == trns->TransparentIndex()) a = 0;
        } else if (key.valid && index == key.value[0] && (!wide || extra[x] == key.low[0])) {
          a = 0;
        }
      }
      if (alphaLine) a = alphaLine[x];
      o[x] = Cardinal(a) << 24 | Cardinal(gamma_[r]) << 16 | Cardinal(gamma_[g]) << 8 | gamma_[b];
    }
  }
  return out;
}

}  // namespace orv
