#pragma once

// Colour values and the fixed packing rules of 16-bit pixels.
//
// A colour value is laid out like an RGBQUAD read as a little-endian word:
// blue in bits 0-7, green in bits 8-15, red in bits 16-23, the top byte
// reserved. 24- and 32-bit pixel values are colour values as they stand.

#include <cstdint>
#include <cstring>

#include "platform/gdi/types.h"

using ColourValue = std::uint32_t;

constexpr ColourValue ColourFromBgr(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    return ColourValue{blue} | (ColourValue{green} << 8) | (ColourValue{red} << 16);
}
constexpr std::uint8_t ColourBlue(ColourValue c) {
    return static_cast<std::uint8_t>(c);
}
constexpr std::uint8_t ColourGreen(ColourValue c) {
    return static_cast<std::uint8_t>(c >> 8);
}
constexpr std::uint8_t ColourRed(ColourValue c) {
    return static_cast<std::uint8_t>(c >> 16);
}
// A palette entry as a colour value, reserved byte included.
inline ColourValue ColourFromQuad(const gdi::RGBQUAD& q) {
    ColourValue c;
    std::memcpy(&c, &q, sizeof c);
    return c;
}

// Luminance weighted 30/59/11, truncated: 0 to 255.
constexpr std::uint8_t GreyLevel(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    return static_cast<std::uint8_t>((30u * red + 59u * green + 11u * blue) / 100u);
}
constexpr std::uint8_t GreyLevelOf(ColourValue c) {
    return GreyLevel(ColourBlue(c), ColourGreen(c), ColourRed(c));
}

// 16-bit packing keeps the top bits of each channel. Unpacking leaves the low
// bits of each channel zero (no bit replication), so unpack-then-pack gives
// back the same value.
constexpr std::uint16_t PackTo555(ColourValue c) {
    return static_cast<std::uint16_t>(((ColourRed(c) >> 3) << 10) | ((ColourGreen(c) >> 3) << 5) |
                                      (ColourBlue(c) >> 3));
}
constexpr std::uint16_t PackTo565(ColourValue c) {
    return static_cast<std::uint16_t>(((ColourRed(c) >> 3) << 11) | ((ColourGreen(c) >> 2) << 5) |
                                      (ColourBlue(c) >> 3));
}
constexpr ColourValue UnpackFrom555(std::uint32_t v) {
    return ColourFromBgr(static_cast<std::uint8_t>((v & 0x1F) << 3),
                         static_cast<std::uint8_t>((v & 0x3E0) >> 2),
                         static_cast<std::uint8_t>((v & 0x7C00) >> 7));
}
constexpr ColourValue UnpackFrom565(std::uint32_t v) {
    return ColourFromBgr(static_cast<std::uint8_t>((v & 0x1F) << 3),
                         static_cast<std::uint8_t>((v & 0x7E0) >> 3),
                         static_cast<std::uint8_t>((v & 0xF800) >> 8));
}
