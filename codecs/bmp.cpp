#include "codecs/bmp.h"

#include <cstring>
#include <vector>

#include "codecs/bmp_pixels.h"
#include "codecs/codec_error.h"
#include "platform/gdi/dib_section.h"
#include "platform/gdi/types.h"

namespace {

#pragma pack(push, 1)
struct BmpFileHeader {
    std::uint8_t signature[2];
    std::uint32_t fileSize;
    std::uint16_t reserved1;
    std::uint16_t reserved2;
    std::uint32_t pixelOffset;
};
#pragma pack(pop)
static_assert(sizeof(BmpFileHeader) == 14);

constexpr std::uint64_t kFileHeaderSize = sizeof(BmpFileHeader);
constexpr std::uint64_t kInfoHeaderSize = sizeof(gdi::BITMAPINFOHEADER);
constexpr std::uint64_t kMaskBytes = 12;
// Colour table slots written after the header for pictures deeper than 8
// bits: the first three hold the bit-field masks, the rest stay zero.
constexpr std::uint64_t kReservedSlots = 4;
// The OS/2 1.x header: 16-bit sizes and 3-byte colour table entries.
constexpr std::uint32_t kCoreHeaderSize = 12;
// OS/2 2.x headers run from 16 to 64 bytes and begin with the fields of the
// 40-byte header; in them compression 3 and 4 name Huffman and RLE24.
constexpr std::uint32_t kOs2HeaderSize = 64;
constexpr std::uint32_t kOs2MinHeaderSize = 16;
// Four masks (alpha last) after a 40-byte header.
constexpr std::uint32_t kAlphaBitFields = 6;

std::uint32_t U32At(std::span<const std::uint8_t> bytes, std::uint64_t at) {
    std::uint32_t v;
    std::memcpy(&v, bytes.data() + at, sizeof v);
    return v;
}

// A bitmap file's header in one form, all parts checked against the file.
struct BmpLayout {
    std::int64_t width = 0, height = 0;
    std::uint32_t bits = 0;
    std::uint32_t compression = gdi::BI_RGB;
    bool topDown = false;
    bmp::ChannelMasks masks;
    std::vector<gdi::RGBQUAD> palette;
    std::uint64_t pixelOffset = 0;
    std::uint64_t pixelBytes = 0;  // for RLE, the rest of the file
};

// The header fields; false when the header is of no known size or does not
// fit in the file.
bool ReadInfoHeader(std::span<const std::uint8_t> bytes, gdi::BITMAPINFOHEADER& info) {
    const std::uint64_t size = bytes.size();
    if (size < kFileHeaderSize + 4)
        return ImageFail("truncated");
    const std::uint32_t headerSize = U32At(bytes, kFileHeaderSize);
    if (headerSize < kCoreHeaderSize)
        return ImageFail("unknown header size " + std::to_string(headerSize));
    if (kFileHeaderSize + headerSize > size)
        return ImageFail("truncated");
    info = {};
    if (headerSize == kCoreHeaderSize) {
        std::uint16_t core[4];
        std::memcpy(core, bytes.data() + kFileHeaderSize + 4, sizeof core);
        info.biWidth = core[0];
        info.biHeight = core[1];
        info.biPlanes = core[2];
        info.biBitCount = core[3];
    } else if (headerSize < kOs2MinHeaderSize) {
        return ImageFail("unknown header size " + std::to_string(headerSize));
    } else {
        // Shorter OS/2 2.x headers leave the fields they lack zero.
        std::memcpy(&info, bytes.data() + kFileHeaderSize,
                    headerSize < kInfoHeaderSize ? headerSize : kInfoHeaderSize);
    }
    info.biSize = headerSize;
    return true;
}

bool ParseBmp(std::span<const std::uint8_t> bytes, std::uint64_t maxPixelBytes, BmpLayout& layout) {
    const std::uint64_t size = bytes.size();
    gdi::BITMAPINFOHEADER info;
    if (size < kFileHeaderSize)
        return ImageFail("truncated");
    if (!ReadInfoHeader(bytes, info))
        return false;
    BmpFileHeader file;
    std::memcpy(&file, bytes.data(), sizeof file);
    const bool os2 = info.biSize < kInfoHeaderSize || info.biSize == kOs2HeaderSize;

    const std::uint32_t bits = info.biBitCount;
    if (!gdi::IsSupportedBitCount(bits))
        return ImageFail(std::to_string(bits) + "-bit colour depth not supported");
    const std::uint32_t compression = info.biCompression;
    const bool bitFields =
        !os2 && (compression == gdi::BI_BITFIELDS || compression == kAlphaBitFields);
    const bool rle =
        (compression == gdi::BI_RLE8 && bits == 8) || (compression == gdi::BI_RLE4 && bits == 4);
    if (compression != gdi::BI_RGB && !rle && !(bitFields && (bits == 16 || bits == 32)))
        return ImageFail("unsupported compression " + std::to_string(compression) + " at " +
                         std::to_string(bits) + " bits");
    // Run-length pictures are stored bottom-up only.
    if (rle && info.biHeight < 0)
        return ImageFail("top-down run-length picture");

    // 64-bit magnitude: the most negative height has none in 32 bits. The
    // size is checked against the pixel cap before anything is allocated.
    const std::int64_t width = info.biWidth;
    const std::int64_t height = info.biHeight < 0 ? -std::int64_t{info.biHeight} : info.biHeight;
    gdi::DibGeometry geometry;
    if (!gdi::ComputeDibGeometry(width, height, bits, geometry) ||
        geometry.sizeImage > maxPixelBytes)
        return ImageFailSize(width, height, bits, maxPixelBytes);

    std::uint64_t infoEnd = kFileHeaderSize + info.biSize;
    if (bitFields) {
        // Headers of 52 bytes or more hold the masks (56 and more the alpha
        // one too); a 40-byte header is followed by three, or four.
        const std::uint64_t masksAt = kFileHeaderSize + kInfoHeaderSize;
        const bool withAlpha = compression == kAlphaBitFields || info.biSize >= 56;
        const std::uint64_t maskBytes = withAlpha ? 16 : kMaskBytes;
        if (info.biSize < kInfoHeaderSize + maskBytes)
            infoEnd = masksAt + maskBytes;
        if (infoEnd > size)
            return ImageFail("truncated");
        layout.masks = {.red = U32At(bytes, masksAt),
                        .green = U32At(bytes, masksAt + 4),
                        .blue = U32At(bytes, masksAt + 8),
                        .alpha = withAlpha ? U32At(bytes, masksAt + 12) : 0};
        if (bits == 16) {
            layout.masks.red &= 0xFFFF;
            layout.masks.green &= 0xFFFF;
            layout.masks.blue &= 0xFFFF;
            layout.masks.alpha &= 0xFFFF;
        }
        if (!layout.masks.red || !layout.masks.green || !layout.masks.blue)
            return ImageFail("empty colour mask");
    }

    if (bits <= 8) {
        // The table has 2^bits entries unless "colours used" names fewer;
        // entries up to the pixel array count too. Nothing is read from the
        // pixel array or past the end of the file.
        const std::uint64_t entrySize = info.biSize == kCoreHeaderSize ? 3 : 4;
        const std::uint64_t full = std::uint64_t{1} << bits;
        const std::uint64_t declared =
            info.biClrUsed != 0 && info.biClrUsed < full ? info.biClrUsed : full;
        std::uint64_t entries = declared;
        if (file.pixelOffset > infoEnd) {
            const std::uint64_t before = (std::uint64_t{file.pixelOffset} - infoEnd) / entrySize;
            if (before > entries)
                entries = before < full ? before : full;
        }
        if (infoEnd > size || infoEnd + declared * entrySize > size)
            return ImageFail("truncated");
        const std::uint64_t available = (size - infoEnd) / entrySize;
        if (entries > available)
            entries = available;
        layout.palette.resize(entries);
        for (std::uint64_t i = 0; i < entries; ++i) {
            const std::uint8_t* e = bytes.data() + infoEnd + i * entrySize;
            layout.palette[i] = {.rgbBlue = e[0], .rgbGreen = e[1], .rgbRed = e[2]};
        }
    }

    if (file.pixelOffset > size)
        return ImageFail("pixel data past the end of the file");
    if (rle) {
        layout.pixelBytes = size - file.pixelOffset;
    } else {
        if (geometry.sizeImage > size - file.pixelOffset)
            return ImageFail("truncated");
        layout.pixelBytes = geometry.sizeImage;
    }
    layout.width = width;
    layout.height = height;
    layout.bits = bits;
    layout.compression = bitFields ? gdi::BI_BITFIELDS : compression;
    layout.pixelOffset = file.pixelOffset;
    layout.topDown = info.biHeight < 0;
    return true;
}

// Pictures the picture object stores as they are: palette and plain depths
// and the default bit-field layouts. Built from a packed 40-byte header.
bool DecodeStored(CEditableImage& picture, const BmpLayout& layout,
                  std::span<const std::uint8_t> pixels) {
    gdi::BITMAPINFOHEADER info{
        .biSize = kInfoHeaderSize,
        .biWidth = static_cast<std::int32_t>(layout.width),
        .biHeight = static_cast<std::int32_t>(layout.height),
        .biPlanes = 1,
        .biBitCount = static_cast<std::uint16_t>(layout.bits),
        .biCompression = layout.compression,
    };
    std::vector<std::uint8_t> packed(sizeof info);
    std::memcpy(packed.data(), &info, sizeof info);
    if (layout.compression == gdi::BI_BITFIELDS) {
        const std::uint32_t masks[3] = {layout.masks.red, layout.masks.green, layout.masks.blue};
        const auto* m = reinterpret_cast<const std::uint8_t*>(masks);
        packed.insert(packed.end(), m, m + sizeof masks);
    }
    const auto* table = reinterpret_cast<const std::uint8_t*>(layout.palette.data());
    packed.insert(packed.end(), table, table + layout.palette.size() * sizeof(gdi::RGBQUAD));
    if (!picture.CreateFromBitmapInfo(packed, pixels))
        return ImageFail("not enough memory for the picture");
    return !layout.topDown || picture.FlipVertical() ||
           ImageFail("not enough memory to turn the picture upright");
}

bool Create(CEditableImage& picture, const BmpLayout& layout, std::uint32_t bits) {
    return picture.Create(layout.width, layout.height, bits, gdi::BI_RGB, nullptr, true) ||
           ImageFail("not enough memory for the picture");
}

// Run-length pictures: a zeroed picture of the file's depth and palette
// that the runs paint.
bool DecodeRunLengths(CEditableImage& picture, const BmpLayout& layout,
                      std::span<const std::uint8_t> data) {
    if (!Create(picture, layout, layout.bits))
        return false;
    // As for stored pictures, entries the file lacks keep their defaults.
    picture.SetPalette(0, static_cast<unsigned>(layout.palette.size()), layout.palette.data());
    bmp::DecodeRle(picture, data, layout.bits);
    return true;
}

// Bit fields at other positions or widths: converted to 24-bit B-G-R, or
// 32-bit B-G-R-A when the alpha field holds anything.
bool DecodeFields(CEditableImage& picture, const BmpLayout& layout,
                  std::span<const std::uint8_t> pixels) {
    gdi::DibGeometry source;
    if (!gdi::ComputeDibGeometry(layout.width, layout.height, layout.bits, source))
        return ImageFailSize(layout.width, layout.height, layout.bits, gdi::kMaxPixelBytes);
    const auto width = static_cast<std::uint32_t>(layout.width);
    const auto height = static_cast<std::uint32_t>(layout.height);
    bmp::ChannelMasks masks = layout.masks;
    const bool alpha = masks.alpha != 0 && bmp::AnyFieldSet(pixels, source.stride, width, height,
                                                            layout.bits, masks.alpha);
    if (!alpha)
        masks.alpha = 0;
    const std::uint32_t outBits = alpha ? 32 : 24;
    gdi::DibGeometry wide;
    if (!gdi::ComputeDibGeometry(layout.width, layout.height, outBits, wide))
        return ImageFailSize(layout.width, layout.height, outBits, gdi::kMaxPixelBytes);
    if (!Create(picture, layout, outBits))
        return false;
    for (std::uint32_t y = 0; y < height; ++y) {
        // File rows run bottom-up unless the height was negative.
        const std::uint32_t top = layout.topDown ? y : height - 1 - y;
        bmp::ConvertFieldRow(pixels.data() + std::size_t{y} * source.stride, width, layout.bits,
                             masks, picture.GetRow(top), outBits);
    }
    return true;
}

}  // namespace

