#include "script/Grammar.h"

#include <functional>

#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

struct KindName {
  const char* Tag;
  TsxRuleKind Kind;
};

constexpr KindName kKinds[] = {
    {"sequence", TsxRuleKind::Sequence},
    {"char", TsxRuleKind::Char},
    {"keyword", TsxRuleKind::Keyword},
    {"ident", TsxRuleKind::Ident},
    {"number", TsxRuleKind::Number},
    {"string", TsxRuleKind::String},
    {"kvstring", TsxRuleKind::KVString},
    {"eol", TsxRuleKind::Eol},
    {"switch", TsxRuleKind::Switch},
    {"optionalswitch", TsxRuleKind::OptionalSwitch},
    {"loop", TsxRuleKind::Loop},
    {"optionalloop", TsxRuleKind::OptionalLoop},
    {"optional", TsxRuleKind::Optional},
};

// What trying an element does when the next character is outside its first set.
struct Attempt {
  bool Known = false;    // computed (and not left open by a rule reaching itself)
  bool Matches = false;  // it matches, reading nothing
  int Error = -1;        // the element whose err it records first
  bool Emits = false;    // it emits intermediate code or loads units
};

}  // namespace

TsxGrammar::TsxGrammar(const String& xmlText) {
  document_.LoadFromString(xmlText);
  const TsxXMLItem* root = document_.Root();
  name_ = root->Prop("text");
  // Rule slots first, so that references compile to indexes whatever the order of definition.
  std::vector<const TsxXMLItem*> definitions;
  for (int i = 0; i < root->Count(); ++i) {
    const TsxXMLItem* child = root->Items(i);
    const String tag = AnsiLowerCase(child->Name());
    if (tag == "parser") {
      for (int j = 0; j < child->Count(); ++j) {
        const TsxXMLItem* option = child->Items(j);
        const String key = AnsiLowerCase(option->Name());
        if (key == "keywords") {
          for (int k = 0; k < option->Count(); ++k) keywords_.push_back(option->Items(k)->Name());
        } else if (key == "errors") {
          for (int k = 0; k < option->Count(); ++k)
            errors_.emplace_back(option->Items(k)->Name(), option->Items(k)->Prop("text"));
        } else {
          options_.emplace_back(key, option->Prop("text"));
        }
      }
    } else if (tag == "types") {
      if (!types_) types_ = child;
    } else {
      bool known = false;
      for (const auto& rule : rules_) known = known || rule.first == tag;
      if (known) continue;  // the first definition of a name is the one matched
      rules_.emplace_back(tag, static_cast<int>(elements_.size()));
      elements_.emplace_back();
      definitions.push_back(child);
    }
  }
  for (size_t i = 0; i < definitions.size(); ++i) {
    const int slot = rules_[i].second;
    TsxRuleElement element;
    element.Kind = TsxRuleKind::Rule;
    element.IsRule = true;
    element.Tag = definitions[i]->Name();
    element.Node = LowerCase(definitions[i]->Prop("node"));
    element.NodeIsUses = element.Node == "uses";
    element.NodeIsExpr = element.Node == "expr";
    for (int c = 0; c < definitions[i]->Count(); ++c)
      element.Children.push_back(Compile(*definitions[i]->Items(c), false));
    if (element.Node.empty() && element.Children.size() == 1) {
      const TsxRuleKind kind = elements_[static_cast<size_t>(element.Children[0])].Kind;
      element.SoleSwitch = kind == TsxRuleKind::Switch || kind == TsxRuleKind::OptionalSwitch;
    }
    elements_[static_cast<size_t>(slot)] = std::move(element);
  }
  ComputeLookahead();
}

