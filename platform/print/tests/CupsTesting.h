#pragma once
// The printing tests of this folder may switch the server within one process: libcups is told
// to read CUPS_SERVER again.
#include <cups/cups.h>

#include "platform/print/tests/CaptureTesting.h"

namespace orv::testing {

inline TCupsServer UseTestServerNow() {
  TCupsServer server = UseTestServer();
  cupsSetServer(nullptr);
  return server;
}

inline void UseNoServer() {
  setenv("CUPS_SERVER", kNoServer, 1);
  cupsSetServer(nullptr);
}

}  // namespace orv::testing
