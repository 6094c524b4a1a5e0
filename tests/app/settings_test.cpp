// The settings record against its file: the first start, the checks at
// load, the file's place and start at login following the record.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/settings.h"
#include "app/settings_file.h"
#include "app/start_at_login.h"
#include "platform/base/paths.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "drapewell-settings-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
        path_ = (dir_ / "Drapewell.ini").string();
        OpenSettingsFile(ini_, path_);
    }
    void TearDown() override {
        chmod(path_.c_str(), 0644);
        chmod(dir_.c_str(), 0755);
        fs::remove_all(dir_);
    }

    void StoreSetting(const char* key, const char* value) {
        ASSERT_TRUE(ini_.WriteString(key, value));
    }
    // One start: load, then the save every start ends with.
    int Start() {
        const int position = LoadSettings(ini_, settings_);
        SaveSettings(ini_, settings_, position);
        return position;
    }
    fs::path Autostart() const { return dir_ / "config/autostart/Drapewell.desktop"; }

    fs::path dir_;
    std::string path_;
    CIniFile ini_;
    WallpaperSettings settings_;
};

TEST_F(SettingsTest, FirstStartWritesEveryKeyWithItsDefault) {
    EXPECT_EQ(Start(), 2);
    const std::string windows = (dir_ / "data/Drapewell/").string();
    EXPECT_EQ(Read(path_),
              "[Setting]\n"
              "ChangeMethod=1\n"
              "TimeInterval=10\n"
              "EnableTimer=1\n"
              "PlayMusic=0\n"
              "FitToScreen=1\n"
              "ImagePath=" +
                  windows +
                  "\n"
                  "MusicPath=" +
                  windows +
                  "\n"
                  "AlwaysOnTop=0\n"
                  "StartAtLogin=1\n"
                  "Hide2TrayIcon=1\n"
                  "RandomMode=1\n"
                  "LaterPaper=\n"
                  "PlayMode=1\n"
                  "Position=Strech\n"
                  "Hotkey=122\n");
    EXPECT_NE(Read(Autostart()).find("Exec=" + GetModulePath() + "\n"), std::string::npos);
}

TEST_F(SettingsTest, LoadBringsEveryValueIntoItsRange) {
    struct Case {
        const char* stored;
        int changeMethod, interval, mode;
    };
    for (const Case& c :
         {Case{"0", 1, 5, 0}, Case{"5", 1, 5, 1}, Case{"-1", 1, 5, 1}, Case{"4", 4, 5, 1},
          Case{"abc", 1, 5, 0}, Case{"7", 1, 7, 1}, Case{"601", 1, 600, 1}, Case{"", 1, 5, 0}}) {
        StoreSetting("ChangeMethod", c.stored);
        StoreSetting("TimeInterval", c.stored);
        StoreSetting("RandomMode", c.stored);
        StoreSetting("PlayMode", c.stored);
        LoadSettings(ini_, settings_);
        EXPECT_EQ(settings_.ChangeMethod, c.changeMethod) << c.stored;
        EXPECT_EQ(settings_.TimeInterval, c.interval) << c.stored;
        EXPECT_EQ(settings_.RandomMode, c.mode) << c.stored;
        EXPECT_EQ(settings_.PlayMode, c.mode) << c.stored;
    }
    StoreSetting("RandomMode", "7");
    Start();
    EXPECT_EQ(ini_.GetString("RandomMode"), "1") << "saved back checked";
}

TEST_F(SettingsTest, PositionTextSelectsByPrefix) {
    for (const auto& [stored, position] : {std::pair{"tile", 1},
                                           {"Str", 2},
                                           {"Middle", 2},
                                           {"c", 0},
                                           {"CENTER", 0},
                                           {"", 2},
                                           {"Tiles", 2}}) {
        StoreSetting("Position", stored);
        EXPECT_EQ(LoadSettings(ini_, settings_), position) << stored;
    }
    EXPECT_EQ(PositionText(1), "Tile");
    EXPECT_EQ(PositionText(7), "Strech");
}

TEST_F(SettingsTest, PathsLongerThan255BytesSurviveAStart) {
    const std::string deep = "/" + std::string(300, 'd') + "/pictures/";
    StoreSetting("ImagePath", deep.c_str());
    StoreSetting("LaterPaper", (deep + "a.jpg").c_str());
    Start();
    EXPECT_EQ(settings_.ImagePath, deep);
    EXPECT_EQ(ini_.GetLongString("ImagePath"), deep);
    EXPECT_EQ(ini_.GetLongString("LaterPaper"), deep + "a.jpg");
}

TEST_F(SettingsTest, StartAtLoginFollowsEverySave) {
    Start();
    ASSERT_TRUE(fs::exists(Autostart()));
    settings_.StartAtLogin = false;
    SaveSettings(ini_, settings_, 0);
    EXPECT_FALSE(fs::exists(Autostart()));
    EXPECT_EQ(ini_.GetString("StartAtLogin"), "0");
    EXPECT_EQ(ini_.GetString("Position"), "Center");
    ApplyStartAtLogin(true);
    EXPECT_TRUE(fs::exists(Autostart()));
    // Nowhere to write: nothing changes and nothing is reported.
    setenv("XDG_CONFIG_HOME", (dir_ / "Drapewell.ini").c_str(), 1);
    ApplyStartAtLogin(true);
    ApplyStartAtLogin(false);
    EXPECT_EQ(AutostartFileFor("/c/"), "/c/autostart/Drapewell.desktop");
}

TEST_F(SettingsTest, AReadOnlySettingsFileIsLeftAlone) {
    StoreSetting("TimeInterval", "42");
    chmod(path_.c_str(), 0444);
    const std::string before = Read(path_);
    Start();
    EXPECT_EQ(settings_.TimeInterval, 42) << "still read";
    EXPECT_EQ(Read(path_), before);
}

TEST_F(SettingsTest, TheFileLivesBesideTheProgramOrInTheConfigDirectory) {
    const std::string module = dir_.string() + "/";
    const std::string config = (dir_ / "config").string() + "/";
    const std::string fallback = config + "Drapewell/Drapewell.ini";
    EXPECT_EQ(SettingsFilePathFor(module, config), module + "Drapewell.ini");
    StoreSetting("Hotkey", "0");
    chmod(dir_.c_str(), 0555);
    EXPECT_EQ(SettingsFilePathFor(module, config), module + "Drapewell.ini") << "already there";
    fs::remove(path_);
    EXPECT_EQ(SettingsFilePathFor(module, config), fallback);
    chmod(dir_.c_str(), 0755);
    EXPECT_EQ(SettingsFilePathFor("", config), fallback);
    EXPECT_EQ(SettingsFilePathFor("", ""), "");
    // A system-wide install keeps settings per user, even for root.
    EXPECT_EQ(SettingsFilePathFor("/usr/bin/", config), fallback);
    EXPECT_EQ(SettingsFilePathFor("/usr/local/bin/", config), fallback);
    EXPECT_EQ(GetSettingsFilePath(), GetModuleDirectory() + "Drapewell.ini");

    // The first save there creates the file with its directory.
    CIniFile store;
    OpenSettingsFile(store, fallback);
    WallpaperSettings settings;
    SaveSettings(store, settings, 2);
    EXPECT_EQ(store.GetInt("Hotkey", 0), 122);
    EXPECT_TRUE(SaveLaterPaper(store, "/p/a.jpg"));
    EXPECT_EQ(store.GetString("LaterPaper"), "/p/a.jpg");
}

}  // namespace
