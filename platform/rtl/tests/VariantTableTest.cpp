// Every Variant operator and conversion over values of every kind, against the table that the
// class library's variants produced (tests/data/variant: the generator and its output). Where
// we differ, a waiver states the rule we follow instead, and our outcome is checked against it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Variant.h"

using namespace orv;

namespace {

struct Row {
  String Op, Left, Right, Expected;
};

std::vector<Row> LoadTable() {
  std::ifstream in(String(ORVANE_TEST_DATA) + "/variant/variant_table.txt");
  std::vector<Row> rows;
  String line;
  while (std::getline(in, line)) {
    Row r;
    std::istringstream fields(line);
    std::getline(fields, r.Op, '\t');
    std::getline(fields, r.Left, '\t');
    std::getline(fields, r.Right, '\t');
    std::getline(fields, r.Expected);
    rows.push_back(r);
  }
  return rows;
}

String Head(const String& label) { return label.substr(0, label.find(' ')); }
String Tail(const String& label) {
  auto p = label.find(' ');
  return p == String::npos ? String() : label.substr(p + 1);
}

// A value from its label in the table ("Integer -3", "String abc", "Array 12 1 0=... 1=...").
Variant FromLabel(const String& label) {
  String kind = Head(label), v = Tail(label);
  if (kind == "Empty") return Variant();
  if (kind == "Null") return Null();
  if (kind == "Smallint") return Variant(static_cast<std::int16_t>(std::stoi(v)));
  if (kind == "Integer") return Variant(static_cast<Integer>(std::stol(v)));
  if (kind == "Single") return Variant(static_cast<float>(std::strtod(v.c_str(), nullptr)));
  if (kind == "Double") return Variant(std::strtod(v.c_str(), nullptr));
  if (kind == "Currency") return Variant(Currency{std::stoll(v)});
  if (kind == "Date") return Variant::FromDate(std::strtod(v.c_str(), nullptr));
  if (kind == "OleStr") return Variant(Variant(v).ToWideString());
  if (kind == "String") return Variant(v);
  if (kind == "Boolean") return Variant(v == "True");
  if (kind == "ShortInt") return Variant(static_cast<std::int8_t>(std::stoi(v)));
  if (kind == "Byte") return Variant(static_cast<std::uint8_t>(std::stoi(v)));
  if (kind == "Word") return Variant(static_cast<std::uint16_t>(std::stoi(v)));
  if (kind == "LongWord") return Variant(static_cast<std::uint32_t>(std::stoul(v)));
  if (kind == "Int64") return Variant(static_cast<Int64>(std::stoll(v)));
  if (kind == "Error") return Variant::FromError(static_cast<LongWord>(std::stoul(v, nullptr, 16)));
  if (kind == "Array") return VarArrayOf({Variant(std::int8_t{1}), Variant(std::int8_t{2})});
  ADD_FAILURE() << "unknown label " << label;
  return Variant();
}

String ShowFloat(const char* kind, double d) {
  std::ostringstream s;
  s.precision(17);
  s << kind << " " << d;
  return s.str();
}

String Show(const Variant& v);

String ShowArray(const Variant& v) {
  String s = "Array " + std::to_string(v.VType() & varTypeMask) + " " + std::to_string(VarArrayDimCount(v));
  for (Integer i = VarArrayLowBound(v, 1); i <= VarArrayHighBound(v, 1); ++i)
    s += " " + std::to_string(i) + "=" + Show(VarArrayGet(v, {i}));
  return s;
}

// The table's notation; floats are compared by value, see Same.
String Show(const Variant& v) {
  if (v.IsArray()) return ShowArray(v);
  switch (v.VType()) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varSmallint: return "Smallint " + v.ToString();
    case varInteger: return "Integer " + v.ToString();
    case varSingle: return ShowFloat("Single", v.ToDouble());
    case varDouble: return ShowFloat("Double", v.ToDouble());
    case varCurrency: return "Currency " + std::to_string(v.ToCurrency().Scaled);
    case varDate: return ShowFloat("Date", v.ToDouble());
    case varOleStr: return "OleStr " + v.ToString();
    case varString: return "String " + v.ToString();
    case varBoolean: return v.ToBoolean() ? "Boolean True" : "Boolean False";
    case varShortInt: return "ShortInt " + v.ToString();
    case varByte: return "Byte " + v.ToString();
    case varWord: return "Word " + v.ToString();
    case varLongWord: return "LongWord " + v.ToString();
    case varInt64: return "Int64 " + v.ToString();
    default: return "Type " + std::to_string(v.VType());
  }
}

