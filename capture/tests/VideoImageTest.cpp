// The live picture over simulated cameras: frames in each format arrive converted with the
// pixels the standard conversion gives, the rate is measured, frames are dropped while the GUI
// thread is busy, and the camera stops, restarts and vanishes without harm.
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "capture/tests/CaptureTesting.h"

namespace orv::test {

namespace {

// One pixel in luma and chroma with the colour it stands for: the 100% colour bars of
// ITU-R BT.601 (luma 16 to 235, chroma 16 to 240 around 128).
struct TBar {
  uint8_t Y, U, V;
  TRgb Rgb;
};
const TBar kBlack{16, 128, 128, {0, 0, 0}};
const TBar kWhite{235, 128, 128, {255, 255, 255}};
const TBar kRed{81, 90, 240, {255, 0, 0}};
const TBar kGreen{145, 54, 34, {0, 255, 0}};
const TBar kBlue{41, 240, 110, {0, 0, 255}};
const TBar kYellow{210, 16, 146, {255, 255, 0}};
const TBar kCyan{170, 166, 16, {0, 255, 255}};
const TBar kGrey{126, 128, 128, {128, 128, 128}};

// A started camera object with the frames it delivered counted on the GUI thread.
struct TLiveImage {
  TVideoImage image;
  int newFrames = 0;
  TLiveImage() {
    image.OnNewFrame = [this](TObject*, int, int, const uint8_t*) { ++newFrames; };
  }
};

// A YUYV frame of one colour, extra bytes longer than it should be.
std::vector<uint8_t> Uniform(const TBar& bar, int width, int height, int extra = 0) {
  std::vector<uint8_t> frame;
  for (int i = 0; i < width * height / 2; ++i) frame.insert(frame.end(), {bar.Y, bar.U, bar.Y, bar.V});
  frame.resize(frame.size() + extra, bar.Y);
  return frame;
}

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Scratch(const std::string& name) {
  return "/tmp/orvane-capture-" + std::to_string(getpid()) + "-" + name;
}

}  // namespace

class VideoImageTest : public CaptureTest {};

TEST_F(VideoImageTest, YuyvFrameShowsTheStandardColours) {
  auto camera = AddCamera("cam", {{kYUYV, 4, 2}});
  TLiveImage live;
  TBitmap screen(6, 3);
  screen.Canvas().Brush().SetColor(clFuchsia);
  screen.Canvas().FillRect(TRect(0, 0, 6, 3));
  live.image.SetDisplayCanvas(&screen.Canvas());
  ASSERT_EQ(live.image.VideoStart(""), 0);
  EXPECT_EQ(live.image.FrameWidth(), 4);
  EXPECT_EQ(live.image.FrameHeight(), 2);
  // Pairs of pixels share their chroma: Y0 U Y1 V.
  const TBar pairs[2][2] = {{kBlack, kRed}, {kGreen, kBlue}};
  std::vector<uint8_t> frame;
  for (auto& row : pairs)
    for (const TBar& bar : row) {
      const TBar& same = bar;
      frame.insert(frame.end(), {same.Y, same.U, same.Y, same.V});
    }
  camera->PushFrame(frame);
  ASSERT_TRUE(PumpUntil([&] { return live.newFrames > 0; }));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) {
      SCOPED_TRACE("pixel " + std::to_string(x) + "," + std::to_string(y));
      EXPECT_TRUE(Near(PixelOf(live.image.Bitmap(), x, y), pairs[y][x / 2].Rgb, 2));
      // Drawn on the display canvas at (0, 0), the rest of it untouched.
      EXPECT_TRUE(Near(PixelOf(screen, x, y), pairs[y][x / 2].Rgb, 2));
    }
  EXPECT_EQ(PixelOf(screen, 5, 2), (TRgb{255, 0, 255}));

