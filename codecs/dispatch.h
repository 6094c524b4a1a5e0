#pragma once

#include <cstdint>
#include <string>

#include "codecs/codec_messages.h"
#include "image/picture.h"

// The file formats the library knows, as single bits; 0 is a file it does
// not know.
enum ImageType : std::uint32_t {
    kImageUnknown = 0,
    kImageBmp = 1,
    kImagePcx = 2,
    kImageJpeg = 4,
    kImageGif = 8,
    kImageTga = 16,
    kImageTiff = 32,
    kImagePng = 64,
    kImageWebp = 128,
    kImageAvif = 256,
    kImageHeif = 512,
    kImageJxl = 1024,
};

// The type named by the extension of the path's last component, compared
// without regard to case. Only the name counts, never the content (but see
// LoadImageFile).
ImageType ImageTypeFromExtension(const std::string& path);

// Loads the file with the codec its extension names. When that codec refuses
// the file, the codec its first bytes name (if another) tries it, for files
// whose extension lies. False for an unknown extension (the file is not
// opened) or a file both refuse. What a
// reader has to tell the user (the TIFF reader's two messages) goes to
// `messages`; without one it is dropped.
bool LoadImageFile(CPicture& picture, const std::string& path,
                   const CodecMessageSink& messages = {});

// LoadImageFile, telling the format the file was read as; kImageUnknown
// when it was not read.
ImageType LoadImageFileAs(CPicture& picture, const std::string& path,
                          const CodecMessageSink& messages = {});

// Saves the picture with the codec the extension names, with the fixed
// settings each format is saved with (JPEG quality 85, PNG not interlaced).
// A 16-bit picture goes to formats without a 16-bit form (PNG, JPEG, PCX,
// TIFF) at 24 bits.
// The new file replaces the old one, read-only or not, only once it has been
// written whole; a save that fails for any reason, an unknown extension
// included, leaves an existing file exactly as it was.
bool SaveImageFile(const CPicture& picture, const std::string& path);
