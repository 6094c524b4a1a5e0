// hyprpaper, driven through `hyprctl hyprpaper ...`.
//
// hyprpaper caches a picture by its path and keeps it until unloaded, while
// the pipeline hands over the same staging path every time. So each picture
// is copied to one of two names in turn; the new name is loaded fresh, shown,
// and the other one unloaded. The copy also keeps hyprpaper's picture intact
// while the pipeline writes the next staging file.
//
// hyprpaper has no plain centring: Center is shown "contain:" (scaled to fit,
// black borders), which is the picture itself once the pipeline has fitted it.
// Tile uses "tile:", which older hyprpaper lacks; there it falls back to
// "contain:". Stretch without keeping proportions does not exist either:
// hyprpaper's default covers the screen, cropping what overflows.

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/base/text.h"
#include "platform/desktop/child_process.h"
#include "platform/desktop/setters.h"
#include "platform/desktop/wayland_tools.h"

namespace desktop {

namespace {

namespace fs = std::filesystem;

class HyprpaperSetter : public WallpaperSetter {
public:
    explicit HyprpaperSetter(HyprpaperOptions options) : options_(std::move(options)) {}

    std::string Name() const override { return "hyprpaper"; }

    Outcome Apply(const std::string& file, const PixelView&, Placement placement) override {
        if (file.empty())
            return {false, "no picture file to show"};
        return Show({{"", file}}, placement);
    }

    MonitorHandling Handling() const override { return MonitorHandling::kPerMonitor; }

    Outcome ApplyPerMonitor(std::span<const MonitorPicture> pictures,
                            Placement placement) override {
        std::vector<Target> targets;
        for (const MonitorPicture& picture : pictures) {
            if (picture.file.empty())
                return {false, "no picture file to show on " + picture.monitor.name};
            // hyprpaper reads "MONITOR,PATH": a comma would end the name.
            if (picture.monitor.name.empty() || picture.monitor.name.find(',') != std::string::npos)
                return {false, "the monitor's name is unsafe to pass on: " + picture.monitor.name};
            targets.push_back({picture.monitor.name, picture.file});
        }
        if (targets.empty())
            return {false, "no picture file to show"};
        return Show(targets, placement);
    }

private:
    struct Target {
        std::string monitor;  // empty: every monitor
        std::string file;
    };

    Outcome Show(const std::vector<Target>& targets, Placement placement) {
        const std::vector<std::string> previous = Current();
        std::vector<std::string> shownFiles;
        std::string note;
        auto unloadShown = [&] {
            for (const std::string& shown : shownFiles)
                Request({"unload", shown});
        };
        for (std::size_t i = 0; i < targets.size(); ++i) {
            const Target& target = targets[i];
            std::string shown = target.file;
            if (!options_.stateDir.empty()) {
                shown = NextName(target.file, targets.size() > 1 ? i + 1 : 0, previous);
                if (std::string why = CopyFileAtomically(target.file, shown); !why.empty()) {
                    unloadShown();
                    return {false, "cannot copy the picture for hyprpaper: " + why};
                }
                // A leftover of a failed unload would otherwise be shown stale.
                Request({"unload", shown});
            }
            if (std::string why = Request({"preload", shown}); !why.empty()) {
                unloadShown();
                return {false, why};
            }
            shownFiles.push_back(shown);
            std::string why = ShowOn(target.monitor, shown, placement, &note);
            if (!why.empty()) {
                unloadShown();
                return {false, why};
            }
        }

        SetCurrent(shownFiles);
        for (const std::string& old : previous) {
            if (old.empty() ||
                std::find(shownFiles.begin(), shownFiles.end(), old) != shownFiles.end())
                continue;
            if (std::string unload = Request({"unload", old}); !unload.empty())
                note += "; the previous picture stays loaded: " + unload;
        }
        std::string shows;
        for (const Target& target : targets)
            shows += (shows.empty() ? "" : ", ") +
                     (target.monitor.empty() ? target.file : target.monitor + ": " + target.file);
        return {true, "hyprpaper shows " + shows + note};
    }

    std::string ShowOn(const std::string& monitor, const std::string& shown, Placement placement,
                       std::string* note) {
        switch (placement) {
        case Placement::kTile:
            if (Request({"wallpaper", monitor + ",tile:" + shown}).empty())
                return {};
            *note = "; this hyprpaper cannot tile, centred instead";
            return Request({"wallpaper", monitor + ",contain:" + shown});
        case Placement::kStretch:
            return Request({"wallpaper", monitor + "," + shown});
        default:
            return Request({"wallpaper", monitor + ",contain:" + shown});
        }
    }

    // "" when hyprctl ran and hyprpaper answered "ok", else one line why not.
    std::string Request(std::vector<std::string> words) {
        std::vector<std::string> argv{options_.program, "hyprpaper"};
        argv.insert(argv.end(), words.begin(), words.end());
        RunResult result = RunWithTimeLimit(argv, options_.limit);
        if (!result.Succeeded())
            return result.Describe(options_.program + " hyprpaper " + words[0]);
        // hyprctl exits 0 whatever hyprpaper answers; the answer tells.
        std::string answer = LastLine(result.out);
        if (answer == "ok")
            return {};
        return options_.program + " hyprpaper " + words[0] + ": " +
               (answer.empty() ? "no answer from hyprpaper" : answer);
    }

    std::string StateFile() const { return options_.stateDir + "/hyprpaper.current"; }

    // The pictures hyprpaper shows for us, one a line, remembered across
    // restarts.
    std::vector<std::string> Current() {
        if (current_.empty() && !options_.stateDir.empty()) {
            std::ifstream in(StateFile());
            for (std::string line; std::getline(in, line);)
                if (!line.empty())
                    current_.push_back(line);
        }
        return current_;
    }

    void SetCurrent(const std::vector<std::string>& paths) {
        current_ = paths;
        if (options_.stateDir.empty())
            return;
        std::ofstream out(StateFile(), std::ios::trunc);
        for (const std::string& path : paths)
            out << path << '\n';
    }

    // wallpaper-a or wallpaper-b (wallpaper-N-a or -b for monitor N), whichever
    // is not shown now, with the picture's extension (hyprpaper picks its
    // decoder by it).
    std::string NextName(const std::string& file, std::size_t monitor,
                         const std::vector<std::string>& previous) const {
        const std::string extension = platform::DottedExtensionOf(file);
        const std::string stem = options_.stateDir + "/wallpaper-" +
                                 (monitor ? std::to_string(monitor) + "-" : std::string());
        const std::string a = stem + "a" + extension;
        const std::string b = stem + "b" + extension;
        return std::find(previous.begin(), previous.end(), a) != previous.end() ? b : a;
    }

    HyprpaperOptions options_;
    std::vector<std::string> current_;
};

}  // namespace

std::unique_ptr<WallpaperSetter> MakeHyprpaperSetter(HyprpaperOptions options) {
    return std::make_unique<HyprpaperSetter>(std::move(options));
}

}  // namespace desktop
