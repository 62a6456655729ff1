#pragma once
// Test support: cameras simulated at the system-call boundary. A test installs a
// TSimulatedVideoSystem, adds cameras to it, pushes frames as a driver would fill them, and
// can make a camera fail or vanish in the middle of a stream.
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/video/VideoDevice.h"
#include "platform/video/VideoSystem.h"

namespace orv::test {

struct TSimulatedFormat {
  uint32_t FourCC;
  int Width;
  int Height;
  // The frame rate the camera offers at this size.
  int Rate = 30;
};

class TSimulatedCamera {
 public:
  TSimulatedCamera(std::string name, std::vector<TSimulatedFormat> formats,
                   uint32_t caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING)
      : name_(std::move(name)), caps_(caps), formats_(std::move(formats)) {
    if (!formats_.empty()) current_ = formats_.front();
  }

  // Queues a frame as the driver would deliver it next; it waits for a free buffer.
  void PushFrame(std::vector<uint8_t> bytes) {
    std::lock_guard lock(m_);
    pending_.push_back(std::move(bytes));
    Fill();
    cv_.notify_all();
  }
  // The device is unplugged: every call on it fails from now on.
  void Vanish() {
    std::lock_guard lock(m_);
    vanished_ = true;
    cv_.notify_all();
  }
  void SetFailStreamOn(bool fail) {
    std::lock_guard lock(m_);
    failStreamOn_ = fail;
  }
  void SetFormatUnknown(bool unknown) {
    std::lock_guard lock(m_);
    formatUnknown_ = unknown;
  }
  // Opening the node fails with this errno (EACCES: the user may not use the camera).
  void SetOpenError(int error) {
    std::lock_guard lock(m_);
    openError_ = error;
  }
  // Rows of uncompressed frames are this many bytes longer than their pixels.
  void SetRowPadding(int bytes) {
    std::lock_guard lock(m_);
    rowPadding_ = bytes;
  }
  // The format the capture code left the camera in, and the rate it asked for (0: none).
  TSimulatedFormat Current() {
    std::lock_guard lock(m_);
    return current_;
  }
  double RequestedRate() {
    std::lock_guard lock(m_);
    return requestedRate_;
  }
  bool Streaming() {
    std::lock_guard lock(m_);
    return streaming_;
  }
  // Buffers still mapped and descriptors still open: both 0 when the capture code cleaned up.
  int Mapped() {
    std::lock_guard lock(m_);
    return mapped_;
  }
  int OpenCount() {
    std::lock_guard lock(m_);
    return open_;
  }
  // Waits until every pushed frame went through the capture code and its buffer came back
  // (or the time runs out).
  bool WaitDrained(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    std::unique_lock lock(m_);
    return cv_.wait_for(lock, limit, [this] {
      return pending_.empty() && filled_.empty() && outstanding_ == 0;
    });
  }

 private:
  friend class TSimulatedVideoSystem;
  static constexpr size_t kBufferLength = 4 << 20;

  // Moves pending frames into free buffers while streaming.
  void Fill() {
    while (streaming_ && !pending_.empty() && !queued_.empty()) {
      int index = queued_.front();
      queued_.pop_front();
      std::vector<uint8_t>& frame = pending_.front();
      if (!frame.empty()) std::memcpy(buffers_[index].data(), frame.data(), frame.size());
      filled_.push_back({index, frame.size()});
      pending_.pop_front();
    }
  }

