// Opening the parish's member list of 50,000 members: our query against the sqlite3 command line
// running the same statement to /dev/null, on the demonstration parish's data. The list opens
// with its members' keys and reads a member when it is shown, so the time to read every member
// (as an export does) is measured too.
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
  TADOQuery q(nullptr);
  q.SetConnection(&conn);
  auto open = [&](const std::string& sql, const std::string& sort, bool readAll) {
    return Best(3, [&] {
      q.Close();
      q.SQL().SetText(sql);
      q.SetSort(sort);
      q.Open();
      if (readAll)
        for (q.First(); !q.Eof(); q.Next()) q.Fields()[0]->AsString();
    });
  };
  double ours = open(plain, "", false);
  int rows = q.RecordCount();
  // The list as the main window opens it: Thai order, rows read as they are shown.
  auto thai = [&](bool readAll) {
    q.Close();
    SetMemberList(&q, "", kMembersByName);
    return Best(3, [&] {
      q.Close();
      q.Open();
      if (readAll)
        for (q.First(); !q.Eof(); q.Next()) q.Fields()[0]->AsString();
    });
  };
  double oursThai = thai(false);
  double oursThaiAll = thai(true);
  q.Close();

  double cli = SqliteSeconds(file, plain, 3);

  std::printf("members made:                       %d in %.2f s\n", rows, made);
  std::printf("member list, our query:             %.3f s\n", ours);
  std::printf("member list, THAI order, opened:    %.3f s\n", oursThai);
  std::printf("member list, THAI order, every row: %.3f s\n", oursThaiAll);
  std::printf("member list, sqlite3 to /dev/null:  %.3f s\n", cli);
  std::printf("ratio ours / sqlite3:               %.2f\n", ours / cli);
  std::printf("ratio ours (THAI order) / sqlite3:  %.2f\n", oursThai / cli);
  std::printf("ratio every row read / sqlite3:     %.2f\n", oursThaiAll / cli);
  conn.Close();
  std::filesystem::remove_all(dir);
  return 0;
}
