#include "rotation/shuffle.h"

#include <algorithm>
#include <unordered_set>

CShuffleOrder::CShuffleOrder() {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device()};
    engine_.seed(seed);
}

void CShuffleOrder::Sync(const std::vector<std::string>& list) {
    const std::unordered_set<std::string> wanted(list.begin(), list.end());
    // Leavers go; the position stays on the same next entry.
    std::size_t kept = 0;
    std::size_t newPosition = position_;
    std::unordered_set<std::string> present;
    for (std::size_t i = 0; i < order_.size(); ++i) {
        // A stored order may name an entry twice; the second is dropped too.
        if (!wanted.contains(order_[i]) || !present.insert(order_[i]).second) {
            if (i < position_)
                --newPosition;
            continue;
        }
        if (kept != i)
            order_[kept] = std::move(order_[i]);
        ++kept;
    }
    order_.resize(kept);
    position_ = std::min(newPosition, order_.size());
    // Joiners take random places among the entries still to come.
    for (const std::string& entry : list) {
        if (!present.insert(entry).second)
            continue;
        const std::size_t at =
            std::uniform_int_distribution<std::size_t>(position_, order_.size())(engine_);
        order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(at), entry);
    }
}

std::optional<std::string> CShuffleOrder::Next(const std::vector<std::string>& list) {
    Sync(list);
    if (order_.empty())
        return std::nullopt;
    if (position_ >= order_.size())
        NewRound();
    last_ = order_[position_++];
    return last_;
}

void CShuffleOrder::NewRound() {
    std::shuffle(order_.begin(), order_.end(), engine_);
    position_ = 0;
    // The seam: the new round must not open with the picture just shown.
    if (order_.size() > 1 && order_.front() == last_) {
        const std::size_t other =
            std::uniform_int_distribution<std::size_t>(1, order_.size() - 1)(engine_);
        std::swap(order_.front(), order_[other]);
    }
}

void CShuffleOrder::Restore(std::vector<std::string> order, std::size_t position) {
    order_ = std::move(order);
    position_ = std::min(position, order_.size());
    last_ = position_ > 0 ? order_[position_ - 1] : std::string();
}
