#include "codecs/codec_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "codec_test_support.h"
#include "codecs/bmp.h"
#include "codecs/gif.h"
#include "codecs/probe.h"
#include "codecs/tga.h"

namespace {

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return upper;
}

// An 8-bit grey-ramp picture: the one kind every format's writer takes.
CPicture GreyPicture() {
    CPicture picture;
    EXPECT_TRUE(picture.Create(16, 8, 8));
    EXPECT_TRUE(picture.SetGreyPalette());
    for (std::uint32_t y = 0; y < 8; ++y)
        for (std::uint32_t x = 0; x < 16; ++x)
            picture.GetRow(y)[x] = static_cast<std::uint8_t>(x * 16);
    return picture;
}

TEST(CodecTable, EveryRowIsFoundByItsTypeAndEachExtension) {
    std::set<std::uint32_t> types;
    for (const CodecRow& codec : CodecTable()) {
        SCOPED_TRACE(codec.extensions.front());
        EXPECT_TRUE(types.insert(codec.type).second) << "type listed twice";
        EXPECT_EQ(FindCodec(codec.type), &codec);
        ASSERT_NE(codec.decode, nullptr);
        ASSERT_NE(codec.save, nullptr);
        for (std::string_view extension : codec.extensions) {
            EXPECT_EQ(FindCodecForPath("dir.x/name." + std::string(extension)), &codec);
            EXPECT_EQ(ImageTypeFromExtension("NAME." + Upper(extension)), codec.type);
        }
    }
    EXPECT_EQ(types.size(), 11u);
    EXPECT_EQ(FindCodec(kImageUnknown), nullptr);
    EXPECT_EQ(FindCodec(static_cast<ImageType>(kImageBmp | kImagePng)), nullptr);
    EXPECT_EQ(FindCodecForPath("trailing."), nullptr);
}

// What each row's writer produces must carry the signature its own sniff
// knows, claimed by no row listed before it, and read back through the
// table under its extension.
TEST(CodecTable, EachWriterOutputIsSniffedAsItsOwnFormat) {
    codec_test::TempDir dir;
    const CPicture picture = GreyPicture();
    for (const CodecRow& codec : CodecTable()) {
        const std::string path = dir / ("p." + std::string(codec.extensions.front()));
        SCOPED_TRACE(path);
        // HEIF and JPEG XL are read only: their rows refuse every save.
        if (codec.type == kImageHeif || codec.type == kImageJxl) {
            EXPECT_FALSE(codec.save(picture, path));
            continue;
        }
        ASSERT_TRUE(codec.save(picture, path));
        const std::vector<std::uint8_t> bytes = codec_test::ReadFile(path);
        const CodecRow* sniffed = SniffCodec(bytes);
        if (codec.sniff) {
            EXPECT_EQ(sniffed, &codec);
        } else {
            // A format without a signature must not be mistaken for another.
            EXPECT_EQ(sniffed, nullptr);
        }
        CPicture loaded;
        ASSERT_TRUE(LoadImageFile(loaded, path));
        EXPECT_EQ(loaded.GetWidth(), 16u);
        EXPECT_EQ(loaded.GetHeight(), 8u);
    }
    EXPECT_EQ(SniffCodec({}), nullptr);
}

// BMP and GIF keep the old picture when the file cannot be opened; the rest
// empty it. LoadImageFile follows each format's own loader.
TEST(CodecTable, AnUnopenableFileFollowsEachFormatsRule) {
    codec_test::TempDir dir;
    for (const CodecRow& codec : CodecTable()) {
        const std::string missing = dir / ("missing." + std::string(codec.extensions.front()));
        SCOPED_TRACE(missing);
        CPicture picture = GreyPicture();
        EXPECT_FALSE(LoadImageFile(picture, missing));
        EXPECT_EQ(picture.IsValid(), codec.keepsPictureWhenUnopened);
    }
    CPicture bmp = GreyPicture();
    EXPECT_FALSE(LoadBmp(bmp, dir / "missing.bmp"));
    EXPECT_TRUE(bmp.IsValid());
    CPicture gif = GreyPicture();
    EXPECT_FALSE(LoadGif(gif, dir / "missing.gif"));
    EXPECT_TRUE(gif.IsValid());
    CPicture tga = GreyPicture();
    EXPECT_FALSE(LoadTga(tga, dir / "missing.tga"));
    EXPECT_FALSE(tga.IsValid());
}

// The header probe picks its reader by the table's signatures, not by name.
TEST(CodecTable, TheProbeReadsHeadersWhateverTheName) {
    codec_test::TempDir dir;
    const CPicture picture = GreyPicture();
    for (ImageType type : {kImageBmp, kImageGif, kImagePcx, kImageWebp, kImageAvif}) {
        const std::string path = dir / "renamed.dat";
        ASSERT_TRUE(FindCodec(type)->save(picture, path));
        CPicture scratch;
        ImageFileInfo info{};
        ReadImageFileInfo(scratch, path, &info);
        EXPECT_EQ(info.type, type);
        EXPECT_EQ(info.width, 16);
        EXPECT_EQ(info.height, 8);
    }
}

}  // namespace
