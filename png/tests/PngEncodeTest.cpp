// Images written by the codec: every colour type, depth, interlace mode and filter passes
// pngcheck and decodes with libpng to the pixels written.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <regex>

#include "png/PngChunks.h"
#include "png/PngErrors.h"
#include "png/tests/PngTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

struct TChunkInfo {
  std::string Type;
  size_t Length;
  size_t Offset;
};

std::vector<TChunkInfo> ChunkList(const std::vector<Byte>& file) {
  std::vector<TChunkInfo> chunks;
  for (size_t p = 8; p + 12 <= file.size();) {
    size_t n = size_t(file[p]) << 24 | size_t(file[p + 1]) << 16 | size_t(file[p + 2]) << 8 | file[p + 3];
    chunks.push_back({std::string(file.begin() + long(p + 4), file.begin() + long(p + 8)), n, p + 8});
    p += 12 + n;
  }
  return chunks;
}

// The row filters pngcheck -vv reports for a non-interlaced file.
std::vector<int> PngcheckFilters(const std::string& path) {
  std::string out;
  EXPECT_EQ(RunCommand("pngcheck -vv " + path, &out), 0) << out;
  std::vector<int> filters;
  size_t at = out.find("row filters");
  if (at == std::string::npos) return filters;
  std::istringstream lines(out.substr(out.find('\n', at) + 1));
  std::string line;
  while (std::getline(lines, line) && line.find("chunk") == std::string::npos) {
    std::istringstream words(line.substr(0, line.find('(')));
    int f;
    while (words >> f) filters.push_back(f);
  }
  return filters;
}

const std::pair<TFilters, const char*> FilterSets[] = {
    {TFilters{pfNone}, "none"}, {TFilters{pfSub}, "sub"},     {TFilters{pfUp}, "up"},
    {TFilters{pfAverage}, "avg"}, {TFilters{pfPaeth}, "paeth"},
    {TFilters{pfNone, pfSub, pfUp, pfAverage, pfPaeth}, "all"},
};

}  // namespace

TEST(PngEncode, EveryFormatInterlaceAndFilterRoundTripsThroughPngcheckAndLibPng) {
  std::string dir = TempPath("roundtrip");
  std::filesystem::create_directories(dir);
  int written = 0;
  for (const std::string& path : SuiteFiles(SuiteDir())) {
    std::string name = std::filesystem::path(path).filename().string();
    // The basic images cover every colour type and depth; the t* ones add transparency.
    if (!name.starts_with("basn") && !name.starts_with("tbbn") && !name.starts_with("tbrn") &&
        !name.starts_with("tp1n") && !name.starts_with("tm3n"))
      continue;
    std::unique_ptr<TPngImage> image = DecodePng(ReadFileBytes(path));
    TCanonical original = CodecCanonical(*image);
    for (TInterlaceMethod interlace : {imNone, imAdam7}) {
      for (const auto& [filters, label] : FilterSets) {
        image->SetInterlaceMethod(interlace);
        image->SetFilters(filters);
        std::vector<Byte> file = EncodePng(*image);
        std::string out = dir + "/" + name.substr(0, 8) + (interlace ? "_i_" : "_n_") + label + ".png";
        WriteFileBytes(out, file);
        ++written;
        TCanonical reference;
        ASSERT_TRUE(LibPngCanonical(file, reference)) << out;
        ASSERT_EQ(CanonicalDifference(original, reference), "") << out;
        ASSERT_EQ(CanonicalDifference(original, CodecCanonical(*DecodePng(file))), "") << out;
        if (interlace == imNone && std::string(label) != "all") {
          std::vector<int> rows = PngcheckFilters(out);
          ASSERT_EQ(rows.size(), size_t(image->Height())) << out;
          for (int f : rows) ASSERT_EQ(f, filters.ToInt() == 1 ? 0 : std::countr_zero(unsigned(filters.ToInt()))) << out;
        }
      }
    }
  }
  EXPECT_GT(written, 200);
  std::string report;
  EXPECT_EQ(RunCommand("pngcheck -q " + dir + "/*.png", &report), 0) << report;
  std::filesystem::remove_all(dir);
}

