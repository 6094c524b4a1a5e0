// The settings record against its file: the first start, the checks at
// load, the file's place and start at login following the record.

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

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

// Counts the files renamed onto one name in a folder: each atomic
// replacement of a file is one such rename.
class ReplacementCounter {
public:
    ReplacementCounter(const fs::path& dir, std::string name)
        : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), name_(std::move(name)) {
        inotify_add_watch(fd_, dir.c_str(), IN_MOVED_TO);
    }
    ~ReplacementCounter() { close(fd_); }
    ReplacementCounter(const ReplacementCounter&) = delete;
    ReplacementCounter& operator=(const ReplacementCounter&) = delete;

    // The renames since the last call.
    int Take() {
        int count = 0;
        alignas(inotify_event) char buffer[4096];
        ssize_t n;
        while ((n = read(fd_, buffer, sizeof buffer)) > 0) {
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                count += event->len > 0 && name_ == event->name;
                p += sizeof(inotify_event) + event->len;
            }
        }
        return count;
    }

private:
    int fd_;
    std::string name_;
};

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
                  "Hotkey=122\n"
                  "MonitorMode=0\n"
                  "MatchOrientation=1\n"
                  "Paused=0\n");
    EXPECT_NE(Read(Autostart()).find("Exec=" + GetModulePath() + "\n"), std::string::npos);
}

// The keys one at a time, as every save wrote them before: the reference a
// save's file is held to.
void SaveKeyByKey(CIniFile& ini, const WallpaperSettings& s, int position) {
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
    ini.WriteInt("Hotkey", s.Hotkey);
    ini.WriteInt("MonitorMode", s.MonitorMode);
    ini.WriteBool("MatchOrientation", s.MatchOrientation);
    ini.WriteBool("Paused", s.Paused);
}

TEST_F(SettingsTest, ASaveKeepsEveryOtherLineAndMatchesKeyByKeyWrites) {
    const std::string original =
        "; kept comment\r\n"
        "[Other]\r\n"
        "Unknown=1\r\n"
        "\r\n"
        "[setting]\r\n"
        "  hotkey = 7 \r\n"
        "Custom=mine\r\n"
        "ImagePath=\"/pics/\"\r\n"
        "; note about the next key\r\n"
        "TimeInterval=900\r\n"
        "\r\n"
        "[Later]\r\n"
        "X=y\r\n";
    const std::string reference = (dir_ / "reference.ini").string();
    std::ofstream(path_, std::ios::binary) << original;
    std::ofstream(reference, std::ios::binary) << original;
    const int position = LoadSettings(ini_, settings_);
    EXPECT_EQ(settings_.TimeInterval, 600);
    EXPECT_EQ(settings_.Hotkey, 7);
    settings_.MusicPath = " spaced ";
    ASSERT_TRUE(SaveSettings(ini_, settings_, position));
    CIniFile keyByKey;
    OpenSettingsFile(keyByKey, reference);
    SaveKeyByKey(keyByKey, settings_, position);
    EXPECT_EQ(Read(path_), Read(reference));
    const std::string saved = Read(path_);
    for (const char* kept : {"; kept comment\r\n", "Unknown=1\r\n", "Custom=mine\r\n",
                             "; note about the next key\r\n", "[Later]\r\nX=y\r\n"})
        EXPECT_NE(saved.find(kept), std::string::npos) << kept;
    EXPECT_NE(saved.find("hotkey=7\r\nCustom=mine"), std::string::npos) << "replaced in place";
    EXPECT_EQ(ini_.GetLongString("MusicPath"), " spaced ");
}

TEST_F(SettingsTest, ASaveIsOneReplacementOfTheFile) {
    ReplacementCounter replacements(dir_, "Drapewell.ini");
    Start();
    EXPECT_EQ(replacements.Take(), 1) << "the first save";
    settings_.LaterPaper = "/p/b.jpg";
    settings_.TimeInterval = 60;
    ASSERT_TRUE(SaveSettings(ini_, settings_, 1));
    EXPECT_EQ(replacements.Take(), 1) << "a save that changes keys";
    ASSERT_TRUE(SaveSettings(ini_, settings_, 1));
    EXPECT_EQ(replacements.Take(), 0) << "a save that changes nothing";
    ASSERT_TRUE(SaveLaterPaper(ini_, "/p/c.jpg"));
    EXPECT_EQ(replacements.Take(), 1);
    EXPECT_EQ(ini_.GetString("TimeInterval"), "60");
    EXPECT_EQ(ini_.GetString("Position"), "Tile");
}

