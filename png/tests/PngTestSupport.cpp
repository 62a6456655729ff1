#include "png/tests/PngTestSupport.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "platform/rtl/tests/ScratchFolder.h"
#include "png/PngChunkIHDR.h"
#include "png/PngChunks.h"

namespace orv::test {

std::vector<Byte> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<Byte>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::vector<Byte>& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

std::string TempPath(const std::string& name) {
  static std::atomic<int> counter{0};
  return (orv::testing::ProcessScratchFolder("orvane-png-") / (std::to_string(counter++) + "_" + name)).string();
}

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  std::string text;
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string SuiteDir() {
  const char* corpus = std::getenv("PNG_CORPUS");
  if (corpus && *corpus) return corpus;
  return std::string(ORVANE_SHARED_DIR) + "/testdata/pngsuite";
}

std::vector<std::string> SuiteFiles(const std::string& dir) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::string name = entry.path().filename().string();
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    if (entry.is_regular_file() && lower.size() > 4 && lower.ends_with(".png"))
      files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::unique_ptr<TPngImage> DecodePng(const std::vector<Byte>& file) {
  TMemoryStream stream;
  stream.Write(file.data(), Int64(file.size()));
  stream.SetPosition(0);
  auto image = std::make_unique<TPngImage>();
  image->LoadFromStream(stream);
  return image;
}

std::vector<Byte> EncodePng(const TPngImage& image) {
  TMemoryStream stream;
  image.SaveToStream(stream);
  return std::vector<Byte>(stream.Memory(), stream.Memory() + stream.Size());
}

namespace {

struct TMemoryReader {
  const std::vector<Byte>* data;
  size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* r = static_cast<TMemoryReader*>(png_get_io_ptr(png));
  if (count > r->data->size() - r->pos) png_error(png, "read past end");
  std::memcpy(out, r->data->data() + r->pos, count);
  r->pos += count;
}

void IgnoreWarning(png_structp, png_const_charp) {}

void AppendToVector(png_structp png, png_bytep data, png_size_t count) {
  auto* out = static_cast<std::vector<Byte>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + count);
}

}  // namespace

// Only trivially destructible locals live across the setjmp, as longjmp requires; the
// vectors are declared before it and only resized after.
bool LibPngCanonical(const std::vector<Byte>& file, TCanonical& out) {
  std::vector<Byte> pixels;
  std::vector<png_bytep> rows;
  TMemoryReader reader{&file, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnoreWarning);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reader, ReadFromMemory);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  png_uint_32 width = png_get_image_width(png, info);
  png_uint_32 height = png_get_image_height(png, info);
  int depth = png_get_bit_depth(png, info);
  size_t rowBytes = png_get_rowbytes(png, info);
  pixels.resize(rowBytes * height);
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels.data() + y * rowBytes;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);

  out.Width = int(width);
  out.Height = int(height);
  out.Wide = depth == 16;
  out.Rgba.resize(size_t(width) * height * 4);
  for (size_t i = 0; i < out.Rgba.size(); ++i)
    out.Rgba[i] = out.Wide ? Word(pixels[2 * i] << 8 | pixels[2 * i + 1]) : pixels[i];
  return true;
}

// Only trivially destructible locals live across each setjmp; the vectors are declared before it.
std::vector<Byte> LibPngRewrite(const std::vector<Byte>& file, int level) {
  std::vector<Byte> pixels, out;
  std::vector<png_bytep> rows;
  std::vector<png_color> palette;
  TMemoryReader reader{&file, 0};
  png_uint_32 width = 0, height = 0;
  int depth = 0, colorType = 0, interlace = 0;
  png_structp read = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnoreWarning);
  png_infop readInfo = png_create_info_struct(read);
  if (setjmp(png_jmpbuf(read))) {
    png_destroy_read_struct(&read, &readInfo, nullptr);
    return {};
  }
  png_set_read_fn(read, &reader, ReadFromMemory);
  png_read_info(read, readInfo);
  png_get_IHDR(read, readInfo, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
  png_set_interlace_handling(read);
  png_read_update_info(read, readInfo);
  size_t rowBytes = png_get_rowbytes(read, readInfo);
  pixels.resize(rowBytes * height);
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels.data() + y * rowBytes;
  png_read_image(read, rows.data());
  png_colorp entries = nullptr;
  int count = 0;
  if (png_get_PLTE(read, readInfo, &entries, &count)) palette.assign(entries, entries + count);
  png_destroy_read_struct(&read, &readInfo, nullptr);

  png_structp write = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnoreWarning);
  png_infop writeInfo = png_create_info_struct(write);
  if (setjmp(png_jmpbuf(write))) {
    png_destroy_write_struct(&write, &writeInfo);
    return {};
  }
  png_set_write_fn(write, &out, AppendToVector, nullptr);
  png_set_IHDR(write, writeInfo, width, height, depth, colorType, interlace,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(write, writeInfo, palette.data(), int(palette.size()));
  png_set_filter(write, 0, PNG_ALL_FILTERS);
  png_set_compression_level(write, level);
  png_write_info(write, writeInfo);
  png_set_interlace_handling(write);
  png_write_image(write, rows.data());
  png_write_end(write, writeInfo);
  png_destroy_write_struct(&write, &writeInfo);
  return out;
}

