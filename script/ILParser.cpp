#include "script/ILParser.h"

#include <algorithm>
#include <cstdint>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TextUtils.h"
#include "script/Languages.h"
#include "script/Messages.h"
#include "script/Procedures.h"

namespace orv {

namespace {

// Every level of a script's nesting costs up to about twenty-five Match frames (an if inside
// a C++Script block; a parenthesis costs ten), so this many allow some four hundred levels of
// blocks or nearly a thousand of parentheses: far more than real scripts, and the same in every
// build however large its frames (a sanitizer build's hold some 800 bytes, fitting an 8 MiB
// stack). The thread's own stack is watched as well, for threads with small stacks.
constexpr int kMaxDepth = 10000;

// The frame address, not a local's: sanitizers may move locals to a heap-allocated fake stack.
std::uintptr_t StackAddress() { return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)); }

// Unwinds the whole walk when the limit is reached.
struct NestingTooDeep {
  int Position;
};

// Raising is kept out of the recursive frames, which would otherwise hold the exception's room.
[[noreturn, gnu::noinline]] void NestedTooDeeply(int position) { throw NestingTooDeep{position}; }
[[noreturn, gnu::noinline]] void InvalidLanguage() { throw Exception(SInvalidLanguage); }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

}  // namespace

// One record of the intermediate code as it is collected, in the order its elements end: a leaf
// when its token has been read, a construct when it closes, after its children, with the number
// of records it spans. Backtracking removes records from the end only, and nothing is moved
// when a node closes; the tree is built from the records once the parse has succeeded.
// Positions stay byte indexes, in the tree as well: most records are dropped again by
// backtracking, and most elements are never asked where they lie.
struct TsxILParser::Line {
  enum Kind : std::uint32_t {
    // Constructs, which close after their children.
    Close,         // a grammar element's node
    GetClose,      // a report reference's designator
    GetExprClose,  // its argument
    UsesClose,     // a used unit's element, named by the kept text A
    // Leaves.
    Leaf,       // a grammar element's add, holding the source from A to B
    LeafFixed,  // the same, holding the element's addtext
    LeafKept,   // the same, holding the kept text A (a text made while reading)
    GetName,    // a report reference's name, "Get"
    GetString,  // its argument's string, the kept text A
    Unit,       // a used unit's own program element, the unit root A
  };
  static constexpr int kKindBits = 4;
  // The kind in the low bits, and above them the grammar element whose node or add names it.
  std::uint32_t KindElement;
  // A construct: where its first token begins. A leaf: just after its token.
  int Pos;
  // A construct: just after it, for an expression, else 0. A leaf: as its kind says.
  int A;
  // A construct: the number of records it spans, its own included. A leaf: as its kind says.
  int B;

  Kind LineKind() const { return static_cast<Kind>(KindElement & ((1u << kKindBits) - 1)); }
  int Element() const { return static_cast<int>(KindElement >> kKindBits); }
  bool Closes() const { return LineKind() <= UsesClose; }
  int Span() const { return Closes() ? B : 1; }
  // Whether its element takes a place before its children (an expression, a used unit).
  bool TakesPlace() const { return LineKind() == UsesClose || (LineKind() == Close && A != 0); }
  static Line Of(Kind kind, int element, int pos, int a, int b) {
    return {static_cast<std::uint32_t>(element) << kKindBits | kind, pos, a, b};
  }
};

namespace {

const String kNoError;
const String kDsgn = "dsgn", kNode = "node", kExpr = "expr", kString = "string", kUses = "uses", kGet = "Get";

}  // namespace

[[gnu::always_inline]] inline std::string_view TsxILParser::LeafText(const Line& line) const {
  switch (line.LineKind()) {
    case Line::Leaf:
      return parser_.Slice(line.A, line.B);
    case Line::LeafFixed:
      return grammar_->Element(line.Element()).AddText;
    case Line::LeafKept:
    case Line::GetString:
    case Line::UsesClose:
      return texts_[static_cast<size_t>(line.A)];
    case Line::GetName:
      return kGet;
    default:
      return {};
  }
}

[[gnu::always_inline]] inline int TsxILParser::ChildCount(size_t end, size_t span) const {
  // The last child ends just before the element; each child before it ends where the next one's
  // records begin.
  int count = 0;
  for (size_t next = end, first = end + 1 - span; next > first; next -= lines_[next - 1].Span()) ++count;
  return count;
}

