// The V4L2 layer against simulated cameras (and the machine's own first camera when it has
// one): the device list, formats, and a stream's frames, stop, restart and loss.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "platform/video/tests/SimulatedVideo.h"

namespace orv::test {

namespace {

constexpr uint32_t kYUYV = 0x56595559;  // 'Y' 'U' 'Y' 'V', least significant byte first
constexpr uint32_t kMJPG = 0x47504a4d;  // 'M' 'J' 'P' 'G'

// Frames as the handler saw them, gathered across the stream's thread.
struct TReceived {
  std::mutex m;
  std::vector<std::vector<uint8_t>> frames;
  std::atomic<int> lost = 0;
  std::vector<std::vector<uint8_t>> Take() {
    std::lock_guard lock(m);
    return frames;
  }
};

bool StartInto(TVideoStream& stream, TReceived& received) {
  return stream.Start(
      [&](const uint8_t* data, int size) {
        std::lock_guard lock(received.m);
        received.frames.emplace_back(data, data + size);
      },
      [&] { ++received.lost; });
}

}  // namespace

TEST(VideoDevices, ListNamesCamerasInNodeOrderAndLeavesOutOtherNodes) {
  TSimulatedVideoScope video;
  video->Add(std::make_shared<TSimulatedCamera>("HD Webcam C270", std::vector<TSimulatedFormat>{
                                                                      {kYUYV, 640, 480}}));
  // The metadata node a USB camera brings beside its video node.
  video->Add(std::make_shared<TSimulatedCamera>("HD Webcam C270", std::vector<TSimulatedFormat>{},
                                                V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING));
  auto second = video->Add(std::make_shared<TSimulatedCamera>(
      "กล้องโต๊ะ", std::vector<TSimulatedFormat>{{kMJPG, 1280, 720}}));
  std::vector<TVideoDeviceInfo> devices = ListVideoDevices();
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].Name, "HD Webcam C270");
  EXPECT_EQ(devices[0].Path, "/dev/video0");
  EXPECT_EQ(devices[1].Name, "กล้องโต๊ะ");
  EXPECT_EQ(devices[1].Path, "/dev/video2");
  EXPECT_EQ(second->OpenCount(), 0);

  // An unplugged camera is no longer listed.
  second->Vanish();
  EXPECT_EQ(ListVideoDevices().size(), 1u);
}

TEST(VideoDevices, FormatsAndCurrentFormat) {
  TSimulatedVideoScope video;
  auto camera = video->Add(std::make_shared<TSimulatedCamera>(
      "cam", std::vector<TSimulatedFormat>{{kYUYV, 640, 480}, {kYUYV, 320, 240}, {kMJPG, 1280, 720}}));
  TVideoStream stream;
  ASSERT_TRUE(stream.Open("/dev/video0")) << stream.LastError();
  std::vector<TVideoFormat> formats = stream.Formats();
  ASSERT_EQ(formats.size(), 3u);
  EXPECT_EQ(formats[0].FourCC, kYUYV);
  EXPECT_EQ(formats[1].Width, 320);
  EXPECT_EQ(formats[1].Height, 240);
  EXPECT_EQ(formats[1].SampleSize, 320 * 240 * 2);
  EXPECT_EQ(formats[2].FourCC, kMJPG);
  EXPECT_EQ(formats[2].SampleSize, 0);
  EXPECT_EQ(formats[2].Index, 2);

  TVideoStreamFormat current;
  ASSERT_TRUE(stream.CurrentFormat(current));
  EXPECT_EQ(current.Width, 640);
  EXPECT_EQ(current.Height, 480);
  EXPECT_EQ(current.FourCC, FourCCCode("YUYV"));

  camera->SetFormatUnknown(true);
  EXPECT_FALSE(stream.CurrentFormat(current));
  EXPECT_EQ(current.Width, 0);

  stream.Close();
  EXPECT_EQ(camera->OpenCount(), 0);
  EXPECT_FALSE(stream.Open("/dev/video7"));
  EXPECT_NE(stream.LastError().find("/dev/video7"), std::string::npos);
}

