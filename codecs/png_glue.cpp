#include "codecs/png_glue.h"

#include "codecs/codec_error.h"

namespace png_glue {

void OnError(png_structp png, png_const_charp message) {
    // The library's text is the reason ("IHDR: CRC error", "bad adaptive
    // filter value"); recorded before the jump, as nothing runs after it.
    ImageFailLibrary(message ? message : "", "damaged file");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

}  // namespace png_glue
