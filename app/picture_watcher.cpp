#include "app/picture_watcher.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "app/picture_list.h"

namespace {

// The directory watch's own name for `directory` (no trailing '/', but for
// the root of the file system).
QString WatchName(const std::string& directory) {
    std::string name = directory;
    if (name.size() > 1 && name.back() == '/')
        name.pop_back();
    return QString::fromStdString(name);
}

bool StatFollowing(const std::string& path, struct stat& info) {
    return stat(path.c_str(), &info) == 0;
}

// Every entry of one directory: its regular files (links followed) and its
// subdirectories, by name, those reached through a link apart when asked
// for. False when the directory cannot be read.
bool ReadDirectory(const std::string& directory, std::vector<std::string>& files,
                   std::vector<std::string>& subdirectories,
                   std::vector<std::string>* linkedSubdirectories = nullptr) {
    DIR* dir = opendir(directory.c_str());
    if (!dir)
        return false;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        // The entry's type comes free with it on most file systems; links
        // and file systems that do not say are asked.
        if (entry->d_type == DT_DIR) {
            subdirectories.push_back(name);
            continue;
        }
        if (entry->d_type == DT_REG) {
            files.push_back(name);
            continue;
        }
        struct stat info {};
        if (!StatFollowing(directory + name, info))
            continue;  // a dangling link, or gone meanwhile
        if (S_ISDIR(info.st_mode))
            (entry->d_type == DT_LNK && linkedSubdirectories ? *linkedSubdirectories
                                                             : subdirectories)
                .push_back(name);
        else if (S_ISREG(info.st_mode))
            files.push_back(name);
    }
    closedir(dir);
    return true;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

CPictureFolderWatcher::CPictureFolderWatcher(QObject* parent) : QObject(parent) {
    settle_.setSingleShot(true);
    settle_.setInterval(std::chrono::milliseconds(300));
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this,
            &CPictureFolderWatcher::OnDirectoryChanged);
    connect(&settle_, &QTimer::timeout, this, &CPictureFolderWatcher::OnSettled);
    // A directory that is gone has no watch to tell of its return; asking
    // once a second costs one stat while it is away.
    rootPoll_.setInterval(std::chrono::seconds(1));
    connect(&rootPoll_, &QTimer::timeout, this, &CPictureFolderWatcher::OnRootPoll);
}

void CPictureFolderWatcher::SetSettleDelay(std::chrono::milliseconds delay) {
    settle_.setInterval(delay);
}

void CPictureFolderWatcher::Stop() {
    settle_.stop();
    rootPoll_.stop();
    pending_.clear();
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    directories_.clear();
    identities_.clear();
    known_.clear();
    root_.clear();
}

void CPictureFolderWatcher::Watch(const std::string& root, const std::vector<std::string>& pictures,
                                  const std::string& stagingDirectory) {
    Stop();
    if (root.empty())
        return;
    root_ = DirectoryWithSlash(root);
    staging_ = stagingDirectory;
    known_.insert(pictures.begin(), pictures.end());
    // The walk that built the list found the pictures already: only the
    // directories are taken here.
    std::vector<std::string> added;
    AddTree(root_, added, /*collectFiles=*/false);
    if (!directories_.contains(root_))
        rootPoll_.start();
}

void CPictureFolderWatcher::OnRootPoll() {
    struct stat info {};
    if (!StatFollowing(root_, info) || !S_ISDIR(info.st_mode))
        return;
    rootPoll_.stop();
    std::vector<std::string> added;
    AddTree(root_, added, /*collectFiles=*/true);
    if (!directories_.contains(root_)) {
        rootPoll_.start();  // gone again meanwhile
        return;
    }
    if (!added.empty() && handler_)
        handler_(added, {});
}

std::vector<std::string> CPictureFolderWatcher::WatchedDirectories() const {
    std::vector<std::string> result;
    for (const auto& [directory, identity] : directories_)
        result.push_back(directory);
    return result;
}

void CPictureFolderWatcher::OnDirectoryChanged(const QString& path) {
    pending_.insert(DirectoryWithSlash(path.toStdString()));
    settle_.start();
}

void CPictureFolderWatcher::OnSettled() {
    std::vector<std::string> added, removed;
    // Parents first: a directory that went takes its children along, and
    // those need no reading of their own.
    const std::set<std::string> changed = std::exchange(pending_, {});
    for (const std::string& directory : changed) {
        if (directories_.contains(directory))
            Rescan(directory, added, removed);
    }
    // A picture that left one directory and joined another within the same
    // quiet spell is both; a name that left and came back is neither.
    std::sort(added.begin(), added.end());
    std::sort(removed.begin(), removed.end());
    std::vector<std::string> joined, left;
    std::set_difference(added.begin(), added.end(), removed.begin(), removed.end(),
                        std::back_inserter(joined));
    std::set_difference(removed.begin(), removed.end(), added.begin(), added.end(),
                        std::back_inserter(left));
    if ((!joined.empty() || !left.empty()) && handler_)
        handler_(joined, left);
}

