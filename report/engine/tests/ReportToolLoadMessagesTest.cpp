// orvane-report and what loading a report file says: a message about a file it read (a name
// given twice) is told on the standard error and the report runs; a child of a protected parent
// runs with the password, which opens the parent too.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "platform/db/ADODB.h"
#include "platform/rtl/Streams.h"
#include "report/engine/tests/EngineTestSupport.h"
#include "report/model/Bands.h"

namespace orv::test {
namespace {

std::string ReadFile(const std::string& path) {
  TMemoryStream file;
  file.LoadFromFile(path);
  return std::string(reinterpret_cast<const char*>(file.Memory()), static_cast<size_t>(file.Size()));
}

void WriteFile(const std::string& path, const std::string& data) {
  TMemoryStream file;
  file.Write(data.data(), static_cast<Int64>(data.size()));
  file.SaveToFile(path);
}

// What pdftotext reads from the file.
std::string PdfText(const std::string& file) {
  const std::string out = file + ".txt";
  if (std::system(("pdftotext -enc UTF-8 '" + file + "' '" + out + "' 2>/dev/null").c_str()) != 0) return "";
  return ReadFile(out);
}

struct TToolRun {
  int Status;
  std::string Errors;
};

TToolRun RunTool(const std::string& dir, const std::string& report, const std::string& extra) {
  const std::string err = dir + "/err.txt";
  std::filesystem::remove(dir + "/out.pdf");
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 " +
                              std::string(ORVANE_REPORT_PROGRAM) + " " + dir + "/" + report + " --db " + dir +
                              "/Orvane.db --pdf " + dir + "/out.pdf" + extra + " >/dev/null 2>" + err;
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(err)};
}

std::string ToolFolder(const char* name) {
  const std::string dir =
      std::filesystem::temp_directory_path() / ("orvane-report-" + std::string(name) + "-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  TADOConnection::CreateDatabase(dir + "/Orvane.db");
  return dir;
}

}  // namespace

TEST(ReportToolLoadMessages, ANameGivenTwiceIsToldAndTheReportRuns) {
  const std::string dir = ToolFolder("twice");
  {
    TEngineReport setup;
    auto* title = setup.Band<TkvxReportTitle>("Title", 0, 40);
    setup.MemoView(title, "Heading", "ใบรับรอง");
    setup.Report->SaveToFile(dir + "/twice.xml");
  }
  // A second memo of the same name, as another tool may write it.
  std::string text = ReadFile(dir + "/twice.xml");
  const size_t memo = text.find("<TkvxMemoView");
  ASSERT_NE(memo, std::string::npos);
  text.insert(memo, "<TkvxMemoView Name=\"Heading\" l=\"0\" t=\"20\" w=\"300\" h=\"20\" Text=\"ฉบับที่สอง\"/>");
  WriteFile(dir + "/twice.xml", text);
  const TToolRun run = RunTool(dir, "twice.xml", "");
  EXPECT_EQ(run.Status, 0) << run.Errors;
  EXPECT_NE(run.Errors.find("Duplicate name Heading"), std::string::npos) << run.Errors;
  ASSERT_TRUE(std::filesystem::exists(dir + "/out.pdf"));
  const std::string printed = PdfText(dir + "/out.pdf");
  EXPECT_NE(printed.find("ใบรับรอง"), std::string::npos) << printed;
  EXPECT_NE(printed.find("ฉบับที่สอง"), std::string::npos) << printed;
  // A file that is no report still runs nothing.
  WriteFile(dir + "/broken.xml", "<?xml version=\"1.0\"?><TkvxReport><TkvxReportPage Name=\"P\"></TkvxReport>");
  const TToolRun broken = RunTool(dir, "broken.xml", "");
  EXPECT_EQ(broken.Status, 1) << broken.Errors;
  EXPECT_FALSE(std::filesystem::exists(dir + "/out.pdf"));
  std::filesystem::remove_all(dir);
}

TEST(ReportToolLoadMessages, ThePasswordOpensAProtectedParent) {
  const std::string dir = ToolFolder("parent-pw");
  {
    TEngineReport setup;
    setup.Report->ReportOptions()->Password = "รหัส ผ่าน";
    setup.MemoView(setup.Band<TkvxReportTitle>("Title", 0, 20), "Heading", "แม่แบบลับ");
    setup.Report->SaveToFile(dir + "/parent.xml");
  }
  WriteFile(dir + "/child.xml",
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TkvxReport ParentReport=\"parent.xml\"/>\r\n");
  const TToolRun refused = RunTool(dir, "child.xml", "");
  EXPECT_NE(refused.Errors.find("Invalid password"), std::string::npos) << refused.Errors;
  const TToolRun ran = RunTool(dir, "child.xml", " --password 'รหัส ผ่าน'");
  EXPECT_EQ(ran.Status, 0) << ran.Errors;
  EXPECT_EQ(ran.Errors.find("Invalid password"), std::string::npos) << ran.Errors;
  EXPECT_EQ(ran.Errors.find("no object"), std::string::npos) << ran.Errors;
  ASSERT_TRUE(std::filesystem::exists(dir + "/out.pdf"));
  EXPECT_NE(PdfText(dir + "/out.pdf").find("แม่แบบลับ"), std::string::npos);
  std::filesystem::remove_all(dir);
}

}  // namespace orv::test
