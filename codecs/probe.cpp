#include "codecs/probe.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <span>

#include "codecs/avif.h"
#include "codecs/codec_error.h"
#include "codecs/codec_table.h"
#include "codecs/gif.h"
#include "codecs/heif.h"
#include "codecs/jxl.h"
#include "codecs/webp.h"
#include "platform/base/files.h"

namespace {

#pragma pack(push, 1)
// The part of a bitmap info header the probe reads, after the 14-byte file
// header.
struct BmpInfoStart {
    std::uint32_t size;
    std::int32_t width;
    std::int32_t height;
    std::uint16_t planes;
    std::uint16_t bitCount;
};

// The start of a PCX header.
struct PcxHeaderStart {
    std::uint8_t manufacturer;  // 10
    std::uint8_t version;
    std::uint8_t encoding;  // 1: run-length
    std::uint8_t bitsPerPlane;
    std::uint16_t xMin;
    std::uint16_t yMin;
    std::uint16_t xMax;
    std::uint16_t yMax;
};
#pragma pack(pop)
static_assert(sizeof(BmpInfoStart) == 16);
static_assert(sizeof(PcxHeaderStart) == 12);

constexpr std::size_t kBmpFileHeaderSize = 14;
constexpr std::size_t kPcxPlanesOffset = 65;
constexpr std::size_t kGifHeaderSize = 6;
constexpr std::size_t kHeifFtypSize = 16;
constexpr std::size_t kJxlSignatureSize = 2;

bool ProbeBmp(CPicture&, std::span<const std::uint8_t> s, ImageFileInfo& info) {
    BmpInfoStart header;
    std::memcpy(&header, s.data() + kBmpFileHeaderSize, sizeof header);
    if (header.size != 40 && header.size != 108 && header.size != 124)
        return false;
    // The whole info header must be there, not only the fields read.
    if (s.size() < kBmpFileHeaderSize + header.size)
        return false;
    // A top-down picture (negative height) is not reported.
    if (header.width <= 0 || header.height <= 0 || header.bitCount < 1 || header.bitCount > 32)
        return false;
    info.type = kImageBmp;
    info.width = header.width;
    info.height = header.height;
    info.bitsPerPixel = header.bitCount;
    info.imageCount = 1;
    return true;
}

bool ProbePcx(CPicture&, std::span<const std::uint8_t> s, ImageFileInfo& info) {
    PcxHeaderStart header;
    std::memcpy(&header, s.data(), sizeof header);
    if (header.manufacturer != 10 || header.version > 5 || header.encoding != 1 ||
        header.bitsPerPlane > 8)
        return false;
    const std::int32_t width = std::int32_t{header.xMax} - header.xMin + 1;
    const std::int32_t height = std::int32_t{header.yMax} - header.yMin + 1;
    // Inverted corners describe no picture.
    if (width <= 0 || height <= 0)
        return false;
    info.type = kImagePcx;
    info.width = width;
    info.height = height;
    info.bitsPerPixel = static_cast<std::uint16_t>(header.bitsPerPlane * s[kPcxPlanesOffset]);
    info.imageCount = 1;
    return true;
}

bool ProbeGif(CPicture& picture, std::span<const std::uint8_t> s, ImageFileInfo& info) {
    if (!ParseGifStream(picture, s))
        return false;
    const GifStreamState& state = *picture.GetGifInfo();
    info.type = kImageGif;
    // The logical screen: every image of the stream lies within it.
    info.width = s[6] | s[7] << 8;
    info.height = s[8] | s[9] << 8;
    info.bitsPerPixel = state.minimumCodeSize;
    info.imageCount = state.imageCount;
    info.delay = state.delay;
    info.interlaced = state.interlaced;
    info.transparent = state.transparent;
    return true;
}

// Bits per pixel: eight per channel, alpha counted.
bool ProbeWebp(CPicture&, std::span<const std::uint8_t> s, ImageFileInfo& info) {
    WebpHeader header;
    if (!ReadWebpHeader(s, header))
        return false;
    info.type = kImageWebp;
    info.width = static_cast<std::int32_t>(header.width);
    info.height = static_cast<std::int32_t>(header.height);
    info.bitsPerPixel = static_cast<std::uint16_t>(header.alpha ? 32 : 24);
    info.imageCount = static_cast<std::uint16_t>(std::min<std::uint32_t>(header.frames, 65535));
    return true;
}

// Bits per pixel: the sample depth (8, 10 or 12) per channel, alpha counted.
bool ProbeAvif(CPicture&, std::span<const std::uint8_t> s, ImageFileInfo& info) {
    AvifHeader header;
    if (!ReadAvifHeader(s, header) || header.width == 0 || header.height == 0 ||
        header.width > INT32_MAX || header.height > INT32_MAX)
        return false;
    info.type = kImageAvif;
    info.width = static_cast<std::int32_t>(header.width);
    info.height = static_cast<std::int32_t>(header.height);
    info.bitsPerPixel = static_cast<std::uint16_t>(header.depth * (header.alpha ? 4 : 3));
    info.imageCount = static_cast<std::uint16_t>(std::min<std::uint32_t>(header.frames, 65535));
    return true;
}

// HEIF and JPEG XL headers are read by their libraries; the depth given is
// the one the picture loads at.
bool ProbeHeif(CPicture&, std::span<const std::uint8_t> s, ImageFileInfo& info) {
    HeifHeader header;
    if (!ReadHeifHeader(s, header) || header.width > INT32_MAX || header.height > INT32_MAX)
        return false;
    info.type = kImageHeif;
    info.width = static_cast<std::int32_t>(header.width);
    info.height = static_cast<std::int32_t>(header.height);
    info.bitsPerPixel = header.bits;
    info.imageCount = header.imageCount;
    return true;
}

bool ProbeJxl(CPicture&, std::span<const std::uint8_t> s, ImageFileInfo& info) {
    JxlHeader header;
    if (!ReadJxlHeader(s, header) || header.width > INT32_MAX || header.height > INT32_MAX)
        return false;
    info.type = kImageJxl;
    info.width = static_cast<std::int32_t>(header.width);
    info.height = static_cast<std::int32_t>(header.height);
    info.bitsPerPixel = header.bits;
    // An animation's frame count is known only once every frame is read.
    info.imageCount = 1;
    return true;
}

// The formats whose headers are read, by the type the codec table's
// signatures name, with the bytes each needs before it looks.
struct HeaderReader {
    ImageType type;
    std::size_t minimumSize;
    bool (*read)(CPicture& picture, std::span<const std::uint8_t> s, ImageFileInfo& info);
};
constexpr HeaderReader kReaders[] = {
    {.type = kImageBmp, .minimumSize = kBmpFileHeaderSize + sizeof(BmpInfoStart), .read = ProbeBmp},
    {.type = kImageGif, .minimumSize = kGifHeaderSize, .read = ProbeGif},
    {.type = kImagePcx, .minimumSize = kPcxPlanesOffset + 1, .read = ProbePcx},
    {.type = kImageWebp, .minimumSize = 12, .read = ProbeWebp},
    {.type = kImageAvif, .minimumSize = 16, .read = ProbeAvif},
    {.type = kImageHeif, .minimumSize = kHeifFtypSize, .read = ProbeHeif},
    {.type = kImageJxl, .minimumSize = kJxlSignatureSize, .read = ProbeJxl},
};

}  // namespace

void ReadImageFileInfo(CPicture& picture, const std::string& path, ImageFileInfo* info) {
    ClearImageError();
    if (!info)
        return;
    *info = {};
    platform::CMappedFile file;
    errno = 0;
    if (!file.Open(path)) {
        ImageFailOpen(errno);
        return;
    }
    const std::span<const std::uint8_t> s = file.Data();
    if (s.empty()) {
        ImageFail("empty file");
        return;
    }
    const CodecRow* codec = SniffCodec(s);
    if (!codec) {
        ImageFail("unknown file format");
        return;
    }
    for (const HeaderReader& reader : kReaders) {
        ImageFileInfo found{};
        if (reader.type == codec->type && s.size() >= reader.minimumSize &&
            reader.read(picture, s, found)) {
            *info = found;
            ClearImageError();
            return;
        }
    }
    ImageFail(std::string(FormatName(codec->type)) + " header not recognised");
}