void CPictureFolderWatcher::Rescan(const std::string& directory, std::vector<std::string>& added,
                                   std::vector<std::string>& removed) {
    std::vector<std::string> files, subdirectories;
    struct stat info {};
    const auto watched = directories_.find(directory);
    // Gone, unreadable, or another directory now under the old name.
    if (!StatFollowing(directory, info) || !S_ISDIR(info.st_mode) ||
        Identity(info.st_dev, info.st_ino) != watched->second ||
        !ReadDirectory(directory, files, subdirectories)) {
        DropTree(directory, removed);
        if (directory == root_) {
            rootPoll_.start();
            return;
        }
        // Back under the same name (a directory replaced by another)?
        if (StatFollowing(directory, info) && S_ISDIR(info.st_mode))
            AddTree(directory, added, true);
        return;
    }
    // Files of this directory itself.
    std::set<std::string> present;
    for (const std::string& name : files) {
        const std::string path = directory + name;
        if (IsPicture(path, name))
            present.insert(path);
    }
    for (auto it = known_.lower_bound(directory);
         it != known_.end() && StartsWith(*it, directory);) {
        const bool direct = it->find('/', directory.size()) == std::string::npos;
        if (direct && !present.contains(*it)) {
            removed.push_back(*it);
            it = known_.erase(it);
        } else {
            ++it;
        }
    }
    for (const std::string& path : present) {
        if (known_.insert(path).second)
            added.push_back(path);
    }
    // Subdirectories: new ones are walked, vanished ones dropped.
    std::set<std::string> subdirectoryPaths;
    for (const std::string& name : subdirectories)
        subdirectoryPaths.insert(directory + name + '/');
    std::vector<std::string> vanished;
    for (auto it = directories_.upper_bound(directory);
         it != directories_.end() && StartsWith(it->first, directory); ++it) {
        const bool child = it->first.find('/', directory.size()) == it->first.size() - 1;
        if (child && !subdirectoryPaths.contains(it->first))
            vanished.push_back(it->first);
    }
    for (const std::string& gone : vanished)
        DropTree(gone, removed);
    for (const std::string& sub : subdirectoryPaths) {
        if (!directories_.contains(sub))
            AddTree(sub, added, true);
    }
}

void CPictureFolderWatcher::AddTree(const std::string& directory, std::vector<std::string>& added,
                                    bool collectFiles) {
    // As the list's walk does it: directories reached through links come
    // after the rest of the tree, so a directory reachable without one is
    // watched under its real path, the one its pictures are listed by.
    std::vector<std::string> linked{directory};
    while (!linked.empty()) {
        const std::string next = linked.front();
        linked.erase(linked.begin());
        AddRealTree(next, added, collectFiles, linked);
    }
}

void CPictureFolderWatcher::AddRealTree(const std::string& directory,
                                        std::vector<std::string>& added, bool collectFiles,
                                        std::vector<std::string>& linked) {
    if (!AddWatch(directory))
        return;
    std::vector<std::string> files, subdirectories, links;
    if (!ReadDirectory(directory, files, subdirectories, &links))
        return;
    for (const std::string& name : files) {
        const std::string path = directory + name;
        if (collectFiles && IsPicture(path, name) && known_.insert(path).second)
            added.push_back(path);
    }
    for (const std::string& name : links)
        linked.push_back(directory + name + '/');
    for (const std::string& name : subdirectories)
        AddRealTree(directory + name + '/', added, collectFiles, linked);
}

void CPictureFolderWatcher::DropTree(const std::string& directory,
                                     std::vector<std::string>& removed) {
    for (auto it = known_.lower_bound(directory);
         it != known_.end() && StartsWith(*it, directory);) {
        removed.push_back(*it);
        it = known_.erase(it);
    }
    for (auto it = directories_.lower_bound(directory);
         it != directories_.end() && StartsWith(it->first, directory);) {
        // A directory removed from disk has lost its watch already.
        watcher_.removePath(WatchName(it->first));
        identities_.erase(it->second);
        it = directories_.erase(it);
    }
}

bool CPictureFolderWatcher::AddWatch(const std::string& directory) {
    struct stat info {};
    if (!StatFollowing(directory, info) || !S_ISDIR(info.st_mode))
        return false;
    const Identity identity(info.st_dev, info.st_ino);
    if (directories_.contains(directory) || !identities_.insert(identity).second)
        return false;  // met before through another name (a link)
    directories_.emplace(directory, identity);
    watcher_.addPath(WatchName(directory));
    return true;
}

bool CPictureFolderWatcher::IsPicture(const std::string& path, const std::string& name) const {
    return IsImageFileName(name) && !IsStagingPicture(path, staging_);
}
