#include <algorithm>
#include <cstring>

#include "codecs/tga.h"
#include "codecs/tga_format.h"
#include "platform/gdi/dib_section.h"

namespace {

struct Layout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    unsigned bits = 0;
    bool runLength = false;
    bool topDown = false;
    std::size_t mapOffset = 0;  // where the colour map starts
    unsigned entryBytes = 0;    // 0 when there is no colour map to read
    std::size_t pixelOffset = 0;
};

bool Parse(std::span<const std::uint8_t> data, std::uint64_t maxPixelBytes, tga::Header& header,
           Layout& layout) {
    if (data.size() < sizeof header)
        return false;
    std::memcpy(&header, data.data(), sizeof header);
    // A zero size must not reach Create, which reads it as "the display's".
    if (header.width == 0 || header.height == 0)
        return false;
    layout.width = header.width;
    layout.height = header.height;
    // Some writers give 15 for the 5-5-5 layout with the top bit unused.
    layout.bits = header.pixelBits == 15 ? 16 : header.pixelBits;

    // Mapped and grey pixels are 8-bit indices, true colour is 16, 24 or 32
    // bits; other pairings (or other image types: no data, Huffman coding)
    // would be misread.
    switch (header.imageType) {
    case tga::kMapped:
    case tga::kGrey:
    case tga::kRleMapped:
    case tga::kRleGrey:
        if (layout.bits != 8)
            return false;
        break;
    case tga::kTrueColour:
    case tga::kRleTrueColour:
        if (layout.bits != 16 && layout.bits != 24 && layout.bits != 32)
            return false;
        break;
    default:
        return false;
    }
    layout.runLength = header.imageType >= tga::kRleMapped;
    layout.topDown = (header.descriptor & tga::kTopDown) != 0;

    std::size_t offset = sizeof header + header.idLength;
    layout.mapOffset = offset;
    if (header.colourMapType == 1) {
        if (header.entryBits != 24 && header.entryBits != 32)
            return false;
        layout.entryBytes = header.entryBits / 8;
        offset += std::size_t{header.mapLength} * layout.entryBytes;
    }
    if (offset > data.size())
        return false;
    layout.pixelOffset = offset;

    gdi::DibGeometry geometry;
    if (!gdi::ComputeDibGeometry(layout.width, layout.height, layout.bits, geometry) ||
        geometry.sizeImage > maxPixelBytes)
        return false;
    // The file must be able to hold the pixels before memory is taken for
    // them: every row raw, or for run-length data one packet (a header and a
    // pixel at least) per 128 pixels.
    const std::uint64_t bytes = layout.bits / 8;
    const std::uint64_t pixels = std::uint64_t{layout.width} * layout.height;
    const std::uint64_t least =
        layout.runLength ? (pixels + tga::kLongestPacket - 1) / tga::kLongestPacket * (1 + bytes)
                         : pixels * bytes;
    return least <= data.size() - offset;
}

void SetColours(CDibImage& picture, const tga::Header& header, const Layout& layout,
                std::span<const std::uint8_t> data) {
    if (layout.entryBytes == 0 || layout.bits > 8 || header.firstEntry >= 256)
        return;
    // Entries past the 256 of the picture's table are skipped over.
    const unsigned count = std::min<unsigned>(header.mapLength, 256u - header.firstEntry);
    gdi::RGBQUAD table[256] = {};
    const std::uint8_t* entry = data.data() + layout.mapOffset;
    for (unsigned i = 0; i < count; ++i, entry += layout.entryBytes)
        table[i] = {entry[0], entry[1], entry[2],
                    static_cast<std::uint8_t>(layout.entryBytes == 4 ? entry[3] : 0)};
    picture.SetPalette(header.firstEntry, count, table);
}

}  // namespace

bool DecodeTgaMemory(CDibImage& picture, std::span<const std::uint8_t> data,
                     std::uint64_t maxPixelBytes) {
    tga::Header header;
    Layout layout;
    if (!data.data() || !Parse(data, maxPixelBytes, header, layout) ||
        !picture.Create(layout.width, layout.height, layout.bits)) {
        picture.Destroy();
        return false;
    }
    SetColours(picture, header, layout, data);

    const std::size_t rowBytes = std::size_t{layout.width} * (layout.bits / 8);
    std::size_t position = layout.pixelOffset;
    TgaRlePacket carry;
    for (std::uint32_t i = 0; i < layout.height; ++i) {
        const std::uint32_t y = layout.topDown ? i : layout.height - 1 - i;
        const std::span<std::uint8_t> row(picture.GetRow(y), rowBytes);
        if (layout.runLength) {
            position = TgaRleDecodeRow(data, position, layout.bits, layout.width, row, carry);
            if (position == kTgaRleFailed) {
                picture.Destroy();
                return false;
            }
        } else {
            // Parse made sure every row is there.
            std::memcpy(row.data(), data.data() + position, rowBytes);
            position += rowBytes;
        }
    }
    return true;
}
