#include "script/Script.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

#include "platform/rtl/ObjectHandles.h"
#include "platform/rtl/TextUtils.h"
#include "script/ILParser.h"
#include "script/MethodSyntax.h"
#include "script/Procedures.h"
#include "script/ProgramBuilder.h"
#include "script/Statements.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TsxScript, c) {
  // Assigning Lines copies the text; the script keeps its own list.
  c.Prop(
      "Lines", [](TsxScript& s) { return static_cast<TStrings*>(&s.Lines()); },
      [](TsxScript& s, TStrings* lines) {
        if (lines) s.SetLines(*lines);
        else s.Lines().Clear();
      });
  c.Prop("SyntaxType", &TsxScript::SyntaxType, &TsxScript::SetSyntaxType);
  c.Event("OnGetILUnit", &TsxScript::OnGetILUnit);
  c.Event("OnGetUnit", &TsxScript::OnGetUnit);
  c.Event("OnRunLine", &TsxScript::OnRunLine);
  c.Event("OnGetVarValue", &TsxScript::OnGetVarValue);
}

namespace {

String KeyOf(const String& name) { return UpperCase(name); }

}  // namespace

TsxScript::TsxScript(TComponent* owner)
    : TComponent(owner),
      lines_(std::make_unique<TStringList>()),
      unitLines_(std::make_unique<TStringList>()),
      mainStatement_(std::make_unique<TsxStatement>(this, String(), TsxSourcePos())) {}

TsxScript::~TsxScript() {
  ownedObjects_.clear();
  mainStatement_->Clear();
  ClearRTTI();
  const std::vector<TsxItemTable::Entry>& entries = items_.Entries();
  for (size_t i = entries.size(); i-- > 0;) FreeEntry(entries[i]);
  items_.clear();
  TMemoryAccount::Close(account_);
}

void TsxScript::SetParent(TsxScript* parent) {
  sxLookupChanged();
  parent_ = parent;
  root_ = this;
  while (root_->parent_) root_ = root_->parent_;
}

void TsxScript::StepLimitExceeded() { throw Exception("Step limit exceeded"); }

void TsxScript::MemoryLimitExceeded() { RaiseOutOfMemory(*account_); }

void TsxScript::ArmChecks() {
  checkAt_ = stepLimit_ > 0 ? stepLimit_ : INT64_MAX;
  if (!account_) return;
  account_->Limit = memoryLimit_ > 0 ? memoryLimit_ : INT64_MAX;
  if (account_->Held() > account_->Limit) checkAt_ = 0;
}

void TsxScript::CheckLimits() {
  if (memoryLimit_ > 0 && account_->Held() > memoryLimit_) MemoryLimitExceeded();
  if (stepLimit_ > 0 && steps_ > stepLimit_) StepLimitExceeded();
  ArmChecks();
}

void TsxScript::RenewAccount() {
  TMemoryAccount* fresh = TMemoryAccount::Open();
  TMemoryAccount::Close(account_);
  account_ = fresh;
  account_->Trip = &checkAt_;
}

void TsxScript::KeepMemoryAccount(bool keep) {
  // A run going on goes on charging the account it has, and counting its steps on.
  if (keep && running_ != root_) {
    root_->RenewAccount();
    root_->steps_ = 0;
  }
  root_->keepAccount_ = keep;
}

thread_local TsxScript* TsxScript::running_ = nullptr;

void TsxScript::ReserveMemory(Int64 bytes) {
  TsxScript* root = running_;
  if (root && root->memoryLimit_ > 0 && bytes > root->memoryLimit_ - root->account_->Held()) root->MemoryLimitExceeded();
}

class TsxScript::TRunScope {
 public:
  explicit TRunScope(TsxScript* root) : outer_(running_), starts_(running_ != root) {
    if (!starts_) return;
    // A kept account keeps the count of steps with it: the runs of a report's events and
    // expressions are bounded in time together, as in memory.
    if (!root->keepAccount_ || !root->account_) {
      root->steps_ = 0;
      root->RenewAccount();
    }
    root->ArmChecks();
    running_ = root;
    outerAccount_ = SetMemoryAccount(root->account_);
  }
  TRunScope(const TRunScope&) = delete;
  TRunScope& operator=(const TRunScope&) = delete;
  ~TRunScope() {
    if (!starts_) return;
    SetMemoryAccount(outerAccount_);
    running_ = outer_;
  }

