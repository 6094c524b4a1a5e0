// The BMP codec: the exact layout of saved files, what the reader refuses,
// and saves that fail without harming the file they would replace.

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstring>

#include "codecs/bmp.h"
#include "image/editable_image.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::ReadFile;
using codec_test::TempDir;
using codec_test::ToRgb;

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}

CEditableImage Picture(std::int64_t width, std::int64_t height, std::uint32_t bits) {
    CEditableImage picture(false);
    const std::uint32_t masks565[3] = {0xF800, 0x07E0, 0x001F};
    picture.Create(width, height, bits, bits == 16 ? gdi::BI_BITFIELDS : gdi::BI_RGB,
                   bits == 16 ? masks565 : nullptr, true);
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
        for (std::uint32_t x = 0; x < picture.GetStride(); ++x)
            picture.GetRow(y)[x] = static_cast<std::uint8_t>(x * 13 + y * 71 + 5);
    return picture;
}

std::vector<std::uint8_t> Encode(const CDibImage& picture) {
    std::vector<std::uint8_t> bytes(EncodedBmpSize(picture));
    EXPECT_TRUE(EncodeBmp(picture, bytes));
    return bytes;
}

TEST(BmpSave, LayoutIsExactForEveryDepth) {
    struct Case {
        std::uint32_t bits;
        std::uint32_t pixelOffset;
    };
    for (const Case c :
         {Case{1, 62}, Case{4, 118}, Case{8, 1078}, Case{16, 70}, Case{24, 70}, Case{32, 70}}) {
        SCOPED_TRACE(c.bits);
        const CEditableImage picture = Picture(3, 2, c.bits);
        TempDir dir;
        ASSERT_TRUE(SaveBmp(picture, dir / "w.bmp"));
        const auto file = ReadFile(dir / "w.bmp");
        const std::uint32_t stride = ((3 * c.bits + 31) / 32) * 4;
        ASSERT_EQ(file.size(), c.pixelOffset + stride * 2);
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(U32(file, 2), file.size());
        EXPECT_EQ(U32(file, 6), 0u);  // both reserved words
        EXPECT_EQ(U32(file, 10), c.pixelOffset);
        EXPECT_EQ(U32(file, 14), 40u);
        EXPECT_EQ(U32(file, 18), 3u);
        EXPECT_EQ(U32(file, 22), 2u);  // bottom row first
        EXPECT_EQ(file[26] | file[27] << 8, 1);
        EXPECT_EQ(file[28] | file[29] << 8, static_cast<int>(c.bits));
        EXPECT_EQ(U32(file, 30), c.bits == 16 ? gdi::BI_BITFIELDS : gdi::BI_RGB);
        EXPECT_EQ(0, std::memcmp(file.data() + c.pixelOffset, picture.GetBits(), stride * 2));
        if (c.bits == 16) {
            EXPECT_EQ(U32(file, 54), 0xF800u);
            EXPECT_EQ(U32(file, 58), 0x07E0u);
            EXPECT_EQ(U32(file, 62), 0x001Fu);
            EXPECT_EQ(U32(file, 66), 0u);
        } else if (c.bits > 8) {
            // Sixteen reserved bytes before the pixels, all zero.
            EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.begin() + 70),
                      std::vector<std::uint8_t>(16, 0));
        } else {
            std::vector<gdi::RGBQUAD> table(1u << c.bits);
            picture.GetPalette(0, static_cast<unsigned>(table.size()), table.data());
            EXPECT_EQ(0, std::memcmp(file.data() + 54, table.data(), table.size() * 4));
        }
        CEditableImage back(false);
        ASSERT_TRUE(LoadBmp(back, dir / "w.bmp"));
        EXPECT_EQ(ToRgb(back), ToRgb(picture));
    }
}

