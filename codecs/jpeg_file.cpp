#include "codecs/jpeg.h"
#include "platform/files.h"

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

bool LoadJpegResource(CPicture& picture, std::span<const std::uint8_t> data) {
    if (data.empty())
        return false;
    return DecodeJpegMemory(picture, data);
}
