// The profile store: every typed form written and read back, the parsing
// cases that can go wrong, the sticky section and the file name rules.

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/paths.h"
#include "shell/ini_file.h"

namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "drapewell-ini-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        ini_.SetFileName((dir_ / "test.ini").string());
        ini_.SetSection("S");
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string FileText() const {
        std::ifstream in(ini_.GetFileName(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Stores `value` as the raw text of `key`.
    void Store(const char* key, const char* value) { ASSERT_TRUE(ini_.WriteString(key, value)); }
    std::string Raw(const char* key) { return ini_.GetLongString(key, "<missing>"); }

    fs::path dir_;
    CIniFile ini_;
};

TEST_F(IniFileTest, EveryTypeWritesItsFormAndReadsBack) {
    ini_.WriteInt("Int", -42);
    ini_.WriteBool("Bool", true);
    ini_.WriteWord("Word", 65535);
    ini_.WriteUInt64("U64", 18446744073709551615ull);
    ini_.WriteDouble("Double", 3.14159265);
    ini_.WriteFloat("Float", 0.5f);
    ini_.WritePoint("Point", {-3, 7});
    ini_.WriteRect("Rect", {1, 2, 3, 4});
    ini_.WriteColor("Color", gdi::RGB(10, 20, 30));
    EXPECT_EQ(Raw("Int"), "-42");
    EXPECT_EQ(Raw("Bool"), "1");
    EXPECT_EQ(Raw("Word"), "65535");
    EXPECT_EQ(Raw("U64"), "18446744073709551615");
    EXPECT_EQ(Raw("Double"), "3.14159");
    EXPECT_EQ(Raw("Float"), "0.5");
    EXPECT_EQ(Raw("Point"), "(-3,7)");
    EXPECT_EQ(Raw("Rect"), "(2,1,4,3)") << "written top first";
    EXPECT_EQ(Raw("Color"), "RGB(10,20,30)");

    EXPECT_EQ(ini_.GetInt("Int", 0), -42);
    EXPECT_TRUE(ini_.GetBool("Bool", false));
    EXPECT_EQ(ini_.GetWord("Word", 0), 65535);
    EXPECT_EQ(ini_.GetUInt64("U64", 0), 18446744073709551615ull);
    EXPECT_DOUBLE_EQ(ini_.GetDouble("Double", 0), 3.14159);
    EXPECT_EQ(ini_.GetFloat("Float", 0), 0.5f);
    EXPECT_EQ(ini_.GetPoint("Point", 0, 0), (gdi::POINT{-3, 7}));
    EXPECT_EQ(ini_.GetRect("Rect", {}), (gdi::RECT{1, 2, 3, 4}));
    EXPECT_EQ(ini_.GetColor("Color", 0), gdi::RGB(10, 20, 30));
}

TEST_F(IniFileTest, MissingKeysGiveTheDefaultThroughItsTextForm) {
    EXPECT_EQ(ini_.GetInt("None", 17), 17);
    EXPECT_EQ(ini_.GetString("None", "text"), "text");
    EXPECT_EQ(ini_.GetString("None"), "");
    EXPECT_EQ(ini_.GetWord("None", 9), 9);
    EXPECT_EQ(ini_.GetUInt64("None", 5), 5u);
    EXPECT_EQ(ini_.GetDouble("None", 1234567.0), 1234570.0) << "via 1.23457e+06";
    EXPECT_EQ(ini_.GetRect("None", {1, 2, 3, 4}), (gdi::RECT{1, 2, 3, 4}));
    EXPECT_EQ(ini_.GetPoint("None", 5, 6), (gdi::POINT{5, 6}));
    EXPECT_EQ(ini_.GetColor("None", 0x01030201), 0x00030201u) << "the text form has no high byte";
    EXPECT_FALSE(fs::exists(ini_.GetFileName())) << "reads create nothing";
}

TEST_F(IniFileTest, PresentButBadTextsParseAsTheirTypeSays) {
    Store("A", "abc");
    Store("B", "12abc");
    Store("E", "");
    Store("Yes", "yes");
    Store("Two", "2");
    Store("Big", "99999999999");
    EXPECT_EQ(ini_.GetInt("A", 5), 0);
    EXPECT_EQ(ini_.GetInt("B", 5), 12);
    EXPECT_EQ(ini_.GetInt("E", 5), 0);
    EXPECT_EQ(ini_.GetInt("Big", 5), 2147483647) << "stops at the end of the range";
    EXPECT_FALSE(ini_.GetBool("Yes", true));
    EXPECT_TRUE(ini_.GetBool("Two", false));
    EXPECT_EQ(ini_.GetDouble("A", 1.5), 0.0);
    EXPECT_EQ(ini_.GetUInt64("A", 77), 77u) << "no number: the default";
    EXPECT_EQ(ini_.GetWord("Big", 1), static_cast<std::uint16_t>(2147483647));

    Store("Red", "RGB(300,0,-1)");
    Store("Short", "RGB(1,2)");
    EXPECT_EQ(ini_.GetColor("Red", 0), gdi::RGB(44, 0, 255)) << "modulo 256";
    EXPECT_EQ(ini_.GetColor("Short", 0x01020304), 0x01020304u) << "the whole default";

    Store("Plain", "1,2,3,4");
    Store("Broken", "5,6,x");
    EXPECT_EQ(ini_.GetRect("Plain", {}), (gdi::RECT{1, 2, 3, 4}));
    EXPECT_EQ(ini_.GetRect("Broken", {9, 8, 7, 6}), (gdi::RECT{9, 8, 7, 6}));
    Store("HalfPoint", "(1,");
    EXPECT_EQ(ini_.GetPoint("HalfPoint", 3, 4), (gdi::POINT{3, 4}));
}

TEST_F(IniFileTest, LongValuesAreCutByGetStringOnly) {
    const std::string value(300, 'v');
    Store("Long", value.c_str());
    EXPECT_EQ(ini_.GetString("Long"), value.substr(0, 255));
    EXPECT_EQ(ini_.GetLongString("Long"), value);
    Store("Huge", std::string(40000, 'h').c_str());
    EXPECT_EQ(ini_.GetLongString("Huge").size(), CIniFile::kMaxLongString);
}

TEST_F(IniFileTest, BlocksUseLetterPairsAndComeBackWhole) {
    const std::vector<std::uint8_t> bytes = {0x01, 0xFF};
    ASSERT_TRUE(ini_.WriteBlock("Block", bytes));
    EXPECT_EQ(Raw("Block"), "BAPP");
    std::vector<std::uint8_t> read;
    ASSERT_TRUE(ini_.GetBlock("Block", read));
    EXPECT_EQ(read, bytes);

    Store("Odd", "ABC");
    ASSERT_TRUE(ini_.GetBlock("Odd", read));
    EXPECT_EQ(read, std::vector<std::uint8_t>{0x10});
    EXPECT_FALSE(ini_.GetBlock("Missing", read));
    EXPECT_TRUE(read.empty());

    std::vector<std::uint8_t> large(1000);
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<std::uint8_t>(i * 37);
    ASSERT_TRUE(ini_.WriteBlock("Large", large));
    ASSERT_TRUE(ini_.GetBlock("Large", read));
    EXPECT_EQ(read, large) << "not cut at 255 letters";
}

TEST_F(IniFileTest, ScalarArraysJoinWithCommasAndFillGapsWithTheDefault) {
    Store("Two", "1, 2");
    Store("Gap", "1,,3");
    std::array<int, 3> ints{};
    ini_.ExchangeArray(true, std::span(ints), "Two", nullptr, -1);
    EXPECT_EQ(ints, (std::array<int, 3>{1, 2, -1}));
    ini_.ExchangeArray(true, std::span(ints), "Gap", nullptr, -1);
    EXPECT_EQ(ints, (std::array<int, 3>{1, -1, 3}));

    std::array<double, 2> doubles{0.25, 1e10};
    ini_.ExchangeArray(false, std::span(doubles), "Doubles");
    EXPECT_EQ(Raw("Doubles"), "0.25,1e+10");
    std::array<std::string, 3> texts{"a", "b c", "d"};
    ini_.ExchangeArray(false, std::span(texts), "Texts");
    texts = {};
    ini_.ExchangeArray(true, std::span(texts), "Texts");
    EXPECT_EQ(texts, (std::array<std::string, 3>{"a", "b c", "d"}));
    std::array<std::uint8_t, 2> bytes{};
    Store("Bytes", "255,256");
    ini_.ExchangeArray(true, std::span(bytes), "Bytes");
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 2>{255, 0}));

    // A list longer than 255 characters comes back whole, never a cut number.
    std::vector<int> many(100, 123456);
    ini_.ExchangeArray(false, std::span(many), "Many");
    std::vector<int> back(100);
    ini_.ExchangeArray(true, std::span(back), "Many");
    EXPECT_EQ(back, many);

    const std::string before = FileText();
    ini_.ExchangeArray(false, std::span<int>(), "Empty");
    ini_.ExchangeArray(true, std::span(ints).first(0), "Two");
    EXPECT_EQ(FileText(), before) << "an empty array neither reads nor writes";
}

