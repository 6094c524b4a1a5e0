#include "app/orientation_cache.h"

#include <sys/stat.h>

#include <QImageReader>

#include "codecs/probe.h"

std::optional<bool> ReadPictureOrientation(const std::string& path) {
    CPicture probe;
    ImageFileInfo info{};
    ReadImageFileInfo(probe, path, &info);
    if (info.type != 0 && info.width > 0 && info.height > 0)
        return info.height > info.width;
    QImageReader reader(QString::fromStdString(path));
    // EXIF rotation turns a picture on its side: the shown size counts.
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return std::nullopt;
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        size.transpose();
    return size.height() > size.width();
}

COrientationCache::COrientationCache() : reader_(ReadPictureOrientation) {}

std::optional<bool> COrientationCache::IsPortrait(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        known_.erase(path);
        return std::nullopt;
    }
    const auto nanoseconds = [](const struct timespec& time) {
        return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
    };
    const std::int64_t modified = nanoseconds(status.st_mtim);
    // The change time too: a copy that keeps the old modification time
    // (cp -p, rsync -t) still moves it.
    const std::int64_t changed = nanoseconds(status.st_ctim);
    const auto found = known_.find(path);
    if (found != known_.end() && found->second.size == status.st_size &&
        found->second.modified == modified && found->second.changed == changed)
        return found->second.portrait;
    const std::optional<bool> portrait = reader_ ? reader_(path) : std::nullopt;
    known_[path] = Known{
        .size = status.st_size, .modified = modified, .changed = changed, .portrait = portrait};
    return portrait;
}

void COrientationCache::Trim(std::size_t keep) {
    if (known_.size() > keep)
        known_.clear();  // refilled by the next look at the list
}
