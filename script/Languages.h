#pragma once
// The language registry: each script dialect is a grammar document registered under its name.
// The four built-in dialects register themselves on first use, in the order "JScript",
// "BasicScript", "C++Script", "PascalScript".
#include <memory>
#include <vector>

#include "platform/rtl/Types.h"
#include "script/Grammar.h"

namespace orv {

// Stores the grammar under the name, replacing a grammar registered under the same name (blind
// to case).
void sxRegisterLanguage(const String& name, const String& grammar);
// The grammar text of the dialect (name blind to case); raises "Language '%s' not found".
String sxGetLanguage(const String& name);
// The registered names in registration order.
std::vector<String> sxLanguageNames();
// The dialect's compiled grammar, built on first request and kept until the name is registered
// again; raises as sxGetLanguage.
std::shared_ptr<const TsxGrammar> sxGetGrammar(const String& name);

}  // namespace orv