TCanonical CodecCanonical(const TPngImage& image) {
  const TChunkIHDR& header = image.Header();
  const TPngBitmap& store = header.Bitmap();
  TCanonical c;
  c.Width = store.Width();
  c.Height = store.Height();
  c.Wide = header.BitDepth() == 16;
  c.Rgba.resize(size_t(c.Width) * c.Height * 4);
  std::vector<Cardinal> argb = image.RenderArgb();
  for (int y = 0; y < c.Height; ++y) {
    for (int x = 0; x < c.Width; ++x) {
      size_t p = size_t(y) * c.Width + x;
      Word* o = &c.Rgba[p * 4];
      Word a = Word(argb[p] >> 24);
      const Byte* line = store.ScanLine(y);
      TRGBQuad q = store.BitsPerPixel() == 24
                       ? TRGBQuad{line[3 * x], line[3 * x + 1], line[3 * x + 2], 0}
                       : store.Palette()[store.Index(line, x)];
      Word r = q.rgbRed, g = q.rgbGreen, b = q.rgbBlue;
      if (!c.Wide) {
        o[0] = r, o[1] = g, o[2] = b, o[3] = a;
        continue;
      }
      if (store.BitsPerPixel() == 24) {
        const Byte* e = store.ExtraScanLine(y) + 3 * x;
        o[0] = Word(r << 8 | e[2]), o[1] = Word(g << 8 | e[1]), o[2] = Word(b << 8 | e[0]);
      } else {
        Byte low = store.ExtraScanLine(y)[x];
        o[0] = o[1] = o[2] = Word(r << 8 | low);
      }
      o[3] = store.HasAlpha() ? Word(store.AlphaLine(y)[x] << 8 | store.ExtraAlphaLine(y)[x])
                              : Word(a * 257);
    }
  }
  return c;
}

std::string CanonicalDifference(const TCanonical& e, const TCanonical& a) {
  if (e.Width != a.Width || e.Height != a.Height || e.Wide != a.Wide)
    return "size " + std::to_string(e.Width) + "x" + std::to_string(e.Height) + (e.Wide ? "/16" : "/8") +
           " against " + std::to_string(a.Width) + "x" + std::to_string(a.Height) + (a.Wide ? "/16" : "/8");
  for (size_t i = 0; i < e.Rgba.size(); ++i)
    if (e.Rgba[i] != a.Rgba[i]) {
      size_t p = i / 4;
      return "pixel (" + std::to_string(p % e.Width) + "," + std::to_string(p / e.Width) +
             ") channel " + std::to_string(i % 4) + ": expected " + std::to_string(e.Rgba[i]) +
             ", got " + std::to_string(a.Rgba[i]);
    }
  return "";
}

std::vector<Byte> PngChunk(const std::string& type, const std::vector<Byte>& body) {
  std::vector<Byte> c(12 + body.size());
  LongWord n = LongWord(body.size());
  c[0] = Byte(n >> 24), c[1] = Byte(n >> 16), c[2] = Byte(n >> 8), c[3] = Byte(n);
  std::memcpy(&c[4], type.data(), 4);
  if (!body.empty()) std::memcpy(&c[8], body.data(), body.size());
  uLong crc = crc32(0, &c[4], uInt(4 + body.size()));
  size_t t = 8 + body.size();
  c[t] = Byte(crc >> 24), c[t + 1] = Byte(crc >> 16), c[t + 2] = Byte(crc >> 8), c[t + 3] = Byte(crc);
  return c;
}

std::vector<Byte> PngHeaderBody(LongWord width, LongWord height, Byte depth, Byte colorType,
                                Byte interlace, Byte compression, Byte filter) {
  return {Byte(width >> 24),  Byte(width >> 16),  Byte(width >> 8),  Byte(width),
          Byte(height >> 24), Byte(height >> 16), Byte(height >> 8), Byte(height),
          depth,              colorType,          compression,       filter,
          interlace};
}

std::vector<Byte> Deflate(const std::vector<Byte>& raw) {
  uLongf size = compressBound(uLong(raw.size()));
  std::vector<Byte> out(size);
  compress2(out.data(), &size, raw.data(), uLong(raw.size()), 9);
  out.resize(size);
  return out;
}

std::vector<Byte> PngFile(const std::vector<std::vector<Byte>>& chunks) {
  std::vector<Byte> file = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  for (const auto& c : chunks) file.insert(file.end(), c.begin(), c.end());
  return file;
}

std::vector<Byte> SimplePng(LongWord width, LongWord height, Byte depth, Byte colorType,
                            const std::vector<Byte>& rawRows,
                            const std::vector<std::vector<Byte>>& extra) {
  std::vector<std::vector<Byte>> chunks = {PngChunk("IHDR", PngHeaderBody(width, height, depth, colorType))};
  chunks.insert(chunks.end(), extra.begin(), extra.end());
  chunks.push_back(PngChunk("IDAT", Deflate(rawRows)));
  chunks.push_back(PngChunk("IEND", {}));
  return PngFile(chunks);
}

}  // namespace orv::test
