#include "platform/desktop/wayland_tools.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/desktop/child_process.h"
#include "platform/desktop/setters.h"

namespace desktop {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text, fs::perms mode = fs::perms(0644)) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    fs::permissions(path, mode);
}

bool Alive(pid_t pid) {
    return ::kill(pid, 0) == 0;
}

// A scratch directory, readable by the user a compositor runs as.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "drapewell-wl.XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
        fs::permissions(path_, fs::perms(0755));
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

// Sets environment variables for one test and restores them after it.
class EnvGuard {
public:
    explicit EnvGuard(std::vector<std::string> names) {
        for (const std::string& name : names) {
            const char* value = std::getenv(name.c_str());
            saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
            ::unsetenv(name.c_str());
        }
    }
    ~EnvGuard() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST(DetectCompositor, FollowsTheSessionsEnvironment) {
    EnvGuard guard({"HYPRLAND_INSTANCE_SIGNATURE", "SWAYSOCK", "WAYLAND_DISPLAY",
                    "XDG_CURRENT_DESKTOP", "XDG_RUNTIME_DIR"});
    EXPECT_EQ(DetectCompositor(), Compositor::kNone);
    EXPECT_EQ(MakeCompositorSetter(), nullptr);

    ::setenv("XDG_CURRENT_DESKTOP", "sway", 1);  // but no Wayland display
    EXPECT_EQ(DetectCompositor(), Compositor::kNone);
    ::setenv("WAYLAND_DISPLAY", "wayland-1", 1);
    ::setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);
    EXPECT_EQ(DetectCompositor(), Compositor::kNone);
    ::setenv("XDG_CURRENT_DESKTOP", "river:wlroots", 1);
    EXPECT_EQ(DetectCompositor(), Compositor::kWlroots);
    ::setenv("XDG_CURRENT_DESKTOP", "SWAY", 1);
    EXPECT_EQ(DetectCompositor(), Compositor::kWlroots);
    auto setter = MakeCompositorSetter();
    ASSERT_NE(setter, nullptr);
    EXPECT_EQ(setter->Name(), "swaybg");

    ::unsetenv("WAYLAND_DISPLAY");
    ::setenv("SWAYSOCK", "/run/user/1000/sway-ipc.sock", 1);
    EXPECT_EQ(DetectCompositor(), Compositor::kWlroots);
    setter = MakeCompositorSetter();
    ASSERT_NE(setter, nullptr);
    EXPECT_EQ(setter->Name(), "sway");
    ::setenv("HYPRLAND_INSTANCE_SIGNATURE", "abc_123", 1);
    EXPECT_EQ(DetectCompositor(), Compositor::kHyprland);
    setter = MakeCompositorSetter();
    ASSERT_NE(setter, nullptr);
    EXPECT_EQ(setter->Name(), "hyprpaper");
}

TEST(RuntimeStateDir, IsAPrivateFolderOfTheRuntimeDirectory) {
    EnvGuard guard({"XDG_RUNTIME_DIR"});
    EXPECT_EQ(RuntimeStateDir(), "");
    ::setenv("XDG_RUNTIME_DIR", "relative/dir", 1);
    EXPECT_EQ(RuntimeStateDir(), "");

    TempDir runtime;
    ::setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    EXPECT_EQ(RuntimeStateDir(), runtime / "drapewell");
    EXPECT_EQ(fs::status(runtime / "drapewell").permissions() & fs::perms::all, fs::perms(0700));
    EXPECT_EQ(RuntimeStateDir(), runtime / "drapewell");  // already there

    // A file (or a link planted by someone) in its place is not used.
    fs::remove(runtime / "drapewell");
    fs::create_symlink("/tmp", runtime / "drapewell");
    EXPECT_EQ(RuntimeStateDir(), "");
}

TEST(ProcessStamp, TellsAProcessFromALaterOneWithTheSamePid) {
    std::optional<ProcessStamp> self = StampOf(::getpid());
    ASSERT_TRUE(self);
    EXPECT_EQ(self->pid, ::getpid());
    EXPECT_GT(self->startTime, 0u);
    EXPECT_EQ(StampOf(::getpid()), self);
    EXPECT_FALSE(StampOf(0));
    EXPECT_FALSE(StampOf(0x7ffffff0));

    TempDir dir;
    ASSERT_TRUE(WriteStamp(dir / "pid", *self));
    EXPECT_EQ(ReadStamp(dir / "pid"), self);
    EXPECT_FALSE(ReadStamp(dir / "missing"));
    for (const char* junk : {"", "abc", "-5 10", "12", "0 4", "99999999999 1"}) {
        WriteFile(dir / "junk", junk);
        EXPECT_FALSE(ReadStamp(dir / "junk")) << junk;
    }
}