bool IsFloatKind(const String& kind) { return kind == "Single" || kind == "Double" || kind == "Date"; }

// Whether an outcome of ours matches the table's: same type; floats equal in value (a Single
// as a float); an exception of the same class.
bool Same(const String& expected, const String& actual) {
  if (expected == actual) return true;
  if (expected[0] == '!') return Head(expected) == actual;
  String ek = Head(expected), ak = Head(actual);
  if (ek != ak || !IsFloatKind(ek)) return false;
  double e = std::strtod(Tail(expected).c_str(), nullptr);
  double a = std::strtod(Tail(actual).c_str(), nullptr);
  if (ek == "Single") return static_cast<float>(e) == static_cast<float>(a);
  return e == a || std::abs(e - a) <= std::abs(e) * 1e-15;
}

String Attempt(const std::function<String()>& f) {
  try {
    return f();
  } catch (const Exception& e) {
    return String("!") + e.ClassName();
  }
}

String Evaluate(const Row& r) {
  Variant a = FromLabel(r.Left);
  const String& op = r.Op;
  if (op == "VarType") return std::to_string(VarType(a));
  if (op == "VarToStr" || op == "VarToStr,") return Attempt([&] { return "String " + VarToStr(a); });
  if (op == "ToInteger") return Attempt([&] { return "Integer " + std::to_string(a.ToInteger()); });
  if (op == "ToInt64") return Attempt([&] { return "Int64 " + std::to_string(a.ToInt64()); });
  if (op == "ToDouble" || op == "ToDouble,") return Attempt([&] { return ShowFloat("Double", a.ToDouble()); });
  if (op == "ToBoolean") return Attempt([&] { return Show(Variant(a.ToBoolean())); });
  if (op == "ToCurrency") return Attempt([&] { return Show(Variant(a.ToCurrency())); });
  if (op == "ToDateTime") return Attempt([&] { return ShowFloat("Date", a.ToDateTime()); });
  if (op == "VarIsNumeric") return Show(Variant(VarIsNumeric(a)));
  if (op == "VarIsStr") return Show(Variant(VarIsStr(a)));
  if (op == "VarAsType")
    return Attempt([&] { return Show(VarAsType(a, static_cast<TVarType>(std::stoi(r.Right)))); });
  if (op == "not") return Attempt([&] { return Show(VarNot(a)); });
  if (op == "neg") return Attempt([&] { return Show(-a); });
  Variant b = FromLabel(r.Right);
  static const std::map<String, std::function<Variant(const Variant&, const Variant&)>> ops = {
      {"+", [](auto& x, auto& y) { return x + y; }},
      {"+,", [](auto& x, auto& y) { return x + y; }},
      {"-", [](auto& x, auto& y) { return x - y; }},
      {"*", [](auto& x, auto& y) { return x * y; }},
      {"/", [](auto& x, auto& y) { return x / y; }},
      {"div", VarIntDiv},
      {"mod", VarMod},
      {"shl", VarShl},
      {"shr", VarShr},
      {"and", VarAnd},
      {"or", VarOr},
      {"xor", VarXor},
      {"=", [](auto& x, auto& y) { return Variant(x == y); }},
      {"<>", [](auto& x, auto& y) { return Variant(x != y); }},
      {"<", [](auto& x, auto& y) { return Variant(x < y); }},
      {"<=", [](auto& x, auto& y) { return Variant(x <= y); }},
      {">", [](auto& x, auto& y) { return Variant(x > y); }},
      {">=", [](auto& x, auto& y) { return Variant(x >= y); }},
  };
  auto it = ops.find(op);
  if (it == ops.end()) return "?unknown op " + op;
  return Attempt([&] { return Show(it->second(a, b)); });
}

