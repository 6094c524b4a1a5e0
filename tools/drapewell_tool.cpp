// drapewell-tool: the library's file handling for scripts and tests.
//   drapewell-tool info FILE      type by extension, decoded size and depth
//   drapewell-tool convert IN OUT load by IN's extension, save by OUT's
// Exit status 0 on success; otherwise one line on stderr and status 1.

#include <cstdio>
#include <cstring>
#include <string>

#include "codecs/dispatch.h"
#include "image/picture.h"

namespace {

const char* TypeName(ImageType type) {
    switch (type) {
    case kImageBmp:
        return "BMP";
    case kImagePcx:
        return "PCX";
    case kImageJpeg:
        return "JPEG";
    case kImageGif:
        return "GIF";
    case kImageTga:
        return "TGA";
    case kImageTiff:
        return "TIFF";
    case kImagePng:
        return "PNG";
    default:
        return "unknown";
    }
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "drapewell-tool: %s\n", message.c_str());
    return 1;
}

int Usage() {
    std::fputs("usage: drapewell-tool info FILE | drapewell-tool convert IN OUT\n", stderr);
    return 1;
}

int Load(CPicture& picture, const std::string& path) {
    const ImageType type = ImageTypeFromExtension(path);
    if (type == kImageUnknown)
        return Fail(path + ": unknown file type (by extension)");
    if (!LoadImageFile(picture, path))
        return Fail(path + ": cannot read it as " + TypeName(type));
    return 0;
}

int Info(const std::string& path) {
    CPicture picture;
    if (const int status = Load(picture, path))
        return status;
    std::printf("type: %s\nwidth: %u\nheight: %u\nbits: %u\n",
                TypeName(ImageTypeFromExtension(path)), picture.GetWidth(), picture.GetHeight(),
                unsigned{picture.GetBitCount()});
    return 0;
}

int Convert(const std::string& in, const std::string& out) {
    CPicture picture;
    if (const int status = Load(picture, in))
        return status;
    const ImageType type = ImageTypeFromExtension(out);
    if (type == kImageUnknown)
        return Fail(out + ": unknown file type (by extension)");
    if (!SaveImageFile(picture, out))
        return Fail(out + ": cannot write it as " + TypeName(type));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "info") == 0)
        return Info(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "convert") == 0)
        return Convert(argv[2], argv[3]);
    return Usage();
}
