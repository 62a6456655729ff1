#include "script/ProgramBuilder.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/rtl/MemoryAccount.h"
#include "platform/rtl/ObjectHandles.h"
#include "platform/rtl/TextUtils.h"
#include "script/ClassModel.h"
#include "script/Designator.h"
#include "script/Expression.h"
#include "script/ILParser.h"
#include "script/ILTree.h"
#include "script/MethodSyntax.h"
#include "script/Messages.h"
#include "script/Procedures.h"
#include "script/Script.h"
#include "script/Statements.h"
#include "script/TypeHelpers.h"
#include "script/XMLDocument.h"

namespace orv {

using namespace std::string_view_literals;

namespace {

char AsciiFold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Deeper expression trees are refused: evaluating and freeing them recurses once per level.
constexpr int kMaxExpressionDepth = 1000;

const char* const kConstantRequired = "Constant expression expected";
const char* const kTooComplex = "Expression too complex";

// Element names and operators are ASCII; compared blind to case without making a text of them.
// Most comparisons are told by the length, and most names are written as compared.
bool SameFolded(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (AsciiFold(a[i]) != AsciiFold(b[i])) return false;
  return true;
}

inline bool SameAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         (std::memcmp(a.data(), b.data(), b.size()) == 0 || SameFolded(a.data(), b.data(), b.size()));
}

inline bool Is(const TsxILNode& e, std::string_view name) { return SameAscii(e.Name(), name); }

// A literal as a Variant; whole numbers written plainly, the most common, are read here.
Variant LiteralValue(std::string_view text) {
  if (text.empty() || text.size() > 9 || (text[0] == '0' && text.size() > 1)) return sxLiteralToVariant(String(text));
  Integer value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return sxLiteralToVariant(String(text));
    value = value * 10 + (c - '0');
  }
  return Variant(value);
}

// The text attribute; elements read from a document keep theirs unparsed, and give a copy in
// scratch.
std::string_view TextOf(const TsxILNode& e, String& scratch) {
  if (e.NodeForm == TsxILNode::Token) return e.Text();
  scratch = e.Prop("text");
  return scratch;
}

String TextOf(const TsxILNode& e) {
  String scratch;
  return String(TextOf(e, scratch));
}

// The statements by element name; any other element builds nothing.
enum class Stmt : Byte {
  None,
  Assign,
  Call,
  Delete,
  If,
  Case,
  For,
  VbFor,
  CppFor,
  While,
  Repeat,
  Try,
  Break,
  Continue,
  Exit,
  Return,
  With,
  List,
  Uses,
  Var,
  Const,
  Routine
};

Stmt StatementOf(const TsxILNode& e) {
  static const struct {
    std::string_view Name;
    Stmt Kind;
  } kStatements[] = {{"assignstmt", Stmt::Assign}, {"callstmt", Stmt::Call},       {"delete", Stmt::Delete},
                     {"ifstmt", Stmt::If},         {"casestmt", Stmt::Case},       {"forstmt", Stmt::For},
                     {"vbforstmt", Stmt::VbFor},   {"cppforstmt", Stmt::CppFor},   {"whilestmt", Stmt::While},
                     {"repeatstmt", Stmt::Repeat}, {"trystmt", Stmt::Try},         {"break", Stmt::Break},
                     {"continue", Stmt::Continue}, {"exit", Stmt::Exit},           {"return", Stmt::Return},
                     {"with", Stmt::With},         {"compoundstmt", Stmt::List},   {"thenstmt", Stmt::List},
                     {"elsestmt", Stmt::List},     {"uses", Stmt::Uses},           {"var", Stmt::Var},
                     {"const", Stmt::Const},       {"procedure", Stmt::Routine},   {"function", Stmt::Routine}};
  for (const auto& s : kStatements)
    if (Is(e, s.Name)) return s.Kind;
  return Stmt::None;
}

bool IsVariableKind(const TsxCustomVariable* item) {
  return item->Kind == TsxItemKind::Variable || item->Kind == TsxItemKind::StringVariable ||
         item->Kind == TsxItemKind::Param;
}

}  // namespace

struct TsxProgramBuilder::WithEntry {
  String Name;
  TsxCustomVariable* Variable;
};

// One element of an expression's flat list: an operand, a bracket or an operator.
struct TsxProgramBuilder::Token {
  enum Kind : Byte { Operand, Open, Close, Operator };
  const TsxILNode* Element;
  Kind What;
  TsxOpKind Op;   // Operator: Const when the text names none
  int Priority;   // Operator: -1 for the unary ones and unknown texts
};

size_t TsxProgramBuilder::FoldedHash::operator()(std::string_view name) const {
  size_t h = 14695981039346656037ull;
  for (char c : name) h = (h ^ static_cast<unsigned char>(AsciiFold(c))) * 1099511628211ull;
  return h;
}

bool TsxProgramBuilder::FoldedEqual::operator()(std::string_view a, std::string_view b) const {
  return SameAscii(a, b);
}

TsxProgramBuilder::TsxProgramBuilder(TsxScript& script, const TsxILParser& parser)
    : main_(script), parser_(parser) {
  const String lang = parser.LangName();
  pascalRules_ = SameText(lang, "PascalScript");
  breakEndsCase_ = SameText(lang, "C++Script") || SameText(lang, "JScript");
  needDeclareVars_ = parser.NeedDeclareVars();
}

TsxProgramBuilder::~TsxProgramBuilder() = default;

void TsxProgramBuilder::SetPos(const TsxILNode& element) {
  if (element.HasPos()) posElement_ = &element;
}

TsxSourcePos TsxProgramBuilder::CurrentPos() const { return posElement_ ? posElement_->Where() : heldPos_; }

void TsxProgramBuilder::SetHeldPos(const TsxSourcePos& pos) {
  heldPos_ = pos;
  posElement_ = nullptr;
}

void TsxProgramBuilder::NoteOperator(const TsxExpressionNode* node) {
  operators_.push_back({node, posElement_, posElement_ ? TsxSourcePos() : heldPos_});
}

TsxSourcePos TsxProgramBuilder::OperatorPos(const TsxExpressionNode* node, size_t from) const {
  // The last entry is the node's own: a node dropped while parsing may have left its address
  // to a later one.
  for (size_t i = operators_.size(); i-- > from;) {
    const OperatorAt& op = operators_[i];
    if (op.Node != node) continue;
    TsxSourcePos pos = op.Element ? op.Element->Where() : op.Held;
    return pos.Empty() ? TsxSourcePos(0, 0) : pos;
  }
  return TsxSourcePos(0, 0);
}

void TsxProgramBuilder::Fail(const String& message) { throw Exception(message); }

template <class T>
std::unique_ptr<T> TsxProgramBuilder::NewStatement(TsxScript& script, const TsxILNode& element) {
  TsxSourcePos pos = element.Where();
  main_.AddCodeLine(currentUnit_, pos);
  return std::make_unique<T>(&script, currentUnit_, std::move(pos));
}

void TsxProgramBuilder::BuildProgram() {
  withList_.clear();
  ForgetNames();
  tokens_.clear();
  operators_.clear();
  main_.ErrorUnit.clear();
  currentUnit_.clear();
  try {
    BuildScope(parser_.ILRoot(), main_);
    main_.ErrorPos.clear();
  } catch (const Exception& e) {
    main_.ErrorMsg = e.Message().empty() ? String("Error") : e.Message();
    main_.ErrorPos = CurrentPos().ToString();
    main_.ErrorUnit = currentUnit_;
  }
}

