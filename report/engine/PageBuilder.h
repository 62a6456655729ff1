#pragma once
// TkvxPageBuilder: rebuilds prepared pages on a thread of its own, one page ahead of an export
// that draws them, and frees there the pages the export is done with. Rebuilding a page and
// freeing one cost about as much as drawing it, so the export then waits for neither.
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/rtl/Types.h"
#include "report/model/Pages.h"

namespace orv {

class TkvxPageBuilder {
 public:
  // build makes the page of an index (nullptr for none); it runs on the builder's thread only,
  // so whatever it reads must not change while the builder lives.
  explicit TkvxPageBuilder(std::function<std::unique_ptr<TkvxReportPage>(Integer)> build);
  // Finishes the work in hand; a page built and not taken is freed.
  ~TkvxPageBuilder();
  TkvxPageBuilder(const TkvxPageBuilder&) = delete;
  TkvxPageBuilder& operator=(const TkvxPageBuilder&) = delete;

  // Starts building the page of index; the page asked for before must have been taken.
  void Request(Integer index);
  // The page last asked for, once built; raises what building it raised.
  std::unique_ptr<TkvxReportPage> Take();
  // Frees the page on the builder's thread, after the work already asked for.
  void Free(std::unique_ptr<TkvxReportPage> page);

 private:
  void Run();
  void Push(std::function<void()> job);

  std::function<std::unique_ptr<TkvxReportPage>(Integer)> build_;
  std::future<std::unique_ptr<TkvxReportPage>> next_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace orv
