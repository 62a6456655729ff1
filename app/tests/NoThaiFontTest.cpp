// A machine without a font holding Thai letters: the program says so once at start-up, the
// report tool on standard error, and a PDF names the face it embeds instead of the Thai font
// that was asked for.
#include "app/Documents.h"
#include "app/Screenshot.h"
#include "app/tests/ParishFixture.h"

namespace orv::test {

class NoThaiFontTest : public ParishTest {
 protected:
  // fontconfig's set-up of a machine with only the DejaVu fonts, as an environment assignment.
  std::string DejaVuOnly() {
    const std::filesystem::path conf = dir_ / "fonts.conf";
    std::ofstream(conf) << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>"
                           "<dir>/usr/share/fonts/truetype/dejavu</dir><cachedir>"
                        << (dir_ / "font-cache").string() << "</cachedir></fontconfig>\n";
    return "FONTCONFIG_FILE=" + Quoted(conf.string());
  }
};

TEST_F(NoThaiFontTest, TheToolAndTheProgramSaySoAndThePdfNamesItsFace) {
  MakeDemo(20);
  const std::string said = "No font with Thai letters is installed";
  auto report = [&](const std::string& env, const std::string& pdf, std::string& output) {
    return RunShell("env " + env + " " + Quoted(ORVANE_REPORT_PROGRAM) + " " +
                        Quoted(DocumentFile("members-by-name.xml")) + " --db " + Quoted(Db()) +
                        " --data 'kvxDBDataset3=select * from Orvani' --pdf " + Quoted(pdf) + " 2>&1",
                    output);
  };
  const std::string without = (dir_ / "without.pdf").string(), with = (dir_ / "with.pdf").string();
  std::string output;
  EXPECT_EQ(report(DejaVuOnly(), without, output), 0) << output;
  EXPECT_NE(output.find(said), std::string::npos) << output;
  std::string fonts;
  ASSERT_EQ(RunShell("pdffonts " + Quoted(without), fonts), 0);
  EXPECT_EQ(fonts.find("Laksaman"), std::string::npos) << fonts;
  EXPECT_NE(fonts.find("DejaVu"), std::string::npos) << fonts;

  // With the Thai fonts nothing is said, and the font keeps its name.
  output.clear();
  EXPECT_EQ(report("LC_ALL=C.UTF-8", with, output), 0) << output;
  EXPECT_EQ(output.find(said), std::string::npos) << output;
  fonts.clear();
  ASSERT_EQ(RunShell("pdffonts " + Quoted(with), fonts), 0);
  EXPECT_NE(fonts.find("Laksaman"), std::string::npos) << fonts;

  // The program, unattended, writes its boxes to standard error: the warning comes once.
  if (!OnPath("xvfb-run")) GTEST_SKIP() << "xvfb-run is not installed";
  const std::string shot = (dir_ / "main.png").string();
  TRun run = RunOnDisplay(Quoted(ORVANE_PROGRAM) + " " + Quoted(dir_.string()),
                          DejaVuOnly() + " " + ScreenshotVariable + "=" + Quoted(shot));
  EXPECT_EQ(run.Status, 0) << run.Output;
  size_t first = run.Output.find(said);
  EXPECT_NE(first, std::string::npos) << run.Output;
  EXPECT_EQ(run.Output.find(said, first + 1), std::string::npos) << run.Output;
}

}  // namespace orv::test