// Scopes and routines.

void TsxProgramBuilder::BuildScope(const TsxILNode& element, TsxScript& script) {
  sxCheckStack();
  const TsxILNode* savedRoot = currentRoot_;
  if (Is(element, "program")) currentRoot_ = &element;
  rootTypesKnown_ = false;
  DeclareRoutines(element, script);
  for (int i = 0; i < element.Count(); ++i) BuildStatement(*element.Items(i), script, script.MainStatement());
  currentRoot_ = savedRoot;
  rootTypesKnown_ = false;
}

const TsxILNode* TsxProgramBuilder::RootTypes() {
  if (!rootTypesKnown_) {
    const int at = currentRoot_ ? currentRoot_->Find("types") : -1;
    rootTypes_ = at >= 0 ? currentRoot_->Items(at) : nullptr;
    rootTypesKnown_ = true;
  }
  return rootTypes_;
}

void TsxProgramBuilder::DeclareRoutines(const TsxILNode& element, TsxScript& script) {
  for (int i = 0; i < element.Count(); ++i) {
    const TsxILNode& child = *element.Items(i);
    if (Is(child, "procedure") || Is(child, "function"))
      DeclareRoutine(child, script);
    else if (Is(child, "compoundstmt"))
      DeclareRoutines(child, script);
  }
}

void TsxProgramBuilder::DeclareRoutine(const TsxILNode& element, TsxScript& script) {
  SetPos(element);
  String name, typeText;
  const TsxILNode* params = nullptr;
  for (int i = 0; i < element.Count(); ++i) {
    const TsxILNode& child = *element.Items(i);
    if (Is(child, "name") && name.empty()) name = TextOf(child);
    else if (Is(child, "type") && typeText.empty()) typeText = TextOf(child);
    else if (Is(child, "parameters") && !params) params = &child;
  }
  if (name.empty()) Fail(String(SUndeclaredIdent) + "''");
  CheckRedeclared(name, script);
  const bool isFunc = Is(element, "function") && !SameText(typeText, "void");
  TsxVarType typ = fvtInt;
  String typeName;
  if (isFunc) typ = typeText.empty() ? fvtVariant : ResolveType(typeText, script, typeName);
  auto proc = std::make_unique<TsxProcVariable>(name, typ, typeName, &script, isFunc);
  proc->TypedResult = isFunc && !typeText.empty();
  auto* raw = static_cast<TsxProcVariable*>(Declare(script, name, std::move(proc)));
  routines_[&element] = raw;
  if (params) DeclareParams(*params, *raw);
}

void TsxProgramBuilder::DeclareParams(const TsxILNode& element, TsxProcVariable& proc) {
  bool byRefGroup = false;
  for (int i = 0; i < element.Count(); ++i) {
    const TsxILNode& group = *element.Items(i);
    if (Is(group, "varparams")) {
      byRefGroup = true;
      continue;
    }
    if (!Is(group, "var")) continue;
    SetPos(group);
    String typeText;
    const TsxILNode* init = nullptr;
    bool openArray = false;
    for (int j = 0; j < group.Count(); ++j) {
      if (Is(*group.Items(j), "type") && typeText.empty()) typeText = TextOf(*group.Items(j));
      if (Is(*group.Items(j), "init")) init = group.Items(j);
      if (Is(*group.Items(j), "array")) openArray = true;
    }
    String typeName;
    TsxVarType typ = typeText.empty() ? fvtVariant : ResolveType(typeText, *proc.Program, typeName);
    // An open array ("array of T") takes any array; its elements are read and written through
    // an element helper of their type, as a declared array's are.
    TsxCustomVariable* elements = nullptr;
    if (openArray) {
      elements = proc.Program->Add(String(), std::make_unique<TsxArrayHelper>(String(), 1, typ, typeName));
      typ = fvtArray;
      typeName.clear();
    }
    bool byRef = false;
    for (int j = 0; j < group.Count(); ++j) {
      const TsxILNode& child = *group.Items(j);
      if (Is(child, "varparam")) {
        byRef = true;
        continue;
      }
      if (!Is(child, "ident")) continue;
      SetPos(child);
      const String name = TextOf(child);
      CheckRedeclared(name, *proc.Program);
      auto param = std::make_unique<TsxParamItem>(name, typ, typeName);
      param->RefItem = elements;
      param->IsVarParam = byRefGroup || byRef;
      byRef = false;
      if (init && init->Count() > 0) {
        param->DefValue = EvaluateNow(*init->Items(0), *proc.Program);
        param->Value = param->DefValue;
        param->IsOptional = true;
      }
      TsxParamItem* raw = proc.AddParam(std::move(param));
      proc.Program->AddShared(name, raw);
      ForgetName(name);
    }
    byRefGroup = false;
  }
}

// Statements.

void TsxProgramBuilder::BuildStatements(const TsxILNode& element, TsxScript& script, TsxStatement& list,
                                        int from, int to) {
  const int end = to < 0 ? element.Count() : to;
  for (int i = from; i < end; ++i) BuildStatement(*element.Items(i), script, list);
}

