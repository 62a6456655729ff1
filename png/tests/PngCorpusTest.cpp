// Every image of a folder (the PNG suite, or $PNG_CORPUS) decodes to libpng's pixels; the
// suite's deliberately broken images, whose names start with "x", are refused.
#include <gtest/gtest.h>

#include <filesystem>

#include "png/PngErrors.h"
#include "png/tests/PngTestSupport.h"

using namespace orv;
using namespace orv::test;

TEST(PngCorpus, DecodesLikeLibPngAndRefusesBrokenImages) {
  std::string dir = SuiteDir();
  std::vector<std::string> files = SuiteFiles(dir);
  ASSERT_FALSE(files.empty()) << "no PNG files in " << dir;
  int valid = 0, broken = 0;
  for (const std::string& path : files) {
    std::string name = std::filesystem::path(path).filename().string();
    std::vector<Byte> file = ReadFileBytes(path);
    if (name[0] == 'x' || name[0] == 'X') {
      ++broken;
      EXPECT_THROW(DecodePng(file), EPngError) << name;
      continue;
    }
    ++valid;
    std::unique_ptr<TPngImage> image;
    try {
      image = DecodePng(file);
    } catch (const Exception& e) {
      ADD_FAILURE() << name << ": " << e.ClassName() << ": " << e.Message();
      continue;
    }
    TCanonical reference;
    ASSERT_TRUE(LibPngCanonical(file, reference)) << name << ": libpng refuses it";
    EXPECT_EQ(CanonicalDifference(reference, CodecCanonical(*image)), "") << name;
    // Drawn colours are the samples through the file's gamma.
    const auto& gamma = image->GammaTable();
    std::vector<Cardinal> drawn = image->RenderArgb();
    for (size_t p = 0; p < drawn.size(); ++p) {
      const Word* s = &reference.Rgba[p * 4];
      int shift = reference.Wide ? 8 : 0;
      Cardinal expected = Cardinal(gamma[s[0] >> shift]) << 16 | Cardinal(gamma[s[1] >> shift]) << 8 |
                          gamma[s[2] >> shift];
      if ((drawn[p] & 0xFFFFFF) != expected) {
        ADD_FAILURE() << name << ": drawn pixel " << p << " is " << std::hex << drawn[p];
        break;
      }
    }
  }
  std::cout << dir << ": " << valid << " images matched, " << broken << " broken ones refused\n";
}
