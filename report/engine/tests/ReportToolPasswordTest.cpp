// orvane-report and a protected report: given the password it runs; without it, and with nobody
// to ask, it ends at once with a message instead of waiting in the password window.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/db/ADODB.h"
#include "report/engine/tests/EngineTestSupport.h"
#include "report/model/Bands.h"

namespace orv::test {
namespace {

TEST(ReportToolPassword, RunsWithItsPasswordAndRefusesWithoutOne) {
  std::string dir = std::filesystem::temp_directory_path() / ("orvane-report-pw-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::string db = dir + "/Orvane.db";
  {
    TEngineReport setup;
    TADOConnection::CreateDatabase(db);
    setup.Report->ReportOptions()->Password = "รหัส ผ่าน";
    setup.MemoView(setup.Band<TkvxReportTitle>("Title", 0, 20), "Heading", "ลับเฉพาะ");
    setup.Report->SaveToFile(dir + "/secret.xml");
  }
  auto run = [&](const std::string& extra) {
    std::string err = dir + "/err.txt";
    // No display at all, as under a scheduler.
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 " +
                          std::string(ORVANE_REPORT_PROGRAM) + " " + dir + "/secret.xml --db " + db + " --pdf " +
                          dir + "/out.pdf" + extra + " >/dev/null 2>" + err;
    int status = std::system(command.c_str());
    std::ifstream in(err);
    std::stringstream text;
    text << in.rdbuf();
    return std::make_pair(WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str());
  };
  auto [refused, message] = run("");
  EXPECT_EQ(refused, 1) << message;
  EXPECT_NE(message.find("Invalid password"), std::string::npos) << message;
  EXPECT_FALSE(std::filesystem::exists(dir + "/out.pdf"));
  auto [wrong, wrongMessage] = run(" --password nope");
  EXPECT_EQ(wrong, 1) << wrongMessage;
  auto [ran, ranMessage] = run(" --password 'รหัส ผ่าน'");
  EXPECT_EQ(ran, 0) << ranMessage;
  EXPECT_TRUE(std::filesystem::exists(dir + "/out.pdf"));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace orv::test
