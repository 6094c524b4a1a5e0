#pragma once

// Which pictures of the list go to the monitors in "a different picture on
// each monitor": the next ones in order, or at random, and with orientation
// matching a portrait monitor takes the next portrait picture and a
// landscape one the next landscape picture, when the list holds such.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/desktop/monitors.h"

namespace wallpaper {

struct MonitorPickRules {
    bool random = false;           // "Display Mode" is random
    bool matchOrientation = true;  // the "MatchOrientation" setting
    // Any index from 0 to count - 1 (random mode); count is at least 1.
    std::function<int(int count)> randomIndex;
    // Whether the picture is portrait (taller than wide); nothing when its
    // size cannot be told, and such a picture matches no orientation.
    std::function<std::optional<bool>(const std::string& path)> isPortrait;
};

// The list index for each monitor (in the monitors' order). In order, the
// first monitor takes `first` (or, matching orientation, the first fitting
// picture from it on) and each further monitor the following one. At
// random, the first monitor keeps `first` when it fits (the caller drew it
// already); every other monitor draws from the pictures that fit it, else
// from all.
// Empty for an empty list.
std::vector<int> PickForMonitors(std::span<const std::string> list, int first,
                                 std::span<const desktop::Monitor> monitors,
                                 const MonitorPickRules& rules);

}  // namespace wallpaper
