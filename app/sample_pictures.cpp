#include "app/sample_pictures.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/picture_list.h"
#include "platform/base/paths.h"

namespace fs = std::filesystem;

namespace {

bool HoldsSamples(const fs::path& dir) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        if (std::error_code entryError;
            it->is_regular_file(entryError) && IsImageFileName(it->path().filename().string()))
            return true;
    return false;
}

// Copies `source` to `target` through a temporary beside it, then links the
// temporary into place: the link fails when the target exists, so even a
// file that appeared meanwhile is kept, and a copy cut short is never seen
// under the picture's name.
bool CopyWithoutReplacing(const fs::path& source, const fs::path& target) {
    std::error_code ec;
    const fs::path temporary = target.parent_path() / ("." + target.filename().string() + ".part");
    if (!fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, ec)) {
        fs::remove(temporary, ec);
        return false;
    }
    fs::create_hard_link(temporary, target, ec);
    bool placed = !ec;
    // A file system without hard links: a rename, after one more look.
    std::error_code probe;
    if (ec && ec != std::errc::file_exists && !fs::exists(fs::symlink_status(target, probe))) {
        fs::rename(temporary, target, ec);
        placed = !ec;
    }
    fs::remove(temporary, ec);
    return placed;
}

}  // namespace

std::string FindSamplePicturesDirectory() {
    std::string candidates[] = {
        GetModuleDirectory().empty() ? std::string{}
                                     : GetModuleDirectory() + "../share/drapewell/samples/",
        DRAPEWELL_INSTALLED_SAMPLES_DIR,
        DRAPEWELL_BUILD_SAMPLES_DIR,
    };
    for (std::string& dir : candidates) {
        dir = DirectoryWithSlash(std::move(dir));
        if (!dir.empty() && HoldsSamples(dir))
            return dir;
    }
    return {};
}

int InstallSamplePictures(const std::string& dataDir, const std::string& sourceDir) {
    if (dataDir.empty() || sourceDir.empty())
        return 0;
    const fs::path data(dataDir);
    const fs::path marker = data / kSamplesInstalledMarker;
    std::error_code ec;
    if (fs::exists(marker, ec) || !fs::is_directory(data, ec))
        return 0;
    // The standard iterator throws from ++; increment(ec) does not.
    fs::directory_iterator it(sourceDir, ec);
    if (ec)
        return 0;
    int copied = 0;
    bool complete = true;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code entryError;
        const fs::path name = it->path().filename();
        if (!it->is_regular_file(entryError) || !IsImageFileName(name.string()))
            continue;
        if (fs::exists(fs::symlink_status(data / name, entryError)))
            continue;
        if (CopyWithoutReplacing(it->path(), data / name))
            ++copied;
        else
            complete = false;
    }
    // A failed copy (a full disk, say) is tried again at the next start.
    if (ec || !complete)
        return copied;
    std::ofstream(marker) << "The sample pictures were placed here once; delete this file to "
                             "have the missing ones placed again.\n";
    return copied;
}

int InstallBundledSamplePictures() {
    return InstallSamplePictures(GetWindowsDirectoryPath(), FindSamplePicturesDirectory());
}
