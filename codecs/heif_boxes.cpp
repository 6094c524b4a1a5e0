#include "codecs/heif_boxes.h"

#include <algorithm>
#include <limits>
#include <map>
#include <set>
#include <string_view>

#include "codecs/codec_error.h"

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint32_t FourCC(std::string_view name) {
    return std::uint32_t{static_cast<std::uint8_t>(name[0])} << 24 |
           std::uint32_t{static_cast<std::uint8_t>(name[1])} << 16 |
           std::uint32_t{static_cast<std::uint8_t>(name[2])} << 8 |
           static_cast<std::uint8_t>(name[3]);
}

// A grid's data is at most 12 bytes before its canvas size is known, an
// overlay's at most 18.
constexpr std::size_t kCanvasDataBytes = 18;

// More extents than this for one item are read past, not kept: the canvas
// size lies in the first bytes of the item's data.
constexpr std::size_t kKeptExtents = 16;

// Reads forward through bytes, never past their end.
class Cursor {
public:
    explicit Cursor(Bytes bytes) : bytes_(bytes) {}

    std::size_t Left() const { return bytes_.size(); }

    bool Read(std::size_t size, std::uint64_t& value) {
        if (size > bytes_.size())
            return false;
        value = ReadBigEndian(bytes_, size);
        bytes_ = bytes_.subspan(size);
        return true;
    }

    bool Take(std::size_t size, Bytes& taken) {
        if (size > bytes_.size())
            return false;
        taken = bytes_.first(size);
        bytes_ = bytes_.subspan(size);
        return true;
    }

private:
    Bytes bytes_;
};

struct Box {
    std::uint32_t type = 0;
    Bytes body;
};

// The box at the cursor. A size of 0 runs to the end of what holds it; 1
// means a 64-bit size follows the type.
bool NextBox(Cursor& in, Box& box) {
    const std::size_t available = in.Left();
    std::uint64_t size = 0;
    std::uint64_t type = 0;
    if (!in.Read(4, size) || !in.Read(4, type))
        return false;
    std::size_t header = 8;
    if (size == 1) {
        if (!in.Read(8, size))
            return false;
        header = 16;
    } else if (size == 0) {
        size = available;
    }
    if (size < header || size > available)
        return false;
    box.type = static_cast<std::uint32_t>(type);
    return in.Take(static_cast<std::size_t>(size - header), box.body);
}

// A full box starts with a version byte and 24 bits of flags.
bool ReadVersion(Cursor& in, std::uint64_t& version) {
    std::uint64_t flags = 0;
    return in.Read(1, version) && in.Read(3, flags);
}

struct Location {
    std::uint64_t method = 0;  // 0: in the file; 1: in the 'idat' box
    std::vector<std::pair<std::uint64_t, std::uint64_t>> extents;  // offset, length
};

struct Reference {
    std::uint32_t type = 0;
    std::uint32_t from = 0;
    std::vector<std::uint32_t> to;
};

struct Items {
    std::uint32_t primary = 0;
    bool hasPrimary = false;
    std::map<std::uint32_t, std::uint32_t> types;
    std::map<std::uint32_t, Location> locations;
    std::vector<Reference> references;
    Bytes idat;
};

bool ReadPrimary(Bytes body, Items& items) {
    Cursor in(body);
    std::uint64_t version = 0;
    std::uint64_t id = 0;
    if (!ReadVersion(in, version) || !in.Read(version == 0 ? 2 : 4, id))
        return false;
    items.primary = static_cast<std::uint32_t>(id);
    items.hasPrimary = true;
    return true;
}

// Item information entries of version 2 and 3 carry the item's type; the
// older ones predate derived pictures and are passed over.
bool ReadItemTypes(Bytes body, Items& items) {
    Cursor in(body);
    std::uint64_t version = 0;
    std::uint64_t count = 0;
    if (!ReadVersion(in, version) || !in.Read(version == 0 ? 2 : 4, count))
        return false;
    Box entry;
    while (in.Left() > 0) {
        if (!NextBox(in, entry))
            return false;
        if (entry.type != FourCC("infe"))
            continue;
        Cursor fields(entry.body);
        std::uint64_t entryVersion = 0;
        std::uint64_t id = 0;
        std::uint64_t protection = 0;
        std::uint64_t type = 0;
        if (!ReadVersion(fields, entryVersion))
            return false;
        if (entryVersion < 2)
            continue;
        if (!fields.Read(entryVersion == 2 ? 2 : 4, id) || !fields.Read(2, protection) ||
            !fields.Read(4, type))
            return false;
        items.types[static_cast<std::uint32_t>(id)] = static_cast<std::uint32_t>(type);
    }
    return true;
}