  int Ioctl(unsigned long request, void* arg) {
    std::lock_guard lock(m_);
    if (vanished_) return Error(ENODEV);
    switch (request) {
      case VIDIOC_QUERYCAP: {
        auto* cap = static_cast<v4l2_capability*>(arg);
        *cap = {};
        std::strncpy(reinterpret_cast<char*>(cap->card), name_.c_str(), sizeof cap->card - 1);
        std::strcpy(reinterpret_cast<char*>(cap->driver), "simulated");
        cap->capabilities = caps_ | V4L2_CAP_DEVICE_CAPS;
        cap->device_caps = caps_;
        return 0;
      }
      case VIDIOC_ENUM_FMT: {
        auto* desc = static_cast<v4l2_fmtdesc*>(arg);
        std::vector<uint32_t> codes;
        for (const TSimulatedFormat& f : formats_)
          if (std::find(codes.begin(), codes.end(), f.FourCC) == codes.end()) codes.push_back(f.FourCC);
        if (desc->index >= codes.size()) return Error(EINVAL);
        desc->pixelformat = codes[desc->index];
        return 0;
      }
      case VIDIOC_ENUM_FRAMESIZES: {
        auto* size = static_cast<v4l2_frmsizeenum*>(arg);
        uint32_t n = 0;
        for (const TSimulatedFormat& f : formats_) {
          if (f.FourCC != size->pixel_format) continue;
          if (n++ == size->index) {
            size->type = V4L2_FRMSIZE_TYPE_DISCRETE;
            size->discrete.width = static_cast<uint32_t>(f.Width);
            size->discrete.height = static_cast<uint32_t>(f.Height);
            return 0;
          }
        }
        return Error(EINVAL);
      }
      case VIDIOC_ENUM_FRAMEINTERVALS: {
        auto* interval = static_cast<v4l2_frmivalenum*>(arg);
        for (const TSimulatedFormat& f : formats_)
          if (f.FourCC == interval->pixel_format && f.Width == int(interval->width) &&
              f.Height == int(interval->height) && interval->index == 0) {
            interval->type = V4L2_FRMIVAL_TYPE_DISCRETE;
            interval->discrete = {1, static_cast<uint32_t>(f.Rate)};
            return 0;
          }
        return Error(EINVAL);
      }
      case VIDIOC_G_FMT: {
        auto* f = static_cast<v4l2_format*>(arg);
        if (formatUnknown_ || formats_.empty()) return Error(EINVAL);
        f->fmt.pix.width = static_cast<uint32_t>(current_.Width);
        f->fmt.pix.height = static_cast<uint32_t>(current_.Height);
        f->fmt.pix.pixelformat = current_.FourCC;
        f->fmt.pix.bytesperline = static_cast<uint32_t>(BytesPerLine());
        return 0;
      }
      case VIDIOC_S_FMT: {
        // As a driver does: the nearest size it has in that format, else its first format.
        auto* f = static_cast<v4l2_format*>(arg);
        if (streaming_ || !buffers_.empty()) return Error(EBUSY);
        const TSimulatedFormat* best = nullptr;
        for (const TSimulatedFormat& c : formats_) {
          if (c.FourCC != f->fmt.pix.pixelformat) continue;
          auto distance = [&](const TSimulatedFormat& x) {
            return std::abs(x.Width - int(f->fmt.pix.width)) + std::abs(x.Height - int(f->fmt.pix.height));
          };
          if (!best || distance(c) < distance(*best)) best = &c;
        }
        if (!best && !formats_.empty()) best = &formats_.front();
        if (best) current_ = *best;
        f->fmt.pix.width = static_cast<uint32_t>(current_.Width);
        f->fmt.pix.height = static_cast<uint32_t>(current_.Height);
        f->fmt.pix.pixelformat = current_.FourCC;
        f->fmt.pix.bytesperline = static_cast<uint32_t>(BytesPerLine());
        return 0;
      }
      case VIDIOC_G_PARM:
      case VIDIOC_S_PARM: {
        auto* parm = static_cast<v4l2_streamparm*>(arg);
        if (request == VIDIOC_S_PARM && parm->parm.capture.timeperframe.numerator > 0)
          requestedRate_ = double(parm->parm.capture.timeperframe.denominator) /
                           parm->parm.capture.timeperframe.numerator;
        parm->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
        parm->parm.capture.timeperframe = {1, static_cast<uint32_t>(current_.Rate)};
        return 0;
      }
      case VIDIOC_REQBUFS: {
        auto* r = static_cast<v4l2_requestbuffers*>(arg);
        if (r->memory != V4L2_MEMORY_MMAP) return Error(EINVAL);
        queued_.clear();
        filled_.clear();
        outstanding_ = 0;
        buffers_.assign(r->count, std::vector<uint8_t>(r->count ? kBufferLength : 0));
        return 0;
      }
      case VIDIOC_QUERYBUF: {
        auto* b = static_cast<v4l2_buffer*>(arg);
        if (b->index >= buffers_.size()) return Error(EINVAL);
        b->length = kBufferLength;
        b->m.offset = b->index * 4096;
        return 0;
      }
      case VIDIOC_QBUF: {
        auto* b = static_cast<v4l2_buffer*>(arg);
        if (b->index >= buffers_.size()) return Error(EINVAL);
        queued_.push_back(static_cast<int>(b->index));
        if (outstanding_ > 0) --outstanding_;
        Fill();
        cv_.notify_all();
        return 0;
      }
      case VIDIOC_DQBUF: {
        auto* b = static_cast<v4l2_buffer*>(arg);
        if (filled_.empty()) return Error(EAGAIN);
        b->index = static_cast<uint32_t>(filled_.front().first);
        b->bytesused = static_cast<uint32_t>(filled_.front().second);
        filled_.pop_front();
        ++outstanding_;
        cv_.notify_all();
        return 0;
      }
      case VIDIOC_STREAMON:
        if (failStreamOn_) return Error(EIO);
        streaming_ = true;
        Fill();
        cv_.notify_all();
        return 0;
      case VIDIOC_STREAMOFF:
        streaming_ = false;
        for (auto& f : filled_) queued_.push_back(f.first);
        filled_.clear();
        outstanding_ = 0;
        cv_.notify_all();
        return 0;
      default:
        return Error(ENOTTY);
    }
  }

  int Poll(int timeoutMs) {
    std::unique_lock lock(m_);
    cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                 [this] { return vanished_ || !filled_.empty(); });
    if (vanished_) return POLLERR;
    return filled_.empty() ? 0 : POLLIN;
  }

