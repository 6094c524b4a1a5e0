#include "app/picture_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <span>

#include "platform/base/directory_walk.h"
#include "platform/base/paths.h"
#include "platform/base/text.h"

namespace {

// The names a wallpaper change writes into the data directory: the staging
// bitmap, and the two names handed to desktops that cache a picture by path
// (these keep the extension of what they stand for).
constexpr std::string_view kStagingName = "MyWallPaper.bmp";
constexpr std::string_view kAlternatingStems[] = {"MyWallPaper-1.", "MyWallPaper-2."};

// Skips the digits at the front of `text`; false when there are none.
bool SkipNumber(std::string_view& text) {
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    text.remove_prefix(digits);
    return digits > 0;
}

// With several monitors: each monitor's staging bitmap
// "MyWallPaper-monitorN.bmp", and its two names for desktops that cache by
// path, "MyWallPaper-screenN-1.ext" and "MyWallPaper-screenN-2.ext".
bool HasMonitorStagingName(std::string_view name) {
    constexpr std::string_view kMonitor = "MyWallPaper-monitor";
    constexpr std::string_view kScreen = "MyWallPaper-screen";
    if (name.starts_with(kMonitor)) {
        name.remove_prefix(kMonitor.size());
        return SkipNumber(name) && name == ".bmp";
    }
    if (!name.starts_with(kScreen))
        return false;
    name.remove_prefix(kScreen.size());
    if (!SkipNumber(name) || !(name.starts_with("-1.") || name.starts_with("-2.")))
        return false;
    name.remove_prefix(3);
    return !name.empty() && name.find('.') == std::string_view::npos;
}

bool HasStagingName(std::string_view name) {
    if (name == kStagingName || HasMonitorStagingName(name))
        return true;
    return std::any_of(std::begin(kAlternatingStems), std::end(kAlternatingStems),
                       [&](std::string_view stem) {
                           return name.size() > stem.size() && name.starts_with(stem) &&
                                  name.find('.', stem.size()) == std::string_view::npos;
                       });
}

bool SameDirectory(const std::string& a, const std::string& b) {
    struct stat first {
    }, second{};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool HasExtension(std::string_view name, std::span<const std::string_view> extensions) {
    const std::string_view extension = platform::ExtensionOf(name);
    return std::any_of(extensions.begin(), extensions.end(), [&](std::string_view e) {
        return platform::EqualsIgnoreCase(extension, e);
    });
}

std::vector<std::string> Walk(const std::string& directory, platform::WalkOrder order,
                              bool (*accept)(std::string_view)) {
    std::vector<std::string> paths;
    platform::WalkDirectoryTree(DirectoryWithSlash(directory), order, accept,
                                [&](std::string path) { paths.push_back(std::move(path)); });
    return paths;
}

}  // namespace

bool IsImageFileName(std::string_view name) {
    return HasExtension(name, kImageExtensions);
}

bool IsMusicFileName(std::string_view name) {
    return HasExtension(name, kMusicExtensions);
}

std::string DirectoryWithSlash(std::string directory) {
    if (!directory.empty() && directory.back() != '/')
        directory += '/';
    return directory;
}

bool ImageListLess(const std::string& a, const std::string& b) {
    return platform::NameLess(a, b);
}

bool IsStagingPicture(const std::string& path, const std::string& stagingDirectory) {
    const std::size_t slash = path.rfind('/');
    if (stagingDirectory.empty() || slash == std::string::npos)
        return false;
    return HasStagingName(std::string_view(path).substr(slash + 1)) &&
           SameDirectory(path.substr(0, slash + 1), stagingDirectory);
}

bool CheckPictureRequest(const std::string& path, std::string& why) {
    if (path.empty() || path.front() != '/') {
        why = "not a full path: " + platform::OneLineText(path);
        return false;
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        why = "no such file: " + platform::OneLineText(path);
        return false;
    }
    if (!IsImageFileName(path)) {
        why = "not a picture file Drapewell reads: " + platform::OneLineText(path);
        return false;
    }
    return true;
}

std::vector<std::string> ScanImageDirectory(const std::string& directory) {
    return ScanImageDirectory(directory, GetWindowsDirectoryPath());
}

std::vector<std::string> ScanImageDirectory(const std::string& directory,
                                            const std::string& stagingDirectory) {
    // The walk's own order does not matter: the list is sorted as a whole.
    std::vector<std::string> paths =
        Walk(directory, platform::WalkOrder::AsStored, IsImageFileName);
    std::erase_if(
        paths, [&](const std::string& path) { return IsStagingPicture(path, stagingDirectory); });
    std::sort(paths.begin(), paths.end(), ImageListLess);
    return paths;
}

std::vector<std::string> ScanMusicDirectory(const std::string& directory) {
    return Walk(directory, platform::WalkOrder::ByName, IsMusicFileName);
}
