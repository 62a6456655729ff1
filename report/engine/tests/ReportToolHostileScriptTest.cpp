// Report files whose script frees the objects whose events run it, builds data nested
// hundreds of thousands deep, makes ownership loops or hoards memory, also from event to event: orvane-report ends each
// with a script error or normally, never by a signal, with no limit on its stack and in a
// few hundred megabytes at most. The programs are those of the script engine's run corpus.
// Scripts that reload or empty the running report, wait for a user, nest an outline without
// end or spend their steps over many events end the same way, with the default stack and the
// address space of a small machine.
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

// A report with the script and, on its page Page1, the objects given; pages holds pages before
// it and attributes more attributes of the report.
std::string ReportXml(const std::string& script, const std::string& objects, const std::string& pages = "",
                      const std::string& attributes = "") {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TkvxReport ScriptLanguage=\"PascalScript\"" + attributes +
         " ScriptText.Text=\"" + XmlAttribute(script) + "\">\n" + pages +
         "  <TkvxReportPage Name=\"Page1\" PaperWidth=\"210\" PaperHeight=\"297\">\n" + objects +
         "  </TkvxReportPage>\n</TkvxReport>\n";
}

const std::string kBand =
    "    <TkvxMasterData Name=\"MasterData1\" Left=\"0\" Top=\"0\" Width=\"700\" Height=\"22\" DataSetName=\"M\"";

