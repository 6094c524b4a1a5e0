#include "image/dib_image.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "image/image_util.h"
#include "platform/gdi/display.h"

namespace {

constexpr std::size_t kInfoHeaderSize = sizeof(gdi::BITMAPINFOHEADER);  // 40
constexpr std::size_t kMaskBytes = 3 * sizeof(std::uint32_t);
constexpr std::int64_t kMaxDimension = std::numeric_limits<std::int32_t>::max();

}  // namespace

CDibImage::CDibImage(const CDibImage& other) {
    if (other.IsValid())
        CopyFrom(other);
}

CDibImage& CDibImage::operator=(const CDibImage& other) {
    return CopyFrom(other);
}

CDibImage::~CDibImage() {
    Destroy();
}

void CDibImage::Destroy() {
    rows.reset();
    bitmap.reset();
    bits = nullptr;
    header = gdi::BITMAPV4HEADER{};
}

void CDibImage::SwapPicture(CDibImage& other) noexcept {
    std::swap(header, other.header);
    std::swap(bitmap, other.bitmap);
    std::swap(bits, other.bits);
    std::swap(rows, other.rows);
}

int CDibImage::Create(std::int64_t width, std::int64_t height, std::uint32_t bitCount,
                      std::uint32_t compression, const std::uint32_t* masks, bool initPalette) {
    if (height < 0)
        return 0;
    Destroy();

    if (width == 0)
        width = gdi::GetDeviceCaps(gdi::HORZRES);
    if (height == 0)
        height = gdi::GetDeviceCaps(gdi::VERTRES);
    if (bitCount == 0)
        bitCount = static_cast<std::uint32_t>(gdi::GetDeviceCaps(gdi::BITSPIXEL));

    // The geometry check bounds the pixel memory; the header fields are
    // 32-bit, so the dimensions must also fit there.
    gdi::DibGeometry geometry;
    if (width > kMaxDimension || height > kMaxDimension ||
        !gdi::ComputeDibGeometry(width, height, bitCount, geometry))
        return 0;

    // A new section's colour table is black; SetGreyPalette fills it below.
    gdi::BitmapPtr section =
        gdi::CreateDIBSection(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                              static_cast<std::uint16_t>(bitCount), compression, masks);
    if (!section)
        return 0;

    std::unique_ptr<std::uint8_t*[]> table(new (std::nothrow) std::uint8_t*[height]);
    if (!table)
        return 0;

    gdi::DIBSECTION ds;
    gdi::GetObject(*section, ds);
    header = gdi::BITMAPV4HEADER{};
    header.info = ds.dsBmih;
    header.info.biSize = sizeof(gdi::BITMAPV4HEADER);
    header.redMask = ds.dsBitfields[0];
    header.greenMask = ds.dsBitfields[1];
    header.blueMask = ds.dsBitfields[2];

    bits = section->Bits();
    const std::size_t stride = section->Stride();
    table[0] = bits + static_cast<std::size_t>(height - 1) * stride;
    for (std::int64_t i = 1; i < height; ++i)
        table[i] = table[i - 1] - stride;
    rows = std::move(table);
    bitmap = std::move(section);

    if (bitCount <= 8 && initPalette)
        SetGreyPalette();
    return 1;
}

int CDibImage::CreateFromBitmapInfo(std::span<const std::uint8_t> info) {
    if (!info.data())
        return 1;
    return CreateFromBitmapInfo(info, {});
}

int CDibImage::CreateFromBitmapInfo(std::span<const std::uint8_t> info,
                                    std::span<const std::uint8_t> pixels) {
    if (!info.data())
        return 1;
    gdi::BITMAPINFOHEADER h;
    if (info.size() < kInfoHeaderSize)
        return 0;
    std::memcpy(&h, info.data(), sizeof h);
    if (h.biSize < kInfoHeaderSize || h.biSize > info.size())
        return 0;
    if (h.biCompression == gdi::BI_RLE8 || h.biCompression == gdi::BI_RLE4)
        return 0;

    std::uint32_t masks[3] = {};
    if (h.biCompression == gdi::BI_BITFIELDS) {
        if (info.size() < kInfoHeaderSize + kMaskBytes)
            return 0;
        std::memcpy(masks, info.data() + kInfoHeaderSize, kMaskBytes);
    }

    // |biHeight| in 64 bits: the most negative height has no 32-bit magnitude.
    const std::int64_t width = h.biWidth;
    const std::int64_t height = h.biHeight < 0 ? -std::int64_t{h.biHeight} : h.biHeight;
    // A file's zero size is damage, not a request for the screen's size.
    if (width == 0 || height == 0 || h.biBitCount == 0) {
        Destroy();
        return 0;
    }

    const bool havePixels = pixels.data() != nullptr;
    if (havePixels) {
        gdi::DibGeometry geometry;
        if (!gdi::ComputeDibGeometry(width, height, h.biBitCount, geometry)) {
            Destroy();
            return 0;
        }
        if (pixels.size() < geometry.sizeImage)
            return 0;
    }

    if (!Create(width, height, h.biBitCount, h.biCompression, masks, true))
        return 0;

    if (GetBitCount() <= 8) {
        // The table follows the header; a span that ends early supplies only
        // the entries it holds (the rest keep the grey ramp).
        const std::size_t available = (info.size() - h.biSize) / sizeof(gdi::RGBQUAD);
        const std::size_t wanted = std::size_t{1} << GetBitCount();
        const std::size_t n = available < wanted ? available : wanted;
        std::vector<gdi::RGBQUAD> table(n);
        if (n)
            std::memcpy(table.data(), info.data() + h.biSize, n * sizeof(gdi::RGBQUAD));
        SetPalette(0, static_cast<unsigned>(n), table.data());
    }
    if (havePixels)
        std::memcpy(bits, pixels.data(), std::size_t{GetStride()} * GetHeight());
    return 1;
}

CDibImage& CDibImage::CopyFrom(const CDibImage& source) {
    if (&source == this || !source.IsValid())
        return *this;
    const auto masks = image_detail::HeaderMasks(source.header);
    if (!Create(source.GetWidth(), source.GetHeight(), source.GetBitCount(),
                source.GetCompression(), masks.data(), true))
        return *this;
    std::memcpy(bits, source.bits, std::size_t{GetStride()} * GetHeight());
    if (GetBitCount() <= 8)
        CopyPaletteFrom(source);
    return *this;
}
