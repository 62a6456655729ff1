// Values another program may have put into the parish file: bytes that are not UTF-8 in a text
// column, text that is no date in a date column. Every record still reads, shows what it holds
// and says what was wrong.
#include <gtest/gtest.h>

#include "platform/db/tests/DbTestSupport.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/TextUtils.h"

namespace orv::test {
namespace {

class UnexpectedValuesTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    // X'..' literals put the raw bytes in as text, as a foreign tool would.
    conn_->Execute(
        "CREATE TABLE Orvani (ID INTEGER PRIMARY KEY, Nm TEXT(50), Born DATE);"
        "INSERT INTO Orvani VALUES (1, CAST(X'E0B8AA' || X'FF' || X'41' || X'E0B8' AS TEXT), '1990-05-17');"
        "INSERT INTO Orvani VALUES (2, 'สมชาย', '17/5/2533');"
        "INSERT INTO Orvani VALUES (3, 'สมหญิง', '1990-02-30');");
  }
};

TEST_F(UnexpectedValuesTest, InvalidUtf8BecomesReplacementCharacters) {
  auto q = Query("select * from Orvani order by ID");
  q->Open();
  String name = q->FieldByName("Nm")->AsString();
  EXPECT_TRUE(IsValidUtf8(name));
  // "ส", one bad byte, "A", a cut sequence of two bytes.
  EXPECT_EQ(name, "ส\uFFFDA\uFFFD\uFFFD");
  EXPECT_EQ(VarToStr(q->FieldByName("Nm")->Value()), name);
  // The read by key (a table with a one-column key) gives the same.
  auto byKey = Query("select ID, Nm from Orvani");
  byKey->Open();
  EXPECT_EQ(byKey->FieldByName("Nm")->AsString(), name);
}

TEST_F(UnexpectedValuesTest, ADateColumnsTextThatIsNoDateShowsAsItStandsWithAWarning) {
  std::vector<String> warnings;
  SetDataWarningHandler([&](const String& m) { warnings.push_back(m); });
  auto q = Query("select * from Orvani order by ID");
  q->Open();
  TField* born = q->FieldByName("Born");
  EXPECT_EQ(born->AsDateTime(), EncodeDate(1990, 5, 17));
  q->Next();
  EXPECT_EQ(born->AsString(), "17/5/2533");
  EXPECT_EQ(born->DisplayText(), "17/5/2533");
  EXPECT_EQ(VarToStr(born->Value()), "17/5/2533");
  q->Next();
  EXPECT_EQ(born->DisplayText(), "1990-02-30");
  // Read again as the rows are scrolled over: each told once.
  q->First();
  for (; !q->Eof(); q->Next()) born->DisplayText();
  SetDataWarningHandler(nullptr);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0], "'17/5/2533' in field 'Born' is not a valid date; it is shown as it stands");
}

}  // namespace
}  // namespace orv::test
