#pragma once
// The temporary folder of one test process: named by the process id, emptied when first asked for
// (ids come round again) and removed when the process ends, so test runs leave nothing behind.
#include <unistd.h>

#include <filesystem>
#include <string>

namespace orv::testing {

inline const std::filesystem::path& ProcessScratchFolder(const std::string& prefix) {
  struct TFolder {
    std::filesystem::path Path;
    ~TFolder() {
      std::error_code ignored;
      std::filesystem::remove_all(Path, ignored);
    }
  };
  static TFolder folder{std::filesystem::temp_directory_path() / (prefix + std::to_string(getpid()))};
  static bool made = [] {
    std::filesystem::remove_all(folder.Path);
    return std::filesystem::create_directories(folder.Path);
  }();
  (void)made;
  return folder.Path;
}

}  // namespace orv::testing
