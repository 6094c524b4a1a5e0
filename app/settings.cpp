#include "app/settings.h"

#include <algorithm>

#include "app/start_at_login.h"
#include "platform/base/paths.h"
#include "platform/base/text.h"

namespace {

// The settings file's directory may not exist yet when it lives in the
// configuration directory.
void EnsureFileDirectory(const CIniFile& ini) {
    const std::string dir = DirectoryOfPath(ini.GetFileName());
    if (!dir.empty())
        EnsureDirectory(dir);
}

}  // namespace

int PositionFromText(std::string_view text) {
    // An empty text would begin every item; it stands for nothing chosen.
    if (text.empty())
        return kDefaultPosition;
    for (int i = 0; i < static_cast<int>(std::size(kPositionNames)); ++i) {
        if (platform::StartsWithIgnoreCase(kPositionNames[i], text))
            return i;
    }
    return kDefaultPosition;
}

std::string_view PositionText(int position) {
    if (position < 0 || position >= static_cast<int>(std::size(kPositionNames)))
        position = kDefaultPosition;
    return kPositionNames[position];
}

void OpenSettingsFile(CIniFile& ini, const std::string& path) {
    ini.SetFileName(path);
    ini.SetSection(kSettingsSection);
}

int LoadSettings(CIniFile& ini, WallpaperSettings& s) {
    const std::string windowsDir = GetWindowsDirectoryPath();

    s.ChangeMethod = ini.GetInt("ChangeMethod", 1);
    if (s.ChangeMethod < 1 || s.ChangeMethod > 4)
        s.ChangeMethod = 1;
    s.StartAtLogin = ini.GetInt("StartAtLogin", 1) != 0;
    // A damaged or hand-edited period must not drive the timer faster (or
    // slower) than the window lets the user choose.
    s.TimeInterval = std::clamp(ini.GetInt("TimeInterval", 10), kMinTimeInterval, kMaxTimeInterval);
    s.RandomMode = ini.GetInt("RandomMode", 1) != 0 ? 1 : 0;
    s.AlwaysOnTop = ini.GetInt("AlwaysOnTop", 0) != 0;
    s.Hide2TrayIcon = ini.GetBool("Hide2TrayIcon", true);
    s.EnableTimer = ini.GetBool("EnableTimer", true);
    s.PlayMusic = ini.GetBool("PlayMusic", false);
    s.FitToScreen = ini.GetBool("FitToScreen", true);
    // Paths are read whole: one cut at 255 bytes would be saved back cut.
    s.ImagePath = ini.GetLongString("ImagePath", windowsDir.c_str());
    s.LaterPaper = ini.GetLongString("LaterPaper");
    s.Hotkey = ini.GetInt("Hotkey", 122);
    const std::string position = ini.GetLongString("Position", "Strech");
    s.MusicPath = ini.GetLongString("MusicPath", windowsDir.c_str());
    s.PlayMode = ini.GetInt("PlayMode", 1) != 0 ? 1 : 0;
    return PositionFromText(position);
}

void SaveSettings(CIniFile& ini, const WallpaperSettings& s, int position) {
    EnsureFileDirectory(ini);
    ini.WriteInt("ChangeMethod", s.ChangeMethod);
    ini.WriteInt("TimeInterval", s.TimeInterval);
    ini.WriteBool("EnableTimer", s.EnableTimer);
    ini.WriteBool("PlayMusic", s.PlayMusic);
    ini.WriteBool("FitToScreen", s.FitToScreen);
    ini.WriteString("ImagePath", s.ImagePath);
    ini.WriteString("MusicPath", s.MusicPath);
    ini.WriteBool("AlwaysOnTop", s.AlwaysOnTop);
    ini.WriteBool("StartAtLogin", s.StartAtLogin);
    ini.WriteBool("Hide2TrayIcon", s.Hide2TrayIcon);
    ini.WriteInt("RandomMode", s.RandomMode);
    ini.WriteString("LaterPaper", s.LaterPaper);
    ini.WriteInt("PlayMode", s.PlayMode);
    ini.WriteString("Position", PositionText(position));
    ApplyStartAtLogin(s.StartAtLogin);
    ini.WriteInt("Hotkey", s.Hotkey);
}

bool SaveLaterPaper(CIniFile& ini, const std::string& picture) {
    EnsureFileDirectory(ini);
    return ini.WriteString("LaterPaper", picture);
}