TEST_F(IniFileTest, PointAndRectArraysUseOneKeyEach) {
    std::array<gdi::POINT, 2> points{{{1, 2}, {3, 4}}};
    ini_.ExchangeArray(false, std::span(points), "P");
    EXPECT_EQ(Raw("P_0"), "(1,2)");
    EXPECT_EQ(Raw("P_1"), "(3,4)");
    std::array<gdi::POINT, 3> read{};
    ini_.ExchangeArray(true, std::span(read), "P", nullptr, 9, 9);
    EXPECT_EQ(read[1], (gdi::POINT{3, 4}));
    EXPECT_EQ(read[2], (gdi::POINT{9, 9}));

    std::array<gdi::RECT, 1> rects{{{1, 2, 3, 4}}};
    ini_.ExchangeArray(false, std::span(rects), "R");
    rects = {};
    ini_.ExchangeArray(true, std::span(rects), "R");
    EXPECT_EQ(rects[0], (gdi::RECT{1, 2, 3, 4}));
}

TEST_F(IniFileTest, ExchangeLoadsOrSavesEachScalar) {
    short s = -2;
    unsigned short u = 65535;
    bool flag = true;
    gdi::COLORREF colour = gdi::RGB(1, 2, 3);
    std::string text = "hello";
    ini_.Exchange(false, s, "Short");
    ini_.Exchange(false, u, "UShort");
    ini_.Exchange(false, flag, "Flag");
    ini_.Exchange(false, colour, "Colour");
    ini_.Exchange(false, text, "Text");
    s = 0, u = 0, flag = false, colour = 0, text.clear();
    ini_.Exchange(true, s, "Short");
    ini_.Exchange(true, u, "UShort");
    ini_.Exchange(true, flag, "Flag");
    ini_.Exchange(true, colour, "Colour");
    ini_.Exchange(true, text, "Text");
    EXPECT_EQ(s, -2);
    EXPECT_EQ(u, 65535);
    EXPECT_TRUE(flag);
    EXPECT_EQ(colour, gdi::RGB(1, 2, 3));
    EXPECT_EQ(text, "hello");
    int missing = 5;
    ini_.Exchange(true, missing, "Missing", nullptr, 8);
    EXPECT_EQ(missing, 8);
}

