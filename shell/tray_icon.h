#pragma once

// One icon in the desktop's status area for a window: its tooltip, its
// popup menu on a right click and the menu's first command on a double
// click. The commands themselves are the owner's business; the icon only
// hands them on.

#include <QIcon>
#include <QPointer>
#include <QStyle>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace shell {

// Mouse messages as OnTrayNotification receives them (low word of the
// second parameter).
inline constexpr unsigned WM_LBUTTONUP = 0x0202;
inline constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
inline constexpr unsigned WM_RBUTTONUP = 0x0205;
inline constexpr unsigned WM_MBUTTONUP = 0x0208;

inline constexpr std::size_t kMaxTooltipLength = 127;  // characters

class CTrayIcon {
public:
    // Receives the menu command the user chose (or the double click's).
    using CommandHandler = std::function<void(unsigned command)>;

    CTrayIcon();
    CTrayIcon(QWidget* owner, unsigned callbackMessage, const std::string& tooltip,
              const QIcon& icon, unsigned id);
    virtual ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Adds the icon, then loads the menu whose number is `id`. Returns
    // whether the icon is there: false without a live owner, without an icon,
    // outside a QApplication or when the session has no status area to show
    // it in. Disabled, every later operation does nothing and returns false.
    bool Create(QWidget* owner, unsigned callbackMessage, const std::string& tooltip,
                const QIcon& icon, unsigned id);

    bool RemoveIcon();
    bool HideIcon();
    bool ShowIcon();
    bool RefreshIcon();

    bool SetIcon(const QIcon& icon);
    // An icon of the program's own resources (platform::FindResource, type
    // "ICON"); a number names the resource by its decimal digits.
    bool SetIcon(const char* resourceName);
    bool SetIcon(unsigned resourceId);
    bool SetStandardIcon(QStyle::StandardPixmap which);
    QIcon GetIcon() const;

    // Cut to kMaxTooltipLength characters (never inside a character).
    bool SetTooltipText(const std::string& text);
    bool SetTooltipText(unsigned stringId);
    std::string GetTooltipText() const;

    bool SetNotificationWnd(QWidget* owner);
    QWidget* GetNotificationWnd() const;

    // Replaces the menu with menu resource `menuId`; returns its first popup.
    QMenu* SetMenu(unsigned menuId);
    QMenu* GetMenu() const;

    // A mouse action on the icon: `wParam` the icon's identifier, the low
    // word of `lParam` the mouse message. 1 when handled, 0 otherwise.
    virtual long OnTrayNotification(std::uintptr_t wParam, std::intptr_t lParam);

    // Where commands go; the owner's command handling.
    void SetCommandHandler(CommandHandler handler) { commands_ = std::move(handler); }

    bool IsEnabled() const { return enabled_; }
    bool IsHidden() const { return hidden_; }
    // Whether the icon is there for the user to click now: added, not
    // hidden, and a tray host still takes icons.
    bool IsInTray() const;
    unsigned GetCallbackMessage() const { return callbackMessage_; }
    // The icon's place on the screen; empty while it is not shown.
    QRect GetGeometry() const;

private:
    QMenu* FirstPopup() const;
    void ConnectPopup();
    void SendCommand(unsigned command);

    bool enabled_ = false;
    bool hidden_ = false;
    QPointer<QWidget> owner_;
    unsigned callbackMessage_ = 0;
    unsigned id_ = 0;
    QIcon icon_;
    std::string tooltip_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    std::unique_ptr<QMenu> menu_;
    CommandHandler commands_;
};

}  // namespace shell
