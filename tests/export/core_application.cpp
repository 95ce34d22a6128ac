// One QCoreApplication for the whole test program: the LibreOffice runs use QProcess.
#include <QCoreApplication>
#include <gtest/gtest.h>

#include <memory>

namespace {

class CoreApplication : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QCoreApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[13] = "export_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> app_;
};

const bool registered = [] {
    ::testing::AddGlobalTestEnvironment(new CoreApplication);
    return true;
}();

} // namespace
