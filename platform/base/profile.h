#pragma once

// The INI reader and writer behind the profile store: the private-profile
// rules of Windows on plain files.
//
// A file is lines of "[section]" headers and "key=value" pairs. Section and
// key names compare without regard to letter case and with the white space
// around them trimmed; the first matching section, and in it the first
// matching key, is the one read and written. A value loses the white space
// around it and then one pair of matching single or double quotation marks
// enclosing it. Lines starting with ';', lines without '=', keys before the
// first header and later duplicates are never matched, but a write keeps them
// byte for byte, as it keeps every line it does not change (CRLF endings
// included).
//
// Writes replace the whole file atomically (temporary file beside it, flush,
// rename) while holding an exclusive lock that serialises writers in this
// process and in others, so concurrent writers of different keys lose
// nothing. A file that is read-only, or not a regular file, is never
// replaced. Nothing here throws; failures return false or the default.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// The value of `key` in `section`, or nothing when the file, the section or
// the key is missing or the file cannot be read.
std::optional<std::string> ReadProfileValue(const std::string& path, std::string_view section,
                                            std::string_view key);

// The value as above, or `fallback` when it is missing.
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view fallback);

// Sets `key` in `section` to `value`, creating the file (not its directory)
// and the section as needed. A value that would not read back as written
// (white space at either end, or enclosing quotation marks) is written
// quoted, so it does. Names and values that cannot be stored on one line
// (line breaks, NUL, '=' in a key, ']' in a section, an empty key) are
// refused.
bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);

// One key and its value for WriteProfileStrings.
struct ProfileEntry {
    std::string_view key;
    std::string_view value;
};

// Sets every key of `entries` in `section`, in their order, to the very text
// that many WriteProfileString calls one after another would leave, but
// reads the file once and replaces it once, under one hold of the writers'
// lock: a reader sees the old file or the one with every entry, and a crash
// leaves one of the two. An entry that cannot be stored is skipped and makes
// the result false; the others are still written. A file no entry changes is
// not rewritten.
bool WriteProfileStrings(const std::string& path, std::string_view section,
                         std::span<const ProfileEntry> entries);

// Removes the key's line, and the lines of its later duplicates in the
// section, which would read once it was gone. True when the key is gone
// afterwards, including
// when it (or the file) never existed; a missing file is not created.
bool DeleteProfileKey(const std::string& path, std::string_view section, std::string_view key);

}  // namespace platform
