#include "platform/base/directory_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/base/text.h"

namespace platform {

namespace {

struct DirectoryId {
    dev_t device;
    ino_t inode;
    bool operator==(const DirectoryId&) const = default;
};

struct DirectoryIdHash {
    std::size_t operator()(const DirectoryId& id) const {
        return std::hash<ino_t>{}(id.inode) * 31 + std::hash<dev_t>{}(id.device);
    }
};

enum class Kind { File, Directory, LinkedDirectory };

struct Entry {
    std::string name;
    Kind kind;
};

// One directory on the way down: its entries, read at once so that no
// descriptor stays open while the walk is below it (deep trees would
// otherwise run out of descriptors), and the next one to take.
struct Frame {
    std::string directory;
    std::vector<Entry> entries;
    std::size_t next = 0;
};

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

class Walker {
public:
    Walker(WalkOrder order, const std::function<bool(std::string_view)>& accept)
        : order_(order), accept_(accept) {}

    // Reads `directory` into `frame`; false when it cannot be opened or was
    // walked before.
    bool Read(std::string directory, Frame& frame) {
        const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return false;
        struct stat st;
        if (fstat(fd, &st) != 0 || !visited_.insert({st.st_dev, st.st_ino}).second) {
            close(fd);
            return false;
        }
        std::unique_ptr<DIR, DirCloser> dir(fdopendir(fd));
        if (!dir) {
            close(fd);
            return false;
        }
        frame.directory = std::move(directory);
        while (const dirent* e = readdir(dir.get())) {
            const std::string_view name = e->d_name;
            if (name == "." || name == "..")
                continue;
            unsigned char type = e->d_type;
            if (type == DT_UNKNOWN) {
                if (fstatat(dirfd(dir.get()), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                type = S_ISLNK(st.st_mode)   ? DT_LNK
                       : S_ISDIR(st.st_mode) ? DT_DIR
                       : S_ISREG(st.st_mode) ? DT_REG
                                             : DT_UNKNOWN;
            }
            if (type == DT_LNK) {
                // Follows the link; a dangling one is skipped.
                if (fstatat(dirfd(dir.get()), e->d_name, &st, 0) != 0)
                    continue;
                if (S_ISDIR(st.st_mode)) {
                    frame.entries.push_back({std::string(name), Kind::LinkedDirectory});
                    continue;
                }
                type = S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
            }
            if (type == DT_DIR)
                frame.entries.push_back({std::string(name), Kind::Directory});
            else if (type == DT_REG && accept_(name))
                frame.entries.push_back({std::string(name), Kind::File});
        }
        if (order_ == WalkOrder::ByName)
            std::sort(frame.entries.begin(), frame.entries.end(),
                      [](const Entry& a, const Entry& b) { return NameLess(a.name, b.name); });
        return true;
    }

private:
    WalkOrder order_;
    const std::function<bool(std::string_view)>& accept_;
    std::unordered_set<DirectoryId, DirectoryIdHash> visited_;
};

}  // namespace

bool NameLess(std::string_view a, std::string_view b) {
    const int order = CompareIgnoreCase(a, b);
    return order != 0 ? order < 0 : a < b;
}

void WalkDirectoryTree(const std::string& directory, WalkOrder order,
                       const std::function<bool(std::string_view name)>& accept,
                       const std::function<void(std::string path)>& found) {
    if (directory.empty())
        return;
    Walker walker(order, accept);
    // Linked directories wait until the real tree is done, so that a
    // directory reached both ways is listed under its real path whatever
    // order the entries come in.
    std::vector<std::string> linked{directory};
    for (std::size_t next = 0; next < linked.size(); ++next) {
        // An explicit stack rather than recursion: the depth is bounded only
        // by the path length the system accepts.
        std::vector<Frame> stack(1);
        if (!walker.Read(linked[next], stack.back()))
            continue;
        while (!stack.empty()) {
            Frame& top = stack.back();
            if (top.next == top.entries.size()) {
                stack.pop_back();
                continue;
            }
            Entry& entry = top.entries[top.next++];
            std::string path = top.directory + entry.name;
            if (entry.kind == Kind::File) {
                found(std::move(path));
                continue;
            }
            path += '/';
            if (entry.kind == Kind::LinkedDirectory) {
                linked.push_back(std::move(path));
                continue;
            }
            Frame child;
            if (walker.Read(std::move(path), child))
                stack.push_back(std::move(child));
        }
    }
}

}  // namespace platform
