#pragma once

// Whole-file memory maps for the codecs. Readers map a file and parse the
// bytes in place; writers map a file created at an upper-bound size, fill it
// and cut it to the bytes written when they commit. Every class releases its
// map and descriptor on every path out, including destruction.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace platform {

// A read-only map of a whole existing regular file. An empty file opens
// successfully with an empty view.
class CMappedFile {
public:
    CMappedFile() = default;
    ~CMappedFile() { Close(); }
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    std::span<const std::uint8_t> Data() const { return {view_, size_}; }

private:
    int fd_ = -1;
    const std::uint8_t* view_ = nullptr;
    std::size_t size_ = 0;
};

// A new file written through a map. The bytes go to a temporary file beside
// the target, whose disk space is reserved up front so that a full disk
// fails in Create rather than faulting on a store. Commit cuts the file to
// the bytes written, flushes it and renames it over the target; until then,
// and whenever anything fails, the target keeps its old contents and the
// temporary is removed.
class CMappedWriteFile {
public:
    CMappedWriteFile() = default;
    ~CMappedWriteFile() { Abandon(); }
    CMappedWriteFile(const CMappedWriteFile&) = delete;
    CMappedWriteFile& operator=(const CMappedWriteFile&) = delete;

    // Maps `size` zero bytes (the upper bound of what will be written).
    bool Create(const std::string& path, std::size_t size);
    std::span<std::uint8_t> Data() { return {view_, size_}; }
    // The truncating close: keeps the first `length` bytes (at most the
    // mapped size) and puts the file in place. False leaves the target as
    // it was.
    bool Commit(std::size_t length);
    bool Commit() { return Commit(size_); }
    // Drops the temporary file; the target is untouched.
    void Abandon();

private:
    int fd_ = -1;
    std::uint8_t* view_ = nullptr;
    std::size_t size_ = 0;
    std::string target_;
    std::string temp_;
};

// An existing file mapped for reading and writing in place, extended with
// zero bytes when `size` exceeds its length (space reserved as above). Close
// cuts it to the bytes that count; closing without it (or destruction)
// restores the original length.
class CMappedUpdateFile {
public:
    CMappedUpdateFile() = default;
    ~CMappedUpdateFile() { Abandon(); }
    CMappedUpdateFile(const CMappedUpdateFile&) = delete;
    CMappedUpdateFile& operator=(const CMappedUpdateFile&) = delete;

    bool Open(const std::string& path, std::size_t size);
    std::span<std::uint8_t> Data() { return {view_, size_}; }
    std::size_t OriginalSize() const { return original_; }
    bool Close(std::size_t length);
    void Abandon();

private:
    void Unmap();

    int fd_ = -1;
    std::uint8_t* view_ = nullptr;
    std::size_t size_ = 0;
    std::size_t original_ = 0;
};

// What an atomic write may put its new file in place of.
enum class ReplaceTarget {
    kAnything,      // whatever lies at the path
    kWritableFile,  // nothing, or a regular file the user may write: a file
                    // marked read-only, or a directory, stays as it is
};

// Replaces `path` with `bytes` as one step: the old file stays whole unless
// the new one was written and flushed completely.
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         ReplaceTarget what = ReplaceTarget::kAnything);

// True when nothing lies at `path` yet, or a regular file that this process
// may write and that has at least one write permission bit. The bits count
// even for root, who passes every access check: a file the user marked
// read-only is not to be replaced behind their back.
bool IsWritableOrAbsent(const std::string& path);

}  // namespace platform
