// The editing operations of convert: value checks and calls into the image
// library. A picture the operation does not apply to (wrong depth, too
// small) is an error, so a script learns that nothing happened.

#include "tools/edit_operations.h"

#include <charconv>
#include <span>

#include "codecs/codec_error.h"
#include "codecs/dispatch.h"
#include "image/picture.h"

namespace {

struct EditOption {
    const char* name;
    int numbers;        // how many numbers the value holds; -1: any
    bool file = false;  // FILE,... before the numbers
    const char* usage = "";
};

constexpr EditOption kOptions[] = {
    {"--brightness", 1, false, "N[,mul]"},
    {"--contrast", 1, false, "P"},
    {"--hue", 2, false, "H,S"},
    {"--balance", 3, false, "R,G,B"},
    {"--invert", 0},
    {"--filter", 1, false, "CODE"},
    {"--kernel", -1, false, "SIZE,DIV,k1,..."},
    {"--blur", 1, false, "N"},
    {"--motion-blur", 2, false, "LEN,DIR (DIR 8 right or 16 left)"},
    {"--mosaic", 1, false, "N"},
    {"--diffuse", 1, false, "N"},
    {"--emboss", 1, false, "D"},
    {"--edge", 1, false, "N"},
    {"--wave", 2, false, "A,F"},
    {"--cylinder", 0},
    {"--spherize", 1, false, "N"},
    {"--combine", 3, true, "FILE,MODE,X,Y"},
    {"--blend", 3, true, "FILE,OPACITY,X,Y"},
    {"--alpha-blend", 2, true, "FILE,X,Y"},
};

const EditOption* Find(const std::string& option) {
    for (const EditOption& entry : kOptions) {
        if (option == entry.name)
            return &entry;
    }
    return nullptr;
}

bool ParseList(const std::string& text, std::vector<std::int32_t>& out) {
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::size_t end = comma == std::string::npos ? text.size() : comma;
        std::int32_t v = 0;
        const auto [at, error] = std::from_chars(text.data() + start, text.data() + end, v);
        if (error != std::errc{} || at != text.data() + end)
            return false;
        out.push_back(v);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

}  // namespace

bool IsEditOption(const std::string& option, bool& takesValue) {
    const EditOption* entry = Find(option);
    takesValue = entry && entry->numbers != 0;
    return entry != nullptr;
}

std::string ParseEditValue(EditOperation& op, const std::string& value) {
    const EditOption* entry = Find(op.option);
    if (!entry)
        return "unknown operation " + op.option;
    const std::string wrong = op.option + " takes " + entry->usage + ", not " + value;
    std::string numbers = value;
    if (entry->file) {
        // The numbers are the last commas' worth; the file name may hold commas.
        std::size_t at = numbers.size();
        for (int i = 0; i < entry->numbers; ++i) {
            at = at == 0 ? std::string::npos : numbers.rfind(',', at - 1);
            if (at == std::string::npos || at == 0)
                return wrong;
        }
        op.file = numbers.substr(0, at);
        numbers = numbers.substr(at + 1);
    } else if (op.option == "--brightness" && numbers.size() > 4 &&
               numbers.compare(numbers.size() - 4, 4, ",mul") == 0) {
        op.multiply = true;
        numbers.resize(numbers.size() - 4);
    }
    if (!ParseList(numbers, op.numbers))
        return wrong;
    if (entry->numbers >= 0 && op.numbers.size() != std::size_t(entry->numbers))
        return wrong;
    if (op.option == "--kernel") {
        const std::int64_t size = op.numbers.empty() ? 0 : op.numbers[0];
        if (op.numbers.size() < 2 || size < 3 || size > 64 ||
            op.numbers.size() != std::size_t(2 + size * size))
            return wrong;
    }
    return {};
}

std::string ApplyEditOperation(CPicture& picture, const EditOperation& op) {
    const std::vector<std::int32_t>& n = op.numbers;
    bool done = false;
    CPicture source;
    if (!op.file.empty() && !LoadImageFile(source, op.file))
        return op.option + ": cannot read " + op.file + ": " + std::string(LastImageError());
    const std::string& o = op.option;
    if (o == "--brightness")
        done = picture.Brightness(n[0], !op.multiply);
    else if (o == "--contrast")
        done = picture.Contrast(n[0]);
    else if (o == "--hue")
        done = picture.HueSaturation(n[0], n[1]);
    else if (o == "--balance")
        done = picture.ColourBalance(n[0], n[1], n[2]);
    else if (o == "--invert")
        done = picture.Invert();
    else if (o == "--filter")
        done = picture.ApplyNamedFilter(static_cast<std::uint32_t>(n[0]));
    else if (o == "--kernel")
        done = picture.ApplyKernel(std::span(n).subspan(2), n[0], n[1]);
    else if (o == "--blur")
        done = picture.BoxBlur(n[0]);
    else if (o == "--motion-blur")
        done = picture.MotionBlur(n[0], n[1], true);
    else if (o == "--mosaic")
        done = picture.Mosaic(n[0]);
    else if (o == "--diffuse")
        done = picture.Diffuse(n[0]);
    else if (o == "--emboss")
        done = picture.Emboss(n[0]);
    else if (o == "--edge")
        done = picture.EdgeEnhance(n[0]);
    else if (o == "--wave")
        done = picture.Wave(n[0], n[1]);
    else if (o == "--cylinder")
        done = picture.Cylinder();
    else if (o == "--spherize")
        done = picture.Spherize(n[0]);
    else if (o == "--combine")
        done = picture.Combine(source, n[0], n[1], n[2]);
    else if (o == "--blend")
        done = picture.Blend(source, n[0], n[1], n[2]);
    else if (o == "--alpha-blend")
        done = picture.AlphaBlend(source, n[0], n[1]);
    if (!done)
        return o + ": not possible for this " + std::to_string(picture.GetBitCount()) +
               "-bit picture with these values";
    return {};
}
