#pragma once

#include <sys/wait.h>

#include <cstdio>

// Scratch directories, file helpers and a colour reader shared by the codec
// tests.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/dib_image.h"

namespace codec_test {

class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "drapewell-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

    // Names of the entries, to show that no temporary file was left behind.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    std::filesystem::path path_;
};

// Runs a shell command, collecting its standard output; returns its exit
// status, or -1 when it could not run or did not exit normally.
inline int RunCommand(const std::string& command, std::string* out = nullptr) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        if (out)
            out->append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline unsigned MaskShift(std::uint32_t mask) {
    unsigned shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

inline unsigned MaskBits(std::uint32_t mask) {
    unsigned bits = 0;
    for (mask >>= MaskShift(mask); mask & 1; mask >>= 1)
        ++bits;
    return bits;
}

// A field widened to 8 bits by repeating its top bits.
inline std::uint8_t Widen(std::uint32_t value, unsigned bits) {
    if (bits == 0)
        return 0;
    if (bits >= 8)
        return static_cast<std::uint8_t>(value >> (bits - 8));
    std::uint32_t out = value << (8 - bits);
    for (unsigned have = bits; have < 8; have += bits)
        out |= value << (8 - bits) >> have;
    return static_cast<std::uint8_t>(out);
}

// Red, green, blue of every pixel, top row first, whatever the depth.
inline std::vector<std::uint8_t> ToRgb(const CDibImage& image) {
    std::vector<std::uint8_t> rgb;
    gdi::BITMAPV4HEADER header;
    image.GetHeader(&header);
    const unsigned bits = image.GetBitCount();
    const bool fields = image.GetCompression() == gdi::BI_BITFIELDS;
    std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bits == 32)
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    if (fields)
        masks[0] = header.redMask, masks[1] = header.greenMask, masks[2] = header.blueMask;
    for (std::uint32_t y = 0; y < image.GetHeight(); ++y) {
        const std::uint8_t* row = image.GetRow(y);
        for (std::uint32_t x = 0; x < image.GetWidth(); ++x) {
            if (bits <= 8) {
                const std::size_t bit = std::size_t{x} * bits;
                const unsigned index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                gdi::RGBQUAD q;
                image.GetPaletteEntry(index, &q);
                rgb.insert(rgb.end(), {q.rgbRed, q.rgbGreen, q.rgbBlue});
            } else if (bits == 24) {
                const std::uint8_t* p = row + x * 3;
                rgb.insert(rgb.end(), {p[2], p[1], p[0]});
            } else {
                const std::uint8_t* p = row + x * (bits / 8);
                const std::uint32_t v =
                    bits == 16 ? p[0] | p[1] << 8
                               : p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24;
                for (const std::uint32_t m : masks)
                    rgb.push_back(Widen((v & m) >> MaskShift(m), MaskBits(m)));
            }
        }
    }
    return rgb;
}

}  // namespace codec_test
