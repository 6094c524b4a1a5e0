#include "platform/desktop/pcmanfm.h"

#include <utility>
#include <vector>

#include "platform/desktop/child_process.h"
#include "platform/desktop/fresh_path.h"

namespace desktop {

namespace {

const char* ModeFor(Placement placement) {
    switch (placement) {
    case Placement::kCentre:
        return "center";
    case Placement::kTile:
        return "tile";
    case Placement::kStretch:
    default:
        return "stretch";
    }
}

class PcmanfmSetter : public WallpaperSetter {
public:
    PcmanfmSetter(std::string program, std::chrono::milliseconds limit)
        : program_(std::move(program)), limit_(limit) {}

    std::string Name() const override {
        const std::string base = program_.substr(program_.find_last_of('/') + 1);
        return base == "pcmanfm" ? "LXDE" : "LXQt";
    }

    Outcome Apply(const std::string& file, const PixelView&, Placement placement) override {
        return Set(file, ModeFor(placement), "");
    }

    // pcmanfm's "screen" mode stretches one picture over all monitors;
    // pcmanfm-qt has no such mode and shows it on each monitor.
    Outcome ApplySpanned(const std::string& file, const PixelView&) override {
        if (Name() == "LXDE")
            return Set(file, "screen", "");
        return Set(file, "stretch",
                   "; the desktop may show one picture per monitor instead of spanning it");
    }

private:
    Outcome Set(const std::string& file, const char* mode, const std::string& note) {
        const std::string prefix = Name() + ": ";
        if (file.empty())
            return {false, prefix + "no picture to show"};
        FreshPath picture = FreshPath::Prepare(file);
        if (!picture.ok())
            return {false, prefix + picture.error()};
        const RunResult run = RunWithTimeLimit(
            {program_, "--set-wallpaper", picture.path(), "--wallpaper-mode", mode}, limit_);
        if (!run.Succeeded()) {
            // Stopped half-way, it may have passed the name on already.
            if (run.end == RunResult::End::kTimedOut)
                picture.KeepBoth();
            return {false, prefix + run.Describe(program_)};
        }
        picture.Keep();
        return {true, prefix + picture.path() + " in mode " + mode + note};
    }

    std::string program_;
    std::chrono::milliseconds limit_;
};

}  // namespace

std::unique_ptr<WallpaperSetter> MakePcmanfmSetter(const std::string& program,
                                                   std::chrono::milliseconds limit) {
    return std::make_unique<PcmanfmSetter>(program, limit);
}

}  // namespace desktop