// Starts `sleep 30` under the name argv0 (through a link of that name).
pid_t StartSleeper(const TempDir& dir, const std::string& argv0) {
    std::error_code ignored;
    fs::create_symlink("/bin/sleep", dir / argv0, ignored);
    Started started = StartDetached({dir / argv0, "30"}, "");
    // The kernel fills in the command line a moment after the spawn returns.
    const std::string cmdline = "/proc/" + std::to_string(started.pid) + "/cmdline";
    for (int i = 0; i < 200 && started.pid > 0 && ReadFile(cmdline).empty(); ++i)
        std::this_thread::sleep_for(5ms);
    return started.pid;
}

TEST(EndRecordedSwaybg, EndsOnlyTheVeryProcessRecordedAndOnlyIfItIsSwaybg) {
    TempDir dir;
    const pid_t other = StartSleeper(dir, "sleep");
    const pid_t swaybg = StartSleeper(dir, "swaybg");
    ASSERT_GT(other, 0);
    ASSERT_GT(swaybg, 0);
    std::optional<ProcessStamp> otherStamp = StampOf(other), swaybgStamp = StampOf(swaybg);
    ASSERT_TRUE(otherStamp && swaybgStamp);

    EXPECT_FALSE(EndRecordedSwaybg(*otherStamp));
    EXPECT_TRUE(Alive(other));
    // The right pid with another start time: a pid reused since.
    EXPECT_FALSE(EndRecordedSwaybg({swaybg, swaybgStamp->startTime + 1}));
    EXPECT_FALSE(EndRecordedSwaybg({1, 0}));
    EXPECT_TRUE(Alive(swaybg));

    EXPECT_TRUE(EndRecordedSwaybg(*swaybgStamp));
    EXPECT_FALSE(Alive(swaybg));  // ended and reaped, not a zombie

    ::kill(other, SIGKILL);
    WaitForExit(other, 2s);
}

// A stand-in for swaybg: records its arguments, then sleeps under the name
// swaybg so that it can be told apart like the real one.
std::string FakeSwaybg(const TempDir& dir) {
    const std::string path = dir / "fake-swaybg";
    WriteFile(path,
              "#!/bin/bash\necho \"$*\" > \"" + dir / "args" + ".$$\"\nexec -a swaybg sleep 30\n",
              fs::perms(0755));
    return path;
}

TEST(SwaybgSetter, ReplacesTheSwaybgItStartedEvenAfterARestart) {
    TempDir dir;
    const std::string state = dir / "state";
    fs::create_directory(state);
    const std::string picture = dir / "picture.bmp";
    WriteFile(picture, "BM");
    SwaybgOptions options{state, FakeSwaybg(dir), 200ms};

    auto setter = MakeSwaybgSetter(options);
    Outcome first = setter->Apply(picture, {}, Placement::kCentre);
    ASSERT_TRUE(first.accepted) << first.detail;
    std::optional<ProcessStamp> firstStamp = ReadStamp(state + "/swaybg.pid");
    ASSERT_TRUE(firstStamp);
    EXPECT_TRUE(Alive(firstStamp->pid));
    EXPECT_EQ(ReadFile(dir / ("args." + std::to_string(firstStamp->pid))),
              "-o * -i " + picture + " -m center -c #000000\n");

    Outcome second = setter->Apply(picture, {}, Placement::kTile);
    ASSERT_TRUE(second.accepted) << second.detail;
    std::optional<ProcessStamp> secondStamp = ReadStamp(state + "/swaybg.pid");
    ASSERT_TRUE(secondStamp);
    EXPECT_NE(secondStamp->pid, firstStamp->pid);
    EXPECT_FALSE(Alive(firstStamp->pid));
    EXPECT_EQ(ReadFile(dir / ("args." + std::to_string(secondStamp->pid))),
              "-o * -i " + picture + " -m tile -c #000000\n");

    // A new program run knows the previous swaybg only from the pid file.
    setter = MakeSwaybgSetter(options);
    ASSERT_TRUE(setter->Apply(picture, {}, Placement::kStretch).accepted);
    std::optional<ProcessStamp> third = ReadStamp(state + "/swaybg.pid");
    ASSERT_TRUE(third);
    EXPECT_FALSE(Alive(secondStamp->pid));
    EXPECT_TRUE(EndRecordedSwaybg(*third));
}

