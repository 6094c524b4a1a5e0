#include "codecs/png_glue.h"

namespace png_glue {

void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

}  // namespace png_glue
