#pragma once
// The program builder: turns the intermediate code of a parsed script into the script's items,
// statements, expression trees and designators. Every semantic check of the compiler happens
// here; the first failure becomes the script's compile error.
#include <memory>
#include <unordered_map>
#include <vector>

#include "script/ScriptItems.h"

namespace orv {

class TsxILParser;
class TsxScript;
class TsxStatement;
class TsxExpression;
class TsxDesignator;
class TsxProcVariable;
class TsxSetExpression;
class TsxILNode;
struct TsxExpressionNode;

class TsxProgramBuilder {
 public:
  TsxProgramBuilder(TsxScript& script, const TsxILParser& parser);
  ~TsxProgramBuilder();
  // Builds into the script; a failure leaves ErrorMsg, ErrorPos and ErrorUnit set.
  void BuildProgram();

 private:
  struct WithEntry;
  struct Token;

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
  std::unique_ptr<TsxExpression> BuildExpression(const TsxILNode& element, TsxScript& script);
  std::unique_ptr<TsxExpression> ConstExpression(const Variant& value, TsxScript& script);
  std::unique_ptr<TsxSetExpression> BuildSet(const TsxILNode& element, TsxScript& script);
  std::unique_ptr<TsxExpressionNode> ParseOperand(std::vector<Token>& tokens, size_t& at, TsxScript& script,
                                                  int depth);
  std::unique_ptr<TsxExpressionNode> ParseBinary(std::vector<Token>& tokens, size_t& at, TsxScript& script,
                                                 int maxPriority, int depth);
  // The value of a constant expression, read now; raises for calls and members.
  Variant EvaluateNow(const TsxILNode& element, TsxScript& script);

  TsxCustomVariable* FindVar(const String& name, TsxScript& script);
  void CheckRedeclared(const String& name, TsxScript& script);
  // Type name to tag and class or enumeration name; raises "Unknown type".
  TsxVarType ResolveType(const String& name, TsxScript& script, String& typeName);
  void CheckCompatible(const TsxCustomVariable& dest, const TsxCustomVariable& src);
  void SetPos(const TsxILNode& element);
  [[noreturn]] void Fail(const String& message);
  template <class T>
  std::unique_ptr<T> NewStatement(TsxScript& script, const TsxILNode& element);
  String SourceText(const TsxILNode& element) const;
  int Priority(const String& op) const;

  TsxScript& main_;
  const TsxILParser& parser_;
  const TsxILNode* currentRoot_ = nullptr;
  String currentPos_;
  String currentUnit_;
  bool pascalRules_;
  bool breakEndsCase_;
  bool needDeclareVars_;
  std::vector<WithEntry> withList_;
  std::unordered_map<const TsxILNode*, TsxProcVariable*> routines_;
  int depth_ = 0;
};

}  // namespace orv
