// Report files whose script frees the objects whose events run it, builds data nested
// hundreds of thousands deep, makes ownership loops or hoards memory, also from event to event: orvane-report ends each
// with a script error or normally, never by a signal, with no limit on its stack and in a
// few hundred megabytes at most. The programs are those of the script engine's run corpus.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string XmlAttribute(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\r': out += "&#13;"; break;
      case '\n': out += "&#13;&#10;"; break;
      default: out += c;
    }
  }
  return out;
}

// The program as the main block of a report's script. Nobody answers a message box in the
// tool, so the program's messages are worked out and dropped.
std::string ReportOf(std::string program) {
  for (size_t at = 0; (at = program.find("ShowMessage(", at)) != std::string::npos;) program.replace(at, 12, "VarToStr(");
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TkvxReport ScriptLanguage=\"PascalScript\" ScriptText.Text=\"" +
         XmlAttribute(program) +
         "\">\n  <TkvxReportPage Name=\"Page1\" PaperWidth=\"210\" PaperHeight=\"297\">\n"
         "    <TkvxMasterData Name=\"MasterData1\" Left=\"0\" Top=\"0\" Width=\"700\" Height=\"22\" DataSetName=\"M\"/>\n"
         "  </TkvxReportPage>\n</TkvxReport>\n";
}

// No run of the tool this process made held more than 300 MB resident (an address-sanitizer
// build keeps far more for itself).
void ExpectToolRunsStayedSmall() {
#if !defined(__SANITIZE_ADDRESS__)
  rusage children{};
  getrusage(RUSAGE_CHILDREN, &children);
  EXPECT_LT(children.ru_maxrss, 300 * 1024) << "kilobytes at most resident in one run";
#endif
}

struct TToolRun {
  std::string Program;
  int Status = 0;
  std::string Err;
  // For a program that must fail: the text its error must hold, from the corpus's NAME.out.
  std::string Error;
};

