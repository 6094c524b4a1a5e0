#pragma once

// The Targa file header, shared by the reader and the writer.

#include <cstddef>
#include <cstdint>

namespace tga {

#pragma pack(push, 1)
struct Header {
    std::uint8_t idLength;
    std::uint8_t colourMapType;
    std::uint8_t imageType;
    std::uint16_t firstEntry;
    std::uint16_t mapLength;
    std::uint8_t entryBits;
    std::uint16_t xOrigin;
    std::uint16_t yOrigin;
    std::uint16_t width;
    std::uint16_t height;
    std::uint8_t pixelBits;
    std::uint8_t descriptor;
};
#pragma pack(pop)
static_assert(sizeof(Header) == 18);

inline constexpr std::uint8_t kMapped = 1;
inline constexpr std::uint8_t kTrueColour = 2;
inline constexpr std::uint8_t kGrey = 3;
inline constexpr std::uint8_t kRleMapped = 9;
inline constexpr std::uint8_t kRleTrueColour = 10;
inline constexpr std::uint8_t kRleGrey = 11;
inline constexpr std::uint8_t kRightToLeft = 0x10;
inline constexpr std::uint8_t kTopDown = 0x20;
inline constexpr std::size_t kLongestPacket = 128;

}  // namespace tga
