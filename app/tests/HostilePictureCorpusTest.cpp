// Pictures made to cost their reader all their format allows (tests/data/hostile-pictures,
// packed with xz, made by make-hostile.py there), met the ways a parish office meets them: shown
// as a member's photo or the logo in the photo's box, and chosen as a photo. Each takes under
// 2 seconds and 300 megabytes, whatever it then shows or however it is refused.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/PictureFiles.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Picture.h"
#include "platform/rtl/tests/MemoryBound.h"
#include "png/PNGObject.h"

namespace orv::test {

namespace {

namespace fs = std::filesystem;

struct TCost {
  double Seconds = 0;
  long long Megabytes = 0;
  std::string Outcome;
};

TCost CostOf(const std::function<std::string()>& work) {
  TCost cost;
  const auto start = std::chrono::steady_clock::now();
  cost.Megabytes = orv::testing::PeakResidentGrowth([&] { cost.Outcome = work(); });
  cost.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return cost;
}

void ExpectBounded(const std::string& what, const TCost& cost) {
  std::printf("%-40s %5.2f s %5lld MB  %s\n", what.c_str(), cost.Seconds, cost.Megabytes, cost.Outcome.c_str());
  EXPECT_LT(cost.Seconds, 2.0) << what;
  EXPECT_LT(cost.Megabytes, 300) << what;
}

}  // namespace

TEST(HostilePictureCorpus, EachShowsInThePhotosBoxAndIsChosenInBoundedTimeAndMemory) {
  // A refused picture draws its reason in its frame, with the program's fonts.
  Application->Initialize();
  // The formats register themselves when their units load.
  TPNGObject registered;
  const fs::path corpus = fs::path(ORVANE_TEST_DATA) / "hostile-pictures";
  const fs::path scratch = fs::temp_directory_path() / ("orvane-hostile-" + std::to_string(::getpid()));
  fs::create_directories(scratch);
  int cases = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    if (entry.path().extension() != ".xz") continue;
    ++cases;
    const fs::path file = scratch / entry.path().stem();
    ASSERT_EQ(std::system(("xz -dc '" + entry.path().string() + "' > '" + file.string() + "'").c_str()), 0);
    const std::string name = file.filename().string();
    // In the photo's box beside the record, as every member shown loads and paints it.
    ExpectBounded(name + " shown", CostOf([&] {
                    TBitmap box(200, 150, pf24bit);
                    TPicture picture;
                    try {
                      picture.LoadFromFile(file.string());
                    } catch (const Exception& e) {
                      return "refused: " + e.Message();
                    }
                    box.Canvas().StretchDraw(TRect{0, 0, 200, 150}, *picture.Graphic());
                    return std::string("drawn");
                  }));
    ExpectBounded(name + " chosen as a photo", CostOf([&] {
                    try {
                      return "stored in " + std::to_string(StoredPictureBytes(file.string()).size()) + " bytes";
                    } catch (const EUnreadablePicture& e) {
                      return "refused: " + e.Message();
                    }
                  }));
    fs::remove(file);
  }
  fs::remove_all(scratch);
  EXPECT_GE(cases, 4);
}

}  // namespace orv::test