bool IsStrLabel(const String& l) { return Head(l) == "String" || Head(l) == "OleStr"; }
bool IsOneOf(const String& s, std::initializer_list<const char*> list) {
  return std::any_of(list.begin(), list.end(), [&](const char* x) { return s == x; });
}
bool IsIntegerKind(const String& kind) {
  return IsOneOf(kind, {"Smallint", "Integer", "ShortInt", "Byte", "Word", "LongWord", "Int64"});
}
bool IsException(const String& outcome) { return !outcome.empty() && outcome[0] == '!'; }
// EVariantError and the classes derived from it.
bool IsVariantError(const String& outcome) { return Head(outcome).rfind("!EVariant", 0) == 0; }
// Binary operators carry a second value; VarAsType's right column is a type code.
bool IsBinary(const Row& r) { return !r.Right.empty() && r.Op != "VarAsType"; }
bool IsCastTo(const Row& r, std::initializer_list<const char*> codes) {
  return r.Op == "VarAsType" && IsOneOf(r.Right, codes);
}
bool HasOperand(const Row& r, const char* kind) {
  return Head(r.Left) == kind || (IsBinary(r) && Head(r.Right) == kind);
}

// The row run again with each value label passed through change(label, other side's label).
String EvaluateWith(Row r, const std::function<String(const String&, const String&)>& change) {
  String left = r.Left;
  r.Left = change(left, IsBinary(r) ? r.Right : String());
  if (IsBinary(r)) r.Right = change(r.Right, left);
  return Evaluate(r);
}

// What a text operand must hold for an operation to take it.
enum class Reading { Number, Integer, Boolean, Date };

bool Reads(const String& text, Reading as) {
  char* end = nullptr;
  bool number = !text.empty() && (std::strtod(text.c_str(), &end), *end == '\0');
  bool integer = !text.empty() && (std::strtoll(text.c_str(), &end, 10), *end == '\0');
  int d, m, y;
  switch (as) {
    case Reading::Number: return number;
    case Reading::Integer: return integer;
    case Reading::Boolean: return number || text == "True" || text == "False";
    case Reading::Date: return std::sscanf(text.c_str(), "%d/%d/%d", &d, &m, &y) == 3;
  }
  return false;
}

// Text beside a date is read as a number: only the conversions to a date want a date.
Reading ReadingFor(const Row& r, const String& other) {
  if (r.Op == "ToDateTime" || IsCastTo(r, {"7"})) return Reading::Date;
  if (r.Op == "ToBoolean" || IsCastTo(r, {"11"})) return Reading::Boolean;
  if (IsOneOf(r.Op, {"and", "or", "xor"}) && Head(other) == "Boolean") return Reading::Boolean;
  if (IsOneOf(r.Op,
              {"div", "mod", "shl", "shr", "and", "or", "xor", "not", "ToInteger", "ToInt64"}) ||
      IsCastTo(r, {"2", "3", "16", "17", "18", "19", "20"}))
    return Reading::Integer;
  return Reading::Number;
}

// A text operand of the row that does not hold what the operation reads from it. `not` also
// takes a Boolean text.
bool HasUnreadableText(const Row& r) {
  auto unreadable = [&](const String& label, const String& other) {
    if (!IsStrLabel(label)) return false;
    if (r.Op == "not" && Reads(Tail(label), Reading::Boolean)) return false;
    return !Reads(Tail(label), ReadingFor(r, other));
  };
  return unreadable(r.Left, r.Right) || (IsBinary(r) && unreadable(r.Right, r.Left));
}

