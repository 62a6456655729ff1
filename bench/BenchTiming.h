// Timing shared by the benchmark programs: wall-clock seconds of a piece of work, the best of a
// few runs, and the sqlite3 command line as the yardstick for our database layer.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace orv {

inline double Seconds(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A piece of work run in a child process of its own: its wall-clock time from the fork to its
// end, its peak resident memory, and whether it returned 0.
struct ChildRun {
  double seconds = 0;
  double peakMB = 0;
  bool ok = false;
};

// The child's run once it has ended, from start.
inline ChildRun WaitForChild(pid_t pid, std::chrono::steady_clock::time_point start) {
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  ChildRun r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.peakMB = usage.ru_maxrss / 1024.0;
  r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return r;
}

inline ChildRun InChild(const std::function<int()>& work) {
  // What the parent printed and has not yet written would otherwise be written by the child too.
  std::fflush(nullptr);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) _exit(work());
  return WaitForChild(pid, start);
}

// A program started anew as a process of its own (a peer by its path, or this benchmark's own
// program with a side's arguments), timed and measured as InChild's work is, its output let go
// unless asked for. The parent should hold little when it starts one: a child's peak begins with
// what the fork copied.
inline ChildRun WholeProcess(const std::vector<std::string>& args, bool keepOutput = true) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return InChild([&] {
    if (!keepOutput) {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
    }
    execv(argv[0], argv.data());
    std::perror(argv[0]);
    return 127;
  });
}

// This benchmark's own program, for WholeProcess to start a side of it.
inline std::string SelfProgram() { return std::filesystem::canonical("/proc/self/exe").string(); }

// The best of a few runs, so that one disturbed run does not decide.
inline double Best(int runs, const std::function<void()>& work) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) best = std::min(best, Seconds(work));
  return best;
}

// A fresh folder under the temporary folder, named for the benchmark and this process so that two
// runs at once do not share a database; the caller removes it.
inline std::filesystem::path BenchFolder(const std::string& name) {
  auto dir = std::filesystem::temp_directory_path() / ("orvane-" + name + "-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

// The sqlite3 command line running the statement on the file with its output to /dev/null: what
// reading the rows costs without our dataset.
inline double SqliteSeconds(const std::string& file, const std::string& sql, int runs) {
  std::string cmd = "sqlite3 '" + file + "' '" + sql + "' > /dev/null";
  return Best(runs, [&] {
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "sqlite3 failed\n");
  });
}

}  // namespace orv
