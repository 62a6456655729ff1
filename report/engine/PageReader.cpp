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

TkvxPageReader::TkvxPageReader(size_t count, size_t ahead, std::function<void(size_t)> read,
                               std::function<void(size_t)> unload)
    : count_(count), ahead_(ahead), read_(std::move(read)), unload_(std::move(unload)), thread_([this] { Run(); }) {}

TkvxPageReader::~TkvxPageReader() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
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
        return stopping_ || !drawn_.empty() || (NextToRead() < count_ && NextToRead() < returned_ + ahead_);
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
    try {
      read_(next);
    } catch (...) {
      // Told where the page is needed, when it is read again.
    }
    std::lock_guard lock(mutex_);
    readCount_ = next + 1;
  }
}

void TkvxPageReader::Unload(size_t k) {
  {
    std::lock_guard lock(mutex_);
    drawn_.push_back(k);
    ++returned_;
  }
  changed_.notify_all();
}

}  // namespace orv