TEST(BmpSave, EmptyPictureWritesNothing) {
    TempDir dir;
    CEditableImage empty(false);
    EXPECT_FALSE(SaveBmp(empty, dir / "none.bmp"));
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(BmpLoad, TopDownFilesLoadUpright) {
    const CEditableImage picture = Picture(5, 4, 24);
    auto bytes = Encode(picture);
    const std::size_t stride = picture.GetStride(), offset = U32(bytes, 10);
    std::vector<std::uint8_t> flipped(bytes.begin(), bytes.begin() + offset);
    for (std::size_t row = 4; row-- > 0;)
        flipped.insert(flipped.end(), bytes.begin() + offset + row * stride,
                       bytes.begin() + offset + (row + 1) * stride);
    PutU32(flipped, 22, static_cast<std::uint32_t>(-4));
    CEditableImage back(false);
    ASSERT_TRUE(DecodeBmpMemory(back, flipped));
    EXPECT_EQ(back.GetHeight(), 4u);
    EXPECT_EQ(ToRgb(back), ToRgb(picture));
}

TEST(BmpLoad, ColourTableFollowsLargerHeaders) {
    // A 124-byte header: 84 more header bytes between the 40 and the table.
    const CEditableImage picture = Picture(4, 3, 4);
    const auto plain = Encode(picture);
    std::vector<std::uint8_t> v5(plain.begin(), plain.begin() + 54);
    v5.insert(v5.end(), 84, 0);
    v5.insert(v5.end(), plain.begin() + 54, plain.end());
    PutU32(v5, 14, 124);
    PutU32(v5, 10, U32(plain, 10) + 84);
    CEditableImage back(false);
    ASSERT_TRUE(DecodeBmpMemory(back, v5));
    EXPECT_EQ(ToRgb(back), ToRgb(picture));
}

TEST(BmpLoad, ShortColourTableDeclaredByColoursUsed) {
    // Eight colours used of 256: the table ends at the pixels, and entries
    // past it are never taken from the pixel bytes.
    const CEditableImage picture = Picture(4, 2, 8);
    const auto plain = Encode(picture);
    std::vector<std::uint8_t> file(plain.begin(), plain.begin() + 54 + 8 * 4);
    file.insert(file.end(), plain.begin() + 1078, plain.end());
    PutU32(file, 10, 54 + 8 * 4);
    PutU32(file, 46, 8);
    PutU32(file, 2, static_cast<std::uint32_t>(file.size()));
    CEditableImage back(false);
    ASSERT_TRUE(DecodeBmpMemory(back, file));
    gdi::RGBQUAD entry, want;
    back.GetPaletteEntry(7, &entry);
    picture.GetPaletteEntry(7, &want);
    EXPECT_EQ(entry, want);
    back.GetPaletteEntry(8, &entry);
    EXPECT_EQ(entry, (gdi::RGBQUAD{8, 8, 8, 0}));  // the grey ramp, not pixel bytes
    EXPECT_EQ(0, std::memcmp(back.GetBits(), picture.GetBits(), picture.GetStride() * 2));
}

TEST(BmpLoad, DamagedHeadersAreRefusedAndLeaveNoPicture) {
    const auto good = Encode(Picture(6, 3, 8));
    struct Damage {
        const char* what;
        std::size_t at;
        std::uint32_t value;
    };
    for (const Damage d : {
             Damage{"core header", 14, 12},
             Damage{"header past the end", 14, 100000},
             Damage{"RLE4 at 8 bits", 30, gdi::BI_RLE4},
             Damage{"bit fields at 8 bits", 30, gdi::BI_BITFIELDS},
             Damage{"JPEG inside", 30, 4},
             Damage{"zero width", 18, 0},
             Damage{"negative width", 18, 0xFFFFFFFF},
             Damage{"most negative height", 22, 0x80000000},
             Damage{"huge picture", 18, 0x7FFFFFFF},
             Damage{"bit count 7", 28, 7},
             Damage{"pixels past the end", 10, 1100},
             Damage{"pixel offset wraps", 10, 0xFFFFFFF0},
             Damage{"colours used beyond the file", 46, 0},
         }) {
        SCOPED_TRACE(d.what);
        auto bytes = good;
        if (std::strcmp(d.what, "colours used beyond the file") == 0) {
            bytes.resize(54 + 16);  // 4 entries present, the full 256 declared
        } else if (std::strcmp(d.what, "bit count 7") == 0) {
            bytes[28] = 7;
        } else {
            PutU32(bytes, d.at, d.value);
        }
        if (std::strcmp(d.what, "huge picture") == 0)
            PutU32(bytes, 22, 0x7FFFFFFF);
        CEditableImage picture = Picture(2, 2, 24);
        EXPECT_FALSE(DecodeBmpMemory(picture, bytes));
        EXPECT_FALSE(picture.IsValid());
    }
}

TEST(BmpLoad, TruncatedFilesFailCleanly) {
    for (const std::uint32_t bits : {1u, 4u, 8u, 16u, 24u, 32u}) {
        SCOPED_TRACE(bits);
        const auto bytes = Encode(Picture(9, 4, bits));
        for (std::size_t length = 0; length < bytes.size(); length += 7) {
            // A copy of exactly `length` bytes, so that a read past it shows
            // under the address sanitizer.
            const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + length);
            CEditableImage picture(false);
            EXPECT_FALSE(DecodeBmpMemory(picture, cut)) << length;
        }
    }
}

