#include <gtest/gtest.h>

#include "xlsexport/ExcelExport.h"

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
}
