#pragma once

// The window's companions: the tray icon, the global hotkey, the music
// player with its glue, and the About box. The tray icon and the hotkey are
// optional (tests go without them; a session without a status area has no
// icon), and the window calls them the same way whether they are there or
// not.

#include <QPointer>

#include <cstdint>
#include <memory>
#include <string>

#include "shell/music_glue.h"
#include "shell/music_player.h"

class CAboutBox;
class CMainDlg;
struct MainDlgOptions;
namespace shell {
class CTrayIcon;
}
namespace hotkey {
class CHotkey;
}

class CMainDlgServices {
public:
    CMainDlgServices(CMainDlg& dialog, const MainDlgOptions& options);
    ~CMainDlgServices();
    CMainDlgServices(const CMainDlgServices&) = delete;
    CMainDlgServices& operator=(const CMainDlgServices&) = delete;

    // Adds the tray icon for the window, its commands going to OnCommand.
    void CreateTrayIcon(const std::string& tooltip);
    // The tooltip says so while the automatic changes are paused.
    void SetTooltipText(const std::string& text);
    // The pause in the tray: the tooltip, and "&Pause" turned "&Resume".
    void ShowPaused(bool paused);
    shell::CTrayIcon& Tray() { return *tray_; }
    // Whether hiding the window leaves the user a tray icon to bring it back.
    bool TrayIconShown() const;

    // The global hotkey in the stored form; true when the desktop took it.
    bool RegisterHotkey(std::uint16_t value);
    void UnregisterHotkey();

    CMusicPlayer& Player() { return player_; }
    CMusicGlue& Music() { return glue_; }

    void RunAboutBox();

private:
    CMainDlg& dialog_;
    bool useTray_;
    std::unique_ptr<shell::CTrayIcon> tray_;
    std::unique_ptr<hotkey::CHotkey> hotkey_;  // null when the window goes without
    CMusicPlayer player_;
    CMusicGlue glue_;
    QPointer<CAboutBox> about_;  // the open About box, if any
    std::string tooltip_;        // as last set, without the pause's note
    bool paused_ = false;
};
