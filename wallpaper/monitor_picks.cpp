#include "wallpaper/monitor_picks.h"

#include <map>

namespace wallpaper {

namespace {

// Orientations are asked for once per pick, however many monitors look.
class Orientations {
public:
    Orientations(std::span<const std::string> list, const MonitorPickRules& rules)
        : list_(list), rules_(rules) {}

    bool Fits(int index, const desktop::Monitor& monitor) {
        if (!rules_.matchOrientation)
            return true;
        auto found = known_.find(index);
        if (found == known_.end()) {
            std::optional<bool> portrait;
            if (rules_.isPortrait)
                portrait = rules_.isPortrait(list_[static_cast<std::size_t>(index)]);
            found = known_.emplace(index, portrait).first;
        }
        return found->second && *found->second == monitor.IsPortrait();
    }

private:
    std::span<const std::string> list_;
    const MonitorPickRules& rules_;
    std::map<int, std::optional<bool>> known_;
};

int RandomIndex(const MonitorPickRules& rules, int count) {
    const int drawn = rules.randomIndex ? rules.randomIndex(count) : 0;
    return drawn >= 0 && drawn < count ? drawn : 0;
}

}  // namespace

std::vector<int> PickForMonitors(std::span<const std::string> list, int first,
                                 std::span<const desktop::Monitor> monitors,
                                 const MonitorPickRules& rules) {
    std::vector<int> picks;
    const int count = static_cast<int>(list.size());
    if (count == 0)
        return picks;
    Orientations orientations(list, rules);
    int cursor = first >= 0 && first < count ? first : 0;
    for (std::size_t m = 0; m < monitors.size(); ++m) {
        const desktop::Monitor& monitor = monitors[m];
        if (rules.random) {
            // The caller drew the first monitor's picture from its own
            // shuffled order; it stays when it suits the monitor.
            if (m == 0 && first >= 0 && first < count && orientations.Fits(first, monitor)) {
                picks.push_back(first);
                continue;
            }
            std::vector<int> fitting;
            if (rules.matchOrientation)
                for (int i = 0; i < count; ++i)
                    if (orientations.Fits(i, monitor))
                        fitting.push_back(i);
            picks.push_back(fitting.empty() ? RandomIndex(rules, count)
                                            : fitting[static_cast<std::size_t>(RandomIndex(
                                                  rules, static_cast<int>(fitting.size())))]);
            continue;
        }
        // In order: the first monitor starts at the current picture, each
        // further one after the picture before it; once round the list at
        // most, then the plain next picture.
        const int start = m == 0 ? cursor : (cursor + 1) % count;
        int chosen = start;
        for (int step = 0; step < count; ++step) {
            const int index = (start + step) % count;
            if (orientations.Fits(index, monitor)) {
                chosen = index;
                break;
            }
        }
        picks.push_back(chosen);
        cursor = chosen;
    }
    return picks;
}

}  // namespace wallpaper
