#include "platform/rtl/TextBreaks.h"

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rtl/WordTable.h"

namespace orv {

namespace {

// The breaks ICU finds in text, offsets strictly inside it, appended to result after adding base.
void IcuBreaks(std::u16string_view text, int base, std::vector<int>& result) {
  if (text.size() < 2) return;
  UErrorCode status = U_ZERO_ERROR;
  // One iterator per thread: creating it loads the rules and the Thai dictionary.
  thread_local std::unique_ptr<icu::BreakIterator> iterator(
      icu::BreakIterator::createLineInstance(icu::Locale("th"), status));
  if (!iterator) return;
  icu::UnicodeString ustr(false, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()));
  iterator->setText(ustr);
  for (int32_t p = iterator->next(); p != icu::BreakIterator::DONE; p = iterator->next())
    if (p > 0 && p < static_cast<int32_t>(text.size())) result.push_back(base + p);
}

bool IsAsciiAlnum(char16_t c) { return (c >= u'0' && c <= u'9') || ((c | 0x20) >= u'a' && (c | 0x20) <= u'z'); }

// A character a word may end with, before blanks, whose breaks no rule carries past the blanks.
bool PlainWordEnd(char16_t c) {
  return IsAsciiAlnum(c) || c == u'.' || c == u',' || c == u')' || (c >= 0x0E01 && c <= 0x0E4E && c != 0x0E3F);
}

// A character a word may start with, after blanks, before which the rules always allow a break.
bool PlainWordStart(char16_t c) { return IsAsciiAlnum(c) || (c >= 0x0E01 && c <= 0x0E2E) || (c >= 0x0E40 && c <= 0x0E44); }

// Enough for the Thai words of a few pages: a list's words repeat within them, and every thread
// that lays out or draws text keeps a table of its own. A memo of more different words than
// this sends each pass over it (counted, split over its pages, drawn) to ICU again, which costs
// little beside the shaping each pass does anyway, where a table of all its words grew with the
// memo, by some 250 bytes a word in each thread.
constexpr size_t kCachedWords = 4096;

// The breaks inside one word with its trailing blanks, from the thread's cache.
const std::vector<int>& WordBreaks(std::u16string_view word) {
  thread_local TWordTable<std::u16string, std::vector<int>, kCachedWords> cache;
  // Letters and digits of ASCII never part: no need to ask.
  static const std::vector<int> none;
  size_t letters = 0;
  while (letters < word.size() && IsAsciiAlnum(word[letters])) ++letters;
  while (letters < word.size() && word[letters] == u' ') ++letters;
  if (letters == word.size()) return none;
  const size_t hash = std::hash<std::u16string_view>()(word);
  const std::vector<int>* known =
      cache.Find(hash, [word](const std::u16string& k) { return std::u16string_view(k) == word; });
  if (known) return *known;
  std::vector<int>& breaks = cache.Add(std::u16string(word), hash);
  IcuBreaks(word, 0, breaks);
  return breaks;
}

}  // namespace

std::vector<int> LineBreakOpportunities(const WideString& text) {
  std::vector<int> result;
  LineBreakOpportunities(text, result);
  return result;
}

bool LineBreakOpportunities(const WideString& text, std::vector<int>& result) {
  result.clear();
  if (text.size() < 2) return BrokenWordByWord(text);
  // Between words of letters, digits and plain punctuation the rules break after the blanks and
  // nowhere else, and what lies inside a word does not depend on its neighbours: such a text is
  // broken word by word, and the words of a list repeat. Any other text goes to ICU whole.
  const size_t n = text.size();
  if (!BrokenWordByWord(text)) {
    IcuBreaks(text, 0, result);
    return false;
  }
  const std::u16string_view all(text);
  size_t start = 0;
  while (start < n) {
    size_t end = start;
    while (end < n && text[end] != u' ') ++end;
    while (end < n && text[end] == u' ') ++end;
    for (int p : WordBreaks(all.substr(start, end - start))) result.push_back(static_cast<int>(start) + p);
    if (end < n) result.push_back(static_cast<int>(end));
    start = end;
  }
  return true;
}

bool BrokenWordByWord(std::u16string_view text) {
  bool plain = !text.empty() && text[0] != u' ';
  for (size_t i = 1; plain && i < text.size(); ++i)
    if (text[i - 1] == u' ' && text[i] != u' ') {
      size_t end = i - 1;
      while (end > 0 && text[end] == u' ') --end;
      plain = PlainWordEnd(text[end]) && PlainWordStart(text[i]);
    }
  return plain;
}

bool MayCutWordBefore(const WideString& text, size_t unit) {
  if (unit == 0 || unit >= text.size()) return false;
  const char16_t before = text[unit - 1], at = text[unit];
  const bool leadingVowel = before >= 0x0E40 && before <= 0x0E44;
  // ะ ั า ำ and the vowels below and above, ๅ ๆ, and the marks from ็ to ๎.
  const bool following = (at >= 0x0E30 && at <= 0x0E3A) || at == 0x0E45 || at == 0x0E46 || (at >= 0x0E47 && at <= 0x0E4E);
  return !leadingVowel && !following && !(at >= 0xDC00 && at <= 0xDFFF);
}

}  // namespace orv
