// Crossing to and from device bitmaps, and the depth conversion built on
// them. Device bitmaps have the display's format, 32-bit BGRX; the blits of
// the drawing layer do every colour conversion (nearest palette entry at 8
// bits or fewer).

#include "image/dib_image.h"
#include "image/fixed_palettes.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/display.h"
#include "platform/gdi/draw.h"

namespace {

bool CopyPixels(gdi::HBITMAP to, gdi::HBITMAP from) {
    gdi::MemoryDC destination;
    gdi::MemoryDC origin;
    destination.SelectObject(to);
    origin.SelectObject(from);
    const bool done =
        gdi::BitBlt(destination, 0, 0, to->Width(), to->Height(), origin, 0, 0, gdi::SRCCOPY);
    destination.SelectObject(nullptr);
    origin.SelectObject(nullptr);
    return done;
}

}  // namespace

gdi::BitmapPtr CDibImage::CreateDeviceBitmap() const {
    if (!IsValid())
        return nullptr;
    gdi::BitmapPtr device =
        gdi::CreateDIBSection(header.info.biWidth, header.info.biHeight, gdi::kDisplayBitsPerPixel);
    if (!device || !CopyPixels(device.get(), bitmap.get()))
        return nullptr;
    return device;
}

int CDibImage::CopyFromBitmap(gdi::HBITMAP source, std::uint32_t bitCount) {
    if (!source)
        return 0;
    // Re-creating the picture frees its section; when that section is the
    // source, it has to outlive the copy.
    CDibImage previous;
    if (source == bitmap.get())
        SwapPicture(previous);

    gdi::DIBSECTION ds;
    gdi::GetObject(*source, ds);
    if (!Create(ds.dsBm.bmWidth, ds.dsBm.bmHeight, bitCount))
        return 0;
    if (GetBitCount() <= 8) {
        // Indices pass between equal depths unconverted, so they keep their
        // own table; any other source is matched against the fixed one.
        if (source->BitCount() == GetBitCount()) {
            const auto table = source->ColourTable();
            SetPalette(0, static_cast<unsigned>(table.size()), table.data());
        } else {
            const auto table = FixedPalette(GetBitCount());
            SetPalette(0, static_cast<unsigned>(table.size()), table.data());
        }
    }
    CopyPixels(bitmap.get(), source);
    return 1;
}

int CDibImage::ConvertBitCount(std::uint32_t bitCount) {
    if (bitCount == 0)
        bitCount = static_cast<std::uint32_t>(gdi::GetDeviceCaps(gdi::BITSPIXEL));
    // An unsupported depth would only destroy the picture in Create.
    if (!IsValid() || bitCount == GetBitCount() || !gdi::IsSupportedBitCount(bitCount))
        return 0;
    const gdi::BitmapPtr device = CreateDeviceBitmap();
    if (!device)
        return 0;
    return CopyFromBitmap(device.get(), bitCount);
}
