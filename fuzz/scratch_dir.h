#pragma once

// A private scratch directory for the harnesses that work on files: made
// once per process with mkdtemp (mode 0700, so nobody else can plant a file
// or link in it) and pointed to by the environment the code under test reads
// (HOME, XDG_CONFIG_HOME, XDG_DATA_HOME), so a run never writes into the
// user's own settings or autostart entries.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <span>
#include <string>

namespace fuzz {

inline const std::string& ScratchDirectory() {
    static const std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/drapewell-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        setenv("HOME", pattern.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (pattern + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (pattern + "/data").c_str(), 1);
        return pattern + "/";
    }();
    return dir;
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
