// Literal values of the intermediate code, positions and argument lists.
#include <gtest/gtest.h>

#include "platform/rtl/FormatSettings.h"
#include "script/SourcePos.h"
#include "script/TypeHelpers.h"

namespace orv {
namespace {

TEST(ScriptTypeHelpers, LiteralsPositionsAndArguments) {
  EXPECT_EQ(sxLiteralToVariant("'it's'").ToString(), "it's");
  EXPECT_EQ(VarType(sxLiteralToVariant("2147483647")), varInteger);
  EXPECT_EQ(VarType(sxLiteralToVariant("2147483648")), varInt64);
  EXPECT_EQ(sxLiteralToVariant("2147483648").ToInt64(), 2147483648LL);
  EXPECT_EQ(sxLiteralToVariant("$FF").ToInteger(), 255);
  EXPECT_TRUE(VarIsNull(sxLiteralToVariant("")));
  // The decimal point of a literal is "." whatever the locale writes.
  const TFormatSettings saved = FormatSettings();
  TFormatSettings comma = saved;
  comma.DecimalSeparator = ",";
  SetFormatSettings(comma);
  const Variant half = sxLiteralToVariant("1.5");
  SetFormatSettings(saved);
  EXPECT_EQ(VarType(half), varDouble);
  EXPECT_DOUBLE_EQ(half.ToDouble(), 1.5);
  EXPECT_DOUBLE_EQ(sxLiteralToVariant("2.5E+3").ToDouble(), 2500.0);

  // A position read from a document gives back the text it was read from.
  for (const char* text : {"12:5", "0:0", "007:1", "3:", "-1:2", "row 3", "1234567890:1", "1:2:3"}) {
    const TsxSourcePos pos(text);
    EXPECT_EQ(pos.ToString(), text);
    TsxSourcePos copy(pos);
    TsxSourcePos assigned;
    assigned = copy;
    EXPECT_EQ(copy.ToString(), text);
    EXPECT_EQ(assigned.ToString(), text);
    EXPECT_FALSE(assigned.Empty());
  }
  EXPECT_TRUE(TsxSourcePos(String()).Empty());
  EXPECT_EQ(TsxSourcePos(String("12:5")).Row(), 12);
  EXPECT_EQ(sxPosToPoint("12:5"), Point(5, 12));
  EXPECT_EQ(sxPosToPoint(""), Point(0, 0));

  const std::vector<TVarRec> args =
      sxVariantToVarRec(VarArrayOf({Variant(7), Variant(Int64(1) << 40), Variant(2.5), Variant("วัด"),
                                    Variant(true), Null()}));
  ASSERT_EQ(args.size(), 6u);
  EXPECT_EQ(args[0].Kind, TVarRec::vtInteger);
  EXPECT_EQ(args[1].Kind, TVarRec::vtInt64);
  EXPECT_EQ(args[2].Kind, TVarRec::vtExtended);
  EXPECT_EQ(args[3].StrValue, "วัด");
  EXPECT_EQ(args[4].Kind, TVarRec::vtBoolean);
  EXPECT_EQ(args[5].Kind, TVarRec::vtInteger);
  EXPECT_EQ(args[5].IntValue, 0);
  for (size_t i = 0; i < 5; ++i) {
    const Variant back = sxVarRecToVariant(args[i]);
    EXPECT_EQ(back.ToString(), VarArrayGet(VarArrayOf({Variant(7), Variant(Int64(1) << 40), Variant(2.5),
                                                       Variant("วัด"), Variant(true)}),
                                           {static_cast<Integer>(i)})
                                   .ToString());
  }
  EXPECT_EQ(sxVarRecToVariant(TVarRec::Char("ก")).ToString(), "ก");
}

}  // namespace
}  // namespace orv
