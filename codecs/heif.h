#pragma once

// HEIF/HEIC reading over the system HEIF library (HEVC-coded still
// pictures). Writing is not offered. Nothing here keeps state between calls,
// so calls on different threads do not interfere.

#include <cstdint>
#include <span>

#include "image/picture.h"
#include "platform/gdi/types.h"

// True when `head` starts with an ISO base media `ftyp` box whose major brand
// names a HEVC still picture or a general image file (heic, heix, mif1,
// msf1). A mif1/msf1 file that lists an AV1 brand (avif, avis) is left to
// the AVIF reader.
bool IsHeifSignature(std::span<const std::uint8_t> head);

// Decodes the primary picture of a HEIF file held in memory: 24-bit
// blue-green-red, or 32-bit blue-green-red-alpha (straight, not
// premultiplied) when it has an alpha plane. The file's rotation, mirror and
// crop properties are applied, so the picture comes out upright. Deeper
// samples (10 or 12 bits) keep their top 8. A picture whose pixels would take
// more than `maxPixelBytes` is refused from its header, before anything is
// decoded; so are truncated and damaged files. On failure the picture is
// left empty and the reason recorded (LastImageError).
bool DecodeHeifMemory(CPicture& picture, std::span<const std::uint8_t> data,
                      std::uint64_t maxPixelBytes = gdi::kMaxPixelBytes);

// What the header probe reports: the upright size of the primary picture,
// the depth it decodes at and how many top-level pictures the file holds.
struct HeifHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 0;
    std::uint16_t imageCount = 0;
};

// Reads the boxes of the file without decoding a pixel. False when they do
// not describe a picture.
bool ReadHeifHeader(std::span<const std::uint8_t> data, HeifHeader& header);
