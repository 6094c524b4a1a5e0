// The latency of `drapewell --next`: from the command's start to the new
// picture on the X11 root window, for a 1920 x 1080 JPEG, beside the same
// change made by `drapewell-tool apply --method 2` in the same run. Both are
// child processes; the clock stops when the root window shows the picture
// (one pixel read back through a connection of this program's own, polled).
// The two kinds of change take turns: the tool shows a grey picture, then
// `--next` moves the running copy on to a dark or a bright one, so every
// measured change is one the screen shows.
//
//   scripts/with-xvfb 1920x1080 scripts/with-dbus drapewell-bench-control [CHANGES]
//
// CHANGES (50 by default) of each kind; median and 95th percentile.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/child_run.h"
#include "codecs/jpeg.h"
#include "image/picture.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kWidth = 1920;
constexpr std::uint32_t kHeight = 1080;
// Where the root window is read: a corner no window of the program covers.
constexpr int kSampleX = 1900;
constexpr int kSampleY = 1060;

enum class Shade { kDark, kGrey, kBright, kOther };

Shade ShadeOf(int brightness) {
    if (brightness < 70)
        return Shade::kDark;
    if (brightness > 100 && brightness < 160)
        return Shade::kGrey;
    if (brightness > 185)
        return Shade::kBright;
    return Shade::kOther;
}

// A picture of one brightness with some texture, so the JPEG is not trivial.
bool MakePicture(const std::string& path, int base) {
    CPicture p;
    p.Create(kWidth, kHeight, 24);
    for (std::uint32_t y = 0; y < kHeight; ++y) {
        std::uint8_t* row = p.GetRow(y);
        for (std::uint32_t x = 0; x < 3 * kWidth; ++x)
            row[x] = static_cast<std::uint8_t>(base + (x * 7 + y * 3) % 24 - 12);
    }
    return SaveJpeg(p, path, 90);
}

using bench::SpawnQuiet;

bool Succeeds(std::vector<std::string> args) {
    const pid_t pid = SpawnQuiet(std::move(args));
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

class RootSampler {
public:
    RootSampler() : display_(XOpenDisplay(nullptr)) {}
    ~RootSampler() {
        if (display_)
            XCloseDisplay(display_);
    }
    bool IsOpen() const { return display_ != nullptr; }
    int Brightness() {
        XImage* image = XGetImage(display_, DefaultRootWindow(display_), kSampleX, kSampleY, 1, 1,
                                  AllPlanes, ZPixmap);
        if (!image)
            return -1;
        const unsigned long pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return static_cast<int>(((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF)) /
               3;
    }

private:
    Display* display_;
};

// Seconds from the spawn to the root window in `want`; negative on failure
// or after ten seconds.
double TimeChange(RootSampler& root, std::vector<std::string> args, Shade want,
                  const std::vector<std::string>& extraEnv = {}) {
    const auto start = Clock::now();
    const pid_t pid = SpawnQuiet(std::move(args), extraEnv);
    if (pid < 0)
        return -1;
    double seconds = -1;
    while (Clock::now() - start < std::chrono::seconds(10)) {
        if (ShadeOf(root.Brightness()) == want) {
            seconds = std::chrono::duration<double>(Clock::now() - start).count();
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return seconds;
}

struct Row {
    const char* name;
    std::vector<double> seconds;
    int failures = 0;
    double Quantile(double q) const {
        std::vector<double> sorted = seconds;
        std::sort(sorted.begin(), sorted.end());
        if (sorted.empty())
            return 0;
        const auto at = static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1) + 0.5);
        return sorted[std::min(at, sorted.size() - 1)];
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int changes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const char* display = std::getenv("DISPLAY");
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!display || !*display || !bus || !*bus) {
        std::fprintf(stderr,
                     "drapewell-bench-control needs an X display and a session bus of its own:\n"
                     "  scripts/with-xvfb 1920x1080 scripts/with-dbus %s\n",
                     argv[0]);
        return 1;
    }
    RootSampler root;
    if (!root.IsOpen()) {
        std::fprintf(stderr, "cannot open the display %s\n", display);
        return 1;
    }

    char pattern[] = "/tmp/drapewell-control-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = pattern;
    namespace fs = std::filesystem;
    for (const char* sub : {"/pics", "/home", "/config", "/data", "/tooldata", "/run"})
        fs::create_directories(dir + sub);
    chmod((dir + "/run").c_str(), 0700);
    if (!MakePicture(dir + "/pics/a.jpg", 30) || !MakePicture(dir + "/pics/b.jpg", 225) ||
        !MakePicture(dir + "/grey.jpg", 128)) {
        std::fprintf(stderr, "cannot write the pictures in %s\n", dir.c_str());
        return 1;
    }
    // The program beside its own settings file, in a home of its own.
    const std::string program = dir + "/drapewell";
    fs::copy_file(DRAPEWELL_PROGRAM, program);
    std::ofstream(dir + "/Drapewell.ini")
        << "[Setting]\nImagePath=" << dir << "/pics/\nStartAtLogin=0\nEnableTimer=0\n"
        << "RandomMode=0\nChangeMethod=2\nHide2TrayIcon=0\nPosition=Strech\nFitToScreen=1\n";
    setenv("HOME", (dir + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (dir + "/run").c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");

    const pid_t running = SpawnQuiet({program});
    bool up = false;
    for (int i = 0; i < 200 && !up; ++i) {
        up = Succeeds({program, "--current"});
        if (!up)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    int result = 0;
    Row next{"drapewell --next", {}};
    Row tool{"drapewell-tool apply --method 2", {}};
    if (!up) {
        std::fprintf(stderr, "the program did not come on the bus\n");
        result = 1;
    } else {
        std::this_thread::sleep_for(std::chrono::seconds(1));  // its start settles
        // The first picture (a.jpg) is selected at the start; --next goes to
        // b.jpg, then back to a.jpg, and so on.
        for (int i = 0; i < changes; ++i) {
            const double t = TimeChange(root,
                                        {DRAPEWELL_TOOL, "apply", dir + "/grey.jpg", "--method",
                                         "2", "--position", "stretch", "--fit"},
                                        Shade::kGrey, {"XDG_DATA_HOME=" + dir + "/tooldata"});
            t < 0 ? ++tool.failures : (tool.seconds.push_back(t), 0);
            const double n =
                TimeChange(root, {program, "--next"}, i % 2 == 0 ? Shade::kBright : Shade::kDark);
            n < 0 ? ++next.failures : (next.seconds.push_back(n), 0);
        }
        std::printf("1920 x 1080 JPEG to the X11 root window, %d changes each\n", changes);
        std::printf("%-34s %12s %12s %8s\n", "", "median ms", "p95 ms", "failed");
        for (const Row* row : {&next, &tool})
            std::printf("%-34s %12.1f %12.1f %8d\n", row->name, row->Quantile(0.5) * 1000,
                        row->Quantile(0.95) * 1000, row->failures);
        if (!tool.seconds.empty() && !next.seconds.empty())
            std::printf("--next / apply: median %.2fx, p95 %.2fx (goal: within 1.2x)\n",
                        next.Quantile(0.5) / tool.Quantile(0.5),
                        next.Quantile(0.95) / tool.Quantile(0.95));
        result = next.seconds.empty() ? 1 : 0;
        Succeeds({program, "--quit"});
    }
    if (running > 0) {
        kill(running, SIGTERM);
        waitpid(running, nullptr, 0);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return result;
}
