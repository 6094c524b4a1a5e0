#include <algorithm>
#include <cstring>

#include "codecs/codec_error.h"
#include "codecs/tga.h"
#include "codecs/tga_format.h"
#include "platform/gdi/dib_section.h"

namespace {

struct Layout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    unsigned bits = 0;      // the picture's depth
    unsigned fileBits = 0;  // a pixel's size in the file
    bool runLength = false;
    bool topDown = false;
    bool rightToLeft = false;
    std::size_t mapOffset = 0;  // where the colour map starts
    unsigned entryBytes = 0;    // 0 when there is no colour map to read
    std::size_t pixelOffset = 0;
};

bool Parse(std::span<const std::uint8_t> data, std::uint64_t maxPixelBytes, tga::Header& header,
           Layout& layout) {
    if (data.size() < sizeof header)
        return ImageFail("truncated");
    std::memcpy(&header, data.data(), sizeof header);
    // A zero size must not reach Create, which reads it as "the display's".
    if (header.width == 0 || header.height == 0)
        return ImageFail("picture of zero width or height");
    layout.width = header.width;
    layout.height = header.height;
    // Some writers give 15 for the 5-5-5 layout with the top bit unused.
    layout.bits = header.pixelBits == 15 ? 16 : header.pixelBits;
    layout.fileBits = layout.bits;

    // Mapped pixels are 8-bit indices, grey ones 8 bits or 16 (grey, then
    // alpha: a 32-bit picture, as pictures have no grey-with-alpha format),
    // true colour is 16, 24 or 32 bits; other pairings (or other image
    // types: no data, Huffman coding) would be misread.
    const std::string depth = std::to_string(header.pixelBits) + "-bit ";
    switch (header.imageType) {
    case tga::kMapped:
    case tga::kRleMapped:
        if (layout.bits != 8)
            return ImageFail(depth + "colour-mapped pixels not supported");
        break;
    case tga::kGrey:
    case tga::kRleGrey:
        if (layout.bits == 16)
            layout.bits = 32;
        else if (layout.bits != 8)
            return ImageFail(depth + "grey pixels not supported");
        break;
    case tga::kTrueColour:
    case tga::kRleTrueColour:
        if (layout.bits != 16 && layout.bits != 24 && layout.bits != 32)
            return ImageFail(depth + "colour depth not supported");
        break;
    default:
        return ImageFail("unsupported image type " + std::to_string(header.imageType));
    }
    layout.runLength = header.imageType >= tga::kRleMapped;
    layout.topDown = (header.descriptor & tga::kTopDown) != 0;
    layout.rightToLeft = (header.descriptor & tga::kRightToLeft) != 0;

    std::size_t offset = sizeof header + header.idLength;
    layout.mapOffset = offset;
    if (header.colourMapType == 1) {
        if (header.entryBits != 15 && header.entryBits != 16 && header.entryBits != 24 &&
            header.entryBits != 32)
            return ImageFail(std::to_string(header.entryBits) +
                             "-bit colour map entries not supported");
        layout.entryBytes = (header.entryBits + 7) / 8;
        offset += std::size_t{header.mapLength} * layout.entryBytes;
    }
    if (offset > data.size())
        return ImageFail("truncated");
    layout.pixelOffset = offset;

    gdi::DibGeometry geometry;
    if (!gdi::ComputeDibGeometry(layout.width, layout.height, layout.bits, geometry) ||
        geometry.sizeImage > maxPixelBytes)
        return ImageFailSize(layout.width, layout.height, layout.bits, maxPixelBytes);
    // The file must be able to hold the pixels before memory is taken for
    // them: every row raw, or for run-length data one packet (a header and a
    // pixel at least) per 128 pixels.
    const std::uint64_t bytes = layout.fileBits / 8;
    const std::uint64_t pixels = std::uint64_t{layout.width} * layout.height;
    const std::uint64_t least =
        layout.runLength ? (pixels + tga::kLongestPacket - 1) / tga::kLongestPacket * (1 + bytes)
                         : pixels * bytes;
    return least <= data.size() - offset || ImageFail("truncated");
}

