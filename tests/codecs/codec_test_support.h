#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

// Scratch directories, file helpers, a colour reader and the glue to the
// Python oracles shared by the codec tests.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "image/dib_image.h"
#include "image/picture.h"

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

// Debian's interpreter first: the peers' Python modules are its packages.
inline std::string Python() {
    return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

// The command line that runs one of the oracle scripts.
inline std::string Oracle(const char* script) {
    return Python() + " " + script;
}

inline bool HavePillow() {
    return RunCommand(Python() + " -c 'import PIL' 2>/dev/null") == 0;
}

inline bool HaveMagick() {
    return RunCommand("command -v convert >/dev/null 2>&1") == 0;
}

inline bool HavePillowAndMagick() {
    return HavePillow() && HaveMagick();
}

// One line of what an oracle's "make" prints: the file's name, its size, a
// third number (the depth it must load at, or its image count) and, for
// oracles that give one, the tolerance of the comparison.
struct PeerFile {
    std::string name;
    std::uint32_t width = 0, height = 0, bits = 0;
    int tolerance = 0;
};

// Runs `oracle make DIR` and reads its listing into *files.
inline ::testing::AssertionResult MakePeerFiles(const std::string& oracle, const TempDir& dir,
                                                std::vector<PeerFile>* files,
                                                bool withTolerance = false) {
    std::string listing;
    const int status = RunCommand(oracle + " make " + dir.Path().string(), &listing);
    if (status != 0)
        return ::testing::AssertionFailure() << "the oracle exited with " << status;
    std::istringstream lines(listing);
    PeerFile file;
    while ((lines >> file.name >> file.width >> file.height >> file.bits) &&
           (!withTolerance || lines >> file.tolerance))
        files->push_back(file);
    return ::testing::AssertionSuccess();
}

// Size and depth as listed, non-fatally.
inline void ExpectShape(const CDibImage& picture, const PeerFile& file) {
    EXPECT_EQ(picture.GetWidth(), file.width);
    EXPECT_EQ(picture.GetHeight(), file.height);
    EXPECT_EQ(picture.GetBitCount(), file.bits);
}

// Runs `oracle make` into `dir` and calls check(file) for each file it
// lists, under a trace of the file's name; a fatal failure in one stops the
// walk, as it would end a test's own loop. Returns how many files it listed.
template <typename Check>
std::size_t ForEachPeerFile(const std::string& oracle, const TempDir& dir, Check check,
                            bool withTolerance = false) {
    std::vector<PeerFile> files;
    const ::testing::AssertionResult made = MakePeerFiles(oracle, dir, &files, withTolerance);
    EXPECT_TRUE(made);
    for (const PeerFile& file : files) {
        SCOPED_TRACE(file.name);
        check(file);
        if (::testing::Test::HasFatalFailure())
            break;
    }
    return files.size();
}

// The oracle tests that run both peers, skipped where one is missing.
class PeerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HavePillowAndMagick())
            GTEST_SKIP() << "Pillow or ImageMagick is not installed";
    }
    TempDir dir;
};

// Writes what `picture` shows beside `file` (as `rgb`) and has the oracle
// check that its peers decode `file` to the same: `oracle check FILE RGB
// ARGUMENTS`.
inline ::testing::AssertionResult PeersSeeOurPixels(const std::string& oracle,
                                                    const CDibImage& picture,
                                                    const std::string& file, const std::string& rgb,
                                                    const std::string& arguments = "") {
    WriteFile(rgb, ToRgb(picture));
    const std::string command = oracle + " check " + file + " " + rgb + " " + arguments;
    const int status = RunCommand(command);
    if (status != 0)
        return ::testing::AssertionFailure() << command << " exited with " << status;
    return ::testing::AssertionSuccess();
}

// The largest difference of any one byte, 256 when the sizes differ.
inline int MaxDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size())
        return 256;
    int most = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        most = std::max(most, std::abs(int{a[i]} - int{b[i]}));
    return most;
}

// A palette of 1 << bits entries distinct from one another.
inline void SetRampPalette(CDibImage& picture, unsigned bits) {
    std::vector<gdi::RGBQUAD> table(1u << bits);
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = {static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(255 - i),
                    static_cast<std::uint8_t>(i * 7 + 1), 0};
    picture.SetPalette(0, static_cast<unsigned>(table.size()), table.data());
}

// Pixel bytes from byteAt(x, y), row padding included, and at 8 bits or
// fewer (`ramp`) the palette of SetRampPalette.
template <typename ByteAt>
CDibImage PatternPicture(std::uint32_t width, std::uint32_t height, unsigned bits, ByteAt byteAt,
                         bool ramp = true) {
    CDibImage picture;
    picture.Create(width, height, bits);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < picture.GetStride(); ++x)
            picture.GetRow(y)[x] = static_cast<std::uint8_t>(byteAt(x, y));
    if (ramp && bits <= 8)
        SetRampPalette(picture, bits);
    return picture;
}

// Random pixel bytes below `levels` and, at 8 bits or fewer, random colours.
inline CPicture RandomPicture(std::uint32_t width, std::uint32_t height, unsigned bits,
                              unsigned seed, unsigned levels = 256) {
    CPicture picture;
    picture.Create(width, height, bits);
    std::mt19937 rng(seed);
    const std::size_t rowBytes = (std::size_t{width} * bits + 7) / 8;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::size_t i = 0; i < rowBytes; ++i)
            picture.GetRow(y)[i] = static_cast<std::uint8_t>(rng() % levels);
    if (bits <= 8) {
        gdi::RGBQUAD table[256];
        for (auto& q : table)
            q = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                 static_cast<std::uint8_t>(rng()), 0};
        picture.SetPalette(0, 1u << bits, table);
    }
    return picture;
}

}  // namespace codec_test
