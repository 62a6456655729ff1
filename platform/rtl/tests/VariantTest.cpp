#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "platform/rtl/Dispatch.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/MemoryAccount.h"
#include "platform/rtl/Variant.h"

using namespace orv;

TEST(Variant, CopiesShareTextAndArraysBehaveAsValues) {
  Variant s = String("สวัสดี");
  Variant t = s;
  EXPECT_EQ(t.StrView().data(), s.StrView().data());
  s = Variant(1);
  EXPECT_EQ(VarToStr(t), "สวัสดี");

  // Appending leaves every other holder of the text as it was, and grows a text held alone.
  Variant built = String("ก");
  const Variant before = built;
  VarStrAppend(built, "ab");
  for (int i = 0; i < 100; ++i) VarStrAppend(built, "c");
  EXPECT_EQ(VarToStr(before), "ก");
  EXPECT_EQ(VarToStr(built), "กab" + String(100, 'c'));
  VarStrAppend(built, built.StrView().substr(0, 3));
  EXPECT_EQ(VarToStr(built).substr(VarToStr(built).size() - 4), "cก");
  Variant number = 5;
  EXPECT_THROW(VarStrAppend(number, "x"), EVariantTypeCastError);

  Variant a = VarArrayCreate({1, 3}, varInteger);
  VarArrayPut(a, Variant("7"), {2});  // converted to the element type on put
  EXPECT_EQ(VarType(VarArrayGet(a, {2})), varInteger);
  Variant b = a;
  VarArrayPut(b, Variant(9), {2});
  EXPECT_EQ(VarArrayGet(a, {2}).ToInteger(), 7);
  EXPECT_EQ(VarArrayGet(b, {2}).ToInteger(), 9);
  EXPECT_THROW(VarArrayGet(a, {4}), EVariantBadIndexError);
  EXPECT_THROW(VarArrayGet(a, {1, 1}), EVariantBadIndexError);
  EXPECT_EQ(VarArrayElementRef(a, 2).ToInteger(), 7);
  EXPECT_EQ(&VarArrayElementRef(a, 3), &VarArrayElementRef(a, 3));  // in place, not a copy
  EXPECT_THROW(VarArrayElementRef(a, 0), EVariantBadIndexError);
  EXPECT_THROW(VarArrayElementRef(Variant(1), 0), EVariantNotAnArrayError);
  EXPECT_EQ(VarArrayElementForWrite(a, 2), nullptr);  // typed elements must go through a conversion
  Variant loose = VarArrayOf({Variant(1), Variant("two")});
  const Variant sharer = loose;
  *VarArrayElementForWrite(loose, 1) = Variant(5);
  EXPECT_EQ(VarArrayGet(loose, {1}).ToInteger(), 5);
  EXPECT_EQ(VarToStr(VarArrayGet(sharer, {1})), "two");  // the write did not reach the sharer
  EXPECT_THROW(VarArrayElementForWrite(loose, 2), EVariantBadIndexError);
  Variant square = VarArrayCreate({0, 1, 0, 1}, varVariant);
  EXPECT_THROW(VarArrayElementForWrite(square, 0), EVariantBadIndexError);  // two indices needed
  EXPECT_THROW(VarArrayPut(a, Variant("x"), {1}), EConvertError);
  EXPECT_EQ(VarArrayGet(a, {1}).ToInteger(), 0);
  EXPECT_THROW(VarArrayCreate({0, -5}, varVariant), EVariantArrayCreateError);
  EXPECT_THROW(VarArrayCreate({0, 2147483647}, varVariant), EVariantArrayCreateError);
  EXPECT_THROW(VarArrayLowBound(Variant(1), 1), EVariantNotAnArrayError);

  // An element put into its own array.
  Variant self = VarArrayOf({Variant("x"), Variant(2)});
  VarArrayPut(self, VarArrayGet(self, {0}), {1});
  EXPECT_EQ(VarToStr(VarArrayGet(self, {1})), "x");

  Variant grid = VarArrayCreate({0, 1, 5, 7}, varVariant);
  EXPECT_EQ(VarArrayDimCount(grid), 2);
  EXPECT_EQ(VarArrayLowBound(grid, 2), 5);
  EXPECT_EQ(VarArrayHighBound(grid, 2), 7);
  VarArrayPut(grid, Variant("r1c6"), {1, 6});
  VarArrayRedim(grid, 8);
  EXPECT_EQ(VarToStr(VarArrayGet(grid, {1, 6})), "r1c6");
  EXPECT_TRUE(VarArrayGet(grid, {1, 8}).IsEmpty());

  Variant five = VarArrayOf({1, 2, 3, 4, 5});
  VarArrayRedim(five, 2);
  EXPECT_EQ(VarArrayHighBound(five, 1), 2);
  EXPECT_EQ(VarArrayGet(five, {2}).ToInteger(), 3);
}

