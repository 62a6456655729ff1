#pragma once
// A temporary file unlinked as soon as it exists, read and written by position on one
// descriptor: it disappears with the descriptor, whatever happens to the program, and no reader
// moves another's place in it.
#include <cstddef>
#include <cstdint>

#include "platform/rtl/Types.h"

namespace orv {

class TTempFile {
 public:
  // In folder, or in the system temporary folder when folder is empty or not a folder.
  // EFCreateError when no file can be made there.
  TTempFile(const String& folder, const String& prefix);
  ~TTempFile();
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  // Up to count bytes from pos; fewer only at the end of the file. EReadError on a disk fault.
  size_t ReadAt(std::uint64_t pos, void* buffer, size_t count) const;
  // EWriteError when the disk takes less (full, or a fault).
  void WriteAt(std::uint64_t pos, const void* data, size_t count);

 private:
  int fd_ = -1;
};

}  // namespace orv
