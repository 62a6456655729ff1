#pragma once
// Expression trees: operator and operand nodes built from the flat expression of the
// intermediate code, type-checked once and evaluated on Variants every time their statement
// runs. Evaluation is one switch over the node's operator; plain variables and constants are
// read in place.
#include <memory>
#include <vector>

#include "platform/rtl/Object.h"
#include "script/ScriptItems.h"
#include "script/SourcePos.h"

namespace orv {

class TsxDesignator;
class TsxSetExpression;

enum class TsxOpKind : std::uint8_t {
  Const,
  Var,
  Designator,
  Set,
  Great,
  Less,
  LessEq,
  GreatEq,
  NonEq,
  Eq,
  Plus,
  StrCat,
  Minus,
  Or,
  Xor,
  Mul,
  DivFloat,
  DivInt,
  Mod,
  And,
  Shl,
  Shr,
  Not,
  UnMinus,
  In,
  Is,
  // A long run of operators on one level (a + b + c + ...): the first operand in Left, then
  // each operator in Links, applied in a loop instead of one native frame per operator.
  Chain
};

struct TsxExpressionNode;

// A number as the interpreter's arithmetic makes it, held natively: Type is varInteger,
// varInt64 or varDouble, or varEmpty when an operand is no such number and the Variant rules
// must decide. Trivially copied, so that it travels in registers.
struct TsxNumber {
  TVarType Type = varEmpty;
  union {
    Int64 I;
    double D;
  };
  Variant ToVariant() const {
    if (Type == varDouble) return Variant(D);
    if (Type == varInteger) return Variant(static_cast<Integer>(I));
    return Variant(I);
  }
};

// One operator of a chain: Node's left operand reads Hole, which holds the value so far.
struct TsxChainLink {
  std::unique_ptr<TsxExpressionNode> Node;
  std::unique_ptr<TsxCustomVariable> Hole;
};

// The native evaluation of one Numeric node, picked for its operator and the kinds of its
// operands when the tree is finalized.
using TsxNumberFn = TsxNumber (*)(const TsxExpressionNode&);
// A node's value taken as a condition, picked likewise: comparisons of numbers and "and" and
// "or" of conditions decided without making a Variant.
using TsxConditionFn = bool (*)(const TsxExpressionNode&);

struct TsxExpressionNode {
  TsxExpressionNode();
  ~TsxExpressionNode();
  // Nodes come and go by the thousand while a program is built (the in-place form of
  // target := target op e drops two of its three): the last few freed on a thread are reused.
  static void* operator new(size_t size);
  static void operator delete(void* node) noexcept;
  TsxOpKind Op = TsxOpKind::Const;
  // Both operands are Boolean: "and" and "or" skip the right side when the left decides.
  bool BoolOperands = false;
  // Both operands are variables or constants, read through their Ref.
  bool RefOperands = false;
  // + or - of two calls of script routines, the shape of every two-way recursion
  // (fib(n - 1) + fib(n - 2)).
  bool CallOperands = false;
  // A variable or a constant that may hold a number.
  bool NumberLeaf = false;
  // An arithmetic operator over number leaves and such operators only: free of side effects,
  // so it is first worked out on native numbers and, when an operand turns out to be no
  // number, again on Variants.
  bool Numeric = false;
  TsxNumberFn NumberFn = nullptr;  // Numeric
  TsxConditionFn ConditionFn = nullptr;
  TsxVarType Typ = fvtVariant;
  std::unique_ptr<TsxExpressionNode> Left;
  std::unique_ptr<TsxExpressionNode> Right;
  // Var and Const: where the value lies, resolved when the tree is finalized; nullptr for
  // every other node.
  const Variant* Ref = nullptr;
  Variant Value;  // Const
  // What only one kind of node has, read as the member its Op names; the node owns Dsg,
  // SetExpr and Links.
  union {
    TsxCustomVariable* Item = nullptr;  // Var: read in place
    TsxDesignator* Dsg;                 // Designator
    TsxSetExpression* SetExpr;          // Set
    TClass IsClass;                     // Is: the class on the right, or nullptr
    std::vector<TsxChainLink>* Links;   // Chain
  };
};

// One compiled expression.
class TsxExpression final : public TsxCustomVariable {
 public:
  explicit TsxExpression(TsxScript* script);
  ~TsxExpression() override;
  Variant GetValue() override { return Eval(*Root); }
  void SetValue(const Variant& value) override;

  // Type-checks the tree; returns the first operator whose operands do not fit, nullptr when
  // all fit.
  const TsxExpressionNode* Finalize();
  // Type-checks a tree as Finalize does, the first misfit going to misfit; returns the tree's
  // type name (the class or enumeration name of fvtClass and fvtEnum).
  static const String& CheckTree(TsxExpressionNode& root, TsxScript* script, const TsxExpressionNode*& misfit);
  // Takes a tree CheckTree has checked, and its type name.
  void Adopt(std::unique_ptr<TsxExpressionNode> root, const String& typeName);
  // Whether an expression of this root cannot be assigned to.
  static bool ReadOnlyRoot(const TsxExpressionNode& root);
  // For target := target op e (and e op target for "+" and "*" on non-text variables): drops
  // the target from the tree and returns the operator to apply in place; ' ' otherwise.
  static char Optimize(std::unique_ptr<TsxExpressionNode>& root, TsxCustomVariable* target);
  // The plain variable or constant the whole expression is, else nullptr.
  TsxExpressionNode* SingleOperand() const {
    return Root && (Root->Op == TsxOpKind::Const || Root->Op == TsxOpKind::Var) ? Root.get() : nullptr;
  }

