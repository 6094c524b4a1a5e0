#include "image/fixed_palettes.h"

#include <array>
#include <cstdint>

namespace {

constexpr gdi::RGBQUAD Entry(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return gdi::RGBQUAD{blue, green, red, 0};
}

constexpr std::array<gdi::RGBQUAD, 2> kMonochrome = {Entry(0, 0, 0), Entry(255, 255, 255)};

// The standard VGA text-mode colours, in their usual order.
constexpr std::array<gdi::RGBQUAD, 16> kVga = {
    Entry(0, 0, 0),     Entry(0, 0, 170),    Entry(0, 170, 0),    Entry(0, 170, 170),
    Entry(170, 0, 0),   Entry(170, 0, 170),  Entry(170, 85, 0),   Entry(170, 170, 170),
    Entry(85, 85, 85),  Entry(85, 85, 255),  Entry(85, 255, 85),  Entry(85, 255, 255),
    Entry(255, 85, 85), Entry(255, 85, 255), Entry(255, 255, 85), Entry(255, 255, 255),
};

// 256 colours: a 6 x 7 x 6 cube (red, green, blue levels evenly spaced from 0
// to 255; green gets the extra level because the eye resolves it best) fills
// entries 0 to 251 as index = 42 r + 6 g + b, so entry 0 is black and 251
// white. The cube's only greys are black and white, so entries 252 to 255
// add the greys 51, 102, 153 and 204, which keeps grey pictures neutral.
constexpr std::array<gdi::RGBQUAD, 256> MakeCubePalette() {
    std::array<gdi::RGBQUAD, 256> table{};
    std::size_t i = 0;
    for (unsigned r = 0; r < 6; ++r) {
        for (unsigned g = 0; g < 7; ++g) {
            for (unsigned b = 0; b < 6; ++b) {
                table[i++] = Entry(static_cast<std::uint8_t>(r * 255 / 5),
                                   static_cast<std::uint8_t>((g * 255 + 3) / 6),
                                   static_cast<std::uint8_t>(b * 255 / 5));
            }
        }
    }
    for (unsigned level = 51; level < 255; level += 51) {
        const auto l = static_cast<std::uint8_t>(level);
        table[i++] = Entry(l, l, l);
    }
    return table;
}

constexpr std::array<gdi::RGBQUAD, 256> kCube = MakeCubePalette();
static_assert(kCube[251] == Entry(255, 255, 255) && kCube[255] == Entry(204, 204, 204));

}  // namespace

std::span<const gdi::RGBQUAD> FixedPalette(unsigned bitCount) {
    switch (bitCount) {
    case 1:
        return kMonochrome;
    case 4:
        return kVga;
    case 8:
        return kCube;
    default:
        return {};
    }
}
