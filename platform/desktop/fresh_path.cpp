#include "platform/desktop/fresh_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/base/paths.h"
#include "platform/base/text.h"

namespace desktop {

namespace {

bool Exists(const std::string& path, struct stat* info) {
    return lstat(path.c_str(), info) == 0;
}

bool Older(const struct stat& a, const struct stat& b) {
    if (a.st_mtim.tv_sec != b.st_mtim.tv_sec)
        return a.st_mtim.tv_sec < b.st_mtim.tv_sec;
    return a.st_mtim.tv_nsec < b.st_mtim.tv_nsec;
}

std::string Errno(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// Copies `from` to the new file `to`; used where a hard link is not possible.
bool CopyFile(const std::string& from, const std::string& to, std::string* why) {
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *why = Errno("cannot read the picture");
        return false;
    }
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        *why = Errno("cannot create a copy of the picture");
        close(in);
        return false;
    }
    char buffer[1 << 16];
    bool ok = true;
    for (;;) {
        const ssize_t got = read(in, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            *why = Errno("cannot read the picture");
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = write(out, buffer + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                *why = Errno("cannot write a copy of the picture");
                ok = false;
                break;
            }
            done += put;
        }
        if (!ok)
            break;
    }
    close(in);
    if (close(out) != 0 && ok) {
        *why = Errno("cannot write a copy of the picture");
        ok = false;
    }
    if (!ok)
        unlink(to.c_str());
    return ok;
}

}  // namespace

FreshPath FreshPath::Prepare(const std::string& file, const std::string& dir) {
    return Prepare(file, dir, "MyWallPaper");
}

FreshPath FreshPath::PrepareForMonitor(const std::string& file, std::size_t index) {
    return Prepare(file, GetWindowsDirectoryPath(),
                   "MyWallPaper-screen" + std::to_string(index + 1));
}

FreshPath FreshPath::Prepare(const std::string& file, const std::string& dir,
                             const std::string& stem) {
    FreshPath result;
    if (file.empty() || dir.empty()) {
        result.error_ = "no picture or no directory for it";
        return result;
    }
    const std::string extension = platform::DottedExtensionOf(file);
    const std::string first = dir + stem + "-1" + extension;
    const std::string second = dir + stem + "-2" + extension;

    // The name handed over last is the one that exists (the other was removed
    // when it was taken); after an interruption both may exist, and the newer
    // is the one shown.
    struct stat a {
    }, b{};
    const bool haveFirst = Exists(first, &a);
    const bool haveSecond = Exists(second, &b);
    bool useSecond = haveFirst && (!haveSecond || Older(b, a));
    result.path_ = useSecond ? second : first;
    result.other_ = useSecond ? first : second;
    const bool existed = useSecond ? haveSecond : haveFirst;

    // Built under a temporary name and renamed into place, so the name never
    // holds half a picture.
    const std::string temporary = result.path_ + ".part";
    unlink(temporary.c_str());
    if (link(file.c_str(), temporary.c_str()) != 0) {
        std::string why;
        if (!CopyFile(file, temporary, &why)) {
            result.error_ = why;
            result.path_.clear();
            return result;
        }
    }
    if (rename(temporary.c_str(), result.path_.c_str()) != 0) {
        result.error_ = Errno("cannot name the picture for the desktop");
        unlink(temporary.c_str());
        result.path_.clear();
        return result;
    }
    // A name that was there before may be what the desktop shows; leave it
    // even when this hand-over fails.
    result.kept_ = existed;
    return result;
}

FreshPath FreshPath::Prepare(const std::string& file) {
    return Prepare(file, GetWindowsDirectoryPath());
}

FreshPath::FreshPath(FreshPath&& other) noexcept
    : path_(std::move(other.path_)),
      other_(std::move(other.other_)),
      error_(std::move(other.error_)),
      kept_(other.kept_) {
    other.path_.clear();
    other.kept_ = true;
}

FreshPath::~FreshPath() {
    if (!kept_ && !path_.empty())
        unlink(path_.c_str());
}

void FreshPath::Keep() {
    if (path_.empty())
        return;
    kept_ = true;
    unlink(other_.c_str());
}

}  // namespace desktop
