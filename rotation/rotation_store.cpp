#include "rotation/rotation_store.h"

#include <charconv>
#include <fstream>
#include <span>
#include <vector>

#include "platform/base/files.h"

namespace {

constexpr std::string_view kHistoryHeader = "Drapewell history 1";
constexpr std::string_view kShuffleHeader = "Drapewell shuffle 1";

// A stored list: its index (cursor or position) and its paths.
struct StoredList {
    std::size_t index = 0;
    std::vector<std::string> entries;
};

bool WriteList(const std::string& file, std::string_view header,
               const std::vector<std::string>& entries, std::size_t index) {
    std::string text(header);
    text += '\n';
    std::string body;
    std::size_t stored = 0;
    std::size_t storedIndex = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i == index)
            storedIndex = stored;
        // A line break inside a name would split it into two entries.
        if (entries[i].find('\n') != std::string::npos)
            continue;
        body += entries[i];
        body += '\n';
        ++stored;
    }
    if (index >= entries.size())
        storedIndex = stored;
    text += std::to_string(storedIndex);
    text += '\n';
    text += body;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    return platform::WriteFileAtomically(file, std::span(bytes, text.size()));
}

bool ReadList(const std::string& file, std::string_view header, StoredList& list) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line) || line != header)
        return false;
    if (!std::getline(in, line))
        return false;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), list.index);
    if (error != std::errc() || end != line.data() + line.size())
        return false;
    while (std::getline(in, line)) {
        if (!line.empty())
            list.entries.push_back(line);
    }
    return !in.bad();
}

}  // namespace

bool SaveHistory(const std::string& file, const CPictureHistory& history) {
    return WriteList(file, kHistoryHeader, history.Entries(), history.Cursor());
}

bool SaveShuffle(const std::string& file, const CShuffleOrder& order) {
    return WriteList(file, kShuffleHeader, order.Order(), order.Position());
}

bool LoadHistory(const std::string& file, CPictureHistory& history) {
    StoredList list;
    if (!ReadList(file, kHistoryHeader, list))
        return false;
    history.Restore(std::move(list.entries), list.index);
    return true;
}

bool LoadShuffle(const std::string& file, CShuffleOrder& order) {
    StoredList list;
    if (!ReadList(file, kShuffleHeader, list))
        return false;
    order.Restore(std::move(list.entries), list.index);
    return true;
}
