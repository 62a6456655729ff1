#pragma once
// Designators: the chains that name variables, members, elements and calls
// (Form1.Memo1.Lines[2].Text, Copy(s, 1, 2)), evaluated link by link.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/Object.h"
#include "script/ScriptItems.h"
#include "script/SourcePos.h"

namespace orv {

class TsxClassVariable;
class TsxCustomHelper;
class TsxExpression;
class TsxProcVariable;
class TsxScript;

struct TsxDesignatorItem {
  TsxCustomVariable* Ref = nullptr;
  std::vector<std::unique_ptr<TsxExpression>> Args;
  TsxSourcePos SourcePos;
  TsxDesignatorItem();
  TsxDesignatorItem(TsxDesignatorItem&&) noexcept;
  TsxDesignatorItem& operator=(TsxDesignatorItem&&) noexcept;
  ~TsxDesignatorItem();
};

// The links of a designator. Most designators are one name, whose link is held in place: a
// program of twenty thousand statements would otherwise make as many lists on the heap. The
// links stay where they are while the designator lives; it never moves.
class TsxDesignatorItems {
 public:
  TsxDesignatorItems() = default;
  TsxDesignatorItems(const TsxDesignatorItems&) = delete;
  TsxDesignatorItems& operator=(const TsxDesignatorItems&) = delete;
  ~TsxDesignatorItems();

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  TsxDesignatorItem& operator[](size_t index) { return data_[index]; }
  const TsxDesignatorItem& operator[](size_t index) const { return data_[index]; }
  TsxDesignatorItem& front() { return data_[0]; }
  const TsxDesignatorItem& front() const { return data_[0]; }
  TsxDesignatorItem& back() { return data_[size_ - 1]; }
  const TsxDesignatorItem& back() const { return data_[size_ - 1]; }
  TsxDesignatorItem* begin() { return data_; }
  TsxDesignatorItem* end() { return data_ + size_; }
  const TsxDesignatorItem* begin() const { return data_; }
  const TsxDesignatorItem* end() const { return data_ + size_; }

  TsxDesignatorItem& emplace_back();
  void push_back(TsxDesignatorItem&& item) { emplace_back() = std::move(item); }
  void reserve(size_t count);

 private:
  TsxDesignatorItem* data_ = reinterpret_cast<TsxDesignatorItem*>(inline_);
  size_t size_ = 0;
  size_t capacity_ = 1;
  alignas(TsxDesignatorItem) unsigned char inline_[sizeof(TsxDesignatorItem)];
};

// Fast paths: a plain variable, a character of a string variable, an element of an array
// variable, an index into what a Variant variable holds, a call of a script routine, and
// properties of what a variable holds, named or late-bound, without arguments
// (m.Lines.Count).
enum class TsxDesignatorKind : std::uint8_t {
  General,
  Variable,
  StringChar,
  ArrayElement,
  VariantIndex,
  RoutineCall,
  Members
};

class TsxDesignator final : public TsxCustomVariable {
 public:
  explicit TsxDesignator(TsxScript* program);
  ~TsxDesignator() override;
  Variant GetValue() override {
    // Calls of script routines, the designators recursion runs through, skip the dispatch
    // over the other kinds.
    if (DKind == TsxDesignatorKind::RoutineCall) return CallRoutine();
    return GetOtherValue();
  }
  void SetValue(const Variant& value) override;
  // Stores value op right back ('+', '-', '*', '/'): x += e, x++. Every index and argument of
  // the designator runs once, for the read and the write together.
  void Modify(char op, const Variant& right);

  // Takes type, type name and read-only state from the last link and picks the fast path.
  void Finalize();
  // The variable of a plain variable designator, else nullptr.
  TsxCustomVariable* PlainVariable() const {
    return DKind == TsxDesignatorKind::Variable ? Items.front().Ref : nullptr;
  }

