#include <gtest/gtest.h>

#include <cstdio>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <vector>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

namespace orv {
namespace {

// english.tsv: kind, pattern, input, expected, one case a line, tab-separated. The expectations
// came from a reference run in the US English table; rows where that run printed "-0" for a
// negative that rounds to zero, or ignored an empty negative section, hold the sound result.
struct TCase {
  std::string Kind, Pattern, Input, Expected;
};

std::vector<TCase> LoadCases() {
  std::ifstream in(std::string(ORVANE_TEST_DATA) + "/format/english.tsv");
  std::vector<TCase> cases;
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, '\t')) f.push_back(field);
    if (line.back() == '\t') f.push_back("");
    if (f.size() == 4) cases.push_back({f[0], f[1], f[2], f[3]});
  }
  return cases;
}

TDateTime ParseStamp(const std::string& s) {
  int y, mo, d, h, mi, sec, ms;
  std::sscanf(s.c_str(), "%d-%d-%d %d:%d:%d.%d", &y, &mo, &d, &h, &mi, &sec, &ms);
  return EncodeDateTime(y, mo, d, h, mi, sec, ms);
}

std::string RunCase(const TCase& c, const TFormatSettings& fs) {
  if (c.Kind == "date") return FormatDateTime(c.Pattern, ParseStamp(c.Input), fs);
  if (c.Kind == "dateraw") return FormatDateTime(c.Pattern, std::stod(c.Input), fs);
  if (c.Kind == "float") return FormatFloat(c.Pattern, std::stod(c.Input), fs);
  if (c.Kind == "floattostr") return FloatToStr(std::stod(c.Input), fs);
  if (c.Kind == "mask") return FormatMaskText(c.Pattern, c.Input);
  if (c.Kind == "format") {
    const std::string v = c.Input.substr(2);
    switch (c.Input[0]) {
      case 'i': return Format(c.Pattern, {std::stoi(v)}, fs);
      case 'f': return Format(c.Pattern, {std::stod(v)}, fs);
      default: return Format(c.Pattern, {v}, fs);
    }
  }
  return "unknown kind " + c.Kind;
}

TEST(FormatTest, EnglishTableMatchesReference) {
  SetFormatSettings(EnglishFormatSettings());
  const std::vector<TCase> cases = LoadCases();
  ASSERT_GT(cases.size(), 300u);
  for (const TCase& c : cases) {
    EXPECT_EQ(RunCase(c, EnglishFormatSettings()), c.Expected)
        << c.Kind << " pattern [" << c.Pattern << "] input " << c.Input;
  }
  SetFormatSettings(ThaiFormatSettings());
}

TEST(FormatTest, ThaiDatesUseThaiNamesAndGregorianYears) {
  const TFormatSettings& th = ThaiFormatSettings();
  const TDateTime d = EncodeDateTime(2024, 3, 5, 14, 7, 9, 0);
  EXPECT_EQ(FormatDateTime("d mmmm yyyy", d, th), "5 มีนาคม 2024");
  EXPECT_EQ(FormatDateTime("d mmm yy", d, th), "5 มี.ค. 24");
  EXPECT_EQ(FormatDateTime("dddd ddd", d, th), "อังคาร อ.");
  EXPECT_EQ(FormatDateTime("ddddd", d, th), "5/3/2024");
  EXPECT_EQ(FormatDateTime("c", d, th), "5/3/2024 14:07:09");
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 12, 25), th), "25/12/2024");
  EXPECT_EQ(FormatDateTime("t", d, th), "14:07");
  EXPECT_EQ(FormatDateTime("dddddd", EncodeDate(2007, 2, 28), th), "28 กุมภาพันธ์ 2007");
  EXPECT_EQ(FormatDateTime("\"วันที่\" d", d, th), "วันที่ 5");
  // The program's locale is the Thai one unless a test replaces it.
  EXPECT_EQ(FormatDateTime("mmmm", EncodeDate(2024, 1, 1)), "มกราคม");
  EXPECT_EQ(FormatDateTime("yyMMddhhmmss", d), "240305140709");
}

TEST(FormatTest, ThaiNumbersAndCurrency) {
  const TFormatSettings& th = ThaiFormatSettings();
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891, th), "1,234,567.89");
  EXPECT_EQ(Format("%m", {1234.5}, th), "฿1,234.50");
  EXPECT_EQ(Format("%m", {-1234.5}, th), "-฿1,234.50");
  EXPECT_EQ(FormatCurr("0.00", 2.675, th), "2.68");
  // Widths and precisions count characters, not bytes.
  EXPECT_EQ(Format("[%6s]", {"สมชาย"}, th), "[ สมชาย]");
  EXPECT_EQ(Format("%.2s", {"สมชาย"}, th), "สม");
  EXPECT_EQ(FormatMaskText("!90:00;0;_", "930", th), " 9:30");
  EXPECT_EQ(FormatMaskText("00/00/0000;0;_", "0503", th), "05/03/    ");
}