  static int Error(int error) {
    errno = error;
    return -1;
  }

  // Uncompressed rows: their pixels' bytes and the padding; 0 for compressed frames.
  int BytesPerLine() const {
    switch (current_.FourCC) {
      case FourCCCode("YUYV"): case FourCCCode("UYVY"): return current_.Width * 2 + rowPadding_;
      case FourCCCode("BGR3"): case FourCCCode("RGB3"): return current_.Width * 3 + rowPadding_;
      case FourCCCode("YU12"): case FourCCCode("YV12"): case FourCCCode("NV12"): case FourCCCode("GREY"):
        return current_.Width + rowPadding_;
      default: return 0;
    }
  }

  std::mutex m_;
  std::condition_variable cv_;
  std::string name_;
  uint32_t caps_;
  std::vector<TSimulatedFormat> formats_;
  TSimulatedFormat current_{};
  std::vector<std::vector<uint8_t>> buffers_;
  std::deque<int> queued_;
  std::deque<std::pair<int, size_t>> filled_;
  std::deque<std::vector<uint8_t>> pending_;
  bool streaming_ = false;
  bool vanished_ = false;
  bool failStreamOn_ = false;
  bool formatUnknown_ = false;
  int openError_ = 0;
  int rowPadding_ = 0;
  double requestedRate_ = 0;
  int outstanding_ = 0;
  int mapped_ = 0;
  int open_ = 0;
};

class TSimulatedVideoSystem : public IVideoSystem {
 public:
  // Adds a camera at the next node, "/dev/video0" first.
  std::shared_ptr<TSimulatedCamera> Add(std::shared_ptr<TSimulatedCamera> camera) {
    std::lock_guard lock(m_);
    nodes_.emplace_back("/dev/video" + std::to_string(nodes_.size()), camera);
    return camera;
  }

  std::vector<std::string> DeviceNodes() override {
    std::lock_guard lock(m_);
    std::vector<std::string> paths;
    for (auto& node : nodes_) paths.push_back(node.first);
    return paths;
  }
  int Open(const std::string& path) override {
    std::lock_guard lock(m_);
    for (auto& node : nodes_) {
      if (node.first != path) continue;
      std::lock_guard cameraLock(node.second->m_);
      if (node.second->vanished_) break;
      if (node.second->openError_) {
        errno = node.second->openError_;
        return -1;
      }
      ++node.second->open_;
      fds_[next_] = node.second;
      return next_++;
    }
    errno = ENOENT;
    return -1;
  }
  int Close(int fd) override {
    auto camera = Find(fd);
    if (!camera) return TSimulatedCamera::Error(EBADF);
    {
      std::lock_guard cameraLock(camera->m_);
      --camera->open_;
    }
    std::lock_guard lock(m_);
    fds_.erase(fd);
    return 0;
  }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    auto camera = Find(fd);
    return camera ? camera->Ioctl(request, arg) : TSimulatedCamera::Error(EBADF);
  }
  void* Mmap(size_t length, int fd, off_t offset) override {
    auto camera = Find(fd);
    if (!camera) {
      errno = EBADF;
      return MAP_FAILED;
    }
    std::lock_guard cameraLock(camera->m_);
    size_t index = static_cast<size_t>(offset) / 4096;
    if (camera->vanished_ || index >= camera->buffers_.size() ||
        length > camera->buffers_[index].size()) {
      errno = EINVAL;
      return MAP_FAILED;
    }
    ++camera->mapped_;
    return camera->buffers_[index].data();
  }
  int Munmap(void*, size_t) override {
    // The mapping belongs to whichever camera made it; every test uses one at a time.
    std::lock_guard lock(m_);
    for (auto& node : nodes_) {
      std::lock_guard cameraLock(node.second->m_);
      if (node.second->mapped_ > 0) {
        --node.second->mapped_;
        return 0;
      }
    }
    errno = EINVAL;
    return -1;
  }
  int Poll(int fd, int timeoutMs) override {
    auto camera = Find(fd);
    return camera ? camera->Poll(timeoutMs) : -1;
  }

 private:
  std::shared_ptr<TSimulatedCamera> Find(int fd) {
    std::lock_guard lock(m_);
    auto it = fds_.find(fd);
    return it == fds_.end() ? nullptr : it->second;
  }

  std::mutex m_;
  std::vector<std::pair<std::string, std::shared_ptr<TSimulatedCamera>>> nodes_;
  std::map<int, std::shared_ptr<TSimulatedCamera>> fds_;
  int next_ = 100;
};

// Installs a simulated system for the scope of a test and puts the kernel's back after it.
class TSimulatedVideoScope {
 public:
  TSimulatedVideoScope() {
    auto system = std::make_unique<TSimulatedVideoSystem>();
    system_ = system.get();
    SetVideoSystem(std::move(system));
  }
  ~TSimulatedVideoScope() { SetVideoSystem(nullptr); }
  TSimulatedVideoSystem* operator->() { return system_; }

 private:
  TSimulatedVideoSystem* system_;
};

}  // namespace orv::test
