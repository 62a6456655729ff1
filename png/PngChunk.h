#pragma once
// TChunk: one chunk of a PNG file, kept as its type and body; the base of the kinds the codec
// interprets, and the registry that picks the kind for a chunk type.
#include <memory>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/Streams.h"

namespace orv {

class TPngImage;

// A chunk; unknown types are kept as this and written back unchanged.
class TChunk : public TObject {
 public:
  TChunk(TPngImage& owner, String name);

  // Four characters.
  const String& Name() const { return name_; }
  TPngImage& Owner() const { return owner_; }
  Byte* Data() { return data_.data(); }
  const Byte* Data() const { return data_.data(); }
  Cardinal DataSize() const { return dataSize_; }
  // The buffer always keeps one spare byte behind the body.
  void ResizeData(Cardinal size);

  // Copies source, which must be of the same kind, else EPngError is raised.
  virtual void Assign(const TChunk& source);
  // Reads the body of size bytes and the CRC behind it (length and type have been read);
  // raises EPngInvalidCRC on a mismatch. False stops the load.
  virtual bool LoadFromStream(TStream& stream, const String& chunkName, Cardinal size);
  // Writes length, type, body and CRC.
  virtual bool SaveToStream(TStream& stream) const;

 protected:
  // Reads and checks the CRC that follows a body read by the caller.
  void CheckCrc(TStream& stream) const;

 private:
  TPngImage& owner_;
  String name_;
  std::vector<Byte> data_;
  Cardinal dataSize_ = 0;
};

// Creates a chunk of the registered kind for name (IEND, IHDR, IDAT, PLTE, gAMA, tRNS, pHYs,
// tIME, tEXt, zTXt), else a plain TChunk.
std::unique_ptr<TChunk> CreateChunk(TPngImage& owner, const String& name);
// Whether a kind is registered for name.
bool IsRegisteredChunk(const String& name);

}  // namespace orv
