#pragma once

// Keeps the picture list current while the program runs: every directory of
// the picture folder's tree is watched (inotify, through
// QFileSystemWatcher), and a directory that changed is read again alone,
// never the whole tree. Files created, moved in, renamed or deleted join or
// leave; a new subdirectory is walked and watched too; a directory that
// disappears takes its part of the list with it. Changes are gathered until
// the folder has been quiet for a moment, then reported at once. A picture
// folder that is missing (deleted, or a file in its place) is looked for
// every second, and its pictures join once it is back.

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

class CPictureFolderWatcher : public QObject {
public:
    // Pictures that joined and left the tree, by full path (spelt as the
    // walk spells them: the root, then the names on the way down).
    using Handler = std::function<void(const std::vector<std::string>& added,
                                       const std::vector<std::string>& removed)>;

    explicit CPictureFolderWatcher(QObject* parent = nullptr);

    void SetHandler(Handler handler) { handler_ = std::move(handler); }
    void SetSettleDelay(std::chrono::milliseconds delay);

    // Watches the tree under `root` (ending with '/'), whose pictures are
    // `pictures` now; `stagingDirectory`'s own bitmaps never join. Replaces
    // any earlier watch. An empty root watches nothing.
    void Watch(const std::string& root, const std::vector<std::string>& pictures,
               const std::string& stagingDirectory);
    void Stop();

    // The directories watched now (tests).
    std::vector<std::string> WatchedDirectories() const;

private:
    // A directory's identity, so a link back into the tree is watched once.
    using Identity = std::pair<unsigned long, unsigned long>;

    void OnDirectoryChanged(const QString& path);
    void OnSettled();
    // The picture folder again, once it is a directory again.
    void OnRootPoll();
    // Reads one directory again; its new subdirectories are walked whole.
    void Rescan(const std::string& directory, std::vector<std::string>& added,
                std::vector<std::string>& removed);
    // Watches `directory` and every directory below it, adding their
    // pictures that are not known yet when `collectFiles`.
    void AddTree(const std::string& directory, std::vector<std::string>& added, bool collectFiles);
    void AddRealTree(const std::string& directory, std::vector<std::string>& added,
                     bool collectFiles, std::vector<std::string>& linked);
    // Forgets `directory` and everything below it.
    void DropTree(const std::string& directory, std::vector<std::string>& removed);
    bool AddWatch(const std::string& directory);
    bool IsPicture(const std::string& path, const std::string& name) const;

    QFileSystemWatcher watcher_;
    QTimer settle_;
    QTimer rootPoll_;  // runs while the picture folder is missing
    Handler handler_;
    std::string root_;
    std::string staging_;
    std::set<std::string> known_;                  // the pictures in the list
    std::map<std::string, Identity> directories_;  // watched, with '/'
    std::set<Identity> identities_;
    std::set<std::string> pending_;  // changed, not read again yet
};
