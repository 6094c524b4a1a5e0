#pragma once

// Text helpers shared by every layer: ASCII-only case folding, so names
// compare the same way whatever the locale (bytes of 128 and up, UTF-8
// included, are compared as they are), and the parts of a file name.

#include <string>
#include <string_view>

namespace platform {

// 'A' to 'Z' become 'a' to 'z'; every other byte stays as it is.
char FoldAsciiCase(char c);

// The text with 'A' to 'Z' folded to lower case.
std::string LowercaseAscii(std::string text);

// Comparisons with ASCII letters folded.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
// Negative, zero or positive as `a` sorts before, with or after `b`: byte by
// byte after folding, a prefix first.
int CompareIgnoreCase(std::string_view a, std::string_view b);

// The last component of `path`: everything after its last '/'.
std::string_view FileNameOf(std::string_view path);
// The text after the last dot of the file name, without the dot; empty when
// the name has no dot or ends with one. A leading dot counts like any
// other (".jpg" has the extension "jpg"), as the picture folders have
// always treated it; dots in folder names never count.
std::string_view ExtensionOf(std::string_view path);
// The file name without its last dot and what follows it; the whole name
// when it has no dot.
std::string_view StemOf(std::string_view path);
// ExtensionOf with its dot (".jpg"), or empty: ready to append to a name.
std::string DottedExtensionOf(std::string_view path);

// `text` with its control bytes written as \xNN and backslashes doubled: a
// file name may hold a line break, and a message must stay the one line
// scripts read.
std::string OneLineText(std::string_view text);

}  // namespace platform
