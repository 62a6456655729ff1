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
  // read(k) reads the k-th of count pages back and says how many bytes it holds, unload(k) puts
  // it back; both on the reader's thread only, at most ahead pages beyond the last one put back,
  // and no page more once the pages read and not put back hold bytes (one page always comes:
  // the export needs it however large it is). A page that fails to read is left as it was:
  // whoever needs it reads it again and hears why.
  TkvxPageReader(size_t count, size_t ahead, size_t bytes, std::function<size_t(size_t)> read,
                 std::function<void(size_t)> unload);
  // Puts back the pages handed back and the pages read and not handed back.
  ~TkvxPageReader();
  TkvxPageReader(const TkvxPageReader&) = delete;
  TkvxPageReader& operator=(const TkvxPageReader&) = delete;

  // The k-th page is drawn: put it back on the reader's thread. Pages come back in order.
  void Unload(size_t k);
  // Waits until the k-th page is read, which holds what is made of it within the reader's
  // bounds; false once the reader stops.
  bool WaitRead(size_t k);
  // Reads no more and lets every wait end: the export stops drawing pages.
  void Stop();

 private:
  void Run();
  // A page drawn before the reader came to it was read by its builder and is put back already:
  // reading it now would leave it in memory after the export.
  size_t NextToRead() const { return std::max(readCount_, returned_); }

  const size_t count_, ahead_, bytes_;
  std::function<size_t(size_t)> read_;
  std::function<void(size_t)> unload_;
  std::mutex mutex_;
  std::condition_variable changed_;
  // Pages handed back and not yet put back.
  std::vector<size_t> drawn_;
  // How many pages were handed back, and where reading stands: pages below it were read or
  // skipped.
  size_t returned_ = 0;
  size_t readCount_ = 0;
  // The bytes of every page read, and of those read and not handed back.
  std::vector<size_t> sizes_;
  size_t held_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace orv
