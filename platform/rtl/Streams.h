#pragma once
// The stream classes: an abstract byte stream with memory, file and string implementations.
#include <cstdio>
#include <vector>

#include "platform/rtl/Object.h"

namespace orv {

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// An abstract byte stream with a position.
class TStream : public TObject {
  ORV_CLASS(TStream, TObject)

 public:
  // Read and Write move at most count bytes and return how many moved.
  virtual Int64 Read(void* buffer, Int64 count) = 0;
  virtual Int64 Write(const void* buffer, Int64 count) = 0;
  virtual Int64 Seek(Int64 offset, TSeekOrigin origin) = 0;

  Int64 Position() { return Seek(0, soCurrent); }
  void SetPosition(Int64 pos) { Seek(pos, soBeginning); }
  virtual Int64 Size();
  virtual void SetSize(Int64 newSize);

  // Raise EReadError / EWriteError when fewer than count bytes move.
  void ReadBuffer(void* buffer, Int64 count);
  void WriteBuffer(const void* buffer, Int64 count);
  void WriteString(const String& s) { WriteBuffer(s.data(), static_cast<Int64>(s.size())); }
  // Copies count bytes from source; count 0 copies all of source from its start, a negative
  // count nothing.
  Int64 CopyFrom(TStream& source, Int64 count);

 protected:
  // What WriteBuffer says when a write falls short: a stream over a file names the file and
  // the system's reason.
  virtual String WriteFailure() const { return "Stream write error"; }
};

// A growable block of memory. Memory() stays valid until the size changes.
class TMemoryStream : public TStream {
  ORV_CLASS(TMemoryStream, TStream)

 public:
  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  Int64 Size() override { return static_cast<Int64>(data_.size()); }
  void SetSize(Int64 newSize) override;

  Byte* Memory() { return data_.data(); }
  const Byte* Memory() const { return data_.data(); }
  void Clear();
  void LoadFromStream(TStream& source);
  void SaveToStream(TStream& dest);
  void LoadFromFile(const String& fileName);
  // Written through a temporary file, so a failed write keeps the old file.
  void SaveToFile(const String& fileName);

 private:
  std::vector<Byte> data_;
  Int64 position_ = 0;
};

// Open modes of TFileStream, with the class library's values.
constexpr Word fmCreate = 0xFF00;
constexpr Word fmOpenRead = 0x0000;
constexpr Word fmOpenWrite = 0x0001;
constexpr Word fmOpenReadWrite = 0x0002;
constexpr Word fmShareCompat = 0x0000;
constexpr Word fmShareExclusive = 0x0010;
constexpr Word fmShareDenyWrite = 0x0020;
constexpr Word fmShareDenyRead = 0x0030;
constexpr Word fmShareDenyNone = 0x0040;

// A stream over an open file.
class TFileStream : public TStream {
  ORV_CLASS(TFileStream, TStream)

 public:
  // Raises EFCreateError or EFOpenError naming the file and the system's reason (a folder
  // cannot be opened as a file stream).
  TFileStream(const String& fileName, Word mode);
  ~TFileStream() override;
  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  void SetSize(Int64 newSize) override;
  const String& FileName() const { return fileName_; }

 private:
  String WriteFailure() const override;

  String fileName_;
  int fd_ = -1;
  int writeErrno_ = 0;  // why the last write fell short
};

// A stream over a string; DataString() is the bytes written so far.
class TStringStream : public TStream {
  ORV_CLASS(TStringStream, TStream)

 public:
  explicit TStringStream(String data = {}) : data_(std::move(data)) {}
  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  void SetSize(Int64 newSize) override;
  const String& DataString() const { return data_; }
  String ReadString(Int64 count);

 private:
  String data_;
  Int64 position_ = 0;
};

}  // namespace orv