bool ReadLocations(Bytes body, Items& items) {
    Cursor in(body);
    std::uint64_t version = 0;
    std::uint64_t sizes = 0;
    std::uint64_t moreSizes = 0;
    std::uint64_t count = 0;
    if (!ReadVersion(in, version) || version > 2 || !in.Read(1, sizes) || !in.Read(1, moreSizes) ||
        !in.Read(version < 2 ? 2 : 4, count))
        return false;
    const std::size_t offsetSize = sizes >> 4;
    const std::size_t lengthSize = sizes & 15;
    const std::size_t baseSize = moreSizes >> 4;
    const std::size_t indexSize = version == 0 ? 0 : moreSizes & 15;
    for (const std::size_t size : {offsetSize, lengthSize, baseSize, indexSize})
        if (size != 0 && size != 4 && size != 8)
            return false;
    for (std::uint64_t item = 0; item < count; ++item) {
        std::uint64_t id = 0;
        std::uint64_t method = 0;
        std::uint64_t dataReference = 0;
        std::uint64_t base = 0;
        std::uint64_t extents = 0;
        if (!in.Read(version < 2 ? 2 : 4, id) || (version != 0 && !in.Read(2, method)) ||
            !in.Read(2, dataReference) || !in.Read(baseSize, base) || !in.Read(2, extents))
            return false;
        Location& location = items.locations[static_cast<std::uint32_t>(id)];
        location = {.method = dataReference != 0 ? ~std::uint64_t{0} : method & 15, .extents = {}};
        // Extents of no bytes at all each name the whole of the data.
        if (offsetSize + lengthSize + indexSize == 0)
            extents = std::min<std::uint64_t>(extents, 1);
        for (std::uint64_t extent = 0; extent < extents; ++extent) {
            std::uint64_t index = 0;
            std::uint64_t offset = 0;
            std::uint64_t length = 0;
            if (!in.Read(indexSize, index) || !in.Read(offsetSize, offset) ||
                !in.Read(lengthSize, length))
                return false;
            if (offset > std::numeric_limits<std::uint64_t>::max() - base)
                return false;
            if (location.extents.size() < kKeptExtents)
                location.extents.emplace_back(base + offset, length);
        }
    }
    return true;
}

bool ReadReferences(Bytes body, Items& items) {
    Cursor in(body);
    std::uint64_t version = 0;
    if (!ReadVersion(in, version))
        return false;
    const std::size_t idSize = version == 0 ? 2 : 4;
    Box box;
    while (in.Left() > 0) {
        if (!NextBox(in, box))
            return false;
        Cursor fields(box.body);
        std::uint64_t from = 0;
        std::uint64_t count = 0;
        if (!fields.Read(idSize, from) || !fields.Read(2, count) || count * idSize > fields.Left())
            return false;
        Reference& reference = items.references.emplace_back(
            Reference{.type = box.type, .from = static_cast<std::uint32_t>(from), .to = {}});
        for (std::uint64_t i = 0; i < count; ++i) {
            std::uint64_t to = 0;
            fields.Read(idSize, to);
            reference.to.push_back(static_cast<std::uint32_t>(to));
        }
    }
    return true;
}

bool ReadItems(Bytes file, Items& items) {
    Cursor top(file);
    Box box;
    // The boxes after 'meta' (the coded data) are the library's to check.
    do {
        if (!NextBox(top, box))
            return ImageFail("damaged HEIF file: no readable 'meta' box");
    } while (box.type != FourCC("meta"));
    Cursor meta(box.body);
    std::uint64_t version = 0;
    if (!ReadVersion(meta, version))
        return ImageFail("damaged HEIF file: 'meta' box cut short");
    while (meta.Left() > 0) {
        if (!NextBox(meta, box))
            return ImageFail("damaged HEIF file: 'meta' box cut short");
        bool read = true;
        if (box.type == FourCC("pitm"))
            read = ReadPrimary(box.body, items);
        else if (box.type == FourCC("iinf"))
            read = ReadItemTypes(box.body, items);
        else if (box.type == FourCC("iloc"))
            read = ReadLocations(box.body, items);
        else if (box.type == FourCC("iref"))
            read = ReadReferences(box.body, items);
        else if (box.type == FourCC("idat"))
            items.idat = box.body;
        if (!read)
            return ImageFail("damaged HEIF file: item boxes cut short or out of range");
    }
    if (!items.hasPrimary)
        return ImageFail("damaged HEIF file: no primary picture");
    return true;
}

