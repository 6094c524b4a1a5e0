#pragma once

// What the PNG decoder and encoder share: errors that record the library's
// text as the failure's reason and jump back to the running call, and
// silence for warnings.

#include <png.h>

namespace png_glue {

[[noreturn]] void OnError(png_structp png, png_const_charp message);
void OnWarning(png_structp png, png_const_charp message);

}  // namespace png_glue
