#include "platform/db/ADODB.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

TParameter* TParameters::Items(Integer index) const {
  if (index < 0 || index >= Count())
    throw EListError(Format("List index out of bounds (%d)", {index}));
  return items_[static_cast<size_t>(index)].get();
}

TParameter* TParameters::FindParam(const String& name) const {
  for (const auto& p : items_)
    if (SameText(p->Name(), name)) return p.get();
  return nullptr;
}

TParameter* TParameters::ParamByName(const String& name) const {
  TParameter* p = FindParam(name);
  if (!p) throw EDatabaseError(Format("Parameter '%s' not found", {name}));
  return p;
}

namespace {

bool IsNameChar(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c >= 0x80;
}

// Skips a quoted run starting at i (the opening quote); returns the index after its end.
size_t SkipQuoted(const String& sql, size_t i, char close) {
  for (++i; i < sql.size(); ++i) {
    if (sql[i] != close) continue;
    // A doubled quote stays inside ('' in text, "" in a name); brackets do not double.
    if (close != ']' && i + 1 < sql.size() && sql[i + 1] == close) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return sql.size();
}

}  // namespace

void TParameters::ParseSQL(const String& sql) {
  std::vector<std::unique_ptr<TParameter>> found;
  size_t i = 0;
  while (i < sql.size()) {
    char c = sql[i];
    if (c == '\'' || c == '"' || c == '`') {
      i = SkipQuoted(sql, i, c);
    } else if (c == '[') {
      i = SkipQuoted(sql, i, ']');
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      i = sql.find('\n', i);
      if (i == String::npos) i = sql.size();
    } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
      i = sql.find("*/", i + 2);
      i = i == String::npos ? sql.size() : i + 2;
    } else if (c == ':' && i + 1 < sql.size() && IsNameChar(static_cast<unsigned char>(sql[i + 1]))) {
      size_t start = ++i;
      while (i < sql.size() && IsNameChar(static_cast<unsigned char>(sql[i]))) ++i;
      String name = sql.substr(start, i - start);
      bool seen = false;
      for (const auto& p : found) seen = seen || SameText(p->Name(), name);
      if (seen) continue;
      auto param = std::make_unique<TParameter>(name);
      if (TParameter* old = FindParam(name)) param->SetValue(old->Value());
      found.push_back(std::move(param));
    } else {
      ++i;
    }
  }
  items_ = std::move(found);
}

}  // namespace orv
