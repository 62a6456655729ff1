// Every kit test runs with one application on the offscreen platform, made by the application
// object before the first test.
#include "platform/gui/tests/OffscreenApplication.h"

namespace {

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new orv::testing::OffscreenApplication);

}  // namespace
