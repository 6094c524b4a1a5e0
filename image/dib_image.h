#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "image/pixel_formats.h"
#include "platform/gdi/dib_section.h"
#include "platform/gdi/types.h"

// Percentage (0 to 100) of a long operation under way. Written atomically so
// that another thread may poll it while the operation runs.
using ProgressValue = std::atomic<std::int32_t>;

// A device-independent picture held in a DIB section: always bottom-up in
// memory, addressed top-down through a row table.
class CDibImage {
public:
    CDibImage() = default;
    // Copies the picture only when `other` holds one.
    CDibImage(const CDibImage& other);
    CDibImage& operator=(const CDibImage& other);
    virtual ~CDibImage();

    bool IsValid() const { return bitmap != nullptr; }
    gdi::HBITMAP GetBitmapHandle() const { return bitmap.get(); }
    std::uint32_t GetWidth() const { return static_cast<std::uint32_t>(header.info.biWidth); }
    std::uint32_t GetHeight() const { return static_cast<std::uint32_t>(header.info.biHeight); }
    std::uint16_t GetBitCount() const { return header.info.biBitCount; }
    std::uint32_t GetCompression() const { return header.info.biCompression; }
    // Bytes per row, padded to a multiple of 4.
    std::uint32_t GetStride() const { return bitmap ? bitmap->Stride() : 0; }
    std::uint8_t* GetBits() { return bits; }
    const std::uint8_t* GetBits() const { return bits; }
    // Row y counted from the top of the picture (0 = top row).
    std::uint8_t* GetRow(std::uint32_t y) { return rows[y]; }
    const std::uint8_t* GetRow(std::uint32_t y) const { return rows[y]; }
    // For 1- and 4-bit pictures: the byte that holds the pixel.
    std::uint8_t* GetPixelAddress(std::uint32_t x, std::uint32_t y) {
        return rows[y] + std::size_t{x} * header.info.biBitCount / 8;
    }
    const std::uint8_t* GetPixelAddress(std::uint32_t x, std::uint32_t y) const {
        return rows[y] + std::size_t{x} * header.info.biBitCount / 8;
    }
    void GetHeader(gdi::BITMAPV4HEADER* out) const {
        if (out)
            *out = header;
    }
    std::int32_t GetProgress() const { return progress.load(); }

    // Builds a new picture, discarding the old one. A zero width, height or
    // bit count is replaced by the display's. A negative height fails and
    // keeps the old picture; any other failure leaves the object empty.
    // `masks` (red, green, blue) is read only for BI_BITFIELDS. Returns 1 or 0.
    int Create(std::int64_t width, std::int64_t height, std::uint32_t bitCount,
               std::uint32_t compression, const std::uint32_t* masks, bool initPalette);
    int Create(std::int64_t width, std::int64_t height, std::uint32_t bitCount) {
        return Create(width, height, bitCount, gdi::BI_RGB, nullptr, true);
    }

    // Builds the picture from a packed BITMAPINFO as found in a BMP file:
    // header, masks (BI_BITFIELDS after a 40-byte header), colour table. With
    // `pixels`, stride x height bytes of bottom-up rows are copied in. A
    // top-down source (negative height) arrives upside down; the caller flips
    // it. An empty `info` (no data) succeeds without change; RLE compression
    // and spans too short for their header, masks or rows are refused without
    // change. Returns 1 or 0.
    int CreateFromBitmapInfo(std::span<const std::uint8_t> info);
    int CreateFromBitmapInfo(std::span<const std::uint8_t> info,
                             std::span<const std::uint8_t> pixels);

    // Frees the picture; `progress` is left alone.
    void Destroy();
    // An exact copy of `source`; nothing happens for itself or an empty one.
    CDibImage& CopyFrom(const CDibImage& source);
    // Exchanges the pictures (not the progress values) of two images.
    void SwapPicture(CDibImage& other) noexcept;

    // Colour table access for pictures of 8 bits or fewer; each returns the
    // number of entries transferred (0 when not applicable).
    unsigned GetPalette(unsigned first, unsigned count, gdi::RGBQUAD* entries) const;
    unsigned SetPalette(unsigned first, unsigned count, const gdi::RGBQUAD* entries);
    unsigned GetPaletteEntry(unsigned index, gdi::RGBQUAD* entry) const {
        return GetPalette(index, 1, entry);
    }
    // Only between pictures of the same bit count, 8 or fewer.
    bool CopyPaletteFrom(const CDibImage& source);
    bool SetGreyPalette();
    bool IsGreyPalette() const;

    // Area copies between pictures of 8, 16, 24 or 32 bits, whole row spans
    // at a time. CopyAreaTo re-creates `target` holding the part of `rect`
    // inside this picture; PasteAt writes `source` with its top-left corner at
    // (x, y), clipped to this picture. Each returns 1, or 0 when nothing is
    // copied.
    int CopyAreaTo(CDibImage* target, const gdi::RECT& rect) const;
    int PasteAt(const CDibImage& source, std::int32_t x, std::int32_t y);

