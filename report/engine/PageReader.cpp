#include "report/engine/PageReader.h"

#include <utility>

namespace orv {
namespace {

// A page read back is put back by dropping what was read: the file still holds it, and a page
// that stays in memory is only memory.
void PutBack(const std::function<void(size_t)>& unload, size_t k) {
  try {
    unload(k);
  } catch (...) {
  }
}

}  // namespace

TkvxPageReader::TkvxPageReader(size_t count, size_t ahead, size_t bytes, std::function<size_t(size_t)> read,
                               std::function<void(size_t)> unload)
    : count_(count),
      ahead_(ahead),
      bytes_(bytes),
      read_(std::move(read)),
      unload_(std::move(unload)),
      sizes_(count, 0),
      thread_([this] { Run(); }) {}

TkvxPageReader::~TkvxPageReader() {
  Stop();
  thread_.join();
  // Pages read for an export cut short go back too.
  for (size_t k = returned_; k < readCount_; ++k) PutBack(unload_, k);
}

void TkvxPageReader::Run() {
  for (;;) {
    std::vector<size_t> drawn;
    size_t next = 0;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] {
        const size_t next = NextToRead();
        return stopping_ || !drawn_.empty() ||
               (next < count_ && (next == returned_ || (next < returned_ + ahead_ && held_ < bytes_)));
      });
      if (!drawn_.empty()) {
        drawn.swap(drawn_);
      } else {
        if (stopping_) return;
        next = NextToRead();
      }
    }
    if (!drawn.empty()) {
      for (size_t k : drawn) PutBack(unload_, k);
      continue;
    }
    size_t bytes = 0;
    try {
      bytes = read_(next);
    } catch (...) {
      // Told where the page is needed, when it is read again.
    }
    {
      std::lock_guard lock(mutex_);
      readCount_ = next + 1;
      // A page handed back while it was read is no longer held.
      if (next >= returned_) {
        sizes_[next] = bytes;
        held_ += bytes;
      }
    }
    changed_.notify_all();
  }
}

void TkvxPageReader::Unload(size_t k) {
  {
    std::lock_guard lock(mutex_);
    drawn_.push_back(k);
    ++returned_;
    held_ -= sizes_[k];
    sizes_[k] = 0;
  }
  changed_.notify_all();
}

bool TkvxPageReader::WaitRead(size_t k) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this, k] { return stopping_ || readCount_ > k || returned_ > k; });
  return !stopping_;
}

void TkvxPageReader::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
}

}  // namespace orv
