#include "script/Procedures.h"

#include <pthread.h>

#include <algorithm>
#include <cstring>

#include "platform/rtl/Exceptions.h"
#include "script/Script.h"
#include "script/Statements.h"

namespace orv {

namespace {

// What is left of the native stack below this point must stay above this much: the deepest
// native work a script can start (a binding call, an error being raised) fits in it.
constexpr std::uintptr_t kStackReserve = 256 * 1024;
// The most native stack scripts may use: with "ulimit -s unlimited" the thread reports a stack
// of terabytes, and runaway recursion would take all memory before reaching its end.
constexpr std::uintptr_t kMaxScriptStack = std::uintptr_t{64} << 20;

std::uintptr_t ComputeStackLimit() {
  pthread_attr_t attr;
  void* low = nullptr;
  size_t size = 0;
  if (pthread_getattr_np(pthread_self(), &attr) == 0) {
    pthread_attr_getstack(&attr, &low, &size);
    pthread_attr_destroy(&attr);
  }
  std::uintptr_t base = reinterpret_cast<std::uintptr_t>(low);
  if (size > kMaxScriptStack) {
    base += size - kMaxScriptStack;
    size = kMaxScriptStack;
  }
  // Sanitizer builds use far more stack per frame; keep a wider margin there.
  std::uintptr_t reserve = kStackReserve;
#if defined(__SANITIZE_ADDRESS__)
  reserve *= 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  reserve *= 4;
#endif
#endif
  return size > 2 * reserve ? base + reserve : base + size / 2;
}

}  // namespace

void detail::sxCheckStackLimit() {
  if (sxStackLimit == UINTPTR_MAX) sxStackLimit = ComputeStackLimit();
  if (reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) < sxStackLimit)
    throw EStackOverflow("Stack overflow");
}

TsxProcVariable::TsxProcVariable(const String& name, TsxVarType typ, const String& typeName,
                                 TsxScript* parentScript, bool isFunc)
    : TsxCustomVariable(name, typ, typeName, TsxItemKind::Proc),
      IsFunc(isFunc),
      Program(std::make_unique<TsxScript>(nullptr)) {
  IsReadOnly = true;
  Program->SetParent(parentScript);
  Program->LateBinding = parentScript ? parentScript->LateBinding : false;
  Program->ExtendedCharset = parentScript ? parentScript->ExtendedCharset : false;
  if (isFunc) {
    auto result = std::make_unique<TsxVariable>("Result", typ, typeName);
    RefItem = Program->Add("Result", std::move(result));
  }
}

TsxProcVariable::~TsxProcVariable() {
  for (size_t i = 0; i < savedCount_; ++i) saved_.get()[i].~Variant();
  for (int i = 0; i < Count(); ++i) Program->Remove(Params(i));
  Program.reset();
}

void TsxProcVariable::CollectLocals() {
  locals_.clear();
  for (int i = 0; i < Count(); ++i) locals_.push_back(&Params(i)->Value);
  paramSlots_ = locals_.size();
  resultSlot_ = RefItem != nullptr;
  if (resultSlot_) locals_.push_back(&RefItem->Value);
  const auto taken = [this](const TsxCustomVariable* item) {
    if (item == RefItem) return true;
    for (int i = 0; i < Count(); ++i)
      if (item == Params(i)) return true;
    return false;
  };
  for (int i = 0; i < Program->Count(); ++i) {
    TsxCustomVariable* item = Program->GetItem(i);
    switch (item->Kind) {
      case TsxItemKind::Variable:
      case TsxItemKind::StringVariable:
      case TsxItemKind::Param:
        if (!taken(item)) locals_.push_back(&item->Value);
        break;
      default:
        break;
    }
  }
  localsCount_ = locals_.size();
  if (localsCount_ == 2 && paramSlots_ == 1 && resultSlot_) {
    oneParam_ = locals_[0];
    oneResult_ = locals_[1];
  }
  localsCollected_ = true;
}

void TsxProcVariable::GrowSaved(size_t more) {
  if (more > 0 && savedCount_ / more >= detail::kMaxRecursion) throw EStackOverflow("Stack overflow");
  const size_t capacity = std::max(savedCapacity_ * 2, savedCount_ + more + 16);
  std::unique_ptr<Variant, FreeStorage> grown(static_cast<Variant*>(::operator new(capacity * sizeof(Variant))));
  // A Variant moves as its bytes: the old storage is released without destroying them.
  if (savedCount_ > 0) std::memcpy(static_cast<void*>(grown.get()), saved_.get(), savedCount_ * sizeof(Variant));
  saved_ = std::move(grown);
  savedCapacity_ = capacity;
}

}  // namespace orv
