#include "platform/sheet/SheetRowSpool.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/rtl/Dispatch.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"

namespace orv {

namespace {

[[noreturn]] void SpoolError(const char* what) {
  throw EOleException(String("The sheet's rows cannot be kept in a temporary file: ") + what + ": " +
                          std::strerror(errno),
                      DISP_E_EXCEPTION, "Sheet", "");
}

constexpr size_t kFlushAt = 1 << 18;
// What a reader takes from the file at a time.
constexpr size_t kReadAt = 1 << 18;
// A cell's kind in its first byte; this bit says a style index follows.
constexpr unsigned char kStyled = 0x80;

void PutVarint(std::string& out, std::uint64_t n) {
  while (n >= 0x80) {
    out += static_cast<char>((n & 0x7F) | 0x80);
    n >>= 7;
  }
  out += static_cast<char>(n);
}

std::uint64_t GetVarint(const std::string& in, size_t& at) {
  std::uint64_t n = 0;
  for (int shift = 0;; shift += 7) {
    auto byte = static_cast<unsigned char>(in[at++]);
    n |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return n;
  }
}

}  // namespace

SheetRowSpool::SheetRowSpool() {
  String name;
  try {
    name = CreateTempFile(GetTempDir(), "orvane-rows.");
  } catch (const EInOutError&) {
    SpoolError("create");
  }
  fd_ = ::open(name.c_str(), O_RDWR | O_CLOEXEC);
  int opened = errno;
  ::unlink(name.c_str());
  errno = opened;
  if (fd_ < 0) SpoolError("open");
}

SheetRowSpool::~SheetRowSpool() {
  if (fd_ >= 0) ::close(fd_);
}

void SheetRowSpool::Append(const std::vector<SheetCell>& cells, SheetStrings& strings) {
  std::string row;
  PutVarint(row, cells.size());
  for (const SheetCell& cell : cells) {
    row += static_cast<char>(static_cast<unsigned char>(cell.Kind) | (cell.Style ? kStyled : 0));
    if (cell.Style) PutVarint(row, cell.Style);
    switch (cell.Kind) {
      case SheetCellKind::Empty: break;
      case SheetCellKind::Number: row.append(reinterpret_cast<const char*>(&cell.Number), sizeof cell.Number); break;
      case SheetCellKind::Boolean: row += static_cast<char>(cell.Boolean); break;
      case SheetCellKind::Text: {
        // The index shifted up with its lowest bit set, or the length shifted up and the text.
        if (strings.KeepShared(cell.Text)) {
          PutVarint(row, std::uint64_t(cell.Text) << 1 | 1);
          break;
        }
        const String& text = strings[cell.Text];
        PutVarint(row, std::uint64_t(text.size()) << 1);
        row += text;
        break;
      }
      case SheetCellKind::Formula: PutVarint(row, cell.Text); break;
    }
  }
  PutVarint(pending_, row.size());
  pending_ += row;
  ++count_;
  if (pending_.size() >= kFlushAt) Flush();
}

void SheetRowSpool::Flush() const {
  for (size_t done = 0; done < pending_.size();) {
    ssize_t n = ::pwrite(fd_, pending_.data() + done, pending_.size() - done, static_cast<off_t>(size_ + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) SpoolError("write");
    done += static_cast<size_t>(n);
  }
  size_ += pending_.size();
  pending_.clear();
}

SheetRowSpool::Reader::Reader(const SheetRowSpool& spool) : spool_(spool) { spool_.Flush(); }

void SheetRowSpool::Reader::Need(size_t n) {
  if (buffer_.size() - at_ >= n) return;
  buffer_.erase(0, at_);
  at_ = 0;
  size_t want = std::max(n, kReadAt);
  size_t had = buffer_.size();
  buffer_.resize(had + want);
  size_t got = 0;
  while (had + got < n || got == 0) {
    ssize_t r = ::pread(spool_.fd_, buffer_.data() + had + got, want - got, static_cast<off_t>(fileAt_ + got));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) SpoolError("read");
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  fileAt_ += got;
  buffer_.resize(had + got);
  if (buffer_.size() < n) {
    errno = EIO;
    SpoolError("read");
  }
}

void SheetRowSpool::Reader::Next(std::vector<SheetCell>& cells, SheetStrings& strings, bool keep) {
  // A row's length takes at most ten bytes before it.
  Need(std::min<size_t>(10, buffer_.size() - at_ + (spool_.size_ - fileAt_)));
  size_t length = GetVarint(buffer_, at_);
  Need(length);
  size_t end = at_ + length;
  cells.resize(GetVarint(buffer_, at_));
  for (SheetCell& cell : cells) {
    auto first = static_cast<unsigned char>(buffer_[at_++]);
    cell = SheetCell();
    cell.Kind = static_cast<SheetCellKind>(first & ~kStyled);
    if (first & kStyled) cell.Style = static_cast<std::uint32_t>(GetVarint(buffer_, at_));
    switch (cell.Kind) {
      case SheetCellKind::Empty: break;
      case SheetCellKind::Number:
        std::memcpy(&cell.Number, buffer_.data() + at_, sizeof cell.Number);
        at_ += sizeof cell.Number;
        break;
      case SheetCellKind::Boolean: cell.Boolean = buffer_[at_++] != 0; break;
      case SheetCellKind::Text: {
        const std::uint64_t shared = GetVarint(buffer_, at_);
        if (shared & 1) {
          cell.Text = static_cast<std::uint32_t>(shared >> 1);
          break;
        }
        const size_t length = shared >> 1;
        const std::string_view text(buffer_.data() + at_, length);
        cell.Text = keep ? strings.Intern(text) : strings.Transient(text);
        at_ += length;
        break;
      }
      case SheetCellKind::Formula: cell.Text = static_cast<std::uint32_t>(GetVarint(buffer_, at_)); break;
    }
  }
  at_ = end;
}

}  // namespace orv
