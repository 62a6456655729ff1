#include "report/engine/PrintSpool.h"

#include <utility>

namespace orv {

namespace {

TkvxPrintSpoolMaker& Maker() {
  static TkvxPrintSpoolMaker maker;
  return maker;
}

}  // namespace

void kvxSetPrintSpoolMaker(TkvxPrintSpoolMaker maker) { Maker() = std::move(maker); }

const TkvxPrintSpoolMaker& kvxPrintSpoolMaker() { return Maker(); }

}  // namespace orv