  // True when working the expression out runs no script code and changes no variable: only
  // variables, constants and operators on them.
  bool ReadsOnly() const;

  static Variant Eval(const TsxExpressionNode& node);
  // Eval of a CallOperands node: the left call runs first, each value is made once.
  static Variant EvalCalls(const TsxExpressionNode& node);
  // The value of a Numeric node on native numbers; Type varEmpty when an operand is no number
  // or the operation is one the Variant rules must raise for (a division by zero).
  static TsxNumber EvalNumber(const TsxExpressionNode& node) { return node.NumberFn(node); }
  // The value taken as a condition, without making a Variant of a comparison's result.
  static bool EvalCondition(const TsxExpressionNode& node) { return node.ConditionFn(node); }
  bool IsTrue() const {
    const TsxExpressionNode& n = *Root;
    if (n.RefOperands) {
      // A loop's test of two whole numbers, decided here.
      const Variant& l = *n.Left->Ref;
      const Variant& r = *n.Right->Ref;
      if (l.VType() == varInteger && r.VType() == varInteger) {
        const Integer x = l.UncheckedInteger(), y = r.UncheckedInteger();
        // "<" and "<=" first, the tests of most loops and recursions, without the switch's
        // table.
        const TsxOpKind op = n.Op;
        if (op == TsxOpKind::Less) return x < y;
        if (op == TsxOpKind::LessEq) return x <= y;
        switch (op) {
          case TsxOpKind::Great: return x > y;
          case TsxOpKind::GreatEq: return x >= y;
          case TsxOpKind::Eq: return x == y;
          case TsxOpKind::NonEq: return x != y;
          default: break;
        }
      }
    }
    return EvalCondition(n);
  }
  // Plain variables and constants, the most common whole expressions, are read without the
  // evaluator's call.
  Variant Value() const {
    const TsxExpressionNode& root = *Root;
    if (root.Ref) return *root.Ref;
    if (root.RefOperands && (root.Op == TsxOpKind::Plus || root.Op == TsxOpKind::Minus)) {
      // n - 1 as an argument, i + 1 as an index: two whole numbers summed here.
      const Variant& l = *root.Left->Ref;
      const Variant& r = *root.Right->Ref;
      Integer result;
      if (l.VType() == varInteger && r.VType() == varInteger &&
          !(root.Op == TsxOpKind::Plus ? __builtin_add_overflow(l.UncheckedInteger(), r.UncheckedInteger(), &result)
                                       : __builtin_sub_overflow(l.UncheckedInteger(), r.UncheckedInteger(), &result)))
        return Variant(result);
    }
    if (root.CallOperands) return EvalCalls(root);
    return Eval(root);
  }

  std::unique_ptr<TsxExpressionNode> Root;
  TsxScript* Script;
  // The text as written, kept for the arguments of macro functions only.
  String Source;
};

// "[a, b..c]": the element expressions, a null entry between the bounds of a range.
class TsxSetExpression : public TsxCustomVariable {
 public:
  TsxSetExpression();
  ~TsxSetExpression() override;
  Variant GetValue() override;
  bool Contains(const Variant& value) const;
  std::vector<std::unique_ptr<TsxExpression>> Entries;
};

// Variant operations with the integer cases inline: the interpreter's arithmetic.
Variant sxAdd(const Variant& a, const Variant& b);
Variant sxSub(const Variant& a, const Variant& b);
Variant sxMul(const Variant& a, const Variant& b);
// a op b for the operators of a compound assignment: '+', '-', '*' and '/' (a float division).
Variant sxApplyOp(char op, const Variant& a, const Variant& b);
// l + r (add) or l - r, whole numbers that stay in range worked out here.
[[gnu::always_inline]] inline Variant sxAddOrSub(const Variant& l, const Variant& r, bool add) {
  Integer result;
  if (l.VType() == varInteger && r.VType() == varInteger &&
      !(add ? __builtin_add_overflow(l.UncheckedInteger(), r.UncheckedInteger(), &result)
            : __builtin_sub_overflow(l.UncheckedInteger(), r.UncheckedInteger(), &result)))
    return Variant(result);
  return add ? sxAdd(l, r) : sxSub(l, r);
}
// The longest text a script may build; longer ones raise instead of exhausting memory.
inline constexpr size_t kMaxTextBytes = size_t{64} << 20;
// Raises for a text past kMaxTextBytes and counts a long one against the step limit.
void sxCheckTextLength(size_t bytes);
// The most elements an array made by a script may have.
inline constexpr Int64 kMaxArrayElements = Int64{1} << 22;
// Raises when low and high bound pairs ask for more elements than that, or for more memory
// than the script has left; else gives the number of elements.
Int64 sxCheckArrayBounds(const std::vector<Integer>& bounds);

// sxIsTrue for the kinds other than Boolean.
bool sxConvertsToTrue(const Variant& v);
// True when the value converts to the Boolean True.
inline bool sxIsTrue(const Variant& v) {
  return v.VType() == varBoolean ? v.UncheckedBoolean() : sxConvertsToTrue(v);
}

}  // namespace orv
