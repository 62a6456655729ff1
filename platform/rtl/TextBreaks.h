#pragma once
// Where a line of text may be broken, by the Unicode line-breaking rules with the dictionary
// that finds Thai word boundaries (Thai writes no blanks between words).
#include <string_view>
#include <vector>

#include "platform/rtl/Types.h"

namespace orv {

// UTF-16 offsets, ascending, strictly between 0 and the text's length, before which a line may
// begin. A break never falls inside a grapheme cluster.
std::vector<int> LineBreakOpportunities(const WideString& text);
// The same into result, whose storage serves text after text; whether text was broken word by
// word (BrokenWordByWord).
bool LineBreakOpportunities(const WideString& text, std::vector<int>& result);
// Whether text is broken word by word: its words of letters, digits and plain punctuation meet
// only at blanks, so that the breaks inside a word and its blanks are the same in any text that
// holds the word whole.
bool BrokenWordByWord(std::u16string_view text);

// Whether a word with no break opportunity may still be cut before the UTF-16 offset unit when
// it is wider than its line: never inside a grapheme cluster's Thai syllable, that is never after
// a leading vowel (เ แ โ ใ ไ) nor before a following vowel (ะ า ำ ๅ), a combining vowel or mark,
// or the repetition mark ๆ. unit must lie strictly inside the text.
bool MayCutWordBefore(const WideString& text, size_t unit);

}  // namespace orv
