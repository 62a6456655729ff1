// What user text, dates and names do on their way through SQL: bound, never spliced.
#include <gtest/gtest.h>

#include <algorithm>
#include <unordered_map>

#include "platform/db/SqlValues.h"
#include "platform/db/ThaiCollation.h"
#include "platform/db/tests/DbTestSupport.h"
#include "platform/db/tests/ThaiOrder.h"
#include "platform/rtl/DateTime.h"

namespace orv::test {
namespace {

class SqlTextTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    conn_->Execute(
        "CREATE TABLE Orvani (ID INTEGER PRIMARY KEY AUTOINCREMENT, Nm TEXT(50), sur TEXT(50), "
        "birth_date DATE, [Update] DATETIME)");
  }
};

TEST_F(SqlTextTest, QuotesAndWildcardsInUserTextSurviveEveryStatement) {
  const String evil = "O'Brien \"Big\" 100% _x_'); DROP TABLE Orvani; --";
  auto q = Query("select * from Orvani order by ID");
  q->Open();
  q->Append();
  q->FieldByName("Nm")->SetAsString(evil);
  q->FieldByName("sur")->SetAsString("100x");
  q->Post();
  std::string hex;
  for (unsigned char c : evil) {
    char b[3];
    std::snprintf(b, sizeof b, "%02X", c);
    hex += b;
  }
  EXPECT_EQ(Cli("select hex(Nm) from Orvani"), hex + "\n");

  // Search with a bound pattern: the text matches itself, and escaped wildcards match literally.
  auto find = Query("select * from Orvani where Nm like :t || '%'");
  find->Parameters().ParamByName("t")->SetValue(Variant("O'Brien \"Big\""));
  find->Open();
  EXPECT_EQ(find->RecordCount(), 1);
  auto literal = Query("select * from Orvani where sur like :t escape '\\'");
  literal->Parameters().ParamByName("t")->SetValue(Variant(LikeEscape("100%")));
  literal->Open();
  EXPECT_EQ(literal->RecordCount(), 0) << "an escaped % is no wildcard";
  literal->Close();
  literal->Parameters().ParamByName("t")->SetValue(Variant(LikeEscape("100x")));
  literal->Open();
  EXPECT_EQ(literal->RecordCount(), 1);

  // Update and delete through a command with parameters.
  TADOCommand cmd(nullptr);
  cmd.SetConnection(conn_.get());
  cmd.SetCommandText("update Orvani set sur = :new where Nm = :old");
  cmd.Parameters().ParamByName("new")->SetValue(Variant(evil));
  cmd.Parameters().ParamByName("old")->SetValue(Variant(evil));
  EXPECT_EQ(cmd.Execute(), 1);
  EXPECT_EQ(Cli("select Nm = sur, length(sur) from Orvani"), "1|" + std::to_string(evil.size()) + "\n");
  q->Requery();
  EXPECT_EQ(q->FieldByName("sur")->AsString(), evil);
  q->Delete();
  EXPECT_EQ(Cli("select count(*) from Orvani"), "0\n");
  EXPECT_EQ(Cli("select count(*) from sqlite_master where name = 'Orvani'"), "1\n");
}

TEST_F(SqlTextTest, ParameterMarkersAreFoundOutsideQuotesOnly) {
  TParameters p;
  p.ParseSQL("select ':a', \":b\", [:c] from t -- :d\n where x = :e and y = :E /* :f */ and z = :g");
  ASSERT_EQ(p.Count(), 2);
  EXPECT_EQ(p[0]->Name(), "e");
  EXPECT_EQ(p[1]->Name(), "g");
  p.ParamByName("g")->SetValue(Variant(5));
  p.ParseSQL("select :g, :h");
  EXPECT_EQ(p.ParamByName("G")->Value().ToInteger(), 5) << "a kept name keeps its value";
  EXPECT_THROW(p.ParamByName("e"), EDatabaseError);
}

