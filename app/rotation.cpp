#include "app/rotation.h"

#include <algorithm>

#include "platform/base/text.h"

int IndexAfterRefresh(const std::vector<std::string>& list, const std::string& laterPaper) {
    if (list.empty())
        return -1;
    if (laterPaper.empty())
        return 0;
    // A whole-path match only: a prefix match would pick "a.jpg.png" for a
    // vanished "a.jpg", and of two files differing in case the exact one wins.
    const auto exact = std::find(list.begin(), list.end(), laterPaper);
    if (exact != list.end())
        return static_cast<int>(exact - list.begin());
    const auto folded = std::find_if(list.begin(), list.end(), [&](const std::string& entry) {
        return platform::EqualsIgnoreCase(entry, laterPaper);
    });
    return folded != list.end() ? static_cast<int>(folded - list.begin()) : 0;
}

int NextIndexInOrder(int current, int count) {
    if (count <= 0)
        return -1;
    if (current < 0 || current >= count)
        return 0;
    return (current + 1) % count;
}

CRandomPicker::CRandomPicker() {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device()};
    engine_.seed(seed);
}

int CRandomPicker::Next(int count) {
    if (count <= 0)
        return -1;
    return std::uniform_int_distribution<int>(0, count - 1)(engine_);
}

int NextImageIndex(int current, int count, int randomMode, CRandomPicker& picker) {
    if (count <= 0)
        return -1;
    return randomMode == 1 ? picker.Next(count) : NextIndexInOrder(current, count);
}