// The outcome with dates as plain Doubles of the same number of days.
String AsPlainNumbers(const Row& row) {
  Row r = row;
  if (r.Op == "ToDateTime") r.Op = "ToDouble";
  if (IsCastTo(r, {"7"})) r.Right = "5";
  String outcome = EvaluateWith(r, [](const String& label, const String&) {
    return Head(label) == "Date" ? "Double " + Tail(label) : label;
  });
  return Head(outcome) == "Date" ? "Double " + Tail(outcome) : outcome;
}
bool SameAsPlainNumbers(const Row& r, const String& actual) {
  return Same(AsPlainNumbers(r), Head(actual) == "Date" ? "Double " + Tail(actual) : actual);
}

// Whether a number in the row lies outside the dates of the years 1 to 9999.
bool OutsideDateRange(const Row& r, const String& actual) {
  auto outside = [](const String& label) {
    if (label.empty() || IsException(label) || Head(label) == "Boolean" || IsStrLabel(label))
      return false;
    double d = std::strtod(Tail(label).c_str(), nullptr);
    return d < -693593 || d >= 2958466;
  };
  return outside(r.Left) || (IsBinary(r) && outside(r.Right)) || outside(actual);
}

// A row where we knowingly differ from the table: which rows it speaks for (decided from the
// row and the table's outcome alone) and what we produce there instead, which is checked.
struct Waiver {
  const char* Rule;
  std::function<bool(const Row&)> Covers;
  std::function<bool(const Row&, const String& actual)> Holds;
};

const std::vector<Waiver>& Waivers() {
  static const std::vector<Waiver> list = {
      {"Empty counts as 0 in every operator, as '' when joined to text, and beside Null gives "
       "Null (scripts add into an unassigned Result); the table's library keeps Empty, or ends "
       "the process in /, div and mod",
       [](const Row& r) { return HasOperand(r, "Empty"); },
       [](const Row& r, const String& actual) {
         return Same(EvaluateWith(r,
                                  [&](const String& label, const String& other) -> String {
                                    if (Head(label) != "Empty") return label;
                                    if (Head(other) == "Null") return "Null";
                                    if (r.Op == "+" && IsStrLabel(other)) return "String ";
                                    return "Integer 0";
                                  }),
                     actual);
       }},
      {"a Boolean is the Smallint -1 or 0 in arithmetic, bitwise logic beside a number, "
       "comparisons with a number and negation, whichever side it stands on; in the table the "
       "result type, the width of a shift and the meaning of a comparison depend on the order "
       "of the operands, and / refuses a Boolean beside an integer or text",
       [](const Row& r) { return HasOperand(r, "Boolean"); },
       [](const Row& r, const String& actual) {
         return Same(EvaluateWith(r,
                                  [](const String& label, const String&) -> String {
                                    if (Head(label) != "Boolean") return label;
                                    return Tail(label) == "True" ? "Smallint -1" : "Smallint 0";
                                  }),
                     actual);
       }},
      {"text that does not hold what the operation reads from it (a number, an integer, a "
       "Boolean, a date) raises EConvertError, as the text conversion functions do; the table "
       "raises an EVariantError there",
       [](const Row& r) { return IsVariantError(r.Expected) && HasUnreadableText(r); },
       [](const Row&, const String& actual) { return actual == "!EConvertError"; }},
      {"a failed type cast raises EVariantTypeCastError, the kind of EVariantError that the "
       "table's message 'Invalid variant type cast' names",
       [](const Row& r) { return Head(r.Expected) == "!EVariantError"; },
       [](const Row&, const String& actual) { return actual == "!EVariantTypeCastError"; }},
      {"a lone number in text is no date: the table's library reads '12' as that day of the "
       "month in which the table was made; we raise EConvertError as StrToDateTime does",
       [](const Row& r) {
         return (r.Op == "ToDateTime" || IsCastTo(r, {"7"})) && IsStrLabel(r.Left) &&
                Head(r.Expected) == "Date";
       },
       [](const Row& r, const String& actual) {
         return actual == "!EConvertError" && !Reads(Tail(r.Left), Reading::Date);
       }},
      {"text beside a date is read as a number of days; the table's library reads it as a "
       "date, so that '12' becomes a day of the month the table was made in and '2.5' fails",
       [](const Row& r) {
         return HasOperand(r, "Date") && (IsStrLabel(r.Left) || IsStrLabel(r.Right));
       },
       SameAsPlainNumbers},
      {"dates are numbers of days without a range check; the table's library refuses dates "
       "past the year 9999",
       [](const Row& r) {
         return IsVariantError(r.Expected) && (HasOperand(r, "Date") || r.Op == "ToDateTime" ||
                                               IsCastTo(r, {"7"}));
       },
       [](const Row& r, const String& actual) {
         return OutsideDateRange(r, actual) && SameAsPlainNumbers(r, actual);
       }},
      {"text is read with the locale's decimal separator, as StrToFloat does; the table's "
       "variants read '2,5' under a comma separator as 25 and still take '2.5'",
       [](const Row& r) { return r.Op.back() == ','; },
       [](const Row& r, const String& actual) {
         return Same(EvaluateWith(r,
                                  [](const String& label, const String&) -> String {
                                    if (!IsStrLabel(label)) return label;
                                    String text = Tail(label);
                                    // Under a comma separator a point is no part of a number.
                                    if (text.find('.') != String::npos) return "String x";
                                    std::replace(text.begin(), text.end(), ',', '.');
                                    return "Double " + text;
                                  }),
                     actual);
       }},
      {"integer operators with a LongWord or Int64 operand give an Int64; the table gives an "
       "Integer of the same value when the other side is a float, a date or text",
       [](const Row& r) {
         return IsOneOf(r.Op, {"div", "mod", "shl", "shr", "and", "or", "xor"}) &&
                (HasOperand(r, "LongWord") || HasOperand(r, "Int64")) &&
                IsIntegerKind(Head(r.Expected));
       },
       [](const Row& r, const String& actual) {
         return Head(actual) == "Int64" && Tail(actual) == Tail(r.Expected);
       }},
  };
  return list;
}

}  // namespace

