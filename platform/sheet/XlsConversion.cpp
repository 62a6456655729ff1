// Writes a workbook in the binary form of 1997-2003 through LibreOffice, which converts the
// workbook this model writes; started only when that form is asked for.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/rtl/Dispatch.h"
#include "platform/sheet/SheetWorkbook.h"

extern char** environ;

namespace orv {

namespace {

[[noreturn]] void XlsError(const String& fileName, const String& why) {
  throw EOleException("Cannot write " + fileName + ": " + why, DISP_E_EXCEPTION, "Sheet", "");
}

// Runs the program with its arguments as they are (no shell reads them); its exit status.
int Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

void WriteXls(const SheetWorkbook& book, const String& fileName) {
  namespace fs = std::filesystem;
  std::string pattern = (fs::temp_directory_path() / "orvane-xls.XXXXXX").string();
  if (!::mkdtemp(pattern.data())) XlsError(fileName, std::strerror(errno));
  fs::path work = pattern;
  struct Cleanup {
    fs::path folder;
    ~Cleanup() {
      std::error_code ec;
      fs::remove_all(folder, ec);
    }
  } cleanup{work};
  fs::path source = work / "book.xlsx";
  WriteXlsx(book, source.string());
  // A profile of its own, so a LibreOffice the user has open is neither used nor disturbed.
  int status = Run({"soffice", "-env:UserInstallation=file://" + (work / "profile").string(), "--headless",
                    "--convert-to", "xls:MS Excel 97", "--outdir", work.string(), source.string()});
  if (status < 0) XlsError(fileName, "saving in this form needs LibreOffice (soffice), which cannot be started");
  std::error_code ec;
  fs::path converted = work / "book.xls";
  if (status != 0 || !fs::exists(converted, ec)) XlsError(fileName, "LibreOffice could not convert the workbook");
  fs::copy_file(converted, fileName, fs::copy_options::overwrite_existing, ec);
  if (ec) XlsError(fileName, ec.message());
}

}  // namespace orv
