#pragma once
// Free routines shared by the report library: overlap tests of object rectangles, stored
// references, the bracket scanner of expressions, CRC-32 and hex text of property data,
// locale-proof numbers, page ranges, collection storage and temporary files.
#include <cmath>
#include <string_view>

#include "platform/rtl/Filer.h"
#include "platform/rtl/StringList.h"

namespace orv {

class TkvxComponent;

// An object's rectangle in absolute pixels.
class TkvxRectArea : public TObject {
 public:
  explicit TkvxRectArea(TkvxComponent* view);
  TkvxRectArea(Extended x, Extended y, Extended x1, Extended y1) : X(x), Y(y), X1(x1), Y1(y1) {}
  static std::unique_ptr<TkvxRectArea> CreateRect(Extended x, Extended y, Extended x1, Extended y1) {
    return std::make_unique<TkvxRectArea>(x, y, x1, y1);
  }
  // The spans overlap by more than 0.0001.
  bool IntersectsX(const TkvxRectArea& other) const;
  bool IntersectsY(const TkvxRectArea& other) const;
  // The common horizontal span (Y and Y1 zero); nullptr when they do not overlap.
  std::unique_ptr<TkvxRectArea> IntersectX(const TkvxRectArea& other) const;
  Extended X, Y, X1, Y1;
};

struct TkvxRect {
  Extended Left, Top, Right, Bottom;
};
inline TkvxRect kvxRect(Extended a, Extended b, Extended c, Extended d) { return {a, b, c, d}; }

// The CRC-32 of zlib over the whole stream; the position is kept.
Cardinal kvxStreamCRC32(TStream& stream);
// The component a stored reference names: "Form.Component" among the application's global
// components, else a plain name in owner and, when owner is a report, in the report's owner.
TComponent* kvxFindComponent(TComponent* owner, const String& name);
// How a reference to component is stored relative to root: its name, or "Owner.Name".
String kvxGetReferenceName(TComponent* root, TComponent* component);
void kvxSetCommaText(const String& text, TStrings& strings, char delimiter = ';');
String kvxStreamToHex(TStream& stream);
// Length div 2 bytes of the hex text into stream from position 0; EConvertError for a
// character that is not a hex digit.
void kvxHexToStream(std::string_view hex, TStream& stream);
// "," and "." both count as the decimal separator and blanks are ignored; EConvertError for
// text that is not a number.
Extended kvxStrToFloat(const String& s);
// Whole numbers as plain text, others with two decimals.
String kvxFloatToStr(Extended value);
String kvxFloatToStrFixed(Extended value, int digits, char decimalSeparator);
// The next bracketed part of s from startPos (1-based): text between the brackets (nesting
// counted, brackets inside quotes ignored), endPos on the last character of the closing bracket.
void kvxGetBracketedText(const String& s, const String& openBracket, const String& closeBracket,
                         String& text, Integer& endPos, Integer& startPos);
void kvxGetBracketedText(const WideString& s, const WideString& openBracket,
                         const WideString& closeBracket, WideString& text, Integer& endPos,
                         Integer& startPos);
// Where a memo expression's display format begins ("[Sum #N0.00]" gives the place of " #"),
// or npos when it has none: a " #" followed by a closing parenthesis is inside the expression.
size_t kvxFormatSuffix(const String& expr);
// Every page of a list such as "1,3,5-12" or "5-" (to total), as decimal text in list. Pages
// beyond total are left out, so a range such as "1-2000000000" costs no more than the report.
void kvxParsePageNumbers(const String& pageNumbers, TStrings& list, Integer total);
// A page list typed by a user, written out again with every range ended at the last of total
// pages and pages beyond it left out; false when the text is no list of pages or names none of
// the report's. Numbers too large for any report stand for "beyond the last page".
bool kvxCheckPageNumbers(const String& text, Integer total, String& checked);
// Collections inside defined properties: as serializer attribute text while the owning report
// is written to XML, else in the ordinary binary collection form.
void kvxWriteCollection(TCollection* collection, TWriter& writer, TComponent* owner);
void kvxReadCollection(TCollection* collection, TReader& reader, TComponent* owner);
String kvxGetTempDir();
// A new empty file in dir (the system temporary folder when dir is '' or not a folder),
// named with the prefix "kv"; the caller removes it.
String kvxGetTempFileName();
String kvxGetTempFileNameInDir(const String& dir);
String kvxGetAppFileName();
String kvxGetAppPath();
String kvxReplaceChar(const String& s, char fromChar, char toChar);
String kvxSlashToBackslash(const String& s);
inline Extended kvxMin(Extended a, Extended b) { return a < b ? a : b; }
inline Extended kvxMax(Extended a, Extended b) { return a > b ? a : b; }
// The two values differ by more than 0.0001.
bool kvxDiffers(Extended a, Extended b);
// std::lround without the library call, for the pixel rectangle every object of every row
// works out: halves away from zero, the same value for every argument.
inline long kvxLRound(double value) {
  if (!(std::fabs(value) < 4.0e15)) return std::lround(value);
  long whole = static_cast<long>(value);
  // The fraction is exact: a double's whole part and the rest are both representable.
  const double fraction = value - static_cast<double>(whole);
  if (fraction >= 0.5) ++whole;
  else if (fraction <= -0.5) --whole;
  return whole;
}
Extended kvxRound8(Extended value);

}  // namespace orv
