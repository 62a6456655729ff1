#include "platform/rtl/TextBreaks.h"

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include <memory>

namespace orv {

std::vector<int> LineBreakOpportunities(const WideString& text) {
  std::vector<int> result;
  if (text.size() < 2) return result;
  UErrorCode status = U_ZERO_ERROR;
  // One iterator per thread: creating it loads the rules and the Thai dictionary.
  thread_local std::unique_ptr<icu::BreakIterator> iterator(
      icu::BreakIterator::createLineInstance(icu::Locale("th"), status));
  if (!iterator) return result;
  icu::UnicodeString ustr(false, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()));
  iterator->setText(ustr);
  for (int32_t p = iterator->next(); p != icu::BreakIterator::DONE; p = iterator->next())
    if (p > 0 && p < static_cast<int32_t>(text.size())) result.push_back(p);
  return result;
}

}  // namespace orv