TEST(VariantTable, EveryOperatorAndConversionMatchesTheClassLibraryOrAStatedRule) {
  std::vector<Row> rows = LoadTable();
  ASSERT_GT(rows.size(), 12000u);
  std::vector<int> waived(Waivers().size());
  int matched = 0, failures = 0;
  TFormatSettings saved = FormatSettings();
  auto withLocale = [&](const Row& r, const std::function<String()>& run) {
    bool comma = r.Op.back() == ',';
    if (comma) {
      TFormatSettings fs = saved;
      fs.DecimalSeparator = ",";
      SetFormatSettings(fs);
    }
    String outcome = run();
    if (comma) SetFormatSettings(saved);
    return outcome;
  };
  for (const Row& r : rows) {
    String actual = withLocale(r, [&] { return Evaluate(r); });
    if (Same(r.Expected, actual)) {
      ++matched;
      continue;
    }
    String rules;
    bool explained = false;
    for (size_t i = 0; i < Waivers().size() && !explained; ++i) {
      const Waiver& w = Waivers()[i];
      if (!w.Covers(r)) continue;
      if (w.Holds(r, actual)) {
        ++waived[i];
        explained = true;
      } else {
        rules += String("\n  but not: ") + w.Rule;
      }
    }
    if (!explained && failures++ < 100)
      ADD_FAILURE() << r.Op << " (" << r.Left << ") (" << r.Right << "): expected " << r.Expected
                    << ", got " << actual << (rules.empty() ? "\n  no rule covers the row" : rules);
  }
  std::printf("%d of %zu rows as in the table\n", matched, rows.size());
  for (size_t i = 0; i < Waivers().size(); ++i)
    std::printf("%5d rows checked against the rule: %s\n", waived[i], Waivers()[i].Rule);
  EXPECT_EQ(failures, 0);
}
