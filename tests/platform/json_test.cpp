#include "platform/base/json.h"

#include <gtest/gtest.h>

#include <string>

namespace platform {
namespace {

TEST(Json, ReadsNestedValuesOfEveryKind) {
    const auto doc = ParseJson(R"( [ {"name": "DP-1", "rect": {"x": -1920, "y": 0.5e1},
        "active": true, "off": false, "none": null, "list": [1, [2], {}]}, [] ] )");
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->IsArray());
    ASSERT_EQ(doc->Items().size(), 2u);
    const JsonValue& output = doc->Items()[0];
    EXPECT_EQ(output.StringAt("name"), "DP-1");
    EXPECT_EQ(output.Find("rect")->NumberAt("x"), -1920);
    EXPECT_EQ(output.Find("rect")->NumberAt("y"), 5);
    EXPECT_TRUE(output.BoolAt("active"));
    EXPECT_FALSE(output.BoolAt("off", true));
    EXPECT_EQ(output.Find("none")->kind(), JsonValue::Kind::kNull);
    EXPECT_EQ(output.Find("list")->Items().size(), 3u);
    // Absent or mistyped members give the fallback.
    EXPECT_EQ(output.NumberAt("name", 7), 7);
    EXPECT_EQ(output.StringAt("missing"), "");
    EXPECT_EQ(output.Find("missing"), nullptr);
}

TEST(Json, DecodesEscapesIncludingSurrogatePairs) {
    const auto doc = ParseJson(R"({"s": "a\"b\\c\/\n\u00e9\ud83d\ude00\ud800x"})");
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->StringAt("s"), "a\"b\\c/\n\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBDx");
}

TEST(Json, RefusesMalformedAndHostileDocuments) {
    for (const char* bad : {"", "[", "[1,]", "{\"a\" 1}", "{\"a\":1,}", "[1] x", "\"open", "[tru]",
                            "[+1]", "{1:2}", "[\"\x01\"]", "[\"\\u12\"]", "[1.2.3]"}) {
        std::string why;
        EXPECT_FALSE(ParseJson(bad, &why)) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
    // Deep nesting is refused, not followed to a stack overflow.
    EXPECT_FALSE(ParseJson(std::string(100000, '[') + std::string(100000, ']')));
    EXPECT_TRUE(ParseJson(std::string(60, '[') + std::string(60, ']')));
}

}  // namespace
}  // namespace platform
