#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "codecs/codec_error.h"
#include "codecs/gif.h"
#include "codecs/gif_lzw.h"
#include "codecs/gif_scan.h"
#include "platform/base/files.h"

namespace {

constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::size_t kSubBlockSize = 255;

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// The picture's 2^bits palette entries as red-green-blue triples.
void PutColourTable(std::vector<std::uint8_t>& out, const CPicture& picture) {
    const unsigned count = 1u << picture.GetBitCount();
    gdi::RGBQUAD palette[256] = {};
    picture.GetPalette(0, count, palette);
    for (unsigned i = 0; i < count; ++i)
        out.insert(out.end(), {palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue});
}

// Pictures a GIF image can hold: 1, 4 or 8 bits, sides up to 65535.
bool Encodable(const CPicture& picture) {
    const unsigned bits = picture.GetBitCount();
    if (!picture.IsValid())
        return ImageFail("empty picture");
    if (bits != 1 && bits != 4 && bits != 8)
        return ImageFail(std::to_string(bits) + "-bit pictures cannot be saved as GIF");
    return (picture.GetWidth() <= UINT16_MAX && picture.GetHeight() <= UINT16_MAX) ||
           ImageFail("picture wider or higher than 65535 pixels");
}

}  // namespace

std::vector<std::uint8_t> EncodeGifFrame(const CPicture& picture, bool globalTable, int delayMs,
                                         int transparentIndex) {
    ClearImageError();
    std::vector<std::uint8_t> out;
    if (!Encodable(picture))
        return out;
    if (transparentIndex < -1 || transparentIndex > 255) {
        ImageFail("transparent index outside 0 to 255");
        return out;
    }
    const unsigned hundredths = delayMs <= 0 ? 0 : std::min(delayMs / 10, int{UINT16_MAX});

    out.insert(out.end(), {0x21, 0xF9, 4, static_cast<std::uint8_t>(transparentIndex >= 0)});
    Put16(out, hundredths);
    out.insert(out.end(),
               {static_cast<std::uint8_t>(transparentIndex >= 0 ? transparentIndex : 0), 0});

    out.push_back(0x2C);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, picture.GetWidth());
    Put16(out, picture.GetHeight());
    if (globalTable) {
        out.push_back(0);
    } else {
        out.push_back(static_cast<std::uint8_t>(0x80 | (picture.GetBitCount() - 1)));
        PutColourTable(out, picture);
    }

    std::vector<std::uint8_t> codes;
    codes.reserve(std::size_t{picture.GetWidth()} * picture.GetHeight() / 2 + 16);
    const std::uint8_t minimum = EncodeGifLzw(picture, codes);
    if (minimum == 0) {
        ImageFail("cannot code the picture's pixels");
        return {};
    }
    out.reserve(out.size() + codes.size() + codes.size() / kSubBlockSize + 4);
    out.push_back(minimum);
    for (std::size_t at = 0; at < codes.size(); at += kSubBlockSize) {
        const std::size_t length = std::min(kSubBlockSize, codes.size() - at);
        out.push_back(static_cast<std::uint8_t>(length));
        out.insert(out.end(), codes.begin() + at, codes.begin() + at + length);
    }
    out.push_back(0);
    out.push_back(kTrailer);
    return out;
}

std::vector<std::uint8_t> EncodeGif(const CPicture& picture, bool globalTable) {
    ClearImageError();
    std::vector<std::uint8_t> out;
    if (!Encodable(picture))
        return out;
    const char signature[] = "GIF89a";
    out.insert(out.end(), signature, signature + 6);
    Put16(out, picture.GetWidth());
    Put16(out, picture.GetHeight());
    out.push_back(globalTable ? static_cast<std::uint8_t>(0x80 | (picture.GetBitCount() - 1)) : 0);
    out.push_back(0);  // background index
    out.push_back(0);  // aspect ratio
    if (globalTable)
        PutColourTable(out, picture);
    const std::vector<std::uint8_t> frame = EncodeGifFrame(picture, globalTable, 100, -1);
    if (frame.empty())
        return {};
    out.insert(out.end(), frame.begin(), frame.end());
    return out;
}

bool AppendGifFrame(const CPicture& picture, const std::string& path, bool globalTable, int delayMs,
                    int transparentIndex) {
    // Encoded first, so the file grows by exactly what is written.
    const std::vector<std::uint8_t> frame =
        EncodeGifFrame(picture, globalTable, delayMs, transparentIndex);
    if (frame.empty())
        return false;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        return ImageFailOpen(error.value());
    if (size == 0)
        return ImageFail("empty file");
    const std::size_t length = static_cast<std::size_t>(size) - 1 + frame.size();
    platform::CMappedUpdateFile file;
    errno = 0;
    if (!file.Open(path, length))
        return ImageFailOpen(errno);
    if (file.OriginalSize() != size)
        return ImageFail("the file changed while it was read");  // closing restores it
    // Only a whole GIF stream whose trailer is its last byte takes an image:
    // a ";" ending some other file, or a data byte of a cut-off stream, does
    // not.
    const std::span<std::uint8_t> bytes = file.Data();
    auto scan = std::make_unique<GifStreamState>();
    std::size_t trailer = 0;
    if (!ScanGifStream(bytes.first(file.OriginalSize()), *scan, &trailer))
        return false;
    if (trailer != file.OriginalSize() - 1)
        return ImageFail("data after the trailer");
    std::memcpy(bytes.data() + trailer, frame.data(), frame.size());
    errno = 0;
    return file.Close(length) || ImageFail("cannot write the file");
}
