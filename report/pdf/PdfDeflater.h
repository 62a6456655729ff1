#pragma once
// TkvxPDFDeflater: deflates the content of closed pages on a thread of its own while the export
// draws the pages that follow, so that writing the file waits for no page's compression and the
// content cache holds deflated pages instead of their ten-times-larger text. A process with one
// processor deflates each page as it is added: a thread would only take turns with the export,
// woken for every page.
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/rtl/Streams.h"

namespace orv {

class TkvxPDFPage;
class TZCompressor;

class TkvxPDFDeflater {
 public:
  // Bodies go to the end of store (the document's content cache), or, with none, stay with their
  // pages.
  explicit TkvxPDFDeflater(TStream* store);
  // Stops the thread; what still waits is dropped.
  ~TkvxPDFDeflater();
  TkvxPDFDeflater(const TkvxPDFDeflater&) = delete;
  TkvxPDFDeflater& operator=(const TkvxPDFDeflater&) = delete;

  // Deflates content as page's body. Waits while many pages wait, so memory holds a few pages
  // whatever the page count; raises what failed before.
  void Add(TkvxPDFPage& page, std::string content);
  // Waits until every page added has its body; raises what failed.
  void Finish();
  // An empty text with the room of a page deflated before, for the next page's content to grow
  // in without growing again from nothing; an empty text without room when there is none.
  std::string Spare();

 private:
  struct TJob {
    TkvxPDFPage* Page;
    std::string Content;
  };
  void Run();
  // Deflates the job's content into its page's body; the content is left empty, its room kept.
  void Deflate(TJob& job);
  void Store(TkvxPDFPage& page, std::string_view body);
  void RaiseFailure();

  TStream* store_;
  // One stream and one output room for all the pages of the export.
  std::unique_ptr<TZCompressor> compressor_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<TJob> jobs_;
  std::vector<std::string> spares_;
  // A job taken but not yet stored.
  bool busy_ = false;
  bool stopping_ = false;
  std::exception_ptr failure_;
  // Not started on one processor.
  std::thread thread_;
};

}  // namespace orv