// The program as the main block of a report's script. Nobody answers a message box in the
// tool, so the program's messages are worked out and dropped.
std::string ReportOf(std::string program) {
  for (size_t at = 0; (at = program.find("ShowMessage(", at)) != std::string::npos;) program.replace(at, 12, "VarToStr(");
  return ReportXml(program, kBand + "/>\n");
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

// An empty folder of this process's own for the files of a test.
std::filesystem::path FreshFolder(const std::string& name) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("orvane-report-" + name + "-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// A database whose table t holds the numbers 1 to rows in its column x.
bool MakeRows(const std::string& db, int rows) {
  return std::system(("sqlite3 " + db +
                      " 'create table t (x integer); with recursive c(i) as (select 1 union all select i + 1 "
                      "from c where i < " +
                      std::to_string(rows) + ") insert into t select i from c'")
                         .c_str()) == 0;
}

// Runs the tool on dir/NAME.xml over the data set M of the statement given, in dir; the exit
// status and the standard error. small: with the address space of a small machine (no
// sanitizer keeps its shadow memory in that) and a minute to end in.
std::pair<int, std::string> RunTool(const std::filesystem::path& dir, const std::string& name, const std::string& db,
                                    const std::string& select, bool small = false) {
  std::string limits;
#if !defined(__SANITIZE_ADDRESS__)
  if (small) limits = "ulimit -v 3000000 && exec timeout 60 ";
#endif
  const std::string command = "cd '" + dir.string() + "' && " + (limits.empty() ? "exec " : limits) +
                              ORVANE_REPORT_PROGRAM + " " + name + ".xml --db '" + db + "' --data 'M=" + select +
                              "' --qpv " + name + ".qpv 2> " + name + ".err";
  const int status = std::system(("sh -c \"" + command + "\"").c_str());
  return {status, ReadText(dir / (name + ".err"))};
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
      "bigarrays.fail", "extremeshapes", "bitmapmemory.fail", "formmemory.fail"};
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
  const std::filesystem::path dir = FreshFolder("kept");
  const std::string db = (dir / "data.db").string();
  ASSERT_TRUE(MakeRows(db, 1000));
  const auto run = [&](const std::string& name, const std::string& script, const std::string& band,
                       const std::string& rows) {
    std::ofstream(dir / (name + ".xml")) << ReportXml(script, band);
    return RunTool(dir, name, db, "select * from t where x <= " + rows);
  };

  const std::string hoard =
      "var l: TStringList; s: String; i: Integer;\n"
      "function Hoard: Integer;\nbegin\n"
      "  s := 'x';\n  for i := 1 to 23 do s := s + s;\n  l.Add(s);\n  Result := l.Count;\nend;\n"
      "procedure KeepRow(Sender: TkvxComponent);\nbegin\n  Hoard;\nend;\n"
      "begin\n  l := TStringList.Create;\nend.";
  const std::string& band = kBand;
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

// A run's scripts may not reload, empty or re-parent the report whose objects and script are
// in use, nor start it again: each is refused with a script error, in a band's event, a memo's
// event or the main block. Modal windows end at once with nobody there: the report's own
// dialog run goes on with its controls' values, a script's form is cancelled. An outline nested
// without end stops where a prepared report could still be read back; forty rows of ten
// million steps each are work of a second, which the step limit leaves alone; a page asked for
// two billion columns gets the most a page has; a memo reading 600 MB is refused at once, and a
// report read from a device without end is an invalid file.
TEST(ReportToolHostileScripts, ReloadsWaitsAndEndlessWorkEndWithinBounds) {
  const std::filesystem::path dir = FreshFolder("guards");
  const std::string db = (dir / "data.db").string();
  ASSERT_TRUE(MakeRows(db, 40));
  // A file of 600 MB that takes no room on the disk.
  std::ofstream(dir / "big.txt").close();
  std::filesystem::resize_file(dir / "big.txt", 600'000'000);
  const std::string memo =
      "      <TkvxMemoView Name=\"Memo1\" Left=\"0\" Top=\"0\" Width=\"300\" Height=\"18\" Memo.Text=\"[Line]\"";
  const auto inEvent = [&](const std::string& statements) {
    return std::make_pair("procedure Row(Sender: TObject);\nvar i, n: Integer;\nbegin\n" + statements +
                              "\nend;\nbegin\nend.",
                          kBand + " OnBeforePrint=\"Row\">\n" + memo + "/>\n    </TkvxMasterData>\n");
  };
  const auto inMemoEvent = [&](const std::string& statements) {
    return std::make_pair("procedure Row(Sender: TObject);\nbegin\n" + statements + "\nend;\nbegin\nend.",
                          kBand + ">\n" + memo + " OnBeforePrint=\"Row\"/>\n    </TkvxMasterData>\n");
  };
  struct TCase {
    std::string Name;
    std::pair<std::string, std::string> ScriptAndObjects;
    // Empty: the report runs to its end.
    std::string Error;
    std::string Pages = "";
    std::string Attributes = "";
    // The error is reported and the run goes on to its end.
    bool GoesOn = false;
  };
  const std::vector<TCase> cases = {
      {"reload-missing", inEvent("  Report.LoadFromFile('missing.xml');"), "Cannot load a report while the report runs"},
      {"reload-memo", inMemoEvent("  Report.LoadFromFile('reload-memo.xml');"), "Cannot load a report while the report runs"},
      {"clear-report", inEvent("  Report.Clear;"), "Cannot clear"},
      {"clear-page", inMemoEvent("  Page1.Clear;"), "Cannot clear Page1 while the report runs"},
      {"parent", inEvent("  Report.ParentReport := 'parent.xml';"), "Cannot change the parent report while the report runs"},
      {"reload-main", {"begin\n  Report.LoadFromFile('missing.xml');\nend.", kBand + "/>\n"},
       "Cannot load a report while the report runs"},
      {"show", inEvent("  Report.ShowReport;"), "Cannot show the report while the report runs"},
      {"dialog",
       {"procedure Ask(var Go: Boolean);\nbegin\n  Go := DialogPage1.ShowModal = mrOk;\n  if DialogPage1.ModalResult <> mrOk "
        "then RaiseException('not answered');\nend;\nbegin\nend.",
        kBand + "/>\n"},
       "",
       "  <TkvxDialogPage Name=\"DialogPage1\" Caption=\"Ask\" Height=\"240\" Width=\"360\"/>\n",
       " OnRunDialogs=\"Ask\""},
      {"form",
       {"var f: TForm;\nbegin\n  f := TForm.Create(nil);\n  if f.ShowModal <> mrCancel then RaiseException('not "
        "cancelled');\n  f.Free;\nend.",
        kBand + "/>\n"},
       ""},
      {"outline", inEvent("  for i := 1 to 200000 do Outline.AddItem('x');"), "The outline cannot nest more than"},
      {"steps", inEvent("  n := 0;\n  for i := 1 to 5000000 do n := n + 1;"), ""},
      {"columns", {"begin\n  Page1.Columns := 2000000000;\nend.", kBand + "/>\n"}, ""},
      {"memo-lines", inMemoEvent("  Memo1.Lines.LoadFromFile('big.txt');"), "Out of memory"},
      {"zero-report",
       {"var r: TkvxReport;\nbegin\n  r := TkvxReport.Create(nil);\n  r.LoadFromFile('/dev/zero');\n  r.Free;\nend.",
        kBand + "/>\n"},
       "It is not a regular file"},
      {"variables",
       {"var i: Integer;\nbegin\n  for i := 1 to 40000 do Report.Variables['v' + IntToStr(i)] := i;\n  if "
        "Report.Variables['V39999'] <> 39999 then RaiseException('lost');\nend.",
        kBand + "/>\n"},
       ""},
  };
  std::vector<std::future<std::pair<int, std::string>>> runs;
  for (const TCase& c : cases) {
    std::ofstream(dir / (c.Name + ".xml"))
        << ReportXml(c.ScriptAndObjects.first, c.ScriptAndObjects.second, c.Pages, c.Attributes);
    runs.push_back(std::async(std::launch::async, [&dir, &db, name = c.Name] {
      return RunTool(dir, name, db, "select * from t", true);
    }));
    if (runs.size() == 4 || &c == &cases.back()) {
      const size_t first = static_cast<size_t>(&c - cases.data()) + 1 - runs.size();
      for (size_t k = 0; k < runs.size(); ++k) {
        const TCase& done = cases[first + k];
        const auto [status, err] = runs[k].get();
        SCOPED_TRACE(done.Name + ": " + err);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
        EXPECT_EQ(WEXITSTATUS(status), done.Error.empty() || done.GoesOn ? 0 : 1);
        if (!done.Error.empty()) {
          EXPECT_NE(err.find(done.Error), std::string::npos);
        }
      }
      runs.clear();
    }
  }
  // A device without end is no report file for the tool either.
  const auto [zeroStatus, zeroErr] = [&] {
    const std::string command = "cd '" + dir.string() + "' && exec timeout 60 " + ORVANE_REPORT_PROGRAM +
                                " /dev/zero --db '" + db + "' --data 'M=select * from t' --qpv zero.qpv 2> zero.err";
    const int status = std::system(("sh -c \"" + command + "\"").c_str());
    return std::make_pair(status, ReadText(dir / "zero.err"));
  }();
  ASSERT_TRUE(WIFEXITED(zeroStatus)) << zeroErr;
  EXPECT_EQ(WEXITSTATUS(zeroStatus), 1) << zeroErr;
  ExpectToolRunsStayedSmall();
  std::filesystem::remove_all(dir);
}

// A table of 300 codes looked up by name at every row of a parish of 50,000 is how a report
// names its codes: once a row over two passes, or twice a row in one, it runs to its end.
TEST(ReportToolHostileScripts, ALookupAtEveryRowOfAParishRunsToItsEnd) {
  const std::filesystem::path dir = FreshFolder("lookups");
  const std::string db = (dir / "data.db").string();
  ASSERT_TRUE(MakeRows(db, 50000));
  const auto script = [](const std::string& lookups) {
    return "var codes: TStringList; i: Integer;\n"
           "procedure Row(Sender: TObject);\nbegin\n  Memo1.Text := " + lookups + ";\nend;\n"
           "begin\n  codes := TStringList.Create;\n"
           "  for i := 0 to 299 do codes.Add('c' + IntToStr(i) + '=name of ' + IntToStr(i));\nend.";
  };
  const std::string memo = "      <TkvxMemoView Name=\"Memo1\" Left=\"0\" Top=\"0\" Width=\"300\" Height=\"18\" "
                           "Memo.Text=\"[Line]\" OnBeforePrint=\"Row\"/>\n";
  const std::string byLine = "codes.Values['c' + IntToStr(<Line> mod 300)]";
  std::ofstream(dir / "twice.xml") << ReportXml(
      script(byLine + " + codes.Values['c' + IntToStr((<Line> * 7) mod 300)]"),
      kBand + ">\n" + memo + "    </TkvxMasterData>\n");
  std::ofstream(dir / "passes.xml") << ReportXml(script(byLine + " + ' of [TotalPages#]'"),
                                                 kBand + ">\n" + memo + "    </TkvxMasterData>\n",
                                                 "", " EngineOptions.DoublePass=\"True\"");
  for (const std::string name : {"twice", "passes"}) {
    const auto [status, err] = RunTool(dir, name, db, "select * from t", true);
    SCOPED_TRACE(name + ": " + err);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(err.find("orvane-report: "), std::string::npos);
  }
  ExpectToolRunsStayedSmall();
  std::filesystem::remove_all(dir);
}

// What a script makes outside its own blocks counts in its memory too: forms it shows (the
// window system's pixels) and bitmaps it sizes, as the text it puts into a memo does. Each
// ends with "Out of memory" in the address space of a small machine, never by a signal.
TEST(ReportToolHostileScripts, FormsBitmapsAndMemoTextEndOutOfMemoryWithoutASignal) {
  const std::filesystem::path dir = FreshFolder("outside");
  const std::string db = (dir / "data.db").string();
  ASSERT_TRUE(MakeRows(db, 10000));
  const std::string memo =
      "      <TkvxMemoView Name=\"Memo1\" Left=\"0\" Top=\"0\" Width=\"300\" Height=\"18\" Memo.Text=\"[Line]\"";
  const auto inEvent = [&](const std::string& statements) {
    return std::make_pair("var kept: TList;\nprocedure Row(Sender: TObject);\nvar f: TForm; b: TBitmap;\nbegin\n" +
                              statements + "\nend;\nbegin\n  kept := TList.Create;\nend.",
                          kBand + " OnBeforePrint=\"Row\">\n" + memo + "/>\n    </TkvxMasterData>\n");
  };
  struct TCase {
    std::string Name;
    std::pair<std::string, std::string> ScriptAndObjects;
    std::string Error;
  };
  const std::vector<TCase> cases = {
      {"forms", inEvent("  f := TForm.Create(nil);\n  f.SetBounds(0, 0, 2000, 2000);\n  f.Show;"), "Out of memory"},
      {"form-sized", inEvent("  f := TForm.Create(nil);\n  f.Show;\n  f.SetBounds(0, 0, 2000, 2000);"), "Out of memory"},
      {"bitmaps",
       {"var kept: TList; b: TBitmap; i: Integer;\nbegin\n  kept := TList.Create;\n  for i := 1 to 1000 do\n  begin\n"
        "    b := TBitmap.Create;\n    b.Width := 1000;\n    b.Height := 1000;\n    kept.Add(b);\n  end;\nend.",
        kBand + "/>\n"},
       "Out of memory"},
      {"bitmap-rows", inEvent("  b := TBitmap.Create;\n  b.Width := 200;\n  b.Height := 200;\n  kept.Add(b);"),
       "Out of memory"},
      {"memo-text",
       {"var s: String; i: Integer;\nbegin\n  s := '0123456789abcdef';\n  for i := 1 to 16 do s := s + s;\n"
        "  for i := 1 to 120 do Memo1.Lines.Add(s);\nend.",
        kBand + ">\n" + memo + "/>\n    </TkvxMasterData>\n"},
       "Out of memory"},
  };
  std::vector<std::future<std::pair<int, std::string>>> runs;
  for (const TCase& c : cases) {
    std::ofstream(dir / (c.Name + ".xml")) << ReportXml(c.ScriptAndObjects.first, c.ScriptAndObjects.second);
    runs.push_back(std::async(std::launch::async, [&dir, &db, name = c.Name] {
      return RunTool(dir, name, db, "select * from t", true);
    }));
  }
  for (size_t k = 0; k < runs.size(); ++k) {
    const auto [status, err] = runs[k].get();
    SCOPED_TRACE(cases[k].Name + ": " + err);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
    EXPECT_EQ(WEXITSTATUS(status), cases[k].Error.empty() ? 0 : 1);
    if (!cases[k].Error.empty()) {
      EXPECT_NE(err.find(cases[k].Error), std::string::npos);
    }
  }
  ExpectToolRunsStayedSmall();
  std::filesystem::remove_all(dir);
}

}  // namespace