 private:
  TsxScript* outer_;
  bool starts_;
  TMemoryAccount* outerAccount_ = nullptr;
};

void TsxScript::ChargeBytes(size_t bytes) {
  TsxScript* root = running_;
  if (!root || root->stepLimit_ <= 0 || bytes < 4096) return;
  root->steps_ += static_cast<Int64>(bytes / 4096);
  if (root->steps_ > root->stepLimit_) root->StepLimitExceeded();
}

void TsxScript::ChargeWork(Int64 steps) {
  TsxScript* root = running_;
  if (!root || steps <= 0) return;
  root->steps_ += steps;
  if (root->steps_ > root->checkAt_) root->CheckLimits();
}

void TsxScript::Insert(const String& name, TsxCustomVariable* item, bool owned) {
  sxLookupChanged();
  items_.Add(KeyOf(name), item, owned);
}

TsxCustomVariable* TsxScript::Add(const String& name, std::unique_ptr<TsxCustomVariable> item) {
  TsxCustomVariable* raw = item.release();
  raw->AddedBy = AddedBy;
  Insert(name, raw, true);
  return raw;
}

void TsxScript::AddShared(const String& name, TsxCustomVariable* item) { Insert(name, item, false); }

void TsxScript::FreeEntry(const TsxItemTable::Entry& entry) {
  sxLookupChanged();
  if (entry.Owned) delete entry.Item;
}

void TsxScript::DropItems(const std::function<bool(const TsxCustomVariable&)>& drop) {
  sxLookupChanged();
  // The table is whole again before any item goes: an item's destructor may look into it.
  const std::vector<TsxItemTable::Entry> dropped = items_.Take(drop);
  for (size_t i = dropped.size(); i-- > 0;)
    if (dropped[i].Owned) delete dropped[i].Item;
}

std::unique_ptr<TsxCustomVariable> TsxScript::Remove(TsxCustomVariable* item) {
  bool owned = false;
  if (!items_.Remove(item, owned)) return nullptr;
  sxLookupChanged();
  return owned ? std::unique_ptr<TsxCustomVariable>(item) : nullptr;
}

TsxCustomVariable* TsxScript::FindLocal(const String& name) const {
  if (name.empty()) return nullptr;
  return items_.Find(KeyOf(name));
}

TsxCustomVariable* TsxScript::Find(const String& name) const {
  for (const TsxScript* s = this; s; s = s->parent_)
    if (TsxCustomVariable* item = s->FindLocal(name)) return item;
  return nullptr;
}

TsxClassVariable* TsxScript::FindClass(const String& name) const {
  TsxCustomVariable* item = Find(name);
  return item && item->Kind == TsxItemKind::Class ? static_cast<TsxClassVariable*>(item) : nullptr;
}

void TsxScript::Clear() {
  ownedObjects_.clear();
  mainStatement_->Clear();
  unitNames_.clear();
  DropItems([](const TsxCustomVariable& item) { return item.AddedBy != kModuleOwner; });
  ClearCodeLines();
  ErrorMsg.clear();
  ErrorPos.clear();
  ErrorUnit.clear();
}

void TsxScript::ClearItems(const void* owner) {
  mainStatement_->Clear();
  unitNames_.clear();
  DropItems([owner](const TsxCustomVariable& item) { return item.AddedBy == owner; });
  ClearCodeLines();
}

void TsxScript::AddType(const String& typeName, TsxVarType parentType) {
  if (!Find(typeName)) Add(typeName, std::make_unique<TsxTypeVariable>(typeName, parentType));
}

void TsxScript::AddConst(const String& name, const String& typeName, const Variant& value) {
  if (Find(name)) return;
  const TsxVarType typ = sxTypeNameToVarType(typeName, this);
  auto item = std::make_unique<TsxVariable>(name, typ, typ == fvtClass || typ == fvtEnum ? typeName : String());
  item->SetValue(value);
  item->IsReadOnly = true;
  Add(name, std::move(item));
}

