#include "rotation/history.h"

#include <algorithm>

void CPictureHistory::Record(const std::string& path) {
    if (path.empty())
        return;
    if (cursor_ < entries_.size() && entries_[cursor_] == path)
        return;
    if (cursor_ < entries_.size())
        entries_.resize(cursor_ + 1);
    entries_.push_back(path);
    if (entries_.size() > kHistoryLength)
        entries_.erase(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(
                                                                entries_.size() - kHistoryLength));
    cursor_ = entries_.size() - 1;
}

std::optional<std::string> CPictureHistory::Back(const Exists& exists) {
    while (cursor_ > 0 && cursor_ < entries_.size()) {
        const std::size_t candidate = cursor_ - 1;
        if (exists(entries_[candidate])) {
            cursor_ = candidate;
            return entries_[cursor_];
        }
        EraseAt(candidate);  // moves the cursor down with the entries after it
    }
    return std::nullopt;
}

std::optional<std::string> CPictureHistory::Forward(const Exists& exists) {
    while (cursor_ + 1 < entries_.size()) {
        const std::size_t candidate = cursor_ + 1;
        if (exists(entries_[candidate])) {
            cursor_ = candidate;
            return entries_[cursor_];
        }
        EraseAt(candidate);
    }
    return std::nullopt;
}

void CPictureHistory::Forget(const std::string& path) {
    for (std::size_t i = entries_.size(); i-- > 0;) {
        if (entries_[i] == path)
            EraseAt(i);
    }
}

std::optional<std::string> CPictureHistory::Current() const {
    if (cursor_ < entries_.size())
        return entries_[cursor_];
    return std::nullopt;
}

void CPictureHistory::Restore(std::vector<std::string> entries, std::size_t cursor) {
    std::erase_if(entries, [](const std::string& path) { return path.empty(); });
    if (entries.size() > kHistoryLength) {
        const std::size_t dropped = entries.size() - kHistoryLength;
        entries.erase(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(dropped));
        cursor = cursor >= dropped ? cursor - dropped : 0;
    }
    entries_ = std::move(entries);
    cursor_ = entries_.empty() ? 0 : (cursor < entries_.size() ? cursor : entries_.size() - 1);
}

void CPictureHistory::EraseAt(std::size_t index) {
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    // The cursor stays on its entry; on the entry before a dropped current
    // one, so that a walk forward goes on after it.
    if (cursor_ > 0 && index <= cursor_)
        --cursor_;
}
