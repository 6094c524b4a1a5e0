// The settings record loaded from an arbitrary settings file: every loaded
// value is one the window accepts, and a save followed by a load gives the
// same record back (the save writes every key in one replacement).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/settings.h"
#include "fuzz/scratch_dir.h"

namespace {

bool InRange(int value, int low, int high) {
    return value >= low && value <= high;
}

void CheckLoaded(const WallpaperSettings& s, int position) {
    if (!InRange(s.ChangeMethod, 1, 4) ||
        !InRange(s.TimeInterval, kMinTimeInterval, kMaxTimeInterval) ||
        !InRange(s.RandomMode, 0, 1) || !InRange(s.PlayMode, 0, 1) ||
        !InRange(s.MonitorMode, 0, 2) || !InRange(position, 0, 2))
        fuzz::Broken("a loaded value is outside the range the window accepts");
}

// What the writer refuses to put in a line: a NUL, and a carriage return
// or line feed (a lone carriage return inside a line reads back as text).
bool Unwritable(const std::string& text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
}

bool SameRecord(const WallpaperSettings& a, const WallpaperSettings& b) {
    return a.ImagePath == b.ImagePath && a.FitToScreen == b.FitToScreen &&
           a.TimeInterval == b.TimeInterval && a.EnableTimer == b.EnableTimer &&
           a.Hotkey == b.Hotkey && a.AlwaysOnTop == b.AlwaysOnTop &&
           a.StartAtLogin == b.StartAtLogin && a.RandomMode == b.RandomMode &&
           a.PlayMusic == b.PlayMusic && a.MusicPath == b.MusicPath && a.PlayMode == b.PlayMode &&
           a.Hide2TrayIcon == b.Hide2TrayIcon && a.ChangeMethod == b.ChangeMethod &&
           a.LaterPaper == b.LaterPaper && a.MonitorMode == b.MonitorMode &&
           a.MatchOrientation == b.MatchOrientation && a.Paused == b.Paused;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::ScratchDirectory() + "Drapewell.ini";
    fuzz::WriteWholeFile(path, {reinterpret_cast<const char*>(data), size});

    CIniFile ini;
    OpenSettingsFile(ini, path);
    WallpaperSettings loaded;
    const int position = LoadSettings(ini, loaded);
    CheckLoaded(loaded, position);

    // Such a text is kept as the file has it, and the save says it did not
    // store everything.
    const bool storable = !Unwritable(loaded.ImagePath) && !Unwritable(loaded.MusicPath) &&
                          !Unwritable(loaded.LaterPaper);
    if (SaveSettings(ini, loaded, position) != storable)
        fuzz::Broken("a save of a loaded record failed");
    WallpaperSettings reloaded;
    const int positionAgain = LoadSettings(ini, reloaded);
    if (!SameRecord(loaded, reloaded) || position != positionAgain)
        fuzz::Broken("a saved record does not load back the same");
    return 0;
}
