#include "script/Languages.h"

#include <mutex>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/TextUtils.h"
#include "script/GrammarTexts.h"
#include "script/Messages.h"

namespace orv {

namespace {

struct TsxLanguage {
  String Name;
  String Grammar;
  // Built on first request from Grammar.
  std::shared_ptr<const TsxGrammar> Compiled;
};

// The registry, sxLanguages. Guarded, so that registering a dialect on one thread never races a
// compilation on another.
struct TsxLanguages {
  std::mutex Lock;
  std::vector<TsxLanguage> Entries;

  TsxLanguage* Find(const String& name) {
    for (TsxLanguage& entry : Entries)
      if (SameText(entry.Name, name)) return &entry;
    return nullptr;
  }

  void Register(const String& name, const String& grammar) {
    if (TsxLanguage* entry = Find(name)) {
      entry->Grammar = grammar;
      entry->Compiled.reset();
    } else {
      Entries.push_back({name, grammar, nullptr});
    }
  }
};

TsxLanguages& Registry() {
  static TsxLanguages* languages = [] {
    static TsxLanguages instance;
    instance.Register("JScript", sxJScriptGrammar);
    instance.Register("BasicScript", sxBasicScriptGrammar);
    instance.Register("C++Script", sxCppScriptGrammar);
    instance.Register("PascalScript", sxPascalScriptGrammar);
    return &instance;
  }();
  return *languages;
}

[[noreturn]] void NotFound(const String& name) { throw Exception(Format(SLanguageNotFound, {name})); }

}  // namespace

void sxRegisterLanguage(const String& name, const String& grammar) {
  TsxLanguages& languages = Registry();
  std::lock_guard<std::mutex> guard(languages.Lock);
  languages.Register(name, grammar);
}

String sxGetLanguage(const String& name) {
  TsxLanguages& languages = Registry();
  std::lock_guard<std::mutex> guard(languages.Lock);
  const TsxLanguage* entry = languages.Find(name);
  if (!entry) NotFound(name);
  return entry->Grammar;
}

std::vector<String> sxLanguageNames() {
  TsxLanguages& languages = Registry();
  std::lock_guard<std::mutex> guard(languages.Lock);
  std::vector<String> names;
  for (const TsxLanguage& entry : languages.Entries) names.push_back(entry.Name);
  return names;
}

std::shared_ptr<const TsxGrammar> sxGetGrammar(const String& name) {
  TsxLanguages& languages = Registry();
  std::lock_guard<std::mutex> guard(languages.Lock);
  TsxLanguage* entry = languages.Find(name);
  if (!entry) NotFound(name);
  if (!entry->Compiled) entry->Compiled = std::make_shared<const TsxGrammar>(entry->Grammar);
  return entry->Compiled;
}

}  // namespace orv
