#include <gtest/gtest.h>

// The exporter's header first, then a window's controls: the scroll style ssNone and the
// summary selection ssNone must both stay usable in one window's code.
#include "xlsexport/ExcelExport.h"
#include "platform/gui/StdCtrls.h"

using namespace orv;

TEST(ExcelExportColumns, LettersAndLimit) {
  TvwExcelExport e(nullptr);
  EXPECT_EQ(e.ColumnName(1), "A");
  EXPECT_EQ(e.ColumnName(26), "Z");
  EXPECT_EQ(e.ColumnName(27), "AA");
  EXPECT_EQ(e.ColumnName(702), "ZZ");
  EXPECT_EQ(e.ColumnName(703), "AAA");
  EXPECT_EQ(e.ColumnName(16384), "XFD");
  EXPECT_THROW(e.ColumnName(16385), EMaxColumnsReached);
  EXPECT_EQ(e.SummarySelection(), vwExcelExport::ssNone);
  EXPECT_NE(static_cast<int>(ssNone), -1);  // the scroll style, unqualified
}
