// The report utilities: page ranges, locale-proof numbers, the bracket scanner, CRC-32 and hex
// data, stored references and temporary files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <iomanip>
#include <vector>

#include "report/model/ReportUtils.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

std::string Pages(const String& text, Integer total) {
  TStringList list;
  kvxParsePageNumbers(text, list, total);
  String joined;
  for (Integer i = 0; i < list.Count(); ++i) joined += (i ? "," : "") + list.Strings(i);
  return joined;
}

}  // namespace

TEST(ReportUtils, PageNumbersAreClampedToThePages) {
  EXPECT_EQ(Pages("1,3,5-7", 10), "1,3,5,6,7");
  EXPECT_EQ(Pages("5-", 8), "5,6,7,8");
  EXPECT_EQ(Pages(" 2 , 4 ", 10), "2,4");
  EXPECT_EQ(Pages("7-5", 10), "");
  EXPECT_EQ(Pages("", 10), "");
  EXPECT_EQ(Pages("3,3", 10), "3,3");
  // A range that names two thousand million pages costs what the report has.
  EXPECT_EQ(Pages("1-2000000000", 3), "1,2,3");
  EXPECT_EQ(Pages("2,9", 3), "2");
  TStringList list;
  EXPECT_THROW(kvxParsePageNumbers("1,x,3", list, 10), EConvertError);
  EXPECT_EQ(list.Count(), 1);
}

TEST(ReportUtils, TypedPageListsAreCheckedAgainstThePages) {
  struct Case {
    const char* typed;
    bool accepted;
    const char* stored;
  };
  // A report of ten pages.
  for (const Case& c : std::initializer_list<Case>{{"1,3,5-12", true, "1,3,5-10"},
                                                   {" 2 , 9- ", true, "2,9-10"},
                                                   {"4-99999999999", true, "4-10"},
                                                   {"12,40-99", false, ""},
                                                   {"7-5", false, ""},
                                                   {"1,x", false, ""},
                                                   {"1--3", false, ""},
                                                   {"3,", false, ""},
                                                   {",3", false, ""},
                                                   {"0", false, ""},
                                                   {"", false, ""}}) {
    String stored = "old";
    EXPECT_EQ(kvxCheckPageNumbers(c.typed, 10, stored), c.accepted) << c.typed;
    if (c.accepted) {
      EXPECT_EQ(stored, c.stored) << c.typed;
    }
  }
}

TEST(ReportUtils, NumbersIgnoreTheLocale) {
  EXPECT_DOUBLE_EQ(kvxStrToFloat("1,5"), 1.5);
  EXPECT_DOUBLE_EQ(kvxStrToFloat(" 1.5 "), 1.5);
  EXPECT_DOUBLE_EQ(kvxStrToFloat("-2 000"), -2000);
  EXPECT_THROW(kvxStrToFloat("abc"), EConvertError);
  EXPECT_THROW(kvxStrToFloat(""), EConvertError);
  EXPECT_EQ(kvxFloatToStr(2), "2");
  // Attribute values: whole numbers as their digits, up to where the general format turns to
  // an exponent; the sign of a zero is not written.
  EXPECT_EQ(kvxFormatFloat(40), "40");
  EXPECT_EQ(kvxFormatFloat(-793), "-793");
  EXPECT_EQ(kvxFormatFloat(-0.0), "0");
  EXPECT_EQ(kvxFormatFloat(999999999999999), "999999999999999");
  EXPECT_EQ(kvxFormatFloat(1e15), "1E15");
  EXPECT_EQ(kvxFormatFloat(793.7013), "793.7013");
  EXPECT_EQ(kvxFormatFloat(0.1 + 0.2), "0.3");
  EXPECT_EQ(kvxFormatFloat(std::nan("")), "0");
  EXPECT_EQ(kvxFloatToStr(2.5), "2.50");
  EXPECT_EQ(kvxFloatToStrFixed(3.14159, 3, ','), "3,142");
  EXPECT_DOUBLE_EQ(kvxRound8(1.123456789), 1.12345679);
  EXPECT_TRUE(kvxDiffers(1, 1.001));
  EXPECT_FALSE(kvxDiffers(1, 1.00001));
}

TEST(ReportUtils, PixelsRoundAsTheLibraryRoundsThem) {
  // An object's pixel rectangle decides where its text wraps: a half rounded the other way moves
  // a line, so every value must round as std::lround does, halves away from zero included.
  std::vector<double> values = {0.0, -0.0, 0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 0.49999999999999994,
                                -0.49999999999999994, 0.5000000000000001, 2147483647.5, -2147483648.5,
                                4503599627370495.5, 1e300, -1e300, std::nextafter(0.5, 0.0), std::nextafter(1.5, 2.0)};
  for (double base : {0.0, 3.77953, 96.0 / 600, 718.0, 1122.52})
    for (int k = -400; k <= 400; ++k) values.push_back(base * k + k * 0.125);
  for (double v : values) EXPECT_EQ(kvxLRound(v), std::lround(v)) << std::setprecision(17) << v;
}

