// Every program of a folder parses in the dialect its extension names (.pas, .cxs, .bas, .js);
// files whose name contains ".bad." must fail with an error position. The folder is the
// project's corpus unless SCRIPT_CORPUS names another.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/rtl/Exceptions.h"
#include "script/ILParser.h"
#include "script/tests/ScriptTestUtils.h"

namespace orv {
namespace {

TEST(ScriptCorpus, EveryFileParsesOrFailsAsNamed) {
  const char* folder = std::getenv("SCRIPT_CORPUS");
  const std::filesystem::path dir =
      folder && *folder ? std::filesystem::path(folder) : std::filesystem::path(ORVANE_TEST_DATA) / "corpus";
  ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
  int parsed = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    const String name = entry.path().filename().string();
    const String dialect = test::DialectOf(name);
    if (dialect.empty()) continue;
    SCOPED_TRACE(entry.path().string());
    const bool bad = name.find(".bad.") != String::npos;
    TsxILParser parser;
    parser.SetIncludePath({entry.path().parent_path().string()});
    parser.SelectLanguage(dialect);
    bool ok = false;
    try {
      ok = parser.ParseSource(test::ReadFile(entry.path().string()));
    } catch (const Exception& e) {
      ADD_FAILURE() << "raised: " << e.Message();
      continue;
    }
    if (bad) {
      EXPECT_FALSE(ok);
      EXPECT_FALSE(parser.ErrorMsg().empty());
      EXPECT_NE(parser.ErrorPos().find(':'), String::npos);
    } else {
      EXPECT_TRUE(ok) << parser.ErrorMsg() << " at " << parser.ErrorPos() << " " << parser.ErrorUnit();
    }
    ++parsed;
  }
  EXPECT_GT(parsed, 0) << "no script files in " << dir;
}

}  // namespace
}  // namespace orv
