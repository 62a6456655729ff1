#pragma once
// Video capture devices over V4L2: the list of cameras and one device's memory-mapped stream,
// whose frames arrive on a thread of the stream's own.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace orv {

// A camera: the name its driver gives it and its device node.
struct TVideoDeviceInfo {
  std::string Name;
  std::string Path;
};

// The cameras in the order of their device nodes; nodes that do not capture video (a
// camera's metadata node, a radio) are left out.
std::vector<TVideoDeviceInfo> ListVideoDevices();

// A device node that is there but could not be opened: Error is the errno of the attempt
// (EACCES for a user outside the camera's group, EBUSY for a camera another program holds).
struct TUnopenedVideoDevice {
  std::string Path;
  int Error = 0;
};
std::vector<TUnopenedVideoDevice> ListUnopenedVideoDevices();

// The four-character code of a pixel format, as V4L2 packs it ("YUYV" -> 0x56595559).
constexpr uint32_t FourCCCode(const char (&c)[5]) {
  return uint32_t(uint8_t(c[0])) | uint32_t(uint8_t(c[1])) << 8 | uint32_t(uint8_t(c[2])) << 16 |
         uint32_t(uint8_t(c[3])) << 24;
}

// One capture size the device offers in one pixel format.
struct TVideoFormat {
  int Width = 0;
  int Height = 0;
  // Bytes of one frame; 0 for compressed formats, whose frames vary.
  int SampleSize = 0;
  // Position in the device's list.
  int Index = 0;
  uint32_t FourCC = 0;
  // The highest rate the device offers at this size; 0 when it does not say.
  double FramesPerSecond = 0;
};

// The format the device delivers now.
struct TVideoStreamFormat {
  int Width = 0;
  int Height = 0;
  uint32_t FourCC = 0;
  int BytesPerLine = 0;
};

// One opened device and its stream. Frames are handed to the frame handler on the stream's
// thread, one mapped buffer at a time; the buffer goes back to the driver when the handler
// returns. A device that fails or disappears while streaming ends the thread after one call of
// the lost handler, also on the stream's thread.
class TVideoStream {
 public:
  using TFrameHandler = std::function<void(const uint8_t* data, int size)>;
  using TLostHandler = std::function<void()>;

  TVideoStream() = default;
  ~TVideoStream();
  TVideoStream(const TVideoStream&) = delete;
  TVideoStream& operator=(const TVideoStream&) = delete;

  // False when the node cannot be opened or captures no video; LastError says why.
  bool Open(const std::string& path);
  // Stops the stream and closes the device.
  void Close();

  // Every pixel format with every discrete size, in the device's order.
  std::vector<TVideoFormat> Formats();
  // False when the device does not say (or is not a single-plane capture device).
  bool CurrentFormat(TVideoStreamFormat& format);
  // Asks for a pixel format and size while the stream is stopped; the driver may settle on
  // another size, which CurrentFormat then gives.
  bool SetFormat(uint32_t fourCC, int width, int height);
  // Asks for a frame rate; a device that does not let its rate be set keeps its own (true).
  bool SetFrameRate(double framesPerSecond);

  // Maps the driver's buffers and starts the stream's thread.
  bool Start(TFrameHandler onFrame, TLostHandler onLost);
  // Ends the thread (waiting for a frame handler that runs), stops the device and unmaps the
  // buffers. Harmless when nothing runs; must not be called from the handlers.
  void Stop();
  bool Streaming() const { return thread_.joinable(); }

  const std::string& LastError() const { return lastError_; }

 private:
  struct TMappedBuffer {
    void* Start = nullptr;
    size_t Length = 0;
  };
  bool Fail(const std::string& what);
  void Run();
  void ReleaseBuffers();

  int fd_ = -1;
  std::string path_;
  std::vector<TMappedBuffer> buffers_;
  TFrameHandler onFrame_;
  TLostHandler onLost_;
  std::atomic<bool> stop_ = false;
  std::thread thread_;
  std::string lastError_;
};

}  // namespace orv
