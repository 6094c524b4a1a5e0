#include "app/screen_follower.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "platform/gdi/display.h"

namespace {

TEST(ScreenFollower, TheDisplaySizeIsThePrimaryScreensWhileItLives) {
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QSize expected = screen->geometry().size() * screen->devicePixelRatio();
    gdi::SetHeadlessDisplaySize(7, 5);
    {
        const CScreenFollower follower;
        const gdi::DisplaySize size = gdi::GetDisplaySize();
        EXPECT_EQ(size.width, expected.width());
        EXPECT_EQ(size.height, expected.height());
    }
    // Gone with the follower: the display is asked again (here, none).
    qputenv("DISPLAY", "");
    EXPECT_EQ(gdi::GetDisplaySize().width, 7);
    gdi::SetHeadlessDisplaySize(1024, 768);
}

}  // namespace
