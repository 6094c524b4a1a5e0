#pragma once

// Pictures written for the tests and a setter that records what it was
// handed instead of touching the desktop.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "image/picture.h"
#include "platform/desktop/desktop.h"
#include "tests/codecs/codec_test_support.h"
#include "wallpaper/change_job.h"

namespace wallpaper_test {

using codec_test::TempDir;

// A 24-bit picture whose pixel (x, y) is blue x, green y, red `red`; small
// pictures can so be told apart and checked pixel by pixel.
inline CPicture MakePicture(std::uint32_t width, std::uint32_t height, std::uint8_t red = 0) {
    CPicture picture;
    picture.Create(width, height, 24);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint8_t* p = picture.GetRow(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = red;
        }
    return picture;
}

// One call of Apply as the setter saw it.
struct Applied {
    std::string file;
    desktop::Placement placement = desktop::Placement::kCentre;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // BGRX as little-endian words, top row first
};

// What every setter of one test saw, and how many changes ran at once.
struct FakeDesktop {
    std::mutex mutex;
    std::vector<Applied> applied;
    std::vector<int> methods;  // the method of each setter made
    bool accept = true;
    // How the setters say they show monitors; kComposed draws the pixels.
    desktop::MonitorHandling handling = desktop::MonitorHandling::kOnePicture;
    std::function<void()> duringApply;  // runs inside each Apply, unlocked
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
};

class RecordingSetter : public desktop::WallpaperSetter {
public:
    explicit RecordingSetter(FakeDesktop& fake) : fake_(fake) {}
    std::string Name() const override { return "recorder"; }
    desktop::MonitorHandling Handling() const override { return fake_.handling; }
    desktop::Outcome Apply(const std::string& file, const desktop::PixelView& view,
                           desktop::Placement placement) override;

private:
    FakeDesktop& fake_;
};

// Setters recording into `fake`; a change counts as running from the
// factory's call to the recorder's ("LaterPaper" is its last step).
wallpaper::JobServices RecordingServices(FakeDesktop& fake, std::vector<std::string>* laterPapers);

}  // namespace wallpaper_test
