#include "platform/gdi/display.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace gdi {
namespace {

// Restores the display settings a test changes.
class DisplayHeadless : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* d = std::getenv("DISPLAY"))
            savedDisplay_ = d;
    }
    void TearDown() override {
        SetKnownDisplaySize(0, 0);
        ForceHeadlessDisplay(false);
        SetHeadlessDisplaySize(1024, 768);
        setenv("DISPLAY", savedDisplay_.c_str(), 1);
    }

private:
    std::string savedDisplay_;
};

TEST_F(DisplayHeadless, WithoutADisplayTheSettableSizeApplies) {
    setenv("DISPLAY", "", 1);
    EXPECT_EQ(GetDeviceCaps(HORZRES), 1024);
    EXPECT_EQ(GetDeviceCaps(VERTRES), 768);

    SetHeadlessDisplaySize(1920, 1080);
    EXPECT_EQ(GetDeviceCaps(HORZRES), 1920);
    EXPECT_EQ(GetDeviceCaps(VERTRES), 1080);
    // Sizes that are not positive are ignored.
    SetHeadlessDisplaySize(0, 600);
    SetHeadlessDisplaySize(800, -1);
    EXPECT_EQ(GetDeviceCaps(HORZRES), 1920);
    EXPECT_EQ(GetDeviceCaps(VERTRES), 1080);

    EXPECT_EQ(GetDeviceCaps(BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(999), 0);
}

TEST_F(DisplayHeadless, ForcedHeadlessIgnoresAnOpenDisplay) {
    ForceHeadlessDisplay(true);
    SetHeadlessDisplaySize(640, 480);
    EXPECT_EQ(GetDeviceCaps(HORZRES), 640);
    EXPECT_EQ(GetDeviceCaps(VERTRES), 480);
    EXPECT_EQ(GetDeviceCaps(BITSPIXEL), 32);
}

TEST_F(DisplayHeadless, TheProgramsKnownSizeWinsUntilForgotten) {
    // A DISPLAY that names no server: the window system's word is taken
    // without asking one, and forgetting it brings back the headless size.
    setenv("DISPLAY", ":987", 1);
    SetKnownDisplaySize(1280, 720);
    EXPECT_EQ(GetDeviceCaps(HORZRES), 1280);
    EXPECT_EQ(GetDeviceCaps(VERTRES), 720);
    const DisplaySize both = GetDisplaySize();
    EXPECT_EQ(both.width, 1280);
    EXPECT_EQ(both.height, 720);
    SetKnownDisplaySize(0, 0);
    EXPECT_EQ(GetDisplaySize().width, 1024);
    EXPECT_EQ(GetDisplaySize().height, 768);
}

// Runs against a virtual X server whose screen size the runner announces in
// DRAPEWELL_EXPECT_SCREEN ("800x600").
TEST(DisplayX11, ReportsTheScreenSize) {
    const char* expected = std::getenv("DRAPEWELL_EXPECT_SCREEN");
    if (!expected || !*expected)
        GTEST_SKIP() << "DRAPEWELL_EXPECT_SCREEN is not set";
    int width = 0, height = 0;
    ASSERT_EQ(std::sscanf(expected, "%dx%d", &width, &height), 2) << expected;
    ForceHeadlessDisplay(false);
    SetHeadlessDisplaySize(width + 1, height + 1);  // must not be what we see
    EXPECT_EQ(GetDeviceCaps(HORZRES), width);
    EXPECT_EQ(GetDeviceCaps(VERTRES), height);
    EXPECT_EQ(GetDeviceCaps(BITSPIXEL), 32);
    // Asked again and again (as every change does), the server's size is
    // what comes back each time: never the made-up headless one.
    int wrong = 0;
    for (int i = 0; i < 200; ++i) {
        const DisplaySize size = GetDisplaySize();
        wrong += size.width != width || size.height != height;
    }
    EXPECT_EQ(wrong, 0);
    SetHeadlessDisplaySize(1024, 768);
}

}  // namespace
}  // namespace gdi
