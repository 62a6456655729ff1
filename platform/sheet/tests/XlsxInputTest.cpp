// Workbook files read into the model: damaged and hostile files are refused with a message.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/rtl/Dispatch.h"
#include "platform/sheet/SheetWorkbook.h"

using namespace orv;
namespace fs = std::filesystem;

TEST(XlsxInput, DamagedAndHostileFilesAreRefusedWithAMessage) {
  auto dir = fs::temp_directory_path() / ("orvane-xlsx-input-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string cmd = std::string(ORVANE_PYTHON) + " '" + ORVANE_TEST_DATA + "/damaged_workbooks.py' '" + dir.string() + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);

  auto good = ReadXlsx((dir / "good.xlsx").string());
  ASSERT_EQ(good->SheetCount(), 1);
  EXPECT_EQ(good->Sheet(1)->Value({2, 2}).ToString(), "one");
  EXPECT_EQ(good->Sheet(1)->Value({2, 3}).ToDouble(), 2.5);

  for (const char* name : {"row-beyond", "column-beyond", "string-index", "not-a-number", "bad-xml", "rows-backwards",
                           "no-sheet-part", "not-a-zip", "truncated", "bomb", "wide-rows"}) {
    std::string file = (dir / (std::string(name) + ".xlsx")).string();
    try {
      ReadXlsx(file);
      ADD_FAILURE() << name << " was read";
    } catch (const EOleException& e) {
      EXPECT_NE(e.Message().find(file), std::string::npos) << name << ": " << e.Message();
    }
  }
  fs::remove_all(dir);
}
