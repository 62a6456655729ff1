// A program that runs scripts without the program's windows, as this test program does until a
// script makes a form: text measured or drawn on a bitmap ends with a script error, where it
// used to end the program.
#include <gtest/gtest.h>

#include "script/tests/RunTestUtils.h"

namespace orv {
namespace {

TEST(ScriptWithoutWindows, TextOnABitmapEndsWithAnErrorOrIsDrawn) {
  const test::TRunResult r = test::Run("PascalScript",
                                       "var b: TBitmap;\nbegin\n  b := TBitmap.Create;\n  b.Width := 40;\n"
                                       "  b.Height := 20;\n  b.Canvas.Rectangle(0, 0, 10, 10);\n  ShowMessage('drawn');\n"
                                       "  b.Canvas.TextOut(2, 2, 'ก');\n  ShowMessage(IntToStr(b.Canvas.TextWidth('กข')));\n"
                                       "  b.Free;\nend.");
  ASSERT_TRUE(r.Compiled) << r.CompileError;
  ASSERT_FALSE(r.Lines.empty());
  EXPECT_EQ(r.Lines[0], "drawn");
  // Run alone (as the test runner runs it) no form has made the windows yet.
  if (!r.RunError.empty()) {
    EXPECT_NE(r.RunError.find("the program has no windows"), String::npos) << r.RunError;
    EXPECT_EQ(r.Lines.size(), 1u);
  } else {
    EXPECT_EQ(r.Lines.size(), 2u);
  }
}

}  // namespace
}  // namespace orv