  // For an element of an array variable whose one index is a variable or a constant: the
  // variable, its index in index. nullptr for anything else (a hooked variable, a non-array
  // value, an index that must be computed), which takes the general path.
  TsxCustomVariable* DirectElement(Integer& index) const {
    if (!directIndex_) return nullptr;
    TsxCustomVariable* holder = Items.front().Ref;
    if (holder->Hooked() || !holder->Value.IsArray()) return nullptr;
    const Variant& i = *directIndex_;
    index = i.VType() == varInteger ? i.UncheckedInteger() : i.ToInteger();
    return holder;
  }

  TsxDesignatorItems Items;
  TsxScript* Program;
  TsxDesignatorKind DKind = TsxDesignatorKind::General;

 private:
  // Defined in Statements.cpp, beside the statement lists it runs: a call of one argument that
  // only reads, its routine's body and the calls in that body compile into one native frame.
  Variant CallRoutine();
  // The routine calls CallRoutine leaves: other argument counts, arguments that may run script
  // code, var parameters.
  Variant CallOtherRoutine(TsxProcVariable* proc);
  Variant CallRecursion(TsxProcVariable* proc);
  Variant CallWithVarParams(TsxProcVariable* proc, TsxProcVariable* recursive);
  // Whether a routine call's arguments only read variables and constants, so that a recursive
  // call may work them out before the caller's locals are set aside; found at the first call.
  enum class TArgs : std::uint8_t { Unknown, One, ReadOnly, ReadOnlyWithVarParams, Other };
  TArgs args_ = TArgs::Unknown;
  Variant GetOtherValue();
  Variant ReadMembers();
  Variant CallMethod(TsxDesignatorItem& link, TsxCustomVariable* prev, Variant current);
  // What Modify does to the last link.
  struct TUpdate {
    char Op;
    const Variant* Right;
  };
  // Reads the designator, or stores assigned, or (Updating) applies update to the last link;
  // reads and stores are built without the update's steps.
  template <bool Updating>
  Variant Evaluate(const Variant* assigned, const TUpdate* update);
  Variant Evaluate(const Variant* assigned) { return Evaluate<false>(assigned, nullptr); }
  // Where the one index of an element designator lies when it is a variable or a constant,
  // found once when the designator is finalized.
  const Variant* directIndex_ = nullptr;
  // Whether a call of this designator gives a var parameter an element or member reached
  // through indices or calls (a[Next]); found at the first call.
  enum class TPins : std::uint8_t { Unknown, None, Some };
  TPins pins_ = TPins::Unknown;
  friend class TsxVarArgPins;
};

// A member or index resolved by the value before it each time it runs: members of Variants
// that hold no object while the program is built, and members of automation objects.
class TsxLateMember : public TsxCustomVariable {
 public:
  // name "[" stands for an index.
  explicit TsxLateMember(const String& name);
  bool IsIndex() const { return isIndex_; }
  // Reads (assigned == nullptr) or writes the member of parentValue; parentRef is the link
  // before it, for writing elements in place.
  // index, when given, holds the values of a "[" link that follows: an indexed property takes
  // them (and indexConsumed is set) instead of raising "Index required".
  Variant Access(TsxScript* program, TsxCustomVariable* parentRef, const Variant& parentValue,
                 std::vector<Variant>& args, const Variant* assigned, bool needResult,
                 std::vector<Variant>* index = nullptr, bool* indexConsumed = nullptr);

 private:
  Variant AccessOther(TsxScript* program, TsxCustomVariable* parentRef, const Variant& parentValue,
                      std::vector<Variant>& args, const Variant* assigned, bool needResult,
                      std::vector<Variant>* index, bool* indexConsumed);
  // What the last access found for an object of class seenType in script seenProgram: a loop
  // reaching the same member of the same kind of object looks it up once. seenHandle is the
  // object met last: a handle is never given out again, so meeting it again skips even the
  // class.
  TClass seenType_ = nullptr;
  Integer seenHandle_ = 0;
  TsxScript* seenProgram_ = nullptr;
  std::uint64_t seenEpoch_ = 0;
  TsxClassVariable* seenClass_ = nullptr;
  TsxCustomHelper* seenMember_ = nullptr;
  const bool isIndex_;
};

}  // namespace orv
