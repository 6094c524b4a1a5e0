#pragma once

// The text forms of the profile store's typed values: how each type is
// written, and how the text read back is parsed. Numbers never depend on
// the locale, so a file written in one language reads the same in another.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/types.h"

namespace ini_values {

// The leading-number conversion: optional white space, optional sign,
// digits, stopping at the first other character. 0 when there are no
// digits; values beyond the int range stop at its ends.
int LeadingInt(std::string_view text);
// The leading floating-point conversion (white space, sign, digits, point,
// exponent, inf, nan); 0.0 when nothing converts.
double LeadingDouble(std::string_view text);
// An unsigned decimal after optional white space; nothing when there is no
// number. A minus sign wraps round, values too large read as the largest.
std::optional<std::uint64_t> ParseUInt64(std::string_view text);

// The double as a float; beyond float's range an infinity, as IEEE
// arithmetic gives (a plain cast would be undefined there).
float NarrowToFloat(double value);

// "%g": six significant digits.
std::string FormatDouble(double value);

// A small scanf: matches `pattern` against `text`, where "%d" reads one
// integer (after white space) into the next slot of `out`, a blank matches
// any white space and every other character itself. Returns how many
// integers were read before the first mismatch.
int ScanInts(std::string_view text, std::string_view pattern, std::span<int> out);

std::string FormatPoint(const gdi::POINT& point);  // "(x,y)"
std::optional<gdi::POINT> ParsePoint(std::string_view text);

// Written top first: "(top,left,bottom,right)".
std::string FormatRect(const gdi::RECT& rect);
// The form a default is given in: "left,top,right,bottom".
std::string FormatRectDefault(const gdi::RECT& rect);
// Either form: the default form first, then the written one.
std::optional<gdi::RECT> ParseRect(std::string_view text);

std::string FormatColor(gdi::COLORREF colour);  // "RGB(r,g,b)"
// Each component taken modulo 256.
std::optional<gdi::COLORREF> ParseColor(std::string_view text);

// Two capital letters per byte, low nibble first: 0x01 0xFF -> "BAPP".
std::string EncodeBlock(std::span<const std::uint8_t> bytes);
// Pairs of letters back to bytes; an odd last letter is ignored.
std::vector<std::uint8_t> DecodeBlock(std::string_view text);

// The elements of a comma-separated list, each with the blanks around it
// trimmed; "1,,3" gives "1", "", "3".
std::vector<std::string_view> SplitList(std::string_view text);

}  // namespace ini_values