TEST(BmpLoad, MissingEmptyAndSpecialFilesFail) {
    TempDir dir;
    codec_test::WriteFile(dir / "empty.bmp", {});
    CEditableImage picture = Picture(2, 2, 24);
    EXPECT_FALSE(LoadBmp(picture, dir / "missing.bmp"));
    EXPECT_TRUE(picture.IsValid()) << "a file that cannot be opened changes nothing";
    EXPECT_FALSE(LoadBmp(picture, dir.Path().string()));
    EXPECT_FALSE(LoadBmp(picture, "/dev/zero"));
    EXPECT_FALSE(LoadBmp(picture, dir / "empty.bmp"));
    EXPECT_FALSE(picture.IsValid());
}

// Saves `picture` over a file that already holds `old` where writing
// cannot succeed, and checks that the old file is still whole and alone.
void ExpectSaveFailsKeepingOld(const TempDir& dir, const std::string& target,
                               const std::vector<std::uint8_t>& old) {
    EXPECT_EQ(ReadFile(target), old);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"w.bmp"});
}

TEST(BmpSave, ReadOnlyDirectoryFailsAndKeepsOldFile) {
    TempDir dir;
    const std::string target = dir / "w.bmp";
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    codec_test::WriteFile(target, old);
    bool readOnly = false;
    if (geteuid() == 0) {
        // Permission bits do not stop root; a read-only mount does.
        readOnly = mount("none", dir.Path().c_str(), "tmpfs", 0, "size=64k") == 0;
        if (readOnly) {
            codec_test::WriteFile(target, old);
            readOnly =
                mount("none", dir.Path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
        }
    } else {
        readOnly = chmod(dir.Path().c_str(), 0555) == 0;
    }
    if (readOnly) {
        EXPECT_FALSE(SaveBmp(Picture(8, 8, 24), target));
        ExpectSaveFailsKeepingOld(dir, target, old);
    }
    if (geteuid() == 0)
        umount2(dir.Path().c_str(), MNT_DETACH);
    if (!readOnly)
        GTEST_SKIP() << "cannot make a read-only directory here";
}

TEST(BmpSave, FullDiskFailsAndKeepsOldFile) {
    TempDir dir;
    if (geteuid() != 0 || mount("none", dir.Path().c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    const std::string target = dir / "w.bmp";
    const std::vector<std::uint8_t> old(1000, 0x5A);
    codec_test::WriteFile(target, old);
    EXPECT_FALSE(SaveBmp(Picture(200, 200, 24), target));  // 120 kB
    ExpectSaveFailsKeepingOld(dir, target, old);
    EXPECT_TRUE(SaveBmp(Picture(20, 20, 24), target)) << "a picture that fits still saves";
    umount2(dir.Path().c_str(), MNT_DETACH);
}

TEST(BmpSave, FileSizeLimitFailsAndKeepsOldFile) {
    // The unprivileged way to run out of room: a file size limit, in a child
    // so that the limit stays there.
    TempDir dir;
    const std::string target = dir / "w.bmp";
    const std::vector<std::uint8_t> old(1000, 0xA5);
    codec_test::WriteFile(target, old);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(SaveBmp(Picture(200, 200, 24), target) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save claimed success";
    ExpectSaveFailsKeepingOld(dir, target, old);
}

}  // namespace
