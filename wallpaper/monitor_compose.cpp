#include "wallpaper/monitor_compose.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/picture.h"
#include "platform/desktop/x11_root.h"
#include "wallpaper/device_pixels.h"
#include "wallpaper/fitted_load.h"

namespace wallpaper {

namespace {

std::uint32_t* CanvasRow(CDibImage& canvas, int y) {
    return reinterpret_cast<std::uint32_t*>(canvas.GetRow(static_cast<std::uint32_t>(y)));
}

bool MakeBlackCanvas(CDibImage& canvas, int width, int height) {
    if (width <= 0 || height <= 0 || !canvas.Create(width, height, 32))
        return false;
    for (int y = 0; y < height; ++y)
        std::memset(canvas.GetRow(static_cast<std::uint32_t>(y)), 0, 4 * std::size_t(width));
    return true;
}

// The part of a monitor inside the canvas, in canvas coordinates.
struct Span {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
};

Span Clip(const desktop::Monitor& monitor, const LayoutBox& box) {
    return {std::max(monitor.x - box.x, 0), std::max(monitor.y - box.y, 0),
            std::min(monitor.x - box.x + monitor.width, box.width),
            std::min(monitor.y - box.y + monitor.height, box.height)};
}

// Draws one monitor's picture into its place on the canvas, laid out on the
// monitor as the root window would lay it out on a screen of that size.
void DrawMonitor(CDibImage& canvas, const LayoutBox& box, const desktop::Monitor& monitor,
                 const desktop::PixelView& picture, desktop::Placement placement) {
    const Span area = Clip(monitor, box);
    if (area.Empty())
        return;
    const desktop::ScreenComposer composer(picture, placement, monitor.width, monitor.height);
    std::vector<std::uint32_t> row(static_cast<std::size_t>(monitor.width));
    const int firstColumn = area.left - (monitor.x - box.x);
    for (int y = area.top; y < area.bottom; ++y) {
        composer.ComposeRow(y - (monitor.y - box.y), row.data());
        std::memcpy(CanvasRow(canvas, y) + area.left, row.data() + firstColumn,
                    4 * std::size_t(area.right - area.left));
    }
}

}  // namespace

MonitorMode MonitorModeFromIndex(int index) {
    return index == 1 ? MonitorMode::kEach : index == 2 ? MonitorMode::kSpan : MonitorMode::kSame;
}

LayoutBox LayoutBounds(std::span<const desktop::Monitor> monitors) {
    if (monitors.empty())
        return {};
    int left = 0, top = 0, right = 0, bottom = 0;
    for (const desktop::Monitor& m : monitors) {
        left = std::min(left, m.x);
        top = std::min(top, m.y);
        right = std::max(right, m.x + m.width);
        bottom = std::max(bottom, m.y + m.height);
    }
    return {left, top, right - left, bottom - top};
}

bool FittedPicture::Load(const std::string& path, int width, int height, const ComposeRules& rules,
                         std::string* why) {
    Reset();
    const Size size{static_cast<std::uint32_t>(std::max(width, 1)),
                    static_cast<std::uint32_t>(std::max(height, 1))};
    if (!LoadForChange(loaded_, path, rules.plan.fit, size, rules.position, rules.messages)) {
        *why = "cannot load " + path;
        return false;
    }
    pixels_ = DevicePixels(loaded_, converted_);
    if (!pixels_) {
        *why = "not enough memory for the screen's copy of " + path;
        return false;
    }
    if (pixels_ != &loaded_)
        loaded_.Destroy();  // only the 32-bit copy is needed from here on
    return true;
}

void FittedPicture::Reset() {
    pixels_ = nullptr;
    loaded_.Destroy();
    converted_.Destroy();
}

bool ComposeLayout(CDibImage& canvas, std::span<const desktop::Monitor> monitors,
                   std::span<const std::string> pictures, MonitorMode mode,
                   const ComposeRules& rules, std::string* why) {
    if (monitors.empty() || pictures.empty()) {
        *why = monitors.empty() ? "no monitors to compose for" : "no picture to show";
        return false;
    }
    const LayoutBox box = LayoutBounds(monitors);
    // The canvas is made once the first picture is loaded and fitted: the
    // full-size decode then never lies in memory beside it.
    canvas.Destroy();
    const auto makeCanvas = [&] {
        if (canvas.IsValid() || MakeBlackCanvas(canvas, box.width, box.height))
            return true;
        *why = "not enough memory for a picture of " + std::to_string(box.width) + "x" +
               std::to_string(box.height);
        return false;
    };
    if (mode == MonitorMode::kSpan) {
        FittedPicture picture;
        if (!picture.Load(pictures[0], box.width, box.height, rules, why) || !makeCanvas())
            return false;
        // The picture is laid out on the whole box; each monitor keeps its
        // part and the rest stays black.
        const desktop::ScreenComposer composer(ViewOf(picture.Pixels()), rules.plan.placement,
                                               box.width, box.height);
        std::vector<std::uint32_t> row(static_cast<std::size_t>(box.width));
        for (const desktop::Monitor& monitor : monitors) {
            const Span area = Clip(monitor, box);
            if (area.Empty())
                continue;
            for (int y = area.top; y < area.bottom; ++y) {
                composer.ComposeRow(y, row.data());
                std::memcpy(CanvasRow(canvas, y) + area.left, row.data() + area.left,
                            4 * std::size_t(area.right - area.left));
            }
        }
        return true;
    }
    // One picture at a time, so that only one full-size decode is ever held
    // beside the canvas. The same picture on every monitor is loaded again
    // only for a monitor of another size.
    FittedPicture picture;
    std::string loadedPath;
    int loadedWidth = 0, loadedHeight = 0;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const desktop::Monitor& monitor = monitors[i];
        const std::string& path =
            mode == MonitorMode::kEach && i < pictures.size() ? pictures[i] : pictures[0];
        if (path != loadedPath || monitor.width != loadedWidth || monitor.height != loadedHeight) {
            if (!picture.Load(path, monitor.width, monitor.height, rules, why) || !makeCanvas())
                return false;
            loadedPath = path;
            loadedWidth = monitor.width;
            loadedHeight = monitor.height;
        }
        DrawMonitor(canvas, box, monitor, ViewOf(picture.Pixels()), rules.plan.placement);
    }
    return true;
}

bool CutMonitor(const CDibImage& canvas, const LayoutBox& box, const desktop::Monitor& monitor,
                CDibImage& part) {
    if (!MakeBlackCanvas(part, monitor.width, monitor.height))
        return false;
    const Span area = Clip(monitor, box);
    if (area.Empty())
        return true;
    const int dx = monitor.x - box.x;
    const int dy = monitor.y - box.y;
    for (int y = area.top; y < area.bottom; ++y)
        std::memcpy(part.GetRow(static_cast<std::uint32_t>(y - dy)) + 4 * (area.left - dx),
                    canvas.GetRow(static_cast<std::uint32_t>(y)) + 4 * area.left,
                    4 * std::size_t(area.right - area.left));
    return true;
}

}  // namespace wallpaper
