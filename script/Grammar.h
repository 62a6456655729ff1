#pragma once
// TsxGrammar: a dialect's grammar document compiled once into a graph of rule elements, so that
// compiling many small expressions does not re-read the XML.
#include <bitset>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/rtl/Types.h"
#include "script/XMLDocument.h"

namespace orv {

enum class TsxRuleKind : Byte {
  Rule,            // a rule definition: a child of the root <language>
  Sequence,
  Char,
  Keyword,
  Ident,
  Number,
  String,
  KVString,
  Eol,
  Switch,
  OptionalSwitch,
  Loop,
  OptionalLoop,
  Optional,
  Reference,       // a use of the rule definition named by the tag
};

// A step of the walk (TsxRuleElement::Steps): an element's index, plus kStepUse for a bare use
// of a rule taken as the rule.
constexpr int kStepUse = 1 << 30;

// One element of a compiled grammar. Texts are already lower-cased as matching needs them.
struct TsxRuleElement {
  TsxRuleKind Kind = TsxRuleKind::Sequence;
  bool IsRule = false;
  // The tag as written: a rule's name, or the rule a Reference names.
  String Tag;
  // Expected char or keyword text, or a loop's separator; HasText tells "" from absent.
  String Text;
  bool HasText = false;
  String Node;
  String Add;
  String AddText;
  bool HasAddText = false;
  // The message of the err attribute; HasErr when the attribute is present.
  String ErrText;
  bool HasErr = false;
  // char: skip blanks first (skip != "0"); loop: forgive the last iteration's error (skip "1").
  bool SkipBlanks = true;
  bool ForgiveLast = false;
  bool Term = false;
  // Reference: index of the rule definition, -1 when the grammar defines none of that name.
  int Target = -1;
  // A Reference that adds nothing of its own (no node, add, err or children): matching it is
  // matching its target.
  bool Alias = false;
  // The node a match closes: a uses clause (which loads units) or an expression (whose end is
  // kept as well).
  bool NodeIsUses = false;
  bool NodeIsExpr = false;
  std::vector<int> Children;

  // Lookahead. First holds every character (after blanks and comments; 0 for the end of the
  // text) that a token this element reads first may begin with. When Skippable and the next
  // character is not in First, trying the element reads nothing, emits nothing and ends as
  // TryMatches says, recording the err of element TryError (-1: none) when no error is recorded
  // yet; the walk then need not try it.
  std::bitset<256> First;
  bool Skippable = false;
  bool TryMatches = false;
  int TryError = -1;
  // A skippable switch: for each next character c, the ordinals of the children to try are
  // Dispatch[DispatchFrom[c]] up to Dispatch[DispatchFrom[c + 1]]; the others fail at once
  // without a trace. Empty for other elements.
  std::vector<std::uint32_t> DispatchFrom;
  std::vector<std::uint32_t> Dispatch;
  // The children as the walk takes them: a bare use of a rule whose lookahead is the rule's
  // stands for the rule itself, with kStepUse added (a level of nesting of its own).
  std::vector<int> Steps;
  // A token without children: it is read without a frame of the walk's own.
  bool LeafToken = false;
  // A rule definition without a node whose one child is a switch: the switch is matched in the
  // rule's frame.
  bool SoleSwitch = false;
};

// A compiled dialect grammar; immutable once built, shared by every parse of the dialect.
class TsxGrammar {
 public:
  // Raises Exception "Invalid file format" for malformed XML.
  explicit TsxGrammar(const String& xmlText);

  const String& Name() const { return name_; }
  const TsxXMLDocument& Document() const { return document_; }
  const TsxXMLItem* LanguageRoot() const { return document_.Root(); }
  // The <types> element; nullptr when the grammar has none.
  const TsxXMLItem* Types() const { return types_; }

  // Parser options in document order: lower-cased key and text.
  const std::vector<std::pair<String, String>>& Options() const { return options_; }
  const std::vector<String>& Keywords() const { return keywords_; }
  // Entries of <errors>: name and message.
  const std::vector<std::pair<String, String>>& Errors() const { return errors_; }

  const TsxRuleElement& Element(int index) const { return elements_[static_cast<size_t>(index)]; }
  int ElementCount() const { return static_cast<int>(elements_.size()); }
  // Index of the rule definition named (blind to case); -1 when none.
  int FindRule(const String& name) const;
  // Rule definitions in document order, "empty" included.
  std::vector<int> Rules() const;

 private:
  int Compile(const TsxXMLItem& item, bool isRule);
  void ComputeLookahead();

  String name_;
  TsxXMLDocument document_;
  const TsxXMLItem* types_ = nullptr;
  std::vector<std::pair<String, String>> options_;
  std::vector<String> keywords_;
  std::vector<std::pair<String, String>> errors_;
  std::vector<TsxRuleElement> elements_;
  // Rule definitions: lower-cased name and element index, in document order.
  std::vector<std::pair<String, int>> rules_;
};

}  // namespace orv