void TsxScript::AddVariable(const String& name, const String& typeName, const Variant& value) {
  if (Find(name)) return;
  const TsxVarType typ = sxTypeNameToVarType(typeName, this);
  auto item = std::make_unique<TsxVariable>(name, typ, typ == fvtClass || typ == fvtEnum ? typeName : String());
  item->Value = value;
  item->SetOnGetVarValue(OnGetVarValue);
  Add(name, std::move(item));
}

void TsxScript::SetVariable(const String& name, const Variant& value) {
  if (TsxCustomVariable* item = Find(name))
    item->SetValue(value);
  else
    AddVariable(name, "Variant", value);
}

namespace {

void AddEnumValues(TsxScript& script, const String& typeName, const String& names, bool bits) {
  script.Add(typeName, std::make_unique<TsxVariable>(typeName, fvtEnum, typeName));
  TStringList list;
  list.SetCommaText(names);
  Int64 value = bits ? 1 : 0;
  for (Integer i = 0; i < list.Count(); ++i) {
    const String name = Trim(list.Strings(i));
    auto item = std::make_unique<TsxVariable>(name, fvtEnum, typeName);
    item->Value = value > 0x7FFFFFFF ? Variant(value) : Variant(static_cast<Integer>(value));
    item->IsReadOnly = true;
    script.Add(name, std::move(item));
    value = bits ? value * 2 : value + 1;
  }
}

}  // namespace

void TsxScript::AddEnum(const String& typeName, const String& names) {
  AddEnumValues(*this, typeName, names, false);
}

void TsxScript::AddEnumSet(const String& typeName, const String& names) {
  AddEnumValues(*this, typeName, names, true);
}

void TsxScript::AddObject(const String& name, TObject* obj) {
  AddVariable(name, obj ? obj->ClassName() : String("TObject"), sxObjectToValue(obj));
}

TsxMethodHelper* TsxScript::AddMethod(const String& syntax, TsxCallMethodNewEvent callEvent,
                                      const String& category, const String& description) {
  auto method = std::make_unique<TsxMethodHelper>(syntax, this);
  method->OnCall = std::move(callEvent);
  method->Category = category;
  method->Description = description.empty() ? method->Name() : description;
  const String name = method->Name();
  return static_cast<TsxMethodHelper*>(Add(name, std::move(method)));
}

TsxMethodHelper* TsxScript::AddMethodParamArray(const String& syntax, TsxCallMethodEvent callEvent,
                                                const String& category,
                                                const String& description) {
  auto method = std::make_unique<TsxMethodHelper>(syntax, this);
  method->OnCallParams = std::move(callEvent);
  method->Category = category;
  method->Description = description.empty() ? method->Name() : description;
  const String name = method->Name();
  return static_cast<TsxMethodHelper*>(Add(name, std::move(method)));
}

TsxClassVariable* TsxScript::AddClass(TClass classRef, const String& ancestorName) {
  if (!classRef) return nullptr;
  // A class registered again keeps its first registration; the module registering it again
  // adds its members there instead of meeting a null class.
  if (TsxCustomVariable* known = Find(classRef->ClassName()))
    return known->Kind == TsxItemKind::Class ? static_cast<TsxClassVariable*>(known) : nullptr;
  auto cls = std::make_unique<TsxClassVariable>(classRef, ancestorName, this);
  if (TsxClassVariable* ancestor = FindClass(ancestorName)) cls->DefProperty = ancestor->DefProperty;
  const String name = classRef->ClassName();
  return static_cast<TsxClassVariable*>(Add(name, std::move(cls)));
}

void TsxScript::AddForm(TComponent* form) {
  if (!form) return;
  String ancestor;
  for (TClass c = form->ClassType(); c && ancestor.empty(); c = c->ClassParent()) {
    if (c->ClassName() == "TForm" || c->ClassName() == "TDataModule" || c->ClassName() == "TFrame")
      ancestor = c->ClassName();
  }
  if (ancestor.empty()) return;
  TsxClassVariable* cls = FindClass(form->ClassName());
  if (!cls) cls = AddClass(form->ClassType(), ancestor);
  if (!cls) return;
  for (Integer i = 0; i < form->ComponentCount(); ++i) cls->AddComponent(form->Components(i));
  AddObject(form->Name(), form);
}