// A save that cannot finish (here the file size limit stops the new file's
// bytes, which holds for root as well) leaves the old file whole: never
// some keys new and others old.
TEST_F(SettingsTest, AFailedSaveLeavesTheOldFileByteForByte) {
    Start();
    const std::string before = Read(path_);
    settings_.ImagePath = "/" + std::string(500, 'p') + "/";
    settings_.ChangeMethod = 3;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{.rlim_cur = 64, .rlim_max = 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(SaveSettings(ini_, settings_, 0) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "reported as failed";
    EXPECT_EQ(Read(path_), before);
    for (const auto& entry : fs::directory_iterator(dir_)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(!name.starts_with(".Drapewell.ini.") || name == ".Drapewell.ini.lock")
            << "temporary left behind: " << name;
    }
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

TEST_F(SettingsTest, MonitorModeAndOrientationMatchingAreReadInRange) {
    for (const auto& [stored, mode] :
         {std::pair{"1", 1}, {"2", 2}, {"3", 0}, {"-1", 0}, {"x", 0}, {"", 0}}) {
        StoreSetting("MonitorMode", stored);
        LoadSettings(ini_, settings_);
        EXPECT_EQ(settings_.MonitorMode, mode) << stored;
    }
    StoreSetting("MonitorMode", "2");
    StoreSetting("MatchOrientation", "0");
    const int position = LoadSettings(ini_, settings_);
    EXPECT_FALSE(settings_.MatchOrientation);
    ASSERT_TRUE(SaveSettings(ini_, settings_, position));
    EXPECT_EQ(ini_.GetString("MonitorMode"), "2");
    EXPECT_EQ(ini_.GetString("MatchOrientation"), "0");
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

TEST_F(SettingsTest, PositionReadsBothSpellingsAndStoresTheOldOne) {
    // The window shows "Stretch"; files hold "Strech", and either is read.
    for (const char* stored : {"Strech", "Stretch", "stretch", "STRECH"}) {
        StoreSetting("Position", stored);
        const int position = LoadSettings(ini_, settings_);
        EXPECT_EQ(position, 2) << stored;
        EXPECT_EQ(kPositionLabels[position], "Stretch");
        ASSERT_TRUE(SaveSettings(ini_, settings_, position));
        EXPECT_EQ(ini_.GetString("Position"), "Strech") << stored;
    }
    StoreSetting("Position", "Tile");
    EXPECT_EQ(LoadSettings(ini_, settings_), 1);
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
    const int position = LoadSettings(ini_, settings_);
    EXPECT_FALSE(SaveSettings(ini_, settings_, position));
    EXPECT_EQ(settings_.TimeInterval, 42) << "still read";
    EXPECT_EQ(Read(path_), before);
}

TEST_F(SettingsTest, AFailedSaveSaysWhyInTheUsersWords) {
    // The file's own state comes first: errno then says nothing useful.
    StoreSetting("TimeInterval", "42");
    chmod(path_.c_str(), 0444);
    EXPECT_EQ(SaveFailureReason(path_, 0), "the file is read-only");
    EXPECT_EQ(SaveFailureReason(path_, ENOSPC), "the file is read-only");
    chmod(path_.c_str(), 0644);
    EXPECT_EQ(SaveFailureReason(dir_.string(), EISDIR), "not a regular file");
    const std::string missing = (dir_ / "none.ini").string();
    EXPECT_EQ(SaveFailureReason(path_, ENOSPC), "no space left on the disk");
    EXPECT_EQ(SaveFailureReason(missing, EROFS), "the file system is read-only");
    EXPECT_EQ(SaveFailureReason(missing, EACCES), "no permission to write it");
    EXPECT_EQ(SaveFailureReason(missing, 0), "cannot write the file");
    EXPECT_FALSE(SaveFailureReason(missing, EIO).empty());
    // A folder that may not be written, whatever errno says by then (root
    // may write any folder, so only where the mode counts).
    if (geteuid() != 0) {
        chmod(dir_.c_str(), 0555);
        EXPECT_EQ(SaveFailureReason(missing, ENOENT), "no permission to write its folder");
        chmod(dir_.c_str(), 0755);
    }
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