  // The two ends of the luma range are exactly black and white, and two pixels of a pair keep
  // their own luma.
  frame = {kBlack.Y, 128, kWhite.Y, 128, kWhite.Y, 128, kBlack.Y, 128,
           kYellow.Y, kYellow.U, kYellow.Y, kYellow.V, kCyan.Y, kCyan.U, kCyan.Y, kCyan.V};
  camera->PushFrame(frame);
  ASSERT_TRUE(PumpUntil([&] { return live.newFrames > 1; }));
  TBitmap& b = live.image.Bitmap();
  EXPECT_EQ(PixelOf(b, 0, 0), kBlack.Rgb);
  EXPECT_EQ(PixelOf(b, 1, 0), kWhite.Rgb);
  EXPECT_EQ(PixelOf(b, 2, 0), kWhite.Rgb);
  EXPECT_EQ(PixelOf(b, 3, 0), kBlack.Rgb);
  EXPECT_TRUE(Near(PixelOf(b, 0, 1), kYellow.Rgb, 2));
  EXPECT_TRUE(Near(PixelOf(b, 3, 1), kCyan.Rgb, 2));
  live.image.VideoStop();
  EXPECT_FALSE(camera->Streaming());
}

TEST_F(VideoImageTest, PlanarFramesTakeChromaFromTheirPlanesInOrder) {
  for (bool vFirst : {false, true}) {
    SCOPED_TRACE(vFirst ? "YV12" : "I420");
    auto camera = AddCamera(vFirst ? "yv12" : "i420", {{vFirst ? kYV12 : kYU12, 4, 4}});
    TLiveImage live;
    TBitmap screen(4, 4);
    live.image.SetDisplayCanvas(&screen.Canvas());
    ASSERT_EQ(live.image.VideoStart(vFirst ? "yv12" : "i420"), 0);
    // Four 2x2 blocks, each with one chroma sample: red, blue over grey, green.
    const TBar blocks[2][2] = {{kRed, kBlue}, {kGrey, kGreen}};
    std::vector<uint8_t> y, u, v;
    for (int row = 0; row < 4; ++row)
      for (int col = 0; col < 4; ++col) y.push_back(blocks[row / 2][col / 2].Y);
    for (auto& row : blocks)
      for (const TBar& bar : row) {
        u.push_back(bar.U);
        v.push_back(bar.V);
      }
    std::vector<uint8_t> frame = y;
    const std::vector<uint8_t>& first = vFirst ? v : u;
    const std::vector<uint8_t>& second = vFirst ? u : v;
    frame.insert(frame.end(), first.begin(), first.end());
    frame.insert(frame.end(), second.begin(), second.end());
    camera->PushFrame(frame);
    ASSERT_TRUE(PumpUntil([&] { return live.newFrames > 0; }));
    for (int row = 0; row < 4; ++row)
      for (int col = 0; col < 4; ++col) {
        SCOPED_TRACE("pixel " + std::to_string(col) + "," + std::to_string(row));
        EXPECT_TRUE(Near(PixelOf(screen, col, row), blocks[row / 2][col / 2].Rgb, 2));
      }
  }
}

TEST_F(VideoImageTest, UncompressedRowsAreCopiedAsTheyStand) {
  auto camera = AddCamera("bgr", {{FourCCCode("BGR3"), 2, 2}});
  TLiveImage live;
  TBitmap screen(2, 2);
  live.image.SetDisplayCanvas(&screen.Canvas());
  ASSERT_EQ(live.image.VideoStart("bgr"), 0);
  EXPECT_EQ(live.image.FourCC(), 0u);
  // Blue, green, red per pixel, the top row first.
  camera->PushFrame({10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120});
  ASSERT_TRUE(PumpUntil([&] { return live.newFrames > 0; }));
  EXPECT_EQ(PixelOf(screen, 0, 0), (TRgb{30, 20, 10}));
  EXPECT_EQ(PixelOf(screen, 1, 0), (TRgb{60, 50, 40}));
  EXPECT_EQ(PixelOf(screen, 0, 1), (TRgb{90, 80, 70}));
  EXPECT_EQ(PixelOf(screen, 1, 1), (TRgb{120, 110, 100}));
  // Short by one byte: the picture says so instead.
  camera->PushFrame(std::vector<uint8_t>(11, 200));
  ASSERT_TRUE(PumpUntil([&] { return live.newFrames > 1; }));
  EXPECT_NE(PixelOf(screen, 1, 1), (TRgb{200, 200, 200}));
}

