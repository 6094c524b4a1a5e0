// AVIF: files avifenc makes at 8, 10 and 12 bits read as avifdec reads them,
// our files read the same in avifdec, and damaged or oversized input is
// refused with a reason.

#include <gtest/gtest.h>

#include "codecs/avif.h"
#include "codecs/codec_error.h"
#include "codecs/dispatch.h"
#include "codecs/probe.h"
#include "tests/codecs/codec_test_support.h"
#include "tests/codecs/webp_test_support.h"

namespace {

using codec_test::ReadFile;
using codec_test::TempDir;
using webp_test::Bytes;
using webp_test::PixelBytes;

std::string Oracle() {
    return codec_test::Oracle(DRAPEWELL_AVIF_ORACLE);
}

class AvifOracle : public ::testing::Test {
protected:
    void SetUp() override {
        if (!codec_test::HavePillow() ||
            codec_test::RunCommand("command -v avifenc avifdec >/dev/null") != 0)
            GTEST_SKIP() << "the AVIF tools or Pillow are not installed";
    }
    TempDir dir;
};

TEST_F(AvifOracle, PeerFilesReadAsAvifdecReadsThem) {
    const std::size_t count = codec_test::ForEachPeerFile(
        Oracle(), dir,
        [&](const codec_test::PeerFile& file) {
            const std::string path = dir / (file.name + ".avif");
            CPicture picture;
            ClearImageError();
            ASSERT_TRUE(LoadImageFile(picture, path)) << LastImageError();
            codec_test::ExpectShape(picture, file);
            EXPECT_EQ(PixelBytes(picture), ReadFile(dir / (file.name + ".expect")));
            webp_test::ExpectCutsRefusedOrDecoded(
                ReadFile(dir / (file.name + ".avif")),
                [](CPicture& p, auto data) { return DecodeAvifMemory(p, data); });
            EXPECT_LE(file.tolerance, file.name.starts_with("lossless") ? 0 : 48);
            // The probe gives the samples' own depth, per channel.
            CPicture scratch;
            ImageFileInfo info;
            ReadImageFileInfo(scratch, path, &info);
            EXPECT_EQ(info.type, std::uint32_t{kImageAvif});
            EXPECT_EQ(info.width, static_cast<std::int32_t>(file.width));
            EXPECT_EQ(info.height, static_cast<std::int32_t>(file.height));
            const unsigned depth = file.name.find("10") != std::string::npos   ? 10
                                   : file.name.find("12") != std::string::npos ? 12
                                                                               : 8;
            EXPECT_EQ(info.bitsPerPixel, depth * file.bits / 8);
            EXPECT_EQ(info.imageCount, file.name == "sequence" ? 2 : 1);
        },
        true);
    EXPECT_EQ(count, 8u);
}

TEST_F(AvifOracle, OurFilesReadTheSameInAvifdec) {
    struct Case {
        const char* name;
        CPicture picture;
    };
    const Case cases[] = {
        {"gradient24", webp_test::Gradient(37, 23, 24)},
        {"alpha32", webp_test::Gradient(17, 9, 32)},
        {"palette8", codec_test::RandomPicture(8, 6, 8, 1, 4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / (std::string(c.name) + ".avif");
        ASSERT_TRUE(SaveImageFile(c.picture, path));
        CPicture back;
        ASSERT_TRUE(LoadImageFile(back, path));
        EXPECT_EQ(back.GetBitCount(), c.picture.GetBitCount() == 32 ? 32 : 24);
        EXPECT_EQ(PixelBytes(back, true), webp_test::PeerReading(Oracle(), path));
    }
    CPicture gradient, alpha;
    ASSERT_TRUE(LoadImageFile(gradient, dir / "gradient24.avif"));
    EXPECT_LT(webp_test::MeanDifference(PixelBytes(gradient), PixelBytes(cases[0].picture)), 3.0);
    // Alpha is kept exactly, colours closely.
    ASSERT_TRUE(LoadImageFile(alpha, dir / "alpha32.avif"));
    const Bytes ours = PixelBytes(alpha), source = PixelBytes(cases[1].picture);
    for (std::size_t i = 3; i < ours.size(); i += 4)
        ASSERT_EQ(ours[i], source[i]) << "pixel " << i / 4;
    EXPECT_LT(webp_test::MeanDifference(ours, source), 3.0);
}

TEST(AvifDecode, CutAndDamagedFilesAreRefusedWithAReasonOrDecoded) {
    for (const CPicture& picture :
         {webp_test::Gradient(64, 48, 24), webp_test::Gradient(40, 30, 32)}) {
        Bytes file;
        ASSERT_TRUE(EncodeAvif(picture, 85, file));
        webp_test::ExpectCutsRefusedOrDecoded(
            file, [](CPicture& p, auto data) { return DecodeAvifMemory(p, data); });
        for (std::size_t at = 20; at < file.size(); at += file.size() / 9) {
            Bytes damaged = file;
            for (std::size_t i = at; i < std::min(at + 6, damaged.size()); ++i)
                damaged[i] ^= 0xA5;
            CPicture decoded;
            ClearImageError();
            if (!DecodeAvifMemory(decoded, damaged)) {
                EXPECT_FALSE(LastImageError().empty());
            }
        }
    }
}

TEST(AvifDecode, ThePixelCapIsCheckedBeforeTheAv1DecoderRuns) {
    Bytes file;
    ASSERT_TRUE(EncodeAvif(webp_test::Gradient(101, 50, 24), 85, file));
    CPicture picture = webp_test::Gradient(3, 3, 24);
    ClearImageError();
    // Rows of 303 bytes padded to 304: the padding counts.
    EXPECT_FALSE(DecodeAvifMemory(picture, file, 304 * 50 - 1));
    EXPECT_EQ(LastImageError(), "picture too large");
    EXPECT_FALSE(picture.IsValid());
    // Far past the cap, the library's own limit refuses the container.
    ClearImageError();
    EXPECT_FALSE(DecodeAvifMemory(picture, file, 3 * 1000));
    EXPECT_FALSE(LastImageError().empty());
    EXPECT_TRUE(DecodeAvifMemory(picture, file, 304 * 50));
}

TEST(AvifSignature, BrandsInTheFileTypeBox) {
    const auto box = [](std::string brands) {
        std::string ftyp =
            std::string(3, '\0') + static_cast<char>(8 + brands.size()) + "ftyp" + brands;
        return Bytes(ftyp.begin(), ftyp.end());
    };
    EXPECT_TRUE(HasAvifSignature(box(std::string("avif\0\0\0\0", 8))));
    EXPECT_TRUE(HasAvifSignature(box(std::string("mif1\0\0\0\0miafavis", 16))));
    EXPECT_FALSE(HasAvifSignature(box(std::string("heic\0\0\0\0mif1heic", 16))));
    // A brand past the box's own end does not count.
    Bytes shortBox = box(std::string("heic\0\0\0\0avif", 12));
    shortBox[3] = 16;
    EXPECT_FALSE(HasAvifSignature(shortBox));
    EXPECT_FALSE(HasAvifSignature(Bytes(10, 0)));
}

}  // namespace
