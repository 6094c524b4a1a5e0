// The shared glue, and every codec's file and resource forms written with
// it: each is its memory decoder or encoder and nothing more.
#include "codecs/codec_files.h"

#include "codecs/bmp.h"
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

bool LoadMapped(CDibImage& picture, const std::string& path, Unopened rule, const Decoder& decode) {
    if (rule == Unopened::kEmptiesPicture && picture.IsValid())
        picture.Destroy();
    platform::CMappedFile file;
    return file.Open(path) && decode(file.Data());
}

bool LoadResource(std::string_view name, std::string_view type, const Decoder& decode) {
    const std::span<const std::uint8_t> data = platform::FindResource(name, type);
    return !data.empty() && decode(data);
}

bool SaveEncoded(const std::string& path,
                 const std::function<bool(std::vector<std::uint8_t>& out)>& encode) {
    std::vector<std::uint8_t> bytes;
    return encode(bytes) && !bytes.empty() && platform::WriteFileAtomically(path, bytes);
}

bool SaveMapped(const std::string& path, std::uint64_t bound,
                const std::function<std::size_t(std::span<std::uint8_t> out)>& encode) {
    if (bound == 0 || bound > SIZE_MAX)
        return false;
    platform::CMappedWriteFile file;
    if (!file.Create(path, static_cast<std::size_t>(bound)))
        return false;
    const std::size_t length = encode(file.Data());
    return length != 0 && file.Commit(length);
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
    // The header's size field has 32 bits.
    const std::uint64_t size = EncodedBmpSize(picture);
    return size <= UINT32_MAX &&
           codec_files::SaveMapped(path, size, [&](std::span<std::uint8_t> out) {
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
    return codec_files::SaveEncoded(
        path, [&](Bytes& out) { return EncodeTiff(picture, compression, out); });
}
