#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/gdi/types.h"

namespace gdi {

// Row stride and total size of a bottom-up DIB, computed without overflow.
// Fails (returns false) for non-positive sizes, unsupported bit counts and
// pictures whose pixel memory would exceed kMaxPixelBytes.
struct DibGeometry {
    std::uint32_t stride = 0;
    std::uint64_t sizeImage = 0;
};
bool ComputeDibGeometry(std::int64_t width, std::int64_t height, std::uint32_t bitCount,
                        DibGeometry& out);

bool IsSupportedBitCount(std::uint32_t bitCount);

// A device-independent bitmap in plain memory: bottom-up rows padded to four
// bytes, zero-filled when created, with a colour table of 2^bitCount entries
// for depths of 8 bits or fewer. Owned through std::unique_ptr; the pixel
// memory lives exactly as long as the section.
class DibSection {
public:
    ~DibSection();
    DibSection(const DibSection&) = delete;
    DibSection& operator=(const DibSection&) = delete;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    std::uint16_t BitCount() const { return bitCount_; }
    std::uint32_t Compression() const { return compression_; }
    std::uint32_t Stride() const { return stride_; }
    std::uint64_t SizeImage() const { return sizeImage_; }
    // Red, green and blue masks: those given for BI_BITFIELDS, else zero.
    const std::uint32_t* Masks() const { return masks_; }
    // The masks that actually decode a 16- or 32-bit pixel (the defaults
    // 5-5-5 and 8-8-8 when the section is BI_RGB).
    std::uint32_t EffectiveMask(int channel) const;

    std::uint8_t* Bits() { return bits_; }
    const std::uint8_t* Bits() const { return bits_; }
    // Row y counted from the top of the picture.
    std::uint8_t* TopRow(std::int32_t y) { return bits_ + std::size_t(height_ - 1 - y) * stride_; }
    const std::uint8_t* TopRow(std::int32_t y) const {
        return bits_ + std::size_t(height_ - 1 - y) * stride_;
    }

    std::uint32_t ColourCount() const { return colourCount_; }
    std::span<const RGBQUAD> ColourTable() const { return {colours_, colourCount_}; }
    std::span<RGBQUAD> ColourTable() { return {colours_, colourCount_}; }

private:
    friend std::unique_ptr<DibSection> CreateDIBSection(std::int32_t, std::int32_t, std::uint16_t,
                                                        std::uint32_t, const std::uint32_t*);
    friend std::unique_ptr<DibSection> CreateDIBSection(std::span<const std::uint8_t>);
    DibSection() = default;

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::uint16_t bitCount_ = 0;
    std::uint32_t compression_ = BI_RGB;
    std::uint32_t stride_ = 0;
    std::uint64_t sizeImage_ = 0;
    std::uint32_t masks_[3] = {};
    std::uint8_t* bits_ = nullptr;
    std::size_t mappedBytes_ = 0;  // non-zero when bits_ is our own mapping
    std::uint32_t colourCount_ = 0;
    RGBQUAD colours_[256] = {};
};

using HBITMAP = DibSection*;
using BitmapPtr = std::unique_ptr<DibSection>;

// Builds a section from a packed BITMAPINFO: a header of biSize bytes (40 or
// more), for BI_BITFIELDS with a 40-byte header the three masks right after
// it, then the colour table (biClrUsed entries, or 2^bitCount when that is 0).
// Colour entries missing from `info` stay black. Returns null for a short or
// malformed header, a top-down (negative) height, compression other than
// BI_RGB or BI_BITFIELDS (the latter only at 16 and 32 bits), a bit count
// other than 1, 4, 8, 16, 24 or 32, an oversized picture, or when memory
// cannot be had.
BitmapPtr CreateDIBSection(std::span<const std::uint8_t> info);

// The same section from its fields, for callers that have no header to
// hand: `masks` (red, green, blue) are read only for BI_BITFIELDS, and the
// colour table of a palette depth starts black.
BitmapPtr CreateDIBSection(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                           std::uint32_t compression = BI_RGB,
                           const std::uint32_t* masks = nullptr);

// GetObject for a DIB section: fills `out` and returns sizeof(DIBSECTION).
int GetObject(const DibSection& section, DIBSECTION& out);

}  // namespace gdi
