#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/codec_error.h"
#include "codecs/pcx.h"
#include "codecs/pcx_format.h"
#include "platform/gdi/display.h"

namespace {

struct Shape {
    unsigned planes = 0;
    unsigned bitsPerPlane = 0;
    std::size_t bytesPerLine = 0;
};

// The layout a picture is written in; false when PCX cannot hold it. The
// limits and the line length are 16-bit fields, so larger pictures are
// refused rather than written with their sizes cut short.
bool ShapeOf(const CDibImage& picture, Shape& shape) {
    if (!picture.IsValid())
        return ImageFail("empty picture");
    const unsigned bits = picture.GetBitCount();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return ImageFail(std::to_string(bits) + "-bit pictures cannot be saved as PCX");
    shape.planes = bits == 24 ? 3 : 1;
    shape.bitsPerPlane = bits & 15;
    // Each plane's line is padded to an even length.
    shape.bytesPerLine = (std::size_t{picture.GetWidth()} * shape.bitsPerPlane + 15) / 16 * 2;
    return (picture.GetWidth() - 1 <= 0xFFFF && picture.GetHeight() - 1 <= 0xFFFF &&
            shape.bytesPerLine <= 0xFFFF) ||
           ImageFail("picture too large for a PCX file");
}

}  // namespace

namespace pcx {

std::uint64_t EncodedBound(const CDibImage& picture) {
    Shape shape;
    if (!ShapeOf(picture, shape))
        return 0;
    // A coded byte takes two bytes at worst.
    return sizeof(Header) +
           2 * std::uint64_t{shape.bytesPerLine} * shape.planes * picture.GetHeight() + 1 +
           kTrailingPaletteBytes;
}

std::size_t EncodeInto(const CDibImage& picture, std::span<std::uint8_t> out) {
    Shape shape;
    if (!ShapeOf(picture, shape) || out.size() < EncodedBound(picture))
        return 0;
    const unsigned bits = picture.GetBitCount();
    const std::uint32_t width = picture.GetWidth();
    const std::uint32_t height = picture.GetHeight();

    Header header{};
    header.manufacturer = kManufacturer;
    header.version = kVersion;
    header.encoding = kEncodingRle;
    header.bitsPerPlane = static_cast<std::uint8_t>(shape.bitsPerPlane);
    header.xMax = static_cast<std::uint16_t>(width - 1);
    header.yMax = static_cast<std::uint16_t>(height - 1);
    header.hResolution = static_cast<std::uint16_t>(gdi::GetDeviceCaps(gdi::HORZRES));
    header.vResolution = static_cast<std::uint16_t>(gdi::GetDeviceCaps(gdi::VERTRES));
    header.planes = static_cast<std::uint8_t>(shape.planes);
    header.bytesPerLine = static_cast<std::uint16_t>(shape.bytesPerLine);
    header.paletteInfo = 1;
    gdi::RGBQUAD table[256] = {};
    if (bits <= 8)
        picture.GetPalette(0, 1u << bits, table);
    if (bits <= 4) {
        for (unsigned i = 0; i < (1u << bits); ++i) {
            header.palette[3 * i] = table[i].rgbRed;
            header.palette[3 * i + 1] = table[i].rgbGreen;
            header.palette[3 * i + 2] = table[i].rgbBlue;
        }
    }
    std::memcpy(out.data(), &header, sizeof header);
    std::size_t written = sizeof header;

    // One line of all planes; bytes past the width stay zero.
    const std::size_t bpl = shape.bytesPerLine;
    std::vector<std::uint8_t> line(bpl * shape.planes, 0);
    const std::size_t rowBytes = (std::size_t{width} * bits + 7) / 8;
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = picture.GetRow(y);
        if (bits == 24) {
            for (std::uint32_t x = 0; x < width; ++x) {
                line[x] = row[3 * x + 2];
                line[bpl + x] = row[3 * x + 1];
                line[2 * bpl + x] = row[3 * x];
            }
        } else {
            std::memcpy(line.data(), row, rowBytes);
        }
        // Each plane's line is coded on its own: readers decode a scan line
        // at a time and refuse a run that crosses its end.
        for (unsigned p = 0; p < shape.planes; ++p) {
            const std::size_t n =
                PcxRleEncode(std::span(line).subspan(p * bpl, bpl), out.subspan(written));
            if (n == 0)
                return 0;
            written += n;
        }
    }

    out[written++] = kPaletteMarker;
    std::uint8_t* trailing = out.data() + written;
    std::memset(trailing, 0, kTrailingPaletteBytes);
    if (bits == 8) {
        for (unsigned i = 0; i < 256; ++i) {
            trailing[3 * i] = table[i].rgbRed;
            trailing[3 * i + 1] = table[i].rgbGreen;
            trailing[3 * i + 2] = table[i].rgbBlue;
        }
    }
    return written + kTrailingPaletteBytes;
}

}  // namespace pcx

bool EncodePcx(const CDibImage& picture, std::vector<std::uint8_t>& out) {
    ClearImageError();
    out.clear();
    const std::uint64_t bound = pcx::EncodedBound(picture);
    if (bound == 0)
        return false;
    out.resize(bound);
    const std::size_t length = pcx::EncodeInto(picture, out);
    out.resize(length);
    return length != 0;
}
