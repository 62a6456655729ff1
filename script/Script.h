#pragma once
// TsxScript: the script component and a scope at once. It holds the named items that names
// resolve against (its own, then its Parent's), the registration calls that hosts and binding
// modules use, and the compile and run entry points.
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <forward_list>
#include <functional>
#include <memory>
#include <unordered_set>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/MemoryAccount.h"
#include "platform/rtl/StringList.h"
#include "script/ClassModel.h"
#include "script/ItemTable.h"
#include "script/ScriptItems.h"
#include "script/SourcePos.h"

namespace orv {

class TsxStatement;
class TsxProcVariable;

// A script's line handler. Statements search their script and its parents for one before
// they run; until a handler has been set anywhere in the process, that search is skipped.
class TsxRunLineEvent {
 public:
  using THandler = std::function<void(TsxScript& Sender, const String& UnitName, const String& SourcePos)>;
  TsxRunLineEvent() = default;
  TsxRunLineEvent& operator=(THandler handler) {
    handler_ = std::move(handler);
    if (handler_) anySet_.store(true, std::memory_order_relaxed);
    return *this;
  }
  explicit operator bool() const { return static_cast<bool>(handler_); }
  void operator()(TsxScript& sender, const String& unitName, const String& sourcePos) const {
    handler_(sender, unitName, sourcePos);
  }
  static bool AnySet() { return anySet_.load(std::memory_order_relaxed); }

 private:
  THandler handler_;
  static inline std::atomic<bool> anySet_{false};
};
using TsxGetUnitEvent = std::function<void(TsxScript& Sender, const String& UnitName, String& UnitText)>;

// The jump flags of a script's run, kept together so that a statement list tests them at once.
struct TsxRunFlags {
  bool BreakCalled = false;
  bool ContinueCalled = false;
  bool ExitCalled = false;
  bool Terminated = false;
  bool AnyJump() const {
    std::uint32_t all;
    std::memcpy(&all, static_cast<const void*>(this), sizeof all);
    return all != 0;
  }
  void ClearJumps() { *this = TsxRunFlags(); }
  // ExitCalled := True with one store as wide as AnyJump's load, so that the test that follows
  // reads the flags straight from that store instead of waiting for it to land.
  void SetExitCalled() {
    static_assert(std::endian::native == std::endian::little);
    std::uint32_t all;
    std::memcpy(&all, static_cast<const void*>(this), sizeof all);
    all |= std::uint32_t{1} << (8 * offsetof(TsxRunFlags, ExitCalled));
    std::memcpy(static_cast<void*>(this), &all, sizeof all);
  }
};
static_assert(sizeof(TsxRunFlags) == 4);

class TsxScript : public TComponent, public TsxRunFlags {
  ORV_CLASS(TsxScript, TComponent)
 public:
  explicit TsxScript(TComponent* owner);
  ~TsxScript() override;

  // Item table. Names compare blind to ASCII case; a name added again is found before the
  // earlier entries of that name.
  TsxCustomVariable* Add(const String& name, std::unique_ptr<TsxCustomVariable> item);
  // An entry whose item another object owns (a routine's parameters).
  void AddShared(const String& name, TsxCustomVariable* item);
  int Count() const { return static_cast<int>(items_.size()); }
  // In the order of their names.
  TsxCustomVariable* GetItem(int index) const { return items_[static_cast<size_t>(index)].Item; }
  // Takes the item out; the caller receives it when the table owned it.
  std::unique_ptr<TsxCustomVariable> Remove(TsxCustomVariable* item);
  TsxCustomVariable* FindLocal(const String& name) const;
  TsxCustomVariable* Find(const String& name) const;
  TsxClassVariable* FindClass(const String& name) const;
  // Frees what the host and the script added; keeps what binding modules registered.
  void Clear();
  // Frees the items added while AddedBy was owner.
  void ClearItems(const void* owner);