TEST(SwaybgSetter, KeepsTheOldBackgroundWhenTheNewSwaybgFails) {
    TempDir dir;
    const std::string state = dir / "state";
    fs::create_directory(state);
    const std::string picture = dir / "picture.bmp";
    WriteFile(picture, "BM");
    auto working = MakeSwaybgSetter({state, FakeSwaybg(dir), 200ms});
    ASSERT_TRUE(working->Apply(picture, {}, Placement::kCentre).accepted);
    const std::optional<ProcessStamp> shown = ReadStamp(state + "/swaybg.pid");
    ASSERT_TRUE(shown);

    // One that gives up at once, and one that stays up but could not load
    // the picture (what swaybg does with a file it cannot decode).
    WriteFile(dir / "exits", "#!/bin/sh\necho 'cannot connect to display' >&2\nexit 1\n",
              fs::perms(0755));
    WriteFile(dir / "stays",
              "#!/bin/sh\necho '[main.c:1] Failed to load image: x' >&2\nexec sleep 30\n",
              fs::perms(0755));
    Outcome exits =
        MakeSwaybgSetter({state, dir / "exits", 300ms})->Apply(picture, {}, Placement::kCentre);
    EXPECT_FALSE(exits.accepted);
    EXPECT_NE(exits.detail.find("exit status 1: cannot connect to display"), std::string::npos)
        << exits.detail;
    Outcome stays =
        MakeSwaybgSetter({state, dir / "stays", 300ms})->Apply(picture, {}, Placement::kCentre);
    EXPECT_FALSE(stays.accepted);
    EXPECT_NE(stays.detail.find("Failed to load image: x"), std::string::npos) << stays.detail;
    Outcome missing = working->Apply(dir / "missing.bmp", {}, Placement::kCentre);
    EXPECT_FALSE(missing.accepted);
    EXPECT_NE(missing.detail.find("missing.bmp"), std::string::npos);
    Outcome absent = MakeSwaybgSetter({state, dir / "not-installed", 300ms})
                         ->Apply(picture, {}, Placement::kCentre);
    EXPECT_FALSE(absent.accepted);

    EXPECT_TRUE(Alive(shown->pid));
    EXPECT_EQ(ReadStamp(state + "/swaybg.pid"), shown);
    EXPECT_TRUE(EndRecordedSwaybg(*shown));
}

// A stand-in for hyprctl: logs each call and answers "ok", or what a file
// named after the request holds ("answer-preload", "answer-tile").
class FakeHyprctl {
public:
    FakeHyprctl() {
        fs::create_directory(dir_ / "state");
        WriteFile(dir_ / "hyprctl",
                  "#!/bin/bash\n"
                  "cd \"" +
                      dir_.Path().string() +
                      "\"\n"
                      "echo \"$*\" >> calls\n"
                      "key=$2; case \"$3\" in ,tile:*) key=tile;; esac\n"
                      "if [ -f \"answer-$key\" ]; then cat \"answer-$key\"; else echo ok; fi\n",
                  fs::perms(0755));
    }
    std::unique_ptr<WallpaperSetter> Setter() {
        return MakeHyprpaperSetter({dir_ / "state", dir_ / "hyprctl", 5000ms});
    }
    // The calls since the last look, one per line, with the state folder as "S".
    std::string TakeCalls() {
        std::string calls = ReadFile(dir_ / "calls");
        fs::remove(dir_ / "calls");
        const std::string state = dir_ / "state";
        for (std::size_t at; (at = calls.find(state)) != std::string::npos;)
            calls.replace(at, state.size(), "S");
        return calls;
    }
    void Answer(const std::string& key, const std::string& text) {
        WriteFile(dir_ / ("answer-" + key), text);
    }
    std::string operator/(const std::string& name) const { return dir_ / name; }

private:
    TempDir dir_;
};