    // Single pixels. Raw values are palette indices at 8 bits or fewer, the
    // packed word at 16 bits and colour values at 24 and 32 bits. Positions
    // outside the picture read as 0 and are not written.
    std::uint32_t GetPixelValue(std::int32_t x, std::int32_t y) const;
    // At 1 and 4 bits only the pixel's own bits change; at 24 bits the low
    // three bytes of `value` are stored.
    void SetPixelValue(std::int32_t x, std::int32_t y, std::uint32_t value);
    // The palette entry at 8 bits or fewer (0 past the table), the unpacked
    // word at 16 bits, the value itself at 24 and 32 bits.
    ColourValue ValueToColour(std::uint32_t value) const;
    ColourValue GetPixelColour(std::int32_t x, std::int32_t y) const {
        return ValueToColour(GetPixelValue(x, y));
    }
    // Packs at 16 bits and stores the colour at 24 and 32 bits; pictures with
    // a palette are left alone.
    void SetPixelColour(std::int32_t x, std::int32_t y, ColourValue colour);
    // The raw value of the 8-, 16-, 24- or 32-bit pixel at `address`; 0 below
    // 8 bits.
    std::uint32_t PixelValueAt(const std::uint8_t* address) const;
    // 16-bit pictures pack 5-6-5 when they carry bit fields whose green mask
    // is not the 5-5-5 one, and 5-5-5 otherwise.
    bool Is565() const;

    // Depth conversions. Each returns 1 when the picture was converted and 0
    // when it was left as it is (nothing to do, or a precondition failed). A
    // conversion whose new picture cannot be made leaves the image empty.
    // 1-, 4- and 8-bit pictures get grey palettes (8 bits: index = grey
    // level); deeper ones become 8-bit grey.
    int ToGrey();
    // A 5-5-5 picture from any other depth.
    int To16Bit();
    // bitCount 24 or 32, different from the current depth. The fourth byte of
    // a 32-bit result is 0, except that palette pictures carry their entries'
    // reserved bytes over.
    int ConvertToTrueColour(std::uint32_t bitCount);
    int To24Bit() { return ConvertToTrueColour(24); }
    // Any depth, through a device bitmap: the picture as the display renders
    // it, with the fixed palette at 8 bits or fewer. 0 means the display's.
    int ConvertBitCount(std::uint32_t bitCount);

    // The display's 32-bit BGRX rendering of the picture; null when empty.
    gdi::BitmapPtr CreateDeviceBitmap() const;
    // Re-creates the picture at `bitCount` from any bitmap's colours. At 8
    // bits or fewer the palette is the bitmap's own when it has the same
    // depth, else the fixed palette. Returns 1, or 0 for a null bitmap or
    // when the picture cannot be made (then the image is empty).
    int CopyFromBitmap(gdi::HBITMAP source, std::uint32_t bitCount);

    // The screen's area inside `rect` (the whole screen when null) as a
    // picture of the display's depth. Returns 1, or 0 without an X11 display,
    // when the area misses the screen or the screen cannot be read; the
    // picture is then unchanged.
    int CaptureScreen(const gdi::RECT* rect = nullptr);
    // The picture, or its part inside `rect`, becomes the clipboard's native
    // image (CF_BITMAP). Returns 1 when the clipboard took it.
    int CopyToClipboard(const gdi::RECT* rect = nullptr) const;
    // Without `point` the picture is replaced by the clipboard's: a native
    // image at 32 bits, else a bottom-up CF_DIB block at its own depth, with
    // its colour table and bit-field masks. With `point` the clipboard's
    // picture, at this picture's depth, is pasted with its top-left corner
    // there. Returns 1, or 0 when nothing was pasted (a top-down or damaged
    // block among the reasons; a refused block leaves the picture unchanged).
    int PasteFromClipboard(const gdi::POINT* point = nullptr);
    // Whether the clipboard offers CF_BITMAP or CF_DIB.
    static bool CanPaste();

    // Distinct raw values: at 1 and 4 bits distinct colours of the entries in
    // use, at 8 bits distinct indices; the fourth byte of 32-bit pixels and
    // the unused top bit of 5-5-5 pixels do not count. 0 when empty or when
    // no memory can be had for the tally.
    std::uint32_t CountColours() const;
    // Above 8 bits: stores the colour of the smallest raw value absent from
    // the picture and returns 1; 0 when every value is present.
    int FindFreeColour(ColourValue& out) const;
    // 16, 24 or 32 bits: the whole picture, or its part inside `rect`, takes
    // the colour (packed by the picture's own rule at 16 bits; at 32 bits the
    // colour's top byte is the fourth byte).
    int FillColour(ColourValue colour, const gdi::RECT* rect = nullptr);

    // Channels of 24- and 32-bit pictures as 8-bit grey planes. Split makes
    // each given target a plane (alpha only from a 32-bit picture); a target
    // may not be this image.
    int SplitChannels(CDibImage* red, CDibImage* green, CDibImage* blue, CDibImage* alpha) const;
    // Rebuilds this picture from 8-bit planes of equal size, at 32 bits when
    // `alpha` is given, else 24; missing channels are 0. A plane may be this
    // image itself.
    int MergeChannels(const CDibImage* red, const CDibImage* green, const CDibImage* blue,
                      const CDibImage* alpha);
    // 32 bits: the fourth byte of each pixel from an 8-bit mask of the same
    // size, or inverted.
    int SetAlphaChannel(const CDibImage& mask);
    int InvertAlpha();

protected:
    ProgressValue& ProgressTarget(ProgressValue* target) { return target ? *target : progress; }

    // All zero while empty; biSize is 108 once a picture exists.
    gdi::BITMAPV4HEADER header{};
    gdi::BitmapPtr bitmap;
    // First byte of the pixel memory (the bottom row); owned by `bitmap`.
    std::uint8_t* bits = nullptr;
    // rows[0] is the top row, the last one in memory.
    std::unique_ptr<std::uint8_t*[]> rows;
    ProgressValue progress{0};
};