// The first bytes of an item's data, gathered from its extents.
bool ReadItemData(Bytes file, const Items& items, std::uint32_t id,
                  std::vector<std::uint8_t>& out) {
    const auto found = items.locations.find(id);
    if (found == items.locations.end())
        return ImageFail("damaged HEIF file: a derived picture has no data");
    const Location& location = found->second;
    if (location.method > 1)
        return ImageFail("unsupported HEIF file: a derived picture's data is not in the file");
    const Bytes source = location.method == 0 ? file : items.idat;
    out.clear();
    for (const auto& [offset, length] : location.extents) {
        if (offset > source.size() || length > source.size() - offset)
            return ImageFail("damaged HEIF file: a derived picture's data lies past the end");
        const Bytes extent = source.subspan(static_cast<std::size_t>(offset),
                                            length == 0 ? source.size() - offset : length);
        const std::size_t wanted = std::min(extent.size(), kCanvasDataBytes - out.size());
        out.insert(out.end(), extent.begin(), extent.begin() + static_cast<std::ptrdiff_t>(wanted));
        if (out.size() == kCanvasDataBytes)
            break;
    }
    return true;
}

// A grid's data: version, flags, rows - 1, columns - 1, then the canvas
// size; an overlay's: version, flags, a fill colour of four 16-bit values,
// then the canvas size. Flag 1 makes the size fields 32-bit, else 16.
bool ReadCanvas(Bytes data, bool overlay, HeifCanvas& canvas) {
    Cursor in(data);
    std::uint64_t version = 0;
    std::uint64_t flags = 0;
    Bytes skipped;
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    if (!in.Read(1, version) || !in.Read(1, flags) || !in.Take(overlay ? 8 : 2, skipped) ||
        !in.Read(flags & 1 ? 4 : 2, width) || !in.Read(flags & 1 ? 4 : 2, height))
        return ImageFail("damaged HEIF file: a derived picture's data is cut short");
    canvas = {.width = static_cast<std::uint32_t>(width),
              .height = static_cast<std::uint32_t>(height)};
    return true;
}

}  // namespace

std::uint64_t ReadBigEndian(std::span<const std::uint8_t> bytes, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value = value << 8 | bytes[i];
    return value;
}

bool ReadHeifCanvases(std::span<const std::uint8_t> file, std::vector<HeifCanvas>& canvases) {
    canvases.clear();
    Items items;
    if (!ReadItems(file, items))
        return false;
    // The pictures decoding reaches: from the primary, a derived picture
    // leads to its sources ('dimg'), a picture to the alpha planes that
    // point at it ('auxl').
    std::multimap<std::uint32_t, std::uint32_t> leadsTo;
    for (const Reference& reference : items.references)
        for (const std::uint32_t to : reference.to) {
            if (reference.type == FourCC("dimg"))
                leadsTo.emplace(reference.from, to);
            else if (reference.type == FourCC("auxl"))
                leadsTo.emplace(to, reference.from);
        }
    std::set<std::uint32_t> reached = {items.primary};
    std::vector<std::uint32_t> waiting = {items.primary};
    while (!waiting.empty()) {
        const auto [first, last] = leadsTo.equal_range(waiting.back());
        waiting.pop_back();
        for (auto next = first; next != last; ++next)
            if (reached.insert(next->second).second)
                waiting.push_back(next->second);
    }
    std::vector<std::uint8_t> data;
    for (const std::uint32_t id : reached) {
        const auto type = items.types.find(id);
        if (type == items.types.end() ||
            (type->second != FourCC("grid") && type->second != FourCC("iovl")))
            continue;
        HeifCanvas canvas;
        if (!ReadItemData(file, items, id, data) ||
            !ReadCanvas(data, type->second == FourCC("iovl"), canvas))
            return false;
        canvases.push_back(canvas);
    }
    return true;
}
