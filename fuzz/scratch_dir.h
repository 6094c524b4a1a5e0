#pragma once

// A private scratch directory for the harnesses that work on files: made
// once per process with mkdtemp (mode 0700, so nobody else can plant a file
// or link in it) and pointed to by the environment the code under test reads
// (HOME, XDG_CONFIG_HOME, XDG_DATA_HOME), so a run never writes into the
// user's own settings or autostart entries.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

namespace fuzz {

// Removes the folder and what the run left in it when the process ends.
struct ScratchFolder {
    std::string path;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

inline std::string MakePrivateFolder(const std::string& parent) {
    std::string pattern = parent + "/drapewell-fuzz-XXXXXX";
    return mkdtemp(pattern.data()) ? pattern : std::string();
}

inline const std::string& ScratchDirectory() {
    static const ScratchFolder folder = [] {
        // Memory-backed when the system has it: the writers flush every
        // replacement to disk, which on a real disk would cap a run at a
        // few dozen inputs a second.
        const char* base = std::getenv("TMPDIR");
        std::string dir = MakePrivateFolder(base && *base ? base : "/dev/shm");
        if (dir.empty() && !(base && *base))
            dir = MakePrivateFolder("/tmp");
        if (dir.empty()) {
            std::perror("mkdtemp");
            std::abort();
        }
        setenv("HOME", dir.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
        return ScratchFolder{dir + "/"};
    }();
    return folder.path;
}

// Replaces `path` with exactly `bytes`.
inline void WriteWholeFile(const std::string& path, std::span<const char> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::perror(path.c_str());
        std::abort();
    }
}

// Stops the run with a message: a broken property is a find like a crash.
[[noreturn]] inline void Broken(const char* what) {
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

}  // namespace fuzz