void TsxProgramBuilder::BuildStatement(const TsxILNode& element, TsxScript& script, TsxStatement& list) {
  sxCheckStack();
  // What a program builds (its arrays, its statements) counts against the script's memory.
  CheckMemory();
  const Stmt kind = StatementOf(element);
  SetPos(element);
  switch (kind) {
    case Stmt::None:
      return;
    case Stmt::Assign:
      BuildAssignment(element, script, list);
      return;
    case Stmt::Call:
    case Stmt::Delete: {
      if (element.Count() == 0) return;
      auto stmt = NewStatement<TsxCallStmt>(script, element);
      stmt->Designator = BuildDesignator(*element.Items(0), script, kind == Stmt::Delete ? 2 : 0);
      stmt->Designator->NeedResult = false;
      if (element.Count() > 1 && Is(*element.Items(1), "modificator")) {
        stmt->Modificator = TextOf(*element.Items(1)) == "-" ? '-' : '+';
        if (stmt->Designator->IsReadOnly) Fail(SLeftCantAssigned);
      }
      list.Add(std::move(stmt));
      return;
    }
    case Stmt::If: {
      if (element.Count() == 0) return;
      auto stmt = NewStatement<TsxIfStmt>(script, element);
      stmt->Condition = BuildExpression(*element.Items(0), script);
      for (int i = 1; i < element.Count(); ++i) {
        const TsxILNode& part = *element.Items(i);
        if (Is(part, "thenstmt")) BuildStatements(part, script, *stmt);
        else if (Is(part, "elsestmt")) BuildStatements(part, script, *stmt->ElseStmt);
      }
      list.Add(std::move(stmt));
      return;
    }
    case Stmt::Case:
      BuildCase(element, script, list);
      return;
    case Stmt::For:
      BuildFor(element, script, list, false);
      return;
    case Stmt::VbFor:
      BuildFor(element, script, list, true);
      return;
    case Stmt::CppFor: {
      auto stmt = NewStatement<TsxCppForStmt>(script, element);
      if (element.Count() > 0) BuildStatement(*element.Items(0), script, *stmt->FirstStmt);
      if (element.Count() > 1) stmt->Expression = BuildExpression(*element.Items(1), script);
      if (element.Count() > 2) BuildStatement(*element.Items(2), script, *stmt->SecondStmt);
      if (element.Count() > 3) BuildStatements(element, script, *stmt, 3);
      list.Add(std::move(stmt));
      return;
    }
    case Stmt::While: {
      if (element.Count() == 0) return;
      auto stmt = NewStatement<TsxWhileStmt>(script, element);
      stmt->Condition = BuildExpression(*element.Items(0), script);
      BuildStatements(element, script, *stmt, 1);
      list.Add(std::move(stmt));
      return;
    }
    case Stmt::Repeat: {
      auto stmt = NewStatement<TsxRepeatStmt>(script, element);
      int cond = element.Count() - 1;
      if (cond >= 0 && Is(*element.Items(cond), "inverse")) {
        stmt->InverseCondition = true;
        --cond;
      }
      if (cond < 0) return;
      BuildStatements(element, script, *stmt, 0, cond);
      SetPos(*element.Items(cond));
      stmt->Condition = BuildExpression(*element.Items(cond), script);
      list.Add(std::move(stmt));
      return;
    }
    case Stmt::Try: {
      auto stmt = NewStatement<TsxTryStmt>(script, element);
      for (int i = 0; i < element.Count(); ++i) {
        const TsxILNode& part = *element.Items(i);
        if (Is(part, "exceptstmt")) {
          stmt->IsExcept = true;
          BuildStatements(part, script, *stmt->ExceptStmt);
        } else if (Is(part, "finallystmt")) {
          BuildStatements(part, script, *stmt->ExceptStmt);
        } else {
          BuildStatement(part, script, *stmt);
        }
      }
      list.Add(std::move(stmt));
      return;
    }
    case Stmt::Break:
      list.Add(NewStatement<TsxBreakStmt>(script, element));
      return;
    case Stmt::Continue:
      list.Add(NewStatement<TsxContinueStmt>(script, element));
      return;
    case Stmt::Exit:
      list.Add(NewStatement<TsxExitStmt>(script, element));
      return;
    case Stmt::Return:
      BuildReturn(element, script, list);
      return;
    case Stmt::With:
      BuildWith(element, script, list);
      return;
    case Stmt::List:
      BuildStatements(element, script, list);
      return;
    case Stmt::Uses:
      BuildUses(element, script);
      return;
    case Stmt::Var:
      BuildVar(element, script, list);
      return;
    case Stmt::Const:
      BuildConst(element, script);
      return;
    case Stmt::Routine: {
      auto found = routines_.find(&element);
      if (found == routines_.end()) return;
      TsxProcVariable* proc = found->second;
      const TsxILNode* savedRoot = currentRoot_;
      DeclareRoutines(element, *proc->Program);
      for (int i = 0; i < element.Count(); ++i)
        BuildStatement(*element.Items(i), *proc->Program, proc->Program->MainStatement());
      currentRoot_ = savedRoot;
      return;
    }
  }
}

void TsxProgramBuilder::BuildAssignment(const TsxILNode& element, TsxScript& script, TsxStatement& list) {
  if (element.Count() == 1 && Is(*element.Items(0), "assignstmt")) {
    BuildAssignment(*element.Items(0), script, list);
    return;
  }
  const TsxILNode* dsgn = nullptr;
  const TsxILNode* expr = nullptr;
  char op = ' ';
  for (int i = 0; i < element.Count(); ++i) {
    const TsxILNode& child = *element.Items(i);
    if (Is(child, "dsgn") && !dsgn) dsgn = &child;
    else if (Is(child, "modificator")) {
      const String text = TextOf(child);
      op = text.empty() ? ' ' : text[0];
    }
    else if (Is(child, "expr")) expr = &child;
  }
  if (!dsgn || !expr) return;
  auto stmt = NewStatement<TsxAssignmentStmt>(script, element);
  BuildTarget(*dsgn, script, *stmt);
  SetPos(element);
  if (stmt->Target().IsReadOnly) Fail(SLeftCantAssigned);
  const String* typeName = nullptr;
  auto source = BuildTree(*expr, script, typeName);
  SetPos(element);
  CheckCompatible(stmt->Target(), source->Typ, *typeName);
  stmt->Op = op == '+' || op == '-' || op == '*' || op == '/' ? op : ' ';
  stmt->Optimize(std::move(source), *typeName);
  list.Add(std::move(stmt));
}

void TsxProgramBuilder::BuildReturn(const TsxILNode& element, TsxScript& script, TsxStatement& list) {
  if (element.Count() > 0 && Is(*element.Items(0), "expr")) {
    const TsxILNode& expr = *element.Items(0);
    SetPos(expr);
    auto stmt = NewStatement<TsxAssignmentStmt>(script, element);
    TsxCustomVariable* result = FindVar("Result", script);
    if (IsVariableKind(result) && result->Count() == 0) {
      stmt->SetTarget(result);
    } else {
      auto dsg = std::make_unique<TsxDesignator>(&script);
      TsxDesignatorItem item;
      item.Ref = result;
      item.SourcePos = CurrentPos();
      dsg->Items.push_back(std::move(item));
      dsg->Finalize();
      stmt->Designator = std::move(dsg);
    }
    if (stmt->Target().IsReadOnly) Fail(SLeftCantAssigned);
    const String* typeName = nullptr;
    auto source = BuildTree(expr, script, typeName);
    CheckCompatible(stmt->Target(), source->Typ, *typeName);
    stmt->Optimize(std::move(source), *typeName);
    stmt->Returns = true;
    list.Add(std::move(stmt));
    return;
  }
  list.Add(NewStatement<TsxExitStmt>(script, element));
}

void TsxProgramBuilder::BuildCase(const TsxILNode& element, TsxScript& script, TsxStatement& list) {
  if (element.Count() == 0) return;
  auto stmt = NewStatement<TsxCaseStmt>(script, element);
  stmt->BreakEndsCase = breakEndsCase_;
  stmt->Condition = BuildExpression(*element.Items(0), script);
  for (int i = 1; i < element.Count(); ++i) {
    const TsxILNode& child = *element.Items(i);
    SetPos(child);
    if (Is(child, "caseselector")) {
      if (child.Count() == 0 || !Is(*child.Items(0), "set")) continue;
      auto sel = std::make_unique<TsxCaseSelector>(&script, currentUnit_, child.Where());
      sel->SetExpression = BuildSet(*child.Items(0), script);
      // A label with an empty statement still matches, so its value does not fall to else.
      if (child.Count() >= 2) BuildStatements(child, script, *sel, 1);
      stmt->Add(std::move(sel));
    } else if (i == element.Count() - 1) {
      BuildStatement(child, script, *stmt->ElseStmt);
    }
  }
  list.Add(std::move(stmt));
}

