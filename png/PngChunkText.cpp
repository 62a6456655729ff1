// The text chunks: plain and deflated.
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "png/PngBytes.h"
#include "png/PngChunks.h"
#include "png/PngErrors.h"
#include "png/ZLibStreams.h"

namespace orv {

void TChunktEXt::Assign(const TChunk& source) {
  TChunk::Assign(source);
  const auto& s = static_cast<const TChunktEXt&>(source);
  keyword_ = s.keyword_;
  text_ = s.text_;
}

bool TChunktEXt::LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) {
  TChunk::LoadFromStream(stream, chunkName, size);
  if (DataSize() >= 3) {
    const char* d = reinterpret_cast<const char*>(Data());
    const char* zero = static_cast<const char*>(std::memchr(d, 0, DataSize()));
    const char* end = d + DataSize();
    keyword_.assign(d, zero ? zero : end);
    text_.assign(zero ? zero + 1 : end, end);
  }
  return true;
}

bool TChunktEXt::SaveToStream(TStream& stream) const {
  String body = keyword_;
  body.push_back('\0');
  body += text_;
  WritePngChunk(stream, Name().c_str(), reinterpret_cast<const Byte*>(body.data()),
                LongWord(body.size()));
  return true;
}

bool TChunkzTXt::LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) {
  TChunk::LoadFromStream(stream, chunkName, size);
  const Byte* d = Data();
  const Byte* end = d + DataSize();
  const Byte* zero = std::find(d, end, Byte(0));
  keyword_.assign(d, zero);
  // The method byte follows the keyword's terminator; 0 is deflate.
  if (DataSize() >= 4 && end - zero >= 2 && zero[1] == 0) {
    try {
      std::vector<Byte> text = ZDecompress(zero + 2, end - zero - 2, 0, MaxTextSize);
      text_.assign(text.begin(), text.end());
    } catch (const EZLibError& e) {
      throw EPNGZLIBError(EPNGZLIBErrorText + e.Message());
    }
  }
  return true;
}

bool TChunkzTXt::SaveToStream(TStream& stream) const {
  const String& text = text_.empty() ? String(" ") : text_;
  uLongf packed = compressBound(uLong(text.size()));
  std::vector<Byte> body(keyword_.size() + 2 + packed);
  std::copy(keyword_.begin(), keyword_.end(), body.begin());
  body[keyword_.size()] = 0;
  body[keyword_.size() + 1] = 0;
  ZCompressCheck(compress2(body.data() + keyword_.size() + 2, &packed,
                           reinterpret_cast<const Byte*>(text.data()), uLong(text.size()),
                           Owner().CompressionLevel()));
  WritePngChunk(stream, "zTXt", body.data(), LongWord(keyword_.size() + 2 + packed));
  return true;
}

}  // namespace orv
