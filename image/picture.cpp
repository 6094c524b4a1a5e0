#include "image/picture.h"

CPicture::~CPicture() {
    // The GIF state goes first, before the picture it describes.
    gifInfo.reset();
}
