// One Qt application for every capture test, made before the first.
#include "platform/gui/tests/OffscreenApplication.h"

namespace {

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new orv::testing::OffscreenApplication);

}  // namespace
