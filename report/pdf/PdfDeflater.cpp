#include "report/pdf/PdfDeflater.h"

#include <memory>
#include <utility>

#include "platform/rtl/Processors.h"
#include "png/ZLibStreams.h"
#include "report/pdf/PdfPage.h"

namespace orv {

namespace {

// Pages waiting at most: enough to keep the thread busy while a page is drawn.
constexpr size_t kWaiting = 8;
// Room of deflated pages kept for the next ones: a few pages' worth, none of a very long page.
constexpr size_t kSpares = 4;
constexpr size_t kSpareRoom = 1 << 20;

}  // namespace

TkvxPDFDeflater::TkvxPDFDeflater(TStream* store) : store_(store) {
  if (UsableProcessors() > 1) thread_ = std::thread([this] { Run(); });
}

TkvxPDFDeflater::~TkvxPDFDeflater() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    jobs_.clear();
  }
  changed_.notify_all();
  thread_.join();
}

void TkvxPDFDeflater::RaiseFailure() {
  if (failure_) std::rethrow_exception(failure_);
}

void TkvxPDFDeflater::Add(TkvxPDFPage& page, std::string content) {
  if (!thread_.joinable()) {
    std::lock_guard<std::mutex> lock(mutex_);
    RaiseFailure();
    TJob job{&page, std::move(content)};
    try {
      Deflate(job);
    } catch (...) {
      // A failed write leaves the document unfinished: every later page and the end raise it.
      failure_ = std::current_exception();
      throw;
    }
    if (spares_.size() < kSpares && job.Content.capacity() <= kSpareRoom) spares_.push_back(std::move(job.Content));
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return failure_ || jobs_.size() < kWaiting; });
  RaiseFailure();
  jobs_.push_back({&page, std::move(content)});
  changed_.notify_all();
}

void TkvxPDFDeflater::Finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return failure_ || (jobs_.empty() && !busy_); });
  RaiseFailure();
}

std::string TkvxPDFDeflater::Spare() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (spares_.empty()) return std::string();
  std::string spare = std::move(spares_.back());
  spares_.pop_back();
  return spare;
}

void TkvxPDFDeflater::Store(TkvxPDFPage& page, std::string_view body) {
  if (!store_) {
    page.content_.assign(body);
    return;
  }
  store_->Seek(0, soEnd);
  page.StreamOffset = store_->Position();
  page.StreamSize = static_cast<Int64>(body.size());
  store_->WriteBuffer(body.data(), page.StreamSize);
}

void TkvxPDFDeflater::Deflate(TJob& job) {
  if (!compressor_) compressor_ = std::make_unique<TZCompressor>(zcFastest);
  Store(*job.Page, compressor_->Compress(job.Content));
  job.Content.clear();
}

void TkvxPDFDeflater::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
    if (stopping_) return;
    TJob job = std::move(jobs_.front());
    jobs_.pop_front();
    busy_ = true;
    changed_.notify_all();
    lock.unlock();
    std::exception_ptr failure;
    try {
      Deflate(job);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    if (spares_.size() < kSpares && job.Content.capacity() <= kSpareRoom) spares_.push_back(std::move(job.Content));
    busy_ = false;
    if (failure && !failure_) failure_ = failure;
    changed_.notify_all();
  }
}

}  // namespace orv
