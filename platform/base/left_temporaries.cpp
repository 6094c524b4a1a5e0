#include "platform/base/left_temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace platform {

namespace {

// mkostemp's six characters.
constexpr std::size_t kSuffixLength = 6;

bool SuffixCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

std::string TemporaryTemplate(std::string_view name) {
    return "." + std::string(name) + "." + std::string(kSuffixLength, 'X');
}

std::string TemporaryTarget(std::string_view name) {
    // "." + NAME + "." + six characters, NAME not empty.
    if (name.size() < kSuffixLength + 3 || name.front() != '.')
        return {};
    const std::size_t dot = name.size() - kSuffixLength - 1;
    if (name[dot] != '.')
        return {};
    for (const char c : name.substr(dot + 1))
        if (!SuffixCharacter(c))
            return {};
    return std::string(name.substr(1, dot - 1));
}

std::size_t RemoveLeftTemporaries(const std::string& directory,
                                  const std::function<bool(std::string_view)>& ours) {
    const int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return 0;
    // fdopendir owns the descriptor from here on.
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(fdopendir(dirFd), closedir);
    if (!dir) {
        close(dirFd);
        return 0;
    }
    std::size_t removed = 0;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        const std::string target = TemporaryTarget(name);
        if (target.empty() || !ours(target))
            continue;
        // Never a directory or a link someone put there under such a name.
        struct stat st;
        if (fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
    }
    return removed;
}

}  // namespace platform
