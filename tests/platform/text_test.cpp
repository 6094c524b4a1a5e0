#include "platform/base/text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

using namespace platform;

TEST(TextCase, FoldsAsciiLettersOnly) {
    EXPECT_TRUE(EqualsIgnoreCase("GNOME-Classic", "gnome-CLASSIC"));
    EXPECT_TRUE(EqualsIgnoreCase("", ""));
    EXPECT_FALSE(EqualsIgnoreCase("KDE", "KDE "));
    EXPECT_FALSE(EqualsIgnoreCase("kde", "kdf"));
    // '@' and '[' sit next to 'A' and 'Z'; '`' and '{' next to 'a' and 'z'.
    EXPECT_FALSE(EqualsIgnoreCase("@[", "`{"));
    // Bytes of 128 and up are never folded, whatever the locale: "É" (C3 89)
    // and "é" (C3 A9) differ, and Latin-1 0xC9 is not 0xE9.
    EXPECT_FALSE(EqualsIgnoreCase("\xC3\x89", "\xC3\xA9"));
    EXPECT_FALSE(EqualsIgnoreCase("\xC9", "\xE9"));
    EXPECT_TRUE(EqualsIgnoreCase("Caf\xC3\xA9.JPG", "caf\xC3\xA9.jpg"));
    // Embedded NULs are compared, not taken as the end.
    EXPECT_FALSE(EqualsIgnoreCase(std::string_view("a\0b", 3), std::string_view("a\0c", 3)));
    EXPECT_EQ(LowercaseAscii("XDG:Sway\xC3\x89"), "xdg:sway\xC3\x89");
}

TEST(TextCase, PrefixesAndOrder) {
    EXPECT_TRUE(StartsWithIgnoreCase("Center", "CEN"));
    EXPECT_TRUE(StartsWithIgnoreCase("Center", ""));
    EXPECT_FALSE(StartsWithIgnoreCase("Cen", "Center"));
    EXPECT_FALSE(StartsWithIgnoreCase("Tile", "ile"));

    EXPECT_EQ(CompareIgnoreCase("abc", "ABC"), 0);
    EXPECT_LT(CompareIgnoreCase("apple", "Banana"), 0);
    EXPECT_GT(CompareIgnoreCase("Zebra", "apple"), 0);
    // A prefix sorts first; '_' (0x5F) lies between 'B' and 'b', so it sorts
    // before every letter once they are folded.
    EXPECT_LT(CompareIgnoreCase("Photo", "photo1"), 0);
    EXPECT_GT(CompareIgnoreCase("B", "_"), 0);
    // Bytes of 128 and up sort after every ASCII byte.
    EXPECT_GT(CompareIgnoreCase("\xC3\xA9", "z"), 0);
}

TEST(FileNameParts, ExtensionComesFromTheLastComponent) {
    EXPECT_EQ(ExtensionOf("photo.final.JPG"), "JPG");
    EXPECT_EQ(ExtensionOf("/pics/holiday.2023/beach.png"), "png");
    // Dots in folder names never make an extension.
    EXPECT_EQ(ExtensionOf("/pics/holiday.2023/beach"), "");
    EXPECT_EQ(ExtensionOf("pics.jpg/"), "");
    EXPECT_EQ(ExtensionOf("README"), "");
    EXPECT_EQ(ExtensionOf("trailing."), "");
    EXPECT_EQ(ExtensionOf(""), "");
    // A hidden file's leading dot counts like any other.
    EXPECT_EQ(ExtensionOf("/home/u/.bashrc"), "bashrc");
    EXPECT_EQ(ExtensionOf(".hidden.Tga"), "Tga");
    // Non-ASCII bytes are kept as they are.
    EXPECT_EQ(ExtensionOf("\xC3\xA9t\xC3\xA9.J\xC3\x89"), "J\xC3\x89");

    EXPECT_EQ(DottedExtensionOf("dir.d/MyWallPaper.bmp"), ".bmp");
    EXPECT_EQ(DottedExtensionOf("dir.d/MyWallPaper"), "");
    EXPECT_EQ(DottedExtensionOf("MyWallPaper."), "");
}

TEST(FileNameParts, NameAndStem) {
    EXPECT_EQ(FileNameOf("/usr/bin/drapewell"), "drapewell");
    EXPECT_EQ(FileNameOf("drapewell"), "drapewell");
    EXPECT_EQ(FileNameOf("/usr/bin/"), "");

    EXPECT_EQ(StemOf("/opt/app.d/Drapewell.exe"), "Drapewell");
    EXPECT_EQ(StemOf("/opt/app.d/drapewell"), "drapewell");
    EXPECT_EQ(StemOf("archive.tar.gz"), "archive.tar");
    EXPECT_EQ(StemOf("trailing."), "trailing");
    EXPECT_EQ(StemOf(".bashrc"), "");
}
