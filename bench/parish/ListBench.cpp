// Opening the parish's member list of 50,000 members: our query against the sqlite3 command line
// running the same statement to /dev/null, on the demonstration parish's data.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/DemoParish.h"
#include "app/MainWindow.h"
#include "app/ParishSchema.h"
#include "bench/BenchTiming.h"
#include "platform/db/ADODB.h"

using namespace orv;

int main() {
  const int members = 50000;
  auto dir = BenchFolder("parish");
  std::string file = (dir / ParishDatabaseName).string();
  CreateParishDatabase(file);
  TADOConnection conn(nullptr);
  conn.SetConnectionString("Data Source=" + file);
  conn.Open();
  double made = Seconds([&] { FillDemoParish(conn, members); });

  // The command line has no THAI collation; the same statement for both is the plain order.
  const std::string plain = "Select * from Orvani order by Nm, Sur";
  // The statement the main window opens its list with.
  const std::string thai = SortedMembers("", " order by Nm collate THAI, Sur collate THAI");
  TADOQuery q(nullptr);
  q.SetConnection(&conn);
  auto open = [&](const std::string& sql) {
    return Best(3, [&] {
      q.Close();
      q.SQL().SetText(sql);
      q.Open();
    });
  };
  double ours = open(plain);
  int rows = q.RecordCount();
  double oursThai = open(thai);
  q.Close();

  double cli = SqliteSeconds(file, plain, 3);

  std::printf("members made:                      %d in %.2f s\n", rows, made);
  std::printf("member list, our query:            %.3f s\n", ours);
  std::printf("member list, our query, THAI order: %.3f s\n", oursThai);
  std::printf("member list, sqlite3 to /dev/null: %.3f s\n", cli);
  std::printf("ratio ours / sqlite3:              %.2f\n", ours / cli);
  std::printf("ratio ours (THAI order) / sqlite3: %.2f\n", oursThai / cli);
  conn.Close();
  std::filesystem::remove_all(dir);
  return 0;
}
