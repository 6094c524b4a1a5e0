#include <cstring>
#include <vector>

#include "codecs/codec_error.h"
#include "codecs/codec_files.h"
#include "codecs/tga.h"
#include "codecs/tga_format.h"

namespace {

constexpr char kImageId[] = "foolish -- TGA";
constexpr std::size_t kImageIdLength = sizeof kImageId - 1;
constexpr std::size_t kMapEntries = 256;
constexpr std::size_t kMapBytes = kMapEntries * 3;

// A 1- or 4-bit picture as an 8-bit one with the same indices and colours.
bool WidenTo8Bits(const CDibImage& source, CDibImage& wide) {
    const unsigned bits = source.GetBitCount();
    const std::uint32_t width = source.GetWidth();
    if (!wide.Create(width, source.GetHeight(), 8))
        return false;
    gdi::RGBQUAD table[256] = {};
    source.GetPalette(0, 1u << bits, table);
    wide.SetPalette(0, 256, table);
    const unsigned mask = (1u << bits) - 1;
    for (std::uint32_t y = 0; y < source.GetHeight(); ++y) {
        const std::uint8_t* in = source.GetRow(y);
        std::uint8_t* out = wide.GetRow(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::size_t bit = std::size_t{x} * bits;
            out[x] = static_cast<std::uint8_t>((in[bit / 8] >> (8 - bits - bit % 8)) & mask);
        }
    }
    return true;
}

unsigned Shift(std::uint32_t mask) {
    unsigned shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// A channel of `value` under `mask` scaled to `bits` bits.
std::uint32_t Channel(std::uint32_t value, std::uint32_t mask, unsigned bits) {
    if (mask == 0)
        return 0;
    const unsigned shift = Shift(mask);
    const std::uint32_t top = mask >> shift;
    return ((value & mask) >> shift) * ((1u << bits) - 1) / top;
}

// Bit-field pictures keep their own masks; the file wants 5-5-5 at 16 bits
// and blue-green-red-x at 32, so such rows are repacked on the way out.
class RowSource {
public:
    explicit RowSource(const CDibImage& picture) : picture_(picture) {
        gdi::BITMAPV4HEADER header;
        picture.GetHeader(&header);
        masks_[0] = header.redMask;
        masks_[1] = header.greenMask;
        masks_[2] = header.blueMask;
        const unsigned bits = picture.GetBitCount();
        const bool standard =
            bits == 16 ? masks_[0] == 0x7C00 && masks_[1] == 0x03E0 && masks_[2] == 0x001F
                       : masks_[0] == 0xFF0000 && masks_[1] == 0xFF00 && masks_[2] == 0xFF;
        repack_ = picture.GetCompression() == gdi::BI_BITFIELDS && !standard;
        if (repack_)
            scratch_.resize(std::size_t{picture.GetWidth()} * (bits / 8));
    }

    const std::uint8_t* Row(std::uint32_t y) {
        const std::uint8_t* row = picture_.GetRow(y);
        if (!repack_)
            return row;
        const std::uint32_t width = picture_.GetWidth();
        std::uint8_t* out = scratch_.data();
        for (std::uint32_t x = 0; x < width; ++x) {
            if (picture_.GetBitCount() == 16) {
                const std::uint32_t v = row[2 * x] | row[2 * x + 1] << 8;
                const std::uint32_t packed = Channel(v, masks_[0], 5) << 10 |
                                             Channel(v, masks_[1], 5) << 5 |
                                             Channel(v, masks_[2], 5);
                out[2 * x] = static_cast<std::uint8_t>(packed);
                out[2 * x + 1] = static_cast<std::uint8_t>(packed >> 8);
            } else {
                const std::uint8_t* p = row + 4 * x;
                const std::uint32_t v = p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24;
                out[4 * x] = static_cast<std::uint8_t>(Channel(v, masks_[2], 8));
                out[4 * x + 1] = static_cast<std::uint8_t>(Channel(v, masks_[1], 8));
                out[4 * x + 2] = static_cast<std::uint8_t>(Channel(v, masks_[0], 8));
                out[4 * x + 3] = 0;
            }
        }
        return out;
    }

private:
    const CDibImage& picture_;
    std::uint32_t masks_[3] = {};
    bool repack_ = false;
    std::vector<std::uint8_t> scratch_;
};

bool Writable(const CDibImage& picture) {
    if (!picture.IsValid())
        return ImageFail("empty picture");
    return (picture.GetWidth() <= 0xFFFF && picture.GetHeight() <= 0xFFFF) ||
           ImageFail("picture wider or higher than 65535 pixels");
}

std::uint64_t Bound(const CDibImage& picture, bool runLength) {
    const std::uint64_t bits = picture.GetBitCount();
    const std::uint64_t rowBytes = picture.GetWidth() * bits / 8;
    // A packet holds at least one pixel, so a row takes at most a header
    // byte per pixel beside the pixels.
    const std::uint64_t perRow = rowBytes + (runLength ? picture.GetWidth() : 0);
    return sizeof(tga::Header) + kImageIdLength + (bits == 8 ? kMapBytes : 0) +
           perRow * picture.GetHeight();
}

// Writes the file; the picture is 8, 16, 24 or 32 bits. Returns its length,
// 0 on failure.
std::size_t EncodeInto(const CDibImage& picture, bool runLength, std::span<std::uint8_t> out) {
    const unsigned bits = picture.GetBitCount();
    const bool mapped = bits == 8;
    if (out.size() < Bound(picture, runLength))
        return 0;
    tga::Header header{};
    header.idLength = kImageIdLength;
    header.colourMapType = mapped ? 1 : 0;
    header.imageType = mapped ? (runLength ? tga::kRleMapped : tga::kMapped)
                              : (runLength ? tga::kRleTrueColour : tga::kTrueColour);
    header.mapLength = kMapEntries;
    header.entryBits = 24;
    header.width = static_cast<std::uint16_t>(picture.GetWidth());
    header.height = static_cast<std::uint16_t>(picture.GetHeight());
    header.pixelBits = static_cast<std::uint8_t>(bits);
    header.descriptor = tga::kTopDown;
    std::memcpy(out.data(), &header, sizeof header);
    std::size_t written = sizeof header;
    std::memcpy(out.data() + written, kImageId, kImageIdLength);
    written += kImageIdLength;

    if (mapped) {
        gdi::RGBQUAD table[kMapEntries] = {};
        picture.GetPalette(0, kMapEntries, table);
        for (const gdi::RGBQUAD& entry : table) {
            out[written++] = entry.rgbBlue;
            out[written++] = entry.rgbGreen;
            out[written++] = entry.rgbRed;
        }
    }

    RowSource rows(picture);
    const std::uint32_t width = picture.GetWidth();
    const std::size_t rowBytes = std::size_t{width} * (bits / 8);
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y) {
        const std::uint8_t* row = rows.Row(y);
        if (runLength) {
            const std::size_t n =
                TgaRleEncodeRow(std::span(row, rowBytes), bits, width, out.subspan(written));
            if (n == 0)
                return 0;
            written += n;
        } else {
            std::memcpy(out.data() + written, row, rowBytes);
            written += rowBytes;
        }
    }
    return written;
}

// Runs `write` on the picture as it is written: 1- and 4-bit pictures go
// through an 8-bit copy.
template <typename Write>
bool WithWritablePicture(const CDibImage& picture, Write write) {
    if (!Writable(picture))
        return false;
    if (picture.GetBitCount() >= 8)
        return write(picture);
    CDibImage wide;
    if (!WidenTo8Bits(picture, wide))
        return ImageFail("not enough memory for an 8-bit copy");
    return write(static_cast<const CDibImage&>(wide));
}

}  // namespace

bool EncodeTga(const CDibImage& picture, bool runLength, std::vector<std::uint8_t>& out) {
    ClearImageError();
    out.clear();
    return WithWritablePicture(picture, [&](const CDibImage& source) {
        out.resize(Bound(source, runLength));
        const std::size_t length = EncodeInto(source, runLength, out);
        out.resize(length);
        return length != 0;
    });
}

bool SaveTga(const CDibImage& picture, const std::string& path, bool runLength) {
    ClearImageError();
    return WithWritablePicture(picture, [&](const CDibImage& source) {
        return codec_files::SaveMapped(
            path, Bound(source, runLength),
            [&](std::span<std::uint8_t> out) { return EncodeInto(source, runLength, out); });
    });
}
