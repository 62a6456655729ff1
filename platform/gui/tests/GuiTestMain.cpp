// Every gui test runs with one Qt application, made by the application object before the
// first test (the executable's main comes from gtest).
#include <gtest/gtest.h>

#include <QByteArray>
#include <QtGlobal>

#include "platform/gui/Application.h"

namespace {

class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    orv::Application->Initialize();
  }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace
