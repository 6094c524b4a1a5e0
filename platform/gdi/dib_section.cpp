#include "platform/gdi/dib_section.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace gdi {

RECT IntersectRect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    return IsRectEmpty(r) ? RECT{} : r;
}

bool IsSupportedBitCount(std::uint32_t bitCount) {
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        return true;
    default:
        return false;
    }
}

bool ComputeDibGeometry(std::int64_t width, std::int64_t height, std::uint32_t bitCount,
                        DibGeometry& out) {
    if (width <= 0 || height <= 0 || !IsSupportedBitCount(bitCount))
        return false;
    // Each factor is bounded before multiplying, so nothing here can wrap.
    if (width > std::int64_t{kMaxPixelBytes} * 8 || height > std::int64_t{kMaxPixelBytes})
        return false;
    const std::uint64_t stride = ((std::uint64_t(width) * bitCount + 31) / 32) * 4;
    if (stride > kMaxPixelBytes || std::uint64_t(height) > kMaxPixelBytes / stride)
        return false;
    out.stride = static_cast<std::uint32_t>(stride);
    out.sizeImage = stride * std::uint64_t(height);
    return true;
}

namespace {

// Large pictures get their own mapping, aligned to and advised for huge
// pages: a wallpaper-sized picture then faults in a few pages instead of
// thousands, and freeing a 70 MB photo no longer costs milliseconds. Fresh
// anonymous mappings read as zero, as a new section must.
constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;
constexpr std::size_t kOwnMappingFrom = std::size_t{4} << 20;

std::uint8_t* MapZeroedPages(std::size_t bytes, std::size_t& mapped) {
    const std::size_t rounded = (bytes + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
    const std::size_t reserve = rounded + kHugePageBytes;
    void* raw = mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
    // Give back the slack on both sides of the aligned block.
    if (aligned > start)
        munmap(raw, aligned - start);
    const std::size_t tail = (start + reserve) - (aligned + rounded);
    if (tail)
        munmap(reinterpret_cast<void*>(aligned + rounded), tail);
    auto* block = reinterpret_cast<std::uint8_t*>(aligned);
    madvise(block, rounded, MADV_HUGEPAGE);  // advice only: failure is harmless
    mapped = rounded;
    return block;
}

}  // namespace

DibSection::~DibSection() {
    if (mappedBytes_)
        munmap(bits_, mappedBytes_);
    else
        std::free(bits_);
}

std::uint32_t DibSection::EffectiveMask(int channel) const {
    if (compression_ == BI_BITFIELDS)
        return masks_[channel];
    static constexpr std::uint32_t k555[3] = {0x7C00, 0x03E0, 0x001F};
    static constexpr std::uint32_t k888[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    return bitCount_ == 16 ? k555[channel] : k888[channel];
}

BitmapPtr CreateDIBSection(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                           std::uint32_t compression, const std::uint32_t* masks) {
    if (height <= 0)
        return nullptr;
    if (compression != BI_RGB &&
        !(compression == BI_BITFIELDS && (bitCount == 16 || bitCount == 32)))
        return nullptr;
    if (compression == BI_BITFIELDS && (!masks || !masks[0] || !masks[1] || !masks[2]))
        return nullptr;
    DibGeometry geo;
    if (!ComputeDibGeometry(width, height, bitCount, geo))
        return nullptr;

    BitmapPtr s(new (std::nothrow) DibSection);
    if (!s)
        return nullptr;
    if (geo.sizeImage >= kOwnMappingFrom)
        s->bits_ = MapZeroedPages(geo.sizeImage, s->mappedBytes_);
    else
        s->bits_ = static_cast<std::uint8_t*>(std::calloc(1, geo.sizeImage));
    if (!s->bits_)
        return nullptr;
    s->width_ = width;
    s->height_ = height;
    s->bitCount_ = bitCount;
    s->compression_ = compression;
    s->stride_ = geo.stride;
    s->sizeImage_ = geo.sizeImage;
    if (compression == BI_BITFIELDS)
        std::memcpy(s->masks_, masks, sizeof s->masks_);
    if (bitCount <= 8)
        s->colourCount_ = 1u << bitCount;
    return s;
}

BitmapPtr CreateDIBSection(std::span<const std::uint8_t> info) {
    BITMAPINFOHEADER h;
    if (info.size() < sizeof h)
        return nullptr;
    std::memcpy(&h, info.data(), sizeof h);
    if (h.biSize < sizeof h || h.biSize > info.size() || h.biPlanes != 1)
        return nullptr;

    // Masks follow the 40-byte header, or lie inside a larger one at the
    // same offset.
    std::size_t tableOffset = h.biSize;
    std::uint32_t masks[3] = {};
    if (h.biCompression == BI_BITFIELDS) {
        if (info.size() < 40 + sizeof masks)
            return nullptr;
        std::memcpy(masks, info.data() + 40, sizeof masks);
        if (h.biSize == 40)
            tableOffset += sizeof masks;
    }
    BitmapPtr s = CreateDIBSection(h.biWidth, h.biHeight, h.biBitCount, h.biCompression, masks);
    if (!s)
        return nullptr;

    if (h.biBitCount <= 8) {
        std::uint32_t given =
            h.biClrUsed ? std::min(h.biClrUsed, s->colourCount_) : s->colourCount_;
        const std::size_t available =
            tableOffset < info.size() ? (info.size() - tableOffset) / sizeof(RGBQUAD) : 0;
        given = static_cast<std::uint32_t>(std::min<std::size_t>(given, available));
        if (given)
            std::memcpy(s->colours_, info.data() + tableOffset, given * sizeof(RGBQUAD));
    }
    return s;
}

int GetObject(const DibSection& s, DIBSECTION& out) {
    out = DIBSECTION{};
    out.dsBm.bmWidth = s.Width();
    out.dsBm.bmHeight = s.Height();
    out.dsBm.bmWidthBytes = static_cast<std::int32_t>(s.Stride());
    out.dsBm.bmPlanes = 1;
    out.dsBm.bmBitsPixel = s.BitCount();
    out.dsBm.bmBits = const_cast<std::uint8_t*>(s.Bits());
    out.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
    out.dsBmih.biWidth = s.Width();
    out.dsBmih.biHeight = s.Height();
    out.dsBmih.biPlanes = 1;
    out.dsBmih.biBitCount = s.BitCount();
    out.dsBmih.biCompression = s.Compression();
    out.dsBmih.biSizeImage = static_cast<std::uint32_t>(s.SizeImage());
    out.dsBmih.biClrUsed = s.ColourCount();
    for (int i = 0; i < 3; ++i)
        out.dsBitfields[i] = s.Masks()[i];
    return static_cast<int>(sizeof(DIBSECTION));
}

}  // namespace gdi