int TsxGrammar::Compile(const TsxXMLItem& item, bool isRule) {
  TsxRuleElement element;
  element.IsRule = isRule;
  element.Tag = item.Name();
  const String tag = AnsiLowerCase(item.Name());
  element.Kind = TsxRuleKind::Reference;
  for (const KindName& kind : kKinds)
    if (tag == kind.Tag) element.Kind = kind.Kind;
  if (element.Kind == TsxRuleKind::Reference) element.Target = FindRule(tag);
  element.Text = AnsiLowerCase(item.Prop("text"));
  element.HasText = !element.Text.empty();
  element.Node = LowerCase(item.Prop("node"));
  element.Add = item.Prop("add");
  element.AddText = item.Prop("addtext");
  element.HasAddText = !element.AddText.empty();
  const String err = item.Prop("err");
  if (!err.empty()) {
    element.HasErr = true;
    for (const auto& entry : errors_) {
      if (SameText(entry.first, err)) {
        element.ErrText = entry.second;
        break;
      }
    }
  }
  const String skip = item.Prop("skip");
  element.SkipBlanks = skip != "0";
  element.ForgiveLast = skip == "1";
  element.Term = item.Prop("term") == "1";
  for (int c = 0; c < item.Count(); ++c) element.Children.push_back(Compile(*item.Items(c), false));
  element.Alias = element.Kind == TsxRuleKind::Reference && element.Target >= 0 && element.Node.empty() &&
                  element.Add.empty() && !element.HasErr && element.Children.empty();
  element.NodeIsUses = element.Node == "uses";
  element.NodeIsExpr = element.Node == "expr";
  switch (element.Kind) {
    case TsxRuleKind::Char:
    case TsxRuleKind::Keyword:
    case TsxRuleKind::Ident:
    case TsxRuleKind::Number:
    case TsxRuleKind::String:
    case TsxRuleKind::KVString:
    case TsxRuleKind::Eol:
      element.LeafToken = element.Children.empty();
      break;
    default:
      break;
  }
  elements_.push_back(std::move(element));
  return static_cast<int>(elements_.size()) - 1;
}

int TsxGrammar::FindRule(const String& name) const {
  const String folded = AnsiLowerCase(name);
  for (const auto& rule : rules_)
    if (rule.first == folded) return rule.second;
  return -1;
}

