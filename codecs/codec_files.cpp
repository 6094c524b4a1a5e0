// The shared glue, and every codec's file and resource forms written with
// it: each is its memory decoder or encoder and nothing more.
#include "codecs/codec_files.h"

#include <cerrno>

#include "codecs/bmp.h"
#include "codecs/codec_error.h"
#include "codecs/gif.h"
#include "codecs/jpeg.h"
#include "codecs/pcx.h"
#include "codecs/pcx_format.h"
#include "codecs/png.h"
#include "codecs/tga.h"
#include "codecs/tiff.h"
#include "platform/base/files.h"
#include "platform/base/resources.h"

namespace codec_files {

namespace {

// Why the file beside which the new one goes could not be written, from
// errno at the failure.
bool FailWrite() {
    switch (errno) {
    case ENOENT:
    case ENOTDIR:
        return ImageFail("no such folder");
    case ENOSPC:
        return ImageFail("no space left on the disk");
    case 0:
        return ImageFail("cannot write the file");
    default:
        return ImageFailOpen(errno);
    }
}

}  // namespace

bool LoadMapped(CDibImage& picture, const std::string& path, Unopened rule, const Decoder& decode) {
    ClearImageError();
    if (rule == Unopened::kEmptiesPicture && picture.IsValid())
        picture.Destroy();
    platform::CMappedFile file;
    errno = 0;
    if (!file.Open(path))
        return ImageFailOpen(errno);
    if (file.Data().empty()) {
        // Every decoder refuses it; the reason it gives would only say
        // "truncated".
        const bool decoded = decode(file.Data());
        return decoded || ImageFailOverriding("empty file");
    }
    return decode(file.Data());
}

bool LoadResource(std::string_view name, std::string_view type, const Decoder& decode) {
    ClearImageError();
    const std::span<const std::uint8_t> data = platform::FindResource(name, type);
    if (data.empty())
        return ImageFail("no such resource");
    return decode(data);
}

bool SaveEncoded(const std::string& path,
                 const std::function<bool(std::vector<std::uint8_t>& out)>& encode) {
    std::vector<std::uint8_t> bytes;
    if (!encode(bytes) || bytes.empty())
        return ImageFail("the picture cannot be written in this format");
    errno = 0;
    return platform::WriteFileAtomically(path, bytes) || FailWrite();
}

bool SaveMapped(const std::string& path, std::uint64_t bound,
                const std::function<std::size_t(std::span<std::uint8_t> out)>& encode) {
    if (bound == 0)
        return ImageFail("the picture cannot be written in this format");
    if (bound > SIZE_MAX)
        return ImageFail("picture too large to write");
    platform::CMappedWriteFile file;
    errno = 0;
    if (!file.Create(path, static_cast<std::size_t>(bound)))
        return FailWrite();
    const std::size_t length = encode(file.Data());
    if (length == 0)
        return ImageFail("the picture cannot be written in this format");
    errno = 0;
    return file.Commit(length) || FailWrite();
}

}  // namespace codec_files

using codec_files::Unopened;
using Data = std::span<const std::uint8_t>;
using Bytes = std::vector<std::uint8_t>;

bool LoadBmp(CEditableImage& picture, const std::string& path) {
    return codec_files::LoadMapped(picture, path, Unopened::kKeepsPicture,
                                   [&](Data data) { return DecodeBmpMemory(picture, data); });
}

bool SaveBmp(const CDibImage& picture, const std::string& path) {
    ClearImageError();
    if (!picture.IsValid())
        return ImageFail("empty picture");
    // The header's size field has 32 bits.
    const std::uint64_t size = EncodedBmpSize(picture);
    if (size > UINT32_MAX)
        return ImageFail("picture too large for a bitmap file");
    return codec_files::SaveMapped(path, size, [&](std::span<std::uint8_t> out) {
        return EncodeBmp(picture, out) ? out.size() : 0;
    });
}

