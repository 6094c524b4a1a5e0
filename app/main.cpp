#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/wallpaper_app.h"
#include "platform/base/product.h"
#include "platform/gdi/display.h"

namespace {

// The program reads no arguments, except the two that print a text and end
// it before anything else happens: no settings are read, no lock is taken,
// no display is opened. Every other argument is ignored.
constexpr const char kHelp[] =
    "usage: drapewell [--help | --version]\n"
    "\n"
    "Drapewell changes the desktop wallpaper from a folder of pictures: on a\n"
    "click, a global hotkey (F11), the tray menu or a timer. It runs once per\n"
    "user and hides to the tray; everything is set in its window.\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "Settings: Drapewell.ini beside the program when that folder is writable,\n"
    "otherwise $XDG_CONFIG_HOME/Drapewell/Drapewell.ini. See drapewell(1).\n";

bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

// Why there is nowhere to show the window; empty when there is. Without a
// display Qt's platform plugin aborts the program with a core dump, so this
// is asked before the application object is made. A platform chosen through
// QT_QPA_PLATFORM (offscreen, vnc, ...) is the user's to answer for, and a
// Wayland session is left to Qt.
std::string MissingSessionReason() {
    if (IsSet("QT_QPA_PLATFORM") || IsSet("WAYLAND_DISPLAY"))
        return {};
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return "no graphical session (DISPLAY or WAYLAND_DISPLAY) to show the window in";
    if (!gdi::CanOpenX11Display(display))
        return std::string("cannot open the display ") + display +
               " (DISPLAY) to show the window in";
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", GetProductName().c_str(), GetProductVersion().c_str());
            return 0;
        }
    }
    if (const std::string reason = MissingSessionReason(); !reason.empty()) {
        std::fprintf(stderr, "drapewell: %s\n", reason.c_str());
        return 1;
    }
    CWallpaperApp app;
    return app.Run(argc, argv);
}
