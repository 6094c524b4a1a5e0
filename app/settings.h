#pragma once

// The settings record and its keys in the settings file.
//
// The main window holds one WallpaperSettings, shows it in its controls and
// reads it back from them. LoadSettings and SaveSettings here are the file
// half of the window's own load and save: the window calls them with its
// record and store, and does the rest (showing, timers, lists) itself.

#include <iterator>
#include <string>
#include <string_view>

#include "shell/ini_file.h"

// Fields are named as their keys; the values are those a record has before
// the first load.
struct WallpaperSettings {
    std::string ImagePath;
    std::string SelectedImage;  // the image list's selection, not stored
    bool FitToScreen = true;
    int TimeInterval = 300;
    bool EnableTimer = true;
    int Hotkey = 122;  // F11 without modifiers
    bool AlwaysOnTop = false;
    bool StartAtLogin = true;
    int RandomMode = 1;
    bool PlayMusic = false;
    std::string MusicPath;
    int PlayMode = 1;
    bool Hide2TrayIcon = true;
    int ChangeMethod = 1;
    std::string LaterPaper;
    // 0 the same picture on every monitor, 1 a different one on each, 2 one
    // across all (wallpaper::MonitorMode).
    int MonitorMode = 0;
    // With a picture per monitor: portrait monitors take portrait pictures.
    bool MatchOrientation = true;
    // Automatic changes held ("Pause" in the tray, --pause): the timer stays
    // stopped until resumed, across restarts too.
    bool Paused = false;
};

// The auto-change period the window accepts, in seconds.
inline constexpr int kMinTimeInterval = 5;
inline constexpr int kMaxTimeInterval = 600;

// The Position key's values, in the list's order; the index is the
// wallpaper position (0 centred, 1 tiled, 2 stretched). Settings files have
// always stored "Strech", so that spelling stays the stored one.
inline constexpr std::string_view kPositionNames[] = {"Center", "Tile", "Strech"};
// The same items as the window's list shows them.
inline constexpr std::string_view kPositionLabels[] = {"Center", "Tile", "Stretch"};
static_assert(std::size(kPositionNames) == std::size(kPositionLabels));
inline constexpr int kDefaultPosition = 2;

// The first item whose stored name or label begins with `text`, letter case
// ignored; kDefaultPosition when none does or the text is empty.
int PositionFromText(std::string_view text);
// The item's stored name; that of kDefaultPosition for an index outside the list.
std::string_view PositionText(int position);

// The section every setting lives in.
inline constexpr const char* kSettingsSection = "Setting";

// Points the store at the settings file and its section.
void OpenSettingsFile(CIniFile& ini, const std::string& path);

// Both work from one table of the keys (name, default, check), in the order
// a save writes them.

// Reads every key into `settings`, each missing key taking its default and
// each value brought into its range, and returns the position the stored
// Position text selects.
int LoadSettings(CIniFile& ini, WallpaperSettings& settings);

// Writes every key as one atomic replacement of the file (creating the file
// and its directory when missing; a read-only file stays as it is) and
// brings start at login in line with the record. Whether the file holds the
// record now.
bool SaveSettings(CIniFile& ini, const WallpaperSettings& settings, int position);

// Why a save of the settings file at `path` failed, for the user: the file
// read-only or not a file, else from `error` (errno at the failure).
std::string SaveFailureReason(const std::string& path, int error);

// The wallpaper job's one write: the picture a change was started for.
bool SaveLaterPaper(CIniFile& ini, const std::string& picture);