void TsxProgramBuilder::BuildFor(const TsxILNode& element, TsxScript& script, TsxStatement& list, bool vb) {
  if (element.Count() < 3 || !Is(*element.Items(0), "ident")) return;
  SetPos(*element.Items(0));
  TsxCustomVariable* var = FindVar(TextOf(*element.Items(0)), script);
  if ((var->Kind != TsxItemKind::Variable && var->Kind != TsxItemKind::StringVariable) ||
      (var->Typ != fvtInt && var->Typ != fvtFloat && var->Typ != fvtVariant) || var->IsReadOnly)
    Fail(SForError);
  std::vector<const TsxILNode*> exprs;
  int body = element.Count();
  bool down = false;
  for (int i = 1; i < element.Count(); ++i) {
    const TsxILNode& child = *element.Items(i);
    if (Is(child, "downto")) down = true;
    else if (Is(child, "expr") && static_cast<int>(exprs.size()) < (vb ? 3 : 2)) exprs.push_back(&child);
    else {
      body = i;
      break;
    }
  }
  if (exprs.size() < 2) return;
  if (vb) {
    auto stmt = NewStatement<TsxVbForStmt>(script, element);
    stmt->Variable = var;
    stmt->BeginValue = BuildExpression(*exprs[0], script);
    CheckCompatible(*var, *stmt->BeginValue);
    stmt->EndValue = BuildExpression(*exprs[1], script);
    CheckCompatible(*var, *stmt->EndValue);
    if (exprs.size() > 2) {
      stmt->Step = BuildExpression(*exprs[2], script);
      CheckCompatible(*var, *stmt->Step);
    }
    BuildStatements(element, script, *stmt, body);
    list.Add(std::move(stmt));
    return;
  }
  auto stmt = NewStatement<TsxForStmt>(script, element);
  stmt->Variable = var;
  stmt->Down = down;
  stmt->BeginValue = BuildExpression(*exprs[0], script);
  CheckCompatible(*var, *stmt->BeginValue);
  stmt->EndValue = BuildExpression(*exprs[1], script);
  CheckCompatible(*var, *stmt->EndValue);
  BuildStatements(element, script, *stmt, body);
  list.Add(std::move(stmt));
}

void TsxProgramBuilder::BuildWith(const TsxILNode& element, TsxScript& script, TsxStatement& list) {
  const size_t added = withList_.size();
  // The body is the last child; an empty body leaves the designators alone, and they must
  // still name objects.
  const int count = element.Count();
  const bool hasBody = count > 0 && !Is(*element.Items(count - 1), "dsgn");
  for (int i = 0; i < (hasBody ? count - 1 : count); ++i) {
    const TsxILNode& child = *element.Items(i);
    if (!Is(child, "dsgn")) continue;
    auto dsg = BuildDesignator(child, script, 0);
    if (dsg->Typ != fvtClass && dsg->Typ != fvtVariant) Fail(SClassRequired);
    String name;
    for (int n = 0;; ++n) {
      name = "_WithList_" + std::to_string(n);
      bool used = script.FindLocal(name) != nullptr;
      for (const WithEntry& w : withList_) used = used || SameText(w.Name, name);
      if (!used) break;
    }
    auto var = std::make_unique<TsxVariable>(name, dsg->Typ, dsg->TypeName());
    TsxCustomVariable* raw = Declare(script, name, std::move(var));
    auto stmt = std::make_unique<TsxWithStmt>(&script, currentUnit_, child.Where());
    stmt->Designator = std::move(dsg);
    stmt->Variable = raw;
    list.Add(std::move(stmt));
    withList_.push_back({name, raw});
  }
  if (hasBody) BuildStatement(*element.Items(count - 1), script, list);
  withList_.resize(added);
}

void TsxProgramBuilder::BuildUses(const TsxILNode& element, TsxScript& script) {
  const String savedUnit = currentUnit_;
  currentUnit_ = element.Prop("unit");
  String il;
  if (main_.OnGetILUnit) {
    main_.OnGetILUnit(main_, currentUnit_, il);
    // The host may have declared names meanwhile.
    ForgetNames();
  }
  if (!il.empty()) {
    TsxXMLDocument doc;
    doc.LoadFromString(il);
    TsxILTree tree;
    try {
      BuildScope(*tree.FromDocument(*doc.Root()), script);
    } catch (...) {
      // The failing element goes with the tree; its position stays.
      SetHeldPos(CurrentPos());
      throw;
    }
  } else {
    for (int i = 0; i < element.Count(); ++i)
      if (Is(*element.Items(i), "program")) BuildScope(*element.Items(i), script);
  }
  currentUnit_ = savedUnit;
}

// Declarations.

void TsxProgramBuilder::BuildVar(const TsxILNode& element, TsxScript& script, TsxStatement& list) {
  struct Decl {
    const TsxILNode* Ident;
    const TsxILNode* Array = nullptr;
    const TsxILNode* Init = nullptr;
  };
  String typeText;
  const bool typeFirst = element.Count() > 0 && Is(*element.Items(0), "type");
  std::vector<Decl> decls;
  const TsxILNode* sharedArray = nullptr;
  const TsxILNode* sharedInit = nullptr;
  for (int i = 0; i < element.Count(); ++i) {
    const TsxILNode& child = *element.Items(i);
    if (Is(child, "type") && typeText.empty()) typeText = TextOf(child);
    else if (Is(child, "ident")) decls.push_back({&child});
    else if (Is(child, "array")) {
      if (typeFirst && !decls.empty()) decls.back().Array = &child;
      else sharedArray = &child;
    } else if (Is(child, "init")) {
      if (typeFirst && !decls.empty()) decls.back().Init = &child;
      else sharedInit = &child;
    }
  }
  if (!typeFirst)
    for (Decl& d : decls) {
      d.Array = sharedArray;
      d.Init = sharedInit;
    }
  String typeName;
  const TsxVarType typ = typeText.empty() ? fvtVariant : ResolveType(typeText, script, typeName);
  for (const Decl& d : decls) {
    SetPos(*d.Ident);
    const String name = TextOf(*d.Ident);
    CheckRedeclared(name, script);
    std::unique_ptr<TsxVariable> var;
    if (typ == fvtString || typ == fvtChar) var = std::make_unique<TsxStringVariable>(name, typ);
    else var = std::make_unique<TsxVariable>(name, typ, typeName);
    switch (typ) {
      case fvtInt: case fvtFloat: case fvtClass: var->SetValue(Variant(0)); break;
      case fvtBool: var->SetValue(Variant(false)); break;
      case fvtChar: case fvtString: var->SetValue(Variant("")); break;
      default: var->Value = Variant(); break;
    }
    var->SetOnGetVarValue(script.OnGetVarValue);
    if (d.Array) {
      std::vector<Integer> bounds;
      for (int k = 0; k < d.Array->Count(); ++k) {
        const TsxILNode& dim = *d.Array->Items(k);
        if (!Is(dim, "dim")) continue;
        std::vector<Variant> values;
        const TsxILNode* previous = nullptr;
        for (int j = 0; j < dim.Count(); ++j) {
          const TsxILNode& bound = *dim.Items(j);
          if (!Is(bound, "expr")) continue;
          // The parser leaves a count written alone twice: once from the range it tried first.
          if (previous && previous->Prop("pos") == bound.Prop("pos") &&
              previous->Prop("pos1") == bound.Prop("pos1"))
            continue;
          values.push_back(EvaluateNow(bound, script));
          previous = &bound;
        }
        if (values.size() >= 2) {
          bounds.push_back(values[0].ToInteger());
          bounds.push_back(values[1].ToInteger());
        } else if (values.size() == 1) {
          bounds.push_back(0);
          bounds.push_back(values[0].ToInteger() - 1);
        }
      }
      if (bounds.empty()) bounds = {0, 0};
      sxCheckArrayBounds(bounds);
      const int dims = static_cast<int>(bounds.size() / 2);
      auto helper = std::make_unique<TsxArrayHelper>(String(), dims, typ, typeName);
      auto arrayVar = std::make_unique<TsxVariable>(name, fvtArray);
      arrayVar->Value = VarArrayCreate(bounds, varVariant);
      arrayVar->SetOnGetVarValue(script.OnGetVarValue);
      arrayVar->RefItem = script.Add(String(), std::move(helper));
      var = std::move(arrayVar);
    }
    TsxCustomVariable* raw = Declare(script, name, std::move(var));
    if (d.Init && d.Init->Count() > 0) {
      SetPos(*d.Init);
      auto stmt = NewStatement<TsxAssignmentStmt>(script, *d.Init);
      stmt->SetTarget(raw);
      const String* typeName = nullptr;
      auto source = BuildTree(*d.Init->Items(0), script, typeName);
      SetPos(*d.Init);
      CheckCompatible(*raw, source->Typ, *typeName);
      stmt->Optimize(std::move(source), *typeName);
      list.Add(std::move(stmt));
    }
  }
}