TEST(VideoStream, FramesArriveWholeAndInOrderThroughStopAndRestart) {
  TSimulatedVideoScope video;
  auto camera = video->Add(std::make_shared<TSimulatedCamera>(
      "cam", std::vector<TSimulatedFormat>{{kYUYV, 4, 2}}));
  TVideoStream stream;
  ASSERT_TRUE(stream.Open("/dev/video0"));
  TReceived received;
  ASSERT_TRUE(StartInto(stream, received)) << stream.LastError();
  EXPECT_TRUE(stream.Streaming());
  // More frames than the driver has buffers: each goes back and is filled again.
  // An empty buffer among them is no frame.
  for (uint8_t i = 0; i < 10; ++i) {
    camera->PushFrame(std::vector<uint8_t>(16, i));
    if (i == 4) camera->PushFrame({});
  }
  ASSERT_TRUE(camera->WaitDrained());
  stream.Stop();
  EXPECT_FALSE(camera->Streaming());
  EXPECT_EQ(camera->Mapped(), 0);
  std::vector<std::vector<uint8_t>> frames = received.Take();
  ASSERT_EQ(frames.size(), 10u);
  for (uint8_t i = 0; i < 10; ++i) EXPECT_EQ(frames[i], std::vector<uint8_t>(16, i));

  // A second start maps the buffers again and goes on delivering.
  ASSERT_TRUE(StartInto(stream, received));
  camera->PushFrame({1, 2, 3});
  ASSERT_TRUE(camera->WaitDrained());
  stream.Stop();
  frames = received.Take();
  ASSERT_EQ(frames.size(), 11u);
  EXPECT_EQ(frames.back(), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(received.lost, 0);
  stream.Close();
  EXPECT_EQ(camera->OpenCount(), 0);
}

TEST(VideoStream, VanishingDeviceEndsTheThreadOnceAndCleansUp) {
  TSimulatedVideoScope video;
  auto camera = video->Add(std::make_shared<TSimulatedCamera>(
      "cam", std::vector<TSimulatedFormat>{{kYUYV, 4, 2}}));
  TVideoStream stream;
  ASSERT_TRUE(stream.Open("/dev/video0"));
  TReceived received;
  ASSERT_TRUE(StartInto(stream, received));
  camera->PushFrame(std::vector<uint8_t>(16, 7));
  ASSERT_TRUE(camera->WaitDrained());
  camera->Vanish();
  for (int i = 0; i < 400 && received.lost == 0; ++i) usleep(5000);
  EXPECT_EQ(received.lost, 1);
  stream.Stop();
  stream.Close();
  EXPECT_EQ(received.lost, 1);
  EXPECT_EQ(received.Take().size(), 1u);
  EXPECT_EQ(camera->Mapped(), 0);
  EXPECT_EQ(camera->OpenCount(), 0);
}

TEST(VideoStream, RefusedStartLeavesNothingMapped) {
  TSimulatedVideoScope video;
  auto camera = video->Add(std::make_shared<TSimulatedCamera>(
      "cam", std::vector<TSimulatedFormat>{{kYUYV, 4, 2}}));
  camera->SetFailStreamOn(true);
  TVideoStream stream;
  ASSERT_TRUE(stream.Open("/dev/video0"));
  TReceived received;
  EXPECT_FALSE(StartInto(stream, received));
  EXPECT_FALSE(stream.Streaming());
  EXPECT_NE(stream.LastError().find("cannot start"), std::string::npos);
  EXPECT_EQ(camera->Mapped(), 0);

  // Not open at all: refused with a reason, no thread.
  TVideoStream closed;
  EXPECT_FALSE(StartInto(closed, received));
  EXPECT_FALSE(closed.Streaming());
}

// The machine's own camera, where there is one: listed with a name, and it streams frames.
TEST(VideoStream, RealFirstCamera) {
  if (access("/dev/video0", F_OK) != 0) GTEST_SKIP() << "this machine has no /dev/video0";
  std::vector<TVideoDeviceInfo> devices = ListVideoDevices();
  if (devices.empty()) GTEST_SKIP() << "/dev/video0 is not a camera this user can open";
  EXPECT_FALSE(devices[0].Name.empty());
  TVideoStream stream;
  ASSERT_TRUE(stream.Open(devices[0].Path)) << stream.LastError();
  TVideoStreamFormat format;
  ASSERT_TRUE(stream.CurrentFormat(format)) << stream.LastError();
  EXPECT_GT(format.Width, 0);
  TReceived received;
  ASSERT_TRUE(StartInto(stream, received)) << stream.LastError();
  for (int i = 0; i < 600 && received.Take().empty(); ++i) usleep(5000);
  stream.Stop();
  EXPECT_FALSE(received.Take().empty());
}

}  // namespace orv::test
