// One QApplication for the whole test program, on the offscreen platform unless another is asked
// for (QT_QPA_PLATFORM=xcb under Xvfb shows the real window).
#include "app/talvena_application.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class QtApplication : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<talvena::TalvenaApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[10] = "gui_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<talvena::TalvenaApplication> app_;
};

const bool registered = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::AddGlobalTestEnvironment(new QtApplication);
    return true;
}();

} // namespace
