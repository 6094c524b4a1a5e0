// The window's side of the settings: the load that brings every setting
// into effect, and the save with the hotkey.

#include <QComboBox>
#include <QSignalBlocker>

#include <cerrno>
#include <cstdio>

#include "app/main_dialog.h"
#include "app/main_dialog_controls.h"
#include "app/main_dialog_services.h"
#include "app/settings_file.h"
#include "app/start_at_login.h"
#include "platform/qt/messages.h"

void CMainDlg::LoadSettings() {
    const CActionScope action(*this);
    OpenSettingsFile(ini_,
                     options_.settingsFile.empty() ? GetSettingsFilePath() : options_.settingsFile);
    const int position = ::LoadSettings(ini_, settings_);
    LoadRotationState();
    services_->ShowPaused(settings_.Paused);
    services_->Player().SetPlayMode(settings_.PlayMode);
    ShowSettings();
    if (settings_.Hide2TrayIcon)
        hideTimer_.start(kHideDelay);
    ApplyStartAtLogin(settings_.StartAtLogin);
    {
        const QSignalBlocker blocker(position_);
        position_->setCurrentIndex(position);
    }
    // The field shows the stored hotkey even when it cannot be registered
    // now (another program holds it, or the session offers no global keys):
    // an empty field would make the next save erase the user's choice.
    RegisterGlobalHotkey(static_cast<std::uint16_t>(settings_.Hotkey));
    hotkey_->SetHotKey(static_cast<std::uint16_t>(settings_.Hotkey));
    RefreshImageList();
    ScanMusicDirectory(settings_.MusicPath);
    if (settings_.PlayMusic && musicList_.empty()) {
        platform::ShowMessage("No any music file in this directory");
    } else {
        services_->Player().SetPlaylist(musicList_);
        if (settings_.PlayMusic)
            StartMusic();
    }
    ApplyAlwaysOnTop();
    // Ends with a save: every key is written at every start.
    ApplyTimerSettings();
}

void CMainDlg::SaveSettings() {
    ReadDialog();
    settings_.Hotkey = hotkey_->GetHotKey();
    errno = 0;
    const bool saved = ::SaveSettings(ini_, settings_, PositionIndex());
    ReportSaveFailure(saved ? std::string() : SaveFailureReason(ini_.GetFileName(), errno));
    UnregisterGlobalHotkey();
    RegisterGlobalHotkey(static_cast<std::uint16_t>(settings_.Hotkey));
}

void CMainDlg::ReportSaveFailure(const std::string& why) {
    // Every action saves: one word per run of the same failure, not one
    // per click or tick.
    if (why == saveFailureTold_)
        return;
    const bool wasTold = !saveFailureTold_.empty();
    saveFailureTold_ = why;
    if (why.empty()) {
        if (wasTold)
            ShowUnreadablePicture({});
        return;
    }
    std::fprintf(stderr, "drapewell: cannot save the settings to %s: %s\n",
                 ini_.GetFileName().c_str(), why.c_str());
    ShowUnreadablePicture({});  // the note of the failed save
}

void CMainDlg::ApplyStartAtLogin(bool on) {
    ReadDialog();
    ::ApplyStartAtLogin(on);
}

int CMainDlg::PositionIndex() const {
    const int index = position_->currentIndex();
    return index < 0 ? kDefaultPosition : index;
}
