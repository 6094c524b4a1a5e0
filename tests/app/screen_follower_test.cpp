#include "app/screen_follower.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

#include "platform/desktop/monitors.h"
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

// Every change lays its pictures out on Qt's screens while the follower
// lives; without it the session is asked again.
TEST(ScreenFollower, TheMonitorsAreQtsScreensWhileItLives) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_FALSE(screens.isEmpty());
    {
        const CScreenFollower follower;
        const desktop::MonitorListing listing = desktop::ListSessionMonitors();
        EXPECT_EQ(listing.source, "window system");
        ASSERT_EQ(listing.monitors.size(), static_cast<std::size_t>(screens.size()));
        const QScreen* primary = QGuiApplication::primaryScreen();
        const auto found = std::find_if(
            listing.monitors.begin(), listing.monitors.end(),
            [&](const desktop::Monitor& m) { return m.name == primary->name().toStdString(); });
        ASSERT_NE(found, listing.monitors.end());
        EXPECT_TRUE(found->primary);
        EXPECT_EQ(found->width, qRound(primary->geometry().width() * primary->devicePixelRatio()));
    }
    EXPECT_NE(desktop::ListSessionMonitors().source, "window system");
}

}  // namespace
