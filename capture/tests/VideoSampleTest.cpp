// The capture session over simulated cameras: which camera a name selects, the stream's
// format, frames before the callback, and what destruction leaves behind.
#include <atomic>
#include <mutex>

#include "capture/tests/CaptureTesting.h"
#include "capture/VideoSample.h"
#include "platform/rtl/StringList.h"

namespace orv::test {

class VideoSampleTest : public CaptureTest {};

TEST_F(VideoSampleTest, NamesAndPositionsSelectTheCamera) {
  std::vector<std::shared_ptr<TSimulatedCamera>> cameras;
  for (int i = 1; i <= 10; ++i)
    cameras.push_back(AddCamera(i == 10 ? "#10" : "Camera " + std::to_string(i), {{kYUYV, 4, 2}}));
  auto startedOn = [&](const String& name, String& found) -> int {
    TVideoSample sample;
    if (!Succeeded(sample.StartVideo(name, found))) return 0;
    for (size_t i = 0; i < cameras.size(); ++i)
      if (cameras[i]->Streaming()) return static_cast<int>(i) + 1;
    return -1;
  };
  String found;
  EXPECT_EQ(startedOn("", found), 1);
  EXPECT_EQ(found, "Camera 1");
  EXPECT_EQ(startedOn("#2", found), 2);
  EXPECT_EQ(found, "Camera 2");
  EXPECT_EQ(startedOn("  cAMERA 3 ", found), 3);
  // "#10" is no position: it names the camera called so.
  EXPECT_EQ(startedOn("#10", found), 10);
  EXPECT_EQ(startedOn("Camera 11", found), 0);
  EXPECT_EQ(startedOn("#0", found), 0);

  TStringList names;
  names.Add("stale");
  EXPECT_EQ(GetVideoInputDevices(names), S_OK);
  ASSERT_EQ(names.Count(), 10);
  EXPECT_EQ(names.Strings(0), "Camera 1");
  EXPECT_EQ(names.Strings(9), "#10");
  for (auto& camera : cameras) EXPECT_EQ(camera->OpenCount(), 0);
}

TEST_F(VideoSampleTest, NoCameraFails) {
  TVideoSample sample;
  String found;
  EXPECT_EQ(sample.StartVideo("", found), E_FAIL);
  EXPECT_EQ(sample.State(), 0);
  TStringList names;
  GetVideoInputDevices(names);
  EXPECT_EQ(names.Count(), 0);
}

TEST_F(VideoSampleTest, StreamInfoFormatsAndUnknownFormat) {
  auto camera = AddCamera("cam", {{kYU12, 320, 240}, {kYUYV, 640, 480}, {kYUYV, 160, 120},
                                  {kMJPG, 640, 360}});
  TVideoSample sample;
  String found;
  ASSERT_EQ(sample.StartVideo("cam", found), S_OK);
  EXPECT_EQ(sample.State(), 2);
  int width, height;
  uint32_t fourCC;
  ASSERT_EQ(sample.GetStreamInfo(width, height, fourCC), S_OK);
  // Nothing holds the 800 x 600 photo: the largest size the conversion reads.
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  EXPECT_EQ(fourCC, kYUYV);
  // Ascending by width, and by height for equal widths.
  std::vector<std::pair<int, int>> sizes;
  for (const TVideoFormat& f : sample.VideoFormats()) sizes.emplace_back(f.Width, f.Height);
  EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{160, 120}, {320, 240}, {640, 360}, {640, 480}}));

  camera->SetFormatUnknown(true);
  EXPECT_EQ(sample.GetStreamInfo(width, height, fourCC), E_FAIL);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);
  EXPECT_EQ(fourCC, 0u);
}

TEST_F(VideoSampleTest, FramesBeforeTheCallbackAreDroppedAndDestructionStopsTheStream) {
  auto camera = AddCamera("cam", {{kYUYV, 4, 2}});
  std::mutex m;
  std::vector<int> seen;
  {
    TVideoSample sample;
    String found;
    ASSERT_EQ(sample.StartVideo("cam", found), S_OK);
    camera->PushFrame(std::vector<uint8_t>(16, 1));
    camera->PushFrame(std::vector<uint8_t>(16, 2));
    ASSERT_TRUE(camera->WaitDrained());
    sample.SetFrameCallback([&](const uint8_t* data, int size) {
      std::lock_guard lock(m);
      seen.push_back(data[0] * 100 + size);
    });
    camera->PushFrame(std::vector<uint8_t>(16, 3));
    ASSERT_TRUE(camera->WaitDrained());
    // Frames keep coming while the object goes.
    for (int i = 0; i < 50; ++i) camera->PushFrame(std::vector<uint8_t>(16, 4));
  }
  EXPECT_FALSE(camera->Streaming());
  EXPECT_EQ(camera->Mapped(), 0);
  EXPECT_EQ(camera->OpenCount(), 0);
  std::lock_guard lock(m);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0], 316);
}

}  // namespace orv::test