  // Registration.
  void AddType(const String& typeName, TsxVarType parentType);
  void AddConst(const String& name, const String& typeName, const Variant& value);
  void AddVariable(const String& name, const String& typeName, const Variant& value);
  void SetVariable(const String& name, const Variant& value);
  void AddEnum(const String& typeName, const String& names);
  void AddEnumSet(const String& typeName, const String& names);
  void AddObject(const String& name, TObject* obj);
  TsxMethodHelper* AddMethod(const String& syntax, TsxCallMethodNewEvent callEvent,
                             const String& category = {}, const String& description = {});
  TsxMethodHelper* AddMethodParamArray(const String& syntax, TsxCallMethodEvent callEvent,
                                       const String& category = {},
                                       const String& description = {});
  // A class already visible under the name is returned as it is: the first registration stays.
  TsxClassVariable* AddClass(TClass classRef, const String& ancestorName);
  void AddForm(TComponent* form);
  void AddComponent(TComponent* form) { AddForm(form); }
  void AddRTTI();
  void ClearRTTI();
  // Keeps an object (an event bridge) until Clear or destruction.
  void AddOwnedObject(std::unique_ptr<TObject> obj) { ownedObjects_.push_back(std::move(obj)); }

  // Compile and run.
  bool Compile();
  void Execute();
  void Terminate();
  // Runs a routine of this very script; Null when name is not one.
  Variant CallFunction(const String& name, const Variant& params);
  Variant CallFunctionVar(const String& name, Variant& params);
  // The value of item (an expression or routine of this script's tree), read as CallFunction
  // runs a routine: a run of its own unless one goes on.
  Variant RunValue(TsxCustomVariable& item);
  void RunLine(const String& unitName, const String& pos);
  // Records the row of a statement at pos among its unit's code lines.
  void AddCodeLine(const String& unitName, const TsxSourcePos& pos);
  // The one copy of a unit's name that the statements of this script built from that unit
  // share; nullptr for the main text, whose name is empty.
  const String* SharedUnitName(const String& unitName);

  TStrings& Lines() { return *lines_; }
  void SetLines(const TStrings& value);
  const String& SyntaxType() const { return syntaxType_; }
  void SetSyntaxType(const String& value) { syntaxType_ = value; }
  // One "unit=row,row,..." entry per unit, as AddCodeLine recorded them.
  TStringList& UnitLines();
  TsxStatement& MainStatement() { return *mainStatement_; }

  // Stops a run after this many statements and loop rounds with "Step limit exceeded", so a
  // script from an untrusted file cannot hang its caller; 0 (the default) means no limit.
  void SetStepLimit(Int64 steps) {
    stepLimit_ = steps;
    ArmChecks();
  }
  // Stops a run that holds more than this many bytes (texts, lists, streams, arrays, objects:
  // all a run allocates and keeps) with "Out of memory"; 0 means no limit. Every script starts
  // with kDefaultMemoryLimit.
  void SetMemoryLimit(Int64 bytes) {
    memoryLimit_ = bytes;
    ArmChecks();
  }
  static constexpr Int64 kDefaultMemoryLimit = Int64{128} << 20;
  // Makes every run of this script charge one account, opened now and kept until
  // KeepMemoryAccount(false): a report's run, whose event handlers are runs of their own, is
  // limited in what all of them hold together, and in the steps they take together. Otherwise
  // each run from outside has its own.
  void KeepMemoryAccount(bool keep);
  // Counts one step against the root script's limit and checks the run's memory.
  void Step() {
    TsxScript* root = root_;
    if (++root->steps_ > root->checkAt_) [[unlikely]] root->CheckLimits();
  }
  // Raises "Out of memory" before the script running on this thread allocates bytes more than
  // its limit allows: for the native calls that would make a large block in one go.
  static void ReserveMemory(Int64 bytes);
  // Counts work done outside statements (building a long text) against the limit of the script
  // running on this thread: one step per 4 KB.
  static void ChargeBytes(size_t bytes);
  // Counts native work on large values (a text searched or converted, a list searched) against
  // the limit of the script running on this thread, as many steps as statements taking as long:
  // one per kScanBytesPerStep bytes of text, kCompareSteps per line of a list compared.
  static void ChargeWork(Int64 steps);
  static void ChargeScan(size_t bytes) { ChargeWork(static_cast<Int64>(bytes / kScanBytesPerStep)); }
  static constexpr size_t kScanBytesPerStep = 8;
  static constexpr Int64 kCompareSteps = 4;

