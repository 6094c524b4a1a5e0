#pragma once

// The desktop clipboard with the Windows clipboard's vocabulary. Two picture
// formats cross it:
//  - CF_DIB: a packed DIB (info header, masks, colour table, bottom-up rows),
//    offered to other programs as "image/bmp", i.e. behind a 14-byte BMP file
//    header;
//  - CF_BITMAP: the clipboard's native image, any picture type Qt reads
//    (PNG and the rest) other than "image/bmp".
//
// The desktop's clipboard is reached through a backend that a program with a
// graphical session installs (platform/qt's InstallQtClipboard: the
// QGuiApplication's clipboard, on its thread). Without one (drapewell-tool,
// say) every operation fails, and so does a call the backend refuses, such as
// one from another thread. On X11 the clipboard's contents live in the
// process that put them there: when it exits they are gone unless a clipboard
// manager kept a copy.
//
// Qt-free, so that the image layer can use it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
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

// What a clipboard backend does; the format rules (packed DIB behind a BMP
// file header, native images at 32 bits) stay on this side.
class Backend {
public:
    virtual ~Backend() = default;
    // Whether the clipboard may be used from the calling thread now.
    virtual bool Usable() const = 0;
    virtual bool Offers(unsigned format) const = 0;
    virtual bool ReadBitmap(NativeImage& out) const = 0;
    // The "image/bmp" contents: a whole BMP file.
    virtual bool ReadDibFile(std::vector<std::uint8_t>& out) const = 0;
    // Publishes what is given (a null bitmap or an empty file is absent);
    // neither clears the clipboard. True when the clipboard took it.
    virtual bool Publish(const NativeImage* bitmap, std::span<const std::uint8_t> dibFile) = 0;
};

// The backend every Clipboard uses; null (the default) makes each fail.
void SetBackend(Backend* backend);

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

    // False without a backend or where it refuses (off the application's
    // thread); every other call then fails.
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
    struct Pending {
        std::optional<NativeImage> bitmap;
        std::vector<std::uint8_t> dibFile;
    };
    bool open_ = false;
    std::unique_ptr<Pending> pending_;
};

}  // namespace clipboard
