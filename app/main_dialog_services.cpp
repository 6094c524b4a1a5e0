#include "app/main_dialog_services.h"

#include <QAction>
#include <QLabel>  // shell/hyperlink.h needs the whole class
#include <QMenu>

#include "app/app_icon.h"
#include "app/main_dialog.h"
#include "platform/hotkey/hotkey.h"
#include "shell/about_box.h"
#include "shell/tray_icon.h"
#include "shell/tray_menu.h"

CMainDlgServices::CMainDlgServices(CMainDlg& dialog, const MainDlgOptions& options)
    : dialog_(dialog),
      useTray_(options.useTrayIcon),
      tray_(std::make_unique<shell::CTrayIcon>()),
      glue_(player_, [this](const std::string& text) { SetTooltipText(text); }) {
    if (options.useGlobalHotkey)
        hotkey_ = std::make_unique<hotkey::CHotkey>([&dialog] { dialog.ShowNextImage(); }, &dialog);
    // The end of a song reaches the window on its own thread.
    CMusicPlayer::SetNotifyHandler([this](int flag) { glue_.OnMusicNotify(flag); });
}

CMainDlgServices::~CMainDlgServices() {
    CMusicPlayer::SetNotifyHandler({});
    CMusicPlayer::Stop();
    hotkey_.reset();  // before the window it delivers to
}

void CMainDlgServices::CreateTrayIcon(const std::string& tooltip) {
    if (!useTray_)
        return;
    tray_->SetCommandHandler(
        [this](unsigned command) { dialog_.OnCommand(static_cast<int>(command)); });
    tray_->Create(&dialog_, shell::kTrayCallbackMessage, tooltip, MainIcon(), shell::kTrayIconId);
}

bool CMainDlgServices::TrayIconShown() const {
    return useTray_ && tray_ && tray_->IsInTray();
}

void CMainDlgServices::SetTooltipText(const std::string& text) {
    tooltip_ = text;
    tray_->SetTooltipText(paused_ ? text + " (wallpaper paused)" : text);
}

void CMainDlgServices::ShowPaused(bool paused) {
    paused_ = paused;
    SetTooltipText(tooltip_);
    if (QMenu* menu = tray_->GetMenu(); menu && !menu->actions().isEmpty()) {
        if (QMenu* popup = menu->actions().first()->menu()) {
            for (QAction* action : popup->actions()) {
                if (shell::CommandOf(action) == shell::ID_TRAY_PAUSE)
                    action->setText(paused ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
            }
        }
    }
}

bool CMainDlgServices::RegisterHotkey(std::uint16_t value) {
    return hotkey_ && hotkey_->Register(value);
}

void CMainDlgServices::UnregisterHotkey() {
    if (hotkey_)
        hotkey_->Unregister();
}

void CMainDlgServices::RunAboutBox() {
    // Shown without a loop of its own and without blocking the tray; a
    // second click brings the open one forward.
    if (!about_) {
        about_ = new CAboutBox(&dialog_);
        about_->setAttribute(Qt::WA_DeleteOnClose);
        about_->setModal(false);
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
}
