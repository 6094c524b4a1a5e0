#include "platform/base/profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <mutex>

#include "platform/base/files.h"
#include "platform/base/paths.h"
#include "platform/base/text.h"

namespace platform {

namespace {

// A settings file beyond this is not ours; we neither parse nor rewrite it.
constexpr std::size_t kMaxProfileBytes = std::size_t{64} << 20;

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

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// One line of the file: its text without the line break, and where the next
// line starts.
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

bool NextLine(std::string_view text, std::size_t pos, Line& line) {
    if (pos >= text.size())
        return false;
    const std::size_t newline = text.find('\n', pos);
    line.begin = pos;
    line.next = newline == std::string_view::npos ? text.size() : newline + 1;
    line.end = newline == std::string_view::npos ? text.size() : newline;
    if (line.end > line.begin && text[line.end - 1] == '\r')
        --line.end;
    return true;
}

enum class LineKind { kOther, kHeader, kKey };

struct Parsed {
    LineKind kind = LineKind::kOther;
    std::string_view name;
    std::string_view value;
};

Parsed Classify(std::string_view text) {
    const std::string_view trimmed = Trim(text);
    if (trimmed.empty() || trimmed.front() == ';')
        return {};
    if (trimmed.front() == '[') {
        // Without its closing bracket a header is no header: the keys below
        // it stay with the section before.
        const std::size_t close = trimmed.find(']');
        if (close == std::string_view::npos)
            return {};
        return {LineKind::kHeader, Trim(trimmed.substr(1, close - 1)), {}};
    }
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos)
        return {};
    return {LineKind::kKey, Trim(trimmed.substr(0, equals)), Trim(trimmed.substr(equals + 1))};
}

// Where a key is, or would go.
struct Location {
    bool sectionFound = false;
    bool keyFound = false;
    Line keyLine;
    Line lastFilled;  // the section's last non-blank line, its header at least
};

Location Find(std::string_view text, std::string_view section, std::string_view key) {
    Location at;
    bool inSection = false;
    Line line;
    for (std::size_t pos = 0; NextLine(text, pos, line); pos = line.next) {
        const Parsed parsed = Classify(text.substr(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::kHeader) {
            if (inSection)
                break;  // the first matching section is the only one
            inSection = EqualsIgnoreCase(parsed.name, section);
            if (inSection) {
                at.sectionFound = true;
                at.lastFilled = line;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (parsed.kind == LineKind::kKey && EqualsIgnoreCase(parsed.name, key)) {
            at.keyFound = true;
            at.keyLine = line;
            return at;
        }
        if (!Trim(text.substr(line.begin, line.end - line.begin)).empty())
            at.lastFilled = line;
    }
    return at;
}

bool HasAny(std::string_view text, std::string_view chars) {
    return text.find_first_of(chars) != std::string_view::npos;
}

constexpr std::string_view kLineBreaks("\r\n\0", 3);

bool StorableNames(std::string_view section, std::string_view key) {
    return !HasAny(section, kLineBreaks) && !HasAny(section, "]") && !key.empty() &&
           !HasAny(key, kLineBreaks) && !HasAny(key, "=") && key.front() != '[' &&
           key.front() != ';';
}

// The value as it has to stand in the file to read back unchanged.
std::string EncodeValue(std::string_view value) {
    const bool needsQuotes =
        !value.empty() &&
        (IsBlank(value.front()) || IsBlank(value.back()) ||
         (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()));
    if (!needsQuotes)
        return std::string(value);
    return "\"" + std::string(value) + "\"";
}

// The whole file, or nothing when it cannot be read. A file that does not
// exist reads as empty with `missing` set.
std::optional<std::string> LoadFile(const std::string& path, bool& missing) {
    missing = false;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        missing = errno == ENOENT || errno == ENOTDIR;
        return missing ? std::optional<std::string>(std::string{}) : std::nullopt;
    }
    CMappedFile file;
    if (!file.Open(path) || file.Data().size() > kMaxProfileBytes)
        return std::nullopt;
    const auto bytes = file.Data();
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Serialises writers of one file: threads of this process through a mutex
// (cheap, and independent of how flock treats one process), other processes
// through flock on a lock file beside it. The lock file stays: removing it
// would let two writers lock two different files.
class WriterLock {
public:
    explicit WriterLock(const std::string& path) : local_(Mutex()) {
        const std::string dir = DirectoryOfPath(path);
        const std::string name = path.substr(dir.size());
        const std::string lockPath = dir + "." + name + ".lock";
        fd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd_ < 0)
            return;
        int rc;
        do {
            rc = flock(fd_, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~WriterLock() {
        if (fd_ >= 0)
            close(fd_);  // releases the flock
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    bool Held() const { return fd_ >= 0; }

private:
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }

    std::unique_lock<std::mutex> local_;
    int fd_ = -1;
};

// The checks every write makes of its names and value.
bool Storable(std::string_view section, std::string_view key, const std::string_view* value) {
    return StorableNames(section, key) && (!value || !HasAny(*value, kLineBreaks));
}

// Sets (value given) or removes (none) one key in the file's text, as
// loaded; whether the text changed. Names are trimmed and storable.
bool Apply(std::string& text, std::string_view section, std::string_view key,
           const std::string_view* value) {
    const Location at = Find(text, section, key);
    // New lines end the way the file's first line does.
    const std::size_t firstBreak = text.find('\n');
    const std::string eol =
        firstBreak != std::string::npos && firstBreak > 0 && text[firstBreak - 1] == '\r' ? "\r\n"
                                                                                          : "\n";

    if (!value) {
        if (!at.keyFound)
            return false;
        // A later duplicate in the section would be read once the first is
        // gone: every one goes, so the key is gone as the caller was told.
        for (Location left = at; left.keyFound; left = Find(text, section, key))
            text.erase(left.keyLine.begin, left.keyLine.next - left.keyLine.begin);
    } else if (at.keyFound) {
        const std::string_view line(text.data() + at.keyLine.begin,
                                    at.keyLine.end - at.keyLine.begin);
        const std::string entry = std::string(Classify(line).name) + "=" + EncodeValue(*value);
        if (entry == line)
            return false;
        text.replace(at.keyLine.begin, at.keyLine.end - at.keyLine.begin, entry);
    } else if (at.sectionFound) {
        const std::string entry = std::string(key) + "=" + EncodeValue(*value);
        const Line& after = at.lastFilled;
        if (after.next == text.size() && text.back() != '\n')  // last line, no break
            text.insert(after.next, eol + entry);
        else
            text.insert(after.next, entry + eol);
    } else {
        if (!text.empty() && text.back() != '\n')
            text += eol;
        Line last;
        std::size_t lastStart = 0;
        for (std::size_t pos = 0; NextLine(text, pos, last); pos = last.next)
            lastStart = last.begin;
        // A blank line between sections, as people write them.
        if (!text.empty() && !Trim(std::string_view(text).substr(lastStart)).empty())
            text += eol;
        text += "[" + std::string(section) + "]" + eol;
        text += std::string(key) + "=" + EncodeValue(*value) + eol;
    }
    return true;
}

// One change of a file: its text loaded once under the writers' lock,
// edited by `edit` (which says whether it changed anything) and put in place
// as one atomic replacement when it did. A missing file is created only when
// `create` is set.
template <typename Edit>
bool Rewrite(const std::string& path, bool create, Edit edit) {
    WriterLock lock(path);
    if (!lock.Held())
        return false;
    bool missing = false;
    const std::optional<std::string> loaded = LoadFile(path, missing);
    if (!loaded)
        return false;
    if (missing && !create)
        return true;
    std::string text = *loaded;
    if (!edit(text))
        return true;
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return WriteFileAtomically(path, bytes, ReplaceTarget::kWritableFile);
}

// Sets (value given) or removes (none) one key, under the writers' lock.
bool Update(const std::string& path, std::string_view section, std::string_view key,
            const std::string_view* value) {
    section = Trim(section);
    key = Trim(key);
    if (path.empty() || !Storable(section, key, value))
        return false;
    return Rewrite(path, value != nullptr,
                   [&](std::string& text) { return Apply(text, section, key, value); });
}

}  // namespace

std::optional<std::string> ReadProfileValue(const std::string& path, std::string_view section,
                                            std::string_view key) {
    bool missing = false;
    const std::optional<std::string> text = LoadFile(path, missing);
    if (!text || missing)
        return std::nullopt;
    const Location at = Find(*text, Trim(section), Trim(key));
    if (!at.keyFound)
        return std::nullopt;
    const std::string_view line(text->data() + at.keyLine.begin, at.keyLine.end - at.keyLine.begin);
    return std::string(Unquote(Classify(line).value));
}

std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view fallback) {
    std::optional<std::string> value = ReadProfileValue(path, section, key);
    return value ? std::move(*value) : std::string(fallback);
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
    return Update(path, section, key, &value);
}

bool WriteProfileStrings(const std::string& path, std::string_view section,
                         std::span<const ProfileEntry> entries) {
    section = Trim(section);
    if (path.empty())
        return false;
    bool allStored = true;
    const bool written = Rewrite(path, true, [&](std::string& text) {
        bool changed = false;
        for (const ProfileEntry& entry : entries) {
            const std::string_view key = Trim(entry.key);
            if (!Storable(section, key, &entry.value)) {
                allStored = false;
                continue;
            }
            changed = Apply(text, section, key, &entry.value) || changed;
        }
        return changed;
    });
    return written && allStored;
}

bool DeleteProfileKey(const std::string& path, std::string_view section, std::string_view key) {
    return Update(path, section, key, nullptr);
}

}  // namespace platform