TEST(ReportUtils, BracketedExpressionsNestAndIgnoreQuotedBrackets) {
  String text;
  Integer endPos = 0, startPos = 5;
  String s = "Sum [IIF([a] > 0, ']', \"[\")] tail";
  kvxGetBracketedText(s, "[", "]", text, endPos, startPos);
  EXPECT_EQ(text, "IIF([a] > 0, ']', \"[\")");
  EXPECT_EQ(startPos, 5);
  EXPECT_EQ(s.substr(static_cast<size_t>(endPos - 1), 1), "]");
  EXPECT_EQ(s.substr(static_cast<size_t>(endPos)), " tail");
  startPos = 1;
  kvxGetBracketedText(s, "[", "]", text, endPos, startPos);
  EXPECT_EQ(text, "");
  EXPECT_EQ(endPos, 1);
  startPos = 1;
  kvxGetBracketedText(String("[open"), "[", "]", text, endPos, startPos);
  EXPECT_EQ(text, "open");
  WideString wtext;
  // Four UTF-16 units of Thai, then the two-character brackets at 5 and 10.
  startPos = 5;
  kvxGetBracketedText(WideString(u"ชื่อ<<[x]>>!"), WideString(u"<<"), WideString(u">>"), wtext, endPos, startPos);
  EXPECT_EQ(wtext, u"[x]");
  EXPECT_EQ(endPos, 11);
}

TEST(ReportUtils, CrcAndHexOfPropertyData) {
  TStringStream data("123456789");
  data.SetPosition(4);
  // The check value of the standard CRC-32.
  EXPECT_EQ(kvxStreamCRC32(data), 0xCBF43926u);
  EXPECT_EQ(data.Position(), 4);
  EXPECT_EQ(kvxStreamToHex(data), "313233343536373839");
  TMemoryStream back;
  kvxHexToStream("00FFa0", back);
  ASSERT_EQ(back.Size(), 3);
  EXPECT_EQ(back.Memory()[1], 0xFF);
  EXPECT_EQ(back.Memory()[2], 0xA0);
  kvxHexToStream("ABC", back);
  EXPECT_EQ(back.Size(), 1);
  EXPECT_THROW(kvxHexToStream("zz", back), EConvertError);
}

TEST(ReportUtils, StoredReferencesAndTemporaryFiles) {
  TComponent window(nullptr);
  window.SetName("Form1");
  auto* report = new TkvxReport(&window);
  report->SetName("kvxReport1");
  auto* query = new TComponent(&window);
  query->SetName("Query1");
  TComponent otherWindow(nullptr);
  otherWindow.SetName("Form2");
  auto* foreign = new TComponent(&otherWindow);
  foreign->SetName("Churches");
  EXPECT_EQ(kvxGetReferenceName(report, query), "Query1");
  EXPECT_EQ(kvxGetReferenceName(report, foreign), "Form2.Churches");
  EXPECT_EQ(kvxGetReferenceName(report, nullptr), "");
  EXPECT_EQ(kvxFindComponent(report, "Query1"), query);
  EXPECT_EQ(kvxFindComponent(report, "Form1.Query1"), query);
  EXPECT_EQ(kvxFindComponent(report, "Nothing"), nullptr);

  TStringList list;
  kvxSetCommaText("a;b;;c", list);
  EXPECT_EQ(list.Count(), 4);
  kvxSetCommaText("", list);
  EXPECT_EQ(list.Count(), 0);

  std::string dir = TempFolder("temp");
  String file = kvxGetTempFileNameInDir(dir);
  EXPECT_EQ(std::filesystem::path(file).parent_path(), std::filesystem::path(dir));
  EXPECT_EQ(std::filesystem::path(file).filename().string().substr(0, 2), "kv");
  EXPECT_TRUE(std::filesystem::exists(file));
  String fallback = kvxGetTempFileNameInDir(dir + "/no/such/folder");
  EXPECT_EQ(std::filesystem::path(fallback).parent_path(), std::filesystem::path(kvxGetTempDir()));
  std::filesystem::remove(fallback);
  EXPECT_EQ(kvxSlashToBackslash("a/b/c"), "a\\b\\c");
  EXPECT_FALSE(kvxGetAppPath().empty());
  std::filesystem::remove_all(dir);
}
