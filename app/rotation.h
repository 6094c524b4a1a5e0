#pragma once

// Which entry of the image list becomes the current picture: after a
// refresh, and at each change (next in order, or at random).

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// The entry to select after the list was rebuilt: the one that is
// `laterPaper` (the last wallpaper), else one equal to it but for letter
// case, else the first. -1 for an empty list.
int IndexAfterRefresh(const std::vector<std::string>& list, const std::string& laterPaper);

// The entry after `current` in list order, the first after the last; the
// first when nothing is selected (`current` outside the list). -1 for an
// empty list.
int NextIndexInOrder(int current, int count);

// Draws entries at random from one generator seeded once, so that picks in
// quick succession differ (a generator reseeded from the clock at every pick
// repeats itself within the same second). The current entry may be drawn
// again.
class CRandomPicker {
public:
    // Seeded from the system's entropy source.
    CRandomPicker();
    // A fixed seed, for repeatable runs.
    explicit CRandomPicker(std::uint64_t seed) : engine_(seed) {}

    // Any entry from 0 to count - 1, each equally likely; -1 when count is 0.
    int Next(int count);

private:
    std::mt19937_64 engine_;
};

// The entry ShowNextImage moves to: at random when `randomMode` is 1,
// otherwise in order. -1 for an empty list (nothing to do).
int NextImageIndex(int current, int count, int randomMode, CRandomPicker& picker);
