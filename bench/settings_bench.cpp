// The window's settings save: a first save into an empty folder and a
// re-save of a file that holds every key, each timed whole (file writes,
// flushes and renames included) on the disk holding the folder given as the
// first argument (the system's temporary folder by default). Prints the
// median and the worst of several rounds. The save is the file half only:
// start at login is switched off in the record and its desktop entry is
// written under a private configuration folder.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/settings.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 25;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void Report(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::printf("%-12s median %7.2f ms   worst %7.2f ms   (%zu rounds)\n", what,
                times[times.size() / 2], times.back(), times.size());
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    std::string pattern = (base / "drapewell-bench-settings-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = pattern;
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);

    WallpaperSettings settings;
    settings.StartAtLogin = false;
    settings.ImagePath = "/home/user/Pictures/Wallpapers/";
    settings.MusicPath = "/home/user/Music/";
    settings.LaterPaper = "/home/user/Pictures/Wallpapers/mountain lake at dawn.jpg";

    std::vector<double> first;
    std::vector<double> again;
    for (int round = 0; round < kRounds; ++round) {
        const fs::path folder = dir / ("round" + std::to_string(round));
        fs::create_directories(folder);
        CIniFile ini;
        OpenSettingsFile(ini, (folder / "Drapewell.ini").string());
        Clock::time_point start = Clock::now();
        SaveSettings(ini, settings, 2);
        first.push_back(Milliseconds(Clock::now() - start));
        // A re-save as the window does it after a change: one value differs.
        settings.LaterPaper += "x";
        start = Clock::now();
        SaveSettings(ini, settings, 2);
        again.push_back(Milliseconds(Clock::now() - start));
    }
    std::printf("settings save on %s\n", base.c_str());
    Report("first save", first);
    Report("re-save", again);
    fs::remove_all(dir);
    return 0;
}
