// Real mouse clicks in the preview window on a virtual display: a drill-down header opens when
// it is clicked where it is drawn, inside the page's margins, at 100% and 150%.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(PreviewClicks, ADrillDownHeaderOpensWhereItIsDrawn) {
  if (std::system("command -v xvfb-run >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "xvfb-run or xdotool is not installed";
  for (const char* zoom : {"1.0", "1.5"}) {
    // xvfb-run -a can hand one display number to two runs started at once; the loser runs again.
    int status = -1;
    for (int attempt = 0; attempt < 3 && (status < 0 || WEXITSTATUS(status) > 1); ++attempt)
      status = std::system(("QT_QPA_PLATFORM=xcb timeout 120 xvfb-run -a -s '-screen 0 1280x1024x24' '" +
                            std::string(ORVANE_DRILLDOWN_CLICK_PROGRAM) + "' " + zoom + " 2>/dev/null")
                               .c_str());
    ASSERT_TRUE(WIFEXITED(status)) << "zoom " << zoom;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the header did not open at zoom " << zoom;
  }
}

}  // namespace