TEST(HyprpaperSetter, HandsOverAlternatingCopiesAndUnloadsThePreviousOne) {
    FakeHyprctl hyprctl;
    const std::string picture = hyprctl / "MyWallPaper.bmp";
    WriteFile(picture, "first");
    ASSERT_TRUE(hyprctl.Setter()->Apply(picture, {}, Placement::kCentre).accepted);
    EXPECT_EQ(hyprctl.TakeCalls(),
              "hyprpaper unload S/wallpaper-a.bmp\n"
              "hyprpaper preload S/wallpaper-a.bmp\n"
              "hyprpaper wallpaper ,contain:S/wallpaper-a.bmp\n");

    // The same staging path again, rewritten: hyprpaper gets a fresh name.
    WriteFile(picture, "second");
    auto setter = hyprctl.Setter();  // as after a restart
    ASSERT_TRUE(setter->Apply(picture, {}, Placement::kStretch).accepted);
    EXPECT_EQ(hyprctl.TakeCalls(),
              "hyprpaper unload S/wallpaper-b.bmp\n"
              "hyprpaper preload S/wallpaper-b.bmp\n"
              "hyprpaper wallpaper ,S/wallpaper-b.bmp\n"
              "hyprpaper unload S/wallpaper-a.bmp\n");
    EXPECT_EQ(ReadFile(hyprctl / "state/wallpaper-a.bmp"), "first");
    EXPECT_EQ(ReadFile(hyprctl / "state/wallpaper-b.bmp"), "second");

    ASSERT_TRUE(setter->Apply(picture, {}, Placement::kTile).accepted);
    EXPECT_EQ(hyprctl.TakeCalls(),
              "hyprpaper unload S/wallpaper-a.bmp\n"
              "hyprpaper preload S/wallpaper-a.bmp\n"
              "hyprpaper wallpaper ,tile:S/wallpaper-a.bmp\n"
              "hyprpaper unload S/wallpaper-b.bmp\n");
}

TEST(HyprpaperSetter, ReportsHyprpapersRefusalAndKeepsWhatItShows) {
    FakeHyprctl hyprctl;
    const std::string picture = hyprctl / "MyWallPaper.png";
    WriteFile(picture, "png");
    auto setter = hyprctl.Setter();
    ASSERT_TRUE(setter->Apply(picture, {}, Placement::kCentre).accepted);
    hyprctl.TakeCalls();

    hyprctl.Answer("preload", "preload failed (no such file)\n");
    Outcome refused = setter->Apply(picture, {}, Placement::kCentre);
    EXPECT_FALSE(refused.accepted);
    EXPECT_NE(refused.detail.find("preload failed (no such file)"), std::string::npos);
    // The shown picture (wallpaper-a) is neither replaced nor unloaded.
    EXPECT_EQ(hyprctl.TakeCalls(),
              "hyprpaper unload S/wallpaper-b.png\n"
              "hyprpaper preload S/wallpaper-b.png\n");
    fs::remove(hyprctl / "answer-preload");

    // Without tiling, an older hyprpaper centres instead and says so.
    hyprctl.Answer("tile", "wallpaper failed (no such file)\n");
    Outcome tiled = setter->Apply(picture, {}, Placement::kTile);
    EXPECT_TRUE(tiled.accepted) << tiled.detail;
    EXPECT_NE(tiled.detail.find("centred instead"), std::string::npos);
    EXPECT_NE(hyprctl.TakeCalls().find("wallpaper ,contain:S/wallpaper-b.png\n"),
              std::string::npos);

    Outcome none = setter->Apply(hyprctl / "missing.png", {}, Placement::kCentre);
    EXPECT_FALSE(none.accepted);
    EXPECT_EQ(hyprctl.TakeCalls(), "");
}