TEST_F(SqlTextTest, DoubleQuotedTextIsANameNeverAString) {
  conn_->Execute("INSERT INTO Orvani (Nm) VALUES ('Somchai')");
  auto q = Query("select * from Orvani where Nm = \"Somchai\"");
  try {
    q->Open();
    FAIL() << "a double-quoted literal was taken as a string";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find("no such column: Somchai"), String::npos) << e.Message();
  }
  EXPECT_THROW(conn_->Execute("CREATE TABLE bad (x TEXT DEFAULT \"y\", CHECK (x <> \"z\"))"),
               EDatabaseError);
  auto named = Query("select \"Nm\" from \"Orvani\"");
  named->Open();
  EXPECT_EQ(named->FieldByName("Nm")->AsString(), "Somchai");
}

TEST_F(SqlTextTest, ThaiNamesSortByTheThaiCollation) {
  // Leading vowels (เ แ ไ) sort under the consonant after them, so byte order would be wrong;
  // the Thai locale puts Thai script before Latin. The file's own schema names the collation
  // too: an index kept in its order, read again by a connection opened later.
  conn_->Execute("CREATE INDEX NmThai ON Orvani (Nm COLLATE Thai)");
  for (const char* name : {"แดง", "ขวัญ", "ไก่", "กมล", "เกศ", "Smith", "adam"})
    conn_->Execute(String("INSERT INTO Orvani (Nm) VALUES ('") + name + "')");
  for (bool reopened : {false, true}) {
    if (reopened) {
      conn_->Close();
      conn_->Open();
    }
    auto q = Query(reopened ? "select Nm from Orvani indexed by NmThai order by Nm collate THAI"
                            : "select Nm from Orvani order by Nm collate THAI");
    q->Open();
    std::string order;
    for (q->First(); !q->Eof(); q->Next()) order += q->FieldByName("Nm")->AsString() + " ";
    EXPECT_EQ(order, "กมล เกศ ไก่ ขวัญ แดง adam Smith ");
  }
  // However a statement spells it.
  auto same = Query("select count(*) as n from Orvani where Nm = 'SMITH' collate thai");
  same->Open();
  EXPECT_EQ(same->FieldByName("n")->AsInteger(), 1) << "case-blind";
  conn_->Execute("PRAGMA integrity_check");
  EXPECT_THROW(conn_->Execute("select Nm from Orvani order by Nm collate THAI2"), EDatabaseError);
}

TEST_F(SqlTextTest, AThaiSortOfManyRowsIsTheCollatorsOrderWhateverTheirTexts) {
  // Names and surnames that repeat, differ only by a tone mark or by Latin case, hold bytes
  // that are no UTF-8, run past a thousand bytes, and enough of them that the sort's kept keys
  // reach their bound: the order is the one ICU's Thai collator gives, then by ID.
  const char* const parts[] = {"แดง", "ขวัญ", "ไก่", "ไก้", "กมล", "เกศ", "Smith", "SMITH", "adam", "กิ่ง", "กิ้ง", "ก"};
  const std::string bad = "\xE0\xB8", lone = "\x80";
  std::vector<std::pair<std::string, std::string>> rows;
  for (int i = 0; i < 4000; ++i) {
    std::string nm = parts[i % 12] + std::string(parts[i / 12 % 12]) + std::to_string(i % 97);
    if (i % 50 == 0) nm += bad;
    if (i % 70 == 0) nm = lone + nm;
    // Long names, each new, fill the keys up to their bound; some are longer than any kept.
    if (i % 3 != 1) nm += std::string(i % 9 == 0 ? 1100 : 900 + i * 37 % 100, i % 2 ? 'x' : 'X') + std::to_string(i);
    rows.emplace_back(nm, parts[i % 7]);
  }
  conn_->Execute("BEGIN");
  for (const auto& [nm, sur] : rows) {
    std::string hex;
    for (unsigned char c : nm) {
      static const char* digits = "0123456789ABCDEF";
      hex += digits[c >> 4];
      hex += digits[c & 15];
    }
    conn_->Execute("INSERT INTO Orvani (Nm, sur) VALUES (CAST(X'" + hex + "' AS TEXT), '" + sur + "')");
  }
  conn_->Execute("COMMIT");
  ThaiOrder thai(UCOL_SECONDARY);
  std::vector<int> expected(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) expected[i] = static_cast<int>(i) + 1;
  std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
    const auto &ra = rows[static_cast<size_t>(a - 1)], &rb = rows[static_cast<size_t>(b - 1)];
    if (int c = thai.Compare(ra.first, rb.first)) return c < 0;
    return thai.Compare(ra.second, rb.second) < 0;
  });
  // Read by the keys of its rows, and read whole.
  for (const char* sql : {"select * from Orvani order by Nm collate THAI, sur collate THAI, ID",
                          "select ID, Nm || '' as n from Orvani order by Nm collate THAI, sur collate THAI, ID"}) {
    SCOPED_TRACE(sql);
    auto q = Query(sql);
    q->Open();
    std::vector<int> ids;
    for (q->First(); !q->Eof(); q->Next()) ids.push_back(q->FieldByName("ID")->AsInteger());
    EXPECT_EQ(ids, expected);
  }
  // Past the statement that sorted, nothing is kept.
  EXPECT_EQ(TThaiSortKeys::Current(), nullptr);
}

