#pragma once
// TFrameBuffers: three frame buffers shared by the camera's thread and the GUI thread.
#include <atomic>
#include <cstdint>
#include <vector>

namespace orv {

// One buffer belongs to the writer (the camera's thread), one to the reader (the GUI thread)
// and one lies between them. Publishing swaps the writer's buffer with the one between;
// taking swaps the reader's with it. The swap is one atomic exchange, so each buffer has one
// owner at a time and the reader always gets the newest whole frame, however slow it is.
class TFrameBuffers {
 public:
  // Writer: copies a frame into its own buffer and makes it the newest. A buffer is
  // reallocated only when the frame size changes.
  void Publish(const uint8_t* data, int size);
  // Reader: takes the newest frame when one came since the last take; true when it did.
  bool TakeNewest();
  // Reader: the frame taken last; empty before the first.
  const uint8_t* Data() const { return slots_[readSlot_].data(); }
  int Size() const { return static_cast<int>(slots_[readSlot_].size()); }
  // Forgets every frame; only while no writer runs.
  void Reset();

 private:
  static constexpr int kFresh = 4;
  std::vector<uint8_t> slots_[3];
  int writeSlot_ = 0;
  int readSlot_ = 1;
  std::atomic<int> middle_ = 2;
};

}  // namespace orv
