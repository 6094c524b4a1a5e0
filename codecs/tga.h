#pragma once

// Targa files: colour-mapped, true-colour (16-bit 5-5-5, 24- and 32-bit),
// grey and grey-with-alpha pictures, raw or run-length coded, stored from
// any of the four corners.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/dib_image.h"
#include "platform/gdi/types.h"

// Decodes a whole Targa file held in memory into an 8-bit (colour-mapped or
// grey), 16-, 24- or 32-bit picture; 16-bit grey (grey, then alpha) becomes
// 32-bit blue-green-red-alpha. Colour maps may have 15-, 16-, 24- or 32-bit
// entries. A picture whose pixels would take more than `maxPixelBytes`, or
// that the file is too short to hold, is refused before anything is
// allocated; so are colour maps of other entry sizes. On failure the picture
// is left empty.
bool DecodeTgaMemory(CDibImage& picture, std::span<const std::uint8_t> data,
                     std::uint64_t maxPixelBytes = gdi::kMaxPixelBytes);

// LoadTga empties the picture first; a failed load leaves it empty.
bool LoadTga(CDibImage& picture, const std::string& path);

// A Targa picture linked into the program (platform/base/resources.h), found by
// name and type. False when there is no such resource or it does not decode.
bool LoadTgaResource(CDibImage& picture, std::string_view name, std::string_view type);

// Writes the picture top row first, run-length coded when `runLength` is
// set. 8-bit pictures are written colour-mapped; 1- and 4-bit ones as 8-bit
// colour-mapped files with the same colours (the caller's picture is not
// changed); 16-bit ones in the file's 5-5-5 layout. Empty pictures and
// pictures over 65535 pixels in either direction are refused before the
// file is touched; an existing file is replaced only once the new one is
// written whole.
bool SaveTga(const CDibImage& picture, const std::string& path, bool runLength);
// The same file image in memory; `out` is empty after a failure.
bool EncodeTga(const CDibImage& picture, bool runLength, std::vector<std::uint8_t>& out);

// The run-length coder, one row of pixels at a time. A packet header whose
// top bit is set is followed by one pixel repeated (header & 0x7F) + 1 times;
// otherwise by (header + 1) literal pixels.

// What is left of a packet that reached past the end of the row it began
// in; the next row carries on with it.
struct TgaRlePacket {
    std::uint32_t remaining = 0;
    bool run = false;
    std::uint8_t pixel[4] = {};
};
inline constexpr std::size_t kTgaRleFailed = SIZE_MAX;

// Decodes `pixelCount` pixels of `bitsPerPixel` (8, 16, 24 or 32) into `row`,
// reading from `position` in `input`; returns the position after the row,
// or kTgaRleFailed when the input ends first or `row` is too short.
std::size_t TgaRleDecodeRow(std::span<const std::uint8_t> input, std::size_t position,
                            unsigned bitsPerPixel, std::uint32_t pixelCount,
                            std::span<std::uint8_t> row, TgaRlePacket& carry);

// Encodes `pixelCount` pixels of `row`; returns the bytes written, 0 when
// `output` cannot hold them (pixel bytes + pixelCount always suffice).
std::size_t TgaRleEncodeRow(std::span<const std::uint8_t> row, unsigned bitsPerPixel,
                            std::uint32_t pixelCount, std::span<std::uint8_t> output);
