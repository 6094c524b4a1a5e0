#pragma once

// The picture file formats the library knows, one row each. Adding a format
// means one row here plus its codec files; the dispatch by file name and the
// header probe both read this table.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "codecs/codec_messages.h"
#include "codecs/dispatch.h"
#include "image/picture.h"

struct CodecRow {
    ImageType type;
    // The format's short name in messages and the tool's output ("PNG").
    const char* name;
    // Lower-case extensions without the dot that name the format.
    std::span<const std::string_view> extensions;
    // True when the first bytes of a file carry the format's signature; null
    // for a format without one (Targa).
    bool (*sniff)(std::span<const std::uint8_t> head);
    // Decodes a whole file held in memory; on failure the picture is empty.
    bool (*decode)(CPicture& picture, std::span<const std::uint8_t> data,
                   const CodecMessageSink& messages);
    // Writes the picture to `path` with the settings SaveImageFile uses,
    // replacing an existing file only once the new one is whole.
    bool (*save)(const CPicture& picture, const std::string& path);
    // BMP and GIF leave the picture as it was when the file cannot be
    // opened; the others empty it before they try.
    bool keepsPictureWhenUnopened;
};

// Every row, in the order extensions and signatures are tried.
std::span<const CodecRow> CodecTable();

// The format's name as users know it ("PNG", "Targa"); "unknown" for
// kImageUnknown and combinations of bits.
const char* FormatName(ImageType type);

// The row of `type`, or null for kImageUnknown and combinations of bits.
const CodecRow* FindCodec(ImageType type);

// The row whose extension the last component of `path` ends in, compared
// without regard to case; null when none does.
const CodecRow* FindCodecForPath(std::string_view path);

// The first row whose signature `head` starts with; null when none does.
const CodecRow* SniffCodec(std::span<const std::uint8_t> head);

// Maps the file at `path` and decodes it with the row's decoder, following
// the row's rule for a file that cannot be opened.
bool LoadFileWithCodec(const CodecRow& codec, CPicture& picture, const std::string& path,
                       const CodecMessageSink& messages = {});
