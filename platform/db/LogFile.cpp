#include "platform/db/LogFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <vector>

namespace orv {

namespace {

std::uint32_t Big32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// The log's running checksum over words of the byte order its magic number names.
struct TLogChecksum {
  bool bigEndian = true;
  std::uint32_t s0 = 0, s1 = 0;
  void Add(const unsigned char* data, size_t size) {
    for (size_t i = 0; i + 8 <= size; i += 8) {
      std::uint32_t a = bigEndian ? Big32(data + i) : (std::uint32_t{data[i + 3]} << 24) | (std::uint32_t{data[i + 2]} << 16) |
                                                          (std::uint32_t{data[i + 1]} << 8) | data[i];
      std::uint32_t b = bigEndian ? Big32(data + i + 4)
                                  : (std::uint32_t{data[i + 7]} << 24) | (std::uint32_t{data[i + 6]} << 16) |
                                        (std::uint32_t{data[i + 5]} << 8) | data[i + 4];
      s0 += a + s1;
      s1 += b + s0;
    }
  }
};

class TFileDescriptor {
 public:
  explicit TFileDescriptor(const String& file) : fd_(::open(file.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~TFileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  int Get() const { return fd_; }
  bool Read(void* buffer, size_t size, off_t at) const {
    return fd_ >= 0 && ::pread(fd_, buffer, size, at) == static_cast<ssize_t>(size);
  }

 private:
  int fd_;
};

}  // namespace

bool ReadDatabaseHeader(int fd, TDatabaseHeader& header) {
  unsigned char h[100];
  if (fd < 0 || ::pread(fd, h, sizeof h, 0) != static_cast<ssize_t>(sizeof h)) return false;
  static const char kMagic[] = "SQLite format 3";
  for (size_t i = 0; i < sizeof kMagic; ++i)
    if (h[i] != static_cast<unsigned char>(kMagic[i])) return false;
  const std::uint32_t size = (std::uint32_t{h[16]} << 8) | h[17];
  header = {Big32(h + 24), Big32(h + 28), size == 1 ? 65536u : size};
  return true;
}

bool LogBelongsToDatabase(const String& databaseFile) {
  TFileDescriptor log(databaseFile + "-wal");
  unsigned char head[32];
  if (!log.Read(head, sizeof head, 0)) return true;
  const std::uint32_t magic = Big32(head);
  if ((magic & ~1u) != 0x377f0682u) return true;
  TLogChecksum sum;
  sum.bigEndian = (magic & 1u) != 0;
  sum.Add(head, 24);
  // A log whose own header does not hold is no log: SQLite reads nothing of it.
  if (sum.s0 != Big32(head + 24) || sum.s1 != Big32(head + 28)) return true;
  const std::uint32_t pageSize = Big32(head + 8);
  if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) return true;

  // The first page in committed frames, in the order written: its change counter and where the
  // frame is.
  struct TFirstPage {
    std::uint32_t Counter;
    off_t At;
  };
  std::vector<TFirstPage> committed, pending;
  std::vector<unsigned char> frame(24 + pageSize);
  for (off_t at = 32;; at += static_cast<off_t>(frame.size())) {
    if (!log.Read(frame.data(), frame.size(), at)) break;
    if (Big32(frame.data() + 8) != Big32(head + 16) || Big32(frame.data() + 12) != Big32(head + 20)) break;
    TLogChecksum next = sum;
    next.Add(frame.data(), 8);
    next.Add(frame.data() + 24, pageSize);
    if (next.s0 != Big32(frame.data() + 16) || next.s1 != Big32(frame.data() + 20)) break;
    sum = next;
    if (Big32(frame.data()) == 1) pending.push_back({Big32(frame.data() + 24 + 24), at + 24});
    // A frame that commits: what came before it counts.
    if (Big32(frame.data() + 4) != 0) {
      committed.insert(committed.end(), pending.begin(), pending.end());
      pending.clear();
    }
  }
  if (committed.empty()) return true;
  TFileDescriptor file(databaseFile);
  TDatabaseHeader header;
  // An empty or unreadable file has no state to mix with.
  if (!ReadDatabaseHeader(file.Get(), header)) return true;
  if (header.PageSize != pageSize) return false;
  // The file as it was before the log's first change.
  if (header.ChangeCounter + 1 == committed.front().Counter) return true;
  // Or as a checkpoint left it part way: its first page is the last one the log wrote with that
  // counter.
  for (auto it = committed.rbegin(); it != committed.rend(); ++it) {
    if (it->Counter != header.ChangeCounter) continue;
    std::vector<unsigned char> logged(pageSize), held(pageSize);
    return log.Read(logged.data(), pageSize, it->At) && file.Read(held.data(), pageSize, 0) && logged == held;
  }
  return false;
}

}  // namespace orv
