#pragma once

// Which pictures are portrait, remembered between changes. Matching each
// monitor's orientation in random order looks at every listed picture on
// each change; reading every header each time would stall the window on a
// big folder, so a picture's answer is kept until its file changes (size or
// modification time) and re-read only then.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

class COrientationCache {
public:
    // Reads a picture's orientation from the file; nothing when it cannot tell.
    using Reader = std::function<std::optional<bool>(const std::string& path)>;

    // The default reader: our header probe, then Qt's readers.
    COrientationCache();
    explicit COrientationCache(Reader reader) : reader_(std::move(reader)) {}

    // Whether the picture is portrait; nothing for a missing or unreadable
    // file.
    std::optional<bool> IsPortrait(const std::string& path);

    // Forgets every picture once more than `keep` are known (they are read
    // again as asked), so that a list that keeps changing cannot grow the
    // cache without bound.
    void Trim(std::size_t keep);
    std::size_t Size() const { return known_.size(); }

private:
    struct Known {
        std::int64_t size = 0;
        std::int64_t modified = 0;  // nanoseconds
        std::int64_t changed = 0;
        std::optional<bool> portrait;
    };
    Reader reader_;
    std::unordered_map<std::string, Known> known_;
};

// Whether a picture is portrait, from its header: our probe for the formats
// it knows, Qt's readers for the rest; nothing when neither can tell.
std::optional<bool> ReadPictureOrientation(const std::string& path);
