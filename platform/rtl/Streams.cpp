#include "platform/rtl/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/MemoryAccount.h"
#include "platform/rtl/TypInfo.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TStream, c) {}
ORV_IMPLEMENT_CLASS(TMemoryStream, c) {}
ORV_IMPLEMENT_CLASS(TFileStream, c) {}
ORV_IMPLEMENT_CLASS(TStringStream, c) {}

namespace {

Int64 ClampedSeek(Int64 position, Int64 size, Int64 offset, TSeekOrigin origin) {
  Int64 base = origin == soBeginning ? 0 : origin == soCurrent ? position : size;
  return std::max<Int64>(0, base + offset);
}

}  // namespace

Int64 TStream::Size() {
  Int64 pos = Seek(0, soCurrent);
  Int64 end = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return end;
}

void TStream::SetSize(Int64) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, Int64 count) {
  if (count > 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, Int64 count) {
  if (count > 0 && Write(buffer, count) != count) throw EWriteError(WriteFailure());
}

Int64 TStream::CopyFrom(TStream& source, Int64 count) {
  if (count < 0) return 0;
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<Byte> chunk(static_cast<size_t>(std::min<Int64>(count, 1 << 16)));
  Int64 left = count;
  while (left > 0) {
    Int64 n = std::min<Int64>(left, static_cast<Int64>(chunk.size()));
    source.ReadBuffer(chunk.data(), n);
    WriteBuffer(chunk.data(), n);
    left -= n;
  }
  return count;
}

Int64 TMemoryStream::Read(void* buffer, Int64 count) {
  Int64 n = std::clamp<Int64>(Size() - position_, 0, std::max<Int64>(count, 0));
  if (n > 0) std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

Int64 TMemoryStream::Write(const void* buffer, Int64 count) {
  if (count <= 0) return 0;
  if (position_ + count > Size()) data_.resize(static_cast<size_t>(position_ + count));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ += count;
  return count;
}

Int64 TMemoryStream::Seek(Int64 offset, TSeekOrigin origin) {
  position_ = ClampedSeek(position_, Size(), offset, origin);
  return position_;
}

void TMemoryStream::SetSize(Int64 newSize) {
  data_.resize(static_cast<size_t>(std::max<Int64>(newSize, 0)));
  position_ = std::min(position_, Size());
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  Int64 n = source.Size();
  // Asked of a script's memory before the block is made, not found too large after.
  CheckMemory(n);
  SetSize(n);
  source.ReadBuffer(data_.data(), n);
  position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& dest) { dest.WriteBuffer(data_.data(), Size()); }

void TMemoryStream::LoadFromFile(const String& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const String& fileName) {
  SafeWriteFile(fileName, std::string(reinterpret_cast<const char*>(data_.data()), data_.size()));
}

namespace {

// What a file stream may open: a regular file, and for writing also a device (/dev/full, say).
// A named pipe or a socket would hold the program until some other program came to its other
// end, perhaps for ever.
bool Openable(const struct stat& st, bool writing) {
  return S_ISREG(st.st_mode) || (writing && (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)));
}

}  // namespace

TFileStream::TFileStream(const String& fileName, Word mode) : fileName_(fileName) {
  const bool create = mode == fmCreate || (mode & 0xFF00) == fmCreate;
  const bool writing = create || (mode & 3) != fmOpenRead;
  const int access = create                          ? O_RDWR | O_CREAT | O_TRUNC
                     : (mode & 3) == fmOpenWrite     ? O_WRONLY
                     : (mode & 3) == fmOpenReadWrite ? O_RDWR
                                                     : O_RDONLY;
  auto refuse = [&](const String& why) {
    if (create) throw EFCreateError("Cannot create file \"" + fileName + "\". " + why);
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + why);
  };
  auto refuseKind = [&](const struct stat& st) {
    refuse(S_ISDIR(st.st_mode) ? String(std::strerror(EISDIR)) : String("It is not a regular file"));
  };
  struct stat st {};
  if (::stat(fileName.c_str(), &st) == 0 && !Openable(st, writing)) refuseKind(st);
  // Not blocking, in case a pipe took the file's place since.
  fd_ = ::open(fileName.c_str(), access | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd_ < 0) refuse(std::strerror(errno));
  if (::fstat(fd_, &st) != 0 || !Openable(st, writing)) {
    ::close(fd_);
    fd_ = -1;
    refuseKind(st);
  }
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

Int64 TFileStream::Read(void* buffer, Int64 count) {
  Int64 total = 0;
  auto* out = static_cast<char*>(buffer);
  while (total < count) {
    ssize_t n = ::read(fd_, out + total, static_cast<size_t>(count - total));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    total += n;
  }
  return total;
}

Int64 TFileStream::Write(const void* buffer, Int64 count) {
  Int64 total = 0;
  auto* in = static_cast<const char*>(buffer);
  while (total < count) {
    ssize_t n = ::write(fd_, in + total, static_cast<size_t>(count - total));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A write that moves nothing without an error has found the disk full.
      writeErrno_ = n < 0 ? errno : ENOSPC;
      break;
    }
    total += n;
  }
  return total;
}

String TFileStream::WriteFailure() const { return WriteFailureText(fileName_, writeErrno_); }

Int64 TFileStream::Seek(Int64 offset, TSeekOrigin origin) {
  int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (r < 0) throw EStreamError("Stream seek error on \"" + fileName_ + "\"");
  return r;
}

void TFileStream::SetSize(Int64 newSize) {
  Int64 pos = Position();
  if (::ftruncate(fd_, static_cast<off_t>(newSize)) != 0)
    throw EWriteError("Cannot change the size of \"" + fileName_ + "\". " + std::strerror(errno));
  Seek(std::min(pos, newSize), soBeginning);
}

Int64 TStringStream::Read(void* buffer, Int64 count) {
  Int64 n = std::clamp<Int64>(static_cast<Int64>(data_.size()) - position_, 0,
                              std::max<Int64>(count, 0));
  if (n > 0) std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

Int64 TStringStream::Write(const void* buffer, Int64 count) {
  if (count <= 0) return 0;
  if (position_ + count > static_cast<Int64>(data_.size()))
    data_.resize(static_cast<size_t>(position_ + count));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ += count;
  return count;
}

Int64 TStringStream::Seek(Int64 offset, TSeekOrigin origin) {
  position_ = ClampedSeek(position_, static_cast<Int64>(data_.size()), offset, origin);
  return position_;
}

void TStringStream::SetSize(Int64 newSize) {
  data_.resize(static_cast<size_t>(std::max<Int64>(newSize, 0)));
  position_ = std::min(position_, static_cast<Int64>(data_.size()));
}

String TStringStream::ReadString(Int64 count) {
  if (count <= 0) return String();
  String s(static_cast<size_t>(std::clamp<Int64>(
               std::min<Int64>(count, static_cast<Int64>(data_.size()) - position_), 0, count)),
           '\0');
  Read(s.data(), static_cast<Int64>(s.size()));
  return s;
}

}  // namespace orv
