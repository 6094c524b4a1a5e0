#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <vector>

#include "app/control_client.h"
#include "app/wallpaper_app.h"
#include "platform/base/memory.h"
#include "platform/base/product.h"
#include "platform/gdi/display.h"

namespace {

// The program reads few arguments: the two that print a text and end it
// before anything else happens (no settings are read, no lock is taken, no
// display is opened), and the commands for the running copy, which are sent
// over the session bus by a small client that opens no window either.
// Every other argument is ignored.
constexpr const char kHelpStart[] =
    "usage: drapewell [--help | --version | COMMAND]\n"
    "\n"
    "Drapewell changes the desktop wallpaper from a folder of pictures: on a\n"
    "click, a global hotkey (F11), the tray menu or a timer. It runs once per\n"
    "user and hides to the tray; everything is set in its window.\n"
    "\n"
    "  --help          print this text and exit\n"
    "  --version       print the version and exit\n"
    "\n"
    "Commands for the running copy (exit status 0 when done, 1 with one line\n"
    "on stderr otherwise, for example when Drapewell is not running); bind\n"
    "them to keys in the desktop's keyboard settings:\n";
constexpr const char kHelpEnd[] =
    "\n"
    "Settings: Drapewell.ini beside the program when that folder is writable,\n"
    "otherwise $XDG_CONFIG_HOME/Drapewell/Drapewell.ini. See drapewell(1).\n";

void PrintHelp() {
    std::fputs(kHelpStart, stdout);
    for (const ControlCommand& command : ControlCommands()) {
        const std::string name = command.option + (command.takesFile ? " FILE" : "");
        std::printf("  %-14s  %s\n", name.c_str(), command.help);
    }
    std::fputs(kHelpEnd, stdout);
}

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
            PrintHelp();
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", GetProductName().c_str(), GetProductVersion().c_str());
            return 0;
        }
    }
    // A command goes to the running copy; no second program starts.
    std::string commandError;
    const std::optional<ParsedCommand> command =
        ParseControlCommand(std::vector<std::string>(argv + 1, argv + argc), commandError);
    if (!commandError.empty()) {
        std::fprintf(stderr, "drapewell: %s\n", commandError.c_str());
        return 1;
    }
    if (command)
        return RunControlCommand(argc, argv, *command);
    if (const std::string reason = MissingSessionReason(); !reason.empty()) {
        std::fprintf(stderr, "drapewell: %s\n", reason.c_str());
        return 1;
    }
    // Screen-sized pictures come and go with every change for as long as
    // the session lasts: their memory must go back each time.
    platform::KeepLargeBlocksMapped();
    CWallpaperApp app;
    return app.Run(argc, argv);
}
