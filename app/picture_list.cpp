#include "app/picture_list.h"

#include <algorithm>
#include <span>

#include "platform/base/directory_walk.h"
#include "platform/base/text.h"

namespace {

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

std::vector<std::string> ScanImageDirectory(const std::string& directory) {
    // The walk's own order does not matter: the list is sorted as a whole.
    std::vector<std::string> paths =
        Walk(directory, platform::WalkOrder::AsStored, IsImageFileName);
    std::sort(paths.begin(), paths.end(), ImageListLess);
    return paths;
}

std::vector<std::string> ScanMusicDirectory(const std::string& directory) {
    return Walk(directory, platform::WalkOrder::ByName, IsMusicFileName);
}
