// The clipboard and capture tests need a QGuiApplication. It is made once the
// tests run, not while they are listed, on the X server when DISPLAY names
// one and on Qt's offscreen platform (a clipboard of its own) otherwise.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <memory>

#include "platform/qt/clipboard_qt.h"

namespace {

class GuiApplication : public ::testing::Environment {
public:
    GuiApplication(int& argc, char** argv) : argc_(argc), argv_(argv) {}

    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
        clipboard::InstallQtClipboard();
    }
    void TearDown() override { app_.reset(); }

private:
    int& argc_;
    char** argv_;
    std::unique_ptr<QGuiApplication> app_;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new GuiApplication(argc, argv));
    return RUN_ALL_TESTS();
}
