#pragma once
// The program's data resources: named blocks of bytes compiled into the program by the library
// that carries them, read back as streams.
#include <cstddef>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace orv {

ORV_DECLARE_EXCEPTION(EResNotFound, Exception);

struct TResourceBlock {
  const char* Name;
  const Byte* Data;
  size_t Size;
};

// Makes the blocks findable by name, compared case-blind as resource names are; a block
// registered again under a name already known replaces the earlier one. The blocks are not
// copied: they live as long as the program.
void RegisterResources(const TResourceBlock* blocks, size_t count);

// A read-only stream over the program's resource Name.
class TResourceStream : public TStream {
  ORV_CLASS(TResourceStream, TStream)

 public:
  // EResNotFound "Resource <Name> not found" when the program carries none of that name.
  explicit TResourceStream(const String& name);
  Int64 Read(void* buffer, Int64 count) override;
  // EStreamError: a resource cannot be changed.
  Int64 Write(const void* buffer, Int64 count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  Int64 Size() override { return static_cast<Int64>(size_); }

 private:
  const Byte* data_ = nullptr;
  size_t size_ = 0;
  Int64 position_ = 0;
};

}  // namespace orv
