// A script run cannot take the program's memory: however it builds texts, lists, streams or
// arrays, it ends with "Out of memory" (or the text limit) while the process stays small.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "script/tests/RunTestUtils.h"

namespace orv {
namespace {

Int64 PeakResidentBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return Int64{usage.ru_maxrss} * 1024;
}

TEST(ScriptMemoryLimit, EveryWayOfHoardingMemoryEndsWithAnError) {
  const String bigText = "  s := 'x';\n  for i := 1 to 26 do s := s + s;\n";
  const std::vector<std::pair<String, String>> cases = {
      {"var s: String; i: Integer;\nbegin\n  s := 'x';\n  for i := 1 to 40 do s := Format('%s%s', [s, s]);\nend.",
       "Text too long"},
      {"var s: String; i: Integer; l: TStringList;\nbegin\n" + bigText +
           "  l := TStringList.Create;\n  for i := 1 to 1000 do l.Add(s);\nend.",
       "Out of memory"},
      {"var a: array of Variant; i: Integer;\nbegin\n  a := VarArrayCreate([0, 99], varVariant);\n"
       "  for i := 0 to 99 do a[i] := VarArrayCreate([0, 4194303], varVariant);\nend.",
       "Out of memory"},
      {"var m: TMemoryStream;\nbegin\n  m := TMemoryStream.Create;\n  m.Position := 2000000000;\n"
       "  m.Write('x', 1);\nend.",
       "Out of memory"},
      {"var s, t: String; i: Integer; l: TStringList;\nbegin\n" + bigText +
           "  l := TStringList.Create;\n  for i := 1 to 1000 do begin t := s; t[1] := 'y'; l.Add(Copy(t, 1, 10000000)); end;\nend.",
       "Out of memory"},
  };
  for (const auto& [text, error] : cases) {
    SCOPED_TRACE(text);
    const test::TRunResult r = test::Run("PascalScript", text);
    ASSERT_TRUE(r.Compiled) << r.CompileError << " at " << r.CompilePos;
    EXPECT_NE(r.RunError.find(error), String::npos) << r.RunError;
  }
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_LT(PeakResidentBytes(), Int64{300} << 20);
#endif
  // A host may allow more, or less.
  auto script = test::NewScript("PascalScript", "var s: String; i: Integer;\nbegin\n" + bigText + "end.");
  script->SetMemoryLimit(Int64{16} << 20);
  EXPECT_NE(test::RunScript(*script).RunError.find("Out of memory"), String::npos);
  script->SetMemoryLimit(0);
  EXPECT_EQ(test::RunScript(*script).RunError, "");
}

// Without a limit of its own, a script that asks for more than the system gives (a stream grown
// to 3.5 GB in the address space of a small machine) meets "Out of memory" as a script error,
// which its own except part catches, never as the C++ library's bad_alloc.
TEST(ScriptMemoryLimit, MemoryTheSystemRefusesIsAScriptError) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator ends the process where the system refuses memory";
#endif
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    rlimit small{3'000'000'000, 3'000'000'000};
    setrlimit(RLIMIT_AS, &small);
    auto script = test::NewScript("PascalScript",
                                  "var m: TMemoryStream;\nbegin\n  m := TMemoryStream.Create;\n"
                                  "  m.Position := 3500000000;\n  try\n    m.Write('x', 1);\n  except\n"
                                  "    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);\n  end;\n"
                                  "  m.Write('x', 1);\nend.");
    script->SetMemoryLimit(0);
    const test::TRunResult r = test::RunScript(*script);
    const bool caught = r.Lines.size() == 1 && r.Lines[0] == "EOutOfMemory: Out of memory";
    _exit(caught && r.RunError == "Out of memory" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace orv
