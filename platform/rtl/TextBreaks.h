#pragma once
// Where a line of text may be broken, by the Unicode line-breaking rules with the dictionary
// that finds Thai word boundaries (Thai writes no blanks between words).
#include <vector>

#include "platform/rtl/Types.h"

namespace orv {

// UTF-16 offsets, ascending, strictly between 0 and the text's length, before which a line may
// begin. A break never falls inside a grapheme cluster.
std::vector<int> LineBreakOpportunities(const WideString& text);
// The same into result, whose storage serves text after text.
void LineBreakOpportunities(const WideString& text, std::vector<int>& result);

}  // namespace orv
