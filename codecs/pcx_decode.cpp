#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/codec_error.h"
#include "codecs/pcx.h"
#include "codecs/pcx_format.h"
#include "platform/gdi/dib_section.h"

namespace {

// How the stored planes become the picture's pixels.
enum class Unpack {
    kCopy,    // one plane already in the picture's layout (1, 4, 8 bits)
    kPlanar,  // several planes (or 2-bit pixels) gathered into 4- or 8-bit indices
    kColour,  // 3 or 4 planes of 8 bits: red, green, blue (, alpha)
};

struct Layout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    unsigned bitsPerPlane = 0;
    unsigned planes = 0;
    std::size_t bytesPerLine = 0;
    unsigned pictureBits = 0;
    Unpack unpack = Unpack::kCopy;
};

bool Parse(std::span<const std::uint8_t> data, std::uint64_t maxPixelBytes, pcx::Header& header,
           Layout& layout) {
    if (data.size() < sizeof header)
        return ImageFail("truncated");
    std::memcpy(&header, data.data(), sizeof header);
    if (header.manufacturer != pcx::kManufacturer)
        return ImageFail("not a PCX file");
    if (header.encoding != pcx::kEncodingRle)
        return ImageFail("unsupported encoding " + std::to_string(header.encoding));
    // Reversed limits would give no width; a zero size must not reach
    // Create, which reads it as "the display's size".
    if (header.xMax < header.xMin || header.yMax < header.yMin)
        return ImageFail("picture of zero width or height");
    if (header.bytesPerLine == 0)
        return ImageFail("zero bytes per line");
    layout.width = std::uint32_t{header.xMax} - header.xMin + 1;
    layout.height = std::uint32_t{header.yMax} - header.yMin + 1;
    layout.bitsPerPlane = header.bitsPerPlane;
    layout.planes = header.planes;
    layout.bytesPerLine = header.bytesPerLine;

    const unsigned bpp = layout.bitsPerPlane;
    if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8)
        return ImageFail(std::to_string(bpp) + "-bit colour depth not supported");
    if (layout.planes < 1 || layout.planes > 4)
        return ImageFail(std::to_string(layout.planes) + " colour planes not supported");
    const unsigned total = bpp * layout.planes;
    if (total <= 8) {
        layout.pictureBits = total == 1 ? 1 : total <= 4 ? 4 : 8;
        layout.unpack =
            layout.planes == 1 && bpp == layout.pictureBits ? Unpack::kCopy : Unpack::kPlanar;
    } else if (bpp == 8 && (layout.planes == 3 || layout.planes == 4)) {
        layout.pictureBits = 8 * layout.planes;
        layout.unpack = Unpack::kColour;
    } else {
        return ImageFail(std::to_string(layout.planes) + " planes of " + std::to_string(bpp) +
                         " bits not supported");
    }

    gdi::DibGeometry geometry;
    return (gdi::ComputeDibGeometry(layout.width, layout.height, layout.pictureBits, geometry) &&
            geometry.sizeImage <= maxPixelBytes) ||
           ImageFailSize(layout.width, layout.height, layout.pictureBits, maxPixelBytes);
}

// Index of pixel x gathered from its bits in every plane, the first plane
// holding the lowest bits.
unsigned PlanarIndex(const std::uint8_t* line, const Layout& layout, std::uint32_t x) {
    const unsigned bpp = layout.bitsPerPlane;
    const std::size_t bit = std::size_t{x} * bpp;
    if (bit / 8 >= layout.bytesPerLine)
        return 0;
    const unsigned mask = (1u << bpp) - 1;
    const unsigned shift = 8 - bpp - static_cast<unsigned>(bit % 8);
    unsigned index = 0;
    for (unsigned p = 0; p < layout.planes; ++p)
        index |= ((line[p * layout.bytesPerLine + bit / 8] >> shift) & mask) << (p * bpp);
    return index;
}

void StoreRow(const std::uint8_t* line, const Layout& layout, std::uint8_t* row,
              std::size_t stride) {
    const std::size_t bpl = layout.bytesPerLine;
    switch (layout.unpack) {
    case Unpack::kCopy:
        std::memcpy(row, line, std::min(bpl, stride));
        break;
    case Unpack::kPlanar:
        for (std::uint32_t x = 0; x < layout.width; ++x) {
            const unsigned index = PlanarIndex(line, layout, x);
            if (layout.pictureBits == 8)
                row[x] = static_cast<std::uint8_t>(index);
            else
                row[x / 2] |= static_cast<std::uint8_t>(x % 2 ? index : index << 4);
        }
        break;
    case Unpack::kColour: {
        const std::uint32_t width =
            static_cast<std::uint32_t>(std::min<std::size_t>(layout.width, bpl));
        const unsigned step = layout.planes;
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint8_t* pixel = row + std::size_t{x} * step;
            pixel[0] = line[2 * bpl + x];
            pixel[1] = line[bpl + x];
            pixel[2] = line[x];
            if (step == 4)
                pixel[3] = line[3 * bpl + x];
        }
        break;
    }
    }
}

void SetColours(CDibImage& picture, const pcx::Header& header, const Layout& layout,
                std::span<const std::uint8_t> data) {
    if (layout.pictureBits > 8)
        return;
    const std::uint8_t* triples = nullptr;
    unsigned count = 0;
    gdi::RGBQUAD table[256] = {};
    if (layout.pictureBits <= 4) {
        triples = header.palette;
        count = 1u << layout.pictureBits;
    } else if (data.size() - sizeof header >= pcx::kTrailingPaletteBytes) {
        triples = data.data() + data.size() - pcx::kTrailingPaletteBytes;
        count = 256;
    } else {
        return;  // no room for the trailing palette: the grey ramp stays
    }
    for (unsigned i = 0; i < count; ++i)
        table[i] = {triples[3 * i + 2], triples[3 * i + 1], triples[3 * i], 0};
    // Two-colour files whose header holds no usable palette (some writers
    // leave it zero, or black and black) are black and white, as readers
    // have always shown them.
    if (layout.pictureBits == 1 && table[0] == table[1]) {
        table[0] = {0, 0, 0, 0};
        table[1] = {255, 255, 255, 0};
    }
    picture.SetPalette(0, count, table);
}

}  // namespace

bool DecodePcxMemory(CDibImage& picture, std::span<const std::uint8_t> data,
                     std::uint64_t maxPixelBytes) {
    ClearImageError();
    pcx::Header header;
    Layout layout;
    if (!data.data() || !Parse(data, maxPixelBytes, header, layout) ||
        !picture.Create(layout.width, layout.height, layout.pictureBits)) {
        picture.Destroy();
        return data.data() ? ImageFail("not enough memory for the picture")
                           : ImageFail("truncated");
    }

    // One scan line (all its planes) at a time: memory stays at one line
    // whatever the header claims, and nothing lands outside a row.
    std::vector<std::uint8_t> line(layout.bytesPerLine * layout.planes);
    pcx::RleReader reader(data.subspan(sizeof header));
    const std::size_t stride = picture.GetStride();
    for (std::uint32_t y = 0; y < layout.height; ++y) {
        const std::size_t got = reader.Read(line);
        std::fill(line.begin() + static_cast<std::ptrdiff_t>(got), line.end(), 0);
        StoreRow(line.data(), layout, picture.GetRow(y), stride);
        // The rows below stay as Create left them: all index 0 (black).
        if (got < line.size())
            break;
    }
    SetColours(picture, header, layout, data);
    return true;
}
