#pragma once

// The tray's menu and strings, as the program's resources define them.

#include <memory>
#include <optional>
#include <string>

class QAction;
class QMenu;

namespace shell {

inline constexpr unsigned kTrayIconId = 130;                   // also the number of its menu
inline constexpr unsigned kTrayCallbackMessage = 0x0400 + 10;  // WM_USER + 10

// Menu commands.
inline constexpr unsigned ID_TRAY_RESTORE = 32771;
inline constexpr unsigned ID_TRAY_NEXT = 32773;
inline constexpr unsigned ID_TRAY_EXIT = 32775;
inline constexpr unsigned IDS_PRODUCT_NAME = 32776;
// Added after the first release, after "Next": back through the pictures
// shown, and holding the timer (its text turns to "&Resume" while held).
inline constexpr unsigned ID_TRAY_PREVIOUS = 32777;
inline constexpr unsigned ID_TRAY_PAUSE = 32778;

// The menu with resource number `id`: a menu bar whose popups are its
// submenus, like a loaded menu resource. Each item's command number is its
// QAction's data. Null for a number without a menu.
std::unique_ptr<QMenu> LoadMenuResource(unsigned id);

// The string with resource number `id` (UTF-8); none for an unknown number.
std::optional<std::string> LoadStringResource(unsigned id);

// The command number of a menu item; 0 for a separator or a foreign action.
unsigned CommandOf(const QAction* action);

}  // namespace shell
