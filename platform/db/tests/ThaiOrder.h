#pragma once
// Thai order as a reader expects it, straight from ICU, to check rows sorted by the program.
#include <unicode/ucol.h>

#include <string>

namespace orv::test {

class ThaiOrder {
 public:
  // UCOL_DEFAULT keeps the Thai collation's own strength.
  explicit ThaiOrder(UColAttributeValue strength = UCOL_DEFAULT) {
    UErrorCode status = U_ZERO_ERROR;
    collator_ = ucol_open("th", &status);
    ucol_setStrength(collator_, strength);
  }
  ~ThaiOrder() { ucol_close(collator_); }
  ThaiOrder(const ThaiOrder&) = delete;
  ThaiOrder& operator=(const ThaiOrder&) = delete;

  int Compare(const std::string& a, const std::string& b) const {
    UErrorCode status = U_ZERO_ERROR;
    UCollationResult r = ucol_strcollUTF8(collator_, a.data(), static_cast<int32_t>(a.size()),
                                          b.data(), static_cast<int32_t>(b.size()), &status);
    return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
  }

 private:
  UCollator* collator_ = nullptr;
};

}  // namespace orv::test