namespace orv::test {

TEST_F(VideoSampleTest, TheCameraIsSetToAReadableFormatNearThePhotosSize) {
  struct TCase {
    std::vector<TSimulatedFormat> offered;
    TSimulatedFormat chosen;
  };
  const uint32_t kNV12 = FourCCCode("NV12"), kGREY = FourCCCode("GREY"), kBGR3 = FourCCCode("BGR3");
  const TCase cases[] = {
      // The camera's own first format is one the conversion cannot read.
      {{{kNV12, 1920, 1080}, {kYUYV, 640, 480}, {kMJPG, 1280, 720}}, {kMJPG, 1280, 720}},
      // Uncompressed 1280 x 720 comes at 10 frames a second over USB 2; compressed at 30.
      {{{kYUYV, 1280, 720, 10}, {kYUYV, 640, 480}, {kMJPG, 1280, 720}}, {kMJPG, 1280, 720}},
      // The smallest size that holds the photo, uncompressed when both come at that size.
      {{{kMJPG, 1920, 1080}, {kMJPG, 800, 600}, {kYUYV, 800, 600}, {kYUYV, 1024, 768}}, {kYUYV, 800, 600}},
      {{{kGREY, 640, 480}, {kBGR3, 320, 240}, {kYU12, 352, 288}}, {kYU12, 352, 288}},
  };
  int n = 0;
  for (const TCase& c : cases) {
    String name = "cam " + std::to_string(++n);
    auto camera = AddCamera(name, c.offered);
    TVideoSample sample;
    String found;
    ASSERT_EQ(sample.StartVideo(name, found), S_OK);
    TSimulatedFormat set = camera->Current();
    EXPECT_EQ(set.FourCC, c.chosen.FourCC);
    EXPECT_EQ(set.Width, c.chosen.Width);
    EXPECT_EQ(set.Height, c.chosen.Height);
    EXPECT_EQ(camera->RequestedRate(), 30);
  }
  // An infrared node offers nothing readable: it keeps its own format and says which.
  auto infrared = AddCamera("ir", {{kGREY, 340, 340}});
  TVideoSample sample;
  String found;
  ASSERT_EQ(sample.StartVideo("ir", found), S_OK);
  int width, height;
  uint32_t fourCC;
  ASSERT_EQ(sample.GetStreamInfo(width, height, fourCC), S_OK);
  EXPECT_EQ(fourCC, kGREY);
}

TEST_F(VideoSampleTest, ForceRGBHandsOnRowsOfBlueGreenRed) {
  auto camera = AddCamera("cam", {{kYUYV, 4, 2}, {kMJPG, 1280, 720}});
  camera->SetRowPadding(4);
  TVideoSample sample(true);
  String found;
  ASSERT_EQ(sample.StartVideo("cam", found), S_OK);
  EXPECT_EQ(camera->Current().FourCC, kYUYV) << "frames the stream's thread can convert";
  int width, height;
  uint32_t fourCC;
  ASSERT_EQ(sample.GetStreamInfo(width, height, fourCC), S_OK);
  EXPECT_EQ(fourCC, 0u);
  EXPECT_EQ(sample.BytesPerLine(), 0);
  std::mutex m;
  std::vector<uint8_t> got;
  sample.SetFrameCallback([&](const uint8_t* data, int size) {
    std::lock_guard lock(m);
    got.assign(data, data + size);
  });
  // White luma (235) with neutral chroma in every pixel, padding of 0 after each row.
  std::vector<uint8_t> frame;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) frame.insert(frame.end(), {235, 128, 235, 128});
    frame.insert(frame.end(), 4, 0);
  }
  camera->PushFrame(frame);
  ASSERT_TRUE(camera->WaitDrained());
  std::lock_guard lock(m);
  EXPECT_EQ(got, std::vector<uint8_t>(4 * 2 * 3, 255));
}

TEST_F(VideoSampleTest, ACameraThatCannotBeOpenedIsNamedWithItsReason) {
  auto camera = AddCamera("cam", {{kYUYV, 4, 2}});
  camera->SetOpenError(EACCES);
  TStringList names;
  GetVideoInputDevices(names);
  EXPECT_EQ(names.Count(), 0);
  auto unopened = ListUnopenedVideoDevices();
  ASSERT_EQ(unopened.size(), 1u);
  EXPECT_EQ(unopened[0].Path, "/dev/video0");
  EXPECT_EQ(unopened[0].Error, EACCES);
  camera->SetOpenError(0);
  EXPECT_TRUE(ListUnopenedVideoDevices().empty());
}

}  // namespace orv::test
