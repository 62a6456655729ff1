#pragma once
// What printing tests of every folder share: the private CUPS server the test run started
// (tests/cups-harness.sh), the jobs its capture backend received, and the outside tools that
// read them (run as the graphics tests run theirs). Clients reach the server through
// CUPS_SERVER, read once per process.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "platform/gui/tests/GraphicsTesting.h"

namespace orv::testing {

struct TCupsServer {
  std::string Tree;
  std::string Address;
};

// The server of the test run, set as the one to use.
inline TCupsServer UseTestServer() {
  TCupsServer server;
  std::ifstream state(ORVANE_CUPS_STATE);
  std::string line;
  while (std::getline(state, line)) {
    if (line.rfind("CUPS_TREE=", 0) == 0) server.Tree = line.substr(10);
    if (line.rfind("CUPS_PORT=", 0) == 0) server.Address = "127.0.0.1:" + line.substr(10);
  }
  if (server.Address.empty()) ADD_FAILURE() << "no CUPS server running: " << ORVANE_CUPS_STATE;
  setenv("CUPS_SERVER", server.Address.c_str(), 1);
  return server;
}

// The address of a machine with no print server at all.
constexpr const char* kNoServer = "127.0.0.1:1";

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// What the capture backend received for one job.
struct TCapturedJob {
  std::string Args;
  std::string Env;
  std::string Document;
  std::string DocumentPath;
  bool Arrived = false;
};

inline TCapturedJob WaitForJob(const TCupsServer& server, int jobId) {
  TCapturedJob job;
  std::string base = server.Tree + "/out/" + std::to_string(jobId);
  for (int i = 0; i < 300 && !std::filesystem::exists(base + ".done"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  job.Arrived = std::filesystem::exists(base + ".done");
  if (!job.Arrived) return job;
  job.Args = ReadFile(base + ".args");
  job.Env = ReadFile(base + ".env");
  job.DocumentPath = base + ".doc";
  job.Document = ReadFile(job.DocumentPath);
  return job;
}

// The job options the backend was given, by name; a bare word ("nocollate") maps to "".
inline std::map<std::string, std::string> JobOptions(const TCapturedJob& job) {
  std::map<std::string, std::string> options;
  std::istringstream lines(job.Args);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("options=", 0) != 0) continue;
    std::istringstream words(line.substr(8));
    std::string word;
    while (words >> word) {
      size_t eq = word.find('=');
      if (eq != std::string::npos)
        options[word.substr(0, eq)] = word.substr(eq + 1);
      else
        options[word] = "";
    }
  }
  return options;
}

inline std::string ArgValue(const TCapturedJob& job, const std::string& name) {
  std::istringstream lines(job.Args);
  std::string line;
  while (std::getline(lines, line))
    if (line.rfind(name + "=", 0) == 0) return line.substr(name.size() + 1);
  return {};
}

// Page sizes in points as pdfinfo reads them, rounded to whole points, "WxH" per page.
inline std::vector<std::string> PdfPageSizes(const std::string& pdf) {
  std::vector<std::string> sizes;
  std::istringstream lines(Run("pdfinfo -f 1 -l 999 '" + pdf + "'"));
  std::string line;
  while (std::getline(lines, line)) {
    double w, h;
    int page;
    if (std::sscanf(line.c_str(), "Page %d size: %lf x %lf", &page, &w, &h) == 3)
      sizes.push_back(std::to_string(static_cast<int>(w + 0.5)) + "x" +
                      std::to_string(static_cast<int>(h + 0.5)));
  }
  return sizes;
}

inline bool QpdfAccepts(const std::string& pdf) {
  return !Run("qpdf --check '" + pdf + "' >/dev/null 2>&1 && echo ok").empty();
}

inline std::string PdfText(const std::string& pdf, int page) {
  std::string p = std::to_string(page);
  return Run("pdftotext -f " + p + " -l " + p + " '" + pdf + "' -");
}

}  // namespace orv::testing
