// The help command: the help page beside the program is handed to the desktop; without the
// page nothing is raised, shown or started. A stand-in xdg-open first on PATH records what the
// desktop was asked to open.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "app/tests/ParishFixture.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Screen.h"
#include "platform/rtl/FileUtils.h"

namespace orv::test {

class HelpTest : public ParishTest {
 protected:
  void SetUp() override {
    ParishTest::SetUp();
    std::filesystem::create_directories(dir_ / "bin");
    std::filesystem::path opener = dir_ / "bin" / "xdg-open";
    // Each call is added to calls and published whole as opened, so a reader never sees half.
    std::ofstream(opener) << "#!/bin/sh\ncd '" + dir_.string() + "' || exit 1\n" +
                                 "printf '%s\\n' \"$*\" >> calls && cp calls opened.part && " +
                                 "mv opened.part opened\n";
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    const char* path = std::getenv("PATH");
    oldPath_ = path ? path : "";
    setenv("PATH", ((dir_ / "bin").string() + ":" + oldPath_).c_str(), 1);
    helpFile_ = ExtractFilePath(Application->ExeName()) + "Orvane_Help.html";
  }
  void TearDown() override {
    if (madeHelpFile_) std::filesystem::remove(helpFile_);
    setenv("PATH", oldPath_.c_str(), 1);
    ParishTest::TearDown();
  }

  // What the stand-in was asked to open, one call a line; waits for the first call, which
  // runs apart from the program.
  std::string Opened() {
    std::filesystem::path opened = dir_ / "opened";
    for (int i = 0; i < 600 && !std::filesystem::exists(opened); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return FileBytes(opened);
  }

  bool AnyFormVisible() {
    for (int i = 0; i < Screen->FormCount(); ++i)
      if (Screen->Forms(i)->Visible()) return true;
    return false;
  }

  std::string oldPath_;
  String helpFile_;
  bool madeHelpFile_ = false;
};

TEST_F(HelpTest, PageBesideTheProgramIsOpenedAndAMissingOneIgnored) {
  // The build folder holds no help page; one there was left by a run of this test that died.
  std::filesystem::remove(helpFile_);
  MakeEmpty();
  TForm1* f = Start();
  int forms = Screen->FormCount();

  EXPECT_NO_THROW(f->Help1->Click());
  EXPECT_TRUE(dialogs_->Shown().empty());
  EXPECT_EQ(Screen->FormCount(), forms);
  EXPECT_FALSE(AnyFormVisible());

  std::ofstream(helpFile_) << "<html><body>Orvane</body></html>\n";
  madeHelpFile_ = true;
  EXPECT_NO_THROW(f->Help1->Click());
  // One call only: the click without the page started nothing.
  EXPECT_EQ(Opened(), helpFile_ + "\n");
  EXPECT_TRUE(dialogs_->Shown().empty());
  EXPECT_FALSE(AnyFormVisible());
}

}  // namespace orv::test