TsxILParser::TsxILParser() = default;
TsxILParser::~TsxILParser() = default;

void TsxILParser::SelectLanguage(const String& name) {
  failures_.clear();
  failedBits_.clear();
  failedHeads_.clear();
  failedCount_ = 0;
  parser_.Clear();
  grammar_ = sxGetGrammar(name);
  langName_ = name;
  for (const String& word : grammar_->Keywords()) parser_.AddKeyword(word);
  for (const auto& [key, text] : grammar_->Options()) {
    if (key == "identchars") parser_.SetIdentChars(text);
    else if (key == "commentline1") parser_.SetCommentLine1(text);
    else if (key == "commentline2") parser_.SetCommentLine2(text);
    else if (key == "commentblock1") parser_.SetCommentBlock1(text);
    else if (key == "commentblock2") parser_.SetCommentBlock2(text);
    else if (key == "hexsequence") parser_.SetHexSequence(text);
    else if (key == "stringquotes") parser_.SetStringQuotes(text);
    else if (key == "skipchar") parser_.SetSkipChar(text);
    else if (key == "specstrchar" && text == "1") parser_.SetSpecStrChar(true);
    else if (key == "casesensitive" && text == "1") parser_.SetCaseSensitive(true);
    else if (key == "skipeol" && text == "0") parser_.SetSkipEOL(false);
    else if (key == "declarevars" && text == "0") needDeclareVars_ = false;
  }
  if (extendedCharset_) parser_.AddIdentChars(128, 255);
}

bool TsxILParser::ParseSource(const String& source) {
  lines_.clear();
  places_ = 0;
  texts_.clear();
  unitRoots_.clear();
  errorText_ = &kNoError;
  ownedError_.clear();
  errorPos_.clear();
  errorUnit_.clear();
  termFlag_ = false;
  errorAt_ = 0;
  failures_.clear();
  tree_.Clear();
  ilDocMade_ = false;
  if (!grammar_) throw Exception(SInvalidLanguage);
  // A byte-order mark is no part of the program, in a main text as in a unit's file.
  std::string_view text = source;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  parser_.SetText(text);

  int start = 1;
  if (!text.empty() && text[0] == '#') {
    parser_.SetPosition(2);
    if (SameText(parser_.GetWord(), "language")) {
      // The line ends at CR or LF: Unix line ends are as normal here as CR LF.
      const size_t from = static_cast<size_t>(parser_.Position() - 1);
      const size_t lineEnd = text.find_first_of("\r\n", from);
      SelectLanguage(Trim(String(text.substr(from, lineEnd == String::npos ? String::npos : lineEnd - from))));
      if (lineEnd == String::npos) {
        start = parser_.Size() + 1;
      } else {
        start = static_cast<int>(lineEnd) + 2;
        if (text[lineEnd] == '\r' && lineEnd + 1 < text.size() && text[lineEnd + 1] == '\n') ++start;
      }
    }
  }
  parser_.SetPosition(start);
  // Rarely more records than bytes of text are kept at once; room that is reserved but never
  // used costs no memory, while growing would copy them all. The reservation stops at 64 MB,
  // so that a text of hundreds of megabytes does not ask for gigabytes at once.
  constexpr size_t kMostReserved = (size_t{64} << 20) / sizeof(Line);
  lines_.reserve(std::min(static_cast<size_t>(parser_.Size()) + 16, kMostReserved));
  failedBits_.assign((static_cast<size_t>(parser_.Size()) + 2 + 63) / 64, 0);
  // About one failure is remembered per statement, a statement taking a dozen bytes or more: the
  // table starts large enough not to grow for most texts, and at most half full.
  size_t slots = 64;
  while (slots < static_cast<size_t>(parser_.Size()) / 8) slots *= 2;
  failedHeads_.assign(slots, 0);
  failedCount_ = 0;
  failures_.reserve(static_cast<size_t>(parser_.Size()) / 16 + 16);

  // The stack the walk may use ends where a script's calls must stop too.
  if (detail::sxStackLimit == UINTPTR_MAX) detail::sxCheckStackLimit();
  stackLimit_ = detail::sxStackLimit;
  const int program = grammar_->FindRule("program");
  if (program < 0) throw Exception(SInvalidLanguage);
  // An exception ends the walk inside it; the depth it leaves behind is not this parse's.
  struct RestoreDepth {
    int& Depth;
    int Saved;
    ~RestoreDepth() { Depth = Saved; }
  } restoreDepth{depth_, depth_};
  bool matched;
  try {
    matched = Match(program);
  } catch (const NestingTooDeep& error) {
    if (errorText_->empty()) {
      SetOwnedError(SNestingTooDeep);
      errorAt_ = error.Position;
    }
    matched = false;
  }
  // The walk's records give their room back at once: building the program then takes it
  // instead of memory never touched yet.
  TsxWorkList<Failure>().swap(failures_);
  TsxWorkList<std::uint64_t>().swap(failedBits_);
  TsxWorkList<std::uint64_t>().swap(failedHeads_);

  // Text after a program's own terminator is not examined.
  int programEnd = parser_.Size() + 1;
  if (errorText_->empty()) {
    // A failed parse must say why, and a program that is a bare list of statements must not
    // stop silently before text it could not read: that text would simply never run. A program
    // that ends with its own terminator (Pascal's final ".") ignores what follows it.
    const TsxRuleElement& rule = grammar_->Element(program);
    const bool terminated =
        !rule.Children.empty() && (grammar_->Element(rule.Children.back()).Kind == TsxRuleKind::Char ||
                                   grammar_->Element(rule.Children.back()).Kind == TsxRuleKind::Keyword);
    parser_.SkipSpaces();
    if (terminated && matched) programEnd = parser_.Position();
    if (!matched || (!terminated && parser_.Position() <= parser_.Size())) {
      String message = "Statement expected";
      for (const auto& [name, text] : grammar_->Errors())
        if (SameText(name, "err3")) message = text;
      SetOwnedError(std::move(message));
      errorAt_ = parser_.Position();
      matched = false;
    }
  }
  ReportUnclosed(programEnd);
  // An error of this text says where only now: most errors a walk records are forgiven or
  // replaced. Its message is kept apart from the grammar, which another language may replace.
  if (errorAt_ != 0) errorPos_ = parser_.RowColAt(errorAt_);
  if (errorText_ != &ownedError_) SetOwnedError(*errorText_);
  if (matched && errorText_->empty()) BuildTree();
  TsxWorkList<Line>().swap(lines_);
  std::vector<String>().swap(texts_);
  std::vector<TsxILNode>().swap(unitRoots_);
  return matched && errorText_->empty();
}

