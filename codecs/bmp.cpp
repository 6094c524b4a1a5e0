#include "codecs/bmp.h"

#include <cstring>
#include <vector>

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

// Where the parts of a bitmap file lie, all checked against the file size.
struct BmpLayout {
    std::uint64_t infoEnd = 0;  // end of header, masks and colour table
    std::uint64_t pixelOffset = 0;
    std::uint64_t pixelBytes = 0;
    bool topDown = false;
};

bool ParseBmp(std::span<const std::uint8_t> bytes, BmpLayout& layout) {
    const std::uint64_t size = bytes.size();
    if (size < kFileHeaderSize + kInfoHeaderSize)
        return false;
    BmpFileHeader file;
    std::memcpy(&file, bytes.data(), sizeof file);
    gdi::BITMAPINFOHEADER info;
    std::memcpy(&info, bytes.data() + kFileHeaderSize, sizeof info);

    // The 12-byte core header is not supported; the declared header must
    // lie within the file.
    if (info.biSize < kInfoHeaderSize || kFileHeaderSize + info.biSize > size)
        return false;
    const std::uint32_t bits = info.biBitCount;
    if (!gdi::IsSupportedBitCount(bits))
        return false;
    const bool bitFields = info.biCompression == gdi::BI_BITFIELDS;
    if (info.biCompression != gdi::BI_RGB && !(bitFields && (bits == 16 || bits == 32)))
        return false;

    // 64-bit magnitude: the most negative height has none in 32 bits.
    const std::int64_t width = info.biWidth;
    const std::int64_t height = info.biHeight < 0 ? -std::int64_t{info.biHeight} : info.biHeight;
    gdi::DibGeometry geometry;
    if (!gdi::ComputeDibGeometry(width, height, bits, geometry))
        return false;

    std::uint64_t infoEnd = kFileHeaderSize + info.biSize;
    // A 40-byte header is followed by the masks; larger ones hold them.
    if (bitFields && info.biSize < kInfoHeaderSize + kMaskBytes)
        infoEnd = kFileHeaderSize + kInfoHeaderSize + kMaskBytes;
    if (infoEnd > size)
        return false;

    if (bits <= 8) {
        // The table has 2^bits entries unless "colours used" names fewer;
        // entries up to the pixel array count too. Nothing is read from the
        // pixel array or past the end of the file.
        const std::uint64_t full = std::uint64_t{1} << bits;
        const std::uint64_t declared =
            info.biClrUsed != 0 && info.biClrUsed < full ? info.biClrUsed : full;
        std::uint64_t entries = declared;
        if (file.pixelOffset > infoEnd) {
            const std::uint64_t before = (std::uint64_t{file.pixelOffset} - infoEnd) / 4;
            if (before > entries)
                entries = before < full ? before : full;
        }
        if (infoEnd + declared * 4 > size)
            return false;
        const std::uint64_t available = (size - infoEnd) / 4;
        infoEnd += 4 * (entries < available ? entries : available);
    }

    if (file.pixelOffset > size || geometry.sizeImage > size - file.pixelOffset)
        return false;

    layout.infoEnd = infoEnd;
    layout.pixelOffset = file.pixelOffset;
    layout.pixelBytes = geometry.sizeImage;
    layout.topDown = info.biHeight < 0;
    return true;
}

}  // namespace

bool DecodeBmpMemory(CEditableImage& picture, std::span<const std::uint8_t> bytes) {
    BmpLayout layout;
    if (!ParseBmp(bytes, layout)) {
        picture.Destroy();
        return false;
    }
    const auto info = bytes.subspan(kFileHeaderSize, layout.infoEnd - kFileHeaderSize);
    const auto pixels = bytes.subspan(layout.pixelOffset, layout.pixelBytes);
    if (!picture.CreateFromBitmapInfo(info, pixels) ||
        (layout.topDown && !picture.FlipVertical())) {
        picture.Destroy();
        return false;
    }
    return true;
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
    const std::uint64_t fileSize = EncodedBmpSize(picture);
    // The image library caps pixel memory at 1 GiB, so the size fits the
    // 32-bit field; the check keeps that true should the cap ever move.
    if (fileSize == 0 || fileSize > UINT32_MAX || out.size() < fileSize)
        return false;
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
