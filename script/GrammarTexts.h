#pragma once
// The grammar documents of the four built-in dialects, embedded at build time from
// script/grammars/*.xml.

namespace orv {

extern const char* const sxPascalScriptGrammar;
extern const char* const sxCppScriptGrammar;
extern const char* const sxBasicScriptGrammar;
extern const char* const sxJScriptGrammar;

}  // namespace orv
