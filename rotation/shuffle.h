#pragma once

// Random mode without early repeats: the pictures (or songs) in a shuffled
// order, walked one by one; every one is shown once before any is shown
// again. A used-up order is reshuffled, and the new round never begins with
// the last of the old one, so no picture shows twice in a row across the
// seam. Entries that join the list between two picks take a random place
// among those still to come; entries that left it leave the order; neither
// starts the round over.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

class CShuffleOrder {
public:
    // Seeded from the system's entropy source.
    CShuffleOrder();
    // A fixed seed, for repeatable runs.
    explicit CShuffleOrder(std::uint64_t seed) : engine_(seed) {}

    // Brings the order in line with `list` (the current entries, in any
    // order), then returns the next entry and moves past it. None for an
    // empty list.
    std::optional<std::string> Next(const std::vector<std::string>& list);

    // Only the membership part of Next: new entries join the part still to
    // come, vanished ones leave.
    void Sync(const std::vector<std::string>& list);

    // This round's order and how many of it have been shown.
    const std::vector<std::string>& Order() const { return order_; }
    std::size_t Position() const { return position_; }
    // Puts a stored order back; a position beyond it means used up.
    void Restore(std::vector<std::string> order, std::size_t position);

private:
    void NewRound();

    std::mt19937_64 engine_;
    std::vector<std::string> order_;
    std::size_t position_ = 0;  // entries before it were shown this round
    std::string last_;          // the entry shown most recently
};
