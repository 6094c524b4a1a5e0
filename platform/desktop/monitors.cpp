#include "platform/desktop/monitors.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>

#include "platform/base/json.h"
#include "platform/desktop/child_process.h"
#include "platform/desktop/wayland_tools.h"
#include "platform/x11/randr_monitors.h"

namespace desktop {

namespace {

constexpr std::chrono::milliseconds kToolLimit{3000};

std::mutex g_knownLock;
std::vector<Monitor> g_known;  // guarded by g_knownLock

int ToInt(double value) {
    // Sizes and positions of real monitors are far inside int's range.
    if (!(value > -1e9 && value < 1e9))
        return 0;
    return static_cast<int>(std::lround(value));
}

// Whether a Wayland transform turns the picture a quarter: sway names them
// ("90", "flipped-270"), Hyprland numbers them (1, 3, 5, 7).
bool QuarterTurnName(const std::string& transform) {
    return transform.find("90") != std::string::npos || transform.find("270") != std::string::npos;
}

}  // namespace

std::string DescribeMonitor(const Monitor& monitor) {
    std::string text = monitor.name + " " + std::to_string(monitor.width) + "x" +
                       std::to_string(monitor.height) + (monitor.x < 0 ? "" : "+") +
                       std::to_string(monitor.x) + (monitor.y < 0 ? "" : "+") +
                       std::to_string(monitor.y);
    if (monitor.primary)
        text += " primary";
    text += monitor.IsPortrait() ? " portrait" : " landscape";
    return text;
}

void SortMonitors(std::vector<Monitor>& monitors) {
    std::stable_sort(monitors.begin(), monitors.end(), [](const Monitor& a, const Monitor& b) {
        return a.x != b.x ? a.x < b.x : a.y < b.y;
    });
}

std::vector<Monitor> ParseSwayOutputs(std::string_view json) {
    std::vector<Monitor> monitors;
    const std::optional<platform::JsonValue> root = platform::ParseJson(json);
    if (!root || !root->IsArray())
        return monitors;
    for (const platform::JsonValue& output : root->Items()) {
        if (!output.IsObject() || !output.BoolAt("active", true))
            continue;
        const platform::JsonValue* rect = output.Find("rect");
        const platform::JsonValue* mode = output.Find("current_mode");
        if (!rect || !rect->IsObject())
            continue;
        Monitor monitor{.name = output.StringAt("name"),
                        .x = ToInt(rect->NumberAt("x")),
                        .y = ToInt(rect->NumberAt("y")),
                        .width = ToInt(rect->NumberAt("width")),
                        .height = ToInt(rect->NumberAt("height")),
                        .primary = output.BoolAt("focused")};
        // rect is in logical pixels (after scaling); the mode is the panel's
        // own size, before its rotation.
        if (mode && mode->IsObject() && mode->NumberAt("width") > 0) {
            int width = ToInt(mode->NumberAt("width"));
            int height = ToInt(mode->NumberAt("height"));
            if (QuarterTurnName(output.StringAt("transform")))
                std::swap(width, height);
            monitor.width = width;
            monitor.height = height;
        }
        if (monitor.name.empty() || monitor.width <= 0 || monitor.height <= 0)
            continue;
        monitors.push_back(std::move(monitor));
    }
    SortMonitors(monitors);
    return monitors;
}

std::vector<Monitor> ParseHyprlandMonitors(std::string_view json) {
    std::vector<Monitor> monitors;
    const std::optional<platform::JsonValue> root = platform::ParseJson(json);
    if (!root || !root->IsArray())
        return monitors;
    for (const platform::JsonValue& output : root->Items()) {
        if (!output.IsObject() || output.BoolAt("disabled"))
            continue;
        Monitor monitor{.name = output.StringAt("name"),
                        .x = ToInt(output.NumberAt("x")),
                        .y = ToInt(output.NumberAt("y")),
                        .width = ToInt(output.NumberAt("width")),
                        .height = ToInt(output.NumberAt("height")),
                        .primary = output.BoolAt("focused")};
        // Odd transforms (90, 270 and their flipped kinds) turn a quarter.
        if (ToInt(output.NumberAt("transform")) % 2 == 1)
            std::swap(monitor.width, monitor.height);
        if (monitor.name.empty() || monitor.width <= 0 || monitor.height <= 0)
            continue;
        monitors.push_back(std::move(monitor));
    }
    SortMonitors(monitors);
    return monitors;
}

void SetKnownMonitors(std::vector<Monitor> monitors) {
    SortMonitors(monitors);
    std::lock_guard lock(g_knownLock);
    g_known = std::move(monitors);
}

MonitorListing ListSessionMonitors() {
    MonitorListing listing;
    {
        std::lock_guard lock(g_knownLock);
        if (!g_known.empty()) {
            listing.monitors = g_known;
            listing.source = "window system";
            return listing;
        }
    }
    const Compositor compositor = DetectCompositor();
    if (compositor != Compositor::kNone) {
        const bool hyprland = compositor == Compositor::kHyprland;
        const std::vector<std::string> argv =
            hyprland ? std::vector<std::string>{"hyprctl", "monitors", "-j"}
                     : std::vector<std::string>{"swaymsg", "-r", "-t", "get_outputs"};
        const RunResult run = RunWithTimeLimit(argv, kToolLimit);
        if (run.Succeeded()) {
            listing.monitors =
                hyprland ? ParseHyprlandMonitors(run.out) : ParseSwayOutputs(run.out);
            listing.source = hyprland ? "Hyprland" : "sway";
            if (!listing.monitors.empty())
                return listing;
            listing.error = argv[0] + " listed no monitors";
        } else {
            listing.error = run.Describe(argv[0]);
        }
        // A wlroots compositor other than sway has no swaymsg; its X11
        // clients may still see the outputs through Xwayland's RandR.
    }
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        if (listing.error.empty())
            listing.error = "no X11 display and no sway or Hyprland to ask";
        return listing;
    }
    std::vector<x11::RandrMonitor> randr;
    std::string why;
    if (!x11::ListRandrMonitors(&randr, &why)) {
        listing.error = why;
        return listing;
    }
    listing.monitors.clear();
    for (const x11::RandrMonitor& m : randr)
        listing.monitors.push_back({.name = m.name,
                                    .x = m.x,
                                    .y = m.y,
                                    .width = m.width,
                                    .height = m.height,
                                    .primary = m.primary});
    SortMonitors(listing.monitors);
    listing.source = "RandR";
    listing.error.clear();
    return listing;
}

}  // namespace desktop
