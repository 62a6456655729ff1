// Converts camera frames of the sizes webcams deliver (YUYV and I420) into the 24-bit bitmap
// the photo window draws, and prints milliseconds per frame, the ratio against a plain
// floating-point BT.601 conversion of the same frame (ours / plain; below 1 is faster), and the
// share of a 30-frames-a-second budget one conversion takes. Run: capture_bench [repeats].
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bench/BenchTiming.h"
#include "capture/FrameConversion.h"

using namespace orv;

namespace {

// The peer: the textbook formula in floating point for every pixel.
void PlainPacked(const uint8_t* d, int w, int h, TBitmap& bitmap) {
  auto clamp = [](double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
  for (int y = 0; y < h; ++y) {
    uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < w / 2; ++x, d += 4, row += 6)
      for (int k = 0; k < 2; ++k) {
        double c = 1.164383 * (d[2 * k] - 16), u = d[1] - 128, v = d[3] - 128;
        row[3 * k] = clamp(c + 2.017232 * u);
        row[3 * k + 1] = clamp(c - 0.391762 * u - 0.812968 * v);
        row[3 * k + 2] = clamp(c + 1.596027 * v);
      }
  }
}

std::vector<uint8_t> Noise(size_t n) {
  std::mt19937 random(7);
  std::vector<uint8_t> bytes(n);
  for (auto& b : bytes) b = static_cast<uint8_t>(16 + random() % 220);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  struct TSize {
    int W, H;
  };
  std::printf("%-18s %10s %10s %8s %10s\n", "frame", "ours ms", "plain ms", "ratio", "of 33 ms");
  for (TSize s : {TSize{640, 480}, TSize{800, 600}, TSize{1280, 720}}) {
    TBitmap bitmap(s.W, s.H);
    std::vector<uint8_t> packed = Noise(size_t(s.W) * s.H * 2);
    std::vector<uint8_t> planar = Noise(size_t(s.W) * s.H * 3 / 2);
    double ours = Best(5, [&] {
                    for (int i = 0; i < repeats; ++i) ConvertFrameRows(packed.data(), int(packed.size()), {FourCCCode("YUYV"), s.W, s.H, 0}, RowsOf(bitmap));
                  }) / repeats * 1000;
    double plain = Best(5, [&] {
                     for (int i = 0; i < repeats; ++i) PlainPacked(packed.data(), s.W, s.H, bitmap);
                   }) / repeats * 1000;
    double i420 = Best(5, [&] {
                    for (int i = 0; i < repeats; ++i) ConvertFrameRows(planar.data(), int(planar.size()), {FourCCCode("I420"), s.W, s.H, 0}, RowsOf(bitmap));
                  }) / repeats * 1000;
    std::printf("YUYV %4dx%-4d     %10.3f %10.3f %8.2f %9.1f%%\n", s.W, s.H, ours, plain, ours / plain,
                ours / (1000.0 / 30) * 100);
    std::printf("I420 %4dx%-4d     %10.3f %10s %8s %9.1f%%\n", s.W, s.H, i420, "", "",
                i420 / (1000.0 / 30) * 100);
  }
  return 0;
}