TEST_F(VideoImageTest, MjpgFrameDecodesAsDjpegDecodesIt) {
  // A 16x16 picture of four coloured quarters, compressed by cjpeg; djpeg's reading of the
  // same bytes is what the frame must show.
  std::string ppm = Scratch("frame.ppm"), jpg = Scratch("frame.jpg"), back = Scratch("back.ppm");
  {
    std::ofstream out(ppm, std::ios::binary);
    out << "P6\n16 16\n255\n";
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        unsigned char rgb[3] = {static_cast<unsigned char>(x < 8 ? 200 : 30),
                                static_cast<unsigned char>(y < 8 ? 180 : 60),
                                static_cast<unsigned char>((x + y) * 7)};
        out.write(reinterpret_cast<char*>(rgb), 3);
      }
  }
  ASSERT_EQ(std::system(("cjpeg -quality 90 -outfile " + jpg + " " + ppm).c_str()), 0);
  ASSERT_EQ(std::system(("djpeg -ppm -outfile " + back + " " + jpg).c_str()), 0);
  std::string jpeg = ReadFile(jpg), decoded = ReadFile(back);
  std::string header = "P6\n16 16\n255\n";
  ASSERT_EQ(decoded.substr(0, header.size()), header);
  const unsigned char* expected = reinterpret_cast<const unsigned char*>(decoded.data()) + header.size();

  auto camera = AddCamera("mjpg", {{kMJPG, 16, 16}});
  TLiveImage live;
  TBitmap screen(16, 16);
  live.image.SetDisplayCanvas(&screen.Canvas());
  ASSERT_EQ(live.image.VideoStart("mjpg"), 0);
  EXPECT_EQ(live.image.FourCC(), FourCCCode("MJPG"));
  camera->PushFrame(std::vector<uint8_t>(jpeg.begin(), jpeg.end()));
  ASSERT_TRUE(PumpUntil([&] { return live.newFrames > 0; }));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const unsigned char* p = expected + 3 * (16 * y + x);
      ASSERT_TRUE(Near(PixelOf(screen, x, y), TRgb{p[0], p[1], p[2]}, 1)) << x << "," << y;
    }

  // A damaged frame is no reason to stop: the picture says what came, the next frame shows.
  EXPECT_TRUE(live.image.FrameReadable());
  camera->PushFrame({0xff, 0xd8, 0x00, 0x01});
  ASSERT_TRUE(PumpUntil([&] { return live.newFrames > 1; }));
  EXPECT_TRUE(live.image.Running());
  EXPECT_FALSE(live.image.FrameReadable()) << "a frame that did not decode is no picture";

  // Many cameras send frames without Huffman tables, meaning the standard's example tables,
  // which cjpeg also writes: the frame with its tables taken out shows the same picture.
  std::vector<uint8_t> bare;
  for (size_t at = 0; at < jpeg.size();) {
    bool dht = at + 4 <= jpeg.size() && uint8_t(jpeg[at]) == 0xFF && uint8_t(jpeg[at + 1]) == 0xC4;
    if (dht) {
      at += 2 + (size_t(uint8_t(jpeg[at + 2])) << 8 | uint8_t(jpeg[at + 3]));
      continue;
    }
    bool scan = at + 1 < jpeg.size() && uint8_t(jpeg[at]) == 0xFF && uint8_t(jpeg[at + 1]) == 0xDA;
    if (scan) {
      bare.insert(bare.end(), jpeg.begin() + at, jpeg.end());
      break;
    }
    // Markers before the scan: SOI has no length, the others do.
    size_t length = uint8_t(jpeg[at + 1]) == 0xD8 ? 0 : size_t(uint8_t(jpeg[at + 2])) << 8 | uint8_t(jpeg[at + 3]);
    bare.insert(bare.end(), jpeg.begin() + at, jpeg.begin() + at + 2 + length);
    at += 2 + length;
  }
  ASSERT_LT(bare.size() + 400, jpeg.size()) << "the four tables were taken out";
  screen.Canvas().Brush().SetColor(clBlack);
  screen.Canvas().FillRect(TRect(0, 0, 16, 16));
  camera->PushFrame(bare);
  ASSERT_TRUE(PumpUntil([&] { return live.newFrames > 2; }));
  EXPECT_TRUE(live.image.FrameReadable());
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const unsigned char* p = expected + 3 * (16 * y + x);
      ASSERT_TRUE(Near(PixelOf(screen, x, y), TRgb{p[0], p[1], p[2]}, 1)) << x << "," << y;
    }
  for (const std::string& f : {ppm, jpg, back}) std::remove(f.c_str());
}

