#pragma once

// The pictures shown, newest last, with a cursor on the one on the screen:
// "Previous" walks back through them, "Next" after going back walks forward
// again before new pictures are chosen, like a browser's history. The list
// keeps the last kHistoryLength pictures; it knows nothing of files except
// through the `exists` test its walks are given.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

inline constexpr std::size_t kHistoryLength = 100;

class CPictureHistory {
public:
    using Exists = std::function<bool(const std::string& path)>;

    // A picture now on the screen. The same picture as the cursor's is no
    // new entry (a change of position re-applies it; a walk back or forward
    // records the picture it moved to). Anything else drops the entries
    // ahead of the cursor, is appended and becomes the cursor's; the oldest
    // entries go beyond kHistoryLength.
    void Record(const std::string& path);

    // The picture before (after) the cursor's, moving the cursor there;
    // none at the oldest (newest) entry. Entries `exists` refuses (files
    // deleted meanwhile) are dropped on the way.
    std::optional<std::string> Back(const Exists& exists);
    std::optional<std::string> Forward(const Exists& exists);

    // Whether Forward has an entry to move to (before any existence check).
    bool CanGoForward() const { return cursor_ + 1 < entries_.size(); }

    // Drops every entry of `path` (a picture that could not be read).
    void Forget(const std::string& path);

    const std::vector<std::string>& Entries() const { return entries_; }
    // The index of the picture on the screen; Entries().size() when empty.
    std::size_t Cursor() const { return cursor_; }
    std::optional<std::string> Current() const;

    // Puts a stored history back: entries oldest first, the cursor's index
    // (brought into range; the newest when out of it). Entries beyond
    // kHistoryLength are dropped from the old end.
    void Restore(std::vector<std::string> entries, std::size_t cursor);

private:
    void EraseAt(std::size_t index);

    std::vector<std::string> entries_;
    std::size_t cursor_ = 0;  // == entries_.size() only while empty
};
