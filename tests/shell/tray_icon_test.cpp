// The tray icon: its menu and mouse actions anywhere; with no status area
// (offscreen, or an X server without a tray host) the disabled state; under
// scripts/with-xvfb and scripts/with-trayer the real icon, clicked with
// xdotool.

#include "shell/tray_icon.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/base/resources.h"
#include "shell/tray_menu.h"

namespace shell {
namespace {

QApplication* App() {
    static QApplication* app = [] {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tray_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return app;
}

QIcon ProgramIcon() {
    const auto bytes = platform::FindResource("DRAPEWELL", "ICON");
    QPixmap pixmap;
    pixmap.loadFromData(bytes.data(), static_cast<uint>(bytes.size()));
    return QIcon(pixmap);
}

bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

// A base, so the application exists before the fixture's widgets.
struct WithApplication {
    WithApplication() { App(); }
};

class TrayTest : public ::testing::Test, private WithApplication {
protected:
    void SetUp() override {
        icon_.SetCommandHandler([this](unsigned command) { commands_.push_back(command); });
    }
    void TearDown() override {
        if (QMenu* popup = QApplication::activePopupWidget() ? GetPopup() : nullptr)
            popup->hide();
    }
    QMenu* GetPopup() const {
        QMenu* menu = icon_.GetMenu();
        return menu ? menu->actions().first()->menu() : nullptr;
    }

    QWidget owner_;
    CTrayIcon icon_;
    std::vector<unsigned> commands_;
};

using TrayWithoutHost = TrayTest;

TEST_F(TrayWithoutHost, EveryOperationReturnsZero) {
    EXPECT_FALSE(
        icon_.Create(&owner_, kTrayCallbackMessage, "Drapewell", ProgramIcon(), kTrayIconId));
    EXPECT_FALSE(icon_.IsEnabled());
    EXPECT_FALSE(icon_.SetTooltipText("Playing - song.mp3"));
    EXPECT_FALSE(icon_.SetTooltipText(IDS_PRODUCT_NAME));
    EXPECT_FALSE(icon_.HideIcon());
    EXPECT_FALSE(icon_.ShowIcon());
    EXPECT_FALSE(icon_.RefreshIcon());
    EXPECT_FALSE(icon_.SetIcon(ProgramIcon()));
    EXPECT_FALSE(icon_.SetIcon("DRAPEWELL"));
    EXPECT_FALSE(icon_.SetStandardIcon(QStyle::SP_ComputerIcon));
    EXPECT_FALSE(icon_.SetNotificationWnd(&owner_));
    EXPECT_FALSE(icon_.RemoveIcon());
    EXPECT_TRUE(icon_.GetIcon().isNull());
    EXPECT_EQ(icon_.GetTooltipText(), "");
    // The menu is loaded all the same.
    ASSERT_NE(GetPopup(), nullptr);
    EXPECT_EQ(GetPopup()->actions().size(), 6);
}

TEST_F(TrayWithoutHost, MenuResource) {
    icon_.Create(&owner_, kTrayCallbackMessage, "Drapewell", ProgramIcon(), kTrayIconId);
    QMenu* popup = GetPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(icon_.GetMenu()->actions().first()->text(), "MENU_TRAY");
    const auto items = popup->actions();
    ASSERT_EQ(items.size(), 6);
    EXPECT_EQ(items[0]->text(), "&Restore");
    EXPECT_EQ(CommandOf(items[0]), ID_TRAY_RESTORE);
    EXPECT_EQ(items[0]->statusTip(), "Restore dialog");
    EXPECT_EQ(items[1]->text(), "&Next");
    EXPECT_EQ(CommandOf(items[1]), ID_TRAY_NEXT);
    EXPECT_EQ(items[2]->text(), "&Previous");
    EXPECT_EQ(CommandOf(items[2]), ID_TRAY_PREVIOUS);
    EXPECT_EQ(items[3]->text(), "&Pause");
    EXPECT_EQ(CommandOf(items[3]), ID_TRAY_PAUSE);
    EXPECT_TRUE(items[4]->isSeparator());
    EXPECT_EQ(items[5]->text(), "&Exit");
    EXPECT_EQ(CommandOf(items[5]), ID_TRAY_EXIT);
    EXPECT_EQ(items[5]->statusTip(), "Exit this program");
    EXPECT_EQ(LoadStringResource(IDS_PRODUCT_NAME), "Drapewell");
    EXPECT_EQ(LoadMenuResource(131), nullptr);
}

TEST_F(TrayWithoutHost, MouseActions) {
    icon_.Create(&owner_, kTrayCallbackMessage, "Drapewell", ProgramIcon(), kTrayIconId);
    QMenu* popup = GetPopup();
    ASSERT_NE(popup, nullptr);

    EXPECT_EQ(icon_.OnTrayNotification(131, WM_RBUTTONUP), 0) << "another icon's";
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(icon_.OnTrayNotification(kTrayIconId, WM_LBUTTONUP), 1);
    EXPECT_TRUE(commands_.empty());

    // Only the low word names the mouse message.
    EXPECT_EQ(icon_.OnTrayNotification(kTrayIconId, 0x7FFF0000 | WM_LBUTTONDBLCLK), 1);
    EXPECT_EQ(commands_, std::vector<unsigned>{ID_TRAY_RESTORE});
    EXPECT_FALSE(popup->isVisible());

    EXPECT_EQ(icon_.OnTrayNotification(kTrayIconId, WM_RBUTTONUP), 1);
    EXPECT_TRUE(WaitUntil([&] { return popup->isVisible(); }));
    EXPECT_EQ(popup->defaultAction(), popup->actions().first()) << "&Restore is shown bold";
    popup->actions()[1]->trigger();
    EXPECT_EQ(commands_, (std::vector<unsigned>{ID_TRAY_RESTORE, ID_TRAY_NEXT}));
    popup->hide();

    // Without a menu nothing is handled.
    icon_.SetMenu(131);
    EXPECT_EQ(icon_.OnTrayNotification(kTrayIconId, WM_LBUTTONDBLCLK), 0);
    EXPECT_EQ(commands_.size(), 2u);
}

class TrayWithHost : public TrayTest {
protected:
    void SetUp() override {
        if (!std::getenv("DRAPEWELL_TEST_TRAY"))
            GTEST_SKIP() << "needs scripts/with-xvfb and scripts/with-trayer (ctest runs them)";
        TrayTest::SetUp();
        ASSERT_TRUE(WaitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }))
            << "the tray host did not appear";
    }
};

void Xdotool(const std::string& arguments) {
    ASSERT_EQ(std::system(("xdotool " + arguments).c_str()), 0) << arguments;
}

TEST_F(TrayWithHost, OperationsOnTheShownIcon) {
    EXPECT_FALSE(
        icon_.Create(nullptr, kTrayCallbackMessage, "Drapewell", ProgramIcon(), kTrayIconId))
        << "no owner window, no icon";
    ASSERT_TRUE(
        icon_.Create(&owner_, kTrayCallbackMessage, "Drapewell", ProgramIcon(), kTrayIconId));
    EXPECT_EQ(icon_.GetTooltipText(), "Drapewell");
    EXPECT_TRUE(WaitUntil([&] { return !icon_.GetGeometry().isEmpty(); }));

    EXPECT_TRUE(icon_.SetTooltipText(std::string(200, 'x')));
    EXPECT_EQ(icon_.GetTooltipText(), std::string(127, 'x'));
    std::string accented;
    for (int i = 0; i < 200; ++i)
        accented += "\xC3\xA9";  // é
    EXPECT_TRUE(icon_.SetTooltipText("Playing - " + accented));
    EXPECT_EQ(icon_.GetTooltipText(), "Playing - " + accented.substr(0, 2 * 117))
        << "127 characters, none cut in half";
    EXPECT_TRUE(icon_.SetTooltipText(IDS_PRODUCT_NAME));
    EXPECT_EQ(icon_.GetTooltipText(), "Drapewell");
    EXPECT_FALSE(icon_.SetTooltipText(1u)) << "no such string";

    EXPECT_FALSE(icon_.ShowIcon()) << "not hidden";
    EXPECT_TRUE(icon_.HideIcon());
    EXPECT_FALSE(icon_.HideIcon()) << "hidden once";
    EXPECT_TRUE(icon_.ShowIcon());
    EXPECT_TRUE(icon_.RefreshIcon());
    EXPECT_FALSE(icon_.IsHidden());

    EXPECT_TRUE(icon_.SetIcon("DRAPEWELL"));
    EXPECT_FALSE(icon_.SetIcon("NO_SUCH_ICON"));
    EXPECT_FALSE(icon_.GetIcon().isNull());
    EXPECT_TRUE(icon_.SetStandardIcon(QStyle::SP_ComputerIcon));
    EXPECT_FALSE(icon_.SetNotificationWnd(nullptr));
    EXPECT_EQ(icon_.GetNotificationWnd(), &owner_);

    EXPECT_TRUE(icon_.RemoveIcon());
    EXPECT_FALSE(icon_.RemoveIcon());
    EXPECT_FALSE(icon_.SetTooltipText("after removal"));
    EXPECT_EQ(icon_.GetTooltipText(), "");
}

TEST_F(TrayWithHost, RightClickShowsTheMenuDoubleClickRestores) {
    ASSERT_TRUE(
        icon_.Create(&owner_, kTrayCallbackMessage, "Drapewell", ProgramIcon(), kTrayIconId));
    ASSERT_TRUE(WaitUntil([&] { return !icon_.GetGeometry().isEmpty(); }));
    QMenu* popup = GetPopup();
    ASSERT_NE(popup, nullptr);
    // The icon moves into the tray host once embedded; let it settle.
    QRect placed;
    WaitUntil(
        [&] {
            const QRect now = icon_.GetGeometry();
            const bool settled = now == placed && now.x() > 0;
            placed = now;
            return settled;
        },
        3000);
    QPoint centre = icon_.GetGeometry().center();
    std::string at = std::to_string(centre.x()) + " " + std::to_string(centre.y());

    // The host may still be arranging its icons: click again where the icon
    // is now until the menu answers.
    bool shown = false;
    for (int attempt = 0; attempt < 5 && !shown; ++attempt) {
        centre = icon_.GetGeometry().center();
        at = std::to_string(centre.x()) + " " + std::to_string(centre.y());
        Xdotool("mousemove " + at + " click 3");
        shown = WaitUntil([&] { return popup->isVisible(); }, 2000);
    }
    ASSERT_TRUE(shown) << "right click shows the menu";
    EXPECT_EQ(popup->defaultAction(), popup->actions().first());
    EXPECT_TRUE(popup->geometry().contains(centre, false) ||
                (popup->pos() - centre).manhattanLength() < 64)
        << "at the cursor";
    EXPECT_TRUE(commands_.empty());
    popup->hide();
    QApplication::processEvents();

    Xdotool("mousemove " + at + " click --repeat 2 --delay 60 1");
    EXPECT_TRUE(WaitUntil([&] { return !commands_.empty(); })) << "double click sends Restore";
    EXPECT_EQ(commands_, std::vector<unsigned>{ID_TRAY_RESTORE});
    EXPECT_FALSE(popup->isVisible());
}

}  // namespace
}  // namespace shell