TEST_F(VideoImageTest, FrameOfTheWrongSizeSaysSoInThePicture) {
  auto camera = AddCamera("cam", {{kYUYV, 64, 32}});
  TLiveImage live;
  TBitmap screen(64, 32);
  live.image.SetDisplayCanvas(&screen.Canvas());
  ASSERT_EQ(live.image.VideoStart("cam"), 0);
  // Red everywhere, one byte too long.
  camera->PushFrame(Uniform(kRed, 64, 32, 1));
  ASSERT_TRUE(PumpUntil([&] { return live.newFrames > 0; }));
  // The bitmap was white; the text leaves dark pixels in its first line and red is nowhere.
  int dark = 0, red = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) {
      TRgb c = PixelOf(screen, x, y);
      dark += c.R < 100 && c.G < 100 && y < 16;
      red += c.R > 200 && c.G < 60;
    }
  EXPECT_GT(dark, 10);
  EXPECT_EQ(red, 0);

  // The right size converts.
  camera->PushFrame(Uniform(kRed, 64, 32));
  ASSERT_TRUE(PumpUntil([&] { return live.newFrames > 1; }));
  EXPECT_TRUE(Near(PixelOf(screen, 0, 0), kRed.Rgb, 2));
}

TEST_F(VideoImageTest, PaddedRowsConvertByTheirStride) {
  for (uint32_t format : {kYUYV, kYU12}) {
    String name = format == kYUYV ? "packed" : "planar";
    auto camera = AddCamera(name, {{format, 8, 4}});
    camera->SetRowPadding(8);
    TLiveImage live;
    TBitmap screen(8, 4);
    live.image.SetDisplayCanvas(&screen.Canvas());
    ASSERT_EQ(live.image.VideoStart(name), 0);
    // Left half green, right half blue; the padding holds white luma that must never show.
    std::vector<uint8_t> frame;
    auto bar = [](int x) { return x < 4 ? kGreen : kBlue; };
    if (format == kYUYV) {
      for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; x += 2) frame.insert(frame.end(), {bar(x).Y, bar(x).U, bar(x).Y, bar(x).V});
        frame.insert(frame.end(), 8, kWhite.Y);
      }
    } else {
      for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) frame.push_back(bar(x).Y);
        frame.insert(frame.end(), 8, kWhite.Y);
      }
      // Chroma rows are half as long as luma rows, padding included.
      for (bool u : {true, false})
        for (int y = 0; y < 2; ++y) {
          for (int x = 0; x < 8; x += 2) frame.push_back(u ? bar(x).U : bar(x).V);
          frame.insert(frame.end(), 4, 128);
        }
    }
    camera->PushFrame(frame);
    ASSERT_TRUE(PumpUntil([&] { return live.newFrames > 0; }));
    EXPECT_TRUE(live.image.FrameReadable());
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 8; ++x) EXPECT_TRUE(Near(PixelOf(screen, x, y), bar(x).Rgb, 2)) << x << "," << y;
    live.image.VideoStop();
  }
}

TEST_F(VideoImageTest, WithoutADisplayCanvasFramesArriveButAreNotConverted) {
  auto camera = AddCamera("cam", {{kYUYV, 4, 2}});
  TLiveImage live;
  const uint8_t* lastData = nullptr;
  live.image.OnNewFrame = [&](TObject*, int w, int h, const uint8_t* data) {
    ++live.newFrames;
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 2);
    lastData = data;
  };
  ASSERT_EQ(live.image.VideoStart(""), 0);
  camera->PushFrame(Uniform(kBlack, 4, 2));
  ASSERT_TRUE(PumpUntil([&] { return live.newFrames > 0; }));
  ASSERT_NE(lastData, nullptr);
  EXPECT_EQ(lastData[0], 16);
  // Still the white of a new bitmap, not the black of the frame.
  EXPECT_EQ(PixelOf(live.image.Bitmap(), 0, 0), (TRgb{255, 255, 255}));
  // Asked for, the newest frame converts.
  ASSERT_NE(live.image.CurrentFrame(), nullptr);
  EXPECT_EQ(PixelOf(live.image.Bitmap(), 0, 0), (TRgb{0, 0, 0}));
}

