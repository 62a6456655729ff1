#pragma once
// What the print tests of the report engine share: finding a job by its title among what the
// capture backend of the private CUPS server received.
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/print/tests/CaptureTesting.h"

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

}  // namespace orv::testing
