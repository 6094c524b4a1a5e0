#include "platform/base/files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/base/left_temporaries.h"

namespace platform {

namespace {

// The process umask, read without changing it (umask(2) would race with
// other threads creating files).
mode_t CurrentUmask() {
    FILE* status = std::fopen("/proc/self/status", "re");
    mode_t mask = 022;
    if (!status)
        return mask;
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
        unsigned value = 0;
        if (std::sscanf(line, "Umask: %o", &value) == 1) {
            mask = static_cast<mode_t>(value);
            break;
        }
    }
    std::fclose(status);
    return mask;
}

// Where the bytes really go: a symbolic link is followed, so that the link
// survives and its target is replaced.
std::string ResolveTarget(const std::string& path) {
    char resolved[PATH_MAX];
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && realpath(path.c_str(), resolved))
        return resolved;
    return path;
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A fresh temporary file in the target's directory, with the permissions the
// target has, or those a newly created file would get.
int CreateTempBeside(const std::string& target, std::string& tempPath) {
    const auto slash = target.rfind('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty())
        return -1;
    std::string pattern = DirectoryOf(target) + "/" + TemporaryTemplate(name);
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0)
        return -1;
    tempPath.assign(buffer.data());

    struct stat st;
    const mode_t mode = stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)
                            ? (st.st_mode & 07777)
                            : (0666 & ~CurrentUmask());
    if (fchmod(fd, mode) != 0) {
        close(fd);
        unlink(tempPath.c_str());
        tempPath.clear();
        return -1;
    }
    return fd;
}

// Flushes and closes `fd`, then renames the temporary over the target. The
// descriptor is closed in every case; the temporary is removed on failure.
bool ReplaceWithTemp(int fd, const std::string& temp, const std::string& target) {
    bool ok = fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok)
        ok = rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; failing here no longer loses data.
    const int dir = open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

// posix_fallocate reports its error as the return value, not in errno.
bool Reserve(int fd, std::size_t offset, std::size_t length) {
    if (length == 0)
        return true;
    int rc;
    do {
        rc = posix_fallocate(fd, static_cast<off_t>(offset), static_cast<off_t>(length));
    } while (rc == EINTR);
    // posix_fallocate answers with the error instead of setting errno;
    // callers report errno (a full disk) like that of any other call.
    if (rc != 0)
        errno = rc;
    return rc == 0;
}

}  // namespace

// ---- CMappedFile ----------------------------------------------------------

bool CMappedFile::Open(const std::string& path) {
    Close();
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    struct stat st;
    // Devices and pipes have no length to map; a directory is not a picture.
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
        Close();
        return false;
    }
    size_ = static_cast<std::size_t>(st.st_size);
    if (size_ == 0)
        return true;
    void* view = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd_, 0);
    if (view == MAP_FAILED) {
        size_ = 0;
        Close();
        return false;
    }
    madvise(view, size_, MADV_SEQUENTIAL);
    view_ = static_cast<const std::uint8_t*>(view);
    return true;
}

void CMappedFile::Close() {
    if (view_)
        munmap(const_cast<std::uint8_t*>(view_), size_);
    if (fd_ >= 0)
        close(fd_);
    view_ = nullptr;
    size_ = 0;
    fd_ = -1;
}

// ---- CMappedWriteFile -----------------------------------------------------

bool CMappedWriteFile::Create(const std::string& path, std::size_t size) {
    Abandon();
    target_ = ResolveTarget(path);
    fd_ = CreateTempBeside(target_, temp_);
    if (fd_ < 0)
        return false;
    if (!Reserve(fd_, 0, size)) {
        Abandon();
        return false;
    }
    size_ = size;
    if (size_ == 0)
        return true;
    // The whole file is about to be written: fault its pages in with one
    // call instead of one fault per page.
    void* view = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd_, 0);
    if (view == MAP_FAILED) {
        Abandon();
        return false;
    }
    view_ = static_cast<std::uint8_t*>(view);
    return true;
}

bool CMappedWriteFile::Commit(std::size_t length) {
    if (fd_ < 0)
        return false;
    if (length > size_)
        length = size_;
    bool ok = true;
    if (view_) {
        ok = msync(view_, size_, MS_SYNC) == 0;
        munmap(view_, size_);
        view_ = nullptr;
    }
    ok = ok && ftruncate(fd_, static_cast<off_t>(length)) == 0;
    if (!ok) {
        Abandon();
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    size_ = 0;
    const bool replaced = ReplaceWithTemp(fd, temp_, target_);
    temp_.clear();
    return replaced;
}

void CMappedWriteFile::Abandon() {
    if (view_)
        munmap(view_, size_);
    if (fd_ >= 0)
        close(fd_);
    if (!temp_.empty())
        unlink(temp_.c_str());
    view_ = nullptr;
    size_ = 0;
    fd_ = -1;
    temp_.clear();
}

// ---- CMappedUpdateFile ----------------------------------------------------

bool CMappedUpdateFile::Open(const std::string& path, std::size_t size) {
    Abandon();
    fd_ = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    struct stat st;
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        Abandon();
        return false;
    }
    original_ = static_cast<std::size_t>(st.st_size);
    if (size > original_ && !Reserve(fd_, original_, size - original_)) {
        Abandon();
        return false;
    }
    size_ = size;
    if (size_ == 0)
        return true;
    void* view = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (view == MAP_FAILED) {
        Abandon();
        return false;
    }
    view_ = static_cast<std::uint8_t*>(view);
    return true;
}

void CMappedUpdateFile::Unmap() {
    if (view_)
        munmap(view_, size_);
    view_ = nullptr;
    size_ = 0;
}

bool CMappedUpdateFile::Close(std::size_t length) {
    if (fd_ < 0)
        return false;
    if (length > size_ && length > original_)
        length = size_ > original_ ? size_ : original_;
    bool ok = !view_ || msync(view_, size_, MS_SYNC) == 0;
    Unmap();
    ok = ftruncate(fd_, static_cast<off_t>(length)) == 0 && ok;
    ok = fsync(fd_) == 0 && ok;
    ok = close(fd_) == 0 && ok;
    fd_ = -1;
    return ok;
}

void CMappedUpdateFile::Abandon() {
    if (fd_ < 0)
        return;
    Unmap();
    // The reserved extension is not part of the file until Close says so.
    ftruncate(fd_, static_cast<off_t>(original_));
    close(fd_);
    fd_ = -1;
}

// ---- WriteFileAtomically --------------------------------------------------

bool IsWritableOrAbsent(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return errno == ENOENT;
    return S_ISREG(st.st_mode) && (st.st_mode & 0222) != 0 && access(path.c_str(), W_OK) == 0;
}

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         ReplaceTarget what) {
    const std::string target = ResolveTarget(path);
    if (what == ReplaceTarget::kWritableFile && !IsWritableOrAbsent(target))
        return false;
    std::string temp;
    const int fd = CreateTempBeside(target, temp);
    if (fd < 0)
        return false;
    // Reserving first turns a full disk into one clean failure.
    bool ok = Reserve(fd, 0, bytes.size());
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<std::size_t>(n);
    }
    if (!ok) {
        close(fd);
        unlink(temp.c_str());
        return false;
    }
    return ReplaceWithTemp(fd, temp, target);
}

}  // namespace platform
