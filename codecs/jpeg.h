#pragma once

// JPEG reading and writing over the system JPEG library. Nothing here keeps
// state between calls, so calls on different threads do not interfere.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "image/picture.h"
#include "platform/gdi/types.h"

// Decodes a whole JPEG stream held in memory (baseline or progressive).
// Grey pictures become 8-bit with a grey ramp, colour pictures 24-bit
// blue-green-red, four-component (CMYK, YCCK, components inverted as image
// editors write them) pictures 24-bit with the black component applied.
// Pictures whose pixels would take more than `maxPixelBytes` are
// refused before anything is allocated; so is a stream whose image data
// ends early. On failure the picture is left empty. The bytes stay the
// caller's and are never copied.
bool DecodeJpegMemory(CPicture& picture, std::span<const std::uint8_t> data,
                      std::uint64_t maxPixelBytes = gdi::kMaxPixelBytes);

// What a reduced decode reports: the picture's size in the file and the
// scale it was decoded at (1 for full size, else 2, 4 or 8 for 1/2, 1/4, 1/8).
struct JpegReducedDecode {
    std::uint32_t fullWidth = 0;
    std::uint32_t fullHeight = 0;
    int denominator = 1;
};

// DecodeJpegMemory at the smallest of the library's DCT scales 1/8, 1/4 and
// 1/2 whose picture is still at least `minimumSize` wide and high; at full
// size when none is, or when `minimumSize` gives a zero side. The
// library scales while it decodes, which costs a fraction of a full decode
// and its memory. `minimumSize` is called once with the full size, before
// any pixel is decoded, and returns {width, height}; it must not throw.
bool DecodeJpegMemoryReduced(
    CPicture& picture, std::span<const std::uint8_t> data,
    const std::function<std::pair<std::uint32_t, std::uint32_t>(std::uint32_t, std::uint32_t)>&
        minimumSize,
    JpegReducedDecode* decoded = nullptr, std::uint64_t maxPixelBytes = gdi::kMaxPixelBytes);

// Encodes a 24-bit picture, or an 8-bit picture with a grey ramp, at the
// given quality (0 to 100). Any other picture is refused. `out` receives the
// whole file; it is empty after a failure.
bool EncodeJpeg(const CPicture& picture, int quality, std::vector<std::uint8_t>& out);

// The file forms. LoadJpeg empties the picture first; SaveJpeg refuses an
// unsuitable picture before touching the file, and replaces an existing
// file only once the new one is written whole.
bool LoadJpeg(CPicture& picture, const std::string& path);
bool SaveJpeg(const CPicture& picture, const std::string& path, int quality);

// A JPEG picture linked into the program (see platform/base/resources.h), found
// by name and type. False when there is no such resource or it does not
// decode.
bool LoadJpegResource(CPicture& picture, std::string_view name, std::string_view type);
