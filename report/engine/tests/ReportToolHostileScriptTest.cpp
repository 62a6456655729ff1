// Report files whose script frees the objects whose events run it, builds data nested
// hundreds of thousands deep, makes ownership loops or hoards memory: orvane-report ends each
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
#if !defined(__SANITIZE_ADDRESS__)
  rusage children{};
  getrusage(RUSAGE_CHILDREN, &children);
  EXPECT_LT(children.ru_maxrss, 300 * 1024) << "kilobytes at most resident in one run";
#endif
  std::filesystem::remove_all(dir);
}

}  // namespace