// hyprpaper gets each monitor its own pair of copies, by the monitor's name.
TEST(HyprpaperSetter, EachMonitorGetsItsOwnCopyAndThePreviousOnesAreUnloaded) {
    FakeHyprctl hyprctl;
    const std::string left = hyprctl / "left.bmp";
    const std::string right = hyprctl / "right.bmp";
    WriteFile(left, "left");
    WriteFile(right, "right");
    const MonitorPicture pictures[] = {{Monitor{"DP-1", 0, 0, 1920, 1080, true}, left, {}},
                                       {Monitor{"DP-2", 1920, 0, 1080, 1920, false}, right, {}}};
    auto setter = hyprctl.Setter();
    EXPECT_EQ(setter->Handling(), MonitorHandling::kPerMonitor);
    ASSERT_TRUE(setter->ApplyPerMonitor(pictures, Placement::kCentre).accepted);
    EXPECT_EQ(hyprctl.TakeCalls(),
              "hyprpaper unload S/wallpaper-1-a.bmp\n"
              "hyprpaper preload S/wallpaper-1-a.bmp\n"
              "hyprpaper wallpaper DP-1,contain:S/wallpaper-1-a.bmp\n"
              "hyprpaper unload S/wallpaper-2-a.bmp\n"
              "hyprpaper preload S/wallpaper-2-a.bmp\n"
              "hyprpaper wallpaper DP-2,contain:S/wallpaper-2-a.bmp\n");
    EXPECT_EQ(ReadFile(hyprctl / "state/wallpaper-2-a.bmp"), "right");

    // After a restart, one picture for all: both monitors' copies go.
    ASSERT_TRUE(hyprctl.Setter()->Apply(left, {}, Placement::kStretch).accepted);
    EXPECT_EQ(hyprctl.TakeCalls(),
              "hyprpaper unload S/wallpaper-a.bmp\n"
              "hyprpaper preload S/wallpaper-a.bmp\n"
              "hyprpaper wallpaper ,S/wallpaper-a.bmp\n"
              "hyprpaper unload S/wallpaper-1-a.bmp\n"
              "hyprpaper unload S/wallpaper-2-a.bmp\n");

    // A name that would end hyprpaper's argument is refused before anything runs.
    const MonitorPicture odd[] = {{Monitor{"A,B", 0, 0, 10, 10, true}, left, {}}};
    EXPECT_FALSE(setter->ApplyPerMonitor(odd, Placement::kCentre).accepted);
    EXPECT_EQ(hyprctl.TakeCalls(), "");
}

// ---- swaybg on a real headless sway (scripts/with-sway), read back with grim.

struct Capture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    std::uint32_t At(int x, int y) const {
        const std::uint8_t* p = rgb.data() + 3 * (static_cast<std::size_t>(y) * width + x);
        return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
    }
};

std::optional<Capture> Grab(const std::string& file) {
    RunResult grim = RunWithTimeLimit({"grim", "-t", "ppm", file}, 10s);
    if (!grim.Succeeded())
        return std::nullopt;
    std::istringstream in(ReadFile(file));
    std::string magic;
    int maxValue = 0;
    Capture capture;
    in >> magic >> capture.width >> capture.height >> maxValue;
    in.get();
    if (magic != "P6" || maxValue != 255 || capture.width <= 0 || capture.height <= 0)
        return std::nullopt;
    capture.rgb.resize(3 * static_cast<std::size_t>(capture.width) * capture.height);
    in.read(reinterpret_cast<char*>(capture.rgb.data()), capture.rgb.size());
    if (!in)
        return std::nullopt;
    return capture;
}

// A 40x30 24-bit BMP in four quadrants: red, green / blue, yellow.
constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00,
                        kBlack = 0;
void WriteQuadrantBmp(const std::string& path) {
    const int w = 40, h = 30, stride = (3 * w + 3) / 4 * 4;
    std::string data;
    auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            data.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
    };
    data += "BM";
    put(54 + stride * h, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4), put(w, 4), put(h, 4), put(1, 2), put(24, 2), put(0, 4);
    put(stride * h, 4), put(2835, 4), put(2835, 4), put(0, 4), put(0, 4);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = y < 15 ? (x < 20 ? kRed : kGreen) : (x < 20 ? kBlue : kYellow);
            put(c & 0xFF, 1), put(c >> 8 & 0xFF, 1), put(c >> 16, 1);
        }
        put(0, stride - 3 * w);
    }
    WriteFile(path, data);
}

struct Probe {
    int x, y;
    std::uint32_t colour;
};

class SwaybgSway : public ::testing::Test {
protected:
    void SetUp() override {
        const char* expected = std::getenv("DRAPEWELL_EXPECT_SWAY");
        if (!expected || !*expected)
            GTEST_SKIP() << "DRAPEWELL_EXPECT_SWAY is not set (run through scripts/with-sway)";
        ASSERT_EQ(std::sscanf(expected, "%dx%d", &width_, &height_), 2);
        ASSERT_EQ(DetectCompositor(), Compositor::kWlroots);
        WriteQuadrantBmp(picture_);
    }

