#pragma once

// libtiff's I/O on blocks of memory: reading a span in place, writing into
// a growing buffer. Every read and write stays inside its block; one that
// cannot is cut short, which libtiff reports as an error.

#include <cstdint>
#include <span>
#include <vector>

#include <tiffio.h>

struct TiffMemoryFile {
    // Reading: the data's length. Writing: the highest position written.
    std::uint64_t end = 0;
    // Reading: the data. Writing: null.
    const std::uint8_t* start = nullptr;
    // Writing: the buffer that receives the file.
    std::vector<std::uint8_t>* sink = nullptr;
    // Offset of the current position; may lie past the end.
    std::uint64_t cursor = 0;
    bool readOnly = true;

    static TiffMemoryFile ForReading(std::span<const std::uint8_t> data) {
        return {data.size(), data.data(), nullptr, 0, true};
    }
    static TiffMemoryFile ForWriting(std::vector<std::uint8_t>& buffer) {
        buffer.clear();
        return {0, nullptr, &buffer, 0, false};
    }
};

// Opens a TIFF on the memory file with `mode` ("r" or "w"). libtiff's own
// allocations for the handle are capped at `maxAllocation` bytes. Null on
// failure. The memory file must outlive the handle.
TIFF* TiffOpenMemory(TiffMemoryFile& file, const char* name, const char* mode,
                     std::uint64_t maxAllocation);

// libtiff reports through process-wide handlers; ours report nothing. Safe
// to call from any thread, any number of times; installs them once.
void SilenceTiffLibrary();
