#pragma once
// One application object for a whole test program, on the offscreen platform unless another is
// asked for (QT_QPA_PLATFORM=xcb under Xvfb shows the real windows).
#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>
#include <gtest/gtest.h>

#include <memory>

namespace talvena::testsupport {

template <typename Application> class ApplicationEnvironment : public ::testing::Environment {
public:
    explicit ApplicationEnvironment(const char* programName) : name_(programName) {}
    void SetUp() override
    {
        argv_[0] = name_.data();
        app_ = std::make_unique<Application>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    QByteArray name_;
    int argc_ = 1;
    char* argv_[2] = {nullptr, nullptr};
    std::unique_ptr<Application> app_;
};

// For a namespace-scope initialiser: registers the environment before the tests run.
template <typename Application> bool RegisterApplication(const char* programName)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The user's settings (recent files, view choices) of a test run stay in a folder of its own.
    static QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment<Application>(programName));
    return true;
}

} // namespace talvena::testsupport
