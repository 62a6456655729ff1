// The program on a real (virtual) X display: started in a demo parish with the screenshot
// variable set, it saves a picture of its main window, or of the window named, and ends by
// itself. The pictures are kept in the test's folder of the build for a person to look at.
#include <fstream>
#include <set>

#include "app/Churches.h"
#include "app/MarriageNotices.h"
#include "app/Screenshot.h"
#include "app/Statistics.h"
#include "app/tests/ParishFixture.h"
#include "png/PNGObject.h"

namespace orv::test {

namespace {

// Colours in a picture: frames, text and pictures give many; a window that drew nothing one or
// two.
size_t Colours(TPNGObject& png) {
  TBitmap pixels;
  pixels.Assign(&png);
  pixels.SetPixelFormat(pf24bit);
  std::set<unsigned> colours;
  for (int y = 0; y < pixels.Height(); ++y) {
    const Byte* row = pixels.ScanLine(y);
    for (int x = 0; x < pixels.Width(); ++x)
      colours.insert(row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16);
  }
  return colours.size();
}

}  // namespace

class MainWindowPictureTest : public ParishTest {
 protected:
  // A demonstration parish made in the test's folder by the demo program; skipped without a
  // virtual display to picture it on.
  void MakeDemoWithProgram(int members) {
    if (!OnPath("xvfb-run")) GTEST_SKIP() << "xvfb-run is not installed";
    std::string output;
    ASSERT_EQ(RunShell(Quoted(ORVANE_DEMO_PROGRAM) + " " + Quoted(dir_.string()) + " " +
                           std::to_string(members) + " 2>&1",
                       output),
              0)
        << output;
  }
  // Runs the program in the test's parish on a virtual display with the screenshot variables.
  int RunPictured(const std::string& shot, const std::string& form, std::string& output) {
    TRun run = RunOnDisplay(Quoted(ORVANE_PROGRAM) + " " + Quoted(dir_.string()),
                            std::string(ScreenshotVariable) + "=" + Quoted(shot) + " " +
                                ScreenshotFormVariable + "=" + Quoted(form));
    output += run.Output;
    return run.Status;
  }
};

TEST_F(MainWindowPictureTest, ProgramPicturesItsMainWindowOnAVirtualDisplayAndEnds) {
  MakeDemoWithProgram(60);
  if (IsSkipped() || HasFatalFailure()) return;
  std::string shot = (dir_ / "main-window.png").string();
  // Started elsewhere, the program finds its database in the folder it is given; the
  // offscreen platform the tests run on would draw nowhere near a real display.
  TRun run = RunOnDisplay(Quoted(ORVANE_PROGRAM) + " " + Quoted(dir_.string()),
                          std::string(ScreenshotVariable) + "=" + Quoted(shot));
  ASSERT_EQ(run.Status, 0) << run.Output;
  ASSERT_TRUE(std::filesystem::exists(shot)) << run.Output;
  std::filesystem::copy_file(shot, old_ / "main-window.png",
                             std::filesystem::copy_options::overwrite_existing);

  TPNGObject png;
  png.LoadFromFile(shot);
  // The same window made here has the size the picture must have.
  TForm1* f = Start();
  EXPECT_EQ(png.Width(), f->Width());
  EXPECT_EQ(png.Height(), f->Height());

  EXPECT_GT(Colours(png), 64u);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Orvane.db.new"));
}

TEST_F(MainWindowPictureTest, ProgramPicturesEachOtherWindowByItsClass) {
  MakeDemoWithProgram(120);
  if (IsSkipped() || HasFatalFailure()) return;
  std::string output;
  // The same windows made here have the sizes the pictures must have.
  Form1 = Start();
  std::unique_ptr<TForm> windows[] = {std::make_unique<TForm2>(nullptr),
                                      std::make_unique<TForm3>(nullptr),
                                      std::make_unique<TForm4>(nullptr)};
  const char* files[] = {"marriage-notices.png", "churches.png", "statistics.png"};
  for (size_t i = 0; i < std::size(windows); ++i) {
    const String& name = windows[i]->ClassName();
    SCOPED_TRACE(name);
    std::string shot = (dir_ / files[i]).string();
    output.clear();
    ASSERT_EQ(RunPictured(shot, name, output), 0) << output;
    ASSERT_TRUE(std::filesystem::exists(shot)) << output;
    std::filesystem::copy_file(shot, old_ / files[i],
                               std::filesystem::copy_options::overwrite_existing);
    TPNGObject png;
    png.LoadFromFile(shot);
    EXPECT_EQ(png.Width(), windows[i]->Width());
    EXPECT_EQ(png.Height(), windows[i]->Height());
    EXPECT_GT(Colours(png), 64u);
  }
  for (auto& window : windows) window.reset();
  Form1 = nullptr;

  // A class no window has is reported, and the program ends all the same.
  output.clear();
  EXPECT_EQ(RunPictured((dir_ / "none.png").string(), "TForm9", output), 1);
  EXPECT_NE(output.find("no window of class TForm9"), std::string::npos) << output;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "none.png"));
}

TEST_F(MainWindowPictureTest, PictureThatCannotBeWrittenEndsTheProgramWithTheReason) {
  MakeEmpty();
  std::string shot = (dir_ / "no-such-folder" / "main-window.png").string();
  std::string output;
  EXPECT_EQ(RunShell(std::string(ScreenshotVariable) + "=" + Quoted(shot) + " timeout 180 " +
                         Quoted(ORVANE_PROGRAM) + " " + Quoted(dir_.string()) + " 2>&1",
                     output),
            1);
  EXPECT_NE(output.find("orvane: no screenshot saved as " + shot), std::string::npos) << output;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "no-such-folder"));
  // The window was closed the ordinary way: the database is whole and closed.
  EXPECT_EQ(Cli("pragma integrity_check"), "ok");
}

TEST_F(MainWindowPictureTest, SavedPictureHasTheWindowsSizeAndReplacesAnOldOne) {
  MakeDemo(10);
  TForm1* f = Start();
  std::string shot = (dir_ / "window.png").string();
  std::ofstream(shot) << "old";
  SaveFormPicture(*f, shot);
  TPNGObject png;
  png.LoadFromFile(shot);
  EXPECT_EQ(png.Width(), f->Width());
  EXPECT_EQ(png.Height(), f->Height());
  // No temporary file is left beside it.
  int pictures = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_))
    pictures += entry.path().filename().string().find("window") != std::string::npos;
  EXPECT_EQ(pictures, 1);
}

}  // namespace orv::test
