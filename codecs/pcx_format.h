#pragma once

// What the PCX reader and writer share: the file header and the streaming
// form of the run-length decoder.

#include <cstddef>
#include <cstdint>
#include <span>

#include "image/dib_image.h"

namespace pcx {

#pragma pack(push, 1)
struct Header {
    std::uint8_t manufacturer;
    std::uint8_t version;
    std::uint8_t encoding;
    std::uint8_t bitsPerPlane;
    std::uint16_t xMin;
    std::uint16_t yMin;
    std::uint16_t xMax;
    std::uint16_t yMax;
    std::uint16_t hResolution;
    std::uint16_t vResolution;
    std::uint8_t palette[48];  // 16 red-green-blue triples
    std::uint8_t reserved;
    std::uint8_t planes;
    std::uint16_t bytesPerLine;  // per plane
    std::uint16_t paletteInfo;
    std::uint8_t filler[58];
};
#pragma pack(pop)
static_assert(sizeof(Header) == 128);

inline constexpr std::uint8_t kManufacturer = 10;
inline constexpr std::uint8_t kVersion = 5;
inline constexpr std::uint8_t kEncodingRle = 1;
inline constexpr std::uint8_t kPaletteMarker = 12;
inline constexpr std::size_t kTrailingPaletteBytes = 768;

// Decodes a run-length stream a piece at a time. A run that does not fit the
// piece asked for carries on into the next one, since writers that code the
// whole picture as one stream let runs cross rows.
class RleReader {
public:
    explicit RleReader(std::span<const std::uint8_t> input) : input_(input) {}
    // Fills `out`; returns the bytes produced, fewer only when the input ends.
    std::size_t Read(std::span<std::uint8_t> out);

private:
    std::span<const std::uint8_t> input_;
    std::size_t position_ = 0;
    std::size_t pending_ = 0;  // bytes of the current run not yet delivered
    std::uint8_t value_ = 0;
};

// Size of the file EncodeInto writes at most; 0 when the picture cannot be
// written as PCX.
std::uint64_t EncodedBound(const CDibImage& picture);
// Writes the file into `out` (at least EncodedBound bytes); returns its
// length, 0 on failure.
std::size_t EncodeInto(const CDibImage& picture, std::span<std::uint8_t> out);

}  // namespace pcx