bool LoadGif(CPicture& picture, const std::string& path) {
    return codec_files::LoadMapped(picture, path, Unopened::kKeepsPicture,
                                   [&](Data data) { return DecodeGifMemory(picture, data); });
}

bool LoadGifResource(CPicture& picture, std::string_view name, std::string_view type) {
    return codec_files::LoadResource(name, type,
                                     [&](Data data) { return DecodeGifMemory(picture, data); });
}

bool SaveGif(const CPicture& picture, const std::string& path, bool globalTable) {
    ClearImageError();
    return codec_files::SaveEncoded(path, [&](Bytes& out) {
        out = EncodeGif(picture, globalTable);
        return !out.empty();
    });
}

bool LoadJpeg(CPicture& picture, const std::string& path) {
    return codec_files::LoadMapped(picture, path, Unopened::kEmptiesPicture,
                                   [&](Data data) { return DecodeJpegMemory(picture, data); });
}

bool LoadJpegResource(CPicture& picture, std::string_view name, std::string_view type) {
    return codec_files::LoadResource(name, type,
                                     [&](Data data) { return DecodeJpegMemory(picture, data); });
}

bool SaveJpeg(const CPicture& picture, const std::string& path, int quality) {
    ClearImageError();
    return codec_files::SaveEncoded(path,
                                    [&](Bytes& out) { return EncodeJpeg(picture, quality, out); });
}

bool LoadPcx(CDibImage& picture, const std::string& path) {
    return codec_files::LoadMapped(picture, path, Unopened::kEmptiesPicture,
                                   [&](Data data) { return DecodePcxMemory(picture, data); });
}

bool LoadPcxResource(CDibImage& picture, std::string_view name, std::string_view type) {
    return codec_files::LoadResource(name, type,
                                     [&](Data data) { return DecodePcxMemory(picture, data); });
}

bool SavePcx(const CDibImage& picture, const std::string& path) {
    ClearImageError();
    return codec_files::SaveMapped(
        path, pcx::EncodedBound(picture),
        [&](std::span<std::uint8_t> out) { return pcx::EncodeInto(picture, out); });
}

bool LoadPng(CPicture& picture, const std::string& path) {
    return codec_files::LoadMapped(picture, path, Unopened::kEmptiesPicture,
                                   [&](Data data) { return DecodePngMemory(picture, data); });
}

bool LoadPngResource(CPicture& picture, std::string_view name, std::string_view type) {
    return codec_files::LoadResource(name, type,
                                     [&](Data data) { return DecodePngMemory(picture, data); });
}

bool SavePng(const CPicture& picture, const std::string& path, bool interlaced) {
    ClearImageError();
    return codec_files::SaveEncoded(
        path, [&](Bytes& out) { return EncodePng(picture, interlaced, out); });
}

// SaveTga lives with its encoder: it widens 1- and 4-bit pictures first.
bool LoadTga(CDibImage& picture, const std::string& path) {
    return codec_files::LoadMapped(picture, path, Unopened::kEmptiesPicture,
                                   [&](Data data) { return DecodeTgaMemory(picture, data); });
}

bool LoadTgaResource(CDibImage& picture, std::string_view name, std::string_view type) {
    return codec_files::LoadResource(name, type,
                                     [&](Data data) { return DecodeTgaMemory(picture, data); });
}

bool LoadTiff(CPicture& picture, const std::string& path, const CodecMessageSink& messages) {
    return codec_files::LoadMapped(picture, path, Unopened::kEmptiesPicture, [&](Data data) {
        return DecodeTiffMemory(picture, data, messages);
    });
}

bool LoadTiffResource(CPicture& picture, std::string_view name, std::string_view type,
                      const CodecMessageSink& messages) {
    return codec_files::LoadResource(
        name, type, [&](Data data) { return DecodeTiffMemory(picture, data, messages); });
}

bool SaveTiff(const CPicture& picture, const std::string& path, int compression) {
    ClearImageError();
    return codec_files::SaveEncoded(
        path, [&](Bytes& out) { return EncodeTiff(picture, compression, out); });
}
