// A report whose band event looks up two codes by name in a table of 300 lines at every row
// (TStringList.Values), against the same report without the lookups, printed by orvane-report
// to a prepared report over 10,000, 50,000 and 100,000 rows of a SQLite table. Both whole
// processes on the first core, timed by the wall clock, the best of three each. The lookups add
// a cost in proportion to the rows: the same milliseconds per 1,000 rows at every size.
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/BenchTiming.h"

using namespace orv;

namespace {

std::string Report(bool lookups) {
  const std::string text = lookups ? "codes.Values['c' + IntToStr(&lt;Line&gt; mod 300)] + "
                                     "codes.Values['c' + IntToStr((&lt;Line&gt; * 7) mod 300)]"
                                   : "'c' + IntToStr(&lt;Line&gt; mod 300) + 'c' + IntToStr((&lt;Line&gt; * 7) mod 300)";
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TkvxReport ScriptLanguage=\"PascalScript\" ScriptText.Text=\""
         "var codes: TStringList; i: Integer;&#13;&#10;procedure Row(Sender: TObject);&#13;&#10;begin&#13;&#10;"
         "  Memo1.Text := " + text + ";&#13;&#10;end;&#13;&#10;begin&#13;&#10;  codes := TStringList.Create;&#13;&#10;"
         "  for i := 0 to 299 do codes.Add('c' + IntToStr(i) + '=name of ' + IntToStr(i));&#13;&#10;end.\">\n"
         "  <TkvxReportPage Name=\"Page1\" PaperWidth=\"210\" PaperHeight=\"297\">\n"
         "    <TkvxMasterData Name=\"MasterData1\" Left=\"0\" Top=\"0\" Width=\"700\" Height=\"22\" DataSetName=\"M\">\n"
         "      <TkvxMemoView Name=\"Memo1\" Left=\"0\" Top=\"0\" Width=\"300\" Height=\"18\" Memo.Text=\"[Line]\" "
         "OnBeforePrint=\"Row\"/>\n    </TkvxMasterData>\n  </TkvxReportPage>\n</TkvxReport>\n";
}

// The best of three runs of the tool on report over the first rows of the table; negative
// when a run failed.
double RunTool(const std::filesystem::path& dir, const std::string& report, const std::string& db, int rows) {
  const std::string data = "M=select * from t where x <= " + std::to_string(rows);
  const std::string qpv = (dir / "out.qpv").string();
  bool ok = true;
  const double seconds = Best(3, [&] {
    // What this process has printed is not the child's to print again.
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
      // The tool's page count and messages are not the benchmark's output.
      if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr)) _exit(126);
      execl(ORVANE_REPORT_PROGRAM, ORVANE_REPORT_PROGRAM, report.c_str(), "--db", db.c_str(), "--data", data.c_str(),
            "--qpv", qpv.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  });
  return ok ? seconds : -1;
}

}  // namespace

int main() {
  // Every run on the first core, which the children inherit.
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(0, &one);
  sched_setaffinity(0, sizeof one, &one);
  const auto dir = BenchFolder("lookup-report");
  const std::string db = (dir / "rows.db").string();
  const std::string make = "sqlite3 '" + db +
                           "' 'create table t (x integer primary key); with recursive c(i) as (select 1 union all "
                           "select i + 1 from c where i < 100000) insert into t select i from c'";
  if (std::system(make.c_str()) != 0) {
    std::printf("sqlite3 could not make the rows\n");
    return 1;
  }
  const std::string with = (dir / "lookups.xml").string();
  const std::string without = (dir / "plain.xml").string();
  std::ofstream(with) << Report(true);
  std::ofstream(without) << Report(false);
  std::printf("two lookups a row in a table of 300 codes, through orvane-report to a prepared report, best of 3\n");
  for (int rows : {10000, 50000, 100000}) {
    const double lookups = RunTool(dir, with, db, rows);
    const double plain = RunTool(dir, without, db, rows);
    if (lookups < 0 || plain < 0) {
      std::printf("%d rows: a run FAILED\n", rows);
      continue;
    }
    std::printf("%d rows: with the lookups %.3f s, without %.3f s; ratio %.2fx (with / without), the lookups "
                "%.2f ms per 1,000 rows\n",
                rows, lookups, plain, lookups / plain, (lookups - plain) * 1000 / (rows / 1000.0));
  }
  std::filesystem::remove_all(dir);
  return 0;
}
