#pragma once
// Statement objects: the compiled program is a tree of them hanging from a script's
// MainStatement and from each routine's own script; running walks the tree.
#include <memory>
#include <vector>

#include "platform/rtl/Types.h"
#include "script/Script.h"
#include "script/SourcePos.h"

namespace orv {

class TsxExpression;
class TsxDesignator;
class TsxSetExpression;
class TsxCustomVariable;
struct TsxExpressionNode;

// The statements a list runs without a virtual call: the most common ones, inline in RunItems.
enum class TsxStatementKind : std::uint8_t { Other, Assignment, If };

// A statement list and the base of every statement.
class TsxStatement {
 public:
  TsxStatement(TsxScript* program, const String& unitName, TsxSourcePos sourcePos);
  TsxStatement(const TsxStatement&) = delete;
  TsxStatement& operator=(const TsxStatement&) = delete;
  virtual ~TsxStatement();
  // Runs the items in order until a break, continue or exit flag of Program is set.
  virtual void Execute() { RunItems(); }
  // Execute of the list itself, without the virtual call: what loops, branches and routine
  // bodies run.
  void RunItems();
  TsxStatement* Add(std::unique_ptr<TsxStatement> statement);
  int Count() const { return static_cast<int>(Items.size()); }
  void Clear() { Items.clear(); }

  const String& UnitName() const;

  TsxScript* Program;
  TsxSourcePos SourcePos;
  std::vector<std::unique_ptr<TsxStatement>> Items;
  TsxStatementKind StatementKind = TsxStatementKind::Other;

 protected:
  // Counts a step, tells the line handler; False when the script was terminated.
  bool Report();

 private:
  // Shared with the other statements of the unit; nullptr for the main text.
  const String* unitName_;
  // Tells the first line handler of the script and its parents where this statement is.
  void TellLine();
  // RunItems of list, inline where a script routine's call runs its body.
  friend class TsxDesignator;
  static void RunList(TsxStatement& list);
};

class TsxAssignmentStmt : public TsxStatement {
 public:
  TsxAssignmentStmt(TsxScript* program, const String& unitName, TsxSourcePos sourcePos);
  ~TsxAssignmentStmt() override;
  void Execute() override;
  // Execute without the virtual call.
  void Run();
  // Takes the checked tree of the source and its type name, and picks the in-place target and
  // the single-operand source. A plain variable target and a variable or constant source are
  // then held here, without their designator and expression.
  void Optimize(std::unique_ptr<TsxExpressionNode> source, String typeName);
  // A plain variable named alone as the target, given instead of a designator.
  void SetTarget(TsxCustomVariable* variable) { target_ = variable; }
  // What is assigned to: the designator, or the variable given to SetTarget.
  const TsxCustomVariable& Target() const;
  std::unique_ptr<TsxDesignator> Designator;
  std::unique_ptr<TsxExpression> Expression;
  // ' ' plain, or '+', '-', '*', '/' applied to the target in place.
  char Op = ' ';
  // A return statement's store into Result: the routine exits after it.
  bool Returns = false;

