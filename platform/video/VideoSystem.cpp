#include "platform/video/VideoSystem.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace orv {

namespace {

class TKernelVideoSystem : public IVideoSystem {
 public:
  std::vector<std::string> DeviceNodes() override {
    std::vector<std::pair<long, std::string>> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error)) {
      std::string name = entry.path().filename().string();
      if (name.rfind("video", 0) != 0 || name.size() == 5) continue;
      char* end = nullptr;
      long number = std::strtol(name.c_str() + 5, &end, 10);
      if (*end == 0) found.emplace_back(number, entry.path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> nodes;
    for (auto& node : found) nodes.push_back(std::move(node.second));
    return nodes;
  }
  int Open(const std::string& path) override {
    // Non-blocking, so a dequeue never waits: the stream's thread waits in Poll, where it
    // also notices that it is asked to stop.
    return ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  }
  int Close(int fd) override { return ::close(fd); }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    int result;
    do result = ::ioctl(fd, request, arg);
    while (result == -1 && errno == EINTR);
    return result;
  }
  void* Mmap(size_t length, int fd, off_t offset) override {
    return ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
  }
  int Munmap(void* address, size_t length) override { return ::munmap(address, length); }
  int Poll(int fd, int timeoutMs) override {
    pollfd p{fd, POLLIN, 0};
    int result = ::poll(&p, 1, timeoutMs);
    if (result < 0) return errno == EINTR ? 0 : -1;
    return result == 0 ? 0 : p.revents;
  }
};

std::unique_ptr<IVideoSystem>& Installed() {
  static std::unique_ptr<IVideoSystem> system = std::make_unique<TKernelVideoSystem>();
  return system;
}

}  // namespace

IVideoSystem& VideoSystem() { return *Installed(); }

std::unique_ptr<IVideoSystem> SetVideoSystem(std::unique_ptr<IVideoSystem> system) {
  if (!system) system = std::make_unique<TKernelVideoSystem>();
  std::swap(system, Installed());
  return system;
}

}  // namespace orv
