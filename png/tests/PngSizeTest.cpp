// Files written with every filter enabled are no larger than libpng makes of the same pixels
// with every filter at the same compression level: the public suite, a grainy greyscale scan
// and a photograph.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

#include "png/tests/PngTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

const TFilters Every{pfNone, pfSub, pfUp, pfAverage, pfPaeth};

// The bytes of image data a file holds: what the filters and deflate decide.
size_t IdatBytes(const std::vector<Byte>& file) {
  size_t total = 0;
  for (size_t p = 8; p + 12 <= file.size();) {
    size_t n = size_t(file[p]) << 24 | size_t(file[p + 1]) << 16 | size_t(file[p + 2]) << 8 | file[p + 3];
    if (std::memcmp(&file[p + 4], "IDAT", 4) == 0) total += n;
    p += 12 + n;
  }
  return total;
}

// Smooth light under strong grain, as a flatbed gives a page of a register; alpha when asked.
std::vector<Byte> Grainy(int width, int height, int channels, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> grain(0, 6);
  std::vector<Byte> raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c) {
        double light = 200 + 40 * std::sin(x / (60.0 + 9 * c)) * std::cos(y / 80.0);
        if ((x / 7 + y / 11) % 13 == 0) light -= 120;  // strokes of writing
        raw.push_back(Byte(std::clamp(light + grain(random), 0.0, 255.0)));
      }
  }
  return raw;
}

// Ours and libpng's image data for the same pixels; the test fails where ours is larger.
void ExpectNoLarger(TPngImage& image, int level, const std::string& what) {
  image.SetFilters(Every);
  image.SetCompressionLevel(level);
  std::vector<Byte> ours = EncodePng(image);
  std::vector<Byte> theirs = LibPngRewrite(ours, level);
  ASSERT_FALSE(theirs.empty()) << what;
  EXPECT_LE(IdatBytes(ours), IdatBytes(theirs)) << what << " at level " << level;
}

}  // namespace

TEST(PngEncode, GrainyScanAndPhotoNoLargerThanLibPngNorThanUnfiltered) {
  const int width = 900, height = 700;
  std::unique_ptr<TPngImage> scan = DecodePng(SimplePng(width, height, 8, 0, Grainy(width, height, 1, 3)));
  for (int level : {6, 7, 9}) ExpectNoLarger(*scan, level, "grainy greyscale scan");

  // Choosing among all filters must not do worse than sending every row unfiltered.
  scan->SetFilters(Every);
  size_t filtered = IdatBytes(EncodePng(*scan));
  scan->SetFilters(TFilters{pfNone});
  EXPECT_LT(filtered, IdatBytes(EncodePng(*scan)));

  std::unique_ptr<TPngImage> photo = DecodePng(SimplePng(640, 480, 8, 2, Grainy(640, 480, 3, 4)));
  ExpectNoLarger(*photo, 7, "photograph");
  std::unique_ptr<TPngImage> cutout = DecodePng(SimplePng(320, 240, 8, 6, Grainy(320, 240, 4, 5)));
  cutout->SetInterlaceMethod(imAdam7);
  ExpectNoLarger(*cutout, 7, "interlaced photograph with alpha");
}

TEST(PngEncode, SuiteFilesNoLargerThanLibPng) {
  int compared = 0;
  for (const std::string& path : SuiteFiles(SuiteDir())) {
    std::unique_ptr<TPngImage> image;
    try {
      image = DecodePng(ReadFileBytes(path));
    } catch (const std::exception&) {
      continue;  // the suite's broken files
    }
    if (!image || image->Width() == 0) continue;
    ExpectNoLarger(*image, 7, std::filesystem::path(path).filename().string());
    ++compared;
  }
  EXPECT_GT(compared, 0);
}