TEST_F(IniFileTest, AGivenSectionStaysCurrent) {
    ini_.WriteInt("K", 1, "First");
    ini_.WriteInt("K", 2);  // still First
    EXPECT_EQ(ini_.GetSection(), "First");
    EXPECT_EQ(ini_.GetInt("K", 0, "S"), 0);
    EXPECT_EQ(ini_.GetSection(), "S") << "a getter moves it too";
    EXPECT_EQ(ini_.GetInt("K", 0, "First"), 2);
    ASSERT_TRUE(ini_.DeleteKey("K"));
    EXPECT_EQ(ini_.GetInt("K", 0), 0);
    EXPECT_EQ(FileText(), "[First]\n");
}

TEST_F(IniFileTest, FileNamesResolveAgainstTheProgramDirectory) {
    CIniFile store;
    EXPECT_EQ(store.GetFileName(), GetModuleDirectory() + "shell_tests.ini");
    EXPECT_EQ(store.GetSection(), "shell_tests");
    store.SetFileName("Paper.ini");
    EXPECT_EQ(store.GetFileName(), GetModuleDirectory() + "Paper.ini");
    store.SetFileName("sub/x.ini");
    EXPECT_EQ(store.GetFileName(), GetModuleDirectory() + "sub/x.ini");
    store.SetFileName("/etc/x.ini");
    EXPECT_EQ(store.GetFileName(), "/etc/x.ini");
    store.SetLocation("relative.ini", nullptr);
    EXPECT_EQ(store.GetFileName(), "relative.ini") << "taken as it is";

    const CIniFile named("a.ini", "");
    EXPECT_EQ(named.GetSection(), "shell_tests");
    const CIniFile copy(named);
    EXPECT_EQ(copy.GetFileName(), GetModuleDirectory() + "a.ini");
}

TEST_F(IniFileTest, OneStoreSharedByTwoThreadsLosesNoWrite) {
    std::thread job([this] {
        for (int i = 0; i < 200; ++i)
            ini_.WriteString("LaterPaper", "/pictures/" + std::to_string(i) + ".jpg");
    });
    for (int i = 0; i < 200; ++i)
        ini_.WriteInt("Key" + std::to_string(i), i);
    job.join();
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(ini_.GetInt("Key" + std::to_string(i), -1), i);
    EXPECT_EQ(ini_.GetString("LaterPaper"), "/pictures/199.jpg");
}

}  // namespace
