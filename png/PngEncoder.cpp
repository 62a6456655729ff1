// Encoding the image data: rows built from the store, filtered, deflated and cut into IDAT
// chunks of the image's MaxIdatSize.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>

#include "png/PngBytes.h"
#include "png/PngChunks.h"
#include "png/PngErrors.h"
#include "png/PngFilters.h"
#include "png/PngLayout.h"
#include "png/PngPixelRows.h"
#include "png/ZLibStreams.h"

namespace orv {

namespace {

// Deflates into a buffer of one chunk's size and writes it out as IDAT chunks.
class TIdatWriter {
 public:
  // Filtered rows are small differences: zlib's filtered strategy suits them better than its
  // default, which is kept for unfiltered data.
  TIdatWriter(TStream& stream, int level, Cardinal chunkSize, bool filtered)
      : stream_(stream), buffer_(chunkSize) {
    ZCompressCheck(deflateInit2(&z_, level, Z_DEFLATED, MAX_WBITS, 8,
                                filtered ? Z_FILTERED : Z_DEFAULT_STRATEGY));
    z_.next_out = buffer_.data();
    z_.avail_out = uInt(buffer_.size());
  }
  ~TIdatWriter() { deflateEnd(&z_); }

  void Write(const Byte* data, size_t count) {
    z_.next_in = const_cast<Byte*>(data);
    z_.avail_in = uInt(count);
    while (z_.avail_in > 0) {
      ZCompressCheck(deflate(&z_, Z_NO_FLUSH));
      if (z_.avail_out == 0) Flush();
    }
  }

  void Finish() {
    while (ZCompressCheck(deflate(&z_, Z_FINISH)) != Z_STREAM_END)
      if (z_.avail_out == 0) Flush();
    if (z_.avail_out < buffer_.size()) Flush();
  }

 private:
  void Flush() {
    WritePngChunk(stream_, "IDAT", buffer_.data(), LongWord(buffer_.size() - z_.avail_out));
    z_.next_out = buffer_.data();
    z_.avail_out = uInt(buffer_.size());
  }

  TStream& stream_;
  std::vector<Byte> buffer_;
  z_stream z_{};
};

constexpr TFilter AllFilters[] = {pfNone, pfSub, pfUp, pfAverage, pfPaeth};

}  // namespace

bool TChunkIDAT::SaveToStream(TStream& stream) const {
  TPngImage& image = Owner();
  TChunkIHDR& header = image.Header();
  Byte colorType = header.ColorType();
  Byte depth = StoredBitDepth(header.BitDepth());
  int width = int(header.Width());
  int height = int(header.Height());
  size_t step = size_t(PngFilterStep(colorType, depth));
  TPngPixelRows rows(header, depth);

  TFilters filters = image.Filters();
  std::vector<TFilter> enabled;
  for (TFilter f : AllFilters)
    if (filters.Contains(f)) enabled.push_back(f);
  if (enabled.empty()) enabled.push_back(pfNone);

  size_t maxRow = size_t(PngRowBytes(width, colorType, depth)) + 1;
  std::vector<Byte> raw(maxRow), previous(maxRow);
  // One filtered row per enabled filter, each with its filter byte in front.
  std::array<std::vector<Byte>, 5> filtered;
  for (TFilter f : AllFilters) {
    filtered[f].assign(maxRow, 0);
    filtered[f][0] = f;
  }

  bool anyFilter = enabled.size() > 1 || enabled[0] != pfNone;
  TIdatWriter writer(stream, image.CompressionLevel(), image.MaxIdatSize(), anyFilter);
  bool interlaced = image.InterlaceMethod() == imAdam7;
  ForEachPngPass(width, height, colorType, depth, interlaced,
                 [&](const TPngPass& pass, int columns, int passRows, size_t rowBytes) {
    std::fill(previous.begin(), previous.begin() + Int64(rowBytes) + 1, 0);
    for (int r = 0; r < passRows; ++r) {
      rows.Build(raw.data() + 1, pass.StartRow + r * pass.RowStep, pass.StartColumn,
                 pass.ColumnStep, columns);
      // Several filters: the one whose row is nearest to all zeros, the earlier on a tie.
      TFilter chosen = enabled[0];
      size_t best = SIZE_MAX;
      for (TFilter f : enabled) {
        FilterRow(f, raw.data() + 1, previous.data() + 1, filtered[f].data() + 1, rowBytes, step);
        if (enabled.size() == 1) break;
        size_t sum = DifferenceSum(filtered[f].data() + 1, rowBytes, best);
        if (sum < best) {
          best = sum;
          chosen = f;
        }
      }
      writer.Write(filtered[chosen].data(), rowBytes + 1);
      std::swap(raw, previous);
    }
  });
  writer.Finish();
  return true;
}

}  // namespace orv