void TsxProgramBuilder::BuildConst(const TsxILNode& element, TsxScript& script) {
  if (element.Count() < 2) return;
  const String name = TextOf(*element.Items(0));
  SetPos(*element.Items(0));
  CheckRedeclared(name, script);
  auto expr = BuildExpression(*element.Items(1), script);
  auto var = std::make_unique<TsxVariable>(name, expr->Typ, expr->TypeName());
  var->Value = EvaluateNow(*element.Items(1), script);
  var->IsReadOnly = true;
  Declare(script, name, std::move(var));
}

// Names and types.

TsxCustomVariable* TsxProgramBuilder::FindVar(std::string_view name, TsxScript& script) {
  // A name is mostly used many times in one scope, often twice in a row (x := x + 1): looked
  // up in the scopes once, then hashed, the last one kept at hand.
  if (last_.Item && last_.Scope == &script && lastName_ == name) return last_.Item;
  TsxCustomVariable* item;
  if (auto known = names_.find(name); known != names_.end() && known->second.Scope == &script) {
    item = known->second.Item;
  } else {
    String owned(name);
    item = script.Find(owned);
    if (!item) {
      if (needDeclareVars_) Fail(String(SUndeclaredIdent) + "'" + owned + "'");
      auto var = std::make_unique<TsxVariable>(owned, fvtVariant);
      var->SetOnGetVarValue(main_.OnGetVarValue);
      item = main_.Add(owned, std::move(var));
    }
    names_.insert_or_assign(std::move(owned), Found{&script, item});
  }
  last_ = {&script, item};
  lastName_ = name;
  return item;
}

void TsxProgramBuilder::ForgetName(const String& name) {
  names_.erase(name);
  last_ = {};
}

void TsxProgramBuilder::ForgetNames() {
  names_.clear();
  last_ = {};
}

TsxCustomVariable* TsxProgramBuilder::Declare(TsxScript& script, const String& name,
                                              std::unique_ptr<TsxCustomVariable> item) {
  ForgetName(name);
  return script.Add(name, std::move(item));
}

void TsxProgramBuilder::CheckRedeclared(const String& name, TsxScript& script) {
  if (script.FindLocal(name)) Fail(String(SIdentRedeclared) + "'" + name + "'");
}

TsxVarType TsxProgramBuilder::ResolveType(const String& name, TsxScript& script, String& typeName) {
  String resolved = name;
  // The program's own aliases first, then the grammar's.
  const TsxILNode* own = RootTypes();
  const TsxXMLItem* grammar = parser_.Grammar() ? parser_.Grammar()->Types() : nullptr;
  if (const int at = own ? own->Find(name) : -1; at >= 0) {
    resolved = own->Items(at)->Prop("type");
  } else if (const int at = grammar ? grammar->Find(name) : -1; at >= 0) {
    resolved = grammar->Items(at)->Prop("type");
  }
  const TsxVarType typ = sxTypeNameToVarType(resolved, &script);
  if (typ == fvtClass && !script.FindClass(resolved)) Fail(String(SUnknownType) + "'" + name + "'");
  typeName = typ == fvtClass || typ == fvtEnum ? resolved : String();
  if (typ == fvtClass) typeName = script.FindClass(resolved)->Name();
  return typ;
}

void TsxProgramBuilder::CheckCompatible(const TsxCustomVariable& dest, const TsxCustomVariable& src) {
  CheckCompatible(dest, src.Typ, src.TypeName());
}

void TsxProgramBuilder::CheckCompatible(const TsxCustomVariable& dest, TsxVarType typ, const String& typeName) {
  if (!sxVarsCompatible(dest, {typ, typeName}, &main_))
    Fail(String(SIncompatibleTypes) + ": '" + dest.GetFullTypeName() + "', '" + sxFullTypeName(typ, typeName) + "'");
}

// Designators.

namespace {

struct Link {
  String Text;
  const TsxILNode* Node;
  std::vector<const TsxILNode*> Args;
};

}  // namespace