// A 5-bit field (the low bits of `v`) widened to 8 by repeating its top bits.
std::uint8_t Widen5(unsigned v) {
    v &= 0x1F;
    return static_cast<std::uint8_t>(v << 3 | v >> 2);
}

void SetColours(CDibImage& picture, const tga::Header& header, const Layout& layout,
                std::span<const std::uint8_t> data) {
    if (layout.entryBytes == 0 || layout.bits > 8 || header.firstEntry >= 256)
        return;
    // Entries past the 256 of the picture's table are skipped over.
    const unsigned count = std::min<unsigned>(header.mapLength, 256u - header.firstEntry);
    gdi::RGBQUAD table[256] = {};
    const std::uint8_t* entry = data.data() + layout.mapOffset;
    for (unsigned i = 0; i < count; ++i, entry += layout.entryBytes) {
        if (layout.entryBytes == 2) {
            // 15- and 16-bit entries: x-r-g-b 1-5-5-5, little-endian; the
            // top bit is no colour.
            const unsigned v = entry[0] | entry[1] << 8;
            table[i] = {Widen5(v), Widen5(v >> 5), Widen5(v >> 10), 0};
        } else {
            table[i] = {entry[0], entry[1], entry[2],
                        static_cast<std::uint8_t>(layout.entryBytes == 4 ? entry[3] : 0)};
        }
    }
    picture.SetPalette(header.firstEntry, count, table);
}

// Grey-and-alpha pairs at the start of `row` spread into blue-green-red-alpha
// over the whole row; from the right, so that no pair is overwritten before
// it is read.
void SpreadGreyAlpha(std::uint8_t* row, std::uint32_t width) {
    for (std::uint32_t x = width; x-- > 0;) {
        const std::uint8_t grey = row[2 * x];
        const std::uint8_t alpha = row[2 * x + 1];
        std::uint8_t* out = row + 4 * std::size_t{x};
        out[0] = out[1] = out[2] = grey;
        out[3] = alpha;
    }
}

// A row stored right to left, put left to right.
void Mirror(std::uint8_t* row, std::uint32_t width, std::size_t pixelBytes) {
    for (std::uint32_t left = 0, right = width - 1; left < right; ++left, --right)
        std::swap_ranges(row + left * pixelBytes, row + (left + 1) * pixelBytes,
                         row + right * pixelBytes);
}

}  // namespace

bool DecodeTgaMemory(CDibImage& picture, std::span<const std::uint8_t> data,
                     std::uint64_t maxPixelBytes) {
    ClearImageError();
    tga::Header header;
    Layout layout;
    if (!data.data() || !Parse(data, maxPixelBytes, header, layout) ||
        !picture.Create(layout.width, layout.height, layout.bits)) {
        picture.Destroy();
        return data.data() ? ImageFail("not enough memory for the picture")
                           : ImageFail("truncated");
    }
    SetColours(picture, header, layout, data);

    const std::size_t rowBytes = std::size_t{layout.width} * (layout.fileBits / 8);
    std::size_t position = layout.pixelOffset;
    TgaRlePacket carry;
    for (std::uint32_t i = 0; i < layout.height; ++i) {
        const std::uint32_t y = layout.topDown ? i : layout.height - 1 - i;
        const std::span<std::uint8_t> row(picture.GetRow(y), rowBytes);
        if (layout.runLength) {
            position = TgaRleDecodeRow(data, position, layout.fileBits, layout.width, row, carry);
            if (position == kTgaRleFailed) {
                picture.Destroy();
                return ImageFail("truncated");
            }
        } else {
            // Parse made sure every row is there.
            std::memcpy(row.data(), data.data() + position, rowBytes);
            position += rowBytes;
        }
        if (layout.fileBits != layout.bits)
            SpreadGreyAlpha(row.data(), layout.width);
        if (layout.rightToLeft)
            Mirror(row.data(), layout.width, layout.bits / 8);
    }
    return true;
}
