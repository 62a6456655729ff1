#pragma once
// TPngImage: a PNG image held as its chunks in file order, with the settings used to write it.
// The header chunk owns the decoded pixels. It knows nothing of drawing; TPNGObject puts it on
// a canvas.
#include <array>
#include <initializer_list>
#include <memory>
#include <vector>

#include "platform/rtl/Streams.h"
#include "png/PngBitmap.h"

namespace orv {

class TChunk;
class TChunkIHDR;

enum TFilter : Byte { pfNone, pfSub, pfUp, pfAverage, pfPaeth };

// A set of row filters; as an integer pfNone is bit 0 up to pfPaeth bit 4.
class TFilters {
 public:
  constexpr TFilters() = default;
  constexpr TFilters(std::initializer_list<TFilter> filters) {
    for (TFilter f : filters) bits_ |= Bit(f);
  }
  constexpr int ToInt() const { return bits_; }
  constexpr bool Contains(TFilter f) const { return (bits_ & Bit(f)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool operator==(const TFilters&) const = default;

 private:
  static constexpr Byte Bit(TFilter f) { return Byte(1u << f); }
  Byte bits_ = 0;
};

enum TInterlaceMethod { imNone, imAdam7 };

enum TPNGTransparencyMode { ptmNone, ptmBit, ptmPartial };

// A colour as the class library keeps it: 0x00BBGGRR.
using TPngColor = Cardinal;
constexpr TPngColor PngRGB(Byte r, Byte g, Byte b) { return r | (g << 8) | (b << 16); }

// The chunks of an image, owned, in file order.
class TPNGList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TChunk& Item(int index) const { return *items_.at(size_t(index)); }
  // The first chunk of kind T, or nullptr.
  template <class T>
  T* ItemFromClass() const {
    for (const auto& chunk : items_)
      if (auto* found = dynamic_cast<T*>(chunk.get())) return found;
    return nullptr;
  }
  TChunk& Add(std::unique_ptr<TChunk> chunk);
  void Clear();
  ~TPNGList();

 private:
  std::vector<std::unique_ptr<TChunk>> items_;
};

// The image: chunk list, writing settings and gamma tables.
class TPngImage {
 public:
  TPngImage();
  TPngImage(const TPngImage&) = delete;
  TPngImage& operator=(const TPngImage&) = delete;
  virtual ~TPngImage();

  TFilters Filters() const { return filters_; }
  void SetFilters(TFilters filters) { filters_ = filters; }
  // 0 to 9; other values are clamped.
  int CompressionLevel() const { return compressionLevel_; }
  void SetCompressionLevel(int level);
  // The largest IDAT chunk written; never below 65535.
  Cardinal MaxIdatSize() const { return maxIdatSize_; }
  void SetMaxIdatSize(Cardinal size);
  TInterlaceMethod InterlaceMethod() const { return interlaceMethod_; }
  void SetInterlaceMethod(TInterlaceMethod method) { interlaceMethod_ = method; }

  // The store keeps the file's samples; colours drawn or read pass through GammaTable, colours
  // set pass back through InverseTable.
  const std::array<Byte, 256>& GammaTable() const { return gamma_; }
  const std::array<Byte, 256>& InverseTable() const { return inverse_; }
  // gamma is the file's gAMA value (gamma times 100000); 0 leaves the tables as they are.
  void InitializeGamma(Cardinal gamma);

  TPNGList& Chunks() { return chunks_; }
  const TPNGList& Chunks() const { return chunks_; }
  // The first chunk as the header; raises EPNGHeaderNotPresent when it is not one.
  TChunkIHDR& Header() const;
  bool Empty() const { return chunks_.Count() == 0; }
  // 0 without a header.
  int Width() const;
  int Height() const;

  // Replaces all chunks by those of the stream. A failed load keeps the chunks read so far.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  // Copies the settings and re-creates every chunk of source.
  void Assign(const TPngImage& source);
  // Rebuilds the image from a palette bitmap (1, 4 or 8 bits per pixel) or a 24-bit one. When
  // transparent, palette entries of transparentColor (or that colour itself) become transparent.
  void AssignBitmap(const TPngBitmap& bitmap, bool transparent, TPngColor transparentColor);

  // The colour of a pixel; outside the image 0 is read and writes are ignored.
  TPngColor Pixels(int x, int y) const;
  void SetPixels(int x, int y, TPngColor color);
  // Gives the image a new size, keeping the overlapping pixels.
  void Resize(int cx, int cy);

  TPNGTransparencyMode TransparencyMode() const;
  // The colour drawn transparent in bit transparency, else 0.
  TPngColor TransparentColor() const;
  // The image as non-premultiplied 0xAARRGGBB pixels, top row first, with the alpha that the
  // transparency mode gives: bit transparency matches palette indices and stored samples, not
  // colours, so an opaque entry of the same colour stays opaque.
  std::vector<Cardinal> RenderArgb() const;

 private:
  void ResetGamma();

  TFilters filters_{pfSub};
  int compressionLevel_ = 7;
  Cardinal maxIdatSize_ = 65535;
  TInterlaceMethod interlaceMethod_ = imNone;
  std::array<Byte, 256> gamma_{};
  std::array<Byte, 256> inverse_{};
  TPNGList chunks_;
};

}  // namespace orv