TEST(FormatTest, CommaDecimalLocale) {
  TFormatSettings fs = EnglishFormatSettings();
  fs.DecimalSeparator = ",";
  fs.ThousandSeparator = ".";
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5, fs), "1.234,50");
  EXPECT_EQ(Format("%.1f", {2.25}, fs), "2,3");
  EXPECT_EQ(FloatToStr(1.5, fs), "1,5");
}

TEST(FormatTest, ArgumentsIndexesAndStars) {
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
  EXPECT_EQ(Format("[%*d]", {5, 42}), "[   42]");
  EXPECT_EQ(Format("[%-*d]", {4, 7}), "[7   ]");
  EXPECT_EQ(Format("[%*d]", {-4, 7}), "[7   ]");
  EXPECT_EQ(Format("[%.*f]", {1, 2.25}), "[2.3]");
  EXPECT_EQ(Format("%d", {Int64{1} << 40}), "1099511627776");
  EXPECT_EQ(Format("%x", {Int64{-1}}), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format("%p", {TVarRec::Pointer(0x1234)}), "00001234");
  EXPECT_EQ(Format("%s", {TVarRec::Char("ก")}), "ก");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_EQ(Format("%u items", {std::size_t{3}}), "3 items");
}

TEST(FormatTest, BadFormatsRaiseConvertError) {
  const auto message = [](const String& fmt, std::initializer_list<TVarRec> args) {
    try {
      Format(fmt, args);
    } catch (const EConvertError& e) {
      return e.Message();
    }
    return String("no error");
  };
  EXPECT_EQ(message("%d", {1.5}), "Format '%d' invalid or incompatible with argument");
  EXPECT_EQ(message("%f", {1}), "Format '%f' invalid or incompatible with argument");
  EXPECT_EQ(message("%s", {true}), "Format '%s' invalid or incompatible with argument");
  EXPECT_EQ(message("%d %d", {1}), "No argument for format '%d %d'");
  EXPECT_EQ(message("%5:d", {1}), "No argument for format '%5:d'");
  EXPECT_EQ(message("%q", {1}), "Format '%q' invalid or incompatible with argument");
  EXPECT_EQ(message("abc %", {}), "Format 'abc %' invalid or incompatible with argument");
  EXPECT_EQ(message("%*d", {"x", 1}), "Format '%*d' invalid or incompatible with argument");
  // A width that would need gigabytes of blanks is refused, not attempted.
  EXPECT_EQ(message("%999999999d", {1}), "Format '%999999999d' invalid or incompatible with argument");
  EXPECT_EQ(message("%*d", {2000000000, 1}), "Format '%*d' invalid or incompatible with argument");
}

TEST(FormatTest, DateFormatQuirks) {
  const TFormatSettings& en = EnglishFormatSettings();
  const TDateTime d = EncodeDateTime(2024, 3, 5, 9, 41, 0, 7);
  // "m" after an hour is minutes, elsewhere months.
  EXPECT_EQ(FormatDateTime("m h:m", d, en), "3 9:41");
  EXPECT_EQ(FormatDateTime("zzz", d, en), "007");
  EXPECT_EQ(FormatDateTime("'unterminated", d, en), "unterminated");
  EXPECT_EQ(FormatDateTime("", EncodeDate(2024, 3, 5), en), "3/5/2024");
  // A locale whose short date names itself does not recurse forever.
  TFormatSettings loop = en;
  loop.ShortDateFormat = "ddddd";
  EXPECT_EQ(FormatDateTime("ddddd", d, loop), "");
  // Values outside the calendar print zeros instead of reading past the name tables.
  EXPECT_EQ(FormatDateTime("dd mmm yyyy ddd", std::nan(""), en), "00  0000 ");
  EXPECT_EQ(FormatDateTime("d mmmm yyyy", 1e300, en), "0  0000");
  EXPECT_EQ(FormatDateTime("d/m/yyyy", -700000.0, en), "0/0/0000");
  // 23:59:59.9996 rounds to the next midnight rather than printing 24:00.
  const TDateTime late = EncodeDate(2024, 3, 5) + (SecsPerDay - 0.0004) / SecsPerDay;
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", late, en), "2024-03-06 00:00:00");
}

TEST(FormatTest, FloatFormatsAndNonFinite) {
  const TFormatSettings& en = EnglishFormatSettings();
  EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2, en), "1.235E+03");
  EXPECT_EQ(FloatToStrF(0, ffExponent, 4, 2, en), "0.000E+00");
  EXPECT_EQ(FloatToStrF(1234567.5, ffNumber, 15, 1, en), "1,234,567.5");
  EXPECT_EQ(FloatToStrF(1e20, ffFixed, 15, 2, en), "1E20");
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2, en), "($1,234.50)");
  EXPECT_EQ(FloatToStr(std::numeric_limits<double>::quiet_NaN(), en), "NAN");
  EXPECT_EQ(FormatFloat("0.00", -std::numeric_limits<double>::infinity(), en), "-INF");
  EXPECT_EQ(FormatFloat("", 0.1, en), "0.1");
  EXPECT_EQ(FormatFloat("0.00", 1e300, en).size(), 304u);
}

}  // namespace
}  // namespace orv