TEST(PngEncode, FilterChoiceByLeastDifferenceAndTwoBitImagesWrittenAsFourBit) {
  // Row 1 repeats the random row 0 (Up and Paeth give all zeros; Up comes first); row 2 is
  // a ramp (Sub turns it into small steps of 3, nearer zero than any other filter).
  const int width = 64;
  std::vector<Byte> raw;
  std::mt19937 random(5);
  std::vector<Byte> noise(width);
  for (auto& b : noise) b = Byte(random());
  for (int row = 0; row < 3; ++row) {
    raw.push_back(0);
    for (int x = 0; x < width; ++x) raw.push_back(row == 2 ? Byte(x * 3) : noise[x]);
  }
  std::unique_ptr<TPngImage> image = DecodePng(SimplePng(width, 3, 8, 0, raw));
  image->SetFilters(TFilters{pfNone, pfSub, pfUp, pfAverage, pfPaeth});
  std::string path = TempPath("choice.png");
  WriteFileBytes(path, EncodePng(*image));
  std::vector<int> filters = PngcheckFilters(path);
  ASSERT_EQ(filters.size(), 3u);
  EXPECT_EQ(filters[1], 2);
  EXPECT_EQ(filters[2], 1);

  // Without any filter enabled rows go unfiltered.
  image->SetFilters(TFilters{});
  WriteFileBytes(path, EncodePng(*image));
  EXPECT_EQ(PngcheckFilters(path), (std::vector<int>{0, 0, 0}));
  std::filesystem::remove(path);

  // 2-bit grey 3 is white; stored at depth 4 it stays white, for us and for libpng.
  std::unique_ptr<TPngImage> grey = DecodePng(SimplePng(4, 1, 2, 0, {0, 0b00011011}));
  EXPECT_EQ(grey->RenderArgb(), (std::vector<Cardinal>{0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}));
  std::vector<Byte> saved = EncodePng(*grey);
  EXPECT_EQ(saved[8 + 8 + 8], 4);  // IHDR bit depth
  EXPECT_EQ(DecodePng(saved)->RenderArgb(), grey->RenderArgb());
  TCanonical reference;
  ASSERT_TRUE(LibPngCanonical(saved, reference));
  EXPECT_EQ(std::vector<Word>(reference.Rgba.begin() + 12, reference.Rgba.end()),
            (std::vector<Word>{255, 255, 255, 255}));
}

TEST(PngEncode, LargeImagesAreCutIntoFullIdatChunks) {
  const int width = 400, height = 300;
  std::vector<Byte> raw;
  std::mt19937 random(9);
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < width * 3; ++x) raw.push_back(Byte(random()));
  }
  std::unique_ptr<TPngImage> image = DecodePng(SimplePng(width, height, 8, 2, raw));
  image->SetMaxIdatSize(1000);
  EXPECT_EQ(image->MaxIdatSize(), 65535u);
  std::vector<Byte> file = EncodePng(*image);
  std::vector<size_t> idat;
  for (const auto& c : ChunkList(file))
    if (c.Type == "IDAT") idat.push_back(c.Length);
  ASSERT_GE(idat.size(), 3u);
  for (size_t i = 0; i + 1 < idat.size(); ++i) EXPECT_EQ(idat[i], 65535u);
  EXPECT_GT(idat.back(), 0u);
  EXPECT_LT(idat.back(), 65535u);
  EXPECT_EQ(CanonicalDifference(CodecCanonical(*image), CodecCanonical(*DecodePng(file))), "");
}

