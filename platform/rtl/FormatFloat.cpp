#include <cmath>
#include <vector>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatDigits.h"

namespace orv {

namespace {

// One piece of a picture section.
struct TPictureToken {
  enum TKind { tkLiteral, tkZero, tkHash, tkPoint, tkExponent } Kind;
  String Text;  // the literal, or for tkExponent the "E+" / "e-" as written
  int ExponentDigits = 0;
};

// A picture section taken apart: where the digits go and what surrounds them.
struct TPicture {
  std::vector<TPictureToken> Tokens;
  int IntPlaces = 0;      // placeholders before the point
  int IntMin = 0;         // of those, from the first '0' on: always written
  int FracPlaces = 0;     // placeholders after the point
  int FracMin = 0;        // up to the last '0' after the point: always written
  bool Thousands = false;
  bool Scientific = false;
};

std::vector<String> SplitSections(const String& fmt) {
  std::vector<String> sections(1);
  char quote = 0;
  for (char c : fmt) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      sections.emplace_back();
      continue;
    }
    sections.back() += c;
  }
  return sections;
}

TPicture ParsePicture(const String& section) {
  TPicture p;
  bool afterPoint = false;
  bool seenZero = false;
  size_t i = 0;
  const auto literal = [&](const String& text) {
    if (!p.Tokens.empty() && p.Tokens.back().Kind == TPictureToken::tkLiteral)
      p.Tokens.back().Text += text;
    else
      p.Tokens.push_back({TPictureToken::tkLiteral, text});
  };
  while (i < section.size()) {
    const char c = section[i];
    if (c == '"' || c == '\'') {
      const size_t close = section.find(c, i + 1);
      const size_t end = close == String::npos ? section.size() : close;
      literal(section.substr(i + 1, end - i - 1));
      i = close == String::npos ? section.size() : close + 1;
    } else if (c == '0' || c == '#') {
      p.Tokens.push_back({c == '0' ? TPictureToken::tkZero : TPictureToken::tkHash, ""});
      if (afterPoint) {
        ++p.FracPlaces;
        if (c == '0') p.FracMin = p.FracPlaces;
      } else {
        ++p.IntPlaces;
        if (c == '0') seenZero = true;
        if (seenZero) ++p.IntMin;
      }
      ++i;
    } else if (c == '.' && !afterPoint && !p.Scientific) {
      p.Tokens.push_back({TPictureToken::tkPoint, ""});
      afterPoint = true;
      ++i;
    } else if (c == '.' && afterPoint && !p.Scientific) {
      // Only the first point is the decimal point: "#.##0.00" has five decimals, not two
      // points.
      ++i;
    } else if (c == ',' && !p.Scientific) {
      p.Thousands = true;
      ++i;
    } else if ((c == 'E' || c == 'e') && !p.Scientific && i + 1 < section.size() &&
               (section[i + 1] == '+' || section[i + 1] == '-')) {
      TPictureToken t{TPictureToken::tkExponent, section.substr(i, 2)};
      i += 2;
      while (i < section.size() && section[i] == '0' && t.ExponentDigits < 4) {
        ++t.ExponentDigits;
        ++i;
      }
      p.Tokens.push_back(t);
      p.Scientific = true;
    } else {
      literal(String(1, c));
      ++i;
    }
  }
  return p;
}

String Render(const TPicture& p, Extended value, const TFormatSettings& fs, bool withSign) {
  TDecimalDigits d = ToDecimalDigits(value);
  int exponent = 0;
  if (p.Scientific) {
    RoundSignificant(d, std::max(1, p.IntPlaces + p.FracPlaces));
    if (!d.Digits.empty()) {
      exponent = d.Exponent - p.IntPlaces;
      d.Exponent = p.IntPlaces;
    }
  } else {
    RoundDecimals(d, p.FracPlaces);
  }
  std::string intDigits = d.Exponent > 0 ? IntegerDigits(d) : std::string();
  if (static_cast<int>(intDigits.size()) < p.IntMin)
    intDigits.insert(0, static_cast<size_t>(p.IntMin) - intDigits.size(), '0');
  std::string fracDigits = FractionDigits(d, p.FracPlaces);
  while (static_cast<int>(fracDigits.size()) > p.FracMin && fracDigits.back() == '0') fracDigits.pop_back();

  String out = withSign && d.Negative ? "-" : "";
  const int intCount = static_cast<int>(intDigits.size());
  int intPlace = 0;   // integer placeholders met so far
  int fracPlace = 0;  // fraction placeholders met so far
  bool inFraction = false;
  const auto emitIntDigit = [&](int index) {
    out += intDigits[static_cast<size_t>(index)];
    const int left = intCount - 1 - index;
    if (p.Thousands && left > 0 && left % 3 == 0) out += fs.ThousandSeparator;
  };
  for (const TPictureToken& t : p.Tokens) {
    switch (t.Kind) {
      case TPictureToken::tkLiteral: out += t.Text; break;
      case TPictureToken::tkZero:
      case TPictureToken::tkHash:
        if (inFraction) {
          if (fracPlace < static_cast<int>(fracDigits.size())) out += fracDigits[static_cast<size_t>(fracPlace)];
          ++fracPlace;
        } else {
          // Placeholders are matched to digits from the right; digits beyond the leftmost
          // placeholder all come out at it.
          const int index = intCount - (p.IntPlaces - intPlace);
          if (intPlace == 0) {
            for (int k = 0; k <= index; ++k) emitIntDigit(k);
          } else if (index >= 0) {
            emitIntDigit(index);
          }
          ++intPlace;
        }
        break;
      case TPictureToken::tkPoint:
        // With no integer placeholder the whole integer part goes before the point.
        if (p.IntPlaces == 0) out += intDigits;
        inFraction = true;
        if (!fracDigits.empty()) out += fs.DecimalSeparator;
        break;
      case TPictureToken::tkExponent: {
        out += t.Text[0];
        if (exponent < 0) out += '-';
        else if (t.Text[1] == '+') out += '+';
        String e = std::to_string(exponent < 0 ? -exponent : exponent);
        if (static_cast<int>(e.size()) < t.ExponentDigits)
          e.insert(0, static_cast<size_t>(t.ExponentDigits) - e.size(), '0');
        out += e;
        break;
      }
    }
  }
  return out;
}

}  // namespace

String FormatFloat(const String& fmt, Extended value, const TFormatSettings& fs) {
  if (!std::isfinite(value)) return FloatToStrF(value, ffGeneral, 15, 0, fs);
  if (fmt.empty()) return FloatToStrF(value, ffGeneral, 15, 0, fs);
  const std::vector<String> sections = SplitSections(fmt);
  // A negative value with a section of its own takes its sign from that section's text. The zero
  // section is for an exact zero only, not for what rounds to it.
  if (value < 0 && sections.size() >= 2 && !sections[1].empty())
    return Render(ParsePicture(sections[1]), -value, fs, false);
  if (value == 0 && sections.size() >= 3 && !sections[2].empty())
    return Render(ParsePicture(sections[2]), 0, fs, false);
  return Render(ParsePicture(sections[0]), value, fs, true);
}

String FormatFloat(const String& fmt, Extended value) {
  return FormatFloat(fmt, value, FormatSettings());
}

String FormatCurr(const String& fmt, Extended value, const TFormatSettings& fs) {
  // A currency holds four decimals.
  return FormatFloat(fmt, std::round(value * 10000.0) / 10000.0, fs);
}

String FormatCurr(const String& fmt, Extended value) { return FormatCurr(fmt, value, FormatSettings()); }

}  // namespace orv
