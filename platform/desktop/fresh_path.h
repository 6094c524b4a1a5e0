#pragma once

// KDE, XFCE and LXQt keep the picture they decoded under its path: handed the
// same MyWallPaper.bmp again, they keep showing the old picture. So those
// setters hand over one of two names that take turns, each a hard link to
// (or, across file systems, a copy of) the picture: the name handed over is
// never the one the desktop shows now.

#include <cstddef>
#include <string>

namespace desktop {

class FreshPath {
public:
    // Prepares the name to hand over for `file` in `dir` (with its trailing
    // '/'): "MyWallPaper-1.ext" or "MyWallPaper-2.ext", whichever is not the
    // one handed over last. On failure path() is empty and error() says why.
    static FreshPath Prepare(const std::string& file, const std::string& dir);
    // The same in Drapewell's data directory, beside the staging bitmap.
    static FreshPath Prepare(const std::string& file);
    // The same with a pair of names of `stem`'s own ("STEM-1.ext" and
    // "STEM-2.ext"), so that each monitor's picture takes turns apart from
    // the others'.
    static FreshPath Prepare(const std::string& file, const std::string& dir,
                             const std::string& stem);
    // Monitor `index`'s (from 0) pair in the data directory:
    // "MyWallPaper-screen1-1.ext" and "MyWallPaper-screen1-2.ext".
    static FreshPath PrepareForMonitor(const std::string& file, std::size_t index);

    FreshPath(FreshPath&& other) noexcept;
    FreshPath& operator=(FreshPath&&) = delete;
    FreshPath(const FreshPath&) = delete;
    FreshPath& operator=(const FreshPath&) = delete;
    // Removes the prepared name unless Keep() was called: the desktop did not
    // take it, so the name it shows stays the one handed over last.
    ~FreshPath();

    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }
    bool ok() const { return !path_.empty(); }

    // The desktop took path(): keeps it and removes the other name, which the
    // desktop no longer shows.
    void Keep();
    // Whether the desktop took path() is unknown (it did not answer in
    // time): keeps both names, as either may be the one shown.
    void KeepBoth() { kept_ = true; }

private:
    FreshPath() = default;

    std::string path_;
    std::string other_;
    std::string error_;
    bool kept_ = false;
};

}  // namespace desktop