 private:
  void Store();
  // target := target + a + b ...: appends_ in place when all are texts, else the sum.
  void StoreAppends();
  TsxCustomVariable* target_ = nullptr;
  // The operands after target in target := target + a + b ..., in order.
  std::vector<std::unique_ptr<TsxExpressionNode>> appends_;
  // The value of a source that is a variable or a constant: the variable's, or constant_.
  const Variant* source_ = nullptr;
  Variant constant_;
  // target := target + or - a variable or constant, on a variable that keeps whole numbers as
  // they are: tried in place before the general path.
  bool wholeStep_ = false;
  // target := arithmetic on numbers, into a variable that keeps numbers as they are: worked
  // out natively and stored in place.
  bool numberStore_ = false;
  // The one type the target stores as it is (varEmpty: none), or any when keepsAny_.
  TVarType keeps_ = varEmpty;
  bool keepsAny_ = false;
};

class TsxCallStmt : public TsxStatement {
 public:
  using TsxStatement::TsxStatement;
  ~TsxCallStmt() override;
  void Execute() override;
  std::unique_ptr<TsxDesignator> Designator;
  char Modificator = ' ';
};

class TsxIfStmt : public TsxStatement {
 public:
  TsxIfStmt(TsxScript* program, const String& unitName, TsxSourcePos sourcePos);
  ~TsxIfStmt() override;
  void Execute() override;
  // Execute without the virtual call.
  void Run();
  std::unique_ptr<TsxExpression> Condition;
  std::unique_ptr<TsxStatement> ElseStmt;
};

class TsxCaseSelector : public TsxStatement {
 public:
  using TsxStatement::TsxStatement;
  ~TsxCaseSelector() override;
  std::unique_ptr<TsxSetExpression> SetExpression;
};

class TsxCaseStmt : public TsxStatement {
 public:
  TsxCaseStmt(TsxScript* program, const String& unitName, TsxSourcePos sourcePos);
  ~TsxCaseStmt() override;
  void Execute() override;
  std::unique_ptr<TsxExpression> Condition;
  std::unique_ptr<TsxStatement> ElseStmt;
  // A break inside a case ends the switch (C++Script and JScript).
  bool BreakEndsCase = false;
};

class TsxRepeatStmt : public TsxStatement {
 public:
  using TsxStatement::TsxStatement;
  ~TsxRepeatStmt() override;
  void Execute() override;
  std::unique_ptr<TsxExpression> Condition;
  bool InverseCondition = false;
};

class TsxWhileStmt : public TsxStatement {
 public:
  using TsxStatement::TsxStatement;
  ~TsxWhileStmt() override;
  void Execute() override;
  std::unique_ptr<TsxExpression> Condition;
};

class TsxForStmt : public TsxStatement {
 public:
  using TsxStatement::TsxStatement;
  ~TsxForStmt() override;
  void Execute() override;
  std::unique_ptr<TsxExpression> BeginValue;
  std::unique_ptr<TsxExpression> EndValue;
  bool Down = false;
  TsxCustomVariable* Variable = nullptr;
};

class TsxVbForStmt : public TsxStatement {
 public:
  using TsxStatement::TsxStatement;
  ~TsxVbForStmt() override;
  void Execute() override;
  std::unique_ptr<TsxExpression> BeginValue;
  std::unique_ptr<TsxExpression> EndValue;
  std::unique_ptr<TsxExpression> Step;
  TsxCustomVariable* Variable = nullptr;
};

class TsxCppForStmt : public TsxStatement {
 public:
  TsxCppForStmt(TsxScript* program, const String& unitName, TsxSourcePos sourcePos);
  ~TsxCppForStmt() override;
  void Execute() override;
  std::unique_ptr<TsxStatement> FirstStmt;
  std::unique_ptr<TsxExpression> Expression;
  std::unique_ptr<TsxStatement> SecondStmt;
};

class TsxTryStmt : public TsxStatement {
 public:
  TsxTryStmt(TsxScript* program, const String& unitName, TsxSourcePos sourcePos);
  ~TsxTryStmt() override;
  void Execute() override;
  bool IsExcept = false;
  std::unique_ptr<TsxStatement> ExceptStmt;
};

class TsxBreakStmt : public TsxStatement {
 public:
  using TsxStatement::TsxStatement;
  void Execute() override;
};

class TsxContinueStmt : public TsxStatement {
 public:
  using TsxStatement::TsxStatement;
  void Execute() override;
};

class TsxExitStmt : public TsxStatement {
 public:
  using TsxStatement::TsxStatement;
  void Execute() override;
};

class TsxWithStmt : public TsxStatement {
 public:
  using TsxStatement::TsxStatement;
  ~TsxWithStmt() override;
  void Execute() override;
  std::unique_ptr<TsxDesignator> Designator;
  TsxCustomVariable* Variable = nullptr;
};

}  // namespace orv
