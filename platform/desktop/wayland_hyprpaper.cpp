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
        std::string shown = file;
        std::string previous = Current();
        if (!options_.stateDir.empty()) {
            shown = NextName(file, previous);
            if (std::string why = CopyFileAtomically(file, shown); !why.empty())
                return {false, "cannot copy the picture for hyprpaper: " + why};
            // A leftover of a failed unload would otherwise be shown stale.
            Request({"unload", shown});
        }

        if (std::string why = Request({"preload", shown}); !why.empty())
            return {false, why};
        std::string note;
        std::string why;
        switch (placement) {
        case Placement::kTile:
            if (Request({"wallpaper", ",tile:" + shown}).empty())
                break;
            note = "; this hyprpaper cannot tile, centred instead";
            why = Request({"wallpaper", ",contain:" + shown});
            break;
        case Placement::kStretch:
            why = Request({"wallpaper", "," + shown});
            break;
        default:
            why = Request({"wallpaper", ",contain:" + shown});
            break;
        }
        if (!why.empty()) {
            Request({"unload", shown});
            return {false, why};
        }

        SetCurrent(shown);
        if (!previous.empty() && previous != shown) {
            if (std::string unload = Request({"unload", previous}); !unload.empty())
                note += "; the previous picture stays loaded: " + unload;
        }
        return {true, "hyprpaper shows " + file + note};
    }

private:
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

    // The picture hyprpaper shows for us, remembered across restarts.
    std::string Current() {
        if (current_.empty() && !options_.stateDir.empty()) {
            std::ifstream in(StateFile());
            std::getline(in, current_);
        }
        return current_;
    }

    void SetCurrent(const std::string& path) {
        current_ = path;
        if (options_.stateDir.empty())
            return;
        std::ofstream out(StateFile(), std::ios::trunc);
        out << path << '\n';
    }

    // wallpaper-a or wallpaper-b, whichever is not shown now, with the
    // picture's extension (hyprpaper picks its decoder by it).
    std::string NextName(const std::string& file, const std::string& previous) const {
        const std::string extension = platform::DottedExtensionOf(file);
        const std::string a = options_.stateDir + "/wallpaper-a" + extension;
        const std::string b = options_.stateDir + "/wallpaper-b" + extension;
        return previous == a ? b : a;
    }

    HyprpaperOptions options_;
    std::string current_;
};

}  // namespace

std::unique_ptr<WallpaperSetter> MakeHyprpaperSetter(HyprpaperOptions options) {
    return std::make_unique<HyprpaperSetter>(std::move(options));
}

}  // namespace desktop
