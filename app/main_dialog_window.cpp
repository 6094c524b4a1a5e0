// The window's life: creation, initialisation, the modal run and its end;
// the two timers, always on top, the global hotkey, hiding to the tray and
// coming back, and the tray's commands.

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QWindow>

#include "app/main_dialog.h"
#include "app/main_dialog_controls.h"
#include "app/main_dialog_services.h"
#include "platform/base/product.h"
#include "platform/desktop/desktop.h"
#include "platform/hotkey/hotkey_keys.h"
#include "platform/qt/messages.h"

namespace {

CShuffleOrder MakeShuffle(std::uint64_t seed) {
    return seed ? CShuffleOrder(seed) : CShuffleOrder();
}

// A popup window with caption, window menu and minimise box, in the taskbar.
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                         Qt::WindowCloseButtonHint;

}  // namespace

CMainDlg::CMainDlg(MainDlgOptions options, QWidget* parent)
    : QDialog(parent, kWindowFlags),
      options_(std::move(options)),
      shuffle_(MakeShuffle(options_.randomSeed)),
      musicShuffle_(MakeShuffle(options_.randomSeed ? options_.randomSeed + 1 : 0)) {
    autoChangeTimer_.setObjectName(QString::number(kAutoChangeTimerId));
    hideTimer_.setObjectName(QString::number(kHideTimerId));
    hideTimer_.setSingleShot(true);
    services_ = std::make_unique<CMainDlgServices>(*this, options_);
    CreateControls();
    ConnectHandlers();
    CreateChangeRunner();
    OnCreate();
}

CMainDlg::~CMainDlg() {
    OnDestroy();
}

void CMainDlg::OnCreate() {
    services_->CreateTrayIcon(GetProductName());
}

void CMainDlg::OnInitDialog() {
    if (initialised_)
        return;
    initialised_ = true;
    // The window manager's window menu cannot take items of ours on Linux,
    // so "&About" lives on its button alone.
    setWindowIcon(QApplication::windowIcon());
    intervalSpin_->SetRange(kMinTimeInterval, kMaxTimeInterval);
    {
        const QSignalBlocker blocker(position_);
        for (std::string_view name : kPositionLabels)
            position_->addItem(QString::fromUtf8(name.data(), static_cast<int>(name.size())));
    }
    hotkey_->SetRules(hotkey::kDialogFieldRules);
    services_->SetTooltipText(GetProductName());
    LoadSettings();
    imageList_->setFocus();
    setWindowTitle(QString::fromStdString(GetProductName() + " v" + GetProductVersion()));
    desktopAvailable_ = desktop::HasDesktopSession();
    if (!desktopAvailable_)
        platform::ShowMessage("Init Desktop Component Error, method 1 may not act normally");
    {
        const QSignalBlocker blocker(changeMethod_);
        for (int method = 1; method <= 4; ++method)
            changeMethod_->addItem(QStringLiteral("Method %1").arg(method));
        changeMethod_->setCurrentIndex(settings_.ChangeMethod - 1);
    }
}

int CMainDlg::RunModal() {
    OnInitDialog();
    show();
    if (!ending_) {
        QEventLoop loop;
        connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    OnDestroy();
    return result();
}

void CMainDlg::OnDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    autoChangeTimer_.stop();
    hideTimer_.stop();
    watcher_.Stop();
    UnregisterGlobalHotkey();
    // A change under way gets a few seconds; one still running after that
    // is left to finish alone and touches nothing of ours.
    if (runner_)
        runner_->Shutdown(wallpaper::ChangeJobRunner::kDefaultGrace);
}

void CMainDlg::done(int result) {
    ending_ = true;
    QDialog::done(result);
}

// ---- Timers ----

void CMainDlg::ApplyTimerSettings() {
    const CActionScope action(*this);
    ReadDialog();
    timeInterval_->setEnabled(settings_.EnableTimer);
    intervalSpin_->setEnabled(settings_.EnableTimer);
    // A pause holds the timer whatever its box says.
    if (settings_.EnableTimer && !settings_.Paused) {
        // Starting it again begins the countdown anew.
        autoChangeTimer_.start(options_.secondLength * settings_.TimeInterval);
    } else {
        autoChangeTimer_.stop();
    }
    SaveSettings();
}

// ---- Always on top ----

void CMainDlg::ApplyAlwaysOnTop() {
    ReadDialog();
    const bool onTop = settings_.AlwaysOnTop;
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    // Changing a window's flags takes it off the screen; it comes back where
    // it was, without taking the focus.
    const bool wasVisible = isVisible();
    const QPoint where = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (wasVisible) {
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        move(where);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
}

// ---- Global hotkey ----

bool CMainDlg::RegisterGlobalHotkey(std::uint16_t value) {
    const bool active = services_->RegisterHotkey(value);
    // The field keeps showing the stored key either way; a key the desktop
    // did not give us is shown greyed, with the reason in its tooltip.
    const bool shownActive = active || value == 0;
    hotkey_->setProperty("hotkeyActive", shownActive);
    hotkey_->setStyleSheet(shownActive ? QString()
                                       : QStringLiteral("color: grey; font-style: italic"));
    hotkey_->setToolTip(shownActive
                            ? QString()
                            : QStringLiteral("This hotkey is not active: another program "
                                             "holds it, or the desktop offers no global "
                                             "keys. It is kept, and tried again at the next "
                                             "start and save."));
    return active;
}

void CMainDlg::UnregisterGlobalHotkey() {
    services_->UnregisterHotkey();
}

// ---- Hiding, restoring, ending ----

void CMainDlg::HideWindow() {
    // Without an icon in a tray (GNOME without an extension, many Wayland
    // sessions, a tray host that went away) a hidden window could never be
    // brought back: it is minimised instead.
    if (services_->TrayIconShown())
        hide();
    else
        setWindowState(windowState() | Qt::WindowMinimized);
}

void CMainDlg::RestoreWindow() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void CMainDlg::ExitProgram() {
    exiting_ = true;
    done(QDialog::Rejected);
}

void CMainDlg::OnCommand(int command) {
    switch (command) {
    case ID_TRAY_RESTORE:
        RestoreWindow();
        break;
    case ID_TRAY_NEXT:
        ShowNextImage();
        break;
    case ID_TRAY_PREVIOUS:
        ShowPreviousImage();
        break;
    case ID_TRAY_PAUSE:
        SetPaused(!IsPaused());
        break;
    case ID_TRAY_EXIT:
        ExitProgram();
        break;
    default:
        break;
    }
}

void CMainDlg::closeEvent(QCloseEvent* event) {
    // The close box hides; only "&Exit" (or Enter and Escape, through done)
    // ends the window.
    if (exiting_ || ending_) {
        event->accept();
        return;
    }
    event->ignore();
    HideWindow();
}

void CMainDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && services_->TrayIconShown()) {
        // Minimising hides to the tray instead. Done once the window manager
        // has finished the state change.
        QTimer::singleShot(0, this, [this] {
            setWindowState(windowState() & ~Qt::WindowMinimized);
            HideWindow();
        });
    }
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // A push button with the focus is pressed; anywhere else Enter is OK.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        else
            OnOK();
        return;
    }
    QDialog::keyPressEvent(event);  // Escape: Cancel, the end of the window
}
