// Opening the whole member list: our dataset against the sqlite3 command line running the same
// query to /dev/null, on 50,000 members with Thai names.
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/BenchTiming.h"
#include "platform/db/ADODB.h"

using namespace orv;

namespace {

// Members made from lists of Thai given names and surnames, with the columns of a member row
// that a list shows filled in.
void CreateMembers(TADOConnection& conn, int count) {
  conn.Execute(
      "CREATE TABLE Orvani (ID INTEGER PRIMARY KEY AUTOINCREMENT, NUM TEXT(50), Nm TEXT(50), "
      "sur TEXT(50), st TEXT(50), sex TEXT(10), birth_date DATE, religion TEXT(50), "
      "Address1 TEXT(100), Address2 TEXT(100), tel TEXT(50), papa_nm TEXT(100), "
      "mama_nm TEXT(100), btsm_date DATE, btsm_wat TEXT(100), Occupation MEMO, [Update] DATE)");
  conn.BeginTrans();
  TADOCommand insert(nullptr);
  insert.SetConnection(&conn);
  insert.SetCommandText(
      "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < :count), "
      "given(k, v) AS (VALUES (0,'สมชาย'),(1,'สมศักดิ์'),(2,'อนงค์'),(3,'เกศินี'),(4,'ไพโรจน์'),"
      "(5,'แดง'),(6,'ขวัญใจ'),(7,'กมล'),(8,'ธีระ'),(9,'มาลี'),(10,'ยุพิน'),(11,'วิชัย')), "
      "family(k, v) AS (VALUES (0,'ใจดี'),(1,'แสงทอง'),(2,'ศรีสุข'),(3,'เจริญผล'),(4,'บุญมา'),"
      "(5,'ทองคำ'),(6,'พิทักษ์'),(7,'รุ่งเรือง'),(8,'อินทร์แก้ว'),(9,'สายบัว'),(10,'นาคสุข')) "
      "INSERT INTO Orvani (NUM, Nm, sur, st, sex, birth_date, religion, Address1, Address2, tel, "
      "papa_nm, mama_nm, btsm_date, btsm_wat, Occupation, [Update]) "
      "SELECT '100234-' || (1950 + i % 70) || '-' || i, g.v || (i / 132), f.v, 'ยอแซฟ', "
      "CASE i % 2 WHEN 0 THEN 'ชาย' ELSE 'หญิง' END, "
      "date('1950-01-01', '+' || (i * 7 % 25000) || ' days'), 'คาทอลิก', "
      "(i % 300) || '/' || (i % 17), 'อ.เมือง จ.นครปฐม 73000', '08' || (10000000 + i), "
      "'ยอห์น ' || f.v, 'มารีอา ' || f.v, date('1951-01-01', '+' || (i * 11 % 25000) || ' days'), "
      "'วัดแม่พระ', 'เกษตรกร', date('2020-01-01', '+' || (i % 1500) || ' days') "
      "FROM n JOIN given g ON g.k = i % 12 JOIN family f ON f.k = (i / 12) % 11");
  insert.Parameters().ParamByName("count")->SetValue(Variant(count));
  insert.Execute();
  conn.CommitTrans();
}

}  // namespace

int main() {
  auto dir = BenchFolder("db");
  std::string file = (dir / "Orvane.db").string();
  TADOConnection::CreateDatabase(file);
  TADOConnection conn(nullptr);
  conn.SetConnectionString("Data Source=" + file);
  conn.Open();
  const int members = 50000;
  CreateMembers(conn, members);

  const std::string sql = "Select * from Orvani order by Nm, Sur";
  TADOQuery q(nullptr);
  q.SetConnection(&conn);
  q.SQL().SetText(sql);
  q.Open();  // warm the page cache as the command line run below will find it
  q.Close();
  double ours = Seconds([&] { q.Open(); });
  int rows = q.RecordCount();
  q.Close();
  q.SQL().SetText("Select * from Orvani order by Nm collate THAI, Sur collate THAI");
  double thai = Seconds([&] { q.Open(); });
  q.Close();

  double cli = SqliteSeconds(file, sql, 1);

  std::printf("rows: %d\n", rows);
  std::printf("dataset open:             %.3f s\n", ours);
  std::printf("dataset open, THAI order: %.3f s\n", thai);
  std::printf("sqlite3 to /dev/null:     %.3f s\n", cli);
  std::printf("ratio dataset / sqlite3:  %.2f\n", ours / cli);
  conn.Close();
  std::filesystem::remove_all(dir);
  return 0;
}
