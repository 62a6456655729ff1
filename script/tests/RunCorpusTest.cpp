// Every program of a folder runs in the dialect its extension names (.pas, .cxs, .bas, .js);
// the texts it shows, one line each, must equal NAME.out. A program named NAME.fail.EXT must
// stop with an error: the lines shown before it equal those of NAME.fail.out but its last, which
// reads "ERROR: " and a text the error's message contains. Units a program uses are found
// beside it. The folder is the project's run corpus unless SCRIPT_RUN_CORPUS names another.
// A form a program shows modally ends at once as cancelled: nobody is there to close it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "script/tests/RunTestUtils.h"
#include "script/tests/ScriptTestUtils.h"

namespace orv {
namespace {

std::vector<String> SplitLines(const String& text) {
  std::vector<String> lines;
  String line;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Message texts may hold line breaks; the output counts them as lines too.
std::vector<String> OutputLines(const std::vector<String>& shown) {
  std::vector<String> lines;
  for (const String& text : shown) {
    const std::vector<String> parts = SplitLines(text + "\n");
    lines.insert(lines.end(), parts.begin(), parts.end());
  }
  return lines;
}

String Joined(const std::vector<String>& lines) {
  String text;
  for (const String& l : lines) text += l + "\n";
  return text;
}

TEST(ScriptRun, EveryProgramShowsItsExpectedOutput) {
  const char* folder = std::getenv("SCRIPT_RUN_CORPUS");
  const std::filesystem::path dir = folder && *folder ? std::filesystem::path(folder)
                                                      : std::filesystem::path(ORVANE_TEST_DATA) / "run";
  ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
  // Programs that write files write them, by relative names, into a folder of their own.
  const std::filesystem::path home = std::filesystem::current_path();
  const std::filesystem::path work =
      std::filesystem::temp_directory_path() / ("orvane-script-run-" + std::to_string(getpid()));
  // Process ids come round again: what an earlier run left must not reach this one.
  std::filesystem::remove_all(work);
  std::filesystem::create_directories(work);
  std::filesystem::current_path(work);
  struct Back {
    std::filesystem::path home, work;
    ~Back() {
      std::filesystem::current_path(home);
      std::filesystem::remove_all(work);
    }
  } back{home, work};
  int ran = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.is_absolute() ? dir : home / dir)) {
    if (!entry.is_regular_file()) continue;
    const std::filesystem::path path = entry.path();
    const String dialect = test::DialectOf(path.filename().string());
    if (dialect.empty()) continue;
    SCOPED_TRACE(path.string());
    const String stem = path.stem().string();
    const bool fail = stem.size() > 5 && stem.compare(stem.size() - 5, 5, ".fail") == 0;
    // A program without NAME.out (a unit that others use, say) must run and show nothing.
    const std::filesystem::path expectedFile = path.parent_path() / (stem + ".out");
    const std::vector<String> expected =
        std::filesystem::exists(expectedFile) ? SplitLines(test::ReadFile(expectedFile.string())) : std::vector<String>();

    auto script = test::NewScript(dialect, test::ReadFile(path.string()));
    script->IncludePath = {path.parent_path().string()};
    // Nobody answers a program's own modal forms.
    const test::TRunResult result = test::RunScript(*script, true);
    ++ran;
    const std::vector<String> shown = OutputLines(result.Lines);
    if (!fail) {
      EXPECT_TRUE(result.Compiled) << result.CompileError << " at " << result.CompilePos;
      EXPECT_EQ(result.RunError, "");
      EXPECT_EQ(Joined(shown), Joined(expected));
      continue;
    }
    ASSERT_FALSE(expected.empty()) << "no ERROR line in " << expectedFile;
    const String last = expected.back();
    ASSERT_EQ(last.rfind("ERROR: ", 0), 0u) << "last line of " << expectedFile;
    const String error = result.Compiled ? result.RunError : result.CompileError;
    EXPECT_FALSE(error.empty()) << "the program ended without an error";
    EXPECT_NE(error.find(last.substr(7)), String::npos) << "message: " << error;
    EXPECT_EQ(Joined(shown), Joined(std::vector<String>(expected.begin(), expected.end() - 1)));
  }
  EXPECT_GT(ran, 0) << "no programs in " << dir;
}

}  // namespace
}  // namespace orv
