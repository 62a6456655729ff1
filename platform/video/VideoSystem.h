#pragma once
// The system calls that drive a V4L2 capture device. Everything the capture code asks of the
// kernel passes through one IVideoSystem, so a simulated device can stand in for a camera.
#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace orv {

class IVideoSystem {
 public:
  virtual ~IVideoSystem() = default;
  // The device nodes that may be cameras, "/dev/video0" before "/dev/video1" before
  // "/dev/video10".
  virtual std::vector<std::string> DeviceNodes() = 0;
  // The calls below behave as their system namesakes: -1 (MAP_FAILED for Mmap) with errno set
  // on failure.
  virtual int Open(const std::string& path) = 0;
  virtual int Close(int fd) = 0;
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
  virtual void* Mmap(size_t length, int fd, off_t offset) = 0;
  virtual int Munmap(void* address, size_t length) = 0;
  // Waits until a frame can be dequeued: the poll revents of fd, 0 on timeout, -1 on failure.
  virtual int Poll(int fd, int timeoutMs) = 0;
};

// The calls in use: the kernel's, unless a test installed another.
IVideoSystem& VideoSystem();
// Installs system (nullptr restores the kernel's) and returns the one it replaces.
std::unique_ptr<IVideoSystem> SetVideoSystem(std::unique_ptr<IVideoSystem> system);

}  // namespace orv
