#pragma once
// What the print tests of the report engine share: finding a job by its title among what the
// capture backend of the private CUPS server received.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/print/tests/CaptureTesting.h"
#include "report/engine/Printers.h"

namespace orv::testing {

// The capture of the job with this title, searched among everything the backend received.
inline TCapturedJob FindJob(const TCupsServer& server, const std::string& title) {
  for (int wait = 0; wait < 200; ++wait) {
    for (auto& e : std::filesystem::directory_iterator(server.Tree + "/out")) {
      if (e.path().extension() != ".done") continue;
      TCapturedJob job = WaitForJob(server, std::stoi(e.path().stem().string()));
      if (ArgValue(job, "title") == title) return job;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return {};
}

// The captures of every printer job with this title, in the order the server numbered them;
// waits until count of them have arrived.
inline std::vector<TCapturedJob> FindJobs(const TCupsServer& server, const std::string& title, size_t count) {
  std::vector<TCapturedJob> jobs;
  for (int wait = 0; wait < 200; ++wait) {
    std::vector<int> ids;
    for (auto& e : std::filesystem::directory_iterator(server.Tree + "/out"))
      if (e.path().extension() == ".done") ids.push_back(std::stoi(e.path().stem().string()));
    std::sort(ids.begin(), ids.end());
    jobs.clear();
    for (int id : ids) {
      TCapturedJob job = WaitForJob(server, id);
      if (ArgValue(job, "title") == title) jobs.push_back(job);
    }
    if (jobs.size() >= count) return jobs;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return jobs;
}

// One page of text printed directly on the printer, a page that asks for nothing special: A4,
// upright, the default tray, as the printer is set up for sides; the capture of its job.
inline TCapturedJob PrintPlainPage(TkvxCustomPrinter* printer, const TCupsServer& server, const std::string& title,
                                   const std::string& text = "plain") {
  printer->SetTitle(title);
  printer->SetPrintParams(9, 210, 297, false, 7, 1, 1);
  if (!printer->BeginDoc() || !printer->BeginPage()) return {};
  printer->Canvas()->TextOut(0, 0, text);
  printer->EndPage();
  if (!printer->EndDoc()) return {};
  return FindJob(server, title);
}

// What a job asks the printer for: its options without those that name or date the job itself.
inline std::map<std::string, std::string> JobSettings(const TCapturedJob& job) {
  std::map<std::string, std::string> settings = JobOptions(job);
  for (auto it = settings.begin(); it != settings.end();) {
    const std::string& name = it->first;
    bool own = name.rfind("job-", 0) == 0 || name.rfind("time-", 0) == 0 || name.rfind("date-time-", 0) == 0 ||
               name == "document-name-supplied";
    it = own ? settings.erase(it) : std::next(it);
  }
  return settings;
}

}  // namespace orv::testing
