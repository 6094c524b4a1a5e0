// WebP: files made by the reference tools read as those tools read them, our
// files read the same in dwebp, and damaged or oversized input is refused
// with a reason.

#include <gtest/gtest.h>

#include <cstring>

#include "codecs/codec_error.h"
#include "codecs/dispatch.h"
#include "codecs/probe.h"
#include "codecs/webp.h"
#include "tests/codecs/codec_test_support.h"
#include "tests/codecs/webp_test_support.h"

namespace {

using codec_test::ReadFile;
using codec_test::TempDir;
using webp_test::Bytes;
using webp_test::PixelBytes;

std::string Oracle() {
    return codec_test::Oracle(DRAPEWELL_WEBP_ORACLE);
}

class WebpOracle : public ::testing::Test {
protected:
    void SetUp() override {
        if (!codec_test::HavePillow() ||
            codec_test::RunCommand("command -v cwebp dwebp img2webp webpmux >/dev/null") != 0)
            GTEST_SKIP() << "the WebP tools or Pillow are not installed";
    }
    TempDir dir;
};

bool Contains(const Bytes& bytes, const char* text) {
    return std::search(bytes.begin(), bytes.end(), text, text + std::strlen(text)) != bytes.end();
}

TEST_F(WebpOracle, PeerFilesReadAsThePeersReadThem) {
    const std::size_t count = codec_test::ForEachPeerFile(
        Oracle(), dir,
        [&](const codec_test::PeerFile& file) {
            CPicture picture;
            ClearImageError();
            ASSERT_TRUE(LoadImageFile(picture, dir / (file.name + ".webp"))) << LastImageError();
            codec_test::ExpectShape(picture, file);
            EXPECT_EQ(PixelBytes(picture), ReadFile(dir / (file.name + ".expect")));
            webp_test::ExpectCutsRefusedOrDecoded(
                ReadFile(dir / (file.name + ".webp")),
                [](CPicture& p, auto data) { return DecodeWebpMemory(p, data); });
            CPicture scratch;
            ImageFileInfo info;
            ReadImageFileInfo(scratch, dir / (file.name + ".webp"), &info);
            EXPECT_EQ(info.type, std::uint32_t{kImageWebp});
            EXPECT_EQ(info.width, static_cast<std::int32_t>(file.width));
            EXPECT_EQ(info.imageCount, file.name.starts_with("anim") ? 2 : 1);
            // Lossless files and animations of lossless frames hold their
            // source exactly; lossy coding of these smooth pictures strays
            // a little.
            if (file.name.starts_with("loss") && !file.name.starts_with("lossless"))
                EXPECT_LE(file.tolerance, 48);
            else
                EXPECT_EQ(file.tolerance, 0);
        },
        true);
    EXPECT_EQ(count, 8u);
}

// Palette and alpha pictures go lossless (and come back exactly), the rest
// lossy; dwebp reads every file as we do.
TEST_F(WebpOracle, OurFilesReadTheSameInDwebp) {
    CPicture noAlpha = codec_test::RandomPicture(19, 11, 32, 3);
    for (std::uint32_t y = 0; y < 11; ++y)
        for (std::uint32_t x = 0; x < 19; ++x)
            noAlpha.GetRow(y)[4 * x + 3] = 0;
    struct Case {
        const char* name;
        CPicture picture;
        bool lossless;
    };
    const Case cases[] = {
        {"gradient24", webp_test::Gradient(37, 23, 24), false},
        {"palette8", codec_test::RandomPicture(21, 13, 8, 1), true},
        {"palette1", codec_test::RandomPicture(9, 3, 1, 2), true},
        {"alpha32", codec_test::RandomPicture(17, 9, 32, 4), true},
        {"unusedalpha32", noAlpha, false},
        {"wide16", codec_test::RandomPicture(5, 4, 16, 5), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / (std::string(c.name) + ".webp");
        ASSERT_TRUE(SaveImageFile(c.picture, path));
        const Bytes file = ReadFile(path);
        EXPECT_EQ(Contains(file, "VP8L"), c.lossless);
        CPicture back;
        ASSERT_TRUE(LoadImageFile(back, path));
        EXPECT_EQ(back.GetBitCount(), std::string(c.name) == "alpha32" ? 32 : 24);
        EXPECT_EQ(PixelBytes(back, true), webp_test::PeerReading(Oracle(), path));
        if (c.lossless && c.picture.GetBitCount() == 32) {
            EXPECT_EQ(PixelBytes(back), PixelBytes(c.picture));
        } else if (c.lossless) {
            EXPECT_EQ(codec_test::ToRgb(back), codec_test::ToRgb(c.picture));
        }
    }
    // Lossy at quality 85 stays close to a smooth picture.
    CPicture lossy;
    ASSERT_TRUE(LoadImageFile(lossy, dir / "gradient24.webp"));
    EXPECT_LT(webp_test::MeanDifference(PixelBytes(lossy), PixelBytes(cases[0].picture)), 3.0);
}

TEST(WebpDecode, CutAndDamagedFilesAreRefusedWithAReasonOrDecoded) {
    for (const CPicture& picture :
         {webp_test::Gradient(64, 48, 24), codec_test::RandomPicture(40, 30, 32, 7),
          codec_test::RandomPicture(33, 17, 8, 8)}) {
        Bytes file;
        ASSERT_TRUE(EncodeWebp(picture, 85, file));
        webp_test::ExpectCutsRefusedOrDecoded(
            file, [](CPicture& p, auto data) { return DecodeWebpMemory(p, data); });
        // Bytes overwritten past the headers.
        for (std::size_t at = 30; at < file.size(); at += file.size() / 7) {
            Bytes damaged = file;
            for (std::size_t i = at; i < std::min(at + 8, damaged.size()); ++i)
                damaged[i] ^= 0x5A;
            CPicture decoded;
            ClearImageError();
            if (!DecodeWebpMemory(decoded, damaged)) {
                EXPECT_FALSE(LastImageError().empty());
            }
        }
    }
    CPicture picture;
    ClearImageError();
    EXPECT_FALSE(DecodeWebpMemory(picture, Bytes{'R', 'I', 'F', 'F'}));
    EXPECT_EQ(LastImageError(), "not a WebP file");
}

TEST(WebpDecode, ThePixelCapIsCheckedBeforeAnythingIsDecoded) {
    Bytes file;
    ASSERT_TRUE(EncodeWebp(webp_test::Gradient(100, 50, 24), 85, file));
    CPicture picture = webp_test::Gradient(3, 3, 24);
    ClearImageError();
    // Rows of 300 bytes, 50 of them.
    EXPECT_FALSE(DecodeWebpMemory(picture, file, 300 * 50 - 1));
    EXPECT_EQ(LastImageError(), "picture too large");
    EXPECT_FALSE(picture.IsValid());
    EXPECT_TRUE(DecodeWebpMemory(picture, file, 300 * 50));
}

TEST(WebpEncode, RefusesWhatWebpCannotHoldAndKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir / "old.webp";
    codec_test::WriteFile(path, {'o', 'l', 'd'});
    CPicture wide;
    ASSERT_TRUE(wide.Create(kWebpMaxSide + 1, 1, 24));
    ClearImageError();
    EXPECT_FALSE(SaveImageFile(wide, path));
    EXPECT_FALSE(LastImageError().empty());
    EXPECT_EQ(ReadFile(path), (Bytes{'o', 'l', 'd'}));
    Bytes out{1, 2};
    EXPECT_FALSE(EncodeWebp(CPicture(), 85, out));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(dir.Entries().size(), 1u);
}

}  // namespace
