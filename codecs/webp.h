#pragma once

// WebP reading and writing over the system WebP library. Nothing here keeps
// state between calls, so calls on different threads do not interfere.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "image/picture.h"
#include "platform/gdi/types.h"

// The largest side a WebP file can describe (14 bits in its headers).
inline constexpr std::uint32_t kWebpMaxSide = 16383;

// What a WebP header says before any pixel is decoded.
struct WebpHeader {
    std::uint32_t width = 0;  // the canvas of an animation
    std::uint32_t height = 0;
    bool alpha = false;
    bool lossless = false;  // of a still picture; false for an animation
    bool animated = false;
    std::uint32_t frames = 1;  // of an animation: those whose headers have arrived
};

// Reads the header of a WebP stream; false, with a reason, when it is none
// or is cut short before its size.
bool ReadWebpHeader(std::span<const std::uint8_t> data, WebpHeader& header);

// Decodes a WebP stream held in memory, lossy or lossless: 24-bit
// blue-green-red, or 32-bit blue-green-red-alpha when the picture has
// transparency. An animation gives its first frame on the canvas, the rest
// of the canvas transparent. A picture whose pixels would take more than
// `maxPixelBytes` is refused before anything is allocated; so is a stream cut
// short. On failure the picture is left empty and the reason recorded.
bool DecodeWebpMemory(CPicture& picture, std::span<const std::uint8_t> data,
                      std::uint64_t maxPixelBytes = gdi::kMaxPixelBytes);

// What a reduced decode reports: the picture's size in the file and whether
// the library scaled it while decoding.
struct WebpReducedDecode {
    std::uint32_t fullWidth = 0;
    std::uint32_t fullHeight = 0;
    bool scaled = false;
};

// DecodeWebpMemory straight to the size `reducedSize` returns for the full
// size, which the library's scaler produces while it decodes at a fraction
// of a full decode's memory. A size of zero, or one that is not smaller
// than the picture, decodes at full size; so does an animation.
// `reducedSize` is called once, before any pixel is decoded, and must not
// throw.
bool DecodeWebpMemoryReduced(
    CPicture& picture, std::span<const std::uint8_t> data,
    const std::function<std::pair<std::uint32_t, std::uint32_t>(std::uint32_t, std::uint32_t)>&
        reducedSize,
    WebpReducedDecode* decoded = nullptr, std::uint64_t maxPixelBytes = gdi::kMaxPixelBytes);

// The quality lossy WebP files are saved at.
inline constexpr int kWebpSaveQuality = 85;

// Encodes a picture as WebP: lossless for pictures of 8 bits or fewer and
// for 32-bit pictures whose fourth byte carries transparency (kept exactly),
// lossy at `quality` (0 to 100) for the rest. A 32-bit picture whose fourth
// bytes are all zero is saved without alpha. 16-bit pictures go through 24
// bits. Pictures wider or higher than kWebpMaxSide are refused. `out`
// receives the whole file; it is empty after a failure.
bool EncodeWebp(const CPicture& picture, int quality, std::vector<std::uint8_t>& out);

// The file forms. LoadWebp empties the picture first; SaveWebp refuses an
// unsuitable picture before touching the file, and replaces an existing
// file only once the new one is written whole.
bool LoadWebp(CPicture& picture, const std::string& path);
bool SaveWebp(const CPicture& picture, const std::string& path, int quality = kWebpSaveQuality);

// True when no pixel of a 32-bit picture has a nonzero fourth byte: bitmaps
// and screen captures leave that byte unused, and written as alpha it would
// make a wholly invisible picture. The WebP and AVIF writers drop it then.
bool FourthByteUnused(const CPicture& picture);
