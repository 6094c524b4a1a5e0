#include <gtest/gtest.h>

#include <cstdlib>

#include "codecs/jpeg.h"
#include "codecs/png.h"
#include "platform/base/resources.h"

namespace {

// tests/fixtures/sample.{png,jpg}, a 6 x 4 gradient, are linked into this
// program as resources named "Sample" of types "PNG" and "JPEG".
TEST(Resources, PicturesLinkedIntoTheProgramLoadByNameAndType) {
    CPicture png;
    ASSERT_TRUE(LoadPngResource(png, "sample", "png"));  // case does not matter
    ASSERT_EQ(png.GetWidth(), 6u);
    ASSERT_EQ(png.GetHeight(), 4u);
    ASSERT_EQ(png.GetBitCount(), 24u);

    CPicture jpeg;
    ASSERT_TRUE(LoadJpegResource(jpeg, "SAMPLE", "JPEG"));
    ASSERT_EQ(jpeg.GetWidth(), 6u);
    ASSERT_EQ(jpeg.GetHeight(), 4u);
    // The JPEG is a lossy copy of the same gradient.
    for (std::uint32_t y = 0; y < 4; ++y)
        for (std::uint32_t x = 0; x < 18; ++x)
            EXPECT_LE(std::abs(int(jpeg.GetRow(y)[x]) - int(png.GetRow(y)[x])), 24)
                << "byte " << x << " of row " << y;
}

TEST(Resources, MissingNamesAndWrongTypesFail) {
    EXPECT_TRUE(platform::FindResource("Sample", "Bitmap").empty());
    EXPECT_TRUE(platform::FindResource("Other", "PNG").empty());
    CPicture picture;
    EXPECT_FALSE(LoadPngResource(picture, "Other", "PNG"));
    // The JPEG resource's bytes handed to the PNG reader do not decode.
    EXPECT_FALSE(LoadPngResource(picture, "Sample", "JPEG"));
    EXPECT_FALSE(picture.IsValid());
}

}  // namespace