TEST(Variant, TextsMadeInTheRoomOfFreedOnesHoldOnlyTheirOwn) {
  // Texts of every width and length come and go as a list's fields do, each made where one
  // freed before it may have been; each must read back whole and grow on its own.
  std::vector<Variant> kept;
  for (int round = 0; round < 200; ++round) {
    const std::string thai = std::string(static_cast<size_t>(round % 37), 'x') + "สมชาย";
    Variant narrow(thai);
    Variant wide(u"ใจดี" + std::u16string(static_cast<size_t>(round % 23), u'y'));
    Variant joined = narrow + Variant("!");
    EXPECT_EQ(narrow.ToString(), thai);
    EXPECT_EQ(wide.ToWideString(), u"ใจดี" + std::u16string(static_cast<size_t>(round % 23), u'y'));
    EXPECT_EQ(joined.ToString(), thai + "!");
    VarStrAppend(narrow, "ก");
    EXPECT_EQ(narrow.ToString(), thai + "ก");
    EXPECT_EQ(VarStrLength(narrow), static_cast<size_t>(round % 37) + 6) << "an index made afresh, not kept";
    if (round % 5 == 0) kept.push_back(joined);
  }
  for (size_t i = 0; i < kept.size(); ++i)
    EXPECT_EQ(kept[i].ToString(), std::string(i * 5 % 37, 'x') + "สมชาย!");

  // A text freed before a script's run is not handed to it uncharged, and the run's own texts
  // give their bytes back when freed.
  { Variant freed(std::string(40, 'a')); }
  TMemoryAccount* account = TMemoryAccount::Open();
  TMemoryAccount* before = SetMemoryAccount(account);
  {
    Variant made(std::string(40, 'b'));
    EXPECT_GE(account->Held(), 40);
  }
  EXPECT_EQ(account->Held(), 0);
  SetMemoryAccount(before);
  TMemoryAccount::Close(account);
}

// Arrays nested hundreds of thousands deep go without a native frame per level.
TEST(Variant, DeeplyNestedArraysAreReleased) {
  Variant v = 0;
  for (int i = 0; i < 400000; ++i) {
    Variant w = VarArrayCreate({0, 0}, varVariant);
    VarArrayPut(w, v, {0});
    v = w;
  }
  Variant inner = VarArrayGet(VarArrayGet(v, {0}), {0});
  EXPECT_TRUE(VarIsArray(inner));
  v = 1;
  EXPECT_TRUE(VarIsArray(inner));
  inner = Variant();
  EXPECT_EQ(v.ToInteger(), 1);
}

TEST(Variant, FindsEveryCharacterOfTextsOfMixedWidths) {
  // Runs of one width longer and shorter than the index's blocks, then every width mixed, then
  // bytes that are no UTF-8 (each one character, as a decoder replaces them one by one).
  const char* const pieces[] = {"a", "\xC3\xA9", "\xE0\xB8\x81", "\xF0\x9F\x98\x80", "\xFF"};
  String text;
  std::vector<size_t> starts;
  const auto put = [&](const char* piece, int times) {
    for (int i = 0; i < times; ++i) {
      starts.push_back(text.size());
      text += piece;
    }
  };
  put(pieces[2], 70);
  put(pieces[0], 33);
  put(pieces[1], 5);
  for (int i = 0; i < 200; ++i) put(pieces[i * 7 % 5], 1);
  put(pieces[3], 64);
  put(pieces[4], 40);
  const Variant v = text;
  ASSERT_EQ(VarStrLength(v), starts.size());
  for (size_t i = 0; i < starts.size(); ++i) ASSERT_EQ(VarStrOffset(v, i), starts[i]) << i;
  EXPECT_EQ(VarStrOffset(v, starts.size()), text.size());

  // A character written in place keeps every position.
  Variant thai = String(text.substr(0, 3 * 70));
  ASSERT_EQ(VarStrOffset(thai, 69), size_t{3 * 69});
  ASSERT_TRUE(VarStrOverwrite(thai, 3 * 35, "\xE0\xB8\xAE"));
  EXPECT_EQ(VarStrLength(thai), size_t{70});
  EXPECT_EQ(VarStrOffset(thai, 36), size_t{3 * 36});

  // A tail that completes the sequence a text ended in makes one character of it.
  Variant cut = String("ab\xE0\xB8");
  ASSERT_EQ(VarStrLength(cut), size_t{4});
  VarStrAppend(cut, "\x81z");
  EXPECT_EQ(VarStrLength(cut), size_t{4});
  EXPECT_EQ(VarStrOffset(cut, 3), size_t{5});
}