// Inlined into each caller: the recursion then costs one frame (MatchElement's) per level.
[[gnu::always_inline]] inline bool TsxILParser::Match(int step) {
  // A bare use of a rule taken as the rule is matched in the rule's frame, but counts as the
  // level of nesting it is.
  const int index = step & (kStepUse - 1);
  const int levels = step >= kStepUse ? 2 : 1;
  const TsxRuleElement& element = grammar_->Element(index);
  // An element that cannot begin with the next character fails (or matches empty) as the
  // grammar says, without trying its alternatives one by one.
  if (element.Skippable && !element.First[parser_.Lookahead()]) {
    if (element.TryError >= 0) RecordError(grammar_->Element(element.TryError), parser_.Position());
    return element.TryMatches;
  }
  if (depth_ + levels > kMaxDepth || StackAddress() < stackLimit_) NestedTooDeeply(parser_.Position());
  // No guard object: a frame of the recursion holds nothing but numbers. An exception ends the
  // whole walk, and ParseSource restores the depth.
  depth_ += levels;
  const bool matched = element.LeafToken ? MatchToken(element) : MatchElement(element, index);
  depth_ -= levels;
  return matched;
}

[[gnu::noinline]] void TsxILParser::AddLeaf(int kind, const TsxRuleElement& element, int a, int b) {
  lines_.push_back(Line::Of(static_cast<Line::Kind>(kind), IndexOf(element), parser_.Position(), a, b));
}

[[gnu::always_inline]] inline bool TsxILParser::MatchSwitch(const TsxRuleElement& element, int startPos) {
  const int* children = element.Steps.data();
  const size_t childCount = element.Steps.size();
  // Only the alternatives that may begin with the next character; should one that fails leave
  // the position moved, the rest are tried one by one from there. One place tries them all, so
  // that a sanitizer build's frame holds the walk's step once.
  bool all = element.DispatchFrom.empty();
  const std::uint32_t* tried = nullptr;
  const std::uint32_t* end = nullptr;
  if (!all) {
    const Byte next = parser_.Lookahead();
    tried = element.Dispatch.data() + element.DispatchFrom[next];
    end = element.Dispatch.data() + element.DispatchFrom[next + 1u];
  }
  size_t following = 0;
  for (;;) {
    size_t k;
    if (!all) {
      if (tried == end) break;
      k = *tried++;
    } else {
      if (following >= childCount) break;
      k = following++;
    }
    if (Match(children[k])) return true;
    if (!all && parser_.Position() != startPos) {
      all = true;
      following = k + 1;
    }
  }
  if (element.Kind == TsxRuleKind::OptionalSwitch) return true;
  RecordError(element, startPos);
  parser_.SetPosition(startPos);
  return false;
}