TEST(PngEncode, AncillaryChunksSurviveASaveAndCHRMIsDropped) {
  std::vector<Byte> zeros(20000, 'a');
  std::vector<Byte> ztxt = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};
  std::vector<Byte> packed = Deflate(zeros);
  ztxt.insert(ztxt.end(), packed.begin(), packed.end());
  std::vector<Byte> file = SimplePng(
      2, 2, 8, 2, {0, 1, 2, 3, 4, 5, 6, 0, 7, 8, 9, 10, 11, 12},
      {PngChunk("cHRM", std::vector<Byte>(32, 1)), PngChunk("gAMA", {0, 0, 0xB1, 0x8F}),
       PngChunk("pHYs", {0, 0, 0x0B, 0x13, 0, 0, 0x0B, 0x13, 1}),
       PngChunk("tIME", {0x07, 0xE8, 6, 11, 9, 30, 0}), PngChunk("tEXt", {'T', 'i', 't', 'l', 'e', 0, 'P', 'a', 'r', 'i', 's', 'h'}),
       PngChunk("zTXt", ztxt), PngChunk("prVt", {1, 2, 3})});
  std::unique_ptr<TPngImage> image = DecodePng(file);
  auto* text = image->Chunks().ItemFromClass<TChunkzTXt>();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Text(), std::string(20000, 'a'));
  EXPECT_EQ(image->Chunks().ItemFromClass<TChunktEXt>()->Text(), "Parish");
  EXPECT_EQ(image->Chunks().ItemFromClass<TChunktIME>()->Year(), 2024);
  EXPECT_EQ(image->Chunks().ItemFromClass<TChunkpHYs>()->PPUnitX(), 2835u);
  text->SetText("");

  std::vector<Byte> saved = EncodePng(*image);
  std::string path = TempPath("ancillary.png");
  WriteFileBytes(path, saved);
  std::string report;
  EXPECT_EQ(RunCommand("pngcheck -q " + path, &report), 0) << report;
  std::filesystem::remove(path);
  std::vector<std::string> types;
  for (const auto& c : ChunkList(saved)) types.push_back(c.Type);
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "gAMA", "pHYs", "tIME", "tEXt", "zTXt", "prVt", "IDAT", "IEND"}));
  std::unique_ptr<TPngImage> again = DecodePng(saved);
  EXPECT_EQ(again->Chunks().ItemFromClass<TChunkzTXt>()->Text(), " ");
  EXPECT_EQ(EncodePng(*again), saved);
  // Gamma changes how colours are drawn, never the samples written back.
  EXPECT_EQ(CanonicalDifference(CodecCanonical(*image), CodecCanonical(*again)), "");
}

TEST(PngEncode, ImagesBuiltFromBitmapsResizedAndPainted) {
  TPngBitmap bitmap;
  bitmap.Create(5, 2, 4, false, false, false);
  bitmap.Palette()[0] = TRGBQuad{0, 0, 255, 0};    // red
  bitmap.Palette()[1] = TRGBQuad{255, 255, 255, 0};
  bitmap.Palette()[2] = TRGBQuad{0, 0, 255, 0};    // red again
  bitmap.SetPaletteCount(3);
  for (int x = 0; x < 5; ++x) bitmap.SetIndex(bitmap.ScanLine(0), x, x % 3);
  TPngImage image;
  image.AssignBitmap(bitmap, true, PngRGB(255, 0, 0));
  EXPECT_EQ(image.Header().ColorType(), 3);
  EXPECT_EQ(image.Header().BitDepth(), 4);
  // Both red entries came from the transparent colour, so both are transparent.
  std::vector<Cardinal> argb = image.RenderArgb();
  EXPECT_EQ(argb[0], 0x00FF0000u);
  EXPECT_EQ(argb[1], 0xFFFFFFFFu);
  EXPECT_EQ(argb[2], 0x00FF0000u);
  std::vector<Byte> file = EncodePng(image);
  TCanonical reference;
  ASSERT_TRUE(LibPngCanonical(file, reference));
  EXPECT_EQ(CanonicalDifference(CodecCanonical(image), reference), "");

  image.Resize(7, 3);
  EXPECT_EQ(image.Width(), 7);
  EXPECT_EQ(image.Pixels(1, 0), PngRGB(255, 255, 255));
  EXPECT_EQ(image.Pixels(6, 2), PngRGB(255, 0, 0));  // new area is index 0
  EXPECT_EQ(image.Pixels(7, 0), 0u);
  image.SetPixels(6, 2, PngRGB(250, 250, 250));
  EXPECT_EQ(image.Pixels(6, 2), PngRGB(255, 255, 255));  // nearest palette entry
  EXPECT_THROW(image.Resize(0, 3), EPNGInvalidNewSize);

  TPngImage copy;
  copy.Assign(image);
  EXPECT_EQ(EncodePng(copy), EncodePng(image));
  TPngImage none;
  EXPECT_THROW(none.Header(), EPNGHeaderNotPresent);
  EXPECT_EQ(none.Width(), 0);
}