void TsxScript::AddRTTI() {
  if (RTTIAdded) return;
  RTTIAdded = true;
  AddedBy = kModuleOwner;
  try {
    for (const TsxRTTIModuleFactory& factory : sxRTTIModules()) modules_.push_back(factory(this));
  } catch (...) {
    AddedBy = nullptr;
    throw;
  }
  AddedBy = nullptr;
}

void TsxScript::ClearRTTI() {
  if (!RTTIAdded) return;
  modules_.clear();
  DropItems([](const TsxCustomVariable& item) { return item.AddedBy == kModuleOwner; });
  RTTIAdded = false;
}

void TsxScript::SetLines(const TStrings& value) { lines_->SetText(value.Text()); }

bool TsxScript::Compile() {
  // What the compile builds and keeps (a program's arrays) is the script's memory too.
  TRunScope run(root_);
  ErrorMsg.clear();
  ErrorPos.clear();
  ErrorUnit.clear();
  const auto build = [this] {
    TsxILParser parser;
    parser.SetIncludePath(IncludePath);
    parser.SetExtendedCharset(ExtendedCharset);
    if (OnGetUnit) {
      parser.OnGetUnit = [this](const String& unitName) {
        String text;
        OnGetUnit(*this, unitName, text);
        return text;
      };
    }
    parser.SelectLanguage(syntaxType_);
    if (!parser.ParseSource(lines_->Text())) {
      ErrorMsg = parser.ErrorMsg();
      ErrorPos = parser.ErrorPos();
      ErrorUnit = parser.ErrorUnit();
      if (ErrorMsg.empty()) ErrorMsg = "Syntax error";
      return;
    }
    TsxProgramBuilder builder(*this, parser);
    builder.BuildProgram();
  };
  try {
    WithOutOfMemoryAsError(build);
  } catch (const Exception& e) {
    if (ErrorMsg.empty()) ErrorMsg = e.Message();
  }
  if (!ErrorMsg.empty()) return false;
  ErrorPos.clear();
  return true;
}

void TsxScript::Execute() {
  ExitCalled = false;
  Terminated = false;
  BreakCalled = false;
  ContinueCalled = false;
  IsRunning = true;
  MainProgram = true;
  // An Execute from within the run (a handler of an event the script caused) counts on.
  TRunScope run(root_);
  struct Reset {
    TsxScript* s;
    ~Reset() {
      s->ExitCalled = false;
      s->Terminated = false;
      s->IsRunning = false;
      s->BreakCalled = false;
      s->ContinueCalled = false;
    }
  } reset{this};
  WithOutOfMemoryAsError([this] { mainStatement_->Execute(); });
}

void TsxScript::Terminate() {
  ExitCalled = true;
  Terminated = true;
  for (const TsxItemTable::Entry& entry : items_.Entries())
    if (entry.Item->Kind == TsxItemKind::Proc) static_cast<TsxProcVariable*>(entry.Item)->Program->Terminate();
}

namespace {

Variant CallProc(TsxScript& script, const String& name, Variant* params) {
  TsxCustomVariable* item = script.FindLocal(name);
  if (!item || item->Kind != TsxItemKind::Proc) return Null();
  auto* proc = static_cast<TsxProcVariable*>(item);
  const bool array = params && VarIsArray(*params);
  const Integer low = array ? VarArrayLowBound(*params, 1) : 0;
  const Integer high = array ? VarArrayHighBound(*params, 1) : -1;
  if (high - low + 1 > proc->Count()) throw Exception("Too many actual parameters");
  // Host code the routine itself called may call it again: the running call's parameters and
  // locals are set aside and come back after, also when an exception passes.
  TsxLocalsRestore restore{nullptr};
  if (proc->Executing) {
    proc->SaveLocals();
    restore.Proc = proc;
  }
  for (Integer i = low; i <= high; ++i) proc->Params(i - low)->SetValue(VarArrayGet(*params, {i}));
  Variant result = proc->GetValue();
  // The var parameters are read before the outer call's values come back.
  for (Integer i = low; i <= high; ++i) VarArrayPut(*params, proc->Params(i - low)->Value, {i});
  return result;
}

}  // namespace

