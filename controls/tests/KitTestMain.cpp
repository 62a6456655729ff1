// Every kit test runs with one Qt application on the offscreen platform, made by the
// application object before the first test.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QtGlobal>

#include "platform/gui/Application.h"

namespace {

class KitEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    orv::Application->Initialize();
  }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new KitEnvironment);

}  // namespace
