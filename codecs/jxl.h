#pragma once

// JPEG XL reading over the system JPEG XL library. Writing is not offered.
// Nothing here keeps state between calls, so calls on different threads do
// not interfere.

#include <cstdint>
#include <span>

#include "image/picture.h"
#include "platform/gdi/types.h"

// True when `head` starts with a bare JPEG XL codestream (FF 0A) or with the
// container's signature box.
bool IsJxlSignature(std::span<const std::uint8_t> head);

// Decodes a JPEG XL file held in memory (the first frame of an animation):
// 24-bit blue-green-red, or 32-bit blue-green-red-alpha (straight, not
// premultiplied) when it has an alpha channel; grey pictures come out as
// colour. The file's orientation is applied, so the picture comes out
// upright. A picture whose pixels would take more than `maxPixelBytes` is
// refused from its header, before anything is decoded; so are truncated
// and damaged files. On failure the picture is left empty and the reason
// recorded (LastImageError).
bool DecodeJxlMemory(CPicture& picture, std::span<const std::uint8_t> data,
                     std::uint64_t maxPixelBytes = gdi::kMaxPixelBytes);

// What the header probe reports: the upright size and the depth the file
// decodes at.
struct JxlHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 0;
};

// Reads the codestream's header without decoding a pixel. False when it does
// not describe a picture.
bool ReadJxlHeader(std::span<const std::uint8_t> data, JxlHeader& header);
