#pragma once
// TkvxPageBuilder: makes the pages of an export in order on a thread of its own, a few pages
// ahead of the export that draws them, and frees there the pages the export is done with (the
// allocator then takes them back where it gave them out, without waiting on another thread).
// Rebuilding and freeing a page cost about as much as drawing it, so the export waits for
// neither.
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "report/model/Pages.h"

namespace orv {

class TkvxPageBuilder {
 public:
  // make(k) makes the k-th of count pages (nullptr for none) on the builder's thread only, so
  // whatever it reads must not change while the builder lives; at most ahead pages wait made.
  TkvxPageBuilder(size_t count, size_t ahead, std::function<std::unique_ptr<TkvxReportPage>(size_t)> make);
  // Lets the page in hand be finished, frees the pages handed back, and frees the pages made
  // and not taken.
  ~TkvxPageBuilder();
  TkvxPageBuilder(const TkvxPageBuilder&) = delete;
  TkvxPageBuilder& operator=(const TkvxPageBuilder&) = delete;

  // The next page in order, waiting for it; raises what making it raised, and nothing more is
  // made after a failure.
  std::unique_ptr<TkvxReportPage> Take();
  // Frees the page on the builder's thread.
  void Free(std::unique_ptr<TkvxReportPage> page);

 private:
  void Run();

  const size_t count_, ahead_;
  std::function<std::unique_ptr<TkvxReportPage>(size_t)> make_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<TkvxReportPage>> made_;
  std::deque<std::unique_ptr<TkvxReportPage>> done_;
  size_t next_ = 0;
  std::exception_ptr failure_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace orv
