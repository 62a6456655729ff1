// Decodes and encodes the same images with the codec and with libpng, and prints the time
// ratio (ours / libpng; below 1 is faster) and the size ratio of what each writes at the same
// filter and compression level. Images: synthetic photographs, screenshots and scans of a
// parish office's sizes, in every colour type. Run: png_bench [repeats].
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"
#include "png/PngImage.h"

using namespace orv;

namespace {

struct TSample {
  std::string Name;
  int Width, Height, ColorType, Depth;
  std::vector<Byte> Rows;  // unfiltered, row after row
};

size_t Channels(int colorType) { return colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1; }

// Smooth light with grain, like a photograph of a document or a face.
TSample Photo(const std::string& name, int w, int h, int colorType) {
  TSample s{name, w, h, colorType, 8, {}};
  size_t n = Channels(colorType);
  std::mt19937 random(w * 31 + colorType);
  s.Rows.resize(size_t(w) * h * n);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (size_t c = 0; c < n; ++c) {
        double v = 128 + 90 * std::sin(x / (40.0 + 13 * c)) * std::cos(y / (55.0 + 7 * c)) + int(random() % 9) - 4;
        if (c == 3 || (colorType == 4 && c == 1)) v = 255 - (x * 255 / w) / 2;
        s.Rows[(size_t(y) * w + x) * n + c] = Byte(std::clamp(v, 0.0, 255.0));
      }
  return s;
}

// Flat areas, text-like strokes and a few colours, like a screenshot of a form.
TSample Screen(const std::string& name, int w, int h, int colorType, int depth) {
  TSample s{name, w, h, colorType, depth, {}};
  int levels = 1 << std::min(depth, 8);
  std::mt19937 random(17);
  size_t rowBytes = (size_t(w) * depth * Channels(colorType) + 7) / 8;
  s.Rows.resize(rowBytes * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int v = ((x / 97 + y / 41) % 5) * (levels - 1) / 4;
      if ((y % 23 < 12) && (x % 9 < 2) && (random() % 3 == 0)) v = levels - 1 - v;
      if (depth >= 8) {
        for (size_t c = 0; c < Channels(colorType); ++c)
          s.Rows[size_t(y) * rowBytes + x * Channels(colorType) + c] = Byte(v * (c + 1) % levels);
      } else {
        size_t bit = size_t(x) * depth;
        s.Rows[size_t(y) * rowBytes + bit / 8] |= Byte(v << (8 - depth - bit % 8));
      }
    }
  return s;
}

std::vector<Byte> LibPngEncode(const TSample& s, int filter, int level) {
  std::vector<Byte> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, [](png_structp p, png_bytep data, png_size_t n) {
    auto* v = static_cast<std::vector<Byte>*>(png_get_io_ptr(p));
    v->insert(v->end(), data, data + n);
  }, nullptr);
  png_set_IHDR(png, info, png_uint_32(s.Width), png_uint_32(s.Height), s.Depth, s.ColorType,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (s.ColorType == 3) {
    png_color palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = {Byte(i), Byte(255 - i), Byte(i * 7)};
    png_set_PLTE(png, info, palette, 1 << s.Depth);
  }
  png_set_filter(png, 0, filter);
  png_set_compression_level(png, level);
  png_write_info(png, info);
  size_t rowBytes = s.Rows.size() / size_t(s.Height);
  for (int y = 0; y < s.Height; ++y) png_write_row(png, s.Rows.data() + size_t(y) * rowBytes);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct TReader {
  const std::vector<Byte>* Data;
  size_t Pos;
};

// Decodes to the file's rows, as the codec's store keeps them.
void LibPngDecode(const std::vector<Byte>& file, std::vector<Byte>& pixels) {
  TReader reader{&file, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return;
  }
  png_set_read_fn(png, &reader, [](png_structp p, png_bytep out, png_size_t n) {
    auto* r = static_cast<TReader*>(png_get_io_ptr(p));
    std::memcpy(out, r->Data->data() + r->Pos, n);
    r->Pos += n;
  });
  png_read_info(png, info);
  png_uint_32 h = png_get_image_height(png, info);
  size_t rowBytes = png_get_rowbytes(png, info);
  pixels.resize(rowBytes * h);
  for (png_uint_32 y = 0; y < h; ++y) png_read_row(png, pixels.data() + y * rowBytes, nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
}

const struct {
  int LibPng;
  TFilters Ours;
  const char* Name;
} Filters[] = {
    {PNG_FILTER_NONE, TFilters{pfNone}, "none"},   {PNG_FILTER_SUB, TFilters{pfSub}, "sub"},
    {PNG_FILTER_UP, TFilters{pfUp}, "up"},         {PNG_FILTER_AVG, TFilters{pfAverage}, "avg"},
    {PNG_FILTER_PAETH, TFilters{pfPaeth}, "paeth"}, {PNG_ALL_FILTERS, TFilters{pfNone, pfSub, pfUp, pfAverage, pfPaeth}, "all"},
};

}  // namespace

int main(int argc, char** argv) {
  int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const int level = 7;
  std::vector<TSample> samples = {
      Photo("photo rgb 1600x1200", 1600, 1200, 2),   Photo("photo rgba 1024x768", 1024, 768, 6),
      Photo("scan grey 1700x2200", 1700, 2200, 0),   Photo("grey+alpha 800x600", 800, 600, 4),
      Screen("form rgb 1280x1024", 1280, 1024, 2, 8), Screen("palette 8 1280x1024", 1280, 1024, 3, 8),
      Screen("palette 4 1280x1024", 1280, 1024, 3, 4), Screen("bilevel 2480x3508", 2480, 3508, 0, 1),
  };
  std::printf("%-22s %-6s %10s %10s %7s %10s %10s %7s\n", "image", "filter", "ours ms", "libpng ms",
              "time", "ours B", "libpng B", "size");
  double decodeOurs = 0, decodeLib = 0;
  for (const TSample& s : samples) {
    for (const auto& f : Filters) {
      std::vector<Byte> reference = LibPngEncode(s, f.LibPng, level);
      TMemoryStream in;
      in.Write(reference.data(), Int64(reference.size()));
      TPngImage image;
      std::vector<Byte> pixels;
      double ours = Best(repeats, [&] {
        in.SetPosition(0);
        image.LoadFromStream(in);
      });
      double lib = Best(repeats, [&] { LibPngDecode(reference, pixels); });
      decodeOurs += ours;
      decodeLib += lib;

      image.SetFilters(f.Ours);
      image.SetCompressionLevel(level);
      TMemoryStream out;
      double encodeOurs = Best(std::max(1, repeats / 2), [&] {
        out.Clear();
        image.SaveToStream(out);
      });
      double encodeLib = Best(std::max(1, repeats / 2), [&] { LibPngEncode(s, f.LibPng, level); });
      std::printf("%-22s %-6s %10.2f %10.2f %7.3f %10lld %10zu %7.4f   decode\n", s.Name.c_str(), f.Name,
                  ours * 1e3, lib * 1e3, ours / lib, (long long)out.Size(), reference.size(),
                  double(out.Size()) / double(reference.size()));
      std::printf("%-22s %-6s %10.2f %10.2f %7.3f %10s %10s %7s   encode\n", "", "", encodeOurs * 1e3,
                  encodeLib * 1e3, encodeOurs / encodeLib, "", "", "");
    }
  }
  std::printf("\ndecoding overall: ours %.1f ms, libpng %.1f ms, ratio %.3f\n", decodeOurs * 1e3,
              decodeLib * 1e3, decodeOurs / decodeLib);
  return 0;
}