std::unique_ptr<TsxDesignator> TsxProgramBuilder::BuildDesignator(const TsxILNode& element, TsxScript& script,
                                                                  int mode) {
  sxCheckStack();
  SetPos(element);
  if (const TsxILNode* name = mode == 0 ? SingleName(element) : nullptr) {
    String scratch;
    return NameDesignator(FindVar(TextOf(*name, scratch), script), *name, script);
  }
  auto dsg = std::make_unique<TsxDesignator>(&script);
  std::vector<Link> links;
  bool addr = false;
  for (int i = 0; i < element.Count(); ++i) {
    const TsxILNode& child = *element.Items(i);
    if (Is(child, "addr")) addr = true;
    else if (Is(child, "node")) links.push_back({TextOf(child), &child, {}});
    else if (Is(child, "expr") && !links.empty()) links.back().Args.push_back(&child);
  }
  if (links.empty()) Fail(SVarRequired);
  if (addr) {
    if (links.size() != 1 || !links[0].Args.empty()) Fail(SVarRequired);
    auto name = std::make_unique<TsxStringVariable>(String());
    name->Value = Variant(links[0].Text);
    name->IsReadOnly = true;
    TsxDesignatorItem item;
    item.Ref = script.Add(String(), std::move(name));
    dsg->Items.push_back(std::move(item));
    dsg->Finalize();
    return dsg;
  }

  // Items with the argument elements of each; a hidden item is a with-variable's.
  struct Pending {
    std::vector<const TsxILNode*> Args;
    bool Hidden;
  };
  std::vector<Pending> args;
  // A with-variable and a constructor add an item each to one per link; a single link without
  // them keeps its item in place.
  args.reserve(links.size() + 2);
  if (links.size() > 1) dsg->Items.reserve(links.size() + 2);
  auto push = [&](TsxCustomVariable* ref, const TsxSourcePos& pos, std::vector<const TsxILNode*> a, bool isHidden) {
    TsxDesignatorItem& item = dsg->Items.emplace_back();
    item.Ref = ref;
    item.SourcePos = pos;
    args.push_back({std::move(a), isHidden});
  };
  auto late = [&](const String& name) {
    return script.Add(String(), std::make_unique<TsxLateMember>(name));
  };

  // The first link: a member of a with-object, or a name of the scope.
  const Link& first = links[0];
  bool placed = false;
  for (size_t w = withList_.size(); w-- > 0 && !placed;) {
    TsxCustomVariable* with = withList_[w].Variable;
    if (with->Typ == fvtClass) {
      TsxClassVariable* cls = script.FindClass(with->TypeName());
      if (TsxCustomHelper* member = cls ? cls->Find(first.Text) : nullptr) {
        push(with, first.Node->Where(), {}, true);
        push(member, first.Node->Where(), first.Args, false);
        placed = true;
      }
    } else if (with->Typ == fvtVariant && !script.Find(first.Text)) {
      push(with, first.Node->Where(), {}, true);
      push(late(first.Text), first.Node->Where(), first.Args, false);
      placed = true;
    }
  }
  if (!placed) push(FindVar(first.Text, script), first.Node->Where(), first.Args, false);
  if (mode == 1) {
    TsxCustomVariable* ref = dsg->Items.back().Ref;
    if (ref->Kind != TsxItemKind::Class) Fail(SClassRequired);
    TsxCustomHelper* create = static_cast<TsxClassVariable*>(ref)->Find("Create");
    if (!create) Fail(String(SUndeclaredIdent) + "'Create'");
    std::vector<const TsxILNode*> createArgs = std::move(args.back().Args);
    args.back().Args.clear();
    push(create, first.Node->Where(), std::move(createArgs), false);
  }

  bool isLate = dsg->Items.back().Ref->Kind == TsxItemKind::LateMember;
  for (size_t l = 1; l < links.size(); ++l) {
    const Link& link = links[l];
    SetPos(*link.Node);
    const bool index = link.Text == "[";
    TsxCustomVariable* prev = dsg->Items.back().Ref;
    if (isLate) {
      push(late(link.Text), link.Node->Where(), link.Args, false);
      continue;
    }
    if (prev->Kind == TsxItemKind::Method && static_cast<TsxMethodHelper*>(prev)->IsIndexProperty &&
        args.back().Args.empty()) {
      if (!index) Fail(SIndexRequired);
      args.back().Args = link.Args;
      continue;
    }
    TsxVarType typ = prev->Typ;
    String typeName = prev->TypeName();
    if (prev->Kind == TsxItemKind::Method && prev->Typ == fvtConstructor) {
      typ = fvtClass;
      typeName = dsg->Items[dsg->Items.size() - 2].Ref->Name();
    }
    TsxClassVariable* cls = nullptr;
    Variant known;  // the value before this link, when it may be read now
    const bool readable = IsVariableKind(prev) && args.back().Args.empty();
    if (readable) known = prev->Value;
    if (prev->Kind == TsxItemKind::Class) {
      cls = static_cast<TsxClassVariable*>(prev);
    } else if (typ == fvtVariant) {
      if (readable && VarIsStr(known) && !index) Fail(SStringError);
      TObject* obj = nullptr;
      if (readable && (known.VType() == varInteger || known.VType() == varInt64)) {
        try {
          obj = sxValueToObject(known);
        } catch (const Exception&) {
          obj = nullptr;
        }
      }
      if (obj) {
        for (TClass c = obj->ClassType(); c && !cls; c = c->ClassParent()) cls = script.FindClass(c->ClassName());
      }
      if (!cls) {
        isLate = true;
        push(late(link.Text), link.Node->Where(), link.Args, false);
        continue;
      }
    } else if (typ == fvtString || typ == fvtChar) {
      if (!index) Fail(SStringError);
      TsxCustomVariable* helper = script.Find("__StringHelper");
      if (!helper || helper->Kind != TsxItemKind::StringHelper)
        helper = script.Add(String(), std::make_unique<TsxStringHelper>());
      push(helper, link.Node->Where(), link.Args, false);
      continue;
    } else if (typ == fvtArray) {
      if (!index) Fail(SIndexRequired);
      TsxCustomVariable* helper = prev->RefItem;
      if (!helper || helper->Kind != TsxItemKind::ArrayHelper) {
        helper = late("[");
      }
      push(helper, link.Node->Where(), link.Args, false);
      continue;
    } else if (typ == fvtClass) {
      cls = script.FindClass(typeName);
    } else {
      Fail(SArrayRequired);
    }
    if (!cls) Fail(String(SUndeclaredIdent) + "'" + link.Text + "'");
    if (index) {
      if (!cls->DefProperty) {
        char text[256];
        std::snprintf(text, sizeof text, SClassError, cls->Name().c_str());
        Fail(text);
      }
      push(cls->DefProperty, link.Node->Where(), link.Args, false);
      continue;
    }
    if (TsxCustomHelper* member = cls->Find(link.Text)) {
      push(member, link.Node->Where(), link.Args, false);
      continue;
    }
    TObject* holder = nullptr;
    if (readable) {
      try {
        holder = sxValueToObject(known);
      } catch (const Exception&) {
        holder = nullptr;
      }
    }
    if (auto* component = dynamic_cast<TComponent*>(holder)) {
      if (TComponent* child = component->FindComponent(link.Text)) {
        auto constant = std::make_unique<TsxVariable>(link.Text, fvtClass, child->ClassName());
        constant->Value = sxObjectToValue(child);
        constant->IsReadOnly = true;
        push(script.Add(String(), std::move(constant)), link.Node->Where(), link.Args, false);
        continue;
      }
    }
    if (!holder && script.LateBinding && !script.IsRunning) {
      isLate = true;
      push(late(link.Text), link.Node->Where(), link.Args, false);
      continue;
    }
    Fail(String(SUndeclaredIdent) + "'" + link.Text + "'");
  }

  if (mode == 2) {
    TsxCustomVariable* last = dsg->Items.back().Ref;
    TsxVarType typ = last->Typ;
    String typeName = last->TypeName();
    if (last->Kind == TsxItemKind::Class) typ = fvtClass, typeName = last->Name();
    if (typ != fvtClass && typ != fvtVariant) Fail(SClassRequired);
    TsxClassVariable* object = script.FindClass("TObject");
    TsxCustomHelper* release = object ? object->Find("Free") : nullptr;
    if (release) push(release, CurrentPos(), {}, false);
    else push(late("Free"), CurrentPos(), {}, false);
  }

  // Arguments, checked against the parameters of the item they belong to.
  for (size_t k = 0; k < dsg->Items.size(); ++k) {
    TsxDesignatorItem& item = dsg->Items[k];
    TsxCustomVariable* ref = item.Ref;
    for (const TsxILNode* a : args[k].Args) {
      item.Args.push_back(BuildExpression(*a, script));
      // A macro receives its arguments as they are written.
      if (ref->IsMacro) item.Args.back()->Source = SourceText(*a);
    }
    if (args[k].Hidden || ref->Kind == TsxItemKind::LateMember) continue;
    // A class name takes an argument only in the cast form TFoo(x).
    if (ref->Kind == TsxItemKind::Class && item.Args.size() <= 1) continue;
    if (!args[k].Args.empty()) SetPos(*args[k].Args.front());
    const int given = static_cast<int>(item.Args.size());
    if (given < ref->GetNumberOfRequiredParams()) Fail(SNotEnoughParams);
    if (given > ref->Count()) Fail(STooManyParams);
    for (int p = given; p < ref->Count(); ++p)
      item.Args.push_back(ConstExpression(ref->Params(p)->DefValue, script));
    for (int p = 0; p < given; ++p) {
      SetPos(*args[k].Args[static_cast<size_t>(p)]);
      CheckCompatible(*ref->Params(p), *item.Args[static_cast<size_t>(p)]);
    }
  }
  dsg->Finalize();
  return dsg;
}

void TsxProgramBuilder::BuildTarget(const TsxILNode& element, TsxScript& script, TsxAssignmentStmt& stmt) {
  const TsxILNode* name = SingleName(element);
  if (!name) {
    stmt.Designator = BuildDesignator(element, script, 0);
    return;
  }
  SetPos(element);
  String scratch;
  TsxCustomVariable* ref = FindVar(TextOf(*name, scratch), script);
  if (IsVariableKind(ref) && ref->Count() == 0) stmt.SetTarget(ref);
  else stmt.Designator = NameDesignator(ref, *name, script);
}