TEST(Variant, ConversionsFollowTheLocaleAndRoundHalfToEven) {
  EXPECT_EQ(Variant(2.5).ToInteger(), 2);
  EXPECT_EQ(Variant(3.5).ToInteger(), 4);
  EXPECT_EQ(Variant(-2.5).ToInteger(), -2);
  EXPECT_EQ(Variant(Currency{25000}).ToInteger(), 2);
  EXPECT_THROW(Variant(1e300).ToInt64(), EVariantOverflowError);
  EXPECT_EQ(VarToStr(Null()), "");
  EXPECT_EQ(VarToStr(Variant(true)), "True");
  EXPECT_EQ(VarToStr(Variant(0.1f)), "0.1");
  EXPECT_THROW(Null().ToInteger(), EVariantTypeCastError);

  TFormatSettings saved = FormatSettings();
  TFormatSettings comma = saved;
  comma.DecimalSeparator = ",";
  SetFormatSettings(comma);
  double parsed = Variant("2,5").ToDouble();
  String printed = VarToStr(Variant(2.5));
  bool rejected = false;
  try {
    Variant("2.5x").ToDouble();
  } catch (const EConvertError&) {
    rejected = true;
  }
  SetFormatSettings(saved);
  EXPECT_EQ(parsed, 2.5);
  EXPECT_EQ(printed, "2,5");
  EXPECT_TRUE(rejected);
}

TEST(Variant, OperatorsWidenInsteadOfWrappingAndRefuseDivisionByZero) {
  Variant big = Variant(Integer{2147483647}) + Variant(Integer{1});
  EXPECT_EQ(VarType(big), varInt64);
  EXPECT_EQ(big.ToInt64(), 2147483648LL);
  Variant huge = Variant(Int64{9223372036854775807LL}) + Variant(1);
  EXPECT_EQ(VarType(huge), varDouble);
  EXPECT_EQ(VarType(Variant(5) / Variant(2)), varDouble);
  EXPECT_EQ((Variant(5) / Variant(2)).ToDouble(), 2.5);
  EXPECT_EQ(VarIntDiv(Variant(5), Variant(2)).ToInteger(), 2);
  EXPECT_THROW(VarIntDiv(Variant(5), Variant(0)), EDivByZero);
  EXPECT_THROW(VarMod(Variant(5), Variant()), EDivByZero);
  EXPECT_THROW(Variant(5) / Variant(0), EZeroDivide);
  EXPECT_EQ(VarIntDiv(Variant(Int64{-9223372036854775807LL - 1}), Variant(-1)).ToInt64(),
            -9223372036854775807LL - 1);

  Variant acc;  // an unassigned Result collects a sum and a text
  acc = acc + Variant(3);
  EXPECT_EQ(acc.ToInteger(), 3);
  Variant text;
  text = text + Variant("ก");
  EXPECT_EQ(VarToStr(text), "ก");
  EXPECT_TRUE(VarIsNull(Variant(1) + Null()));

  // Strings compare case-sensitively by code point.
  EXPECT_TRUE(Variant("B") < Variant("a"));
  EXPECT_TRUE(Variant("a") < Variant("ก"));
  EXPECT_FALSE(Variant("abc") == Variant("ABC"));
  EXPECT_TRUE(Null() == Null());
  EXPECT_TRUE(Null() < Variant(-1000));
  EXPECT_TRUE(VarAnd(Variant(false), Null()) == Variant(false));
  EXPECT_TRUE(VarIsNull(VarAnd(Variant(true), Null())));
  EXPECT_EQ(VarOr(Variant(12), Variant(3)).ToInteger(), 15);
}

namespace {

// A small automation object: one property and one method.
class Counter : public IDispatch {
 public:
  Variant Invoke(const String& name, Word flags, std::span<const Variant> args) override {
    if (name == "Value" && (flags & DISPATCH_PROPERTYPUT)) {
      if (args.size() != 1) OleError(DISP_E_BADPARAMCOUNT);
      value_ = args[0].ToInteger();
      return Variant();
    }
    if (name == "Value") return Variant(value_);
    if (name == "Add" && (flags & DISPATCH_METHOD)) return Variant(value_ += args[0].ToInteger());
    OleError(DISP_E_UNKNOWNNAME);
  }

 private:
  Integer value_ = 0;
};

}  // namespace

TEST(Variant, HoldsAutomationObjectsSharedAndCreatedByClassName) {
  RegisterOleClass("Orvane.Counter", [] { return std::make_shared<Counter>(); });
  Variant v = CreateOleObject("Orvane.Counter");
  EXPECT_EQ(VarType(v), varDispatch);
  Variant copy = v;
  std::shared_ptr<IDispatch> obj = copy.ToDispatch();
  Variant five[] = {Variant(5)};
  obj->Invoke("Value", DISPATCH_PROPERTYPUT, five);
  obj->Invoke("Add", DISPATCH_METHOD | DISPATCH_PROPERTYGET, five);
  EXPECT_EQ(v.ToDispatch()->Invoke("Value", DISPATCH_PROPERTYGET, {}).ToInteger(), 10);
  try {
    obj->Invoke("Missing", DISPATCH_METHOD, {});
    FAIL();
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.ErrorCode(), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(e.Message(), "Unknown name.");
  }
  EXPECT_THROW(CreateOleObject("No.Such"), EOleSysError);
  EXPECT_THROW(Variant(3).ToDispatch(), EVariantTypeCastError);
  EXPECT_EQ(Variant().ToDispatch(), nullptr);
  EXPECT_THROW(v + Variant(1), EVariantInvalidOpError);
}
