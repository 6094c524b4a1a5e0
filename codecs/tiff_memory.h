#pragma once

// libtiff's I/O on blocks of memory: reading a span in place, writing into
// a growing buffer. Every read and write stays inside its block; one that
// cannot is cut short, which libtiff reports as an error.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
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
    // The first error libtiff reported for this file, as it worded it.
    std::string libraryError;

    static TiffMemoryFile ForReading(std::span<const std::uint8_t> data) {
        return {.end = data.size(),
                .start = data.data(),
                .sink = nullptr,
                .cursor = 0,
                .readOnly = true,
                .libraryError = {}};
    }
    static TiffMemoryFile ForWriting(std::vector<std::uint8_t>& buffer) {
        buffer.clear();
        return {.end = 0,
                .start = nullptr,
                .sink = &buffer,
                .cursor = 0,
                .readOnly = false,
                .libraryError = {}};
    }
};

// Opens a TIFF on the memory file with `mode` ("r" or "w"). libtiff's own
// allocations for the handle are capped at `maxAllocation` bytes. Null on
// failure, with the reason recorded (codec_error.h). The memory file must
// outlive the handle; libtiff's errors on it land in its libraryError.
TIFF* TiffOpenMemory(TiffMemoryFile& file, const char* name, const char* mode,
                     std::uint64_t maxAllocation);

// libtiff reports through process-wide handlers; ours report nothing. Safe
// to call from any thread, any number of times; installs them once.
void SilenceTiffLibrary();

// Records the first error libtiff reported on the handle's memory file as
// the failure's reason, or `fallback` when it reported none; returns false.
bool TiffFail(TIFF* tiff, std::string_view fallback);
