#pragma once
// Test support: a progressive JPEG of a great many scans, each a pass over the whole picture
// that changes nothing (a decoder warns of a bogus progression and goes on), as a hostile file
// is made. cjpeg makes the picture; one of its scans is then repeated.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace orv::testing {

// Writes file of about bytes bytes: a side x side grey picture whose second scan (a band of
// its coefficients, coded as one long run of empty blocks) repeats until the size is reached.
inline void WriteScanBombJpeg(const std::string& file, int side, size_t bytes) {
  const std::string pgm = file + ".pgm";
  {
    std::ofstream out(pgm, std::ios::binary);
    out << "P5\n" << side << " " << side << "\n255\n" << std::string(static_cast<size_t>(side) * side, '\x80');
  }
  ASSERT_EQ(std::system(("cjpeg -progressive -outfile '" + file + "' '" + pgm + "'").c_str()), 0);
  std::filesystem::remove(pgm);
  std::ifstream in(file, std::ios::binary);
  const std::string jpeg((std::istreambuf_iterator<char>(in)), {});
  in.close();
  // The second start-of-scan marker and what follows it up to the third.
  size_t first = jpeg.find("\xFF\xDA");
  ASSERT_NE(first, std::string::npos);
  const size_t second = jpeg.find("\xFF\xDA", first + 2);
  ASSERT_NE(second, std::string::npos);
  const size_t third = jpeg.find("\xFF\xDA", second + 2);
  ASSERT_NE(third, std::string::npos);
  const std::string scan = jpeg.substr(second, third - second);
  std::string bomb = jpeg.substr(0, third);
  while (bomb.size() + scan.size() < bytes) bomb += scan;
  bomb += jpeg.substr(third);
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bomb;
}

}  // namespace orv::testing