TEST_F(VideoImageTest, RateIsMeasuredEveryThirtyFramesAndNeverDividesByZero) {
  auto camera = AddCamera("cam", {{kYUYV, 4, 2}});
  std::atomic<uint32_t> now = 5000;
  TLiveImage live;
  live.image.SetClock([&] { return now.load(); });
  ASSERT_EQ(live.image.VideoStart(""), 0);
  auto frames = [&](int n, uint32_t step) {
    for (int i = 0; i < n; ++i) {
      now += step;
      camera->PushFrame(std::vector<uint8_t>(16, 128));
      ASSERT_TRUE(camera->WaitDrained());
    }
  };
  // 40 ms apart: the 30th frame only stamps the time, the 60th gives 25 frames a second.
  frames(30, 40);
  EXPECT_EQ(live.image.FramesPerSecond(), 0);
  frames(30, 40);
  EXPECT_DOUBLE_EQ(live.image.FramesPerSecond(), 25.0);
  EXPECT_EQ(live.image.FrameCount(), 60);

  // Thirty frames within one clock tick: no interval, no new rate, and no infinity.
  frames(30, 0);
  EXPECT_DOUBLE_EQ(live.image.FramesPerSecond(), 25.0);
  // The next round counts all sixty frames since the last stamp: 60 frames in 1.2 s.
  frames(30, 40);
  EXPECT_DOUBLE_EQ(live.image.FramesPerSecond(), 50.0);
  live.image.VideoStop();
  EXPECT_EQ(live.image.FramesPerSecond(), 0);
}

TEST_F(VideoImageTest, BusyGuiThreadDropsFramesUntilItIsIdleAgain) {
  auto camera = AddCamera("cam", {{kYUYV, 4, 2}});
  std::atomic<uint32_t> now = 100000;
  TLiveImage live;
  live.image.SetClock([&] { return now.load(); });
  ASSERT_EQ(live.image.VideoStart(""), 0);
  // The GUI thread handles no message while 60 frames come 40 ms apart: those after the first
  // second are dropped.
  for (int i = 1; i <= 60; ++i) {
    now += 40;
    camera->PushFrame(std::vector<uint8_t>(16, static_cast<uint8_t>(i)));
    ASSERT_TRUE(camera->WaitDrained());
  }
  EXPECT_EQ(live.image.DroppedFrames(), 35);
  // Idle again: the frame after it is handed on, and the newest frame kept is the 25th.
  ASSERT_TRUE(PumpUntil([&] { return live.newFrames > 0; }));
  int before = live.image.DroppedFrames();
  now += 40;
  camera->PushFrame(Uniform(kBlack, 4, 2));
  ASSERT_TRUE(camera->WaitDrained());
  EXPECT_EQ(live.image.DroppedFrames(), before);
  ASSERT_TRUE(PumpUntil([&] {
    TBitmap* frame = live.image.CurrentFrame();
    return frame && PixelOf(*frame, 0, 0) == TRgb{0, 0, 0};
  }));

  // The camera pauses for five seconds while the GUI thread waits with nothing to do: the
  // frame after the pause is shown, not dropped for want of a recent idle moment.
  ASSERT_TRUE(PumpUntil([&] { return live.newFrames > 1; }));
  Application->ProcessMessages();
  int shown = live.newFrames;
  before = live.image.DroppedFrames();
  now += 5000;
  camera->PushFrame(Uniform(kWhite, 4, 2));
  ASSERT_TRUE(camera->WaitDrained());
  EXPECT_EQ(live.image.DroppedFrames(), before);
  ASSERT_TRUE(PumpUntil([&] { return live.newFrames > shown; }));
  EXPECT_EQ(PixelOf(*live.image.CurrentFrame(), 0, 0), kWhite.Rgb);
}

TEST_F(VideoImageTest, StopRestartAndDestructionWhileFramesFlow) {
  auto camera = AddCamera("cam", {{kYUYV, 4, 2}});
  auto live = std::make_unique<TLiveImage>();
  TBitmap screen(4, 2);
  live->image.SetDisplayCanvas(&screen.Canvas());
  ASSERT_EQ(live->image.VideoStart(""), 0);
  camera->PushFrame(std::vector<uint8_t>(16, 235));
  ASSERT_TRUE(PumpUntil([&] { return live->newFrames > 0; }));
  live->image.VideoStop();
  live->image.VideoStop();
  EXPECT_FALSE(camera->Streaming());
  EXPECT_EQ(camera->OpenCount(), 0);
  EXPECT_EQ(camera->Mapped(), 0);
  EXPECT_EQ(live->image.CurrentFrame(), &live->image.Bitmap());

  // Started again: counting starts over, no old frame is taken for a new one.
  ASSERT_EQ(live->image.VideoStart(""), 0);
  EXPECT_EQ(live->image.FrameCount(), 0);
  EXPECT_EQ(live->image.CurrentFrame(), nullptr);
  camera->PushFrame(Uniform(kBlack, 4, 2));
  ASSERT_TRUE(PumpUntil([&] { return live->newFrames > 1; }));
  EXPECT_EQ(PixelOf(screen, 0, 0), (TRgb{0, 0, 0}));

  // Freed while the camera still sends: the stream stops first, nothing is left open.
  for (int i = 0; i < 100; ++i) camera->PushFrame(std::vector<uint8_t>(16, 100));
  live.reset();
  EXPECT_FALSE(camera->Streaming());
  EXPECT_EQ(camera->OpenCount(), 0);
  EXPECT_EQ(camera->Mapped(), 0);
}

