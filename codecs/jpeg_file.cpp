#include "codecs/jpeg.h"
#include "platform/base/files.h"
#include "platform/base/resources.h"

bool LoadJpeg(CPicture& picture, const std::string& path) {
    if (picture.IsValid())
        picture.Destroy();
    platform::CMappedFile file;
    if (!file.Open(path))
        return false;
    return DecodeJpegMemory(picture, file.Data());
}

bool SaveJpeg(const CPicture& picture, const std::string& path, int quality) {
    std::vector<std::uint8_t> bytes;
    if (!EncodeJpeg(picture, quality, bytes))
        return false;
    return platform::WriteFileAtomically(path, bytes);
}

bool LoadJpegResource(CPicture& picture, std::string_view name, std::string_view type) {
    const std::span<const std::uint8_t> data = platform::FindResource(name, type);
    return !data.empty() && DecodeJpegMemory(picture, data);
}
