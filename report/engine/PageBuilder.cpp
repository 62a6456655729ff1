#include "report/engine/PageBuilder.h"

#include <utility>

namespace orv {

TkvxPageBuilder::TkvxPageBuilder(std::function<std::unique_ptr<TkvxReportPage>(Integer)> build)
    : build_(std::move(build)), thread_([this] { Run(); }) {}

TkvxPageBuilder::~TkvxPageBuilder() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_one();
  thread_.join();
}

void TkvxPageBuilder::Run() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      // Pages asked for are built and pages handed back freed even when stopping: the pages'
      // sources and the objects they were built from outlive the builder.
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job();
  }
}

void TkvxPageBuilder::Push(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  changed_.notify_one();
}

void TkvxPageBuilder::Request(Integer index) {
  auto task = std::make_shared<std::packaged_task<std::unique_ptr<TkvxReportPage>()>>(
      [this, index] { return build_(index); });
  next_ = task->get_future();
  Push([task] { (*task)(); });
}

std::unique_ptr<TkvxReportPage> TkvxPageBuilder::Take() { return next_.get(); }

void TkvxPageBuilder::Free(std::unique_ptr<TkvxReportPage> page) {
  if (!page) return;
  std::shared_ptr<TkvxReportPage> held(std::move(page));
  Push([held = std::move(held)]() mutable { held.reset(); });
}

}  // namespace orv
