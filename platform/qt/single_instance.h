#pragma once

// One running copy per user: a lock file in the user's runtime directory,
// named from a fixed text. The lock lives as long as its holder; a copy that
// crashed leaves a file whose process is gone, and that file blocks nobody.

#include <memory>
#include <string>
#include <string_view>

class QLockFile;

namespace platform {

// The text the program's lock is named from.
inline constexpr char kSingleInstanceName[] =
    "{B7665CCB-4640-4068-DRAPEWELLDSK-716B11B7138E}_THEVEIL";

// `name` as a file name: characters other than letters, digits and
// "-_.{}" become '_'; ".lock" is appended.
std::string LockFileName(std::string_view name);

// Where the lock files go: $XDG_RUNTIME_DIR, else Qt's runtime location,
// else the temporary directory (there with the user id in the name, as that
// directory is shared between users).
std::string LockDirectory();

class SingleInstanceLock {
public:
    enum class Result { kAcquired, kHeldElsewhere, kFailed };

    // `directory` empty: LockDirectory().
    explicit SingleInstanceLock(std::string_view name = kSingleInstanceName,
                                std::string directory = {});
    ~SingleInstanceLock();  // releases the lock when held
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Takes the lock without waiting. kHeldElsewhere while a live process
    // holds it; kFailed when the file cannot be made (no such directory, no
    // permission), which should not keep the program from starting.
    Result TryAcquire();
    bool Held() const;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace platform
