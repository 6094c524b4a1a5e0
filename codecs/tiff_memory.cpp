#include "codecs/tiff_memory.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "codecs/codec_error.h"

namespace {

// A classic TIFF addresses at most 4 GiB.
constexpr std::uint64_t kMaxWrittenSize = UINT32_MAX;

TiffMemoryFile& FileOf(thandle_t handle) {
    return *static_cast<TiffMemoryFile*>(handle);
}

tmsize_t Read(thandle_t handle, void* buffer, tmsize_t size) {
    TiffMemoryFile& file = FileOf(handle);
    if (size <= 0 || file.cursor >= file.end)
        return 0;
    const std::uint64_t count =
        std::min<std::uint64_t>(static_cast<std::uint64_t>(size), file.end - file.cursor);
    // A file being written reads back what it holds so far.
    const std::uint8_t* base = file.readOnly ? file.start : file.sink->data();
    std::memcpy(buffer, base + file.cursor, count);
    file.cursor += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t Write(thandle_t handle, void* buffer, tmsize_t size) {
    TiffMemoryFile& file = FileOf(handle);
    if (file.readOnly || size <= 0 || file.cursor >= kMaxWrittenSize)
        return 0;
    const std::uint64_t count =
        std::min<std::uint64_t>(static_cast<std::uint64_t>(size), kMaxWrittenSize - file.cursor);
    const std::uint64_t after = file.cursor + count;
    std::vector<std::uint8_t>& sink = *file.sink;
    if (after > sink.size()) {
        // Doubling keeps appends cheap; a gap left by a seek reads as zeros.
        if (after > sink.capacity())
            sink.reserve(std::max<std::uint64_t>(after, std::uint64_t{sink.capacity()} * 2));
        sink.resize(after);
    }
    std::memcpy(sink.data() + file.cursor, buffer, count);
    file.cursor = after;
    file.end = std::max(file.end, after);
    return static_cast<tmsize_t>(count);
}

toff_t Seek(thandle_t handle, toff_t offset, int whence) {
    TiffMemoryFile& file = FileOf(handle);
    // toff_t is unsigned; libtiff passes backward steps as wrapped values.
    const std::int64_t step = static_cast<std::int64_t>(offset);
    std::int64_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<std::int64_t>(file.cursor);
    else if (whence == SEEK_END)
        base = static_cast<std::int64_t>(file.end);
    else if (whence != SEEK_SET)
        return static_cast<toff_t>(-1);
    std::int64_t target;
    if (__builtin_add_overflow(base, step, &target) || target < 0)
        return static_cast<toff_t>(-1);
    file.cursor = static_cast<std::uint64_t>(target);
    return static_cast<toff_t>(target);
}

int Close(thandle_t) {
    return 0;
}

toff_t Size(thandle_t handle) {
    return FileOf(handle).end;
}

int Map(thandle_t, void**, toff_t*) {
    return 0;
}

void Unmap(thandle_t, void*, toff_t) {}

// Keeps the first error of each file for TiffFail; the process-wide
// handlers are not called.
int KeepError(TIFF*, void* user, const char*, const char* format, va_list arguments) {
    auto& file = *static_cast<TiffMemoryFile*>(user);
    if (file.libraryError.empty()) {
        char text[256];
        std::vsnprintf(text, sizeof text, format, arguments);
        file.libraryError = text;
    }
    return 1;
}

}  // namespace

void SilenceTiffLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

TIFF* TiffOpenMemory(TiffMemoryFile& file, const char* name, const char* mode,
                     std::uint64_t maxAllocation) {
    SilenceTiffLibrary();
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) {
        ImageFail("not enough memory for the TIFF reader");
        return nullptr;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, KeepError, &file);
    TIFFOpenOptionsSetMaxSingleMemAlloc(
        options, static_cast<tmsize_t>(std::min<std::uint64_t>(maxAllocation, INT64_MAX)));
    TIFF* tiff =
        TIFFClientOpenExt(name, mode, &file, Read, Write, Seek, Close, Size, Map, Unmap, options);
    TIFFOpenOptionsFree(options);
    if (!tiff)
        ImageFailLibrary(file.libraryError, "not a TIFF file");
    return tiff;
}

bool TiffFail(TIFF* tiff, std::string_view fallback) {
    return ImageFailLibrary(FileOf(TIFFClientdata(tiff)).libraryError, fallback);
}
