#include "platform/desktop/wayland_tools.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/base/text.h"
#include "platform/desktop/child_process.h"
#include "platform/desktop/setters.h"

namespace desktop {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The first word of /proc/PID/cmdline without its directory.
std::string CommandName(pid_t pid) {
    std::string cmdline = ReadWholeFile("/proc/" + std::to_string(pid) + "/cmdline");
    std::string argv0 = cmdline.substr(0, cmdline.find('\0'));
    std::size_t slash = argv0.rfind('/');
    return slash == std::string::npos ? argv0 : argv0.substr(slash + 1);
}

const char* ModeName(Placement placement) {
    switch (placement) {
    case Placement::kTile:
        return "tile";
    case Placement::kStretch:
        return "stretch";
    default:
        return "center";
    }
}

// sway stacks background surfaces oldest on top, and runs a swaybg of its own
// for its "output bg" setting (its default configuration has one), which would
// hide any swaybg of ours for good. So on sway the background is set through
// sway's own command; a swaybg of ours showing the same picture covers the
// moment in which sway replaces its helper, then goes. Elsewhere our swaybg
// stays, and the one before it is ended once it is up.
class SwaybgSetter : public WallpaperSetter {
public:
    explicit SwaybgSetter(SwaybgOptions options) : options_(std::move(options)) {}

    std::string Name() const override { return options_.viaSway ? "sway" : "swaybg"; }

    Outcome Apply(const std::string& file, const PixelView&, Placement placement) override {
        if (file.empty())
            return {false, "no picture file to show"};
        return Show({{"*", file}}, placement);
    }

    MonitorHandling Handling() const override { return MonitorHandling::kPerMonitor; }

    // One swaybg for all outputs, each named with its own picture; on sway,
    // one "output NAME bg" per output.
    Outcome ApplyPerMonitor(std::span<const MonitorPicture> pictures,
                            Placement placement) override {
        std::vector<Target> targets;
        for (const MonitorPicture& picture : pictures) {
            if (picture.file.empty())
                return {false, "no picture file to show on " + picture.monitor.name};
            // sway splits its commands at spaces, ';' and ','.
            if (picture.monitor.name.empty() || !IsPlainPath(picture.monitor.name) ||
                picture.monitor.name.find('/') != std::string::npos)
                return {false, "the output name is unsafe to pass on: " + picture.monitor.name};
            targets.push_back({picture.monitor.name, picture.file});
        }
        if (targets.empty())
            return {false, "no picture file to show"};
        return Show(targets, placement);
    }

private:
    struct Target {
        std::string output;  // "*" for every output
        std::string file;
    };

    std::string Shows(const std::vector<Target>& targets) const {
        if (targets.size() == 1 && targets[0].output == "*")
            return targets[0].file;
        std::string text;
        for (const Target& target : targets)
            text += (text.empty() ? "" : ", ") + target.output + ": " + target.file;
        return text;
    }