bool TsxILParser::MatchElement(const TsxRuleElement& element, int index) {
  // Children by index: iterator objects would take room in every frame of a sanitizer build.
  const int* children = element.Steps.data();
  const size_t childCount = element.Steps.size();
  const int startPos = parser_.Position();
  const size_t startCount = lines_.size();
  const bool enteredClean = errorText_->empty();
  if (element.IsRule && (failedBits_[static_cast<size_t>(startPos) / 64] >> (startPos % 64) & 1) != 0 &&
      ReplayFailure(index, startPos, enteredClean))
    return false;
  const size_t startUnits = usedUnits_.size();
  bool matched = false;
  // The switch matched in this frame: the element itself, or the one switch a rule is. Its
  // alternatives are tried in one place, so that a sanitizer build's frame holds them once.
  const TsxRuleElement* switched = nullptr;
  switch (element.Kind) {
    case TsxRuleKind::Rule:
      if (element.SoleSwitch) {
        // A rule that is one switch: the switch is matched in the rule's frame, as the level
        // of nesting it is.
        const TsxRuleElement& inner = grammar_->Element(element.Children[0]);
        if (inner.Skippable && !inner.First[parser_.Lookahead()]) {
          if (inner.TryError >= 0) RecordError(grammar_->Element(inner.TryError), startPos);
          matched = inner.TryMatches;
        } else {
          if (depth_ >= kMaxDepth || StackAddress() < stackLimit_) NestedTooDeeply(startPos);
          switched = &inner;
        }
        break;
      }
      matched = true;
      break;
    case TsxRuleKind::Sequence:
      matched = true;
      break;
    case TsxRuleKind::Switch:
    case TsxRuleKind::OptionalSwitch:
      switched = &element;
      break;
    case TsxRuleKind::Loop:
    case TsxRuleKind::OptionalLoop:
      return MatchLoop(element, startPos);
    case TsxRuleKind::Optional:
      for (size_t i = 0; i < childCount; ++i) {
        if (!Match(children[i])) {
          parser_.SetPosition(startPos);
          break;
        }
      }
      return true;
    case TsxRuleKind::Reference:
      if (element.Target < 0) InvalidLanguage();
      matched = Match(element.Target);
      break;
    default:
      return MatchToken(element);
  }
  if (switched) {
    const bool own = switched == &element;
    if (!own) ++depth_;
    matched = MatchSwitch(*switched, startPos);
    if (own) return matched;
    --depth_;
  }

  if (matched && !element.SoleSwitch) {
    for (size_t i = 0; i < childCount; ++i) {
      if (!Match(children[i])) {
        matched = false;
        break;
      }
    }
  }
  if (matched) {
    if (!element.IsRule && !element.Node.empty()) CloseNode(element, startPos, startCount);
    if (!element.Add.empty()) AddLeaf(Line::LeafFixed, element, 0, 0);
  } else {
    RecordError(element, startPos);
    parser_.SetPosition(startPos);
  }
  if (element.IsRule && !element.Node.empty()) {
    // A uses clause loads its units even when it failed; what it inserted goes with the rest.
    if (matched || element.NodeIsUses) CloseNode(element, startPos, startCount);
    if (!matched) DropLines(startCount);
  }
  // A failure that left lines or loaded units has effects beyond the error: it is not replayed.
  if (element.IsRule && !matched && lines_.size() == startCount && usedUnits_.size() == startUnits)
    RememberFailure(index, startPos, enteredClean);
  return matched;
}

[[gnu::noinline]] void TsxILParser::DropLines(size_t from) {
  for (size_t i = from; i < lines_.size(); ++i) places_ -= lines_[i].TakesPlace();
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(from), lines_.end());
}