// A routine called from outside a run (a report's event) is a run of its own: its steps count
// from zero, and its memory too unless the script keeps its account.
Variant TsxScript::CallFunction(const String& name, const Variant& params) {
  TRunScope run(root_);
  Variant copy = params;
  return WithOutOfMemoryAsError([&] { return CallProc(*this, name, &copy); });
}

Variant TsxScript::CallFunctionVar(const String& name, Variant& params) {
  TRunScope run(root_);
  return WithOutOfMemoryAsError([&] { return CallProc(*this, name, &params); });
}

Variant TsxScript::RunValue(TsxCustomVariable& item) {
  TRunScope run(root_);
  return WithOutOfMemoryAsError([&] { return item.GetValue(); });
}

void TsxScript::RunLine(const String& unitName, const String& pos) {
  for (TsxScript* s = this; s; s = s->parent_) {
    if (s->OnRunLine) {
      s->OnRunLine(*this, unitName, pos);
      return;
    }
  }
}

const String* TsxScript::SharedUnitName(const String& unitName) {
  if (unitName.empty()) return nullptr;
  for (const String& known : unitNames_)
    if (known == unitName) return &known;
  unitNames_.push_front(unitName);
  return &unitNames_.front();
}

void TsxScript::AddCodeLine(const String& unitName, const TsxSourcePos& pos) {
  if (codeLines_.empty() && unitLines_->Count() > 0) {
    // Rows the host put into UnitLines itself are kept.
    for (Integer i = 0; i < unitLines_->Count(); ++i) {
      CodeLines unit{unitLines_->Names(i), unitLines_->ValueFromIndex(i), {}, false, 0};
      TStringList rows;
      rows.SetCommaText(unit.Rows);
      for (Integer r = 0; r < rows.Count(); ++r) unit.Seen.insert(rows.Strings(r));
      codeLines_.push_back(std::move(unit));
    }
  }
  // A row number as positions write it: digits without a leading zero. A position kept as
  // text may hold anything; its row is what stands before the colon.
  Int64 number = pos.Row();
  bool plain = number >= 1 && number < 1000000000;
  const bool asNumber = plain;
  String rowText;
  if (!asNumber) {
    rowText = pos.ToString();
    rowText.resize(std::min(rowText.size(), rowText.find(':')));
    number = 0;
    plain = !rowText.empty() && rowText.size() < 10 && rowText[0] != '0';
    for (char c : rowText) {
      if (c < '0' || c > '9') plain = false;
      number = number * 10 + (c - '0');
    }
  }
  char digits[16];
  const auto row = [&]() -> std::string_view {
    if (!asNumber) return rowText;
    return std::string_view(digits, static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, number).ptr - digits));
  };
  auto unit = std::find_if(codeLines_.begin(), codeLines_.end(),
                           [&](const CodeLines& u) { return SameText(u.Unit, unitName); });
  if (unit == codeLines_.end()) {
    codeLines_.push_back({unitName, String(), {}, true, 0});
    unit = codeLines_.end() - 1;
    codeLinesPending_ = true;
  }
  if (unit->Rising) {
    if (plain && number == unit->Highest) return;
    if (plain && number > unit->Highest) {
      unit->Highest = number;
      if (!unit->Rows.empty()) unit->Rows += ',';
      unit->Rows += row();
      codeLinesPending_ = true;
      return;
    }
    // Out of order: from here on every row is looked up among those recorded.
    unit->Rising = false;
    TStringList rows;
    rows.SetCommaText(unit->Rows);
    for (Integer r = 0; r < rows.Count(); ++r) unit->Seen.insert(rows.Strings(r));
  }
  if (!unit->Seen.insert(String(row())).second) return;
  if (!unit->Rows.empty()) unit->Rows += ',';
  unit->Rows += row();
  codeLinesPending_ = true;
}

TStringList& TsxScript::UnitLines() {
  if (codeLinesPending_) {
    unitLines_->Clear();
    for (const CodeLines& unit : codeLines_) unitLines_->Add(unit.Unit + "=" + unit.Rows);
    codeLinesPending_ = false;
  }
  return *unitLines_;
}

void TsxScript::ClearCodeLines() {
  unitLines_->Clear();
  codeLines_.clear();
  codeLinesPending_ = false;
}

}  // namespace orv
