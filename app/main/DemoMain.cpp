// Makes a demonstration parish in a folder: orvane-demo <folder> <members>.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>

#include "app/DemoParish.h"
#include "platform/rtl/Conversions.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: orvane-demo <folder> <members>\n");
    return 2;
  }
  try {
    int members = orv::StrToInt(argv[2]);
    if (members < 1) throw std::invalid_argument("the number of members must be at least 1");
    orv::CreateDemoParish(argv[1], members);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvane-demo: %s\n", e.what());
    return 1;
  }
  return 0;
}