TsxILParser::Failure* TsxILParser::FindFailure(int rule, int position) {
  if ((failedBits_[static_cast<size_t>(position) / 64] >> (position % 64) & 1) == 0) return nullptr;
  for (int i = FailureHead(position) - 1; i >= 0; i = failures_[static_cast<size_t>(i)].Next)
    if (failures_[static_cast<size_t>(i)].Rule == rule) return &failures_[static_cast<size_t>(i)];
  return nullptr;
}

namespace {

// The slot where a position's entry of the failure table is looked for first.
size_t FailureSlot(int position, size_t mask) {
  return static_cast<size_t>(static_cast<std::uint64_t>(static_cast<unsigned>(position)) * 0x9E3779B97F4A7C15u >> 32) &
         mask;
}

}  // namespace

int TsxILParser::FailureHead(int position) const {
  const size_t mask = failedHeads_.size() - 1;
  for (size_t slot = FailureSlot(position, mask);; slot = (slot + 1) & mask) {
    const std::uint64_t entry = failedHeads_[slot];
    if (entry == 0) return 0;
    if (static_cast<int>(entry >> 32) == position) return static_cast<int>(entry & 0xFFFFFFFFu);
  }
}

void TsxILParser::SetFailureHead(int position, int head) {
  if (failedCount_ * 2 >= failedHeads_.size()) {
    TsxWorkList<std::uint64_t> old(failedHeads_.size() * 2, 0);
    old.swap(failedHeads_);
    failedCount_ = 0;
    for (const std::uint64_t entry : old)
      if (entry != 0) SetFailureHead(static_cast<int>(entry >> 32), static_cast<int>(entry & 0xFFFFFFFFu));
  }
  const size_t mask = failedHeads_.size() - 1;
  size_t slot = FailureSlot(position, mask);
  while (failedHeads_[slot] != 0 && static_cast<int>(failedHeads_[slot] >> 32) != position) slot = (slot + 1) & mask;
  if (failedHeads_[slot] == 0) ++failedCount_;
  failedHeads_[slot] = static_cast<std::uint64_t>(static_cast<unsigned>(position)) << 32 | static_cast<unsigned>(head);
  failedBits_[static_cast<size_t>(position) / 64] |= std::uint64_t{1} << (position % 64);
}

[[gnu::noinline]] bool TsxILParser::ReplayFailure(int rule, int position, bool enteredClean) {
  const Failure* known = FindFailure(rule, position);
  // A failure remembered from a clean start replays its error; with an error already
  // recorded, failing again adds nothing. Only a failure first seen after an error must be
  // tried again from a clean start, to learn the error it records.
  if (!known || (!known->EnteredClean && enteredClean)) return false;
  if (enteredClean && known->EnteredClean) {
    errorText_ = known->ErrorText;
    termFlag_ = known->Term;
    errorAt_ = known->ErrorAt;
  }
  return true;
}

[[gnu::noinline]] void TsxILParser::RememberFailure(int rule, int position, bool enteredClean) {
  // A message made by the walk itself is no element's: such a failure is simply tried again.
  if (errorText_ == &ownedError_) return;
  Failure* known = FindFailure(rule, position);
  if (!known) {
    const int head = FailureHead(position);
    known = &failures_.emplace_back();
    known->Rule = rule;
    known->Next = head - 1;
    SetFailureHead(position, static_cast<int>(failures_.size()));
  }
  known->EnteredClean = enteredClean;
  known->ErrorText = errorText_;
  known->Term = termFlag_;
  known->ErrorAt = errorAt_;
}

[[gnu::always_inline]] inline bool TsxILParser::Fits(const TsxRuleElement& element, std::string_view token) const {
  if (token.empty()) return false;
  if (!element.HasText) return true;
  const String& text = element.Text;
  if (token.size() != text.size()) return false;
  if (parser_.CaseSensitive()) return token == text;
  for (size_t i = 0; i < token.size(); ++i)
    if (AsciiUpper(token[i]) != AsciiUpper(text[i])) return false;
  return true;
}

