#include "app/settings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <iterator>

#include "app/start_at_login.h"
#include "platform/base/paths.h"
#include "platform/base/profile.h"
#include "platform/base/text.h"
#include "shell/ini_values.h"

namespace {

// The settings file's directory may not exist yet when it lives in the
// configuration directory.
void EnsureFileDirectory(const CIniFile& ini) {
    const std::string dir = DirectoryOfPath(ini.GetFileName());
    if (!dir.empty())
        EnsureDirectory(dir);
}

// How a key's text maps to the record.
enum class SettingKind {
    kNumber,    // an int field, written in decimal
    kFlag,      // a bool field, written 1 or 0
    kText,      // a string field, written as it is
    kPosition,  // the Position list's item text, not a field
};

int CheckChangeMethod(int method) {
    return method >= 1 && method <= 4 ? method : 1;
}

// A damaged or hand-edited period must not drive the timer faster (or
// slower) than the window lets the user choose.
int ClampInterval(int seconds) {
    return std::clamp(seconds, kMinTimeInterval, kMaxTimeInterval);
}

int ZeroOrOne(int mode) {
    return mode != 0 ? 1 : 0;
}

// An unknown monitor mode is the first: the same picture everywhere.
int CheckMonitorMode(int mode) {
    return mode >= 0 && mode <= 2 ? mode : 0;
}

// One key of the settings file.
struct SettingKey {
    std::string_view name;
    SettingKind kind;
    // The text a missing key reads as.
    const char* def = "";
    // For folders, a missing key reads as the Windows directory instead.
    bool folder = false;
    int WallpaperSettings::*number = nullptr;
    bool WallpaperSettings::*flag = nullptr;
    std::string WallpaperSettings::*text = nullptr;
    // Brings a number read from the file into the range the window accepts;
    // a save writes the record's value as it is.
    int (*check)(int) = nullptr;
};

using S = WallpaperSettings;

// Every key, in the order a save writes them.
constexpr SettingKey kSettingKeys[] = {
    {.name = "ChangeMethod",
     .kind = SettingKind::kNumber,
     .def = "1",
     .number = &S::ChangeMethod,
     .check = CheckChangeMethod},
    {.name = "TimeInterval",
     .kind = SettingKind::kNumber,
     .def = "10",
     .number = &S::TimeInterval,
     .check = ClampInterval},
    {.name = "EnableTimer", .kind = SettingKind::kFlag, .def = "1", .flag = &S::EnableTimer},
    {.name = "PlayMusic", .kind = SettingKind::kFlag, .def = "0", .flag = &S::PlayMusic},
    {.name = "FitToScreen", .kind = SettingKind::kFlag, .def = "1", .flag = &S::FitToScreen},
    {.name = "ImagePath", .kind = SettingKind::kText, .folder = true, .text = &S::ImagePath},
    {.name = "MusicPath", .kind = SettingKind::kText, .folder = true, .text = &S::MusicPath},
    {.name = "AlwaysOnTop", .kind = SettingKind::kFlag, .def = "0", .flag = &S::AlwaysOnTop},
    {.name = "StartAtLogin", .kind = SettingKind::kFlag, .def = "1", .flag = &S::StartAtLogin},
    {.name = "Hide2TrayIcon", .kind = SettingKind::kFlag, .def = "1", .flag = &S::Hide2TrayIcon},
    {.name = "RandomMode",
     .kind = SettingKind::kNumber,
     .def = "1",
     .number = &S::RandomMode,
     .check = ZeroOrOne},
    {.name = "LaterPaper", .kind = SettingKind::kText, .text = &S::LaterPaper},
    {.name = "PlayMode",
     .kind = SettingKind::kNumber,
     .def = "1",
     .number = &S::PlayMode,
     .check = ZeroOrOne},
    {.name = "Position", .kind = SettingKind::kPosition, .def = "Strech"},
    {.name = "Hotkey", .kind = SettingKind::kNumber, .def = "122", .number = &S::Hotkey},
    {.name = "MonitorMode",
     .kind = SettingKind::kNumber,
     .def = "0",
     .number = &S::MonitorMode,
     .check = CheckMonitorMode},
    {.name = "MatchOrientation",
     .kind = SettingKind::kFlag,
     .def = "1",
     .flag = &S::MatchOrientation},
    {.name = "Paused", .kind = SettingKind::kFlag, .def = "0", .flag = &S::Paused},
};

}  // namespace

