// The INI reader and writer on arbitrary files: the input is split at its
// first three 0x01 bytes into a section, a key, a value and the file's text.
// Every key the file names is read; then the section and key are set to the
// value. A write is refused exactly when the names or the value cannot stand
// on one line; an accepted one reads back as written, leaves every other
// key's value as it was, and holds through a batch write and a delete.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/scratch_dir.h"
#include "platform/base/profile.h"
#include "platform/base/text.h"

namespace {

using platform::EqualsIgnoreCase;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The names and values the file format can hold, as the header documents
// them, written out independently of the reader.
bool Storable(std::string_view section, std::string_view key, std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    return !HasLineBreak(section) && section.find(']') == std::string_view::npos && !key.empty() &&
           !HasLineBreak(key) && key.find('=') == std::string_view::npos && key.front() != '[' &&
           key.front() != ';' && !HasLineBreak(value);
}

struct Name {
    std::string section;
    std::string key;
};

// Up to a few dozen (section, key) pairs the text mentions: enough to see
// whether a write disturbs its neighbours without making each run slow.
std::vector<Name> NamesIn(std::string_view text) {
    std::vector<Name> names;
    std::string section;
    std::size_t pos = 0;
    while (pos < text.size() && names.size() < 32) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (!line.empty() && line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close != std::string_view::npos)
                section = std::string(line.substr(1, close - 1));
        } else if (const std::size_t equals = line.find('='); equals != std::string_view::npos) {
            names.push_back({section, std::string(line.substr(0, equals))});
        }
    }
    return names;
}

bool SameName(const Name& a, std::string_view section, std::string_view key) {
    return EqualsIgnoreCase(Trim(a.section), Trim(section)) &&
           EqualsIgnoreCase(Trim(a.key), Trim(key));
}

// The next part of the input up to a 0x01 byte, or `fallback` when the
// input has no separator left.
std::string_view Part(std::string_view& input, std::string_view fallback) {
    const std::size_t cut = input.find('\x01');
    if (cut == std::string_view::npos)
        return fallback;
    const std::string_view part = input.substr(0, cut);
    input.remove_prefix(cut + 1);
    return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::ScratchDirectory() + "profile.ini";
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view section = Part(input, "Setting");
    const std::string_view key = Part(input, "Key");
    const std::string_view value = Part(input, "value");
    fuzz::WriteWholeFile(path, input);

    const std::vector<Name> names = NamesIn(input);
    std::vector<std::optional<std::string>> before;
    for (const Name& name : names)
        before.push_back(platform::ReadProfileValue(path, name.section, name.key));

    const bool storable = Storable(section, key, value);
    if (platform::WriteProfileString(path, section, key, value) != storable)
        fuzz::Broken("a write refused a storable value or took an unstorable one");
    if (!storable)
        return 0;
    if (platform::ReadProfileValue(path, section, key) != std::optional<std::string>(value))
        fuzz::Broken("a value does not read back as written");
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!SameName(names[i], section, key) &&
            platform::ReadProfileValue(path, names[i].section, names[i].key) != before[i])
            fuzz::Broken("a write changed another key's value");
    }

    // The batch write of the same key and a second one, then a delete.
    const std::string second = std::string(Trim(key)) + "2";
    const platform::ProfileEntry entries[] = {{.key = key, .value = "x"},
                                              {.key = second, .value = value}};
    if (!platform::WriteProfileStrings(path, section, entries))
        fuzz::Broken("a batch of storable values was refused");
    if (platform::ReadProfileValue(path, section, key) != std::optional<std::string>("x") ||
        platform::ReadProfileValue(path, section, second) != std::optional<std::string>(value))
        fuzz::Broken("a batch write does not read back");
    if (!platform::DeleteProfileKey(path, section, key) ||
        platform::ReadProfileValue(path, section, key))
        fuzz::Broken("a deleted key still reads");
    return 0;
}