[[gnu::always_inline]] inline bool TsxILParser::ReadToken(const TsxRuleElement& element, int& from, String& own,
                                                          bool& owned) {
  switch (element.Kind) {
    case TsxRuleKind::Char:
      if (element.SkipBlanks) parser_.SkipSpaces();
      from = parser_.Position();
      return parser_.ReadChar() && Fits(element, parser_.Slice(from, parser_.Position()));
    case TsxRuleKind::Keyword:
      if (!parser_.ReadWord()) return false;
      from = parser_.LastPosition();
      return Fits(element, parser_.Slice(from, parser_.Position()));
    case TsxRuleKind::Ident: {
      if (!parser_.ReadWord()) return false;
      from = parser_.LastPosition();
      const std::string_view word = parser_.Slice(from, parser_.Position());
      return !parser_.IsKeyword(word) && Fits(element, word);
    }
    case TsxRuleKind::Number:
      if (!parser_.ReadNumber(own)) return false;
      from = parser_.LastPosition();
      owned = !own.empty();
      return Fits(element, owned ? std::string_view(own) : parser_.Slice(from, parser_.Position()));
    case TsxRuleKind::String:
      own = parser_.GetString();
      owned = true;
      return Fits(element, own);
    case TsxRuleKind::KVString: {
      // A report reference becomes a call of the report function Get with the reference's text.
      own = parser_.GetKVString();
      owned = true;
      if (own.empty()) return false;
      const int at = parser_.Position();
      lines_.push_back(Line::Of(Line::GetName, 0, at, 0, 0));
      lines_.push_back(Line::Of(Line::GetString, 0, at, KeepText("'" + own + "'"), 0));
      lines_.push_back(Line::Of(Line::GetExprClose, 0, at, 0, 2));
      lines_.push_back(Line::Of(Line::GetClose, 0, at, 0, 4));
      return true;
    }
    case TsxRuleKind::Eol:
      owned = true;
      return parser_.GetEOL();
    default:
      return false;
  }
}

[[gnu::noinline]] bool TsxILParser::MatchToken(const TsxRuleElement& element) {
  const int startPos = parser_.Position();
  const size_t startCount = lines_.size();
  // The token is the text from tokenFrom to tokenTo, unless reading made a text of its own.
  int tokenFrom = startPos;
  String own;
  bool owned = false;
  bool matched = ReadToken(element, tokenFrom, own, owned);
  const int tokenTo = parser_.Position();
  if (matched) {
    for (int child : element.Steps) {
      if (!Match(child)) {
        matched = false;
        break;
      }
    }
  }
  if (!matched) {
    RecordError(element, startPos);
    parser_.SetPosition(startPos);
    return false;
  }
  if (!element.Node.empty()) CloseNode(element, startPos, startCount);
  if (!element.Add.empty()) {
    if (element.HasAddText) AddLeaf(Line::LeafFixed, element, 0, 0);
    else if (owned) AddLeaf(Line::LeafKept, element, KeepText(std::move(own)), 0);
    else AddLeaf(Line::Leaf, element, tokenFrom, tokenTo);
  }
  return true;
}

[[gnu::noinline]] bool TsxILParser::ReadSeparator(const TsxRuleElement& element) {
  parser_.SkipSpaces();
  const int at = parser_.Position();
  return parser_.ReadChar() && element.Text.size() == 1 &&
         parser_.Text()[static_cast<size_t>(at - 1)] == element.Text[0];
}

[[gnu::noinline]] bool TsxILParser::MatchLoop(const TsxRuleElement& element, int startPos) {
  const int* children = element.Steps.data();
  const size_t childCount = element.Steps.size();
  int iterations = 0;
  int iterationEnd = startPos;
  bool ok = false;
  for (;;) {
    ++iterations;
    const int iterationStart = parser_.Position();
    ok = true;
    for (size_t i = 0; i < childCount; ++i) {
      if (!Match(children[i])) {
        ok = false;
        break;
      }
    }
    iterationEnd = parser_.Position();
    if (!ok) break;
    if (element.HasText && !ReadSeparator(element)) {
      parser_.SetPosition(iterationEnd);
      break;
    }
    if (parser_.Position() == iterationStart) break;
  }
  if (iterations > 1) {
    if (element.ForgiveLast || termFlag_) {
      errorText_ = &kNoError;
      errorAt_ = 0;
      errorPos_.clear();
    }
    parser_.SetPosition(iterationEnd);
    return true;
  }
  if (ok) return true;
  // A failed loop leaves what its first children consumed to the enclosing element.
  if (element.Kind == TsxRuleKind::OptionalLoop) {
    parser_.SetPosition(startPos);
    return true;
  }
  return false;
}

[[gnu::noinline]] void TsxILParser::RecordError(const TsxRuleElement& element, int startPos) {
  if (!element.HasErr || !errorText_->empty()) return;
  errorText_ = &element.ErrText;
  errorAt_ = parser_.After(startPos);
  termFlag_ = element.Term;
}

