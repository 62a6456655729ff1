// Damaged files: cut short at every offset, or with bits flipped (with and without chunk CRCs
// repaired, so the damage reaches the decoder), fail only with the codec's own exceptions.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "png/KvxCompression.h"
#include "png/PngErrors.h"
#include "png/tests/PngTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

// Empty when the file loads or fails with an EPngError, else what escaped.
std::string DecodeOutcome(const std::vector<Byte>& file) {
  try {
    std::unique_ptr<TPngImage> image = DecodePng(file);
    EncodePng(*image);
    image->RenderArgb();
  } catch (const EPngError&) {
  } catch (const std::exception& e) {
    return std::string(typeid(e).name()) + ": " + e.what();
  }
  return "";
}

std::string GzipOutcome(const std::vector<Byte>& file) {
  TMemoryStream source, dest;
  source.Write(file.data(), Int64(file.size()));
  source.SetPosition(0);
  String name;
  try {
    kvxDecompressStream(source, dest, name);
  } catch (const EZDecompressionError&) {
  } catch (const std::exception& e) {
    return std::string(typeid(e).name()) + ": " + e.what();
  }
  return "";
}

// Recomputes the CRC of every chunk whose length still fits the file.
void RepairCrcs(std::vector<Byte>& file) {
  size_t p = 8;
  while (p + 12 <= file.size()) {
    size_t length = size_t(file[p]) << 24 | size_t(file[p + 1]) << 16 | size_t(file[p + 2]) << 8 | file[p + 3];
    if (length > file.size() - p - 12) return;
    std::vector<Byte> body(file.begin() + long(p + 8), file.begin() + long(p + 8 + length));
    std::vector<Byte> chunk = PngChunk(std::string(file.begin() + long(p + 4), file.begin() + long(p + 8)), body);
    std::copy(chunk.end() - 4, chunk.end(), file.begin() + long(p + 8 + length));
    p += 12 + length;
  }
}

std::vector<std::vector<Byte>> ValidSuiteFiles() {
  std::vector<std::vector<Byte>> files;
  for (const std::string& path : SuiteFiles(SuiteDir()))
    if (std::filesystem::path(path).filename().string()[0] != 'x') files.push_back(ReadFileBytes(path));
  return files;
}

}  // namespace

TEST(PngRobustness, TruncatedFilesFailWithCodecErrors) {
  for (const auto& file : ValidSuiteFiles()) {
    for (size_t cut = 0; cut < file.size(); ++cut) {
      std::vector<Byte> part(file.begin(), file.begin() + long(cut));
      std::string outcome = DecodeOutcome(part);
      ASSERT_EQ(outcome, "") << "cut at " << cut;
      // Every cut loses at least IEND's last byte: the file is incomplete.
      ASSERT_THROW(DecodePng(part), EPngError) << "cut at " << cut;
    }
  }
}

TEST(PngRobustness, FlippedBitsFailWithCodecErrors) {
  std::mt19937 random(20240611);
  for (const auto& file : ValidSuiteFiles()) {
    for (int trial = 0; trial < 60; ++trial) {
      std::vector<Byte> damaged = file;
      int flips = 1 + int(random() % 4);
      for (int i = 0; i < flips; ++i) damaged[8 + random() % (damaged.size() - 8)] ^= Byte(1u << (random() % 8));
      ASSERT_EQ(DecodeOutcome(damaged), "") << "trial " << trial;
      RepairCrcs(damaged);
      ASSERT_EQ(DecodeOutcome(damaged), "") << "trial " << trial << " with CRCs repaired";
    }
  }
}

TEST(PngRobustness, DamagedGzipFailsWithDecompressionErrors) {
  std::vector<Byte> members[] = {ReadFileBytes(ORVANE_TEST_DATA "/named.gz"),
                                 ReadFileBytes(ORVANE_TEST_DATA "/library.gz")};
  std::mt19937 random(7);
  for (const auto& member : members) {
    ASSERT_FALSE(member.empty());
    ASSERT_EQ(GzipOutcome(member), "");
    for (size_t cut = 0; cut < member.size(); ++cut) {
      std::vector<Byte> part(member.begin(), member.begin() + long(cut));
      ASSERT_EQ(GzipOutcome(part), "") << "cut at " << cut;
    }
    for (int trial = 0; trial < 500; ++trial) {
      std::vector<Byte> damaged = member;
      damaged[random() % damaged.size()] ^= Byte(1u << (random() % 8));
      ASSERT_EQ(GzipOutcome(damaged), "") << "trial " << trial;
    }
  }
}