const TsxILNode* TsxProgramBuilder::SingleName(const TsxILNode& element) const {
  if (!withList_.empty() || element.Count() != 1 || !Is(*element.Items(0), "node")) return nullptr;
  return element.Items(0);
}

std::unique_ptr<TsxDesignator> TsxProgramBuilder::NameDesignator(TsxCustomVariable* ref, const TsxILNode& name,
                                                                 TsxScript& script) {
  auto dsg = std::make_unique<TsxDesignator>(&script);
  TsxDesignatorItem& item = dsg->Items.emplace_back();
  item.Ref = ref;
  item.SourcePos = name.Where();
  // A routine named without arguments takes the defaults of its parameters, and needs them all.
  if (ref->Count() > 0 && ref->Kind != TsxItemKind::LateMember && ref->Kind != TsxItemKind::Class) {
    if (ref->GetNumberOfRequiredParams() > 0) Fail(SNotEnoughParams);
    for (int p = 0; p < ref->Count(); ++p)
      dsg->Items.back().Args.push_back(ConstExpression(ref->Params(p)->DefValue, script));
  }
  dsg->Finalize();
  return dsg;
}

// Expressions.

int TsxProgramBuilder::Priority(TsxOpKind op) const {
  switch (op) {
    case TsxOpKind::Mul: case TsxOpKind::DivFloat: case TsxOpKind::DivInt: case TsxOpKind::Mod:
    case TsxOpKind::Shl: case TsxOpKind::Shr:
      return 2;
    case TsxOpKind::And: return pascalRules_ ? 2 : 5;
    case TsxOpKind::Plus: case TsxOpKind::Minus: case TsxOpKind::StrCat:
      return 3;
    case TsxOpKind::Xor: return pascalRules_ ? 3 : 6;
    case TsxOpKind::Or: return pascalRules_ ? 3 : 7;
    case TsxOpKind::Great: case TsxOpKind::Less: case TsxOpKind::LessEq: case TsxOpKind::GreatEq:
    case TsxOpKind::NonEq: case TsxOpKind::Eq: case TsxOpKind::In: case TsxOpKind::Is:
      return 4;
    default:
      return -1;
  }
}

namespace {

TsxOpKind OpKindOf(std::string_view op) {
  if (op.size() == 1) {
    switch (op[0]) {
      case '>': return TsxOpKind::Great;
      case '<': return TsxOpKind::Less;
      case '=': return TsxOpKind::Eq;
      case '+': return TsxOpKind::Plus;
      case '-': return TsxOpKind::Minus;
      case '*': return TsxOpKind::Mul;
      case '/': return TsxOpKind::DivFloat;
      default: return TsxOpKind::Const;
    }
  }
  static const struct {
    std::string_view Text;
    TsxOpKind Kind;
  } kOps[] = {{"<=", TsxOpKind::LessEq}, {">=", TsxOpKind::GreatEq}, {"<>", TsxOpKind::NonEq},
              {"strcat", TsxOpKind::StrCat}, {"or", TsxOpKind::Or},      {"xor", TsxOpKind::Xor},
              {"div", TsxOpKind::DivInt},    {"mod", TsxOpKind::Mod},    {"and", TsxOpKind::And},
              {"shl", TsxOpKind::Shl},       {"shr", TsxOpKind::Shr},    {"not", TsxOpKind::Not},
              {"unminus", TsxOpKind::UnMinus}, {"in", TsxOpKind::In},    {"is", TsxOpKind::Is}};
  for (const auto& o : kOps)
    if (SameAscii(op, o.Text)) return o.Kind;
  return TsxOpKind::Const;
}

TsxVarType ConstType(const Variant& v) {
  switch (v.VType()) {
    case varBoolean: return fvtBool;
    case varSingle: case varDouble: case varCurrency: return fvtFloat;
    case varString: case varOleStr: return fvtString;
    default: return fvtInt;
  }
}

}  // namespace

std::unique_ptr<TsxExpression> TsxProgramBuilder::ConstExpression(const Variant& value, TsxScript& script) {
  auto expr = std::make_unique<TsxExpression>(&script);
  expr->Root = std::make_unique<TsxExpressionNode>();
  expr->Root->Op = TsxOpKind::Const;
  expr->Root->Value = value;
  expr->Root->Typ = value.IsNull() || value.IsEmpty() ? fvtVariant : ConstType(value);
  expr->Finalize();
  return expr;
}

std::unique_ptr<TsxSetExpression> TsxProgramBuilder::BuildSet(const TsxILNode& element, TsxScript& script) {
  auto set = std::make_unique<TsxSetExpression>();
  for (int i = 0; i < element.Count(); ++i) {
    const TsxILNode& child = *element.Items(i);
    if (Is(child, "expr")) set->Entries.push_back(BuildExpression(child, script));
    else if (Is(child, "range")) set->Entries.push_back(nullptr);
  }
  return set;
}

void TsxProgramBuilder::AddTokens(const TsxILNode& expr) {
  for (int i = 0; i < expr.Count(); ++i) {
    const TsxILNode* child = expr.Items(i);
    if (Is(*child, "expr")) {
      AddTokens(*child);
      continue;
    }
    Token token{child, Token::Operand, TsxOpKind::Const, -1};
    if (Is(*child, "op")) {
      String scratch;
      const std::string_view text = TextOf(*child, scratch);
      if (text == "(") {
        token.What = Token::Open;
      } else if (text == ")") {
        token.What = Token::Close;
      } else if (!text.empty()) {
        token.What = Token::Operator;
        token.Op = OpKindOf(text);
        token.Priority = Priority(token.Op);
      }
    }
    tokens_.push_back(token);
  }
}

std::unique_ptr<TsxExpressionNode> TsxProgramBuilder::ParseOperand(size_t& at, TsxScript& script, int depth) {
  if (depth > kMaxExpressionDepth) Fail(kTooComplex);
  if (at >= tokens_.size()) Fail(SIncompatibleTypes);
  // A copy: building an operand may add the tokens of inner expressions.
  const Token token = tokens_[at++];
  SetPos(*token.Element);
  if (token.What == Token::Open) {
    auto inner = ParseBinary(at, script, 100, depth + 1);
    if (at < tokens_.size() && tokens_[at].What == Token::Close) ++at;
    return inner;
  }
  auto node = std::make_unique<TsxExpressionNode>();
  if (token.What == Token::Operator && (token.Op == TsxOpKind::Not || token.Op == TsxOpKind::UnMinus)) {
    NoteOperator(node.get());
    node->Op = token.Op;
    node->Left = ParseOperand(at, script, depth + 1);
    return node;
  }
  if (token.What != Token::Operand) Fail(SIncompatibleTypes);
  const TsxILNode& e = *token.Element;
  String scratch;
  if (Is(e, "number") || Is(e, "string")) {
    node->Op = TsxOpKind::Const;
    node->Value = LiteralValue(TextOf(e, scratch));
    node->Typ = ConstType(node->Value);
  } else if (Is(e, "dsgn") || Is(e, "new")) {
    std::unique_ptr<TsxDesignator> dsg;
    if (Is(e, "new")) {
      if (e.Count() == 0) Fail(SClassRequired);
      dsg = BuildDesignator(*e.Items(0), script, 1);
    } else if (const TsxILNode* name = SingleName(e)) {
      TsxCustomVariable* ref = FindVar(TextOf(*name, scratch), script);
      // A plain variable is read in place, without a designator.
      if (IsVariableKind(ref) && ref->Count() == 0 && (ref->Kind == TsxItemKind::Param || !ref->Hooked())) {
        node->Op = TsxOpKind::Var;
        node->Item = ref;
        node->Typ = ref->Typ;
        return node;
      }
      dsg = NameDesignator(ref, *name, script);
    } else {
      dsg = BuildDesignator(e, script, 0);
    }
    TsxCustomVariable* var = dsg->PlainVariable();
    node->Typ = dsg->Typ;
    if (var && (var->Kind == TsxItemKind::Param || !var->Hooked())) {
      node->Op = TsxOpKind::Var;
      node->Item = var;
    } else {
      node->Op = TsxOpKind::Designator;
      node->Dsg = dsg.release();
    }
  } else if (Is(e, "set")) {
    auto set = BuildSet(e, script);
    node->Op = TsxOpKind::Set;
    node->SetExpr = set.release();
    node->Typ = fvtVariant;
  } else {
    Fail(SIncompatibleTypes);
  }
  return node;
}

