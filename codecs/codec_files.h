#pragma once

// The glue every codec's file and resource forms share: map the file (or
// find the linked resource) and decode the bytes; encode and put the file
// in place only once it is whole. The codecs themselves work on memory.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/dib_image.h"

namespace codec_files {

using Decoder = std::function<bool(std::span<const std::uint8_t> data)>;

enum class Unopened {
    kEmptiesPicture,  // the picture is emptied before the file is opened
    kKeepsPicture,    // a file that cannot be opened leaves the picture alone
};

// Maps the file at `path` and hands its bytes to `decode`. False when the
// file cannot be opened or `decode` fails.
bool LoadMapped(CDibImage& picture, const std::string& path, Unopened rule, const Decoder& decode);

// Hands the resource's bytes to `decode`; false when there is no such
// resource (see platform/base/resources.h) or `decode` fails.
bool LoadResource(std::string_view name, std::string_view type, const Decoder& decode);

// Writes what `encode` puts in the vector to `path`, replacing an existing
// file only once the new one is whole. Nothing is written when `encode`
// fails.
bool SaveEncoded(const std::string& path,
                 const std::function<bool(std::vector<std::uint8_t>& out)>& encode);

// Encodes straight into a mapped file of `bound` bytes and keeps the length
// `encode` returns; 0 from it, or a `bound` of 0 or past the address space,
// leaves what was at `path` alone.
bool SaveMapped(const std::string& path, std::uint64_t bound,
                const std::function<std::size_t(std::span<std::uint8_t> out)>& encode);

}  // namespace codec_files