    Outcome Show(const std::vector<Target>& targets, Placement placement) {
        const std::string pidFile =
            options_.stateDir.empty() ? "" : options_.stateDir + "/swaybg.pid";
        std::optional<ProcessStamp> previous = previous_;
        if (!previous && !pidFile.empty())
            previous = ReadStamp(pidFile);

        // swaybg stays up (on a plain colour) when it cannot load the
        // picture, so an unreadable file is caught before the old one goes.
        for (const Target& target : targets) {
            if (int fd = ::open(target.file.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0)
                ::close(fd);
            else
                return {false, "cannot read " + target.file + ": " + std::strerror(errno)};
        }

        std::string why;
        const pid_t started = StartSwaybg(targets, placement, &why);
        if (started < 0)
            return {false, why};

        if (options_.viaSway) {
            for (std::size_t i = 0; i < targets.size() && why.empty(); ++i)
                why = TellSway(targets[i], i, targets.size() > 1, placement);
            // sway's new helper gets the time ours had to show the picture.
            if (why.empty())
                std::this_thread::sleep_for(options_.settle);
            End(started);
            if (!why.empty())
                return {false, why};
            if (previous)
                End(previous->pid, previous);
            previous_.reset();
            if (!pidFile.empty())
                ::unlink(pidFile.c_str());
            return {true, "sway shows " + Shows(targets) + " (" + ModeName(placement) + ")"};
        }

        previous_ = StampOf(started);
        if (previous_ && !pidFile.empty())
            WriteStamp(pidFile, *previous_);
        // Only now that the new one covers the screen does the old one go, so
        // the compositor's own background never shows in between.
        if (previous && previous->pid != started)
            End(previous->pid, previous);
        return {true, "swaybg shows " + Shows(targets) + " (" + ModeName(placement) + ")"};
    }

    // Starts swaybg and gives it the settle time; -1 (and *why) when it ended
    // in that time or said it could not load the picture.
    pid_t StartSwaybg(const std::vector<Target>& targets, Placement placement, std::string* why) {
        std::string log;
        if (!options_.stateDir.empty()) {
            // A new file each time: the old swaybg still writes to its own.
            log = options_.stateDir + "/swaybg.log";
            ::unlink(log.c_str());
        }
        std::vector<std::string> argv{options_.program};
        for (const Target& target : targets)
            argv.insert(argv.end(), {"-o", target.output, "-i", target.file, "-m",
                                     ModeName(placement), "-c", "#000000"});
        Started started = StartDetached(argv, log);
        if (started.pid < 0) {
            *why = options_.program + ": could not start: " + started.error;
            return -1;
        }
        int status = 0;
        if (WaitForExit(started.pid, options_.settle, &status) == ChildState::kEnded) {
            std::string line = log.empty() ? "" : LastLine(ReadWholeFile(log));
            *why = options_.program + ": " + DescribeWaitStatus(status);
            if (!line.empty())
                *why += ": " + line;
            return -1;
        }
        if (std::string failure = LoadFailure(log); !failure.empty()) {
            End(started.pid);
            *why = options_.program + ": " + failure;
            return -1;
        }
        return started.pid;
    }

    static std::string LoadFailure(const std::string& log) {
        if (log.empty())
            return {};
        std::istringstream lines(ReadWholeFile(log));
        for (std::string line; std::getline(lines, line);)
            if (std::size_t at = line.find("Failed to load"); at != std::string::npos)
                return line.substr(at);
        return {};
    }

    // sway reads the picture again whenever an output appears, so it gets a
    // copy that stays; and as sway word-expands the path and splits commands
    // at ';' and ',', the copy's name is one we chose and checked.
    std::string TellSway(const Target& target, std::size_t index, bool perOutput,
                         Placement placement) {
        if (options_.stateDir.empty())
            return "sway: no runtime directory for the picture";
        const std::string& file = target.file;
        std::string extension = platform::DottedExtensionOf(file);
        if (!IsPlainPath(extension))
            extension = ".img";
        const std::string copy = options_.stateDir + "/sway-background" +
                                 (perOutput ? "-" + std::to_string(index + 1) : "") + extension;
        if (!IsPlainPath(copy))
            return "sway: the runtime directory's name is unsafe to pass on: " + copy;
        if (std::string error = CopyFileAtomically(file, copy); !error.empty())
            return "sway: cannot copy the picture: " + error;
        RunResult result = RunWithTimeLimit(
            {options_.swaymsg, "output", target.output, "bg", copy, ModeName(placement), "#000000"},
            options_.limit);
        return result.Succeeded() ? "" : result.Describe(options_.swaymsg);
    }

    static bool IsPlainPath(const std::string& path) {
        return std::all_of(path.begin(), path.end(), [](unsigned char c) {
            return std::isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-';
        });
    }

    // Ends a swaybg of ours. One that died on its own is reaped here, not
    // left a zombie (whose empty command line EndRecordedSwaybg would skip).
    static void End(pid_t pid, std::optional<ProcessStamp> stamp = std::nullopt) {
        if (PollChild(pid) == ChildState::kEnded)
            return;
        if (!stamp)
            stamp = StampOf(pid);
        if (stamp)
            EndRecordedSwaybg(*stamp);
    }

    SwaybgOptions options_;
    std::optional<ProcessStamp> previous_;
};

}  // namespace

Compositor DetectCompositor() {
    if (!Env("HYPRLAND_INSTANCE_SIGNATURE").empty())
        return Compositor::kHyprland;
    if (!Env("SWAYSOCK").empty())
        return Compositor::kWlroots;
    if (Env("WAYLAND_DISPLAY").empty())
        return Compositor::kNone;
    // A colon-separated list such as "sway:wlroots".
    std::string desktops = platform::LowercaseAscii(Env("XDG_CURRENT_DESKTOP"));
    if (desktops.find("sway") != std::string::npos || desktops.find("wlroots") != std::string::npos)
        return Compositor::kWlroots;
    return Compositor::kNone;
}

std::string RuntimeStateDir() {
    std::string runtime = Env("XDG_RUNTIME_DIR");
    if (runtime.empty() || runtime[0] != '/')
        return {};
    std::string dir = runtime + "/drapewell";
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat info {};
    if (::lstat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return {};
    return dir;
}

std::optional<ProcessStamp> StampOf(pid_t pid) {
    if (pid <= 0)
        return std::nullopt;
    std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    // "pid (comm) state ppid ..." where comm may hold spaces and parentheses;
    // the start time is the 20th field after the last ')'.
    std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    for (int i = 0; i < 20 && fields >> field; ++i) {
    }
    if (!fields)
        return std::nullopt;
    char* end = nullptr;
    unsigned long long start = std::strtoull(field.c_str(), &end, 10);
    if (!end || *end != '\0')
        return std::nullopt;
    return ProcessStamp{pid, start};
}

std::optional<ProcessStamp> ReadStamp(const std::string& file) {
    std::ifstream in(file);
    long long pid = 0;
    unsigned long long start = 0;
    if (!(in >> pid >> start) || pid <= 0 || pid > 0x7fffffff)
        return std::nullopt;
    return ProcessStamp{static_cast<pid_t>(pid), start};
}

bool WriteStamp(const std::string& file, const ProcessStamp& stamp) {
    // Written whole then renamed, so a reader never sees half a pid.
    const std::string temporary = file + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << stamp.pid << ' ' << stamp.startTime << '\n';
        if (!out.flush())
            return false;
    }
    return std::rename(temporary.c_str(), file.c_str()) == 0;
}

std::string CopyFileAtomically(const std::string& from, const std::string& to) {
    namespace fs = std::filesystem;
    std::error_code error;
    const std::string temporary = to + ".new";
    fs::copy_file(from, temporary, fs::copy_options::overwrite_existing, error);
    if (!error)
        fs::rename(temporary, to, error);
    if (!error)
        return {};
    std::string why = error.message();
    fs::remove(temporary, error);
    return why;
}

bool EndRecordedSwaybg(const ProcessStamp& stamp) {
    if (stamp.pid <= 1 || StampOf(stamp.pid) != stamp || CommandName(stamp.pid) != "swaybg")
        return false;
    if (::kill(stamp.pid, SIGTERM) != 0)
        return false;
    // Reaps it when it is our child; a swaybg of an earlier run is not.
    WaitForExit(stamp.pid, std::chrono::milliseconds(1000));
    return true;
}

std::unique_ptr<WallpaperSetter> MakeSwaybgSetter(SwaybgOptions options) {
    return std::make_unique<SwaybgSetter>(std::move(options));
}

std::unique_ptr<WallpaperSetter> MakeCompositorSetter() {
    switch (DetectCompositor()) {
    case Compositor::kHyprland:
        return MakeHyprpaperSetter({.stateDir = RuntimeStateDir()});
    case Compositor::kWlroots:
        return MakeSwaybgSetter(
            {.stateDir = RuntimeStateDir(), .viaSway = !Env("SWAYSOCK").empty()});
    case Compositor::kNone:
        break;
    }
    return nullptr;
}

}  // namespace desktop