int PositionFromText(std::string_view text) {
    // An empty text would begin every item; it stands for nothing chosen.
    if (text.empty())
        return kDefaultPosition;
    for (int i = 0; i < static_cast<int>(std::size(kPositionNames)); ++i) {
        if (platform::StartsWithIgnoreCase(kPositionNames[i], text) ||
            platform::StartsWithIgnoreCase(kPositionLabels[i], text))
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
    int position = kDefaultPosition;
    for (const SettingKey& key : kSettingKeys) {
        const std::string name(key.name);
        switch (key.kind) {
        case SettingKind::kNumber: {
            const int value = ini.GetInt(name, ini_values::LeadingInt(key.def));
            s.*key.number = key.check ? key.check(value) : value;
            break;
        }
        case SettingKind::kFlag:
            s.*key.flag = ini.GetBool(name, ini_values::LeadingInt(key.def) != 0);
            break;
        case SettingKind::kText:
            // Read whole: a path cut at 255 bytes would be saved back cut.
            s.*key.text = ini.GetLongString(name, key.folder ? windowsDir.c_str() : key.def);
            break;
        case SettingKind::kPosition:
            position = PositionFromText(ini.GetLongString(name, key.def));
            break;
        }
    }
    return position;
}

bool SaveSettings(CIniFile& ini, const WallpaperSettings& s, int position) {
    EnsureFileDirectory(ini);
    std::array<std::string, std::size(kSettingKeys)> texts;
    std::array<platform::ProfileEntry, std::size(kSettingKeys)> entries;
    for (std::size_t i = 0; i < std::size(kSettingKeys); ++i) {
        const SettingKey& key = kSettingKeys[i];
        switch (key.kind) {
        case SettingKind::kNumber:
            texts[i] = std::to_string(s.*key.number);
            break;
        case SettingKind::kFlag:
            texts[i] = s.*key.flag ? "1" : "0";
            break;
        case SettingKind::kText:
            texts[i] = s.*key.text;
            break;
        case SettingKind::kPosition:
            texts[i] = PositionText(position);
            break;
        }
        entries[i] = {.key = key.name, .value = texts[i]};
    }
    // One replacement of the file for the whole record: a reader (or a
    // crash) never meets half a save, and the window's thread pays for one
    // flushed write, not one per key.
    const bool written = ini.WriteStrings(entries);
    ApplyStartAtLogin(s.StartAtLogin);
    return written;
}

std::string SaveFailureReason(const std::string& path, int error) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        // The writer leaves these alone by rule, whoever runs it (root too).
        if (!S_ISREG(st.st_mode))
            return "not a regular file";
        if ((st.st_mode & 0222) == 0)
            return "the file is read-only";
    }
    // The write goes to a new file beside it: the folder's state next, as the
    // writer's clean-up may have changed errno since the failure.
    const std::string dir = DirectoryOfPath(path);
    if (!dir.empty() && access(dir.c_str(), W_OK) != 0) {
        if (errno == EROFS)
            return "the file system is read-only";
        if (errno == EACCES)
            return "no permission to write its folder";
    }
    switch (error) {
    case 0:
        return "cannot write the file";
    case ENOSPC:
        return "no space left on the disk";
    case EROFS:
        return "the file system is read-only";
    case EACCES:
    case EPERM:
        return "no permission to write it";
    default:
        return std::strerror(error);
    }
}

bool SaveLaterPaper(CIniFile& ini, const std::string& picture) {
    EnsureFileDirectory(ini);
    return ini.WriteString("LaterPaper", picture);
}
