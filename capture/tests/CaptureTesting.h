#pragma once
// Test support for the capture tests: a simulated camera installed for the test, a message
// loop pumped until something happens, and pixels read from bitmaps.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "capture/VideoImage.h"
#include "platform/gui/Application.h"
#include "platform/gui/Timers.h"
#include "platform/video/tests/SimulatedVideo.h"

namespace orv::test {

inline constexpr uint32_t kYUYV = FourCCCode("YUYV");
inline constexpr uint32_t kMJPG = FourCCCode("MJPG");
inline constexpr uint32_t kYU12 = FourCCCode("YU12");
inline constexpr uint32_t kYV12 = FourCCCode("YV12");

// Runs the message loop, as a window's loop would, until done() or ten seconds pass; the
// loop waits between messages, so it goes idle as a real one does.
inline bool PumpUntil(const std::function<bool()>& done) {
  TTimer tick(nullptr);
  tick.SetInterval(5);
  tick.SetEnabled(true);
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    Application->HandleMessage();
  }
  return true;
}

struct TRgb {
  int R, G, B;
  bool operator==(const TRgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const TRgb& c) {
  return out << "(" << c.R << ", " << c.G << ", " << c.B << ")";
}

inline TRgb PixelOf(TBitmap& bitmap, int x, int y) {
  const Byte* p = bitmap.ScanLine(y) + 3 * x;
  return {p[2], p[1], p[0]};
}

// Each channel within tolerance: integer tables may round a step away from the exact formula.
inline ::testing::AssertionResult Near(const TRgb& actual, const TRgb& expected, int tolerance) {
  if (std::abs(actual.R - expected.R) <= tolerance && std::abs(actual.G - expected.G) <= tolerance &&
      std::abs(actual.B - expected.B) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << actual << " is not near " << expected;
}

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override { Application->Initialize(); }

  std::shared_ptr<TSimulatedCamera> AddCamera(const std::string& name,
                                              std::vector<TSimulatedFormat> formats) {
    return video_->Add(std::make_shared<TSimulatedCamera>(name, std::move(formats)));
  }

  TSimulatedVideoScope video_;
};

}  // namespace orv::test