std::unique_ptr<TsxExpressionNode> TsxProgramBuilder::ParseBinary(size_t& at, TsxScript& script, int maxPriority,
                                                                  int depth) {
  if (depth > kMaxExpressionDepth) Fail(kTooComplex);
  auto left = ParseOperand(at, script, depth + 1);
  // Past this many operators on one level the rest join a chain, evaluated in a loop.
  constexpr int kChainAfter = 32;
  int operators = 0;
  TsxExpressionNode* chain = nullptr;
  while (at < tokens_.size() && (tokens_[at].What == Token::Operator || tokens_[at].What == Token::Open)) {
    const Token token = tokens_[at];
    const int priority = token.What == Token::Operator ? token.Priority : -1;
    if (priority < 0) Fail(SIncompatibleTypes);
    if (priority > maxPriority) break;
    ++at;
    SetPos(*token.Element);
    auto node = std::make_unique<TsxExpressionNode>();
    NoteOperator(node.get());
    node->Op = token.Op;
    if (node->Op == TsxOpKind::Is) node->IsClass = nullptr;
    if (at >= tokens_.size()) return left;
    node->Right = ParseBinary(at, script, priority - 1, depth + 1);
    if (node->Op == TsxOpKind::Is && node->Right->Op == TsxOpKind::Designator &&
        node->Right->Dsg->Items.size() == 1 && node->Right->Dsg->Items[0].Ref->Kind == TsxItemKind::Class) {
      node->IsClass = static_cast<TsxClassVariable*>(node->Right->Dsg->Items[0].Ref)->ClassRef;
      node->Right->Typ = fvtClass;
    }
    if (++operators > kChainAfter && !chain) {
      auto made = std::make_unique<TsxExpressionNode>();
      made->Op = TsxOpKind::Chain;
      made->Links = new std::vector<TsxChainLink>();
      made->Left = std::move(left);
      chain = made.get();
      left = std::move(made);
    }
    if (chain) {
      TsxChainLink link;
      link.Hole = std::make_unique<TsxVariable>(String(), fvtVariant);
      node->Left = std::make_unique<TsxExpressionNode>();
      node->Left->Op = TsxOpKind::Var;
      node->Left->Item = link.Hole.get();
      link.Node = std::move(node);
      chain->Links->push_back(std::move(link));
    } else {
      node->Left = std::move(left);
      left = std::move(node);
    }
  }
  return left;
}

std::unique_ptr<TsxExpression> TsxProgramBuilder::BuildExpression(const TsxILNode& element, TsxScript& script) {
  const String* typeName = nullptr;
  auto root = BuildTree(element, script, typeName);
  auto expr = std::make_unique<TsxExpression>(&script);
  expr->Adopt(std::move(root), *typeName);
  return expr;
}

std::unique_ptr<TsxExpressionNode> TsxProgramBuilder::BuildTree(const TsxILNode& element, TsxScript& script,
                                                                const String*& typeName) {
  sxCheckStack();
  if (++depth_ > kMaxExpressionDepth) Fail(kTooComplex);
  const size_t base = tokens_.size();
  const size_t operatorBase = operators_.size();
  struct Leave {
    int& d;
    std::vector<Token>& tokens;
    size_t base;
    std::vector<OperatorAt>& operators;
    size_t operatorBase;
    ~Leave() {
      --d;
      tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(base), tokens.end());
      operators.erase(operators.begin() + static_cast<std::ptrdiff_t>(operatorBase), operators.end());
    }
  } leave{depth_, tokens_, base, operators_, operatorBase};
  SetPos(element);
  const TsxILNode* const savedElement = posElement_;
  const TsxSourcePos savedPos = savedElement ? TsxSourcePos() : heldPos_;
  AddTokens(element);
  // A trailing operator other than ")" carries nothing.
  while (tokens_.size() > base && tokens_.back().What != Token::Operand && tokens_.back().What != Token::Close)
    tokens_.pop_back();
  if (tokens_.size() == base) Fail(SIncompatibleTypes);
  size_t at = base;
  std::unique_ptr<TsxExpressionNode> root = ParseBinary(at, script, 100, 0);
  while (at < tokens_.size() && tokens_[at].What == Token::Close) ++at;
  if (at < tokens_.size()) {
    SetPos(*tokens_[at].Element);
    Fail(SIncompatibleTypes);
  }
  const TsxExpressionNode* misfit = nullptr;
  typeName = &TsxExpression::CheckTree(*root, &script, misfit);
  if (misfit) {
    SetHeldPos(OperatorPos(misfit, operatorBase));
    Fail(SIncompatibleTypes);
  }
  if (savedElement) posElement_ = savedElement;
  else SetHeldPos(savedPos);
  return root;
}

namespace {

bool IsConstantTree(const TsxExpressionNode& n) {
  switch (n.Op) {
    case TsxOpKind::Const:
    case TsxOpKind::Var:
      return true;
    case TsxOpKind::Designator:
      return n.Dsg->DKind == TsxDesignatorKind::Variable;
    case TsxOpKind::Set:
      for (const auto& e : n.SetExpr->Entries)
        if (e && !IsConstantTree(*e->Root)) return false;
      return true;
    case TsxOpKind::Is:
      return false;
    case TsxOpKind::Chain:
      for (const TsxChainLink& link : *n.Links)
        if (link.Node->Right && !IsConstantTree(*link.Node->Right)) return false;
      return IsConstantTree(*n.Left);
    default:
      return (!n.Left || IsConstantTree(*n.Left)) && (!n.Right || IsConstantTree(*n.Right));
  }
}

}  // namespace

Variant TsxProgramBuilder::EvaluateNow(const TsxILNode& element, TsxScript& script) {
  auto expr = BuildExpression(element, script);
  SetPos(element);
  if (!IsConstantTree(*expr->Root)) Fail(kConstantRequired);
  return expr->GetValue();
}

String TsxProgramBuilder::SourceText(const TsxILNode& element) const {
  // Only the main text's own expressions know where they lie in it.
  if (!currentUnit_.empty()) return String();
  const int a = element.At();
  const int b = element.At1();
  if (a < 1 || b < a) return String();
  std::string_view text = parser_.Parser().Text().substr(static_cast<size_t>(a - 1), static_cast<size_t>(b - a));
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return String(text);
}

}  // namespace orv
