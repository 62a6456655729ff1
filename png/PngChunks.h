#pragma once
// The chunk kinds besides the header: palette, transparency, gamma, image data, end, time,
// texts and physical pixel size.
#include <array>

#include "png/PngChunkIHDR.h"
#include "png/PngImage.h"

namespace orv {

// The palette; its entries live in the header's store as the file has them.
class TChunkPLTE : public TChunk {
 public:
  explicit TChunkPLTE(TPngImage& owner) : TChunk(owner, "PLTE") {}
  int Count() const { return count_; }
  void SetCount(int count) { count_ = count; }
  void Assign(const TChunk& source) override;
  // Raises EPNGInvalidPalette unless the body holds whole entries, at most 256.
  bool LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) override;
  // The store's entries; all of them when Count is 0.
  bool SaveToStream(TStream& stream) const override;

 private:
  int count_ = 0;
};

// Transparency: alpha per palette entry, or the one transparent grey or colour sample.
class TChunktRNS : public TChunk {
 public:
  explicit TChunktRNS(TPngImage& owner);
  // Alpha per palette index; 255 where the chunk says nothing.
  const std::array<Byte, 256>& PaletteValues() const { return paletteValues_; }
  // Palette images: exactly one entry fully transparent and every other opaque. Grey and colour
  // images: always.
  bool BitTransparency() const { return bitTransparency_; }
  // Palette images: the index drawn transparent in bit transparency.
  int TransparentIndex() const { return transparentIndex_; }
  // Grey and colour images: the transparent sample as the file holds it (16 bits per channel;
  // grey fills all three).
  Word SampleRed() const { return red_; }
  Word SampleGreen() const { return green_; }
  Word SampleBlue() const { return blue_; }
  // Sets the palette alpha values (colour type 3) or the transparent sample (types 0 and 2).
  void SetPaletteValues(const std::array<Byte, 256>& values, int count);
  void SetSample(Word red, Word green, Word blue);

  void Assign(const TChunk& source) override;
  bool LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) override;
  bool SaveToStream(TStream& stream) const override;

 private:
  void Interpret();

  std::array<Byte, 256> paletteValues_;
  bool bitTransparency_ = false;
  int transparentIndex_ = -1;
  Word red_ = 0;
  Word green_ = 0;
  Word blue_ = 0;
};

// Gamma, as gamma times 100000.
class TChunkgAMA : public TChunk {
 public:
  explicit TChunkgAMA(TPngImage& owner) : TChunk(owner, "gAMA") {}
  Cardinal Gamma() const { return gamma_; }
  void SetGamma(Cardinal gamma) { gamma_ = gamma; }
  void Assign(const TChunk& source) override;
  // Builds the image's gamma tables.
  bool LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) override;
  bool SaveToStream(TStream& stream) const override;

 private:
  Cardinal gamma_ = 1;
};

// The image data. Loading decodes every IDAT chunk of the run into the header's store;
// saving encodes the store into as many IDAT chunks as it takes.
class TChunkIDAT : public TChunk {
 public:
  explicit TChunkIDAT(TPngImage& owner) : TChunk(owner, "IDAT") {}
  bool LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) override;
  bool SaveToStream(TStream& stream) const override;
};

// The end of the image.
class TChunkIEND : public TChunk {
 public:
  explicit TChunkIEND(TPngImage& owner) : TChunk(owner, "IEND") {}
};

// The time of the last change.
class TChunktIME : public TChunk {
 public:
  explicit TChunktIME(TPngImage& owner) : TChunk(owner, "tIME") {}
  Word Year() const { return year_; }
  void SetYear(Word v) { year_ = v; }
  Byte Month() const { return month_; }
  void SetMonth(Byte v) { month_ = v; }
  Byte Day() const { return day_; }
  void SetDay(Byte v) { day_ = v; }
  Byte Hour() const { return hour_; }
  void SetHour(Byte v) { hour_ = v; }
  Byte Minute() const { return minute_; }
  void SetMinute(Byte v) { minute_ = v; }
  Byte Second() const { return second_; }
  void SetSecond(Byte v) { second_ = v; }
  void Assign(const TChunk& source) override;
  bool LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) override;
  bool SaveToStream(TStream& stream) const override;

 private:
  Word year_ = 0;
  Byte month_ = 0, day_ = 0, hour_ = 0, minute_ = 0, second_ = 0;
};

// A keyword and its text, both kept as the file's bytes.
class TChunktEXt : public TChunk {
 public:
  explicit TChunktEXt(TPngImage& owner) : TChunktEXt(owner, "tEXt") {}
  const String& Keyword() const { return keyword_; }
  void SetKeyword(const String& v) { keyword_ = v; }
  const String& Text() const { return text_; }
  void SetText(const String& v) { text_ = v; }
  void Assign(const TChunk& source) override;
  bool LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) override;
  bool SaveToStream(TStream& stream) const override;

 protected:
  TChunktEXt(TPngImage& owner, String name) : TChunk(owner, std::move(name)) {}
  String keyword_;
  String text_;
};

// A keyword and its deflated text.
class TChunkzTXt : public TChunktEXt {
 public:
  // Texts inflating beyond this are refused with EPNGZLIBError.
  static constexpr Int64 MaxTextSize = Int64(8) << 20;

  explicit TChunkzTXt(TPngImage& owner) : TChunktEXt(owner, "zTXt") {}
  bool LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) override;
  // Deflated at the image's CompressionLevel; an empty text is written as one blank.
  bool SaveToStream(TStream& stream) const override;
};

// Pixels per unit along each axis; UnitType 1 is the metre.
class TChunkpHYs : public TChunk {
 public:
  explicit TChunkpHYs(TPngImage& owner) : TChunk(owner, "pHYs") {}
  Cardinal PPUnitX() const { return ppUnitX_; }
  void SetPPUnitX(Cardinal v) { ppUnitX_ = v; }
  Cardinal PPUnitY() const { return ppUnitY_; }
  void SetPPUnitY(Cardinal v) { ppUnitY_ = v; }
  Byte UnitType() const { return unitType_; }
  void SetUnitType(Byte v) { unitType_ = v; }
  void Assign(const TChunk& source) override;
  bool LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) override;
  bool SaveToStream(TStream& stream) const override;

 private:
  Cardinal ppUnitX_ = 0;
  Cardinal ppUnitY_ = 0;
  Byte unitType_ = 0;
};

}  // namespace orv