bool DecodeBmpMemory(CEditableImage& picture, std::span<const std::uint8_t> bytes,
                     std::uint64_t maxPixelBytes) {
    ClearImageError();
    BmpLayout layout;
    bool ok = ParseBmp(bytes, maxPixelBytes, layout);
    if (ok) {
        const auto pixels = bytes.subspan(layout.pixelOffset, layout.pixelBytes);
        if (layout.compression == gdi::BI_RLE8 || layout.compression == gdi::BI_RLE4)
            ok = DecodeRunLengths(picture, layout, pixels);
        else if (layout.compression == gdi::BI_BITFIELDS &&
                 !bmp::IsDefaultLayout(layout.masks, layout.bits))
            ok = DecodeFields(picture, layout, pixels);
        else
            ok = DecodeStored(picture, layout, pixels);
    }
    if (!ok)
        picture.Destroy();
    return ok;
}

std::uint64_t EncodedBmpSize(const CDibImage& picture) {
    if (!picture.IsValid())
        return 0;
    const std::uint32_t bits = picture.GetBitCount();
    const std::uint64_t slots = bits <= 8 ? std::uint64_t{1} << bits : kReservedSlots;
    return std::uint64_t{picture.GetStride()} * picture.GetHeight() + 4 * slots + kFileHeaderSize +
           kInfoHeaderSize;
}

