#include "shell/tray_icon.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

#include <string>

#include "platform/base/resources.h"
#include "shell/tray_menu.h"

namespace shell {

namespace {

// Whether the session's status area takes icons now. Asked at every call, so
// a tray host that went away turns later operations into failures.
bool ShellAccepts() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) &&
           QSystemTrayIcon::isSystemTrayAvailable();
}

// At most kMaxTooltipLength code points: a UTF-8 path cut inside a
// character would show as garbage.
QString CutTooltip(const std::string& text) {
    QList<uint> characters = QString::fromStdString(text).toUcs4();
    if (characters.size() > static_cast<qsizetype>(kMaxTooltipLength))
        characters.resize(kMaxTooltipLength);
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()),
                             characters.size());
}

unsigned MessageFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Context:
        return WM_RBUTTONUP;
    case QSystemTrayIcon::DoubleClick:
        return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::Trigger:
        return WM_LBUTTONUP;
    case QSystemTrayIcon::MiddleClick:
        return WM_MBUTTONUP;
    case QSystemTrayIcon::Unknown:
        break;
    }
    return 0;
}

void BringToFront(QWidget* owner) {
    // A hidden window stays hidden: showing it is the Restore command's job.
    if (owner && owner->isVisible()) {
        owner->raise();
        owner->activateWindow();
    }
}

}  // namespace

CTrayIcon::CTrayIcon() = default;

CTrayIcon::CTrayIcon(QWidget* owner, unsigned callbackMessage, const std::string& tooltip,
                     const QIcon& icon, unsigned id) {
    Create(owner, callbackMessage, tooltip, icon, id);
}

CTrayIcon::~CTrayIcon() {
    RemoveIcon();
    menu_.reset();
}

bool CTrayIcon::Create(QWidget* owner, unsigned callbackMessage, const std::string& tooltip,
                       const QIcon& icon, unsigned id) {
    RemoveIcon();  // one icon per object, never two
    owner_ = owner;
    callbackMessage_ = callbackMessage;
    id_ = id;
    icon_ = icon;
    tooltip_ = CutTooltip(tooltip).toStdString();
    hidden_ = false;
    enabled_ = false;
    if (owner && !icon.isNull() && ShellAccepts()) {
        tray_ = std::make_unique<QSystemTrayIcon>(icon_);
        tray_->setToolTip(QString::fromStdString(tooltip_));
        QObject::connect(tray_.get(), &QSystemTrayIcon::activated,
                         [this](QSystemTrayIcon::ActivationReason reason) {
                             OnTrayNotification(id_, MessageFor(reason));
                         });
        tray_->show();
        enabled_ = true;
    }
    SetMenu(id);  // loaded whether or not the icon could be added
    return enabled_;
}

bool CTrayIcon::IsInTray() const {
    return enabled_ && !hidden_ && ShellAccepts();
}

bool CTrayIcon::RemoveIcon() {
    if (!enabled_)
        return false;
    tray_->hide();
    tray_.reset();
    enabled_ = false;
    hidden_ = false;
    return true;
}

bool CTrayIcon::HideIcon() {
    if (!enabled_ || hidden_)
        return false;
    tray_->hide();
    hidden_ = true;
    return true;
}

bool CTrayIcon::ShowIcon() {
    if (!enabled_ || !hidden_)
        return false;
    tray_->show();
    hidden_ = false;
    return ShellAccepts();
}

bool CTrayIcon::RefreshIcon() {
    HideIcon();
    return ShowIcon();
}

bool CTrayIcon::SetIcon(const QIcon& icon) {
    if (!enabled_)
        return false;
    icon_ = icon;
    tray_->setIcon(icon_);
    return ShellAccepts();
}

bool CTrayIcon::SetIcon(const char* resourceName) {
    if (!enabled_ || !resourceName)
        return false;
    const auto bytes = platform::FindResource(resourceName, "ICON");
    QPixmap pixmap;
    if (bytes.empty() || !pixmap.loadFromData(bytes.data(), static_cast<uint>(bytes.size())))
        return false;
    return SetIcon(QIcon(pixmap));
}

bool CTrayIcon::SetIcon(unsigned resourceId) {
    return SetIcon(std::to_string(resourceId).c_str());
}

bool CTrayIcon::SetStandardIcon(QStyle::StandardPixmap which) {
    if (!enabled_)
        return false;
    return SetIcon(QApplication::style()->standardIcon(which));
}

QIcon CTrayIcon::GetIcon() const {
    return enabled_ ? icon_ : QIcon();
}

bool CTrayIcon::SetTooltipText(const std::string& text) {
    if (!enabled_)
        return false;
    const QString cut = CutTooltip(text);
    tooltip_ = cut.toStdString();
    tray_->setToolTip(cut);
    return ShellAccepts();
}

bool CTrayIcon::SetTooltipText(unsigned stringId) {
    if (!enabled_)
        return false;
    const auto text = LoadStringResource(stringId);
    return text && SetTooltipText(*text);
}

std::string CTrayIcon::GetTooltipText() const {
    return enabled_ ? tooltip_ : std::string();
}

bool CTrayIcon::SetNotificationWnd(QWidget* owner) {
    if (!enabled_ || !owner)
        return false;
    owner_ = owner;
    return ShellAccepts();
}

QWidget* CTrayIcon::GetNotificationWnd() const {
    return owner_;
}

QMenu* CTrayIcon::SetMenu(unsigned menuId) {
    menu_ = LoadMenuResource(menuId);
    ConnectPopup();
    return FirstPopup();
}

QMenu* CTrayIcon::GetMenu() const {
    return menu_.get();
}

QRect CTrayIcon::GetGeometry() const {
    return enabled_ && !hidden_ ? tray_->geometry() : QRect();
}

QMenu* CTrayIcon::FirstPopup() const {
    if (!menu_ || menu_->actions().isEmpty())
        return nullptr;
    return menu_->actions().first()->menu();
}

void CTrayIcon::ConnectPopup() {
    if (QMenu* popup = FirstPopup()) {
        QObject::connect(popup, &QMenu::triggered,
                         [this](QAction* action) { SendCommand(CommandOf(action)); });
    }
}

void CTrayIcon::SendCommand(unsigned command) {
    if (command != 0 && commands_)
        commands_(command);
}

long CTrayIcon::OnTrayNotification(std::uintptr_t wParam, std::intptr_t lParam) {
    if (wParam != id_)
        return 0;
    QMenu* popup = FirstPopup();
    if (!popup || popup->actions().isEmpty())
        return 0;
    QAction* first = popup->actions().first();
    switch (static_cast<unsigned>(lParam & 0xFFFF)) {
    case WM_RBUTTONUP:
        popup->setDefaultAction(first);  // shown in bold
        BringToFront(owner_);
        popup->popup(QCursor::pos());
        break;
    case WM_LBUTTONDBLCLK:
        BringToFront(owner_);
        SendCommand(CommandOf(first));
        break;
    default:
        break;
    }
    return 1;
}

}  // namespace shell
