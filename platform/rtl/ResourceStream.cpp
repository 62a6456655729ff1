#include "platform/rtl/ResourceStream.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/rtl/TextUtils.h"
#include "platform/rtl/TypInfo.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TResourceStream, c) {}

namespace {

struct TResourceTable {
  std::mutex lock;
  std::unordered_map<String, TResourceBlock> blocks;  // by upper-case name
};

TResourceTable& Table() {
  static TResourceTable table;
  return table;
}

}  // namespace

void RegisterResources(const TResourceBlock* blocks, size_t count) {
  TResourceTable& table = Table();
  std::lock_guard guard(table.lock);
  for (size_t i = 0; i < count; ++i) table.blocks[UpperCase(blocks[i].Name)] = blocks[i];
}

TResourceStream::TResourceStream(const String& name) {
  TResourceTable& table = Table();
  std::lock_guard guard(table.lock);
  auto found = table.blocks.find(UpperCase(name));
  if (found == table.blocks.end()) throw EResNotFound("Resource " + name + " not found");
  data_ = found->second.Data;
  size_ = found->second.Size;
}

Int64 TResourceStream::Read(void* buffer, Int64 count) {
  Int64 n = std::clamp<Int64>(Size() - position_, 0, std::max<Int64>(count, 0));
  if (n > 0) std::memcpy(buffer, data_ + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

Int64 TResourceStream::Write(const void*, Int64) { throw EStreamError("Can't write to a read-only resource stream"); }

Int64 TResourceStream::Seek(Int64 offset, TSeekOrigin origin) {
  Int64 base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : Size();
  position_ = std::max<Int64>(0, base + offset);
  return position_;
}

}  // namespace orv