TEST_F(VideoImageTest, StartFailuresLeaveNothingRunning) {
  TLiveImage live;
  EXPECT_EQ(live.image.VideoStart(""), 1);
  EXPECT_FALSE(live.image.Running());
  auto camera = AddCamera("cam", {{kYUYV, 4, 2}});
  camera->SetFailStreamOn(true);
  EXPECT_EQ(live.image.VideoStart(""), 1);
  EXPECT_FALSE(live.image.Running());
  camera->SetFailStreamOn(false);
  camera->SetFormatUnknown(true);
  EXPECT_EQ(live.image.VideoStart(""), 1);
  EXPECT_FALSE(live.image.Running());
  EXPECT_EQ(camera->OpenCount(), 0);
  EXPECT_EQ(camera->Mapped(), 0);
}

TEST_F(VideoImageTest, VanishingCameraStopsCaptureAndTellsTheGuiThread) {
  auto camera = AddCamera("cam", {{kYUYV, 4, 2}});
  TLiveImage live;
  std::thread::id gui = std::this_thread::get_id(), told;
  int lost = 0;
  live.image.OnDeviceLost = [&](TObject*) {
    ++lost;
    told = std::this_thread::get_id();
    EXPECT_FALSE(live.image.Running());
  };
  ASSERT_EQ(live.image.VideoStart(""), 0);
  camera->PushFrame(std::vector<uint8_t>(16, 16));
  ASSERT_TRUE(PumpUntil([&] { return live.newFrames > 0; }));
  camera->Vanish();
  ASSERT_TRUE(PumpUntil([&] { return lost > 0; }));
  EXPECT_EQ(lost, 1);
  EXPECT_EQ(told, gui);
  EXPECT_EQ(camera->OpenCount(), 0);
  EXPECT_EQ(camera->Mapped(), 0);
  // The last frame is still there to look at.
  ASSERT_NE(live.image.CurrentFrame(), nullptr);
}

// Many frames of changing size and content while the GUI thread converts: every frame it gets
// is whole (one value throughout, the length that value was sent with). Run under the race
// checker, this is the test of the hand-over itself.
TEST_F(VideoImageTest, FramesHandedOverWholeUnderLoad) {
  auto camera = AddCamera("cam", {{kYUYV, 16, 8}});
  TLiveImage live;
  int torn = 0, checked = 0;
  TBitmap screen(16, 8);
  live.image.SetDisplayCanvas(&screen.Canvas());
  ASSERT_EQ(live.image.VideoStart(""), 0);
  std::atomic<bool> done = false;
  std::thread sender([&] {
    for (int i = 0; i < 400; ++i) {
      uint8_t value = static_cast<uint8_t>(16 + i % 200);
      // Odd frames one byte long too: the buffers change size as they go.
      camera->PushFrame(std::vector<uint8_t>(i % 2 ? 16 * 8 * 2 + value : 16 * 8 * 2, value));
      if (i % 50 == 0) camera->WaitDrained();
    }
    camera->WaitDrained();
    done = true;
  });
  live.image.OnNewFrame = [&](TObject*, int, int, const uint8_t* data) {
    ++live.newFrames;
    ++checked;
    uint8_t value = data[0];
    for (int i = 0; i < 16 * 8 * 2; ++i) torn += data[i] != value;
  };
  EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
  sender.join();
  EXPECT_TRUE(PumpUntil([&] { return checked > 0; }));
  EXPECT_EQ(torn, 0);
  live.image.VideoStop();
}

}  // namespace orv::test
