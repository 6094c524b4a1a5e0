#pragma once

// The desktop clipboard with the Windows clipboard's vocabulary. Two picture
// formats cross it:
//  - CF_DIB: a packed DIB (info header, masks, colour table, bottom-up rows),
//    offered to other programs as "image/bmp", i.e. behind a 14-byte BMP file
//    header;
//  - CF_BITMAP: the clipboard's native image, any picture type Qt reads
//    (PNG and the rest) other than "image/bmp".
//
// Everything runs through the QGuiApplication of the process, on its thread.
// Without one (drapewell-tool, say) every operation fails instead of making
// an application behind the caller's back, and so does a call from another
// thread. On X11 the clipboard's contents live in the process that put them
// there: when it exits they are gone unless a clipboard manager kept a copy.
//
// This header includes no Qt, so that the image layer can use it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace clipboard {

inline constexpr unsigned CF_BITMAP = 2;
inline constexpr unsigned CF_DIB = 8;

// A picture as the native image carries it: 32 bits per pixel (blue, green,
// red, unused), rows top-down, 4 * width bytes each.
struct NativeImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;
};

// Whether the clipboard offers `format` (CF_BITMAP or CF_DIB) right now.
bool IsClipboardFormatAvailable(unsigned format);

// Where the pixel rows of a packed DIB start: after the header (biSize
// bytes), the three masks that follow a 40-byte header for BI_BITFIELDS, and
// the colour table (biClrUsed entries, or 2^biBitCount when biClrUsed is 0
// at 8 bits or fewer). 0 when the block is too short for its header or the
// offset lies past the block's end.
std::size_t PackedDibPixelOffset(std::span<const std::uint8_t> block);

// OpenClipboard ... CloseClipboard as a scope. What SetBitmap and SetDib
// hand over after Empty is published together when the scope closes, as
// other programs only ever see a whole clipboard.
class Clipboard {
public:
    Clipboard();
    ~Clipboard();
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;

    // False without a QGuiApplication or off its thread; every other call
    // then fails.
    bool IsOpen() const;

    // Takes the clipboard over; its contents are gone when the scope closes.
    bool Empty();
    // SetClipboardData: only after Empty. A picture without pixels, or a
    // block without a whole header, is refused.
    bool SetBitmap(const NativeImage& image);
    bool SetDib(std::span<const std::uint8_t> packedDib);

    // GetClipboardData: the native image converted to 32 bits, or the packed
    // DIB without its file header. False when the format is not there or
    // cannot be read.
    bool GetBitmap(NativeImage& out) const;
    bool GetDib(std::vector<std::uint8_t>& out) const;

    // CloseClipboard: publishes the contents after Empty. False when the
    // clipboard was not open or did not take them. Closing twice is harmless.
    bool Close();

private:
    struct Pending;
    bool open_ = false;
    std::unique_ptr<Pending> pending_;
};

}  // namespace clipboard