  // Whether a run of this script's tree goes on on the calling thread: its main block, a routine
  // called from outside or an expression of it.
  bool InRun() const { return running_ == root_; }

  TsxScript* Parent() const { return parent_; }
  void SetParent(TsxScript* parent);

  const void* AddedBy = nullptr;
  bool IsRunning = false;
  bool MainProgram = false;
  bool RTTIAdded = false;
  bool LateBinding = false;
  bool ExtendedCharset = false;
  String ErrorMsg;
  String ErrorPos;
  String ErrorUnit;
  std::vector<String> IncludePath{String()};

  TsxGetUnitEvent OnGetILUnit;
  TsxGetUnitEvent OnGetUnit;
  TsxRunLineEvent OnRunLine;
  TsxGetVariableValueEvent OnGetVarValue;

 private:
  void Insert(const String& name, TsxCustomVariable* item, bool owned);
  void FreeEntry(const TsxItemTable::Entry& entry);
  // Takes out and frees, last first, the entries whose item drop selects.
  void DropItems(const std::function<bool(const TsxCustomVariable&)>& drop);
  [[noreturn]] void StepLimitExceeded();
  [[noreturn]] void MemoryLimitExceeded();
  // Raises when the run is past one of its limits; else sets when the next check is due.
  void CheckLimits();
  // The account's limit and next check from the limits set.
  void ArmChecks();
  // Closes the account (its blocks still out give their bytes back to it when freed) and opens
  // a new one.
  void RenewAccount();
  // Makes this root script's run the one of the calling thread (steps counted from zero, and
  // memory too unless the account is kept) unless it runs already; the guard ends it.
  class TRunScope;
  static thread_local TsxScript* running_;

  // Keyed by the names upper-cased (ASCII).
  TsxItemTable items_;
  std::vector<std::unique_ptr<TsxRTTIModule>> modules_;
  std::vector<std::unique_ptr<TObject>> ownedObjects_;
  std::unique_ptr<TStringList> lines_;
  std::unique_ptr<TStringList> unitLines_;
  // What AddCodeLine recorded since UnitLines was last written: one entry per unit in the
  // order met, so that recording a row costs a lookup rather than a rewrite of the list.
  struct CodeLines {
    String Unit;
    String Rows;
    std::unordered_set<String> Seen;
    // While the rows came in rising order (as a program's statements do), Rows holds them all,
    // the last being Highest, and Seen is left empty: a new row is told by one comparison.
    bool Rising = true;
    Int64 Highest = 0;
  };
  std::vector<CodeLines> codeLines_;
  bool codeLinesPending_ = false;
  void ClearCodeLines();
  // What SharedUnitName handed out: it outlives the statements.
  std::forward_list<String> unitNames_;
  std::unique_ptr<TsxStatement> mainStatement_;
  String syntaxType_ = "PascalScript";
  TsxScript* parent_ = nullptr;
  TsxScript* root_ = this;
  Int64 stepLimit_ = 0;
  Int64 steps_ = 0;
  Int64 memoryLimit_ = kDefaultMemoryLimit;
  // The steps at which the run next checks its limits (see TMemoryAccount::Trip).
  Int64 checkAt_ = INT64_MAX;
  // Opened by the first run; the root script's is the one its runs charge.
  TMemoryAccount* account_ = nullptr;
  bool keepAccount_ = false;
};

}  // namespace orv
