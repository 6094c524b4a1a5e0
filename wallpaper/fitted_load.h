#pragma once

// Loading the picture of a change, already fitted to the screen when asked.

#include <string>

#include "codecs/codec_messages.h"
#include "image/picture.h"
#include "wallpaper/fit.h"

namespace wallpaper {

// Loads `path` through the format dispatch. With `fit`, applies the fit rule
// for `screen` and `position` to the picture's full size. A JPEG that is to
// shrink is decoded at the smallest DCT scale still covering the targets and
// then resized to exactly the size the full-size picture would have taken; a
// WebP is decoded straight to that size.
// False when the file does not load; a picture the rule cannot resize (a
// target of 0) stays at its own size.
// Messages a reader has for the user go to `messages`.
bool LoadForChange(CPicture& picture, const std::string& path, bool fit, Size screen,
                   Position position, const CodecMessageSink& messages = {});

}  // namespace wallpaper
