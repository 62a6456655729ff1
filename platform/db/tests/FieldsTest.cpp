// The width in characters a field asks of a grid column: from the declared type, from the
// longest value of an expression, or as set.
#include <gtest/gtest.h>

#include "platform/db/tests/DbTestSupport.h"

namespace orv::test {
namespace {

class DisplayWidthTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    conn_->Execute(
        "CREATE TABLE Orvani (ID INTEGER PRIMARY KEY AUTOINCREMENT, Nm TEXT(50), Code CHAR(6), "
        "Num INTEGER, Big BIGINT, Small SMALLINT, Born DATE, [Update] DATETIME, Alive BOOLEAN, "
        "Weight REAL, Note MEMO, Photo BLOB);"
        "INSERT INTO Orvani (Nm) VALUES ('สมชาย'), ('ก');");
  }
};

TEST_F(DisplayWidthTest, FollowsTheDeclaredType) {
  auto q = Query("select * from Orvani");
  q->Open();
  struct Expected {
    const char* column;
    Integer width;
  };
  for (Expected e :
       {Expected{"ID", 10}, Expected{"Nm", 50}, Expected{"Code", 6}, Expected{"Num", 10},
        Expected{"Big", 15}, Expected{"Small", 10}, Expected{"Born", 10}, Expected{"Update", 20},
        Expected{"Alive", 5}, Expected{"Weight", 10}, Expected{"Note", 10}, Expected{"Photo", 10}})
    EXPECT_EQ(q->FieldByName(e.column)->DisplayWidth(), e.width) << e.column;
}

TEST_F(DisplayWidthTest, ExpressionTextCountsCharactersNotBytes) {
  // "สมชาย ใจดี" is 10 characters and 28 bytes in UTF-8.
  auto q = Query("select Nm || ' ใจดี' as FullName, length(Nm) as Letters from Orvani");
  q->Open();
  EXPECT_EQ(q->FieldByName("FullName")->DisplayWidth(), 10);
  EXPECT_EQ(q->FieldByName("Letters")->DisplayWidth(), 10);
}

TEST_F(DisplayWidthTest, SetWidthHoldsWhileTheColumnsStayTheSame) {
  auto q = Query("select * from Orvani");
  q->Open();
  q->FieldByName("Nm")->SetDisplayWidth(12);
  EXPECT_EQ(q->FieldByName("Nm")->DisplayWidth(), 12);
  EXPECT_EQ(q->FieldByName("Code")->DisplayWidth(), 6);
  q->FieldByName("Code")->SetDisplayWidth(0);
  EXPECT_EQ(q->FieldByName("Code")->DisplayWidth(), 0);
  // Reopened with the same columns, the fields (and what a grid set on them) are kept.
  q->Close();
  q->Open();
  EXPECT_EQ(q->FieldByName("Nm")->DisplayWidth(), 12);
  EXPECT_EQ(q->FieldByName("Code")->DisplayWidth(), 0);
  // Other columns are new fields with the widths of their types.
  q->Close();
  q->SQL().SetText("select Nm, Code from Orvani");
  q->Open();
  EXPECT_EQ(q->FieldByName("Nm")->DisplayWidth(), 50);
  EXPECT_EQ(q->FieldByName("Code")->DisplayWidth(), 6);
}

}  // namespace
}  // namespace orv::test
