#pragma once
// The report's compiled expressions: each distinct expression text becomes a small function of
// the report's script dialect, compiled once per run and kept until the next script preparation.
#include <map>
#include <memory>

#include "platform/rtl/Variant.h"
#include "script/Script.h"

namespace orv {

class TkvxExpressionCache {
 public:
  // reportScript is the script whose names the expressions see and whose MainProgram flag is
  // lowered while a cached function runs.
  explicit TkvxExpressionCache(TsxScript* reportScript);
  ~TkvxExpressionCache();

  // The value of expr in the scope of aScript (nullptr: the report's script). errorMsg is empty
  // on success; a failed compile is not cached, so the next request compiles it again.
  Variant Calc(const String& expr, String& errorMsg, TsxScript* aScript);
  void Clear();
  Integer Count() const { return static_cast<Integer>(items_.size()); }

  // The dialect the functions are written in.
  String Lang = "PascalScript";

 private:
  TsxScript* reportScript_;
  std::unique_ptr<TsxScript> script_;
  // Keyed on the exact text: expressions that differ only in the case of a literal differ.
  std::map<String, TsxCustomVariable*> items_;
};

}  // namespace orv