TEST(ReportToolHostileScripts, EndWithAScriptErrorOrNormallyInBoundedMemory) {
  const std::filesystem::path corpus = std::filesystem::path(ORVANE_TEST_DATA) / "../../../../script/tests/data/run";
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("orvane-report-hostile-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string db = (dir / "data.db").string();
  ASSERT_EQ(std::system(("sqlite3 " + db + " 'create table t (x integer); insert into t values (1)'").c_str()), 0);
  const std::vector<std::string> programs = {
      "freeinownevent", "deepvariants",   "ownerchain",     "xmlself.fail",  "xmlcycle.fail",
      "parentcycle.fail", "captions.fail", "textlines.fail", "loadlines.fail", "loadxml.fail",
      "bigarrays.fail", "extremeshapes"};
  // Four at a time: each may take a few hundred megabytes before its error.
  std::vector<std::future<TToolRun>> runs;
  const auto check = [](const TToolRun& run) {
    SCOPED_TRACE(run.Program + ": " + run.Err);
    ASSERT_TRUE(WIFEXITED(run.Status)) << "ended by a signal";
    const int exit = WEXITSTATUS(run.Status);
    const bool fails = run.Program.find(".fail") != std::string::npos;
    EXPECT_EQ(exit, fails ? 1 : 0);
    if (fails) {
      EXPECT_NE(run.Err.find("orvane-report: "), std::string::npos);
      EXPECT_NE(run.Err.find(run.Error), std::string::npos);
    }
  };
  for (const std::string& name : programs) {
    if (runs.size() == 4) {
      check(runs.front().get());
      runs.erase(runs.begin());
    }
    const std::filesystem::path source = corpus / (name + ".pas");
    ASSERT_TRUE(std::filesystem::exists(source)) << source;
    const std::filesystem::path work = dir / name;
    std::filesystem::create_directories(work);
    std::ofstream(work / "report.xml") << ReportOf(ReadText(source));
    const std::string expected = ReadText(corpus / (name + ".out"));
    const size_t error = expected.rfind("ERROR: ");
    const std::string message = error == std::string::npos ? std::string() : expected.substr(error + 7, expected.find('\n', error) - error - 7);
    runs.push_back(std::async(std::launch::async, [name, work, db, message] {
      // The programs write their files by relative names into a folder of their own.
      const std::string command = "cd '" + work.string() + "' && ulimit -s unlimited && exec " +
                                  ORVANE_REPORT_PROGRAM + " report.xml --db '" + db +
                                  "' --data 'M=select * from t' --qpv out.qpv 2> err.txt";
      const int status = std::system(("sh -c \"" + command + "\"").c_str());
      return TToolRun{name, status, ReadText(work / "err.txt"), message};
    }));
  }
  for (auto& pending : runs) check(pending.get());
  ExpectToolRunsStayedSmall();
  std::filesystem::remove_all(dir);
}

// The events and expressions of one run share one memory account. A script that keeps 8 MB
// more in a global list at every row, from a band's event or from a function a memo's
// expression calls, ends with "Out of memory" within the limit, where counting each event from
// zero (and expressions not at all) let two hundred rows reach 1.7 GB; a long report whose every
// row makes 200 KB of text that is let go afterwards (200 MB in all) runs to its end.
TEST(ReportToolHostileScripts, WhatEventsAndExpressionsKeepCountsOverTheWholeRun) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("orvane-report-kept-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string db = (dir / "data.db").string();
  ASSERT_EQ(std::system(("sqlite3 " + db +
                         " 'create table t (x integer); with recursive c(i) as (select 1 union all select i + 1 "
                         "from c where i < 1000) insert into t select i from c'")
                            .c_str()),
            0);
  const auto run = [&](const std::string& name, const std::string& script, const std::string& band,
                       const std::string& rows) {
    std::ofstream(dir / (name + ".xml"))
        << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TkvxReport ScriptLanguage=\"PascalScript\" ScriptText.Text=\""
        << XmlAttribute(script) << "\">\n  <TkvxReportPage Name=\"Page1\" PaperWidth=\"210\" PaperHeight=\"297\">\n"
        << band << "  </TkvxReportPage>\n</TkvxReport>\n";
    const std::string command = "cd '" + dir.string() + "' && exec " + ORVANE_REPORT_PROGRAM + " " + name +
                                ".xml --db '" + db + "' --data 'M=select * from t where x <= " + rows + "' --qpv " +
                                name + ".qpv 2> " + name + ".err";
    const int status = std::system(("sh -c \"" + command + "\"").c_str());
    return std::make_pair(status, ReadText(dir / (name + ".err")));
  };

  const std::string hoard =
      "var l: TStringList; s: String; i: Integer;\n"
      "function Hoard: Integer;\nbegin\n"
      "  s := 'x';\n  for i := 1 to 23 do s := s + s;\n  l.Add(s);\n  Result := l.Count;\nend;\n"
      "procedure KeepRow(Sender: TkvxComponent);\nbegin\n  Hoard;\nend;\n"
      "begin\n  l := TStringList.Create;\nend.";
  const std::string band =
      "    <TkvxMasterData Name=\"MasterData1\" Left=\"0\" Top=\"0\" Width=\"700\" Height=\"22\" DataSetName=\"M\"";
  for (const auto& [name, objects] :
       {std::pair{"event", band + " OnBeforePrint=\"KeepRow\"/>\n"},
        std::pair{"expression", band + ">\n      <TkvxMemoView Name=\"Memo1\" Left=\"0\" Top=\"0\" Width=\"300\" "
                                       "Height=\"18\" Memo.Text=\"[Hoard]\"/>\n    </TkvxMasterData>\n"}}) {
    const auto [status, err] = run(name, hoard, objects, "200");
    SCOPED_TRACE(name);
    ASSERT_TRUE(WIFEXITED(status)) << err;
    EXPECT_EQ(WEXITSTATUS(status), 1) << err;
    EXPECT_NE(err.find("Out of memory"), std::string::npos) << err;
  }

  const auto [longStatus, longErr] =
      run("long",
          "var big: String; i: Integer;\n"
          "procedure RowText(Sender: TkvxComponent);\nbegin\n"
          "  Memo1.Text := Copy(big, 1, 200000 + <Line>);\nend;\n"
          "begin\n  big := 'x';\n  for i := 1 to 18 do big := big + big;\nend.",
          "    <TkvxMasterData Name=\"MasterData1\" Left=\"0\" Top=\"0\" Width=\"700\" Height=\"22\" DataSetName=\"M\">\n"
          "      <TkvxMemoView Name=\"Memo1\" Left=\"0\" Top=\"0\" Width=\"300\" Height=\"18\" Memo.Text=\"[Line]\" "
          "OnAfterPrint=\"RowText\"/>\n    </TkvxMasterData>\n",
          "1000");
  ASSERT_TRUE(WIFEXITED(longStatus)) << longErr;
  EXPECT_EQ(WEXITSTATUS(longStatus), 0) << longErr;
  EXPECT_EQ(longErr.find("orvane-report: "), std::string::npos) << longErr;
  ExpectToolRunsStayedSmall();
  std::filesystem::remove_all(dir);
}

}  // namespace