bool EncodeBmp(const CDibImage& picture, std::span<std::uint8_t> out) {
    ClearImageError();
    const std::uint64_t fileSize = EncodedBmpSize(picture);
    // The image library caps pixel memory at 1 GiB, so the size fits the
    // 32-bit field; the check keeps that true should the cap ever move.
    if (fileSize == 0)
        return ImageFail("empty picture");
    if (fileSize > UINT32_MAX)
        return ImageFail("picture too large for a bitmap file");
    if (out.size() < fileSize)
        return ImageFail("output buffer too small");
    const std::uint32_t bits = picture.GetBitCount();
    const std::uint64_t pixelBytes = std::uint64_t{picture.GetStride()} * picture.GetHeight();
    const std::uint64_t slots = bits <= 8 ? std::uint64_t{1} << bits : kReservedSlots;
    std::uint8_t* const base = out.data();
    // Everything before the pixels starts zeroed (reserved bytes included);
    // the pixels themselves are copied whole, padding and all.
    std::memset(base, 0, fileSize - pixelBytes);

    BmpFileHeader file{};
    file.signature[0] = 'B';
    file.signature[1] = 'M';
    file.fileSize = static_cast<std::uint32_t>(fileSize);
    file.pixelOffset = static_cast<std::uint32_t>(fileSize - pixelBytes);
    std::memcpy(base, &file, sizeof file);

    gdi::BITMAPV4HEADER header;
    picture.GetHeader(&header);
    gdi::BITMAPINFOHEADER info = header.info;
    info.biSize = kInfoHeaderSize;
    std::memcpy(base + kFileHeaderSize, &info, sizeof info);

    std::uint8_t* const table = base + kFileHeaderSize + kInfoHeaderSize;
    if (picture.GetCompression() == gdi::BI_BITFIELDS) {
        const std::uint32_t masks[3] = {header.redMask, header.greenMask, header.blueMask};
        std::memcpy(table, masks, sizeof masks);
    }
    if (bits <= 8) {
        std::vector<gdi::RGBQUAD> palette(slots);
        picture.GetPalette(0, static_cast<unsigned>(slots), palette.data());
        std::memcpy(table, palette.data(), slots * sizeof(gdi::RGBQUAD));
    }
    std::memcpy(base + file.pixelOffset, picture.GetBits(), pixelBytes);
    return true;
}
