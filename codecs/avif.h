#pragma once

// AVIF reading and writing over the system AVIF library and its AV1
// codecs. Nothing here keeps state between calls, so calls on different
// threads do not interfere.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/picture.h"
#include "platform/gdi/types.h"

// What an AVIF container says before any pixel is decoded.
struct AvifHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t depth = 0;  // bits per sample: 8, 10 or 12
    bool alpha = false;
    std::uint32_t frames = 1;  // of an image sequence
};

// True when `head` starts with an ISO media file type box whose major or
// compatible brands name AVIF ("avif" for a picture, "avis" for a sequence).
bool HasAvifSignature(std::span<const std::uint8_t> head);

// Parses the container of an AVIF stream; false, with a reason, when it is
// none or is damaged.
bool ReadAvifHeader(std::span<const std::uint8_t> data, AvifHeader& header);

// Decodes an AVIF stream held in memory: 24-bit blue-green-red, or 32-bit
// blue-green-red-alpha with an alpha plane; 10- and 12-bit samples are
// reduced to 8. A sequence gives its first image. A picture whose pixels
// would take more than `maxPixelBytes` is refused before the AV1 decoder
// runs; so is a stream cut short. On failure the picture is left empty and
// the reason recorded.
bool DecodeAvifMemory(CPicture& picture, std::span<const std::uint8_t> data,
                      std::uint64_t maxPixelBytes = gdi::kMaxPixelBytes);

// The quality AVIF files are saved at (0 to 100; 100 is lossless).
inline constexpr int kAvifSaveQuality = 85;

// Encodes a picture as 8-bit 4:4:4 AVIF at `quality`; the alpha of a 32-bit
// picture whose fourth bytes carry transparency is kept losslessly, a fourth
// byte that is all zero is dropped. Pictures of other depths go through 24
// bits. `out` receives the whole file; it is empty after a failure.
bool EncodeAvif(const CPicture& picture, int quality, std::vector<std::uint8_t>& out);

// The file forms. LoadAvif empties the picture first; SaveAvif refuses an
// unsuitable picture before touching the file, and replaces an existing
// file only once the new one is written whole.
bool LoadAvif(CPicture& picture, const std::string& path);
bool SaveAvif(const CPicture& picture, const std::string& path, int quality = kAvifSaveQuality);
