#include "report/pdf/PdfDeflater.h"

#include <libdeflate.h>

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

#include "report/pdf/PdfPage.h"

namespace orv {

namespace {

// Pages waiting at most: enough to keep the thread busy while a page is drawn.
constexpr size_t kWaiting = 8;
// Room of deflated pages kept for the next ones: a few pages' worth, none of a very long page.
constexpr size_t kSpares = 4;
constexpr size_t kSpareRoom = 1 << 20;

// Page contents deflated whole at the fastest level, in the zlib format every reader takes:
// libdeflate makes the same kind of stream in about half zlib's time, a little smaller, and a
// list's pages are mostly text to deflate. One compressor and one output room serve all pages.
class TPageCompressor {
 public:
  TPageCompressor() : compressor_(libdeflate_alloc_compressor(1)) {
    if (!compressor_) throw std::bad_alloc();
  }
  ~TPageCompressor() { libdeflate_free_compressor(compressor_); }
  TPageCompressor(const TPageCompressor&) = delete;
  TPageCompressor& operator=(const TPageCompressor&) = delete;

  // data deflated; valid until the next call.
  std::string_view Compress(std::string_view data) {
    const size_t bound = libdeflate_zlib_compress_bound(compressor_, data.size());
    // A page far larger than the rest does not keep its room for all those that follow.
    if (out_.size() < bound || out_.size() > std::max(bound, kSpareRoom)) out_.resize(bound);
    const size_t made = libdeflate_zlib_compress(compressor_, data.data(), data.size(), out_.data(), out_.size());
    // Within the bound the compressor always finishes.
    if (made == 0) throw std::bad_alloc();
    return {out_.data(), made};
  }

 private:
  libdeflate_compressor* compressor_;
  std::string out_;
};

}  // namespace

TkvxPDFDeflater::TkvxPDFDeflater(TStream* store) : store_(store), thread_([this] { Run(); }) {}

TkvxPDFDeflater::~TkvxPDFDeflater() {
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

void TkvxPDFDeflater::Run() {
  // One stream and one output room for all the pages of the export.
  std::unique_ptr<TPageCompressor> compressor;
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
      if (!compressor) compressor = std::make_unique<TPageCompressor>();
      Store(*job.Page, compressor->Compress(job.Content));
    } catch (...) {
      failure = std::current_exception();
    }
    job.Content.clear();
    lock.lock();
    if (spares_.size() < kSpares && job.Content.capacity() <= kSpareRoom) spares_.push_back(std::move(job.Content));
    busy_ = false;
    if (failure && !failure_) failure_ = failure;
    changed_.notify_all();
  }
}

}  // namespace orv