    // Waits (up to 5 s) until every probe shows its colour on screen.
    ::testing::AssertionResult Shows(const std::vector<Probe>& probes) {
        std::string last = "no capture";
        for (auto deadline = std::chrono::steady_clock::now() + 5s;
             std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(100ms)) {
            std::optional<Capture> capture = Grab(dir_ / "screen.ppm");
            if (!capture)
                continue;
            if (capture->width != width_ || capture->height != height_)
                return ::testing::AssertionFailure()
                       << "output is " << capture->width << "x" << capture->height;
            last.clear();
            for (const Probe& p : probes)
                if (capture->At(p.x, p.y) != p.colour) {
                    char text[96];
                    std::snprintf(text, sizeof text, "(%d,%d) is %06x, not %06x; ", p.x, p.y,
                                  capture->At(p.x, p.y), p.colour);
                    last += text;
                }
            if (last.empty())
                return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << last;
    }

    TempDir dir_;
    std::string picture_ = dir_ / "MyWallPaper.bmp";
    int width_ = 0, height_ = 0;
};

TEST_F(SwaybgSway, ShowsThePictureInEachPlacementAndLeavesOneSwaybg) {
    // Through sway as the session would, or our swaybg alone as on other
    // wlroots compositors (sway then runs no background of its own).
    const bool direct = std::getenv("DRAPEWELL_SWAYBG_DIRECT") != nullptr;
    std::unique_ptr<WallpaperSetter> setter =
        direct ? MakeSwaybgSetter({.stateDir = RuntimeStateDir()}) : MakeCompositorSetter();
    ASSERT_NE(setter, nullptr);
    EXPECT_EQ(setter->Name(), direct ? "swaybg" : "sway");
    const std::string pidFile = RuntimeStateDir() + "/swaybg.pid";

    Outcome centre = setter->Apply(picture_, {}, Placement::kCentre);
    ASSERT_TRUE(centre.accepted) << centre.detail;
    const int left = (width_ - 40) / 2, top = (height_ - 30) / 2;
    EXPECT_TRUE(Shows({{left + 10, top + 7, kRed},
                       {left + 30, top + 7, kGreen},
                       {left + 10, top + 22, kBlue},
                       {left + 30, top + 22, kYellow},
                       {5, 5, kBlack},
                       {width_ - 5, height_ - 5, kBlack},
                       {left - 3, top + 7, kBlack}}));
    const std::optional<ProcessStamp> first = ReadStamp(pidFile);
    // Through sway, sway's own helper shows it and ours has gone.
    EXPECT_EQ(first.has_value(), direct);

    Outcome tile = setter->Apply(picture_, {}, Placement::kTile);
    ASSERT_TRUE(tile.accepted) << tile.detail;
    EXPECT_TRUE(Shows({{10, 7, kRed},
                       {30, 7, kGreen},
                       {50, 7, kRed},
                       {10, 22, kBlue},
                       {10, 37, kRed},
                       {width_ / 2, height_ / 2, kRed}}));  // 160,120 starts a tile
    if (first) {
        EXPECT_FALSE(Alive(first->pid));
    }

    Outcome stretch = setter->Apply(picture_, {}, Placement::kStretch);
    ASSERT_TRUE(stretch.accepted) << stretch.detail;
    // swaybg smooths while it scales, so the outermost pixels are left out.
    EXPECT_TRUE(Shows({{10, 10, kRed},
                       {width_ / 4, height_ / 4, kRed},
                       {3 * width_ / 4, height_ / 4, kGreen},
                       {width_ / 4, 3 * height_ / 4, kBlue},
                       {width_ - 10, height_ - 10, kYellow}}));

    // A picture swaybg cannot decode leaves the stretched one on screen.
    WriteFile(dir_ / "broken.bmp", "not a picture");
    Outcome broken = setter->Apply(dir_ / "broken.bmp", {}, Placement::kCentre);
    EXPECT_FALSE(broken.accepted);
    EXPECT_TRUE(Shows({{width_ / 4, height_ / 4, kRed}, {width_ - 10, height_ - 10, kYellow}}));

    if (std::optional<ProcessStamp> last = ReadStamp(pidFile))
        EndRecordedSwaybg(*last);
}

}  // namespace
}  // namespace desktop
