#include "platform/video/VideoDevice.h"

#include <linux/videodev2.h>
#include <poll.h>
#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "platform/video/VideoSystem.h"

namespace orv {

namespace {

// Buffers the driver fills in turn: enough that one in the frame handler does not stall it.
constexpr unsigned kBufferCount = 4;
// How long the thread waits for a frame before it looks whether it must stop.
constexpr int kPollMs = 50;

uint32_t CaptureCaps(const v4l2_capability& cap) {
  return (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
}

bool CapturesVideo(const v4l2_capability& cap) {
  uint32_t caps = CaptureCaps(cap);
  return (caps & V4L2_CAP_VIDEO_CAPTURE) && (caps & V4L2_CAP_STREAMING);
}

std::string CardName(const v4l2_capability& cap) {
  const char* card = reinterpret_cast<const char*>(cap.card);
  return std::string(card, strnlen(card, sizeof cap.card));
}

// Bytes per pixel of the uncompressed formats whose frame size follows from width and height.
int BitsPerPixel(uint32_t fourCC) {
  switch (fourCC) {
    case FourCCCode("YUYV"): case FourCCCode("UYVY"): case FourCCCode("YVYU"):
      return 16;
    case FourCCCode("YU12"): case FourCCCode("YV12"): case FourCCCode("NV12"):
      return 12;
    case FourCCCode("BGR3"): case FourCCCode("RGB3"):
      return 24;
    default:
      return 0;
  }
}

// The highest rate among the intervals the device offers for one format and size.
double HighestRate(IVideoSystem& sys, int fd, uint32_t fourCC, int width, int height) {
  double best = 0;
  for (uint32_t i = 0; i < 64; ++i) {
    v4l2_frmivalenum interval{};
    interval.index = i;
    interval.pixel_format = fourCC;
    interval.width = static_cast<uint32_t>(width);
    interval.height = static_cast<uint32_t>(height);
    if (sys.Ioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, &interval) != 0) break;
    const v4l2_fract& shortest =
        interval.type == V4L2_FRMIVAL_TYPE_DISCRETE ? interval.discrete : interval.stepwise.min;
    if (shortest.numerator > 0) best = std::max(best, double(shortest.denominator) / shortest.numerator);
    if (interval.type != V4L2_FRMIVAL_TYPE_DISCRETE) break;
  }
  return best;
}

}  // namespace

std::vector<TUnopenedVideoDevice> ListUnopenedVideoDevices() {
  IVideoSystem& sys = VideoSystem();
  std::vector<TUnopenedVideoDevice> nodes;
  for (const std::string& path : sys.DeviceNodes()) {
    int fd = sys.Open(path);
    if (fd >= 0) {
      sys.Close(fd);
      continue;
    }
    // A node that vanished between the listing and the open is simply not there.
    if (errno != ENOENT && errno != ENODEV && errno != ENXIO) nodes.push_back({path, errno});
  }
  return nodes;
}

std::vector<TVideoDeviceInfo> ListVideoDevices() {
  IVideoSystem& sys = VideoSystem();
  std::vector<TVideoDeviceInfo> devices;
  for (const std::string& path : sys.DeviceNodes()) {
    int fd = sys.Open(path);
    if (fd < 0) continue;
    v4l2_capability cap{};
    if (sys.Ioctl(fd, VIDIOC_QUERYCAP, &cap) == 0 && CapturesVideo(cap))
      devices.push_back({CardName(cap), path});
    sys.Close(fd);
  }
  return devices;
}

TVideoStream::~TVideoStream() { Close(); }

bool TVideoStream::Fail(const std::string& what) {
  lastError_ = what + " (" + path_ + "): " + std::strerror(errno);
  return false;
}

bool TVideoStream::Open(const std::string& path) {
  Close();
  path_ = path;
  IVideoSystem& sys = VideoSystem();
  fd_ = sys.Open(path);
  if (fd_ < 0) return Fail("cannot open the camera");
  v4l2_capability cap{};
  if (sys.Ioctl(fd_, VIDIOC_QUERYCAP, &cap) != 0 || !CapturesVideo(cap)) {
    int error = errno;
    Close();
    errno = error ? error : ENODEV;
    return Fail("not a camera");
  }
  return true;
}

void TVideoStream::Close() {
  Stop();
  if (fd_ >= 0) VideoSystem().Close(fd_);
  fd_ = -1;
}

std::vector<TVideoFormat> TVideoStream::Formats() {
  std::vector<TVideoFormat> formats;
  if (fd_ < 0) return formats;
  IVideoSystem& sys = VideoSystem();
  for (uint32_t i = 0;; ++i) {
    v4l2_fmtdesc desc{};
    desc.index = i;
    desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (sys.Ioctl(fd_, VIDIOC_ENUM_FMT, &desc) != 0) break;
    for (uint32_t j = 0;; ++j) {
      v4l2_frmsizeenum size{};
      size.index = j;
      size.pixel_format = desc.pixelformat;
      if (sys.Ioctl(fd_, VIDIOC_ENUM_FRAMESIZES, &size) != 0) break;
      int w, h;
      if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
        w = static_cast<int>(size.discrete.width);
        h = static_cast<int>(size.discrete.height);
      } else {
        // A range of sizes stands as its largest.
        w = static_cast<int>(size.stepwise.max_width);
        h = static_cast<int>(size.stepwise.max_height);
      }
      int sample = w * h * BitsPerPixel(desc.pixelformat) / 8;
      formats.push_back({w, h, sample, static_cast<int>(formats.size()), desc.pixelformat,
                         HighestRate(sys, fd_, desc.pixelformat, w, h)});
      if (size.type != V4L2_FRMSIZE_TYPE_DISCRETE) break;
    }
  }
  return formats;
}

