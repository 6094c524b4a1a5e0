// The picture on the desktop clipboard. The native image (CF_BITMAP) is
// preferred both ways; a packed DIB (CF_DIB) is read when it is all the
// clipboard offers.

#include <cstring>

#include "image/dib_image.h"
#include "platform/base/clipboard.h"

namespace {

// The native image as a 32-bit section, the stand-in for the clipboard's
// device-dependent bitmap.
gdi::BitmapPtr ToSection(const clipboard::NativeImage& image) {
    const std::size_t rowBytes = std::size_t{4} * static_cast<std::size_t>(image.width);
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() / rowBytes < static_cast<std::size_t>(image.height))
        return nullptr;
    gdi::BitmapPtr section = gdi::CreateDIBSection(image.width, image.height, 32);
    if (!section)
        return nullptr;
    for (std::int32_t y = 0; y < image.height; ++y)
        std::memcpy(section->TopRow(y), image.pixels.data() + rowBytes * std::size_t(y), rowBytes);
    return section;
}

clipboard::NativeImage ToNative(const gdi::DibSection& device) {
    clipboard::NativeImage image;
    image.width = device.Width();
    image.height = device.Height();
    const std::size_t rowBytes = std::size_t{4} * static_cast<std::size_t>(image.width);
    image.pixels.resize(rowBytes * static_cast<std::size_t>(image.height));
    for (std::int32_t y = 0; y < image.height; ++y)
        std::memcpy(image.pixels.data() + rowBytes * std::size_t(y), device.TopRow(y), rowBytes);
    return image;
}

// Builds `target` from a packed DIB: header, masks and colour table laid out
// as PackedDibPixelOffset reads them, then the rows. The colour table and
// bit-field masks are taken over, so the pasted picture shows the block's
// colours. Top-down blocks are refused, as Create refuses a negative height,
// and so are compressed ones and blocks too short for their rows.
int FillFromDib(CDibImage& target, std::span<const std::uint8_t> block) {
    const std::size_t pixelOffset = clipboard::PackedDibPixelOffset(block);
    if (pixelOffset == 0)
        return 0;
    gdi::BITMAPINFOHEADER h;
    std::memcpy(&h, block.data(), sizeof h);
    if (h.biWidth <= 0 || h.biHeight <= 0 ||
        (h.biCompression != gdi::BI_RGB && h.biCompression != gdi::BI_BITFIELDS))
        return 0;
    return target.CreateFromBitmapInfo(block.first(pixelOffset), block.subspan(pixelOffset));
}

// Fills `target` from the open clipboard: the native image converted to
// `bitCount`, else the CF_DIB block at its own depth.
int FillFromClipboard(const clipboard::Clipboard& board, CDibImage& target,
                      std::uint32_t bitCount) {
    if (clipboard::IsClipboardFormatAvailable(clipboard::CF_BITMAP)) {
        clipboard::NativeImage image;
        if (!board.GetBitmap(image))
            return 0;
        const gdi::BitmapPtr section = ToSection(image);
        return section ? target.CopyFromBitmap(section.get(), bitCount) : 0;
    }
    std::vector<std::uint8_t> block;
    return board.GetDib(block) ? FillFromDib(target, block) : 0;
}

}  // namespace

int CDibImage::CopyToClipboard(const gdi::RECT* rect) const {
    if (!IsValid())
        return 0;
    if (rect) {
        CDibImage part;
        return CopyAreaTo(&part, *rect) ? part.CopyToClipboard(nullptr) : 0;
    }
    clipboard::Clipboard board;
    if (!board.IsOpen())
        return 0;
    // The device bitmap comes first: without it the clipboard's contents are
    // kept rather than emptied for nothing.
    const gdi::BitmapPtr device = CreateDeviceBitmap();
    if (!device || !board.Empty())
        return 0;
    const bool taken = board.SetBitmap(ToNative(*device));
    return board.Close() && taken ? 1 : 0;
}

int CDibImage::PasteFromClipboard(const gdi::POINT* point) {
    if (!CanPaste())
        return 0;
    const clipboard::Clipboard board;
    if (!board.IsOpen())
        return 0;
    // Built aside and swapped in, so that a failure leaves the picture as it was.
    CDibImage pasted;
    if (point) {
        // Success means pixels arrived in this picture, not just that the
        // clipboard could be read.
        return FillFromClipboard(board, pasted, GetBitCount()) &&
                       PasteAt(pasted, point->x, point->y)
                   ? 1
                   : 0;
    }
    if (!FillFromClipboard(board, pasted, 32))
        return 0;
    SwapPicture(pasted);
    return 1;
}

bool CDibImage::CanPaste() {
    return clipboard::IsClipboardFormatAvailable(clipboard::CF_BITMAP) ||
           clipboard::IsClipboardFormatAvailable(clipboard::CF_DIB);
}