TEST_F(SqlTextTest, DatesRoundTripAsIsoText) {
  auto q = Query("select * from Orvani");
  q->Open();
  q->Append();
  q->FieldByName("birth_date")->SetAsDateTime(EncodeDate(1999, 3, 15) + 0.75);
  q->FieldByName("Update")->SetAsDateTime(EncodeDateTime(2024, 1, 2, 10, 30, 0, 0));
  q->Post();
  EXPECT_EQ(Cli("select birth_date, [Update] from Orvani"), "1999-03-15|2024-01-02 10:30:00\n");
  EXPECT_EQ(q->FieldByName("birth_date")->AsDateTime(), EncodeDate(1999, 3, 15));
  EXPECT_EQ(q->FieldByName("birth_date")->DisplayText(), "15/3/1999");
  q->FieldByName("birth_date")->SetDisplayFormat("yyyy-mm-dd");
  EXPECT_EQ(q->FieldByName("birth_date")->DisplayText(), "1999-03-15");
  EXPECT_EQ(q->FieldByName("birth_date")->Value().VType(), varDate);

  q->Edit();
  q->FieldByName("birth_date")->SetAsString("5/3/2001");  // the program's short date form
  q->Post();
  EXPECT_EQ(Cli("select birth_date from Orvani"), "2001-03-05\n");
  q->Edit();
  EXPECT_THROW(q->FieldByName("birth_date")->SetAsString("31/2/2001"), Exception);
  q->FieldByName("birth_date")->SetAsString("");
  q->Post();
  EXPECT_EQ(Cli("select birth_date is null from Orvani"), "1\n");

  // A date parameter binds the same text, so comparisons in SQL work on it.
  conn_->Execute("UPDATE Orvani SET birth_date = '2001-03-05'");
  auto byDate = Query("select * from Orvani where birth_date between :a and :b");
  byDate->Parameters().ParamByName("a")->SetValue(Variant::FromDate(EncodeDate(2001, 3, 5)));
  byDate->Parameters().ParamByName("b")->SetValue(Variant::FromDate(EncodeDate(2001, 3, 5)));
  byDate->Open();
  EXPECT_EQ(byDate->RecordCount(), 1);

  // A damaged date shows as its text and raises only when read as a date.
  conn_->Execute("UPDATE Orvani SET birth_date = '15/03/1999'");
  q->Requery();
  EXPECT_EQ(q->FieldByName("birth_date")->DisplayText(), "15/03/1999");
  EXPECT_THROW(q->FieldByName("birth_date")->AsDateTime(), EDatabaseError);
}

TEST(SqlValues, IsoTextAndLikeEscape) {
  TDateTime d;
  EXPECT_TRUE(TryParseIsoDate("2024-02-29T23:59:59.5", d));
  EXPECT_EQ(IsoDateText(d, true), "2024-03-01 00:00:00");
  EXPECT_FALSE(TryParseIsoDate("2023-02-29", d));
  EXPECT_FALSE(TryParseIsoDate("2023-02-2", d));
  EXPECT_FALSE(TryParseIsoDate("2023-02-20 12", d));
  EXPECT_EQ(IsoDateText(EncodeDate(1899, 12, 29)), "1899-12-29");
  EXPECT_EQ(LikeEscape("a_b%c\\"), "a\\_b\\%c\\\\");
}

}  // namespace
}  // namespace orv::test
