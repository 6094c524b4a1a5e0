// GIF files written by Pillow and ImageMagick decode to their colours, image
// by image; the files we write decode to ours in Pillow.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/dispatch.h"
#include "codecs/gif.h"
#include "tests/codecs/codec_test_support.h"

namespace {

using codec_test::ForEachPeerFile;
using codec_test::PeerFile;
using codec_test::RandomPicture;
using codec_test::ReadFile;
using codec_test::RunCommand;
using codec_test::ToRgb;
using GifOracle = codec_test::PeerTest;

std::string Oracle() {
    return codec_test::Oracle(DRAPEWELL_GIF_ORACLE);
}

TEST_F(GifOracle, PeerFilesDecodeToTheirColours) {
    const std::size_t count = ForEachPeerFile(Oracle(), dir, [&](const PeerFile& file) {
        const int images = static_cast<int>(file.bits);  // the third number counts images
        CPicture picture;
        ASSERT_TRUE(LoadGif(picture, dir / (file.name + ".gif")));
        ASSERT_EQ(picture.GetGifInfo()->imageCount, images);
        for (int n = 1; n <= images; ++n) {
            SCOPED_TRACE(n);
            if (n > 1) {
                ASSERT_EQ(DecodeGifFrame(picture), kGifDecoded);
            }
            EXPECT_EQ(picture.GetBitCount(), 8);
            EXPECT_EQ(picture.GetWidth(), file.width);
            EXPECT_EQ(picture.GetHeight(), file.height);
            EXPECT_EQ(ToRgb(picture),
                      ReadFile(dir / (file.name + "." + std::to_string(n) + ".rgb")));
        }
        EXPECT_EQ(DecodeGifFrame(picture), kGifPastLastImage);
    });
    EXPECT_EQ(count, 13u);
}

// LoadImageFile shows the first image on its screen, as Pillow does, with
// the global table's background colour around it; LoadGif and the frame
// functions keep each image at its own size.
TEST_F(GifOracle, FirstImagesSitOnTheirScreen) {
    const std::size_t count =
        ForEachPeerFile(Oracle() + " --screen", dir, [&](const PeerFile& file) {
            const std::string path = dir / (file.name + ".gif");
            CPicture screen;
            ASSERT_TRUE(LoadImageFile(screen, path));
            EXPECT_EQ(screen.GetBitCount(), 8);
            EXPECT_EQ(screen.GetWidth(), file.width);
            EXPECT_EQ(screen.GetHeight(), file.height);
            EXPECT_EQ(ToRgb(screen), ReadFile(dir / (file.name + ".screen.rgb")));
            CPicture frame;
            ASSERT_TRUE(LoadGif(frame, path));
            EXPECT_LT(frame.GetWidth() * frame.GetHeight(), file.width * file.height);
            // The state goes on to the next image, at its own size.
            for (unsigned n = 2; n <= file.bits; ++n) {
                ASSERT_EQ(DecodeGifFrame(screen), kGifDecoded);
                ASSERT_EQ(DecodeGifFrame(frame), kGifDecoded);
                EXPECT_EQ(ToRgb(screen), ToRgb(frame));
            }
            EXPECT_EQ(DecodeGifFrame(screen), kGifPastLastImage);
        });
    EXPECT_EQ(count, 6u);
}

TEST_F(GifOracle, OurFilesDecodeInPillow) {
    struct Case {
        unsigned bits;
        bool global;
        std::uint32_t width, height;
    };
    // The last one fills the code table several times over.
    for (const Case c : {Case{1, false, 33, 7}, Case{4, true, 19, 11}, Case{8, false, 23, 5},
                         Case{8, true, 640, 480}}) {
        SCOPED_TRACE(c.bits);
        const CPicture picture = RandomPicture(c.width, c.height, c.bits, c.bits + c.width);
        const std::string path = dir / ("ours" + std::to_string(c.bits) + ".gif");
        ASSERT_TRUE(SaveGif(picture, path, c.global));
        // Further images, each with its own colours.
        const CPicture second = RandomPicture(c.width, c.height, c.bits, 77);
        ASSERT_TRUE(AppendGifFrame(second, path, false, 250, -1));
        for (int n = 1; n <= 2; ++n) {
            std::string out;
            ASSERT_EQ(RunCommand(Oracle() + " decode " + path + " " + std::to_string(n), &out), 0);
            EXPECT_EQ(out, std::to_string(c.width) + " " + std::to_string(c.height) + " 2\n");
            EXPECT_EQ(ReadFile(path + "." + std::to_string(n) + ".rgb"),
                      ToRgb(n == 1 ? picture : second));
        }
    }
}

}  // namespace
