#pragma once

// The recursive directory walk behind the picture and music lists: every
// file under a directory, subdirectories included, with its full path.

#include <functional>
#include <string>
#include <string_view>

namespace platform {

// The order in which one directory's entries are taken.
enum class WalkOrder {
    // As the file system returns them: the fastest, for callers that sort
    // the result themselves.
    AsStored,
    // By name, letter case ignored (ties by byte value), as an NTFS volume
    // returns them; makes the order of an unsorted result repeatable.
    ByName,
};

// Walks `directory` (which must end with '/') depth first: a subdirectory is
// walked completely at the point the walk meets it. For every regular file
// whose name `accept` takes, `found` receives the file's full path (the
// directory followed by the names on the way down, joined by '/').
//
// Symbolic links are followed, to files and to directories alike, but every
// directory (known by device and inode) is walked at most once, so a link
// back into the tree neither loops nor lists a file twice. Linked
// directories are walked after the rest of the tree, so that a directory
// also reachable without links keeps its real path. Directories that cannot
// be opened (no permission, removed meanwhile, too long a path) are
// skipped; so are dangling links and anything that is not a regular file
// (a FIFO named like a picture would block whoever opens it). Hidden
// entries are walked like any others.
// The ByName order: ASCII letters compared without regard to case, then,
// for names equal but for case, by byte value (uppercase first).
bool NameLess(std::string_view a, std::string_view b);

void WalkDirectoryTree(const std::string& directory, WalkOrder order,
                       const std::function<bool(std::string_view name)>& accept,
                       const std::function<void(std::string path)>& found);

}  // namespace platform
