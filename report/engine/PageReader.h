#pragma once
// TkvxPageReader: reads the stored pages of an export back from the document's temporary file on
// a thread of its own, a few pages ahead of the builder, and puts there the pages drawn back into
// the file. A page's stored items are then made and freed on one thread, and neither the builder
// nor the thread that draws waits on the file.
#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace orv {

class TkvxPageReader {
 public:
  // read(k) reads the k-th of count pages back, unload(k) puts it back; both on the reader's
  // thread only, at most ahead pages beyond the last one put back. A page that fails to read is
  // left as it was: whoever needs it reads it again and hears why.
  TkvxPageReader(size_t count, size_t ahead, std::function<void(size_t)> read, std::function<void(size_t)> unload);
  // Puts back the pages handed back and the pages read and not handed back.
  ~TkvxPageReader();
  TkvxPageReader(const TkvxPageReader&) = delete;
  TkvxPageReader& operator=(const TkvxPageReader&) = delete;

  // The k-th page is drawn: put it back on the reader's thread. Pages come back in order.
  void Unload(size_t k);

 private:
  void Run();
  // A page drawn before the reader came to it was read by its builder and is put back already:
  // reading it now would leave it in memory after the export.
  size_t NextToRead() const { return std::max(readCount_, returned_); }

  const size_t count_, ahead_;
  std::function<void(size_t)> read_, unload_;
  std::mutex mutex_;
  std::condition_variable changed_;
  // Pages handed back and not yet put back.
  std::vector<size_t> drawn_;
  // How many pages were handed back, and where reading stands: pages below it were read or
  // skipped.
  size_t returned_ = 0;
  size_t readCount_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace orv
