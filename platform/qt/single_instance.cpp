#include "platform/qt/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <cstdlib>

namespace platform {

namespace {

bool IsDirectory(const QString& path) {
    const QFileInfo info(path);
    return !path.isEmpty() && info.isDir() && info.isWritable();
}

bool SafeCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '{' || c == '}';
}

}  // namespace

std::string LockFileName(std::string_view name) {
    std::string file;
    for (char c : name)
        file += SafeCharacter(c) ? c : '_';
    // A name of dots alone would be the directory or its parent.
    if (file.find_first_not_of('.') == std::string::npos)
        file.insert(0, "_");
    return file + ".lock";
}

std::string LockDirectory() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime && IsDirectory(QString::fromLocal8Bit(runtime)))
        return runtime;
    // Qt's runtime location is per user too; it falls back to the temporary
    // directory by itself only with a warning, so ask it only when it exists.
    const QString qtRuntime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (IsDirectory(qtRuntime))
        return qtRuntime.toStdString();
    return {};
}

SingleInstanceLock::SingleInstanceLock(std::string_view name, std::string directory) {
    if (directory.empty())
        directory = LockDirectory();
    std::string file = LockFileName(name);
    if (directory.empty()) {
        // The shared temporary directory: keep users apart by name.
        directory = QDir::tempPath().toStdString();
        file.insert(file.size() - 5, "-" + std::to_string(getuid()));
    }
    path_ = directory + "/" + file;
    lock_ = std::make_unique<QLockFile>(QString::fromStdString(path_));
    // Qt would call a lock older than 30 seconds stale and take it over from
    // a copy that is still running. Only a holder that is gone makes it stale.
    lock_->setStaleLockTime(0);
}

SingleInstanceLock::~SingleInstanceLock() = default;  // QLockFile unlocks

SingleInstanceLock::Result SingleInstanceLock::TryAcquire() {
    if (lock_->isLocked())
        return Result::kAcquired;
    if (lock_->tryLock(0))
        return Result::kAcquired;
    switch (lock_->error()) {
    case QLockFile::LockFailedError:
        return Result::kHeldElsewhere;
    case QLockFile::NoError:
    case QLockFile::PermissionError:
    case QLockFile::UnknownError:
        break;
    }
    return Result::kFailed;
}

bool SingleInstanceLock::Held() const {
    return lock_->isLocked();
}

}  // namespace platform