void TsxGrammar::ComputeLookahead() {
  String identChars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";
  String hexSequence = "$";
  String quotes = "'";
  for (const auto& [key, text] : options_) {
    if (key == "identchars") identChars = text;
    else if (key == "hexsequence") hexSequence = text;
    else if (key == "stringquotes") quotes = text;
  }
  std::bitset<256> wordStarts, numberStarts, stringStarts, punctuation, eol;
  for (char c : identChars) wordStarts.set(static_cast<Byte>(c));
  // A script may allow non-ASCII names.
  for (int c = 128; c < 256; ++c) wordStarts.set(static_cast<size_t>(c));
  for (int c = '0'; c <= '9'; ++c) {
    wordStarts.reset(static_cast<size_t>(c));
    numberStarts.set(static_cast<size_t>(c));
  }
  if (!hexSequence.empty()) numberStarts.set(static_cast<Byte>(hexSequence[0]));
  if (!quotes.empty()) stringStarts.set(static_cast<Byte>(quotes[0]));
  stringStarts.set('#');
  for (int c = 33; c <= 126; ++c)
    if (c <= 47 || (c >= 58 && c <= 64) || (c >= 91 && c <= 96) || c >= 123) punctuation.set(static_cast<size_t>(c));
  eol.set(0).set(13).set(10);

  // First sets and nullability by fixpoint: rules refer to each other in cycles. An opaque
  // element (one reading without skipping blanks, or a loop whose body may read nothing)
  // could begin with anything.
  const size_t count = elements_.size();
  std::vector<bool> nullable(count, false), opaque(count, false);
  std::vector<std::bitset<256>> first(count);
  auto leafFirst = [&](const TsxRuleElement& e, std::bitset<256>& set) {
    switch (e.Kind) {
      case TsxRuleKind::Char:
        if (!e.SkipBlanks) return false;
        if (e.HasText) set.set(static_cast<Byte>(e.Text[0]));
        else set |= punctuation;
        return true;
      case TsxRuleKind::Keyword:
        if (e.HasText) {
          const Byte c = static_cast<Byte>(e.Text[0]);
          set.set(c);
          if (c >= 'a' && c <= 'z') set.set(c - 32u);
          if (c >= 'A' && c <= 'Z') set.set(c + 32u);
        } else {
          set |= wordStarts;
        }
        return true;
      case TsxRuleKind::Ident: set |= wordStarts; return true;
      case TsxRuleKind::Number: set |= numberStarts; return true;
      case TsxRuleKind::String: set |= stringStarts; return true;
      case TsxRuleKind::Eol: set |= eol; return true;
      default: return false;  // KVString reads without skipping blanks
    }
  };
  for (bool changed = true; changed;) {
    changed = false;
    for (size_t i = 0; i < count; ++i) {
      const TsxRuleElement& e = elements_[i];
      std::bitset<256> set = first[i];
      bool isOpaque = opaque[i];
      bool isNullable = nullable[i];
      // The first set of children read in order; whether all of them may read nothing.
      auto sequence = [&](const std::vector<int>& children) {
        for (int c : children) {
          set |= first[static_cast<size_t>(c)];
          isOpaque = isOpaque || opaque[static_cast<size_t>(c)];
          if (!nullable[static_cast<size_t>(c)]) return false;
        }
        return true;
      };
      switch (e.Kind) {
        case TsxRuleKind::Rule:
        case TsxRuleKind::Sequence:
          isNullable = sequence(e.Children);
          break;
        case TsxRuleKind::Reference: {
          if (e.Target < 0) {
            isOpaque = true;
            break;
          }
          const size_t t = static_cast<size_t>(e.Target);
          set |= first[t];
          isOpaque = isOpaque || opaque[t];
          isNullable = nullable[t] && sequence(e.Children);
          break;
        }
        case TsxRuleKind::Switch:
        case TsxRuleKind::OptionalSwitch: {
          bool any = false;
          for (int c : e.Children) {
            set |= first[static_cast<size_t>(c)];
            isOpaque = isOpaque || opaque[static_cast<size_t>(c)];
            any = any || nullable[static_cast<size_t>(c)];
          }
          isNullable = any || e.Kind == TsxRuleKind::OptionalSwitch;
          break;
        }
        case TsxRuleKind::Optional:
          sequence(e.Children);
          isNullable = true;
          break;
        case TsxRuleKind::Loop:
        case TsxRuleKind::OptionalLoop: {
          const bool empty = sequence(e.Children);
          isOpaque = isOpaque || empty;
          isNullable = empty || e.Kind == TsxRuleKind::OptionalLoop;
          break;
        }
        default:
          isOpaque = isOpaque || !leafFirst(e, set);
          break;
      }
      if (set != first[i] || isOpaque != opaque[i] || isNullable != nullable[i]) {
        first[i] = set;
        opaque[i] = isOpaque;
        nullable[i] = isNullable;
        changed = true;
      }
    }
  }

  // What trying an element outside its first set does: every token it tries fails at once, so
  // the outcome follows from the grammar alone.
  std::vector<Attempt> attempts(count);
  std::vector<bool> visiting(count, false);
  std::function<Attempt(int)> attempt = [&](int index) -> Attempt {
    const size_t i = static_cast<size_t>(index);
    if (attempts[i].Known || visiting[i] || opaque[i]) return attempts[i];
    visiting[i] = true;
    const TsxRuleElement& e = elements_[i];
    Attempt result;
    result.Known = true;
    auto take = [&](const Attempt& a) {
      result.Known = result.Known && a.Known;
      if (result.Error < 0) result.Error = a.Error;
      result.Emits = result.Emits || a.Emits;
      return a.Matches;
    };
    auto sequence = [&](const std::vector<int>& children) {
      for (int c : children)
        if (!take(attempt(c))) return false;
      return true;
    };
    auto own = [&] {
      if (result.Matches) {
        result.Emits = result.Emits || !e.Node.empty() || !e.Add.empty();
      } else if (e.HasErr && result.Error < 0) {
        result.Error = index;
      }
    };
    switch (e.Kind) {
      case TsxRuleKind::Rule:
      case TsxRuleKind::Sequence:
        result.Matches = sequence(e.Children);
        own();
        // A uses clause loads its units whether or not it matched.
        if (e.Node == "uses") result.Emits = true;
        break;
      case TsxRuleKind::Reference:
        result.Matches = take(attempt(e.Target)) && sequence(e.Children);
        own();
        break;
      case TsxRuleKind::Switch:
      case TsxRuleKind::OptionalSwitch:
        for (int c : e.Children) {
          if (take(attempt(c))) {
            result.Matches = true;
            break;
          }
        }
        if (!result.Matches && e.Kind == TsxRuleKind::Switch && e.HasErr && result.Error < 0) result.Error = index;
        if (e.Kind == TsxRuleKind::OptionalSwitch) result.Matches = true;
        break;
      case TsxRuleKind::Optional:
        sequence(e.Children);
        result.Matches = true;
        break;
      case TsxRuleKind::Loop:
      case TsxRuleKind::OptionalLoop:
        sequence(e.Children);
        result.Matches = e.Kind == TsxRuleKind::OptionalLoop;
        break;
      default:
        result.Matches = false;
        own();
        break;
    }
    visiting[i] = false;
    attempts[i] = result;
    return result;
  };
  for (size_t i = 0; i < count; ++i) {
    TsxRuleElement& e = elements_[i];
    if (opaque[i]) continue;
    const Attempt a = attempt(static_cast<int>(i));
    e.First = first[i];
    e.Skippable = a.Known && !a.Emits;
    e.TryMatches = a.Matches;
    e.TryError = a.Error;
  }

  // A bare use of a rule is walked as the rule when the same lookahead decides both: a use
  // whose own outcome the walk cannot foresee (one inside a cycle of rules) keeps its step.
  for (TsxRuleElement& e : elements_) {
    e.Steps.clear();
    for (int c : e.Children) {
      const TsxRuleElement& child = elements_[static_cast<size_t>(c)];
      if (!child.Alias) {
        e.Steps.push_back(c);
        continue;
      }
      const TsxRuleElement& rule = elements_[static_cast<size_t>(child.Target)];
      const bool same = child.Skippable == rule.Skippable &&
                        (!child.Skippable || (child.First == rule.First && child.TryMatches == rule.TryMatches &&
                                              child.TryError == rule.TryError));
      e.Steps.push_back(same ? child.Target + kStepUse : c);
    }
  }

  // The alternatives of a switch worth trying at each next character: one that cannot begin
  // with it, and whose attempt records nothing, fails without a trace.
  for (TsxRuleElement& e : elements_) {
    if ((e.Kind != TsxRuleKind::Switch && e.Kind != TsxRuleKind::OptionalSwitch) || !e.Skippable) continue;
    e.DispatchFrom.assign(257, 0);
    for (int c = 0; c < 256; ++c) {
      e.DispatchFrom[static_cast<size_t>(c)] = static_cast<std::uint32_t>(e.Dispatch.size());
      for (size_t k = 0; k < e.Children.size(); ++k) {
        const TsxRuleElement& child = elements_[static_cast<size_t>(e.Children[k])];
        const bool silent =
            child.Skippable && !child.First[static_cast<size_t>(c)] && !child.TryMatches && child.TryError < 0;
        if (!silent) e.Dispatch.push_back(static_cast<std::uint32_t>(k));
      }
    }
    e.DispatchFrom[256] = static_cast<std::uint32_t>(e.Dispatch.size());
  }
}

std::vector<int> TsxGrammar::Rules() const {
  std::vector<int> result;
  for (const auto& rule : rules_) result.push_back(rule.second);
  return result;
}

}  // namespace orv
