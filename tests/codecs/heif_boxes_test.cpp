// The canvases of grid and overlay pictures are read from item data laid
// out every way the container allows, only for the pictures that decoding
// the primary one reaches; damaged boxes are refused with a reason.

#include "codecs/heif_boxes.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string_view>
#include <vector>

#include "codecs/codec_error.h"

namespace {

using namespace std::string_view_literals;
using Bytes = std::vector<std::uint8_t>;

Bytes Be(std::uint64_t value, int size) {
    Bytes out;
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    return out;
}

Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes Box(std::string_view type, const Bytes& body) {
    return Cat({Be(8 + body.size(), 4), Text(type), body});
}

Bytes FullBox(std::string_view type, int version, const Bytes& body) {
    return Box(type, Cat({Be(version, 1), Be(0, 3), body}));
}

struct Item {
    std::uint32_t id;
    std::string_view type;
};

Bytes Iinf(std::initializer_list<Item> items) {
    Bytes body = Be(items.size(), 2);
    for (const Item& item : items) {
        const Bytes entry =
            FullBox("infe", 2, Cat({Be(item.id, 2), Be(0, 2), Text(item.type), Bytes{0}}));
        body.insert(body.end(), entry.begin(), entry.end());
    }
    return FullBox("iinf", 0, body);
}

struct Reference {
    std::string_view type;
    std::uint32_t from;
    std::vector<std::uint32_t> to;
};

Bytes Iref(std::initializer_list<Reference> references) {
    Bytes body;
    for (const Reference& reference : references) {
        Bytes fields = Cat({Be(reference.from, 2), Be(reference.to.size(), 2)});
        for (const std::uint32_t to : reference.to)
            fields = Cat({fields, Be(to, 2)});
        body = Cat({body, Box(reference.type, fields)});
    }
    return FullBox("iref", 0, body);
}

struct Location {
    std::uint32_t id;
    int method;  // 0: the file, 1: 'idat'
    std::vector<std::pair<std::uint32_t, std::uint32_t>> extents;
    int dataReference = 0;
};

// Version 1: 32-bit offsets and lengths, no base offset, a method per item.
Bytes Iloc(std::initializer_list<Location> locations) {
    Bytes body = Cat({Bytes{0x44, 0x00}, Be(locations.size(), 2)});
    for (const Location& location : locations) {
        body = Cat({body, Be(location.id, 2), Be(location.method, 2), Be(location.dataReference, 2),
                    Be(location.extents.size(), 2)});
        for (const auto& [offset, length] : location.extents)
            body = Cat({body, Be(offset, 4), Be(length, 4)});
    }
    return FullBox("iloc", 1, body);
}

Bytes Pitm(std::uint32_t id) {
    return FullBox("pitm", 0, Be(id, 2));
}

Bytes GridData(std::uint32_t width, std::uint32_t height, bool wide) {
    return Cat({Bytes{0, wide ? std::uint8_t{1} : std::uint8_t{0}, 1, 1}, Be(width, wide ? 4 : 2),
                Be(height, wide ? 4 : 2)});
}

Bytes OverlayData(std::uint32_t width, std::uint32_t height, bool wide) {
    return Cat({Bytes{0, wide ? std::uint8_t{1} : std::uint8_t{0}}, Bytes(8, 0xff),
                Be(width, wide ? 4 : 2), Be(height, wide ? 4 : 2), Bytes(wide ? 16 : 8, 0)});
}

Bytes File(const Bytes& meta, const Bytes& mdat = {}) {
    return Cat(
        {Box("ftyp", Text("heic\0\0\0\0mif1heic"sv)), FullBox("meta", 0, meta), Box("mdat", mdat)});
}

// Where the data of an 'mdat' box at the end of a file of `metaBody` bytes
// of meta starts (the boxes before it have fixed sizes).
std::uint32_t MdatStart(const Bytes& metaBody) {
    return static_cast<std::uint32_t>(File(metaBody).size());
}

bool SameCanvases(const std::vector<HeifCanvas>& read,
                  std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> expected) {
    if (read.size() != expected.size())
        return false;
    auto next = read.begin();
    for (const auto& [width, height] : expected)
        if (next->width != width || (next++)->height != height)
            return false;
    return true;
}

TEST(HeifBoxes, CanvasesAreReadFromIdatAndFromTheFileAcrossExtents) {
    const Bytes grid = GridData(300, 200, false);
    const Bytes overlay = OverlayData(70000, 5, true);
    // The overlay's data is stored in two extents, its second part first,
    // split in the middle of its fill colour.
    const Bytes head(overlay.begin(), overlay.begin() + 5);
    const Bytes tail(overlay.begin() + 5, overlay.end());
    const auto size = static_cast<std::uint32_t>(tail.size());
    const auto meta = [&](std::uint32_t at) {
        return Cat({Pitm(1), Iinf({{1, "grid"}, {2, "iovl"}, {3, "hvc1"}}),
                    Iloc({{.id = 1, .method = 1, .extents = {{4, 8}}},
                          {.id = 2, .method = 0, .extents = {{at + size, 5}, {at, size}}}}),
                    Iref({{"dimg", 1, {2, 3}}}), Box("idat", Cat({Bytes(4, 0xee), grid}))});
    };
    const Bytes file = File(meta(MdatStart(meta(0))), Cat({tail, head}));
    std::vector<HeifCanvas> canvases;
    ASSERT_TRUE(ReadHeifCanvases(file, canvases)) << LastImageError();
    EXPECT_TRUE(SameCanvases(canvases, {{300, 200}, {70000, 5}}));
}

TEST(HeifBoxes, OnlyThePicturesDecodingReachesAreRead) {
    // 1 is coded directly; its alpha (2) is a grid of grid 3; 3 and 4 name
    // each other, 5 is a thumbnail and 6 stands alone, neither decoded.
    const Bytes meta = Cat(
        {Pitm(1),
         Iinf({{1, "hvc1"}, {2, "grid"}, {3, "grid"}, {4, "iovl"}, {5, "grid"}, {6, "iovl"}}),
         Iloc({{.id = 2, .method = 1, .extents = {{0, 8}}},
               {.id = 3, .method = 1, .extents = {{8, 12}}},
               {.id = 4, .method = 1, .extents = {{20, 0}}},
               {.id = 5, .method = 1, .extents = {{999, 8}}}}),
         Iref({{"auxl", 2, {1}},
               {"dimg", 2, {3}},
               {"dimg", 3, {4}},
               {"dimg", 4, {3}},
               {"thmb", 5, {1}},
               {"dimg", 6, {6}}}),
         Box("idat",
             Cat({GridData(10, 20, false), GridData(30, 40, true), OverlayData(50, 60, false)}))});
    std::vector<HeifCanvas> canvases;
    ASSERT_TRUE(ReadHeifCanvases(File(meta), canvases)) << LastImageError();
    EXPECT_TRUE(SameCanvases(canvases, {{10, 20}, {30, 40}, {50, 60}}));

    // A file of coded pictures only has no canvas.
    ASSERT_TRUE(ReadHeifCanvases(File(Cat({Pitm(7), Iinf({{7, "hvc1"}})})), canvases));
    EXPECT_TRUE(canvases.empty());
}

TEST(HeifBoxes, DamagedItemBoxesAreRefusedWithAReason) {
    const auto refusal = [](const Bytes& file) {
        std::vector<HeifCanvas> canvases;
        ClearImageError();
        return ReadHeifCanvases(file, canvases) ? std::string("read") : LastImageError();
    };
    const Bytes types = Iinf({{1, "grid"}});
    const Bytes idat = Box("idat", GridData(8, 8, false));
    EXPECT_EQ(refusal(File(Cat({Pitm(1), types, Iloc({{1, 1, {{2, 6}}}}), idat}))),
              "damaged HEIF file: a derived picture's data is cut short");
    EXPECT_EQ(refusal(File(Cat({Pitm(1), types, Iloc({{1, 1, {{4, 8}}}}), idat}))),
              "damaged HEIF file: a derived picture's data lies past the end");
    EXPECT_EQ(refusal(File(Cat({Pitm(1), types, Iloc({{1, 0, {{0xffffff00u, 8}}}})}))),
              "damaged HEIF file: a derived picture's data lies past the end");
    EXPECT_EQ(refusal(File(Cat({Pitm(1), types, idat}))),
              "damaged HEIF file: a derived picture has no data");
    EXPECT_EQ(refusal(File(Cat({Pitm(1), types, Iloc({{1, 0, {{0, 8}}, 1}})}))),
              "unsupported HEIF file: a derived picture's data is not in the file");
    EXPECT_EQ(refusal(File(Cat({types, Iloc({{1, 1, {{0, 8}}}}), idat}))),
              "damaged HEIF file: no primary picture");
    EXPECT_EQ(refusal(Box("ftyp", Text("heic\0\0\0\0"sv))),
              "damaged HEIF file: no readable 'meta' box");

    // Every cut of a whole file, and every single byte changed, is read or
    // refused; never read past the bytes given (the sanitizers watch).
    const Bytes whole =
        File(Cat({Pitm(1), types, Iloc({{1, 1, {{0, 8}}}}), idat, Iref({{"dimg", 1, {1}}})}));
    std::vector<HeifCanvas> canvases;
    ASSERT_TRUE(ReadHeifCanvases(whole, canvases));
    const std::size_t mdatStart = whole.size() - 8;  // what follows 'meta' is not read
    for (std::size_t size = 0; size < mdatStart; ++size) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_NE(refusal(cut), "read") << size;
    }
    for (std::size_t at = 0; at < whole.size(); ++at) {
        Bytes changed = whole;
        changed[at] ^= 0x81;
        ReadHeifCanvases(changed, canvases);
    }
}

}  // namespace
