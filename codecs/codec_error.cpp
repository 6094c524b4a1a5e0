#include "codecs/codec_error.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#include "platform/gdi/dib_section.h"
#include "platform/gdi/types.h"

namespace {

thread_local std::string lastError;

// "1 GiB", "16 MiB", "4096 bytes": the cap as a user reads it.
std::string LimitText(std::uint64_t bytes) {
    if (bytes >= (std::uint64_t{1} << 30) && bytes % (std::uint64_t{1} << 30) == 0)
        return std::to_string(bytes >> 30) + " GiB";
    if (bytes >= (std::uint64_t{1} << 20) && bytes % (std::uint64_t{1} << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes) + " bytes";
}

}  // namespace

std::string_view LastImageError() {
    return lastError;
}

bool ImageFail(std::string_view reason) {
    if (lastError.empty())
        lastError.assign(reason);
    return false;
}

bool ImageFailOverriding(std::string_view reason) {
    lastError.assign(reason);
    return false;
}

void ClearImageError() {
    lastError.clear();
}

bool ImageFailOpen(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return ImageFail("no such file");
    case EACCES:
    case EPERM:
        return ImageFail("permission denied");
    case 0:
        // The open itself worked: the path names a directory, device or pipe.
        return ImageFail("not a regular file");
    default: {
        std::string text = std::strerror(error);
        if (!text.empty())
            text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
        return ImageFail(text);
    }
    }
}

bool ImageFailSize(std::int64_t width, std::int64_t height, std::uint32_t bits,
                   std::uint64_t maxPixelBytes) {
    if (width <= 0 || height <= 0)
        return ImageFail("picture of zero width or height");
    if (!gdi::IsSupportedBitCount(bits))
        return ImageFail(std::to_string(bits) + "-bit colour depth not supported");
    const std::uint64_t cap =
        maxPixelBytes < gdi::kMaxPixelBytes ? maxPixelBytes : gdi::kMaxPixelBytes;
    return ImageFail("picture larger than the " + LimitText(cap) + " limit");
}

bool ImageFailLibrary(std::string_view message, std::string_view fallback) {
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '.' || message.back() == ' '))
        message.remove_suffix(1);
    if (message.empty())
        return ImageFail(fallback);
    std::string text(message);
    // "Premature end" reads "premature end"; "JPEG datastream" stays.
    if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
        !std::isupper(static_cast<unsigned char>(text[1])))
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return ImageFail(text);
}
