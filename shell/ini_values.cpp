#include "shell/ini_values.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>

namespace ini_values {

namespace {

// White space as the C conversions skip it.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view SkipSpace(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    return text;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads a signed decimal from the front of `text`, consuming it. False when
// no digit follows the optional sign (nothing is consumed then).
bool TakeInt(std::string_view& text, int& value) {
    std::string_view rest = SkipSpace(text);
    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    if (rest.empty() || !IsDigit(rest.front()))
        return false;
    long long magnitude = 0;
    while (!rest.empty() && IsDigit(rest.front())) {
        if (magnitude <= LLONG_MAX / 10 - 9)
            magnitude = magnitude * 10 + (rest.front() - '0');
        rest.remove_prefix(1);
    }
    const long long signedValue = negative ? -magnitude : magnitude;
    value = signedValue > INT_MAX   ? INT_MAX
            : signedValue < INT_MIN ? INT_MIN
                                    : static_cast<int>(signedValue);
    text = rest;
    return true;
}

}  // namespace

int LeadingInt(std::string_view text) {
    int value = 0;
    return TakeInt(text, value) ? value : 0;
}

double LeadingDouble(std::string_view text) {
    text = SkipSpace(text);
    // from_chars takes a minus sign but no plus sign.
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return 0.0;
    }
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : 0.0;
}

std::optional<std::uint64_t> ParseUInt64(std::string_view text) {
    text = SkipSpace(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !IsDigit(text.front()))
        return std::nullopt;
    std::uint64_t value = 0;
    bool overflow = false;
    while (!text.empty() && IsDigit(text.front())) {
        const std::uint64_t digit = static_cast<std::uint64_t>(text.front() - '0');
        if (value > (UINT64_MAX - digit) / 10)
            overflow = true;
        else
            value = value * 10 + digit;
        text.remove_prefix(1);
    }
    if (overflow)
        return UINT64_MAX;
    return negative ? std::uint64_t{0} - value : value;
}

float NarrowToFloat(double value) {
    if (std::isfinite(value) && std::fabs(value) > FLT_MAX)
        return value > 0 ? INFINITY : -INFINITY;
    return static_cast<float>(value);
}

std::string FormatDouble(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

int ScanInts(std::string_view text, std::string_view pattern, std::span<int> out) {
    int count = 0;
    while (!pattern.empty()) {
        if (pattern.substr(0, 2) == "%d") {
            if (static_cast<std::size_t>(count) >= out.size() || !TakeInt(text, out[count]))
                break;
            ++count;
            pattern.remove_prefix(2);
        } else if (IsSpace(pattern.front())) {
            text = SkipSpace(text);
            pattern.remove_prefix(1);
        } else {
            if (text.empty() || text.front() != pattern.front())
                break;
            text.remove_prefix(1);
            pattern.remove_prefix(1);
        }
    }
    return count;
}

std::string FormatPoint(const gdi::POINT& point) {
    return "(" + std::to_string(point.x) + "," + std::to_string(point.y) + ")";
}

std::optional<gdi::POINT> ParsePoint(std::string_view text) {
    int v[2];
    if (ScanInts(text, "(%d,%d)", v) != 2)
        return std::nullopt;
    return gdi::POINT{v[0], v[1]};
}

std::string FormatRect(const gdi::RECT& r) {
    return "(" + std::to_string(r.top) + "," + std::to_string(r.left) + "," +
           std::to_string(r.bottom) + "," + std::to_string(r.right) + ")";
}

std::string FormatRectDefault(const gdi::RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

std::optional<gdi::RECT> ParseRect(std::string_view text) {
    int v[4];
    if (ScanInts(text, "%d,%d,%d,%d", v) == 4)
        return gdi::RECT{v[0], v[1], v[2], v[3]};
    if (ScanInts(text, "(%d,%d,%d,%d)", v) == 4)
        return gdi::RECT{v[1], v[0], v[3], v[2]};
    return std::nullopt;
}

std::string FormatColor(gdi::COLORREF colour) {
    return "RGB(" + std::to_string(gdi::GetRValue(colour)) + "," +
           std::to_string(gdi::GetGValue(colour)) + "," + std::to_string(gdi::GetBValue(colour)) +
           ")";
}

std::optional<gdi::COLORREF> ParseColor(std::string_view text) {
    int v[3];
    if (ScanInts(text, "RGB(%d,%d,%d)", v) != 3)
        return std::nullopt;
    // The low 8 bits are the value modulo 256, negative values included.
    return gdi::RGB(static_cast<std::uint8_t>(v[0]), static_cast<std::uint8_t>(v[1]),
                    static_cast<std::uint8_t>(v[2]));
}

std::string EncodeBlock(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text += static_cast<char>('A' + (byte & 15));
        text += static_cast<char>('A' + (byte >> 4));
    }
    return text;
}

std::vector<std::uint8_t> DecodeBlock(std::string_view text) {
    std::vector<std::uint8_t> bytes(text.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned low = static_cast<unsigned char>(text[2 * i]) - unsigned{'A'};
        const unsigned high = static_cast<unsigned char>(text[2 * i + 1]) - unsigned{'A'};
        bytes[i] = static_cast<std::uint8_t>(low + 16 * high);
    }
    return bytes;
}

std::vector<std::string_view> SplitList(std::string_view text) {
    std::vector<std::string_view> elements;
    for (;;) {
        const std::size_t comma = text.find(',');
        std::string_view element = text.substr(0, comma);
        while (!element.empty() && IsSpace(element.front()))
            element.remove_prefix(1);
        while (!element.empty() && IsSpace(element.back()))
            element.remove_suffix(1);
        elements.push_back(element);
        if (comma == std::string_view::npos)
            return elements;
        text.remove_prefix(comma + 1);
    }
}

}  // namespace ini_values