void TsxILParser::ReportUnclosed(int programEnd) {
  bool comment = false;
  const int unclosed = parser_.FindUnclosed(comment);
  if (unclosed == 0 || unclosed >= programEnd) return;
  // An error in a used unit, or before the unclosed text, stands.
  if (!errorText_->empty() && (errorAt_ == 0 || errorAt_ < unclosed)) return;
  SetOwnedError(comment ? SUnterminatedComment : SUnterminatedString);
  errorAt_ = unclosed;
  errorUnit_.clear();
}

[[gnu::noinline]] void TsxILParser::CloseNode(const TsxRuleElement& element, int startPos, size_t startCount) {
  if (element.NodeIsUses) {
    LoadUnits(startCount);
    return;
  }
  // Pos1 only matters for an expression; the document writes it for no other element.
  const int span = static_cast<int>(lines_.size() - startCount) + 1;
  places_ += element.NodeIsExpr;
  lines_.push_back(Line::Of(Line::Close, IndexOf(element), parser_.After(startPos),
                            element.NodeIsExpr ? parser_.Position() : 0, span));
}

[[gnu::noinline]] int TsxILParser::KeepText(String text) {
  texts_.push_back(std::move(text));
  return static_cast<int>(texts_.size()) - 1;
}

void TsxILParser::LoadUnits(size_t startCount) {
  // The file leaves are taken from the last to the first, so the units' elements stand in the
  // reverse order of the clause.
  std::vector<std::pair<String, String>> names;
  for (size_t i = lines_.size(); i > startCount; --i) {
    const Line& line = lines_[i - 1];
    const Line::Kind kind = line.LineKind();
    if ((kind != Line::Leaf && kind != Line::LeafFixed && kind != Line::LeafKept) ||
        grammar_->Element(line.Element()).Add != "file")
      continue;
    const std::string_view quoted = LeafText(line);
    names.emplace_back(quoted.size() >= 2 ? String(quoted.substr(1, quoted.size() - 2)) : String(),
                       parser_.RowColAt(line.Pos));
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i - 1));
  }
  size_t insertAt = startCount;
  for (const auto& [name, pos] : names) LoadUnit(name, pos, insertAt);
}

void TsxILParser::LoadUnit(const String& name, const String& pos, size_t& insertAt) {
  for (const String& used : usedUnits_)
    if (SameText(used, name)) return;
  usedUnits_.push_back(name);

  TsxILNode* unitRoot = nullptr;
  String source;
  try {
    source = ReadUnitSource(name);
  } catch (const Exception& e) {
    // A unit that cannot be read is an error of the clause that names it.
    if (errorText_->empty()) {
      SetOwnedError(e.Message());
      errorPos_ = pos;
      errorAt_ = 0;
      termFlag_ = false;
    }
  }
  if (!source.empty()) {
    // Units are parsed in the dialect of the text that uses them.
    // Kept with the tree when it parses: the unit's elements view its source.
    auto nested = std::make_shared<TsxILParser>();
    nested->OnGetUnit = OnGetUnit;
    nested->includePath_ = includePath_;
    nested->extendedCharset_ = extendedCharset_;
    nested->usedUnits_ = usedUnits_;
    nested->depth_ = depth_;
    nested->SelectLanguage(langName_);
    if (nested->ParseSource(source)) {
      usedUnits_ = nested->usedUnits_;
      unitRoot = nested->tree_.Root();
      tree_.Adopt(nested->tree_);
      tree_.KeepAlive(nested);
    } else if (errorText_->empty()) {
      SetOwnedError(*nested->errorText_);
      errorPos_ = nested->errorPos_;
      errorUnit_ = nested->errorUnit_.empty() ? name : nested->errorUnit_;
      errorAt_ = 0;
      // A unit's error is no loop's closing error: no loop may forgive it.
      termFlag_ = false;
    }
  }
  // Units are few: inserting among the clause's records costs nothing that matters. The records
  // that stay after them span only themselves.
  const auto at = [&] { return lines_.begin() + static_cast<std::ptrdiff_t>(insertAt); };
  if (unitRoot) {
    lines_.insert(at(), Line::Of(Line::Unit, 0, 0, static_cast<int>(unitRoots_.size()), 0));
    unitRoots_.push_back(*unitRoot);
    ++insertAt;
  }
  lines_.insert(at(), Line::Of(Line::UsesClose, 0, 0, KeepText(name), unitRoot ? 2 : 1));
  ++places_;
  ++insertAt;
}

