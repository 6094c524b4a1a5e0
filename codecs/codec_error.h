#pragma once

// Why the last picture load or save on this thread failed. The public
// functions keep their true/false answer; the reason travels beside it, as
// errno does, so that callers which only test the answer need not change.
// Each decoder and encoder names its refusal where it makes it ("truncated",
// "2-bit colour depth not supported"); the dispatch adds what lies before
// any decoder ("no such file", "unknown file extension").

#include <cstdint>
#include <string>
#include <string_view>

// The reason of the last failure on this thread; empty after a success or
// when the failing code gave none.
std::string_view LastImageError();

// Records `reason` for this thread, unless a reason has already been
// recorded since the last ClearImageError (the innermost, most specific
// reason wins), and returns false so that a refusal reads
// `return ImageFail("truncated");`.
bool ImageFail(std::string_view reason);

// Records `reason` even when one is already recorded; for a caller that
// knows better than the code below it.
bool ImageFailOverriding(std::string_view reason);

// Forgets the recorded reason; each public load and save begins with it.
void ClearImageError();

// Helpers for the refusals every codec shares. Each records its reason as
// ImageFail does and returns false.

// A file that could not be opened, from the errno of the failed open:
// "no such file", "permission denied", "not a regular file".
bool ImageFailOpen(int error);

// A picture the pixel cap or the picture object refuses: a zero side, a
// depth pictures do not have, or pixels past `maxPixelBytes` ("picture
// larger than the 1 GiB limit").
bool ImageFailSize(std::int64_t width, std::int64_t height, std::uint32_t bits,
                   std::uint64_t maxPixelBytes);

// A message of one of the system's picture libraries as a reason: without
// a trailing full stop or line break, its first letter in lower case unless
// it begins an abbreviation ("JPEG"). `fallback` stands in for an empty one.
bool ImageFailLibrary(std::string_view message, std::string_view fallback);
