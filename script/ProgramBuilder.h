#pragma once
// The program builder: turns the intermediate code of a parsed script into the script's items,
// statements, expression trees and designators. Every semantic check of the compiler happens
// here; the first failure becomes the script's compile error.
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/ScriptItems.h"
#include "script/SourcePos.h"

namespace orv {

class TsxILParser;
class TsxScript;
class TsxStatement;
class TsxAssignmentStmt;
class TsxExpression;
class TsxDesignator;
class TsxProcVariable;
class TsxSetExpression;
class TsxILNode;
struct TsxExpressionNode;
enum class TsxOpKind : std::uint8_t;

class TsxProgramBuilder {
 public:
  TsxProgramBuilder(TsxScript& script, const TsxILParser& parser);
  ~TsxProgramBuilder();
  // Builds into the script; a failure leaves ErrorMsg, ErrorPos and ErrorUnit set.
  void BuildProgram();

 private:
  struct WithEntry;
  struct Token;
  // Where an operator of the expressions being built stands: its element, or the position held
  // when no element was being read. Worked out only for an operator whose operands do not fit.
  struct OperatorAt {
    const TsxExpressionNode* Node;
    const TsxILNode* Element;
    TsxSourcePos Held;
  };
  // Names compared blind to ASCII case, as the scripts compare them.
  struct FoldedHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const;
  };
  struct FoldedEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  // What a name was last found as, and from which scope.
  struct Found {
    const TsxScript* Scope = nullptr;
    TsxCustomVariable* Item = nullptr;
  };

  void BuildScope(const TsxILNode& element, TsxScript& script);
  void DeclareRoutines(const TsxILNode& element, TsxScript& script);
  void DeclareRoutine(const TsxILNode& element, TsxScript& script);
  void DeclareParams(const TsxILNode& element, TsxProcVariable& proc);
  void BuildStatement(const TsxILNode& element, TsxScript& script, TsxStatement& list);
  void BuildStatements(const TsxILNode& element, TsxScript& script, TsxStatement& list, int from = 0,
                       int to = -1);
  void BuildAssignment(const TsxILNode& element, TsxScript& script, TsxStatement& list);
  void BuildVar(const TsxILNode& element, TsxScript& script, TsxStatement& list);
  void BuildConst(const TsxILNode& element, TsxScript& script);
  void BuildCase(const TsxILNode& element, TsxScript& script, TsxStatement& list);
  void BuildFor(const TsxILNode& element, TsxScript& script, TsxStatement& list, bool vb);
  void BuildWith(const TsxILNode& element, TsxScript& script, TsxStatement& list);
  void BuildUses(const TsxILNode& element, TsxScript& script);
  void BuildReturn(const TsxILNode& element, TsxScript& script, TsxStatement& list);

  std::unique_ptr<TsxDesignator> BuildDesignator(const TsxILNode& element, TsxScript& script, int mode);
  // An assignment's target; a plain variable named alone is given to the statement as it is.
  void BuildTarget(const TsxILNode& element, TsxScript& script, TsxAssignmentStmt& stmt);
  // A designator of one name without arguments, bound to ref.
  std::unique_ptr<TsxDesignator> NameDesignator(TsxCustomVariable* ref, const TsxILNode& name, TsxScript& script);
  // The one name of a designator that is nothing else, when no with statement is active.
  const TsxILNode* SingleName(const TsxILNode& element) const;
  std::unique_ptr<TsxExpression> BuildExpression(const TsxILNode& element, TsxScript& script);
  // The checked tree of an expression element; typeName is set to its type name, which lives as
  // long as the tree and the items it names.
  std::unique_ptr<TsxExpressionNode> BuildTree(const TsxILNode& element, TsxScript& script, const String*& typeName);
  std::unique_ptr<TsxExpression> ConstExpression(const Variant& value, TsxScript& script);
  std::unique_ptr<TsxSetExpression> BuildSet(const TsxILNode& element, TsxScript& script);
  // Appends the operands and operators of an expression element, nested ones walked into.
  void AddTokens(const TsxILNode& expr);
  std::unique_ptr<TsxExpressionNode> ParseOperand(size_t& at, TsxScript& script, int depth);
  std::unique_ptr<TsxExpressionNode> ParseBinary(size_t& at, TsxScript& script, int maxPriority, int depth);
  // The value of a constant expression, read now; raises for calls and members.
  Variant EvaluateNow(const TsxILNode& element, TsxScript& script);

  TsxCustomVariable* FindVar(std::string_view name, TsxScript& script);
  // Adds a named item to a scope; what the name was found as before no longer holds.
  TsxCustomVariable* Declare(TsxScript& script, const String& name, std::unique_ptr<TsxCustomVariable> item);
  void ForgetName(const String& name);
  void ForgetNames();
  void CheckRedeclared(const String& name, TsxScript& script);
  // Type name to tag and class or enumeration name; raises "Unknown type".
  TsxVarType ResolveType(const String& name, TsxScript& script, String& typeName);
  void CheckCompatible(const TsxCustomVariable& dest, const TsxCustomVariable& src);
  void CheckCompatible(const TsxCustomVariable& dest, TsxVarType typ, const String& typeName);
  void SetPos(const TsxILNode& element);
  // The position being read.
  TsxSourcePos CurrentPos() const;
  void SetHeldPos(const TsxSourcePos& pos);
  // Records where the operator node being made stands.
  void NoteOperator(const TsxExpressionNode* node);
  // The position recorded for node since operators_[from]; "0:0" when there is none.
  TsxSourcePos OperatorPos(const TsxExpressionNode* node, size_t from) const;
  [[noreturn]] void Fail(const String& message);
  template <class T>
  std::unique_ptr<T> NewStatement(TsxScript& script, const TsxILNode& element);
  String SourceText(const TsxILNode& element) const;
  int Priority(TsxOpKind op) const;

  TsxScript& main_;
  const TsxILParser& parser_;
  const TsxILNode* currentRoot_ = nullptr;
  // The "types" element of currentRoot_, looked for once per scope: a program of a hundred
  // thousand declarations would otherwise look through all of them for each one.
  const TsxILNode* RootTypes();
  bool rootTypesKnown_ = false;
  const TsxILNode* rootTypes_ = nullptr;
  // The element being read; when null, heldPos_ holds the position (one an expression's check
  // reported, or one kept from the tree of a unit that is gone).
  const TsxILNode* posElement_ = nullptr;
  TsxSourcePos heldPos_;
  String currentUnit_;
  bool pascalRules_;
  bool breakEndsCase_;
  bool needDeclareVars_;
  std::vector<WithEntry> withList_;
  std::unordered_map<const TsxILNode*, TsxProcVariable*> routines_;
  std::unordered_map<String, Found, FoldedHash, FoldedEqual> names_;
  Found last_{};
  String lastName_;
  // The tokens of the expressions being built, the innermost last: each expression appends
  // its own and removes them when done.
  std::vector<Token> tokens_;
  // The operators of the expressions being built, the innermost last, as tokens_.
  std::vector<OperatorAt> operators_;
  int depth_ = 0;
};

}  // namespace orv
