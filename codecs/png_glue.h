#pragma once

// What the PNG decoder and encoder share: errors that jump back to the
// running call, and silence, since the library's texts are never shown.

#include <png.h>

namespace png_glue {

[[noreturn]] void OnError(png_structp png, png_const_charp message);
void OnWarning(png_structp png, png_const_charp message);

}  // namespace png_glue