bool TVideoStream::CurrentFormat(TVideoStreamFormat& format) {
  format = {};
  if (fd_ < 0) return false;
  v4l2_format f{};
  f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (VideoSystem().Ioctl(fd_, VIDIOC_G_FMT, &f) != 0) return Fail("cannot read the format");
  format.Width = static_cast<int>(f.fmt.pix.width);
  format.Height = static_cast<int>(f.fmt.pix.height);
  format.FourCC = f.fmt.pix.pixelformat;
  format.BytesPerLine = static_cast<int>(f.fmt.pix.bytesperline);
  return true;
}

bool TVideoStream::SetFormat(uint32_t fourCC, int width, int height) {
  if (fd_ < 0) {
    errno = EBADF;
    return Fail("no camera open");
  }
  v4l2_format f{};
  f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  f.fmt.pix.width = static_cast<uint32_t>(width);
  f.fmt.pix.height = static_cast<uint32_t>(height);
  f.fmt.pix.pixelformat = fourCC;
  f.fmt.pix.field = V4L2_FIELD_NONE;
  if (VideoSystem().Ioctl(fd_, VIDIOC_S_FMT, &f) != 0) return Fail("cannot set the format");
  return true;
}

bool TVideoStream::SetFrameRate(double framesPerSecond) {
  if (fd_ < 0 || framesPerSecond <= 0) return true;
  IVideoSystem& sys = VideoSystem();
  v4l2_streamparm parm{};
  parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (sys.Ioctl(fd_, VIDIOC_G_PARM, &parm) != 0 || !(parm.parm.capture.capability & V4L2_CAP_TIMEPERFRAME))
    return true;
  parm.parm.capture.timeperframe.numerator = 1000;
  parm.parm.capture.timeperframe.denominator = static_cast<uint32_t>(std::lround(framesPerSecond * 1000));
  if (sys.Ioctl(fd_, VIDIOC_S_PARM, &parm) != 0) return Fail("cannot set the frame rate");
  return true;
}

bool TVideoStream::Start(TFrameHandler onFrame, TLostHandler onLost) {
  Stop();
  if (fd_ < 0) {
    errno = EBADF;
    return Fail("no camera open");
  }
  IVideoSystem& sys = VideoSystem();
  v4l2_requestbuffers request{};
  request.count = kBufferCount;
  request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  request.memory = V4L2_MEMORY_MMAP;
  if (sys.Ioctl(fd_, VIDIOC_REQBUFS, &request) != 0) return Fail("cannot get frame buffers");
  if (request.count == 0) {
    errno = ENOMEM;
    return Fail("cannot get frame buffers");
  }
  for (uint32_t i = 0; i < request.count; ++i) {
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    buffer.index = i;
    if (sys.Ioctl(fd_, VIDIOC_QUERYBUF, &buffer) != 0) {
      int error = errno;
      ReleaseBuffers();
      errno = error;
      return Fail("cannot get frame buffers");
    }
    void* start = sys.Mmap(buffer.length, fd_, static_cast<off_t>(buffer.m.offset));
    if (start == MAP_FAILED) {
      int error = errno;
      ReleaseBuffers();
      errno = error;
      return Fail("cannot map frame buffers");
    }
    buffers_.push_back({start, buffer.length});
    if (sys.Ioctl(fd_, VIDIOC_QBUF, &buffer) != 0) {
      int error = errno;
      ReleaseBuffers();
      errno = error;
      return Fail("cannot queue frame buffers");
    }
  }
  int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (sys.Ioctl(fd_, VIDIOC_STREAMON, &type) != 0) {
    int error = errno;
    ReleaseBuffers();
    errno = error;
    return Fail("cannot start the camera");
  }
  onFrame_ = std::move(onFrame);
  onLost_ = std::move(onLost);
  stop_ = false;
  thread_ = std::thread([this] { Run(); });
  return true;
}

void TVideoStream::Stop() {
  if (thread_.joinable()) {
    stop_ = true;
    thread_.join();
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    // A device that has gone refuses; its buffers are released all the same.
    VideoSystem().Ioctl(fd_, VIDIOC_STREAMOFF, &type);
  }
  ReleaseBuffers();
  onFrame_ = nullptr;
  onLost_ = nullptr;
}

void TVideoStream::ReleaseBuffers() {
  if (buffers_.empty()) return;
  IVideoSystem& sys = VideoSystem();
  for (const TMappedBuffer& b : buffers_) sys.Munmap(b.Start, b.Length);
  buffers_.clear();
  v4l2_requestbuffers request{};
  request.count = 0;
  request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  request.memory = V4L2_MEMORY_MMAP;
  sys.Ioctl(fd_, VIDIOC_REQBUFS, &request);
}

void TVideoStream::Run() {
  IVideoSystem& sys = VideoSystem();
  while (!stop_) {
    int events = sys.Poll(fd_, kPollMs);
    if (events == 0) continue;
    if (events < 0 || (events & (POLLERR | POLLHUP | POLLNVAL))) break;
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    if (sys.Ioctl(fd_, VIDIOC_DQBUF, &buffer) != 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      break;
    }
    // A buffer the driver marks damaged, or one it claims is larger than its mapping, is not
    // a frame.
    if (buffer.index < buffers_.size() && buffer.bytesused > 0 &&
        buffer.bytesused <= buffers_[buffer.index].Length && !(buffer.flags & V4L2_BUF_FLAG_ERROR))
      onFrame_(static_cast<const uint8_t*>(buffers_[buffer.index].Start),
               static_cast<int>(buffer.bytesused));
    if (sys.Ioctl(fd_, VIDIOC_QBUF, &buffer) != 0) break;
  }
  if (!stop_ && onLost_) onLost_();
}

}  // namespace orv