String TsxILParser::ReadUnitSource(const String& name) const {
  if (OnGetUnit) return OnGetUnit(name);
  String candidate = name;
  for (const String& folder : includePath_) {
    candidate = folder.empty() ? name : IncludeTrailingPathDelimiter(folder) + name;
    if (FileExists(candidate)) break;
  }
  // When no folder has the file, opening the last candidate raises the file error.
  TFileStream file(candidate, fmOpenRead | fmShareDenyWrite);
  std::string bytes(static_cast<size_t>(file.Size()), '\0');
  file.ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  return DecodeText(bytes);
}

void TsxILParser::BuildTree() {
  // The records are taken from the last to the first: an element's record then comes before its
  // children's, so each element makes the room of its children side by side, and the children,
  // met from the last to the first, fill it from its end.
  // The elements view the grammar's names and texts.
  tree_.KeepAlive(grammar_);
  const TsxXMLItem* types = grammar_->Types();
  // Every record is an element; expressions and used units take a place before their children.
  // The room is taken exactly: room left over would push what the program builds next onto
  // memory never touched yet.
  tree_.Reserve(lines_.size() + places_);

  struct Filling {
    TsxILNode* Children;
    size_t Left;
  };
  std::vector<Filling> filling;
  const size_t top = static_cast<size_t>(ChildCount(lines_.size(), lines_.size() + 1));
  const size_t rootCount = top + (types ? 1 : 0);
  TsxILNode* rootChildren = tree_.Children(rootCount);
  tree_.Root()->SetChildren(rootChildren, static_cast<int>(rootCount));
  filling.push_back({rootChildren, top});
  int row = 0, col = 0;
  for (size_t i = lines_.size(); i-- > 0;) {
    while (filling.back().Left == 0) filling.pop_back();
    TsxILNode& node = filling.back().Children[--filling.back().Left];
    const Line& line = lines_[i];
    const Line::Kind kind = line.LineKind();
    if (kind != Line::Unit && kind != Line::UsesClose) parser_.RowColNear(line.Pos, row, col);
    if (line.Closes()) {
      const int count = ChildCount(i, static_cast<size_t>(line.B));
      const bool ranged = kind == Line::Close && line.A != 0;
      TsxILNode* children = tree_.Children(static_cast<size_t>(count), ranged || kind == Line::UsesClose);
      switch (kind) {
        case Line::Close:
          if (ranged) {
            int row1, col1;
            parser_.RowColNear(line.A, row1, col1);
            node.SetRanged(&grammar_->Element(line.Element()).Node, row, col, line.Pos, line.A, row1, col1, children,
                           count);
          } else {
            node.SetConstruct(&grammar_->Element(line.Element()).Node, row, col, children, count);
          }
          break;
        case Line::GetClose:
          node.SetConstruct(&kDsgn, row, col, children, count);
          break;
        case Line::GetExprClose:
          node.SetConstruct(&kExpr, row, col, children, count);
          break;
        default:
          node.SetTextHolder(TsxILNode::UsedUnit, &kUses, tree_.Keep(std::move(texts_[static_cast<size_t>(line.A)])),
                             children, count);
          break;
      }
      if (count > 0) filling.push_back({children, static_cast<size_t>(count)});
      continue;
    }
    switch (kind) {
      case Line::Unit:
        node = unitRoots_[static_cast<size_t>(line.A)];
        break;
      case Line::LeafKept:
        node.SetToken(&grammar_->Element(line.Element()).Add, tree_.Keep(std::move(texts_[static_cast<size_t>(line.A)])),
                      row, col);
        break;
      case Line::GetName:
        node.SetToken(&kNode, kGet, row, col);
        break;
      case Line::GetString:
        node.SetToken(&kString, tree_.Keep(std::move(texts_[static_cast<size_t>(line.A)])), row, col);
        break;
      default:
        node.SetToken(&grammar_->Element(line.Element()).Add, LeafText(line), row, col);
        break;
    }
  }
  if (types) tree_.FromDocument(*types, rootChildren[top]);
}

const TsxXMLDocument& TsxILParser::ILDoc() const {
  if (!ilDocMade_) {
    ilDoc_.Root()->Clear();
    TsxILTree::ToDocument(*tree_.Root(), *ilDoc_.Root());
    ilDocMade_ = true;
  }
  return ilDoc_;
}

}  // namespace orv
