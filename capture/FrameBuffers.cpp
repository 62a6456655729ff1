#include "capture/FrameBuffers.h"

#include <cstring>

namespace orv {

void TFrameBuffers::Publish(const uint8_t* data, int size) {
  std::vector<uint8_t>& slot = slots_[writeSlot_];
  if (static_cast<int>(slot.size()) != size) slot.assign(data, data + size);
  else std::memcpy(slot.data(), data, static_cast<size_t>(size));
  // Release: the bytes are written before the reader can see the buffer.
  writeSlot_ = middle_.exchange(writeSlot_ | kFresh, std::memory_order_acq_rel) & 3;
}

bool TFrameBuffers::TakeNewest() {
  if (!(middle_.load(std::memory_order_acquire) & kFresh)) return false;
  readSlot_ = middle_.exchange(readSlot_, std::memory_order_acq_rel) & 3;
  return true;
}

void TFrameBuffers::Reset() {
  for (auto& slot : slots_) slot.clear();
  writeSlot_ = 0;
  readSlot_ = 1;
  middle_.store(2, std::memory_order_release);
}

}  // namespace orv
