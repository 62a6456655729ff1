// A form with Thai captions, shown on a real (virtual) X display and photographed: the text must
// actually be drawn.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <set>

namespace {

TEST(ScreenshotTest, ThaiFormIsDrawnUnderXvfb) {
#ifndef ORVANE_SCREENSHOT_PROGRAM
  GTEST_SKIP() << "the screenshot program is not built (gui_screenshot in platform/gui/CMakeLists.txt)";
#else
  if (QStandardPaths::findExecutable("xvfb-run").isEmpty()) GTEST_SKIP() << "xvfb-run is not installed";
  QString png = ORVANE_SCREENSHOT_OUTPUT;
  QFile::remove(png);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("QT_QPA_PLATFORM");
  env.insert("QT_QPA_PLATFORM", "xcb");
  // xvfb-run -a can hand one display number to two runs started at once; the loser is run again.
  int exitCode = -1;
  QString errors;
  for (int attempt = 0; attempt < 3 && exitCode != 0; ++attempt) {
    QProcess run;
    run.setProcessEnvironment(env);
    run.start("xvfb-run", {"-a", "-s", "-screen 0 1024x768x24", ORVANE_SCREENSHOT_PROGRAM, png});
    ASSERT_TRUE(run.waitForFinished(60000));
    exitCode = run.exitCode();
    errors += run.readAllStandardError();
  }
  ASSERT_EQ(exitCode, 0) << errors.toStdString();
  ASSERT_TRUE(QFileInfo(png).size() > 0);
  QImage image(png);
  ASSERT_FALSE(image.isNull());
  EXPECT_GE(image.width(), 300);
  // Text and frames give many colours; an empty window gives one or two.
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
  EXPECT_GT(colours.size(), 8u);
#endif
}

}  // namespace
