#include "platform/base/text.h"

#include <algorithm>

namespace platform {

char FoldAsciiCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowercaseAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), FoldAsciiCase);
    return text;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && StartsWithIgnoreCase(a, b);
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size())
        return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char x, char y) { return FoldAsciiCase(x) == FoldAsciiCase(y); });
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        // Unsigned, so bytes of 128 and up sort after ASCII.
        const auto x = static_cast<unsigned char>(FoldAsciiCase(a[i]));
        const auto y = static_cast<unsigned char>(FoldAsciiCase(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string_view FileNameOf(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view ExtensionOf(std::string_view path) {
    const std::string_view name = FileNameOf(path);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1);
}

std::string_view StemOf(std::string_view path) {
    const std::string_view name = FileNameOf(path);
    return name.substr(0, name.rfind('.'));
}

std::string DottedExtensionOf(std::string_view path) {
    const std::string_view extension = ExtensionOf(path);
    return extension.empty() ? std::string{} : "." + std::string(extension);
}

std::string OneLineText(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string line;
    line.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            line += "\\x";
            line += kHex[byte >> 4];
            line += kHex[byte & 15];
        } else if (c == '\\') {
            line += "\\\\";
        } else {
            line += c;
        }
    }
    return line;
}

}  // namespace platform
