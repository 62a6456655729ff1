#pragma once
// TsxILParser: the compiler front. It walks a dialect grammar against the source text and writes
// the result as intermediate code, an XML document whose element names the grammar's node and
// add attributes give, so that one program builder serves every dialect.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/Types.h"
#include "script/Grammar.h"
#include "script/ILTree.h"
#include "script/Parser.h"
#include "script/WorkRoom.h"
#include "script/XMLDocument.h"

namespace orv {

// Parses one script (and the units it uses) into intermediate code. One instance serves one
// compilation.
class TsxILParser {
 public:
  TsxILParser();
  ~TsxILParser();

  // What the compiling script supplies. OnGetUnit, when assigned, gives a used unit's source by
  // name; otherwise the unit is read from the first folder of IncludePath that has the file.
  std::function<String(const String& unitName)> OnGetUnit;
  const std::vector<String>& IncludePath() const { return includePath_; }
  void SetIncludePath(std::vector<String> value) { includePath_ = std::move(value); }
  // Identifiers may use non-ASCII characters (Thai names).
  bool ExtendedCharset() const { return extendedCharset_; }
  void SetExtendedCharset(bool value) { extendedCharset_ = value; }

  // Selects the dialect and configures the tokenizer from its grammar; raises
  // "Language '%s' not found".
  void SelectLanguage(const String& name);
  // True when the text matched without a syntax error; the first syntax error's message and
  // "row:col" are then in ErrorMsg and ErrorPos (and the unit's name in ErrorUnit when it lies
  // in a used unit). Raises for an unknown dialect on a "#language" line, a grammar naming an
  // undefined rule, and a unit file that cannot be read.
  bool ParseSource(const String& source);

  const String& ErrorMsg() const { return errorText_ ? *errorText_ : ownedError_; }
  const String& ErrorPos() const { return errorPos_; }
  const String& ErrorUnit() const { return errorUnit_; }

  // The intermediate code of the last successful parse: root "program", the grammar's
  // <types> as its last child. The document is made on the first request after a parse.
  const TsxXMLDocument& ILDoc() const;
  // The same as the compiler reads it.
  const TsxILNode& ILRoot() const { return *tree_.Root(); }
  const String& LangName() const { return langName_; }
  // The selected grammar; nullptr before SelectLanguage.
  const TsxGrammar* Grammar() const { return grammar_.get(); }
  const TsxXMLItem* LanguageRoot() const { return grammar_ ? grammar_->LanguageRoot() : nullptr; }
  // Cleared for good by a dialect whose variables need no declaration.
  bool NeedDeclareVars() const { return needDeclareVars_; }
  // Units loaded in this compilation, nested ones included.
  const std::vector<String>& UsedUnits() const { return usedUnits_; }
  // The tokenizer over the main text (the builder takes expression sources from it).
  const TsxParser& Parser() const { return parser_; }

 private:
  struct Line;

  // Matches a step of the walk (an element's index, or a rule's taken for a bare use of it).
  bool Match(int step);
  bool MatchElement(const TsxRuleElement& element, int index);
  bool MatchLoop(const TsxRuleElement& element, int startPos);
  bool MatchSwitch(const TsxRuleElement& element, int startPos);
  // A loop's separator (its text) after blanks and comments.
  bool ReadSeparator(const TsxRuleElement& element);
  // A token element, then its children if it has any.
  bool MatchToken(const TsxRuleElement& element);
  // Reads the token an element asks for; true when it fits. The token is the text from from to
  // Position, or own when owned (a text made while reading).
  bool ReadToken(const TsxRuleElement& element, int& from, String& own, bool& owned);
  // A rule's failure at a position, remembered and replayed.
  bool ReplayFailure(int rule, int position, bool enteredClean);
  void RememberFailure(int rule, int position, bool enteredClean);
  // Removes the lines from index from on.
  void DropLines(size_t from);
  bool Fits(const TsxRuleElement& element, std::string_view token) const;
  void RecordError(const TsxRuleElement& element, int startPos);
  void CloseNode(const TsxRuleElement& element, int startPos, size_t startCount);
  // A leaf record of the kind (a Line::Kind) for the element's add.
  void AddLeaf(int kind, const TsxRuleElement& element, int a, int b);
  int IndexOf(const TsxRuleElement& element) const { return static_cast<int>(&element - &grammar_->Element(0)); }
  // The text of a leaf record.
  std::string_view LeafText(const Line& line) const;
  // The number of children of the element whose records end before end and span span records
  // (its own included).
  int ChildCount(size_t end, size_t span) const;
  // Keeps a line's text; its index.
  int KeepText(String text);
  void LoadUnits(size_t startCount);
  void LoadUnit(const String& name, const String& pos, size_t& insertAt);
  String ReadUnitSource(const String& name) const;
  // Replaces the recorded error by an unclosed comment's or string's when that comes first:
  // whatever was read after it was never meant as program text. Text from programEnd on is
  // not the program's.
  void ReportUnclosed(int programEnd);
  void BuildTree();

  std::shared_ptr<const TsxGrammar> grammar_;
  TsxILTree tree_;
  mutable TsxXMLDocument ilDoc_;
  mutable bool ilDocMade_ = false;
  TsxParser parser_;
  String langName_;
  std::vector<String> usedUnits_;
  std::vector<String> includePath_{String()};
  bool extendedCharset_ = false;
  bool needDeclareVars_ = true;

  // State of one ParseSource.
  TsxWorkList<Line> lines_;
  // How many of the records' elements take a place before their children.
  size_t places_ = 0;
  // The texts the records hold; backtracking leaves the ones of dropped records unused.
  std::vector<String> texts_;
  // The program elements of the used units that parsed, each copied into the tree where its
  // uses element is made.
  std::vector<TsxILNode> unitRoots_;
  // The first error's message: an element's, ownedError_, or empty (no error).
  const String* errorText_ = nullptr;
  String ownedError_;
  void SetOwnedError(String text) {
    ownedError_ = std::move(text);
    errorText_ = &ownedError_;
  }
  // "row:col" of an error in a used unit; of one in this text (errorAt_) only once the parse ends.
  String errorPos_;
  String errorUnit_;
  bool termFlag_ = false;
  // Where the recorded error lies in this text; 0 when it lies in a used unit.
  int errorAt_ = 0;

  // What a rule that failed at a position did to the recorded error, so that trying it there
  // again costs nothing: without this, every level of nesting tries the levels inside it once
  // per alternative, and an error deep inside takes time exponential in the depth.
  struct Failure {
    int Rule = 0;
    int Next = -1;  // the failure remembered before it at the same position, or -1
    bool EnteredClean = false;  // no error was recorded when the rule began
    bool Term = false;
    int ErrorAt = 0;
    // An element's message, or empty: a message made otherwise is not remembered.
    const String* ErrorText = nullptr;
  };
  TsxWorkList<Failure> failures_;
  // Per position, whether a failure is remembered there, and in a table by position, one more
  // than the index in failures_ of the failure remembered there last (0: none). Failures are
  // about one per statement: a table of every position would take several times the text.
  TsxWorkList<std::uint64_t> failedBits_;
  TsxWorkList<std::uint64_t> failedHeads_;
  size_t failedCount_ = 0;
  int FailureHead(int position) const;
  void SetFailureHead(int position, int head);
  Failure* FindFailure(int rule, int position);
  // Nesting of Match calls, shared with the parsers of used units.
  int depth_ = 0;
  // Where the stack the walk may use ends (the thread's limit, read once per parse).
  std::uintptr_t stackLimit_ = 0;
};

}  // namespace orv
