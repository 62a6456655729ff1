#include "script/Grammar.h"

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
    for (int c = 0; c < definitions[i]->Count(); ++c)
      element.Children.push_back(Compile(*definitions[i]->Items(c), false));
    elements_[static_cast<size_t>(slot)] = std::move(element);
  }
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
  elements_.push_back(std::move(element));
  return static_cast<int>(elements_.size()) - 1;
}

int TsxGrammar::FindRule(const String& name) const {
  const String folded = AnsiLowerCase(name);
  for (const auto& rule : rules_)
    if (rule.first == folded) return rule.second;
  return -1;
}

std::vector<int> TsxGrammar::Rules() const {
  std::vector<int> result;
  for (const auto& rule : rules_) result.push_back(rule.second);
  return result;
}

}  // namespace orv
