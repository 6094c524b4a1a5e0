// The single-instance lock between real processes: a live holder blocks,
// however old its lock file; a killed one does not.

#include "platform/qt/single_instance.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace platform {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/drapewell-lock-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempDir() { fs::remove_all(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A second process holding the lock until it is killed.
class Holder {
public:
    explicit Holder(const std::string& directory) {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            SingleInstanceLock lock(kSingleInstanceName, directory);
            const char state = lock.TryAcquire() == SingleInstanceLock::Result::kAcquired ? 1 : 0;
            [[maybe_unused]] ssize_t sent = write(ready[1], &state, 1);
            for (;;)
                pause();
        }
        close(ready[1]);
        char state = 0;
        acquired_ = read(ready[0], &state, 1) == 1 && state == 1;
        close(ready[0]);
    }
    ~Holder() { Kill(); }
    bool acquired() const { return acquired_; }
    // Like a crash: no chance to remove the lock file.
    void Kill() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
    bool acquired_ = false;
};

TEST(SingleInstanceLock, FileNameFromTheMutexText) {
    EXPECT_EQ(LockFileName(kSingleInstanceName),
              "{B7665CCB-4640-4068-DRAPEWELLDSK-716B11B7138E}_THEVEIL.lock");
    EXPECT_EQ(LockFileName("a/b\\c d"), "a_b_c_d.lock");
    EXPECT_EQ(LockFileName(".."), "_...lock");
}

TEST(SingleInstanceLock, LiveHolderBlocksKilledHolderDoesNot) {
    TempDir dir;
    Holder first(dir.path());
    ASSERT_TRUE(first.acquired());

    SingleInstanceLock second(kSingleInstanceName, dir.path());
    EXPECT_EQ(second.TryAcquire(), SingleInstanceLock::Result::kHeldElsewhere);
    EXPECT_FALSE(second.Held());

    // A copy that has run for an hour still holds its lock.
    const timeval hourAgo[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    ASSERT_EQ(utimes(second.Path().c_str(), hourAgo), 0);
    EXPECT_EQ(second.TryAcquire(), SingleInstanceLock::Result::kHeldElsewhere);

    first.Kill();
    ASSERT_TRUE(fs::exists(second.Path())) << "the crashed copy's file stays behind";
    EXPECT_EQ(second.TryAcquire(), SingleInstanceLock::Result::kAcquired);
    EXPECT_TRUE(second.Held());

    // Within one process too, a second lock object is a second copy.
    SingleInstanceLock third(kSingleInstanceName, dir.path());
    EXPECT_EQ(third.TryAcquire(), SingleInstanceLock::Result::kHeldElsewhere);
}

TEST(SingleInstanceLock, ReleasedWhenTheHolderEnds) {
    TempDir dir;
    std::string path;
    {
        SingleInstanceLock lock(kSingleInstanceName, dir.path());
        ASSERT_EQ(lock.TryAcquire(), SingleInstanceLock::Result::kAcquired);
        path = lock.Path();
        EXPECT_EQ(path, dir.path() + "/" + LockFileName(kSingleInstanceName));
    }
    EXPECT_FALSE(fs::exists(path));
    SingleInstanceLock missing(kSingleInstanceName, dir.path() + "/no/such/directory");
    EXPECT_EQ(missing.TryAcquire(), SingleInstanceLock::Result::kFailed);
}

TEST(SingleInstanceLock, LivesInTheRuntimeDirectory) {
    TempDir dir;
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string restore = saved ? saved : "";
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    EXPECT_EQ(LockDirectory(), dir.path());
    SingleInstanceLock lock;
    EXPECT_EQ(lock.Path(), dir.path() + "/" + LockFileName(kSingleInstanceName));
    if (saved)
        setenv("XDG_RUNTIME_DIR", restore.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace platform
