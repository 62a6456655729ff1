#pragma once
// TkvxNameMemo: answers kept by where the asking name's text lives. The engine asks for a value
// with the same String object on every row (a memo's expression, a value source's field name),
// so the text's address finds the answer without hashing the text. The text is compared with
// the key the answer was kept under all the same: a name at a reused address is asked anew.
#include <array>
#include <cstdint>

#include "platform/rtl/Types.h"

namespace orv {

template <class T>
class TkvxNameMemo {
 public:
  // The answer kept for name, nullptr when none is.
  const T* Find(const String& name) const {
    const Slot& slot = slots_[SlotOf(name)];
    return slot.Data == name.data() && *slot.Key == name ? slot.Value : nullptr;
  }
  // key and value must stay where they are until Clear: the entry of the table name was found in.
  void Remember(const String& name, const String& key, const T& value) {
    slots_[SlotOf(name)] = Slot{name.data(), &key, &value};
  }
  void Clear() { slots_.fill(Slot{}); }

 private:
  struct Slot {
    const char* Data = nullptr;
    const String* Key = nullptr;
    const T* Value = nullptr;
  };
  static size_t SlotOf(const String& name) {
    return (reinterpret_cast<std::uintptr_t>(name.data()) >> 4) % kSlots;
  }
  static constexpr size_t kSlots = 64;
  std::array<Slot, kSlots> slots_{};
};

}  // namespace orv
