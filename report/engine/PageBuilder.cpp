#include "report/engine/PageBuilder.h"

#include <utility>

namespace orv {

TkvxPageBuilder::TkvxPageBuilder(size_t count, size_t ahead,
                                 std::function<std::unique_ptr<TkvxReportPage>(size_t)> make)
    : count_(count), ahead_(ahead), make_(std::move(make)), thread_([this] { Run(); }) {}

TkvxPageBuilder::~TkvxPageBuilder() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void TkvxPageBuilder::Run() {
  for (;;) {
    std::deque<std::unique_ptr<TkvxReportPage>> done;
    size_t index = 0;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] {
        return stopping_ || !done_.empty() || (next_ < count_ && !failure_ && made_.size() < ahead_);
      });
      if (!done_.empty()) {
        done.swap(done_);
      } else {
        if (stopping_) return;
        index = next_++;
      }
    }
    if (!done.empty()) continue;  // the pages are freed here, outside the lock
    std::unique_ptr<TkvxReportPage> page;
    std::exception_ptr failure;
    try {
      page = make_(index);
    } catch (...) {
      failure = std::current_exception();
    }
    {
      std::lock_guard lock(mutex_);
      if (failure) failure_ = failure;
      else made_.push_back(std::move(page));
    }
    changed_.notify_all();
  }
}

std::unique_ptr<TkvxReportPage> TkvxPageBuilder::Take() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !made_.empty() || failure_; });
  if (made_.empty()) std::rethrow_exception(failure_);
  std::unique_ptr<TkvxReportPage> page = std::move(made_.front());
  made_.pop_front();
  lock.unlock();
  changed_.notify_all();
  return page;
}

void TkvxPageBuilder::Free(std::unique_ptr<TkvxReportPage> page) {
  if (!page) return;
  {
    std::lock_guard lock(mutex_);
    done_.push_back(std::move(page));
  }
  changed_.notify_all();
}

}  // namespace orv
